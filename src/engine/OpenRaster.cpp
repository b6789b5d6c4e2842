#include "OpenRaster.h"

#include "Image.h"

#include <QCoreApplication>
#include <QSaveFile>
#include <QXmlStreamWriter>
#include <algorithm>
#include <functional>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>
#include <vector>

namespace {
// The texts of this file, in the string table under "OpenRaster".
struct OpenRasterTexts
{
    Q_DECLARE_TR_FUNCTIONS(OpenRaster)
};

using OpenRaster::Outcome;
constexpr auto kFormat = QImage::Format_ARGB32_Premultiplied;

Outcome fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return Outcome::Failed;
}

QString writeFailure(const QString &reason)
{
    return OpenRasterTexts::tr("The OpenRaster file could not be written: %1").arg(reason);
}

// The progress of the whole save, each part given its share of the pixels.
class Steps
{
public:
    Steps(const OpenRaster::Progress &progress, double total)
        : mProgress(progress)
        , mTotal(std::max(total, 1.0))
    {
    }

    // The progress of the next part, of this weight; the part after it starts where it ends.
    OpenRaster::Progress next(double weight)
    {
        const double start = mDone;
        mDone += weight;
        if (!mProgress)
            return {};
        return [this, start, weight](double f) { return mProgress((start + f * weight) / mTotal); };
    }

private:
    const OpenRaster::Progress &mProgress;
    double mTotal;
    double mDone = 0.0;
};

// Where a layer's PNG lies: its painted tiles, y up, and their top-left in top-down pixels.
struct Placement
{
    QRect pixels;
    int x = 0;
    int y = 0;
};

Placement placementOf(const TiledImage *image, int width, int height)
{
    Placement p;
    if (image)
        p.pixels = image->pixelRect(image->paintedBounds()).intersected(QRect(0, 0, width, height));
    if (!p.pixels.isEmpty()) {
        p.x = p.pixels.x();
        p.y = height - (p.pixels.y() + p.pixels.height());
    }
    return p;
}

QString layerEntry(std::size_t index)
{
    return QStringLiteral("data/%1.png").arg(index);
}

QByteArray stackXml(const OraPicture &picture, const std::vector<Placement> &placements)
{
    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("image"));
    w.writeAttribute(QStringLiteral("version"), QStringLiteral("0.0.5"));
    w.writeAttribute(QStringLiteral("w"), QString::number(picture.width));
    w.writeAttribute(QStringLiteral("h"), QString::number(picture.height));
    w.writeStartElement(QStringLiteral("stack"));
    for (std::size_t i = 0; i < picture.layers.size(); ++i) {
        const OraLayer &layer = picture.layers[i];
        w.writeStartElement(QStringLiteral("layer"));
        w.writeAttribute(QStringLiteral("name"), layer.name);
        w.writeAttribute(QStringLiteral("visibility"),
                         layer.visible ? QStringLiteral("visible") : QStringLiteral("hidden"));
        w.writeAttribute(QStringLiteral("opacity"),
                         QString::number(double(std::clamp(layer.opacity, 0.0f, 1.0f)), 'f', 3));
        w.writeAttribute(QStringLiteral("composite-op"), oraCompositeOp(layer.mode));
        w.writeAttribute(QStringLiteral("x"), QString::number(placements[i].x));
        w.writeAttribute(QStringLiteral("y"), QString::number(placements[i].y));
        w.writeAttribute(QStringLiteral("src"), layerEntry(i));
        if (layer.locked)
            w.writeAttribute(QStringLiteral("edit-locked"), QStringLiteral("true"));
        // Krita's and Drawpile's name for the alpha lock.
        if (layer.alphaLocked)
            w.writeAttribute(QStringLiteral("alpha-preserve"), QStringLiteral("true"));
        if (layer.selected)
            w.writeAttribute(QStringLiteral("selected"), QStringLiteral("true"));
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    return xml;
}

