#include "PastedImage.h"

#include "Image.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>

namespace {
QString localFile(const QMimeData *data)
{
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}
} // namespace

// The size is looked at before any pixel is decoded: a header claiming a huge image costs
// nothing.
PastedImage::Reading PastedImage::readFrom(QImageReader &reader)
{
    const QSize size = reader.size();
    if (size.isValid() && !Image::isValidSize({float(size.width()), float(size.height())}))
        return {{}, tr("The image is too large for a picture.")};
    QImage image = reader.read();
    if (image.isNull())
        return {{}, tr("The image could not be read: %1").arg(reader.errorString())};
    if (!Image::isValidSize({float(image.width()), float(image.height())}))
        return {{}, tr("The image is too large for a picture.")};
    return {image, {}};
}

const QStringList &PastedImage::imageTypes()
{
    static const QStringList types
        = {QStringLiteral("image/tiff"), QStringLiteral("image/png"), QStringLiteral("image/jpeg"),
           QStringLiteral("image/bmp"), QStringLiteral("image/gif")};
    return types;
}

bool PastedImage::isOffered(const QMimeData *data)
{
    if (!data)
        return false;
    for (const QString &type : imageTypes())
        if (data->hasFormat(type))
            return true;
    return data->hasImage() || !localFile(data).isEmpty();
}

PastedImage::Reading PastedImage::read(const QMimeData *data)
{
    if (!data)
        return {{}, tr("There is no image to paste.")};
    Reading last {{}, tr("What was offered is not an image.")};
    // A program may offer a type it encodes badly beside one that reads: the first that does.
    for (const QString &type : imageTypes()) {
        if (!data->hasFormat(type))
            continue;
        QBuffer buffer;
        buffer.setData(data->data(type));
        QImageReader reader(&buffer, type.mid(6).toLatin1());
        last = readFrom(reader);
        if (!last.image.isNull())
            return last;
    }
    if (data->hasImage()) {
        const QImage image = qvariant_cast<QImage>(data->imageData());
        if (!image.isNull() && Image::isValidSize({float(image.width()), float(image.height())}))
            return {image, {}};
    }
    const QString path = localFile(data);
    return path.isEmpty() ? last : readFile(path);
}

PastedImage::Reading PastedImage::readFile(const QString &path)
{
    // A pipe or a device would never end; a folder is no image.
    if (!QFileInfo(path).isFile())
        return {{}, tr("“%1” is not an image file.").arg(QFileInfo(path).fileName())};
    QImageReader reader(path);
    if (!reader.canRead())
        return {{}, tr("“%1” is not an image file.").arg(QFileInfo(path).fileName())};
    return readFrom(reader);
}
