#include "OpenRaster.h"

#include "Image.h"
#include "SystemMemory.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QXmlStreamReader>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/unzip.h>

namespace {
// The texts of this file, in the string table under "OpenRaster".
struct OpenRasterTexts
{
    Q_DECLARE_TR_FUNCTIONS(OpenRaster)
};

using OpenRaster::Outcome;

// Archives with more entries than this are refused before any is looked at.
constexpr int kMostEntries = 4 * OpenRaster::kMostLayers + 64;
constexpr qint64 kLargestMimetype = 64;

Outcome fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return Outcome::Failed;
}

QString notOpenRaster()
{
    return OpenRasterTexts::tr("The file is not an OpenRaster picture, or its archive is damaged.");
}

QString tooLargeEntry(const QString &entry)
{
    return OpenRasterTexts::tr(
               "The OpenRaster file's entry %1 unpacks to more data than a picture can hold.")
        .arg(entry);
}

// An entry's unpacked bytes as they come, at most a limit of them: what the archive declares
// about sizes is never trusted.
class CappedDevice : public QIODevice
{
public:
    explicit CappedDevice(QIODevice &inner)
        : mInner(inner)
    {
        open(QIODevice::ReadOnly);
    }

    void setLimit(qint64 limit) { mLimit = limit; }
    bool overLimit() const { return mOver; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 size) override
    {
        // One byte past the limit tells an entry that goes on from one that ends there.
        const qint64 n = mInner.read(data, std::min(size, mLimit + 1 - mRead));
        if (n < 0) {
            setErrorString(OpenRasterTexts::tr("The entry's data is damaged."));
            return -1;
        }
        mRead += n;
        if (mRead > mLimit) {
            mOver = true;
            setErrorString(
                OpenRasterTexts::tr("The entry unpacks to more data than a picture can hold."));
            return -1;
        }
        return n == 0 ? -1 : n;
    }

    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QIODevice &mInner;
    qint64 mLimit = 0;
    qint64 mRead = 0;
    bool mOver = false;
};

// The archive's entries found by name in one pass over its directory.
class Archive
{
public:
    explicit Archive(QIODevice &device)
        : mZip(&device)
    {
        mZip.setAutoClose(false);
    }

    bool open()
    {
        if (!mZip.open(QuaZip::mdUnzip))
            return false;
        const int count = mZip.getEntriesCount();
        if (count < 0 || count > kMostEntries)
            return false;
        for (bool more = mZip.goToFirstFile(); more; more = mZip.goToNextFile()) {
            unz64_file_pos pos {};
            if (unzGetFilePos64(mZip.getUnzFile(), &pos) != UNZ_OK)
                return false;
            mEntries.insert(mZip.getCurrentFileName(), pos); // a repeated name keeps its first
        }
        return mZip.getZipError() == UNZ_OK;
    }

    bool has(const QString &name) const { return mEntries.contains(name); }

    // The entry open for reading, or nullptr.
    std::unique_ptr<QuaZipFile> entry(const QString &name)
    {
        const auto it = mEntries.constFind(name);
        if (it == mEntries.cend() || !mZip.goToFirstFile())
            return nullptr;
        unz64_file_pos pos = *it;
        if (unzGoToFilePos64(mZip.getUnzFile(), &pos) != UNZ_OK)
            return nullptr;
        auto file = std::make_unique<QuaZipFile>(&mZip);
        if (!file->open(QIODevice::ReadOnly))
            return nullptr;
        return file;
    }

    // The whole entry, at most limit bytes; false when missing, damaged or larger.
    bool bytes(const QString &name, qint64 limit, QByteArray *out, bool *tooLarge)
    {
        *tooLarge = false;
        const std::unique_ptr<QuaZipFile> file = entry(name);
        if (!file)
            return false;
        CappedDevice capped(*file);
        capped.setLimit(limit);
        *out = capped.readAll();
        *tooLarge = capped.overLimit();
        file->close(); // checks the entry's checksum
        return !*tooLarge && file->getZipError() == UNZ_OK;
    }

private:
    QuaZip mZip;
    QHash<QString, unz64_file_pos> mEntries;
};

struct StackLayer
{
    OraLayer layer;
    QString src;
    int x = 0;
    int y = 0;
};

struct Stack
{
    int width = 0;
    int height = 0;
    std::vector<StackLayer> layers;
    QStringList notes;
};

// What a group passes on to the layers in it once flattened.
struct Group
{
    bool visible = true;
    float opacity = 1.0f;
    int x = 0;
    int y = 0;
};

// Offsets far outside any sheet are clamped, so that sums of them stay in range.
int offset(const QXmlStreamAttributes &a, QLatin1String name)
{
    bool ok = false;
    const double v = a.value(name).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return 0;
    return int(std::clamp(std::round(v), -4.0 * Image::kMaxSide, 4.0 * Image::kMaxSide));
}

float opacityOf(const QXmlStreamAttributes &a)
{
    bool ok = false;
    const double v = a.value(QLatin1String("opacity")).toDouble(&ok);
    return ok && std::isfinite(v) ? float(std::clamp(v, 0.0, 1.0)) : 1.0f;
}

