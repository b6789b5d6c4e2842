#include "PngDeflate.h"

#include <QRgb>
#include <algorithm>
#include <cstring>
#include <new>
#include <zlib.h>

namespace {
constexpr int kOutStep = 1 << 16;
constexpr int kWindow = 1 << 15;

// Runs deflate over what next_in holds with that flush, growing out as it needs.
bool pump(z_stream &z, int flush, std::vector<uchar> &out)
{
    for (;;) {
        const std::size_t used = out.size();
        out.resize(used + kOutStep);
        z.next_out = out.data() + used;
        z.avail_out = kOutStep;
        const int status = deflate(&z, flush);
        out.resize(used + kOutStep - z.avail_out);
        if (status == Z_STREAM_ERROR)
            return false;
        if (flush == Z_FINISH ? status == Z_STREAM_END : z.avail_in == 0 && z.avail_out != 0)
            return true;
    }
}

// zeros of `bytes`, alone in a stream of their own, ended on a byte boundary.
std::vector<uchar> clearSegment(qint64 bytes)
{
    std::vector<uchar> out;
    z_stream z {};
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return out;
    const std::vector<uchar> zeros(std::size_t(std::min<qint64>(bytes, 1 << 20)), 0);
    bool ok = true;
    for (qint64 left = bytes; left > 0 && ok;) {
        const auto n = uInt(std::min<qint64>(left, qint64(zeros.size())));
        z.next_in = const_cast<Bytef *>(zeros.data());
        z.avail_in = n;
        ok = pump(z, Z_NO_FLUSH, out);
        left -= n;
    }
    ok = ok && pump(z, Z_SYNC_FLUSH, out);
    deflateEnd(&z);
    if (!ok)
        out.clear();
    return out;
}

bool isClear(const QRgb *row, int width)
{
    for (int x = 0; x < width; ++x)
        if (row[x])
            return false;
    return true;
}

// Unpremultiplied ARGB32 to RGBA bytes, each less the one four before it (Sub).
void filterRow(const QRgb *row, int width, uchar *out)
{
    *out++ = 1;
    uint pr = 0, pg = 0, pb = 0, pa = 0;
    for (int x = 0; x < width; ++x) {
        const QRgb p = row[x];
        const uint r = qRed(p), g = qGreen(p), b = qBlue(p), a = qAlpha(p);
        out[0] = uchar(r - pr);
        out[1] = uchar(g - pg);
        out[2] = uchar(b - pb);
        out[3] = uchar(a - pa);
        out += 4;
        pr = r, pg = g, pb = b, pa = a;
    }
}

quint32 adlerOfZeros(qint64 length)
{
    return (quint32(length % 65521) << 16) | 1u;
}
} // namespace

namespace PngDeflate {

ClearRows::ClearRows(int width)
    : mRowBytes(1 + 4 * qint64(width))
    , mOne(clearSegment(mRowBytes))
    , mMany(clearSegment(mRowBytes * kMany))
{
}

void ClearRows::append(std::vector<uchar> &out, qint64 rows) const
{
    for (; rows >= kMany; rows -= kMany)
        out.insert(out.end(), mMany.begin(), mMany.end());
    for (; rows > 0; --rows)
        out.insert(out.end(), mOne.begin(), mOne.end());
}

quint32 combineAdler(quint32 first, quint32 second, qint64 secondLength)
{
    return quint32(adler32_combine64(first, second, secondLength));
}

Band deflateBand(const QImage &pixels, bool last, const ClearRows &clear,
                 const std::atomic<bool> &stop)
{
    Band band;
    z_stream z {};
    if (deflateInit2(&z, 1, Z_DEFLATED, -15, 9, Z_RLE) != Z_OK)
        return band;
    try {
        // Qt's writer unpremultiplies through this conversion, whose rounding differs from
        // qUnpremultiply()'s for some pixels.
        const QImage straight = pixels.convertToFormat(QImage::Format_ARGB32);
        if (straight.isNull())
            throw std::bad_alloc();
        const int width = pixels.width();
        const qint64 rowBytes = clear.rowBytes();
        std::vector<uchar> row(static_cast<std::size_t>(rowBytes));
        const std::vector<uchar> window(kWindow, 0);
        qint64 clearRun = 0;
        bool pending = false; // rows given to zlib since its last flush
        bool restart = false; // zlib's history is not what precedes: clear rows came between
        bool ok = true;
        auto endClearRun = [&] {
            if (clearRun == 0)
                return;
            if (pending)
                ok = ok && pump(z, Z_SYNC_FLUSH, band.data);
            pending = false;
            clear.append(band.data, clearRun);
            band.adler
                = combineAdler(band.adler, adlerOfZeros(clearRun * rowBytes), clearRun * rowBytes);
            band.length += clearRun * rowBytes;
            clearRun = 0;
            restart = true;
        };
        for (int y = 0; y < pixels.height() && ok; ++y) {
            if ((y & 15) == 0 && stop.load(std::memory_order_relaxed))
                ok = false;
            const auto *line = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
            if (isClear(line, width)) {
                ++clearRun;
                continue;
            }
            endClearRun();
            if (restart) {
                // The stream goes on after the copied rows: what lies behind is zeros.
                deflateReset(&z);
                deflateSetDictionary(&z, window.data(), uInt(std::min<qint64>(kWindow, rowBytes)));
                restart = false;
            }
            filterRow(reinterpret_cast<const QRgb *>(straight.constScanLine(y)), width, row.data());
            band.adler = quint32(adler32(band.adler, row.data(), uInt(rowBytes)));
            band.length += rowBytes;
            z.next_in = row.data();
            z.avail_in = uInt(rowBytes);
            ok = ok && pump(z, Z_NO_FLUSH, band.data);
            pending = true;
        }
        endClearRun();
        if (ok && last) {
            if (restart)
                deflateReset(&z);
            ok = pump(z, Z_FINISH, band.data);
        } else if (ok && pending) {
            ok = pump(z, Z_SYNC_FLUSH, band.data);
        }
        band.ok = ok;
    } catch (const std::bad_alloc &) {
        band.ok = false;
    }
    deflateEnd(&z);
    if (!band.ok)
        band.data = {};
    return band;
}

} // namespace PngDeflate
