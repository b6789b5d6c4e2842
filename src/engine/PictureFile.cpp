#include "PictureFile.h"

#include "ImageCodec.h"
#include "SystemMemory.h"
#include "Image.h"
#include "TiledImage.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QTextStream>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstring>
#include <new>
#include <zlib.h>

namespace {
// The texts of this file, in the string table under "PictureFile".
struct PictureFileTexts
{
    Q_DECLARE_TR_FUNCTIONS(PictureFile)
};

using PictureFile::Outcome;

Outcome fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return Outcome::Failed;
}

bool tell(const PngBands::Progress &progress, double fraction)
{
    return !progress || progress(fraction);
}

QString damaged()
{
    return PictureFileTexts::tr("The picture's data is damaged or incomplete.");
}

QString notEnoughMemory(int width, int height)
{
    return PictureFileTexts::tr("There is not enough memory for a picture of %1 × %2 pixels.")
        .arg(width)
        .arg(height);
}

bool isSvgFormat(const QByteArray &format)
{
    const QByteArray f = format.toLower();
    return f == "svg" || f == "svgz";
}

// Whether Qt's drawing reader could take the data for its own: it claims anything gzipped, and
// text that starts with markup once a byte-order mark and blanks are passed.
bool mayBeDrawing(const QByteArray &head)
{
    if (head.startsWith("\x1f\x8b"))
        return true;
    QByteArray start = head.left(64);
    QTextStream text(&start, QIODevice::ReadOnly);
    return text.read(16).trimmed().startsWith(QLatin1Char('<'));
}

// What Qt's readers see in the content's header, the device left where it was: the format, and
// the size when the header tells it.
struct Header
{
    QByteArray format;
    QSize size;
};

Header peekHeader(QIODevice &device)
{
    const qint64 start = device.pos();
    Header header;
    {
        QImageReader reader(&device);
        reader.setDecideFormatFromContent(true);
        header.format = reader.format();
        header.size = reader.size();
    }
    device.seek(start);
    return header;
}

// gzip (svgz) to the document it holds, at most kLargestSvg of it.
bool gunzip(const QByteArray &in, QByteArray *out)
{
    z_stream z {};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK)
        return false;
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
    z.avail_in = uInt(in.size());
    QByteArray result;
    char chunk[1 << 16];
    int status = Z_OK;
    while (status == Z_OK) {
        z.next_out = reinterpret_cast<Bytef *>(chunk);
        z.avail_out = sizeof chunk;
        status = inflate(&z, Z_NO_FLUSH);
        result.append(chunk, qsizetype(sizeof chunk - z.avail_out));
        if (result.size() > PictureFile::kLargestSvg)
            status = Z_MEM_ERROR;
    }
    inflateEnd(&z);
    *out = std::move(result);
    return status == Z_STREAM_END;
}

Outcome readSvg(QIODevice &device, TiledImage *image, const PngBands::Progress &progress,
                QString *error)
{
    QByteArray data = device.read(PictureFile::kLargestSvg + 1);
    if (data.size() > PictureFile::kLargestSvg)
        return fail(error, PictureFileTexts::tr("The drawing is too large to be read."));
    if (data.startsWith("\x1f\x8b") && !gunzip(data, &data))
        return fail(error, damaged());
    const QString reference = PictureFile::svgExternalReference(data);
    if (reference == QLatin1String("?"))
        return fail(error, damaged());
    if (!reference.isEmpty())
        return fail(error,
                    PictureFileTexts::tr("The drawing refers to another file (%1), which Inkpond "
                                         "does not read.")
                        .arg(reference.left(200)));

    // Rendered again for every band: no more than a band of pixels is ever held.
    const auto renderer = [&data](QImageReader &reader, QBuffer &buffer) {
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
        reader.setFormat("svg");
    };
    QBuffer sizeBuffer;
    QImageReader sizeReader;
    renderer(sizeReader, sizeBuffer);
    const QSize size = sizeReader.size();
    if (!size.isValid() || size.isEmpty())
        return fail(error, damaged());
    const Size sheet {float(size.width()), float(size.height())};
    if (!Image::isValidSize(sheet))
        return fail(error,
                    PictureFileTexts::tr("The picture is %1 × %2 pixels; a sheet can be at most "
                                         "%3 pixels wide and high.")
                        .arg(size.width())
                        .arg(size.height())
                        .arg(Image::kMaxSide));
    TiledImage tiles(sheet);
    for (int top = 0; top < size.height(); top += PictureFile::kSvgBandRows) {
        if (!tell(progress, double(top) / size.height()))
            return Outcome::Cancelled;
        const int rows = std::min(PictureFile::kSvgBandRows, size.height() - top);
        QBuffer buffer;
        QImageReader reader;
        renderer(reader, buffer);
        reader.setClipRect(QRect(0, top, size.width(), rows));
        QImage band;
        if (!reader.read(&band))
            return fail(error, damaged());
        band = std::move(band).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (band.isNull())
            return fail(error, notEnoughMemory(size.width(), size.height()));
        if (band.size() != QSize(size.width(), rows))
            return fail(error, damaged());
        if (!tiles.setRows(top, band))
            return fail(error, notEnoughMemory(size.width(), size.height()));
    }
    if (!tell(progress, 1.0))
        return Outcome::Cancelled;
    if (image)
        *image = std::move(tiles);
    return Outcome::Done;
}