// The merged rows averaged into a picture of at most kThumbnailSide a side, as they stream by.
class Thumbnail
{
public:
    Thumbnail(int width, int height)
        : mHeight(height)
    {
        const int side = std::max(width, height);
        const double scale = std::min(1.0, double(OpenRaster::kThumbnailSide) / side);
        mSize
            = QSize(std::max(1, int(width * scale + 0.5)), std::max(1, int(height * scale + 0.5)));
        mColumn.resize(std::size_t(width));
        for (int x = 0; x < width; ++x)
            mColumn[std::size_t(x)] = int(qint64(x) * mSize.width() / width);
        mSums.assign(std::size_t(mSize.width()) * mSize.height() * 4, 0);
        mCounts.assign(std::size_t(mSize.width()) * mSize.height(), 0);
    }

    QSize size() const { return mSize; }

    void add(const QImage &band, int top)
    {
        for (int r = 0; r < band.height(); ++r) {
            const int ty = int(qint64(top + r) * mSize.height() / mHeight);
            const auto *row = reinterpret_cast<const quint32 *>(band.constScanLine(r));
            quint32 *sums = mSums.data() + std::size_t(ty) * mSize.width() * 4;
            quint32 *counts = mCounts.data() + std::size_t(ty) * mSize.width();
            for (std::size_t x = 0; x < mColumn.size(); ++x) {
                const int tx = mColumn[x];
                for (int c = 0; c < 4; ++c)
                    sums[tx * 4 + c] += (row[x] >> (8 * c)) & 0xff;
                ++counts[tx];
            }
        }
    }

    QImage image() const
    {
        QImage out(mSize, kFormat);
        if (out.isNull())
            return out;
        for (int y = 0; y < mSize.height(); ++y) {
            auto *row = reinterpret_cast<quint32 *>(out.scanLine(y));
            for (int x = 0; x < mSize.width(); ++x) {
                const std::size_t i = std::size_t(y) * mSize.width() + std::size_t(x);
                const quint32 n = std::max<quint32>(mCounts[i], 1);
                quint32 pixel = 0;
                for (int c = 0; c < 4; ++c)
                    pixel |= ((mSums[i * 4 + std::size_t(c)] + n / 2) / n) << (8 * c);
                row[x] = pixel;
            }
        }
        return out;
    }

private:
    int mHeight;
    QSize mSize;
    std::vector<int> mColumn;
    std::vector<quint32> mSums;
    std::vector<quint32> mCounts;
};

class ArchiveWriter
{
public:
    explicit ArchiveWriter(QIODevice &device)
        : mZip(&device)
    {
        // Sizes in the local headers, so that the stored mimetype is readable at a fixed offset.
        mZip.setDataDescriptorWritingEnabled(false);
        mZip.setAutoClose(false);
    }

    bool open() { return mZip.open(QuaZip::mdCreate); }

    // One entry, stored or deflated, its content written by `content`.
    Outcome entry(const QString &name, bool deflate,
                  const std::function<Outcome(QIODevice &, QString *)> &content, QString *error)
    {
        QuaZipFile file(&mZip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0,
                       deflate ? Z_DEFLATED : 0, deflate ? Z_DEFAULT_COMPRESSION : 0))
            return fail(error, writeFailure(mZip.getIoDevice()->errorString()));
        QString reason;
        const Outcome outcome = content(file, &reason);
        file.close();
        if (outcome == Outcome::Failed)
            return fail(error, writeFailure(reason));
        if (outcome == Outcome::Done && file.getZipError() != ZIP_OK)
            return fail(error, writeFailure(mZip.getIoDevice()->errorString()));
        return outcome;
    }

    Outcome bytes(const QString &name, bool deflate, const QByteArray &data, QString *error)
    {
        return entry(
            name, deflate,
            [&](QIODevice &file, QString *reason) {
                if (file.write(data) == data.size())
                    return Outcome::Done;
                *reason = file.errorString();
                return Outcome::Failed;
            },
            error);
    }

    Outcome png(const QString &name, QSize size, const PngBands::BandSource &band,
                const OpenRaster::Progress &progress, QString *error)
    {
        PngBands::WriteOptions options;
        options.progress = progress;
        return entry(
            name, false, // a PNG is compressed already
            [&](QIODevice &file, QString *reason) {
                return PngBands::write(file, size.width(), size.height(), band, options, reason);
            },
            error);
    }

    Outcome close(QString *error)
    {
        mZip.close();
        if (mZip.getZipError() != ZIP_OK)
            return fail(error, writeFailure(mZip.getIoDevice()->errorString()));
        return Outcome::Done;
    }

