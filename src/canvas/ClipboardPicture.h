#pragma once

#include <QMimeData>
#include <memory>

class Picture;

// The picture on the clipboard, encoded only when a program asks for it: Copy costs nothing
// but a frozen copy of the picture (its tiles shared until the canvas paints over them), and
// each request encodes from the tiles a band at a time, so the memory it takes is the encoded
// data and a band, never a whole flattened plane. The copy is owned here: X11 asks for the data
// after Copy returns, perhaps after the window has closed.
class ClipboardPicture final : public QMimeData
{
    Q_OBJECT

public:
    // In the order programs are offered them: TIFF, which New from Clipboard prefers, then PNG.
    static const QStringList &imageTypes();

    ClipboardPicture(std::unique_ptr<const Picture> frozen, bool withBG);
    ~ClipboardPicture() override;

    QStringList formats() const override;
    bool hasFormat(const QString &mimeType) const override;

    // What one request may need at most: its encoded data (painted tiles taken as incompressible,
    // blank rows and paper as highly compressible), room for the buffer to grow, and the bands
    // being compressed.
    static qint64 bytesNeeded(const Picture &picture, bool withBG);
    // Memory the process can still have: what the system has free (swap included), within
    // the process's address-space limit.
    static qint64 bytesAvailable();

    // The encoded data, made anew on each request (nothing is kept between requests); empty,
    // with a beep, when it cannot be made.
    QByteArray encode(const QString &mimeType) const;

protected:
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override;

private:
    std::unique_ptr<const Picture> mPicture;
    bool mWithBG = false;
};