bool hidden(const QXmlStreamAttributes &a)
{
    return a.value(QLatin1String("visibility")) == QLatin1String("hidden");
}

// A src that stays inside the archive: relative, with forward slashes and no "..".
bool isSafeSrc(const QString &src)
{
    if (src.isEmpty() || src.startsWith(QLatin1Char('/')) || src.contains(QLatin1Char('\\'))
        || src.contains(QLatin1Char(':')))
        return false;
    const auto parts = QStringView(src).split(QLatin1Char('/'));
    return std::none_of(parts.begin(), parts.end(),
                        [](QStringView p) { return p == QLatin1String(".."); });
}

bool parseStack(const QByteArray &xml, Stack *out, QString *error)
{
    QXmlStreamReader r(xml);
    std::vector<Group> groups;
    QStringList unknownOps;
    bool nested = false;
    bool sawImage = false;
    const auto refuse = [&](const QString &message) {
        *error = message;
        return false;
    };
    while (!r.atEnd()) {
        const auto token = r.readNext();
        if (token == QXmlStreamReader::DTD)
            return refuse(OpenRasterTexts::tr("The OpenRaster file's layer list declares a "
                                              "document type, which is not accepted."));
        if (token == QXmlStreamReader::EndElement && r.name() == QLatin1String("stack")
            && !groups.empty()) {
            groups.pop_back();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = r.attributes();
        if (!sawImage) {
            if (r.name() != QLatin1String("image"))
                break;
            sawImage = true;
            bool okW = false, okH = false;
            out->width = a.value(QLatin1String("w")).toInt(&okW);
            out->height = a.value(QLatin1String("h")).toInt(&okH);
            if (!okW || !okH || !Image::isValidSize(Size {float(out->width), float(out->height)}))
                return refuse(OpenRasterTexts::tr("The OpenRaster picture's size (%1 × %2) is not "
                                                  "one a sheet can have; at most %3 pixels a side.")
                                  .arg(a.value(QLatin1String("w")))
                                  .arg(a.value(QLatin1String("h")))
                                  .arg(Image::kMaxSide));
        } else if (r.name() == QLatin1String("stack")) {
            const Group outer = groups.empty() ? Group {} : groups.back();
            nested = nested || !groups.empty();
            groups.push_back({outer.visible && !hidden(a), outer.opacity * opacityOf(a),
                              outer.x + offset(a, QLatin1String("x")),
                              outer.y + offset(a, QLatin1String("y"))});
        } else if (r.name() == QLatin1String("layer") && !groups.empty()) {
            if (out->layers.size() >= std::size_t(OpenRaster::kMostLayers))
                return refuse(OpenRasterTexts::tr("The OpenRaster file has more than %1 layers.")
                                  .arg(OpenRaster::kMostLayers));
            const Group &g = groups.back();
            StackLayer s;
            s.layer.name = a.value(QLatin1String("name")).toString();
            s.layer.visible = g.visible && !hidden(a);
            s.layer.opacity = g.opacity * opacityOf(a);
            bool known = true;
            const QStringView op = a.value(QLatin1String("composite-op"));
            s.layer.mode = op.isEmpty() ? BlendMode::Normal : blendModeFromOra(op, &known);
            if (!known && !unknownOps.contains(op.toString()))
                unknownOps.append(op.toString());
            s.layer.locked = a.value(QLatin1String("edit-locked")) == QLatin1String("true");
            s.layer.alphaLocked
                = a.value(QLatin1String("alpha-preserve")) == QLatin1String("true");
            s.layer.selected = a.value(QLatin1String("selected")) == QLatin1String("true");
            s.src = a.value(QLatin1String("src")).toString();
            s.x = g.x + offset(a, QLatin1String("x"));
            s.y = g.y + offset(a, QLatin1String("y"));
            if (!isSafeSrc(s.src))
                return refuse(OpenRasterTexts::tr("The OpenRaster file's layer “%1” names its "
                                                  "pixels “%2”, which is no entry of the archive.")
                                  .arg(s.layer.name, s.src));
            out->layers.push_back(std::move(s));
            r.skipCurrentElement();
        } else {
            r.skipCurrentElement(); // what this program does not know: text, filters, …
        }
    }
    if (r.hasError() || !sawImage)
        return refuse(OpenRasterTexts::tr("The OpenRaster file's layer list is damaged: %1")
                          .arg(r.hasError() ? r.errorString() : QStringLiteral("<image>")));
    if (nested)
        out->notes.append(OpenRasterTexts::tr("Layer groups were flattened into their layers."));
    for (const QString &op : std::as_const(unknownOps))
        out->notes.append(
            OpenRasterTexts::tr("The blend mode %1 is not known here; its layers blend normally.")
                .arg(op));
    return true;
}

// The layer's PNG decoded and placed at its offset on a sheet-sized image.
Outcome readLayer(Archive &archive, const Stack &stack, const StackLayer &s,
                  const OpenRaster::Progress &progress, TiledImage *placed, QString *error)
{
    const auto layerFailure = [&](const QString &reason) {
        return fail(
            error,
            OpenRasterTexts::tr("The layer “%1” could not be read: %2").arg(s.layer.name, reason));
    };
    const std::unique_ptr<QuaZipFile> file = archive.entry(s.src);
    if (!file)
        return layerFailure(OpenRasterTexts::tr("the archive has no entry %1.").arg(s.src));
    CappedDevice png(*file);
    png.setLimit(qint64(1) << 20); // until the header tells more
    const QByteArray head = png.peek(24);
    if (head.size() == 24 && head.mid(12, 4) == "IHDR") {
        const auto *bytes = reinterpret_cast<const uchar *>(head.constData());
        const qint64 w = qFromBigEndian<quint32>(bytes + 16);
        const qint64 h = qFromBigEndian<quint32>(bytes + 20);
        if (w <= Image::kMaxSide && h <= Image::kMaxSide) {
            // Uncompressed 16-bit rows twice over, and room for the chunks around them.
            png.setLimit((qint64(1) << 20) + 2 * (8 * w * h + h));
            // Its tiles, and as much again for those moved off the tile grid.
            const qint64 needed = 8 * w * h;
            const qint64 available = SystemMemory::available();
            if (available >= 0 && needed > available)
                return layerFailure(
                    OpenRasterTexts::tr("it needs about %1 MB of memory, and only %2 MB is free.")
                        .arg(needed >> 20)
                        .arg(available >> 20));
            const QRect onSheet = QRect(int(s.x), int(s.y), int(w), int(h))
                                      .intersected(QRect(0, 0, stack.width, stack.height));
            if (onSheet.isEmpty()) {
                *placed = TiledImage(Size {float(stack.width), float(stack.height)});
                return Outcome::Done;
            }
        }
    }
    TiledImage decoded {Size {}};
    QString reason;
    const Outcome outcome = PngBands::read(png, &decoded, progress, &reason);
    if (outcome == Outcome::Cancelled)
        return outcome;
    if (outcome == Outcome::Failed)
        return layerFailure(png.overLimit() ? tooLargeEntry(s.src) : reason);
    // Pixel (px, py) of the PNG, y up, lands on (px + x, py + H − y − h) of the sheet.
    const float dy = float(stack.height - s.y - decoded.pixelHeight());
    *placed = decoded.reframed(Rect(float(-s.x), -dy, float(stack.width), float(stack.height)));
    if (placed->pixelWidth() == 0)
        return layerFailure(OpenRasterTexts::tr("there is not enough memory."));
    return Outcome::Done;
}
} // namespace

