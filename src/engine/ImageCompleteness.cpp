// Truncation checks for the formats whose Qt reader fills in what a cut-off file lacks (grey
// JPEG blocks, black BMP rows, blank GIF and XBM pixels) and reports success.
#include "ImageCodec.h"

#include <QBuffer>
#include <cstdlib>
#include <limits>

namespace {
// A device's bytes by index, read through a window, so that a file is scanned without being
// held whole. Past the end, or where reading fails, they read as 0.
class Bytes
{
public:
    explicit Bytes(QIODevice &device)
        : mDevice(device)
        , mSize(device.size())
    {
    }
    qsizetype size() const { return mSize; }
    uchar operator[](qsizetype i)
    {
        if (i < mStart || i >= mStart + mWindow.size())
            load(i);
        return i >= mStart && i < mStart + mWindow.size() ? uchar(mWindow.at(i - mStart)) : 0;
    }
    quint32 le32(qsizetype i) { return le16(i) | quint32(le16(i + 2)) << 16; }
    quint16 le16(qsizetype i) { return quint16((*this)[i] | (*this)[i + 1] << 8); }

private:
    static constexpr qint64 kWindow = 1 << 16;
    void load(qsizetype i)
    {
        mStart = i;
        mWindow = i < mSize && mDevice.seek(i) ? mDevice.read(kWindow) : QByteArray();
    }

    QIODevice &mDevice;
    qsizetype mSize;
    qsizetype mStart = 0;
    QByteArray mWindow;
};

// Walks the markers to the end-of-image marker. Segments are skipped by their length, so
// thumbnails inside metadata do not count; scan data runs to the next marker that is neither a
// stuffed 0xFF nor a restart. Stray bytes between segments are skipped as libjpeg does.
bool jpegComplete(Bytes &p)
{
    const qsizetype n = p.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return true; // not JPEG after all: the reader decides
    qsizetype i = 2;
    while (i < n) {
        while (i < n && p[i] != 0xFF)
            ++i;
        while (i < n && p[i] == 0xFF)
            ++i;
        if (i >= n)
            return false;
        const uchar marker = p[i++];
        if (marker == 0xD9)
            return true;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (i + 2 > n)
            return false;
        const qsizetype length = (qsizetype(p[i]) << 8) | p[i + 1];
        if (length < 2)
            return true;
        i += length;
        if (marker != 0xDA)
            continue;
        while (i + 1 < n
               && !(p[i] == 0xFF && p[i + 1] != 0x00 && !(p[i + 1] >= 0xD0 && p[i + 1] <= 0xD7)))
            ++i;
        if (i + 1 >= n)
            return false;
    }
    return false;
}

// Uncompressed and bit-field BMPs must hold every row their header announces.
bool bmpComplete(Bytes &p)
{
    const qsizetype n = p.size();
    if (n < 26 || p[0] != 'B' || p[1] != 'M')
        return true;
    const qint64 dataOffset = p.le32(10);
    const quint32 headerSize = p.le32(14);
    qint64 width = 0;
    qint64 height = 0;
    qint64 bitsPerPixel = 0;
    quint32 compression = 0;
    if (headerSize == 12) {
        width = p.le16(18);
        height = p.le16(20);
        bitsPerPixel = p.le16(24);
    } else if (headerSize >= 40 && n >= 34) {
        width = std::abs(qint64(qint32(p.le32(18))));
        height = std::abs(qint64(qint32(p.le32(22))));
        bitsPerPixel = p.le16(28);
        compression = p.le32(30);
    } else {
        return true;
    }
    constexpr quint32 kRgb = 0, kBitFields = 3, kAlphaBitFields = 6;
    if (compression != kRgb && compression != kBitFields && compression != kAlphaBitFields)
        return true; // run-length data has no fixed size
    const qint64 rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    if (height > 0 && rowBytes > (std::numeric_limits<qint64>::max() - dataOffset) / height)
        return false;
    return n >= dataOffset + rowBytes * height;
}

// Sub-blocks from i up to their terminator; false when the data ends first.
bool skipSubBlocks(Bytes &p, qsizetype &i)
{
    const qsizetype n = p.size();
    while (i < n) {
        const uchar size = p[i++];
        if (size == 0)
            return true;
        i += size;
    }
    return false;
}

// The first picture's data must end with its terminating block; Qt reads no further.
bool gifComplete(Bytes &p)
{
    const qsizetype n = p.size();
    if (n < 13 || p[0] != 'G' || p[1] != 'I' || p[2] != 'F')
        return true;
    qsizetype i = 13;
    if (p[10] & 0x80)
        i += 3 * (qsizetype(1) << ((p[10] & 7) + 1));
    while (i < n) {
        const uchar block = p[i++];
        if (block == 0x21) {
            ++i; // label
            if (!skipSubBlocks(p, i))
                return false;
        } else if (block == 0x2C) {
            if (i + 9 > n)
                return false;
            const uchar flags = p[i + 8];
            i += 9;
            if (flags & 0x80)
                i += 3 * (qsizetype(1) << ((flags & 7) + 1));
            ++i; // LZW code size
            return skipSubBlocks(p, i);
        } else {
            return true; // trailer or unknown block: the reader decides
        }
    }
    return false;
}

bool xbmComplete(Bytes &p)
{
    qsizetype i = 0;
    while (i < p.size() && p[i] != '{')
        ++i;
    if (i == p.size())
        return true;
    while (i < p.size() && p[i] != '}')
        ++i;
    return i < p.size();
}
} // namespace

bool ImageCodec::isComplete(QIODevice &device, const QByteArray &format)
{
    const qint64 start = device.pos();
    Bytes p(device);
    bool complete = true;
    if (format == "jpeg" || format == "jpg")
        complete = jpegComplete(p);
    else if (format == "bmp")
        complete = bmpComplete(p);
    else if (format == "gif")
        complete = gifComplete(p);
    else if (format == "xbm")
        complete = xbmComplete(p);
    device.seek(start);
    return complete;
}

bool ImageCodec::isComplete(const QByteArray &data, const QByteArray &format)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return isComplete(buffer, format);
}