// What no reader of the format offers to read in bands: decoded whole, then cut into tiles.
Outcome readWhole(QIODevice &device, const QByteArray &formatHint, TiledImage *image,
                  const PngBands::Progress &progress, QString *error)
{
    if (!tell(progress, 0.0))
        return Outcome::Cancelled;
    // Refused before the plane is allocated: memory promised by the system but not there would
    // end the process, and every open picture with it, once the decoder filled it.
    const QSize size = peekHeader(device).size;
    if (size.isValid() && size.width() <= Image::kMaxSide
        && size.height() <= Image::kMaxSide) {
        // The decoded plane, and as much again for its tiles and the reader's own copy.
        const qint64 needed = qint64(size.width()) * size.height() * 4 * 2;
        const qint64 available = SystemMemory::available();
        if (available >= 0 && needed > available)
            return fail(error,
                        PictureFileTexts::tr("Opening a picture of %1 × %2 pixels needs about "
                                             "%3 MB of memory, and only %4 MB is free.")
                            .arg(size.width())
                            .arg(size.height())
                            .arg(needed >> 20)
                            .arg(available >> 20));
    }
    // The hint never makes data that is no drawing by content an SVG: it would not be checked.
    QImage whole
        = ImageCodec::decode(device, isSvgFormat(formatHint) ? QByteArray() : formatHint, error);
    if (whole.isNull())
        return Outcome::Failed;
    if (!tell(progress, 0.5))
        return Outcome::Cancelled;
    TiledImage tiles(Size {float(whole.width()), float(whole.height())});
    if (!tiles.setPixels(whole))
        return fail(error, notEnoughMemory(whole.width(), whole.height()));
    whole = QImage();
    if (!tell(progress, 1.0))
        return Outcome::Cancelled;
    if (image)
        *image = std::move(tiles);
    return Outcome::Done;
}
// A reference that stays inside the document: to an element of its own, or data carried in
// it that is no drawing (an embedded drawing would be read with its own references unchecked).
bool isOwnReference(QStringView target)
{
    if (target.isEmpty() || target.startsWith(QLatin1Char('#')))
        return true;
    // Exactly as Qt's renderer tells data from a file name, whose data is where "base64,"
    // last appears (or, as a data address is read elsewhere, after the first comma).
    if (!target.startsWith(QLatin1String("data:")))
        return false;
    const QByteArray address = target.toLatin1();
    const qsizetype comma = address.indexOf(',');
    const qsizetype base64 = address.lastIndexOf("base64,");
    const QByteArray carried[] = {
        QByteArray::fromBase64(address.mid(base64 < 0 ? address.size() : base64 + 7)),
        QByteArray::fromBase64(address.mid(comma + 1)),
        QByteArray::fromPercentEncoding(address.mid(comma + 1))};
    return std::none_of(std::begin(carried), std::end(carried),
                        [](const QByteArray &data) { return mayBeDrawing(data.left(64)); });
}
} // namespace

namespace PictureFile {

Outcome read(QIODevice &device, const QByteArray &formatHint, TiledImage *image,
             const PngBands::Progress &progress, QString *error)
{
    const QByteArray head = device.peek(64);
    if (head.size() >= 8 && std::memcmp(head.constData(), "\x89PNG\r\n\x1a\n", 8) == 0)
        return PngBands::read(device, image, progress, error);
    // Decided before any Qt reader sees the data: asking Qt's drawing reader even for the
    // format's header makes it load the whole drawing, and every file the drawing names.
    if (mayBeDrawing(head))
        return readSvg(device, image, progress, error);
    const QByteArray format = peekHeader(device).format;
    if (isSvgFormat(format) || (format.isEmpty() && isSvgFormat(formatHint)))
        return readSvg(device, image, progress, error);
    return readWhole(device, formatHint, image, progress, error);
}

QString svgExternalReference(const QByteArray &svg)
{
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::DTD:
            // Entities of the document's own are expanded by the same parser Qt's renderer
            // uses, and so checked below; those kept in other files are not.
            for (const QXmlStreamEntityDeclaration &entity : xml.entityDeclarations())
                if (!entity.systemId().isEmpty() || !entity.publicId().isEmpty()
                    || !entity.notationName().isEmpty())
                    return entity.systemId().isEmpty() ? entity.name().toString()
                                                       : entity.systemId().toString();
            break;
        case QXmlStreamReader::EntityReference:
            return QLatin1Char('&') + xml.name().toString() + QLatin1Char(';');
        case QXmlStreamReader::ProcessingInstruction:
            // Qt's renderer reads the style sheet such an instruction names.
            if (xml.processingInstructionTarget() == QLatin1String("xml-stylesheet"))
                return xml.processingInstructionData().trimmed().toString();
            break;
        case QXmlStreamReader::StartElement:
            for (const QXmlStreamAttribute &attribute : xml.attributes())
                if (attribute.name() == QLatin1String("href")
                    && !isOwnReference(attribute.value().trimmed()))
                    return attribute.value().trimmed().toString();
            break;
        default:
            break;
        }
    }
    return xml.hasError() ? QStringLiteral("?") : QString();
}

} // namespace PictureFile
