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
// Two channels of a pixel, 16 bits apart: (a · (256 − w) + b · w) / 256, rounded.
inline quint32 lerp(quint32 a, quint32 b, quint32 w)
{
    return ((a * (256 - w) + b * w + 0x00800080u) >> 8) & 0x00ff00ffu;
}

// p · w / 255, rounded, each channel.
inline quint32 scaled(quint32 p, quint32 w)
{
    auto half = [w](quint32 c) {
        const quint32 x = (c & 0x00ff00ffu) * w + 0x00800080u;
        return ((x + ((x >> 8) & 0x00ff00ffu)) >> 8) & 0x00ff00ffu;
    };
    return half(p) | (half(p >> 8) << 8);
}

// s over d, premultiplied.
inline quint32 over(quint32 s, quint32 d)
{
    return s + scaled(d, 255 - (s >> 24));
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
        // Within a tile the distance is short: a 32-bit division, much the quicker.
        const qint64 limit = dc > 0 ? (qint64(hi + 1) << 16) - 1 - c : c - (qint64(lo) << 16);
        const qint64 speed = dc > 0 ? dc : -dc;
        if (limit < (qint64(1) << 30) && speed < (qint64(1) << 30))
            return qint32(limit) / qint32(speed) + 1;
        return int(std::min<qint64>(limit / speed + 1, std::numeric_limits<int>::max()));
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
        return over(p, scaled(mPaper, quint32(std::lround(cover * 255))));
    }

    // A pixel whose neighbours straddle tiles, the bounds' edge or the paper's.
    void single(quint32 *dst, qint64 u, qint64 v) const
    {
        const int ix = int(u >> 16), iy = int(v >> 16);
        const int x0 = std::clamp(ix, mLeft, mRight), y0 = std::clamp(iy, mBottom, mTop);
        quint32 s = at(x0, y0);
        if (!mNearest) {
            const int x1 = std::clamp(ix + 1, mLeft, mRight);
            const int y1 = std::clamp(iy + 1, mBottom, mTop);
            const quint32 p10 = at(x1, y0), p01 = at(x0, y1), p11 = at(x1, y1);
            const quint32 wx = quint32(u >> 8) & 0xff, wy = quint32(v >> 8) & 0xff;
            auto mix = [&](int shift) {
                auto c = [shift](quint32 q) { return (q >> shift) & 0x00ff00ffu; };
                return lerp(lerp(c(s), c(p10), wx), lerp(c(p01), c(p11), wx), wy) << shift;
            };
            s = mix(0) | mix(8);
        }
        *dst = (s >> 24) == 255 ? s : over(s, *dst);
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
    constexpr int kBlock = 256;
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
