// Truncation checks for the formats whose Qt reader fills in what a cut-off file lacks (grey
// JPEG blocks, black BMP rows, blank GIF and XBM pixels) and reports success.
#include "ImageCodec.h"

#include <QtEndian>
#include <cstdlib>
#include <limits>

namespace {
using Bytes = const uchar *;

// Walks the markers to the end-of-image marker. Segments are skipped by their length, so
// thumbnails inside metadata do not count; scan data runs to the next marker that is neither a
// stuffed 0xFF nor a restart. Stray bytes between segments are skipped as libjpeg does.
bool jpegComplete(Bytes p, qsizetype n)
{
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
bool bmpComplete(Bytes p, qsizetype n)
{
    if (n < 26 || p[0] != 'B' || p[1] != 'M')
        return true;
    const qint64 dataOffset = qFromLittleEndian<quint32>(p + 10);
    const quint32 headerSize = qFromLittleEndian<quint32>(p + 14);
    qint64 width = 0;
    qint64 height = 0;
    qint64 bitsPerPixel = 0;
    quint32 compression = 0;
    if (headerSize == 12) {
        width = qFromLittleEndian<quint16>(p + 18);
        height = qFromLittleEndian<quint16>(p + 20);
        bitsPerPixel = qFromLittleEndian<quint16>(p + 24);
    } else if (headerSize >= 40 && n >= 34) {
        width = std::abs(qint64(qFromLittleEndian<qint32>(p + 18)));
        height = std::abs(qint64(qFromLittleEndian<qint32>(p + 22)));
        bitsPerPixel = qFromLittleEndian<quint16>(p + 28);
        compression = qFromLittleEndian<quint32>(p + 30);
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
bool skipSubBlocks(Bytes p, qsizetype n, qsizetype &i)
{
    while (i < n) {
        const uchar size = p[i++];
        if (size == 0)
            return true;
        i += size;
    }
    return false;
}

// The first picture's data must end with its terminating block; Qt reads no further.
bool gifComplete(Bytes p, qsizetype n)
{
    if (n < 13 || qstrncmp(reinterpret_cast<const char *>(p), "GIF", 3) != 0)
        return true;
    qsizetype i = 13;
    if (p[10] & 0x80)
        i += 3 * (qsizetype(1) << ((p[10] & 7) + 1));
    while (i < n) {
        const uchar block = p[i++];
        if (block == 0x21) {
            ++i; // label
            if (!skipSubBlocks(p, n, i))
                return false;
        } else if (block == 0x2C) {
            if (i + 9 > n)
                return false;
            const uchar flags = p[i + 8];
            i += 9;
            if (flags & 0x80)
                i += 3 * (qsizetype(1) << ((flags & 7) + 1));
            ++i; // LZW code size
            return skipSubBlocks(p, n, i);
        } else {
            return true; // trailer or unknown block: the reader decides
        }
    }
    return false;
}

bool xbmComplete(const QByteArray &data)
{
    const auto open = data.indexOf('{');
    return open < 0 || data.indexOf('}', open) > open;
}
} // namespace

bool ImageCodec::isComplete(const QByteArray &data, const QByteArray &format)
{
    const auto *p = reinterpret_cast<Bytes>(data.constData());
    const qsizetype n = data.size();
    if (format == "jpeg" || format == "jpg")
        return jpegComplete(p, n);
    if (format == "bmp")
        return bmpComplete(p, n);
    if (format == "gif")
        return gifComplete(p, n);
    if (format == "xbm")
        return xbmComplete(data);
    return true;
}
