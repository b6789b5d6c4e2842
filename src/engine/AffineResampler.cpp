#include "AffineResampler.h"

#include "Assert.h"
#include "ResampleRun.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {
// Four pixels, and the same as two channels of each on 16-bit lanes: room for a channel times
// a weight of 256.
using U32 = std::uint32_t __attribute__((vector_size(16)));
using U16 = std::uint16_t __attribute__((vector_size(16)));
using U64 = std::uint64_t __attribute__((vector_size(16)));

constexpr U32 kMask {0x00ff00ff, 0x00ff00ff, 0x00ff00ff, 0x00ff00ff};

inline U32 splat32(quint32 v)
{
    return U32 {v, v, v, v};
}

inline U16 rb(U32 p)
{
    return U16(p & kMask);
}

inline U16 ag(U32 p)
{
    return U16((p >> 8) & kMask);
}

// x / 255 rounded, for x up to 255 · 255.
inline U16 div255(U16 x)
{
    x += 128;
    return (x + (x >> 8)) >> 8;
}

// A weight of 256 on both lanes of each pixel.
inline U16 weights(U32 w)
{
    return U16(w | (w << 16));
}

// (a · (256 − w) + b · w) / 256, rounded.
inline U16 lerp(U16 a, U16 b, U16 w)
{
    const U16 full = U16(splat32(0x01000100));
    return (a * (full - w) + b * w + 128) >> 8;
}

// Four pixels from their four neighbours each, fx and fy the weights (of 256) of the right
// and upper ones.
inline U32 bilinear(U32 p00, U32 p10, U32 p01, U32 p11, U32 fx, U32 fy)
{
    const U16 wx = weights(fx), wy = weights(fy);
    const U16 lowRB = lerp(rb(p00), rb(p10), wx), highRB = lerp(rb(p01), rb(p11), wx);
    const U16 lowAG = lerp(ag(p00), ag(p10), wx), highAG = lerp(ag(p01), ag(p11), wx);
    return U32(lerp(lowRB, highRB, wy)) | (U32(lerp(lowAG, highAG, wy)) << 8);
}

// s over d, four premultiplied pixels.
inline U32 over(U32 s, U32 d)
{
    const U32 rest = splat32(255) - (s >> 24);
    const U16 w = U16(rest | (rest << 16));
    return s + (U32(div255(rb(d) * w)) | (U32(div255(ag(d) * w)) << 8));
}

class Reader
{
public:
    Reader(const ResampleSource &s, bool nearest)
        : mTiles(s.tiles.data())
        , mColumns(s.columns)
        , mShift(s.shift)
        , mMask((1 << s.shift) - 1)
        , mOrigin(s.origin)
        , mLeft(s.bounds.left())
        , mRight(s.bounds.right())
        , mBottom(s.bounds.top())
        , mTop(s.bounds.bottom())
        , mPaper(s.paper)
        , mPaperEdge(s.paperEdge)
        , mNearest(nearest)
        , mReach(nearest ? 0 : 1)
    {
        // Neighbours read in place must lie where the paper is whole.
        if (mPaper) {
            mFullRight = std::min(mRight, int(std::floor(mPaperEdge.x())) - 1);
            mFullTop = std::min(mTop, int(std::floor(mPaperEdge.y())) - 1);
        }
    }

    // `count` pixels of a row of out from dst on, whose first sample lies at (u, v) in 1/65536
    // of a source pixel and each next one (du, dv) further.
    void run(quint32 *dst, int count, qint64 u, qint64 v, qint64 du, qint64 dv) const
    {
        const int side = 1 << mShift;
        int i = 0;
        while (i < count) {
            const int ix = int(u >> 16) - mOrigin.x();
            const int iy = int(v >> 16) - mOrigin.y();
            const int tx = ix >> mShift, ty = iy >> mShift;
            // How far the neighbours stay inside one tile and where the paper is whole.
            const int lo = std::max(tx * side, mLeft - mOrigin.x());
            const int hi = std::min(tx * side + side - 1, mFullRight - mOrigin.x()) - mReach;
            const int bo = std::max(ty * side, mBottom - mOrigin.y());
            const int to = std::min(ty * side + side - 1, mFullTop - mOrigin.y()) - mReach;
            int n = 0;
            if (ix >= lo && ix <= hi && iy >= bo && iy <= to) {
                n = count - i;
                n = std::min(n, steps(u - (qint64(mOrigin.x()) << 16), du, lo, hi));
                n = std::min(n, steps(v - (qint64(mOrigin.y()) << 16), dv, bo, to));
            }
            if (n <= 0) {
                single(dst + i, u, v);
                ++i;
                u += du;
                v += dv;
                continue;
            }
            const ResampleSource::Tile &t = mTiles[std::size_t(ty) * mColumns + tx];
            ResampleRun r;
            r.dst = dst + i;
            r.count = n;
            r.bottom = t.bottom;
            r.up = qint32(t.up);
            r.u = qint32(u - (qint64(tx * side + mOrigin.x()) << 16));
            r.v = qint32(v - (qint64(ty * side + mOrigin.y()) << 16));
            r.du = qint32(du);
            r.dv = qint32(dv);
            r.paper = mPaper;
            r.nearest = mNearest;
            resampleRun(r);
            i += n;
            u += du * n;
            v += dv * n;
        }
    }

private:
    // Steps from c (1/65536 of a pixel, moving dc a step) while its whole pixel stays within
    // [lo, hi].
    static int steps(qint64 c, qint64 dc, int lo, int hi)
    {
        if (dc == 0)
            return std::numeric_limits<int>::max();
        const qint64 limit = dc > 0 ? (qint64(hi + 1) << 16) - 1 - c : c - (qint64(lo) << 16);
        const qint64 n = limit / (dc > 0 ? dc : -dc) + 1;
        return int(std::min<qint64>(n, std::numeric_limits<int>::max()));
    }

