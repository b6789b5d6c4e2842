#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QString>
#include <QStringList>

class QImageReader;
class QMimeData;

// An image offered by the clipboard or a drop, read to be pasted: encoded image data in the
// types Qt reads, an image Qt passed along itself, or a local image file.
class PastedImage
{
    Q_DECLARE_TR_FUNCTIONS(PastedImage)

public:
    // The encoded types taken, in order of preference: TIFF keeps what the copying program had
    // best; PNG is what browsers and most other programs offer.
    static const QStringList &imageTypes();
    // Whether data offers an image or a file that may be one.
    static bool isOffered(const QMimeData *data);

    struct Reading
    {
        QImage image; // null when refused
        QString refusal; // why, for the user
    };
    // The first offer that reads as an image of a size a picture can have.
    static Reading read(const QMimeData *data);
    static Reading readFile(const QString &path);

private:
    static Reading readFrom(QImageReader &reader);
};
