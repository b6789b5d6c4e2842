#include "ClipboardPicture.h"

#include "Beep.h"
#include "Picture.h"
#include "PngBands.h"
#include "SystemMemory.h"
#include "TiffBands.h"

#include <QBuffer>
#include <QFile>
#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

namespace {
constexpr int kBandRows = 256;
constexpr int kPngWorkers = 2;

QSize pixelSize(const Picture &picture)
{
    const Size sheet = picture.sheetSize();
    return {int(std::ceil(sheet.width)), int(std::ceil(sheet.height))};
}

qint64 paintedTilePixels(const Layer &layer)
{
    const TiledImage *image = layer.image();
    return image ? qint64(image->tileCount()) * TiledImage::kTileSide * TiledImage::kTileSide : 0;
}

} // namespace

const QStringList &ClipboardPicture::imageTypes()
{
    static const QStringList types {QStringLiteral("image/tiff"), QStringLiteral("image/png")};
    return types;
}

ClipboardPicture::ClipboardPicture(std::unique_ptr<const Picture> frozen, bool withBG)
    : mPicture(std::move(frozen))
    , mWithBG(withBG)
{
}

ClipboardPicture::~ClipboardPicture() = default;

QStringList ClipboardPicture::formats() const
{
    return imageTypes();
}

bool ClipboardPicture::hasFormat(const QString &mimeType) const
{
    return imageTypes().contains(mimeType);
}

qint64 ClipboardPicture::bytesNeeded(const Picture &picture, bool withBG)
{
    (void)withBG; // the papers are ruled or plain: they compress like blank rows
    const QSize size = pixelSize(picture);
    const qint64 area = qint64(size.width()) * size.height();
    qint64 painted = 0;
    for (const auto &layer : picture.layers())
        painted += paintedTilePixels(*layer);
    for (const auto &snapshot : picture.undoLayers())
        painted += paintedTilePixels(*snapshot);
    painted = std::min(painted, area);
    const qint64 encoded
        = painted * 4 + (area - painted) * 4 / 64 + qint64(size.height()) * 8 + (qint64(1) << 16);
    const qint64 bands = qint64(size.width()) * kBandRows * 4 * (kPngWorkers + 3);
    return 2 * encoded + bands;
}

qint64 ClipboardPicture::bytesAvailable()
{
    const qint64 available = SystemMemory::available();
    return available < 0 ? LLONG_MAX : available;
}

QByteArray ClipboardPicture::encode(const QString &mimeType) const
{
    const QSize size = pixelSize(*mPicture);
    const auto band
        = [this](int top, int rows) { return mPicture->flattenRows(top, rows, mWithBG); };
    QByteArray data;
    try {
        if (mimeType == QLatin1String("image/png")) {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            PngBands::WriteOptions options;
            options.bandRows = kBandRows;
            options.workers = kPngWorkers;
            if (PngBands::write(buffer, size.width(), size.height(), band, options)
                == PngBands::Outcome::Done)
                data = buffer.data();
        } else if (mimeType == QLatin1String("image/tiff")) {
            data = TiffBands::encode(size.width(), size.height(), kBandRows, band);
        } else {
            return {};
        }
    } catch (const std::bad_alloc &) {
        data.clear();
    }
    if (data.isEmpty())
        systemBeep();
    return data;
}

QVariant ClipboardPicture::retrieveData(const QString &mimeType, QMetaType type) const
{
    if (!hasFormat(mimeType))
        return QMimeData::retrieveData(mimeType, type);
    return encode(mimeType);
}