private:
    QuaZip mZip;
};
} // namespace

namespace OpenRaster {

Outcome write(QIODevice &device, const OraPicture &picture, const PngBands::BandSource &merged,
              const Progress &progress, QString *error)
{
    const int W = picture.width;
    const int H = picture.height;
    if (!Image::isValidSize(Size {float(W), float(H)}))
        return fail(error, writeFailure(OpenRasterTexts::tr("The picture has no valid size.")));
    if (picture.layers.size() > std::size_t(kMostLayers))
        return fail(
            error,
            writeFailure(
                OpenRasterTexts::tr("A picture can have at most %1 layers.").arg(kMostLayers)));
    std::vector<Placement> placements;
    double total = double(W) * H;
    for (const OraLayer &layer : picture.layers) {
        placements.push_back(placementOf(layer.image.get(), W, H));
        total += std::max(
            1.0, double(placements.back().pixels.width()) * placements.back().pixels.height());
    }
    Steps steps(progress, total);
    if (progress && !progress(0.0))
        return Outcome::Cancelled;

    ArchiveWriter zip(device);
    if (!zip.open())
        return fail(error, writeFailure(device.errorString()));
    Outcome outcome = zip.bytes(QStringLiteral("mimetype"), false, "image/openraster", error);
    if (outcome == Outcome::Done)
        outcome
            = zip.bytes(QStringLiteral("stack.xml"), true, stackXml(picture, placements), error);
    for (std::size_t i = 0; i < picture.layers.size() && outcome == Outcome::Done; ++i) {
        const TiledImage *image = picture.layers[i].image.get();
        const QRect crop = placements[i].pixels;
        const QSize size = crop.isEmpty() ? QSize(1, 1) : crop.size();
        const auto band = [&](int top, int rows) {
            QImage out(size.width(), rows, kFormat);
            if (out.isNull() || crop.isEmpty())
                out.fill(Qt::transparent);
            else
                image->readPixels(
                    QRect(crop.x(), crop.y() + crop.height() - top - rows, crop.width(), rows), out,
                    0, 0);
            return out;
        };
        outcome = zip.png(layerEntry(i), size, band,
                          steps.next(double(size.width()) * size.height()), error);
    }
    Thumbnail thumbnail(W, H);
    if (outcome == Outcome::Done) {
        const auto band = [&](int top, int rows) {
            QImage out = merged(top, rows);
            if (!out.isNull() && out.format() != kFormat)
                out = std::move(out).convertToFormat(kFormat);
            if (!out.isNull() && out.width() == W && out.height() == rows)
                thumbnail.add(out, top);
            return out;
        };
        outcome = zip.png(QStringLiteral("mergedimage.png"), QSize(W, H), band,
                          steps.next(double(W) * H), error);
    }
    if (outcome == Outcome::Done) {
        const QImage small = thumbnail.image();
        outcome = zip.png(
            QStringLiteral("Thumbnails/thumbnail.png"), small.size(),
            [&](int top, int rows) { return small.copy(0, top, small.width(), rows); }, {}, error);
    }
    if (outcome != Outcome::Done)
        return outcome;
    return zip.close(error);
}

Outcome write(const QString &path, const OraPicture &picture, const PngBands::BandSource &merged,
              const Progress &progress, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, writeFailure(file.errorString()));
    const Outcome outcome = write(file, picture, merged, progress, error);
    if (outcome != Outcome::Done) {
        file.cancelWriting();
        return outcome;
    }
    if (!file.commit())
        return fail(error, writeFailure(file.errorString()));
    return Outcome::Done;
}

} // namespace OpenRaster