namespace OpenRaster {

Outcome read(QIODevice &device, OraPicture *out, const Progress &progress, QString *error)
{
    if (progress && !progress(0.0))
        return Outcome::Cancelled;
    Archive archive(device);
    if (!archive.open())
        return fail(error, notOpenRaster());
    QByteArray data;
    bool tooLarge = false;
    if (!archive.bytes(QStringLiteral("mimetype"), kLargestMimetype, &data, &tooLarge)
        || data.trimmed() != "image/openraster")
        return fail(error, notOpenRaster());
    if (!archive.bytes(QStringLiteral("stack.xml"), kLargestStack, &data, &tooLarge))
        return fail(error,
                    tooLarge ? tooLargeEntry(QStringLiteral("stack.xml"))
                             : OpenRasterTexts::tr("The OpenRaster file has no readable layer list "
                                                   "(stack.xml)."));
    Stack stack;
    QString message;
    if (!parseStack(data, &stack, &message))
        return fail(error, message);
    data.clear();
    for (const StackLayer &s : stack.layers)
        if (!archive.has(s.src))
            return fail(error,
                        OpenRasterTexts::tr("The OpenRaster file's layer “%1” names its "
                                            "pixels “%2”, which is no entry of the archive.")
                            .arg(s.layer.name, s.src));

    OraPicture picture;
    picture.width = stack.width;
    picture.height = stack.height;
    picture.notes = stack.notes;
    const double count = double(std::max<std::size_t>(stack.layers.size(), 1));
    for (std::size_t i = 0; i < stack.layers.size(); ++i) {
        const auto part = [&](double f) { return !progress || progress((double(i) + f) / count); };
        auto placed = std::make_unique<TiledImage>(Size {});
        const Outcome outcome
            = readLayer(archive, stack, stack.layers[i], part, placed.get(), error);
        if (outcome != Outcome::Done)
            return outcome;
        OraLayer layer = std::move(stack.layers[i].layer);
        layer.image = std::move(placed);
        picture.layers.push_back(std::move(layer));
    }
    if (progress && !progress(1.0))
        return Outcome::Cancelled;
    if (out)
        *out = std::move(picture);
    return Outcome::Done;
}

Outcome read(const QString &path, OraPicture *out, const Progress &progress, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, file.errorString());
    return read(file, out, progress, error);
}

} // namespace OpenRaster
