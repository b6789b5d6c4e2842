#include "PngDeflate.h"

#include <QRgb>
#include <algorithm>
#include <cstring>
#include <new>
#include <zlib.h>

namespace {
constexpr int kOutStep = 1 << 16;
// Shorter runs of zeros cost zlib less than the block boundaries their own blocks would need.
constexpr qsizetype kLongRun = 16384;
// Transparent spans shorter than this (in pixels) stay within the span of pixels around them.
constexpr int kClearSpan = 64;
const uchar kZeros[kLongRun] = {};
// About this much of each band's filtered rows is compressed both ways to choose between them.
constexpr qint64 kSampleBytes = 256 << 10;

struct Method
{
    int level;
    int strategy;
};
// Run lengths alone: fast, and the smallest on drawings and painted sheets.
constexpr Method kRuns {1, Z_RLE};
// zlib's defaults, for what repeats at any distance (hatches, dithers, textures).
constexpr Method kMatches {Z_DEFAULT_COMPRESSION, Z_DEFAULT_STRATEGY};

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

// Bits into a deflate stream, least significant first.
class Bits
{
public:
    explicit Bits(std::vector<uchar> &out)
        : mOut(out)
    {
    }

    void put(quint32 value, int count)
    {
        mAcc |= quint64(value) << mCount;
        mCount += count;
        while (mCount >= 8) {
            mOut.push_back(uchar(mAcc));
            mAcc >>= 8;
            mCount -= 8;
        }
    }

    // Huffman codes go most significant bit first.
    void code(quint32 code, int length)
    {
        quint32 reversed = 0;
        for (int i = 0; i < length; ++i)
            reversed |= ((code >> i) & 1u) << (length - 1 - i);
        put(reversed, length);
    }

    void align()
    {
        if (mCount > 0)
            put(0, 8 - mCount);
    }

private:
    std::vector<uchar> &mOut;
    quint64 mAcc = 0;
    int mCount = 0;
};

constexpr int kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr int kLengthExtra[29]
    = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

// A match of that length at distance 1, in the fixed codes.
void repeat(Bits &bits, int length)
{
    int i = 28;
    if (length != 258)
        for (i = 27; kLengthBase[i] > length; --i) { }
    const int symbol = 257 + i;
    if (symbol <= 279)
        bits.code(quint32(symbol - 256), 7);
    else
        bits.code(quint32(0xc0 + symbol - 280), 8);
    bits.put(quint32(length - kLengthBase[i]), kLengthExtra[i]);
    bits.code(0, 5); // distance 1
}

// n zeros after a zero, at a byte boundary, ending at one as after a sync flush. Whole 258-byte
// matches at distance 1 go in a block whose codes have one bit each (symbol 285, end of block,
// distance code 0): two bits for 258 bytes. What is left goes in a block of the fixed codes,
// and an empty stored block ends on a byte boundary.
void appendZeros(std::vector<uchar> &out, qint64 n)
{
    Bits bits(out);
    if (n >= 258) {
        bits.put(0b100, 3); // not the last block; dynamic codes
        bits.put(286 - 257, 5); // literal/length codes 0..285
        bits.put(0, 5); // one distance code
        bits.put(18 - 4, 4); // code length codes, in their order up to that of length 1
        for (int i = 0; i < 18; ++i)
            bits.put(i == 2 || i == 17 ? 1 : 0, 3); // lengths 18 (repeat zero) and 1: one bit
        // Code lengths, coded as 1 → "0", 18 → "1": 256 zeros, symbol 256, 28 zeros, symbol
        // 285, distance code 0.
        bits.put(1, 1), bits.put(138 - 11, 7);
        bits.put(1, 1), bits.put(118 - 11, 7);
        bits.put(0, 1);
        bits.put(1, 1), bits.put(28 - 11, 7);
        bits.put(0, 1);
        bits.put(0, 1);
        for (; n >= 258; n -= 258)
            bits.put(0b01, 2); // 285 is "1", distance 0 is "0"
        bits.put(0, 1); // end of block
    }
    bits.put(0b010, 3); // not the last block; fixed codes
    while (n > 0) {
        if (n >= 3) {
            const int length = int(n);
            repeat(bits, length);
            n -= length;
        } else {
            bits.code(0x30, 8); // a literal zero
            --n;
        }
    }
    bits.code(0, 7); // end of block
    bits.put(0, 3); // a stored block, not the last
    bits.align();
    out.insert(out.end(), {0x00, 0x00, 0xff, 0xff});
}

qsizetype nonZeroFrom(const uchar *p, qsizetype i, qsizetype n)
{
    for (; i < n && (i & 7); ++i)
        if (p[i])
            return i;
    for (; i + 8 <= n; i += 8) {
        quint64 word;
        std::memcpy(&word, p + i, 8);
        if (word)
            break;
    }
    while (i < n && !p[i])
        ++i;
    return i;
}

// The filtered bytes of a band into zlib, long runs of zeros around it.
class Emitter
{
public:
    Emitter(z_stream &z, std::vector<uchar> &out, bool farMatches)
        : mZ(z)
        , mOut(out)
        , mFarMatches(farMatches)
    {
    }

