#include "TiffBands.h"

#include <QCoreApplication>
#include <QtEndian>
#include <algorithm>
#include <climits>
#include <new>
#include <vector>
#include <zlib.h>

namespace {
// The texts of this file, in the string table under "TiffBands".
struct TiffBandsTexts
{
    Q_DECLARE_TR_FUNCTIONS(TiffBands)
};

enum : quint16 { kShort = 3, kLong = 4 };

// Compresses one strip as its own zlib stream, as TIFF's Deflate wants, appending to out.
bool deflateStrip(const uchar *data, qsizetype size, QByteArray &out)
{
    z_stream z {};
    // Level 1 with run-length matching: after the predictor most bytes are zero runs, and the
    // clipboard's reader waits for this on the window's thread.
    if (deflateInit2(&z, 1, Z_DEFLATED, 15, 9, Z_RLE) != Z_OK)
        return false;
    z.next_in = const_cast<uchar *>(data);
    z.avail_in = uInt(size);
    uchar chunk[1 << 16];
    int status = Z_OK;
    while (status == Z_OK) {
        z.next_out = chunk;
        z.avail_out = sizeof chunk;
        status = deflate(&z, Z_FINISH);
        if (status == Z_STREAM_ERROR)
            break;
        out.append(reinterpret_cast<const char *>(chunk), qsizetype(sizeof chunk - z.avail_out));
    }
    deflateEnd(&z);
    return status == Z_STREAM_END;
}

void putShort(QByteArray &out, quint16 v)
{
    uchar b[2];
    qToLittleEndian(v, b);
    out.append(reinterpret_cast<const char *>(b), 2);
}

void putLong(QByteArray &out, quint32 v)
{
    uchar b[4];
    qToLittleEndian(v, b);
    out.append(reinterpret_cast<const char *>(b), 4);
}

void putEntry(QByteArray &out, quint16 tag, quint16 type, quint32 count, quint32 value)
{
    putShort(out, tag);
    putShort(out, type);
    putLong(out, count);
    if (type == kShort && count == 1) {
        putShort(out, quint16(value));
        putShort(out, 0);
    } else {
        putLong(out, value);
    }
}

QString failure()
{
    return TiffBandsTexts::tr("The picture could not be written as TIFF.");
}
} // namespace

namespace TiffBands {

QByteArray encode(int width, int height, int bandRows, const PngBands::BandSource &band,
                  QString *error)
{
    if (error)
        error->clear();
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return QByteArray();
    };
    if (width <= 0 || height <= 0 || width > INT_MAX / 4)
        return fail(failure());
    const int rowsPerStrip = std::clamp(bandRows, 1, height);
    const qsizetype rowBytes = qsizetype(width) * 4;
    try {
        QByteArray out("II*\0\0\0\0\0", 8); // the directory's offset is filled in at the end
        std::vector<quint32> offsets;
        std::vector<quint32> counts;
        std::vector<uchar> strip;
        QByteArray blankStrip;
        for (int top = 0; top < height; top += rowsPerStrip) {
            const int rows = std::min(rowsPerStrip, height - top);
            QImage pixels = band(top, rows);
            if (pixels.isNull() || pixels.width() != width || pixels.height() < rows)
                return fail(failure());
            // Same depth: converted where it lies, no second band.
            pixels.convertTo(QImage::Format_RGBA8888_Premultiplied);
            strip.resize(std::size_t(rowBytes) * std::size_t(rows));
            for (int y = 0; y < rows; ++y) {
                const uchar *in = pixels.constScanLine(y);
                uchar *row = strip.data() + y * rowBytes;
                // Horizontal predictor: each sample less the same sample of the pixel before.
                row[0] = in[0], row[1] = in[1], row[2] = in[2], row[3] = in[3];
                for (qsizetype i = 4; i < rowBytes; ++i)
                    row[i] = uchar(in[i] - in[i - 4]);
            }
            pixels = QImage();
            const qsizetype start = out.size();
            // Transparent strips, most of a large drawing, compress to the same bytes: once.
            const bool blank = rows == rowsPerStrip
                && std::all_of(strip.begin(), strip.end(), [](uchar b) { return b == 0; });
            if (blank && !blankStrip.isEmpty()) {
                out.append(blankStrip);
            } else {
                if (!deflateStrip(strip.data(), qsizetype(strip.size()), out))
                    return fail(failure());
                if (blank)
                    blankStrip = out.mid(start);
            }
            if (out.size() >= qsizetype(UINT_MAX) - 1024)
                return fail(TiffBandsTexts::tr("The picture is too large for a TIFF file."));
            offsets.push_back(quint32(start));
            counts.push_back(quint32(out.size() - start));
        }
        if (out.size() % 2)
            out.append('\0'); // every offset a word boundary
        const quint32 strips = quint32(offsets.size());
        auto putArray = [&out, strips](const std::vector<quint32> &values) -> quint32 {
            if (strips == 1)
                return values.front(); // held in the entry itself
            const quint32 at = quint32(out.size());
            for (quint32 v : values)
                putLong(out, v);
            return at;
        };
        const quint32 offsetsAt = putArray(offsets);
        const quint32 countsAt = putArray(counts);
        const quint32 bitsAt = quint32(out.size());
        for (int i = 0; i < 4; ++i)
            putShort(out, 8);
        const quint32 directory = quint32(out.size());
        qToLittleEndian(directory, reinterpret_cast<uchar *>(out.data()) + 4);
        constexpr quint16 kEntries = 11;
        putShort(out, kEntries);
        putEntry(out, 256, kLong, 1, quint32(width)); // ImageWidth
        putEntry(out, 257, kLong, 1, quint32(height)); // ImageLength
        putEntry(out, 258, kShort, 4, bitsAt); // BitsPerSample
        putEntry(out, 259, kShort, 1, 8); // Compression: Deflate
        putEntry(out, 262, kShort, 1, 2); // PhotometricInterpretation: RGB
        putEntry(out, 273, kLong, strips, offsetsAt); // StripOffsets
        putEntry(out, 277, kShort, 1, 4); // SamplesPerPixel
        putEntry(out, 278, kLong, 1, quint32(rowsPerStrip)); // RowsPerStrip
        putEntry(out, 279, kLong, strips, countsAt); // StripByteCounts
        putEntry(out, 317, kShort, 1, 2); // Predictor: horizontal
        putEntry(out, 338, kShort, 1, 1); // ExtraSamples: associated alpha
        putLong(out, 0); // no further directory
        return out;
    } catch (const std::bad_alloc &) {
        return fail(failure());
    }
}

} // namespace TiffBands