    // A source pixel, over as much of the paper as covers it.
    quint32 at(int x, int y) const
    {
        const int lx = x - mOrigin.x();
        const int ly = y - mOrigin.y();
        const ResampleSource::Tile &t = mTiles[std::size_t(ly >> mShift) * mColumns + (lx >> mShift)];
        const quint32 p = t.bottom ? t.bottom[(lx & mMask) + (ly & mMask) * t.up] : 0;
        if (!mPaper || (p >> 24) == 255)
            return p;
        const double cover = std::clamp(mPaperEdge.x() - x, 0.0, 1.0)
            * std::clamp(mPaperEdge.y() - y, 0.0, 1.0);
        const U16 c = U16(splat32(quint32(std::lround(cover * 255)) * 0x10001));
        const U32 paper = U32(div255(rb(splat32(mPaper)) * c))
            | (U32(div255(ag(splat32(mPaper)) * c)) << 8);
        return over(splat32(p), paper)[0];
    }

    // A pixel whose neighbours straddle tiles, the bounds' edge or the paper's.
    void single(quint32 *dst, qint64 u, qint64 v) const
    {
        const int ix = int(u >> 16), iy = int(v >> 16);
        const int x0 = std::clamp(ix, mLeft, mRight), y0 = std::clamp(iy, mBottom, mTop);
        U32 s;
        if (mNearest) {
            s = splat32(at(x0, y0));
        } else {
            const int x1 = std::clamp(ix + 1, mLeft, mRight);
            const int y1 = std::clamp(iy + 1, mBottom, mTop);
            s = bilinear(splat32(at(x0, y0)), splat32(at(x1, y0)), splat32(at(x0, y1)),
                         splat32(at(x1, y1)), splat32(quint32(u >> 8) & 0xff),
                         splat32(quint32(v >> 8) & 0xff));
        }
        if ((s[0] >> 24) != 255)
            s = over(s, splat32(*dst));
        *dst = s[0];
    }

    const ResampleSource::Tile *mTiles;
    int mColumns;
    int mShift;
    int mMask;
    QPoint mOrigin;
    int mLeft, mRight, mBottom, mTop; // the bounds, y up
    quint32 mPaper;
    QPointF mPaperEdge;
    bool mNearest;
    int mReach; // how far right and up a sample's neighbours reach
    int mFullRight = mRight; // the last column and row the paper wholly covers
    int mFullTop = mTop;
};
} // namespace

ResampleSource ResampleSource::ofImage(const QImage &image, QPoint at)
{
    ResampleSource s;
    if (image.isNull())
        return s;
    s.bounds = QRect(at, image.size());
    s.origin = at;
    s.shift = 0;
    while ((1 << s.shift) < std::max(image.width(), image.height()))
        ++s.shift;
    s.columns = s.rows = 1;
    s.tiles.push_back({reinterpret_cast<const quint32 *>(image.constScanLine(image.height() - 1)),
                       -qsizetype(image.bytesPerLine() / 4)});
    return s;
}

AffineResampler::AffineResampler(int helpers)
{
    if (helpers < 0)
        helpers = std::max(int(std::thread::hardware_concurrency()), 1) - 1;
    // Without a thread the caller takes every band.
    try {
        for (int i = 0; i < helpers; ++i)
            mThreads.emplace_back([this] { work(); });
    } catch (const std::exception &) {
    }
}

AffineResampler::~AffineResampler()
{
    {
        const std::lock_guard lock(mMutex);
        mClosing = true;
    }
    mWake.notify_all();
    for (std::thread &t : mThreads)
        t.join();
}