    quint32 adler() const { return mAdler; }
    qint64 length() const { return mLength; }

    void zeros(qint64 n)
    {
        mZeros += n;
        mAdler = PngDeflate::combineAdler(mAdler, (quint32(n % 65521) << 16) | 1u, n);
        mLength += n;
    }

    bool data(const uchar *p, qsizetype n)
    {
        mAdler = quint32(adler32(mAdler, p, uInt(n)));
        mLength += n;
        for (qsizetype i = 0; i < n && mOk;) {
            if (!p[i]) {
                const qsizetype end = nonZeroFrom(p, i, n);
                mZeros += end - i;
                i = end;
                continue;
            }
            // Up to the next long run of zeros; zeros at the end wait for what follows.
            qsizetype k = i;
            for (;;) {
                const auto *zero
                    = static_cast<const uchar *>(std::memchr(p + k, 0, std::size_t(n - k)));
                if (!zero) {
                    k = n;
                    break;
                }
                const qsizetype start = zero - p;
                const qsizetype end = nonZeroFrom(p, start, n);
                if (end == n || end - start >= kLongRun) {
                    k = start;
                    break;
                }
                k = end;
            }
            flushZeros();
            feed(p + i, k - i);
            i = k;
        }
        return mOk;
    }

    bool finish(bool last)
    {
        flushZeros();
        if (last)
            mOk = mOk && pump(mZ, Z_FINISH, mOut);
        else if (mUnflushed)
            mOk = mOk && pump(mZ, Z_SYNC_FLUSH, mOut);
        return mOk;
    }

private:
    void feed(const uchar *p, qsizetype n)
    {
        if (n == 0 || !mOk)
            return;
        mZ.next_in = const_cast<Bytef *>(p);
        mZ.avail_in = uInt(n);
        mOk = pump(mZ, Z_NO_FLUSH, mOut);
        mUnflushed = true;
    }

    void flushZeros()
    {
        if (mZeros >= kLongRun) {
            // One zero through zlib first: its run-length matches reach back one byte only,
            // so after the blocks written here they still copy a zero.
            feed(kZeros, 1);
            mOk = mOk && pump(mZ, Z_SYNC_FLUSH, mOut);
            mUnflushed = false;
            if (mOk)
                appendZeros(mOut, mZeros - 1);
            // zlib's window lacks the zeros written here: matches longer than run lengths
            // would reach back past them into bytes the reader has further back.
            static const uchar window[32768] = {};
            mOk = mOk && (!mFarMatches
                          || deflateSetDictionary(
                                 &mZ, window, uInt(std::min<qint64>(mZeros - 1, sizeof window)))
                              == Z_OK);
        } else {
            for (qint64 left = mZeros; left > 0; left -= kLongRun)
                feed(kZeros, qsizetype(std::min<qint64>(left, kLongRun)));
        }
        mZeros = 0;
    }

