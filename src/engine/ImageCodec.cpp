#include "ImageCodec.h"

#include "Image.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QtEndian>
#include <algorithm>

namespace {
// The texts of this file, in the string table under "ImageCodec".
struct ImageCodecTexts
{
    Q_DECLARE_TR_FUNCTIONS(ImageCodec)
};

QImage fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return {};
}

// Qt refuses pictures over 128 MB by default, about 5800 pixels square. Every sheet must open:
// up to the largest side squared, at 8 bytes a pixel for the 16-bit formats.
void allowEverySheetSize()
{
    constexpr qint64 bytes = qint64(Image::kMaxSide) * Image::kMaxSide * 8;
    constexpr int megabytes = int((bytes + (1 << 20) - 1) >> 20);
    if (QImageReader::allocationLimit() < megabytes)
        QImageReader::setAllocationLimit(megabytes);
}

bool holdable(QSize size)
{
    return Image::isValidSize(Size {float(size.width()), float(size.height())});
}

QString tooLarge(QSize size)
{
    return ImageCodecTexts::tr(
               "The picture is %1 × %2 pixels; a sheet can be at most %3 pixels wide and high.")
        .arg(size.width())
        .arg(size.height())
        .arg(Image::kMaxSide);
}

QString damaged()
{
    return ImageCodecTexts::tr("The picture's data is damaged or incomplete.");
}

QString notAPicture()
{
    return ImageCodecTexts::tr("The data is not a picture in any format Inkpond can read.");
}

// PNG's "quality" in Qt is only its compression effort; the lossy quality is not for it.
bool takesLossyQuality(const QImageWriter &writer, const QByteArray &extension)
{
    return writer.supportsOption(QImageIOHandler::Quality) && extension != "png";
}

// Qt cannot leave the resolution out of a BMP file (a resolution of 0 cannot be set on a
// QImage), so the header's two pixels-per-metre fields are zeroed: "not given".
void clearBmpResolution(QByteArray &bmp)
{
    constexpr int kInfoHeader = 14;
    if (bmp.size() < kInfoHeader + 40 || !bmp.startsWith("BM")
        || qFromLittleEndian<quint32>(bmp.constData() + kInfoHeader) < 40)
        return;
    std::fill(bmp.begin() + kInfoHeader + 24, bmp.begin() + kInfoHeader + 32, '\0');
}

// Decodes by content, or as the format when one is given; *format tells what was tried.
QImage decodeAs(QIODevice &device, const QByteArray &formatName, QByteArray *format, QString *error)
{
    QImageReader reader(&device, formatName);
    reader.setDecideFormatFromContent(formatName.isEmpty());
    const bool readable = reader.canRead();
    *format = reader.format();
    if (!readable)
        return fail(error,
                    reader.error() == QImageReader::UnsupportedFormatError ? notAPicture()
                                                                           : damaged());

    // From the header alone: a picture that cannot be held is never decoded.
    const QSize announced = reader.size();
    if (announced.isValid() && !holdable(announced))
        return fail(error, tooLarge(announced));
    if (!ImageCodec::isComplete(device, *format))
        return fail(error, damaged());

    reader.setAutoTransform(true);
    QImage image;
    if (!reader.read(&image)) {
        switch (reader.error()) {
        case QImageReader::UnsupportedFormatError:
            return fail(error, notAPicture());
        case QImageReader::InvalidDataError:
            return fail(error, damaged());
        default:
            return fail(error,
                        ImageCodecTexts::tr("The picture could not be decoded: %1")
                            .arg(reader.errorString()));
        }
    }
    if (!holdable(image.size()))
        return fail(error, tooLarge(image.size()));
    const QSize size = image.size();
    image = std::move(image).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return fail(
            error,
            ImageCodecTexts::tr("There is not enough memory for a picture of %1 × %2 pixels.")
                .arg(size.width())
                .arg(size.height()));
    return image;
}
} // namespace

namespace ImageCodec {

bool takesQuality(const QByteArray &extension)
{
    const QByteArray format = extension.toLower();
    return format == "jpg" || format == "jpeg" || format == "webp";
}

bool isOpaqueFormat(const QByteArray &extension)
{
    static const QList<QByteArray> kOpaque {"jpg", "jpeg", "bmp", "dib", "ppm", "pgm", "pbm"};
    return kOpaque.contains(extension.toLower());
}

QByteArray encode(QImage image, const QByteArray &extension, int quality, QString *error)
{
    const QByteArray format = extension.toLower();
    if (image.isNull()) {
        fail(error, ImageCodecTexts::tr("There is no picture to write."));
        return {};
    }
    // These writers drop alpha, which would leave transparent paper black.
    if (isOpaqueFormat(format) && image.hasAlphaChannel()) {
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
        painter.end();
        image = std::move(flat);
    }
    // -1: no resolution (0 cannot be set). PNG and WebP then write none, JPEG and TIFF write 0.
    image.setDotsPerMeterX(-1);
    image.setDotsPerMeterY(-1);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.canWrite()) {
        fail(error,
             ImageCodecTexts::tr("Inkpond cannot write pictures with the extension “%1”.")
                 .arg(QString::fromLatin1(format)));
        return {};
    }
    if (takesLossyQuality(writer, format))
        writer.setQuality(quality);
    if (!writer.write(image)) {
        fail(error, writer.errorString());
        return {};
    }
    if (format == "bmp" || format == "dib")
        clearBmpResolution(data);
    return data;
}

QImage decode(const QByteArray &data, const QByteArray &formatHint, QString *error)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return decode(buffer, formatHint, error);
}

QImage decode(QIODevice &device, const QByteArray &formatHint, QString *error)
{
    allowEverySheetSize();
    const qint64 start = device.pos();
    QByteArray format;
    QImage image = decodeAs(device, QByteArray(), &format, error);
    // A Targa file has no signature; its first bytes may even look like a Windows cursor.
    if (image.isNull() && !formatHint.isEmpty() && formatHint.toLower() != format
        && device.seek(start)) {
        QString hintedError;
        QImage hinted = decodeAs(device, formatHint.toLower(), &format, &hintedError);
        if (!hinted.isNull())
            return hinted;
    }
    return image;
}

} // namespace ImageCodec