void AffineResampler::work()
{
    quint64 seen = 0;
    std::unique_lock lock(mMutex);
    for (;;) {
        mWake.wait(lock, [&] { return mClosing || (mGeneration != seen && mNext < mCount); });
        if (mClosing)
            return;
        seen = mGeneration;
        while (mNext < mCount) {
            const int band = mNext++;
            const auto *job = mJob;
            lock.unlock();
            (*job)(band);
            lock.lock();
            if (++mFinished == mCount)
                mDone.notify_all();
        }
    }
}

void AffineResampler::runBands(int count, const std::function<void(int)> &band)
{
    if (count <= 1 || mThreads.empty()) {
        for (int i = 0; i < count; ++i)
            band(i);
        return;
    }
    std::unique_lock lock(mMutex);
    mJob = &band;
    mCount = count;
    mNext = 0;
    mFinished = 0;
    ++mGeneration;
    mWake.notify_all();
    while (mNext < mCount) {
        const int i = mNext++;
        lock.unlock();
        band(i);
        lock.lock();
        ++mFinished;
    }
    mDone.wait(lock, [&] { return mFinished == mCount; });
    mJob = nullptr;
}

void AffineResampler::resample(const ResampleSource &source, const QTransform &outToSource,
                               QImage &out, const QRect &area, int bands, Filter filter)
{
    INK_ASSERT(out.format() == QImage::Format_ARGB32_Premultiplied
               || out.format() == QImage::Format_RGB32);
    const QRect rect = area.intersected(out.rect());
    const QRect &b = source.bounds;
    if (rect.isEmpty() || b.isEmpty() || source.tiles.empty())
        return;
    INK_ASSERT(b.left() >= source.origin.x() && b.top() >= source.origin.y()
               && b.right() < source.origin.x() + (source.columns << source.shift)
               && b.bottom() < source.origin.y() + (source.rows << source.shift));
    const double m11 = outToSource.m11(), m12 = outToSource.m12();
    const double m21 = outToSource.m21(), m22 = outToSource.m22();
    const double dx = outToSource.dx(), dy = outToSource.dy();
    constexpr double kOne = 65536.0;
    const qint64 du = std::llround(m11 * kOne);
    const qint64 dv = std::llround(m12 * kOne);
    const bool nearest = filter == Filter::Nearest;
    const Reader read(source, nearest);
    // Detached here, once: the bands write into rows of the same pixels.
    uchar *const bits = out.bits();
    const qsizetype stride = out.bytesPerLine();

    // Where along a row a coordinate starting at c0 and moving by dc a pixel stays within
    // [lo, hi): the first and one past the last pixel.
    auto within = [](double c0, double dc, double lo, double hi, double &first, double &last) {
        if (dc == 0.0) {
            if (c0 < lo || c0 >= hi)
                last = first;
            return;
        }
        double a = (lo - c0) / dc, z = (hi - c0) / dc;
        if (dc < 0.0)
            std::swap(a, z);
        first = std::max(first, std::ceil(a));
        last = std::min(last, std::ceil(z));
    };

    // The pixels from..to (exclusive) of row y. Positions step from the row's first column
    // whatever the block: the same pixel comes out the same however the rows are cut.
    auto row = [&](int y, int from, int to) {
        const double cy = y + 0.5;
        const double u = m21 * cy + dx + 0.5 * m11; // at column 0
        const double v = m22 * cy + dy + 0.5 * m12;
        double first = from, last = to;
        within(u, m11, b.left(), b.right() + 1.0, first, last);
        within(v, m12, b.top(), b.bottom() + 1.0, first, last);
        if (!(last > first))
            return;
        const int x0 = int(first);
        auto *dst = reinterpret_cast<quint32 *>(bits + y * stride) + x0;
        // Bilinear samples weigh the pixels whose centres lie around the point.
        const double back = nearest ? 0.0 : 0.5;
        read.run(dst, int(last) - x0, std::llround((u - back) * kOne) + x0 * du,
                 std::llround((v - back) * kOne) + x0 * dv, du, dv);
    };

    // Square blocks keep what a turned view reads of the source in the cache: a whole row
    // would read across as many source rows as it crosses.
    constexpr int kBlock = 64;
    const int count = std::clamp(bands > 0 ? bands : threads(), 1, rect.height());
    runBands(count, [&](int band) {
        const int top = rect.top() + int(qint64(rect.height()) * band / count);
        const int bottom = rect.top() + int(qint64(rect.height()) * (band + 1) / count);
        for (int by = top; by < bottom; by += kBlock)
            for (int bx = rect.left(); bx <= rect.right(); bx += kBlock)
                for (int y = by; y < std::min(by + kBlock, bottom); ++y)
                    row(y, bx, std::min(bx + kBlock, rect.right() + 1));
    });
}