    z_stream &mZ;
    std::vector<uchar> &mOut;
    const bool mFarMatches;
    qint64 mZeros = 0; // zeros due before anything else
    quint32 mAdler = 1;
    qint64 mLength = 0;
    bool mUnflushed = false; // given to zlib since its last flush
    bool mOk = true;
};

bool isClear(const QRgb *row, int width)
{
    for (int x = 0; x < width; ++x)
        if (row[x])
            return false;
    return true;
}

int clearFrom(const QRgb *row, int x, int width)
{
    while (x < width && !row[x])
        ++x;
    return x;
}

// Where the pixels from x on reach a transparent span worth skipping, or the row's end.
int paintedFrom(const QRgb *row, int x, int width)
{
    for (;;) {
        while (x < width && row[x])
            ++x;
        const int end = clearFrom(row, x, width);
        if (end == width || end - x >= kClearSpan)
            return x;
        x = end;
    }
}

// Unpremultiplied ARGB32 to RGBA bytes, each less the one four before it (Sub).
void filterSpan(const QRgb *pixels, int count, QRgb before, uchar *out)
{
    uint pr = qRed(before), pg = qGreen(before), pb = qBlue(before), pa = qAlpha(before);
    for (int x = 0; x < count; ++x) {
        const QRgb p = pixels[x];
        const uint r = qRed(p), g = qGreen(p), b = qBlue(p), a = qAlpha(p);
        out[0] = uchar(r - pr);
        out[1] = uchar(g - pg);
        out[2] = uchar(b - pb);
        out[3] = uchar(a - pa);
        out += 4;
        pr = r, pg = g, pb = b, pa = a;
    }
}

// One row, filtered with Sub: transparent spans are zeros but for the first pixel's
// difference, and only the pixels between them are converted and filtered.
bool filterRow(const QRgb *row, int width, Emitter &sink, std::vector<uchar> &scratch)
{
    static const uchar sub = 1;
    bool ok = sink.data(&sub, 1);
    QRgb before = 0; // unpremultiplied
    for (int x = 0; x < width && ok;) {
        if (!row[x]) {
            const int end = clearFrom(row, x, width);
            qint64 zeros = 4 * qint64(end - x);
            if (before) {
                const uchar step[4] = {uchar(-qRed(before)), uchar(-qGreen(before)),
                                       uchar(-qBlue(before)), uchar(-qAlpha(before))};
                ok = sink.data(step, 4);
                zeros -= 4;
            }
            sink.zeros(zeros);
            before = 0;
            x = end;
            continue;
        }
        const int end = paintedFrom(row, x, width);
        // Qt's writer unpremultiplies through this conversion, whose rounding differs from
        // qUnpremultiply()'s for some pixels.
        const QImage straight = QImage(reinterpret_cast<const uchar *>(row + x), end - x, 1,
                                       QImage::Format_ARGB32_Premultiplied)
                                    .convertToFormat(QImage::Format_ARGB32);
        if (straight.isNull())
            return false;
        const auto *pixels = reinterpret_cast<const QRgb *>(straight.constBits());
        filterSpan(pixels, end - x, before, scratch.data());
        ok = sink.data(scratch.data(), 4 * qsizetype(end - x));
        before = pixels[end - x - 1];
        x = end;
    }
    return ok;
}
PngDeflate::Band deflateWith(const QImage &pixels, bool last, const std::atomic<bool> &stop,
                             Method method);

// Rows spread over the band, about kSampleBytes of them.
QImage sampleOf(const QImage &pixels)
{
    const int rows = int(std::clamp<qint64>(kSampleBytes / (4 * qint64(pixels.width()) + 1), 1,
                                            pixels.height()));
    QImage sample(pixels.width(), rows, pixels.format());
    if (sample.isNull())
        return sample;
    for (int i = 0; i < rows; ++i)
        std::memcpy(sample.scanLine(i), pixels.constScanLine(int(qint64(i) * pixels.height() / rows)),
                    std::size_t(sample.bytesPerLine()));
    return sample;
}

// Run lengths unless a sample of the band compresses clearly smaller with zlib's defaults.
Method methodFor(const QImage &pixels)
{
    const QImage sample = sampleOf(pixels);
    if (sample.isNull())
        return kRuns;
    const std::atomic<bool> never = false;
    const auto runs = deflateWith(sample, true, never, kRuns);
    // Mostly blank: little to gain, and the trial would cost more than the band's runs.
    if (qint64(runs.data.size()) * 64 < runs.length)
        return kRuns;
    const auto matches = deflateWith(sample, true, never, kMatches);
    return runs.ok && matches.ok && runs.data.size() > matches.data.size() * 11 / 10 + 64
        ? kMatches
        : kRuns;
}

PngDeflate::Band deflateWith(const QImage &pixels, bool last, const std::atomic<bool> &stop,
                             Method method)
{
    PngDeflate::Band band;
    z_stream z {};
    if (deflateInit2(&z, method.level, Z_DEFLATED, -15, 9, method.strategy) != Z_OK)
        return band;
    try {
        const int width = pixels.width();
        const qint64 rowBytes = 1 + 4 * qint64(width);
        std::vector<uchar> scratch(static_cast<std::size_t>(rowBytes));
        Emitter sink(z, band.data, method.strategy != Z_RLE);
        bool ok = true;
        for (int y = 0; y < pixels.height() && ok; ++y) {
            if ((y & 15) == 0 && stop.load(std::memory_order_relaxed))
                ok = false;
            const auto *row = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
            if (isClear(row, width))
                sink.zeros(rowBytes); // filter None, no pixels
            else
                ok = ok && filterRow(row, width, sink, scratch);
        }
        band.ok = ok && sink.finish(last);
        band.adler = sink.adler();
        band.length = sink.length();
    } catch (const std::bad_alloc &) {
        band.ok = false;
    }
    deflateEnd(&z);
    if (!band.ok)
        band.data = {};
    return band;
}
} // namespace

namespace PngDeflate {

quint32 combineAdler(quint32 first, quint32 second, qint64 secondLength)
{
    return quint32(adler32_combine64(first, second, secondLength));
}

Band deflateBand(const QImage &pixels, bool last, const std::atomic<bool> &stop)
{
    try {
        return deflateWith(pixels, last, stop, methodFor(pixels));
    } catch (const std::bad_alloc &) {
        return {};
    }
}

} // namespace PngDeflate
