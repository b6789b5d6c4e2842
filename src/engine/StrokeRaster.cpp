#include "StrokeRaster.h"

#include "TiledImage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <vector>
#ifdef __SSE__
#include <immintrin.h>
#endif

namespace {
constexpr int T = TiledImage::kTileSide;
// Coverage reaches half a pixel past a hard edge and is full half a pixel inside it.
constexpr float kEdge = 0.5f;
// Lines thinner than a pixel are drawn a pixel wide, as the thinnest line a screen shows.
constexpr float kLeastRadius = 0.5f;

// Without branches, so that loops over rows of pixels vectorise.
// Four lanes at once, through the compiler's vector types.
using F4 = float __attribute__((vector_size(16)));
using I4 = std::int32_t __attribute__((vector_size(16)));

F4 clamp01(F4 v)
{
    const F4 zero {}, one = zero + 1.0f;
    v = v > zero ? v : zero;
    return v < one ? v : one;
}

F4 squareRoot(F4 v)
{
#ifdef __SSE__
    return _mm_sqrt_ps(v);
#else
    for (int i = 0; i < 4; ++i)
        v[i] = std::sqrt(v[i]);
    return v;
#endif
}

float clamp01(float v)
{
    return std::min(std::max(v, 0.0f), 1.0f);
}

// Inside where nx·x + ny·y <= c; (nx, ny) is a unit vector.
struct HalfPlane
{
    float nx, ny, c;
};

// Narrows [x0, x1] to where the row y lies inside the half-plane grown by delta.
bool clipToHalfPlane(const HalfPlane &h, float y, float delta, float &x0, float &x1)
{
    const float rest = h.c + delta - h.ny * y;
    if (std::abs(h.nx) < 1e-6f)
        return rest >= 0.0f;
    const float x = rest / h.nx;
    if (h.nx > 0.0f)
        x1 = std::min(x1, x);
    else
        x0 = std::max(x0, x);
    return x0 <= x1;
}

// Widens [x0, x1] by the part of the circle on the row y.
void addCircleSpan(float cx, float cy, float r, float y, float &x0, float &x1)
{
    const float dy = y - cy;
    if (r <= 0.0f || std::abs(dy) >= r)
        return;
    const float half = std::sqrt(r * r - dy * dy);
    x0 = std::min(x0, cx - half);
    x1 = std::max(x1, cx + half);
}

// The nib swept from one end of a segment to the other: the convex hull of a circle at each end
// (its radius following the width), or for the chisel the convex hull of a rectangle at each end.
class SweptNib
{
public:
    explicit SweptNib(const InkSegment &s)
        : mAx(s.from.x)
        , mAy(s.from.y)
        , mBx(s.to.x)
        , mBy(s.to.y)
    {
        mDx = mBx - mAx;
        mDy = mBy - mAy;
        mH = mDx * mDx + mDy * mDy;
        mInvDx = mDx != 0.0f ? 1.0f / mDx : 0.0f;
        if (s.kind == BrushKind::Marker)
            makeChisel(s);
        else
            makeCapsule(std::max(s.fromWidth / 2, kLeastRadius),
                        std::max(s.toWidth / 2, kLeastRadius));
    }

    // The pixel rows and columns the nib may touch, edge included.
    void bounds(float &x0, float &y0, float &x1, float &y1) const
    {
        x0 = mMinX - kEdge;
        y0 = mMinY - kEdge;
        x1 = mMaxX + kEdge;
        y1 = mMaxY + kEdge;
    }

    // Where the row y lies in the nib grown by delta; false where it does not.
    bool span(float y, float delta, float &x0, float &x1) const
    {
        if (mIsChisel) {
            x0 = -1e30f;
            x1 = 1e30f;
            for (int i = 0; i < mPlaneCount; ++i)
                if (!clipToHalfPlane(mPlanes[std::size_t(i)], y, delta, x0, x1))
                    return false;
            return true;
        }
        x0 = 1e30f;
        x1 = -1e30f;
        if (mIsCircle) {
            addCircleSpan(mCx, mCy, mR + delta, y, x0, x1);
            return x0 <= x1;
        }
        addCircleSpan(mAx, mAy, mRa + delta, y, x0, x1);
        addCircleSpan(mBx, mBy, mRb + delta, y, x0, x1);
        // The band between the circles' common tangents.
        const float ra = mRa + delta;
        const float rb = mRb + delta;
        if (ra > 0.0f && rb > 0.0f) {
            const std::array<float, 8> quad = {mAx + ra * mW1x, mAy + ra * mW1y, mBx + rb * mW1x,
                                               mBy + rb * mW1y, mBx + rb * mW2x, mBy + rb * mW2y,
                                               mAx + ra * mW2x, mAy + ra * mW2y};
            for (int i = 0; i < 4; ++i) {
                const float px = quad[std::size_t(2 * i)], py = quad[std::size_t(2 * i + 1)];
                const int j = (i + 1) % 4;
                const float qx = quad[std::size_t(2 * j)], qy = quad[std::size_t(2 * j + 1)];
                if ((py <= y && y <= qy) || (qy <= y && y <= py)) {
                    const float x = py == qy ? px : px + (y - py) * (qx - px) / (qy - py);
                    x0 = std::min(x0, py == qy ? std::min(px, qx) : x);
                    x1 = std::max(x1, py == qy ? std::max(px, qx) : x);
                }
            }
        }
        return x0 <= x1;
    }

    // A row through an even capsule (one width all along), from pixel x0: a pixel's distance
    // is that to the nearest point of the segment, less the radius.
    struct EvenRow
    {
        float first, py, dx, dy, invH, r;
        float distance(int i, float &along) const
        {
            const float px = first + float(i);
            along = clamp01((px * dx + py * dy) * invH);
            const float ex = px - along * dx, ey = py - along * dy;
            return std::sqrt(ex * ex + ey * ey) - r;
        }
    };
    EvenRow evenRow(float y, int x0) const
    {
        return {float(x0) + 0.5f - mAx, y - mAy, mDx, mDy, mInvH, mRa};
    }

    // Signed distances from the nib's edge, negative inside, of the centres of n pixels from x0
    // on the row through y, in loops the compiler vectorises. Exact for the round nib; for the
    // chisel the distance to the nearest edge's line, which differs only past its corners.
    void distances(float y, int x0, int n, float *d) const
    {
        const float first = float(x0) + 0.5f;
        if (mIsChisel) {
            for (int i = 0; i < n; ++i)
                d[i] = -1e30f;
            for (int p = 0; p < mPlaneCount; ++p) {
                const HalfPlane h = mPlanes[std::size_t(p)];
                const float base = h.nx * first + h.ny * y - h.c;
                for (int i = 0; i < n; ++i)
                    d[i] = std::max(d[i], base + h.nx * float(i));
            }
            return;
        }
        if (mIsCircle) {
            const float dy2 = (y - mCy) * (y - mCy);
            for (int i = 0; i < n; ++i) {
                const float dx = first + float(i) - mCx;
                d[i] = std::sqrt(dx * dx + dy2) - mR;
            }
            return;
        }
        if (mRa == mRb) {
            const EvenRow row = evenRow(y, x0);
            float along;
            for (int i = 0; i < n; ++i)
                d[i] = row.distance(i, along);
            return;
        }
        // Copies, so that the compiler need not fear that d overlaps them.
        const float py = y - mAy, ax = mAx, dx = mDx, dy = mDy, invH = mInvH, h = mH;
        const float cx = mCX, b = mB, ra = mRa, rb = mRb;
        for (int i = 0; i < n; ++i) {
            const float px = first + float(i) - ax;
            const float qx = std::fabs(px * dy - py * dx) * invH;
            const float qy = (px * dx + py * dy) * invH;
            const float k = cx * qy - b * qx;
            const float q2 = qx * qx + qy * qy;
            const float nearA = std::sqrt(h * q2) - ra;
            const float nearB = std::sqrt(std::max(h * (q2 + 1.0f - 2.0f * qy), 0.0f)) - rb;
            const float between = cx * qx + b * qy - ra;
            const float notA = k > cx ? nearB : between;
            d[i] = k < 0.0f ? nearA : notA;
        }
    }

    // Where the centres of n pixels from x0 on the row through y lie along the segment, 0 at
    // its start to 1 at its end.
    void alongs(float y, int x0, int n, float *t) const
    {
        if (!(mH > 0.0f)) {
            std::fill(t, t + n, 0.0f);
            return;
        }
        const float base = ((float(x0) + 0.5f - mAx) * mDx + (y - mAy) * mDy) / mH;
        const float step = mDx / mH;
        for (int i = 0; i < n; ++i)
            t[i] = clamp01(base + step * float(i));
    }

    // Narrows [x0, x1) on the row through y to the pixels whose centres lie past the
    // segment's start, along its direction.
    void keepAhead(float y, int &x0, int &x1) const
    {
        const float across = (y - mAy) * mDy;
        if (mDx == 0.0f || !std::isfinite(mInvDx)) {
            if (across <= 0.0f)
                x1 = x0;
            return;
        }
        const float edge = std::clamp(mAx - across * mInvDx - 0.5f, -1e9f, 1e9f);
        if (mDx > 0.0f)
            x0 = std::max(x0, int(std::floor(edge)) + 1);
        else
            x1 = std::min(x1, int(std::ceil(edge)));
    }
    bool isEvenCapsule() const { return !mIsChisel && !mIsCircle && mRa == mRb; }

    float radiusA() const { return mIsCircle ? mR : mRa; }
    float radiusB() const { return mIsCircle ? mR : mRb; }
    // Whether a row is short enough to work out whole, without looking for where the nib is.
    bool isNarrow() const { return mMaxX - mMinX < 48.0f; }

private:
    void makeCapsule(float ra, float rb)
    {
        mRa = ra;
        mRb = rb;
        const float length = std::sqrt(mH);
        mIsCircle = length <= std::abs(ra - rb) + 1e-4f;
        if (mIsCircle) {
            // One circle holds the other (a dot, or a sharp swell in place).
            const bool a = ra >= rb;
            mCx = a ? mAx : mBx;
            mCy = a ? mAy : mBy;
            mR = std::max(ra, rb);
            mMinX = mCx - mR;
            mMaxX = mCx + mR;
            mMinY = mCy - mR;
            mMaxY = mCy + mR;
            return;
        }
        mInvH = 1.0f / mH;
        mB = ra - rb;
        mCX = std::sqrt(mH - mB * mB);
        // Tangent directions: the unit vectors from each centre to where the tangents touch.
        const float ux = mDx / length, uy = mDy / length;
        const float s = mB / length;
        const float c = std::sqrt(std::max(1.0f - s * s, 0.0f));
        mW1x = s * ux - c * uy;
        mW1y = s * uy + c * ux;
        mW2x = s * ux + c * uy;
        mW2y = s * uy - c * ux;
        mMinX = std::min(mAx - ra, mBx - rb);
        mMaxX = std::max(mAx + ra, mBx + rb);
        mMinY = std::min(mAy - ra, mBy - rb);
        mMaxY = std::max(mAy + ra, mBy + rb);
    }

    void makeChisel(const InkSegment &s)
    {
        mIsChisel = true;
        const float ex = std::cos(s.angle), ey = std::sin(s.angle);
        std::array<float, 16> corners {};
        int n = 0;
        const std::array<std::array<float, 3>, 2> ends = {{{mAx, mAy, s.fromWidth},
                                                           {mBx, mBy, s.toWidth}}};
        for (const auto &[cx, cy, w] : ends) {
            const float along = std::max(w / 2, kLeastRadius);
            const float across = std::max(w / (2 * Brush::kMarkerAspect), kLeastRadius);
            for (const float i : {-1.0f, 1.0f})
                for (const float j : {-1.0f, 1.0f}) {
                    corners[std::size_t(n++)] = cx + i * along * ex - j * across * ey;
                    corners[std::size_t(n++)] = cy + i * along * ey + j * across * ex;
                }
        }
        hullOf(corners);
    }

    // The half-planes of the convex hull of eight points (Andrew's monotone chain).
    void hullOf(const std::array<float, 16> &xy)
    {
        std::array<std::pair<float, float>, 8> p;
        for (std::size_t i = 0; i < 8; ++i)
            p[i] = {xy[2 * i], xy[2 * i + 1]};
        std::sort(p.begin(), p.end());
        mMinX = p.front().first;
        mMaxX = p.back().first;
        mMinY = mMaxY = p.front().second;
        for (const auto &q : p) {
            mMinY = std::min(mMinY, q.second);
            mMaxY = std::max(mMaxY, q.second);
        }
        auto cross = [](const auto &o, const auto &a, const auto &b) {
            return (a.first - o.first) * (b.second - o.second)
                - (a.second - o.second) * (b.first - o.first);
        };
        std::array<std::pair<float, float>, 16> hull;
        int k = 0;
        for (int i = 0; i < 8; ++i) {
            while (k >= 2 && cross(hull[std::size_t(k - 2)], hull[std::size_t(k - 1)], p[std::size_t(i)]) <= 0)
                --k;
            hull[std::size_t(k++)] = p[std::size_t(i)];
        }
        for (int i = 6, lower = k + 1; i >= 0; --i) {
            while (k >= lower && cross(hull[std::size_t(k - 2)], hull[std::size_t(k - 1)], p[std::size_t(i)]) <= 0)
                --k;
            hull[std::size_t(k++)] = p[std::size_t(i)];
        }
        // Counter-clockwise, the last point repeating the first: outward normals point right.
        for (int i = 0; i + 1 < k && mPlaneCount < int(mPlanes.size()); ++i) {
            const auto &a = hull[std::size_t(i)];
            const auto &b = hull[std::size_t(i + 1)];
            const float ex = b.first - a.first, ey = b.second - a.second;
            const float len = std::hypot(ex, ey);
            if (len < 1e-6f)
                continue;
            const float nx = ey / len, ny = -ex / len;
            mPlanes[std::size_t(mPlaneCount++)] = {nx, ny, nx * a.first + ny * a.second};
        }
    }

    float mAx, mAy, mBx, mBy;
    float mDx = 0, mDy = 0, mH = 0, mInvH = 0, mInvDx = 0;
    float mRa = 0, mRb = 0, mB = 0, mCX = 0;
    float mW1x = 0, mW1y = 0, mW2x = 0, mW2y = 0;
    bool mIsCircle = false;
    float mCx = 0, mCy = 0, mR = 0;
    bool mIsChisel = false;
    std::array<HalfPlane, 8> mPlanes {};
    int mPlaneCount = 0;
    float mMinX = 0, mMinY = 0, mMaxX = 0, mMaxY = 0;
};

// A pixel's coverage, 0..255, held in a lane as wide as a pixel's so that every loop over a row
// steps four pixels at a time.
using Cover = quint32;

float smoothstep(float g)
{
    return g * g * (3.0f - 2.0f * g);
}

// Opaque ink (r, g, b) at each coverage where it covers more than the pixel has. The colour's
// lookup is worked out for each pixel instead, so that the loop vectorises: in floats, as
// x86-64's baseline has no multiply of 32-bit lanes. c · a / 255 rounded is exact in them, as
// c · a + 127.5 is never within float error of a multiple of 255.
void writeMax(quint32 *__restrict dst, const Cover *__restrict cov, int n, quint32 r, quint32 g,
              quint32 b)
{
    const float fr = float(r) / 255.0f, fg = float(g) / 255.0f, fb = float(b) / 255.0f;
    auto one = [&](int i) {
        const quint32 a = cov[i];
        const quint32 d = dst[i];
        const float fa = float(int(a));
        const quint32 ink = (a << 24) | (quint32(int(fr * fa + 0.5f)) << 16)
            | (quint32(int(fg * fa + 0.5f)) << 8) | quint32(int(fb * fa + 0.5f));
        dst[i] = a > (d >> 24) ? ink : d;
    };
    // Rows are short and mostly whole groups of four: each group is one vector step.
    int i = 0;
    for (; i + 4 <= n; i += 4)
        for (int j = 0; j < 4; ++j)
            one(i + j);
    for (; i < n; ++i)
        one(i);
}

// The colour at every coverage, premultiplied, and how it joins the pixels under it.
class InkWriter
{
public:
    // The last writer made serves again: a stroke keeps its colour from sample to sample.
    static const InkWriter &of(const QColor &colour, InkCombine combine)
    {
        thread_local InkWriter last;
        const QRgb rgba = colour.rgba();
        if (!last.mMade || last.mRgba != rgba || last.mOver != (combine == InkCombine::Over))
            last = InkWriter(rgba, combine == InkCombine::Over);
        return last;
    }

    InkWriter() = default;

    void write(quint32 *dst, const Cover *cov, int n) const
    {
        if (!mOver) {
            const quint32 r = quint32(qRed(mRgba)), g = quint32(qGreen(mRgba)),
                          b = quint32(qBlue(mRgba));
            writeMax(dst, cov, n, r, g, b);
            return;
        }
        for (int i = 0; i < n; ++i) {
            if (!cov[i])
                continue;
            const quint32 s = mLut[cov[i]];
            const quint32 inv = 255 - (s >> 24);
            dst[i] = s + byteMul(dst[i], inv);
        }
    }

private:
    // Every channel of x times a/255, two at a time.
    static quint32 byteMul(quint32 x, quint32 a)
    {
        quint32 t = (x & 0xff00ffu) * a;
        t = ((t + ((t >> 8) & 0xff00ffu) + 0x800080u) >> 8) & 0xff00ffu;
        quint32 u = ((x >> 8) & 0xff00ffu) * a;
        u = (u + ((u >> 8) & 0xff00ffu) + 0x800080u) & 0xff00ff00u;
        return t | u;
    }

    InkWriter(QRgb rgba, bool over)
        : mOver(over)
        , mMade(true)
        , mRgba(rgba)
    {
        const int r = qRed(rgba), g = qGreen(rgba), b = qBlue(rgba);
        const int alpha = over ? qAlpha(rgba) : 255;
        for (int a = 0; a < 256; ++a) {
            const int e = (a * alpha + 127) / 255;
            mLut[std::size_t(a)] = qRgba((r * e + 127) / 255, (g * e + 127) / 255,
                                         (b * e + 127) / 255, e);
        }
    }

    std::array<quint32, 256> mLut {};
    bool mOver = false;
    bool mMade = false;
    QRgb mRgba = 0;
};

// Where a tiled image's rows go: tiles are looked up once per row of tiles, and made only where
// coverage lands.
class TileSink
{
public:
    TileSink(TiledImage &image, int firstColumn, int columns)
        : mImage(image)
        , mFirstColumn(firstColumn)
    {
        // Kept from segment to segment: a pen sample pays for no allocation.
        thread_local std::vector<State> states;
        thread_local std::vector<quint32 *> tiles;
        states.resize(std::size_t(columns));
        tiles.resize(std::size_t(columns));
        mState = states.data();
        mTiles = tiles.data();
        mColumns = columns;
    }

    bool ok() const { return mOk; }

    // [x0, x1) widened to whole groups of four pixels where the tiles hold them, so that short
    // rows are written in vector steps: tiles start on such a group.
    void widen(int &x0, int &x1) const
    {
        x0 &= ~3;
        x1 = std::min((x1 + 3) & ~3, mImage.pixelWidth());
    }

    void row(int py, int x0, int x1, const Cover *cov, const InkWriter &writer)
    {
        const int ty = py / T;
        if (ty != mRow) {
            mRow = ty;
            std::fill(mState, mState + mColumns, Unknown);
        }
        const int offset = (T - 1 - (py - ty * T)) * T;
        for (int tx = x0 / T; tx <= (x1 - 1) / T; ++tx) {
            const int c0 = std::max(x0, tx * T), c1 = std::min(x1, tx * T + T);
            quint32 *tile = tileFor(tx, ty, cov + (c0 - x0), c1 - c0);
            if (tile)
                writer.write(tile + offset + (c0 - tx * T), cov + (c0 - x0), c1 - c0);
        }
    }

private:
    enum State : std::uint8_t { Unknown, Absent, Present, Failed };

    quint32 *tileFor(int tx, int ty, const Cover *cov, int n)
    {
        const std::size_t i = std::size_t(tx - mFirstColumn);
        switch (mState[i]) {
        case Present:
            return mTiles[i];
        case Failed:
            return nullptr;
        case Unknown:
            if (mImage.tileAt(tx, ty)) {
                mTiles[i] = mImage.tileForWriting(tx, ty);
                mState[i] = mTiles[i] ? Present : Failed;
                mOk = mOk && mTiles[i];
                return mTiles[i];
            }
            mState[i] = Absent;
            [[fallthrough]];
        case Absent:
            if (std::all_of(cov, cov + n, [](Cover c) { return c == 0; }))
                return nullptr;
            mTiles[i] = mImage.tileForWriting(tx, ty);
            mState[i] = mTiles[i] ? Present : Failed;
            mOk = mOk && mTiles[i];
            return mTiles[i];
        }
        return nullptr;
    }

    TiledImage &mImage;
    int mFirstColumn;
    int mRow = -1;
    int mColumns = 0;
    State *mState = nullptr;
    quint32 **mTiles = nullptr;
    bool mOk = true;
};

class ImageSink
{
public:
    ImageSink(QImage &image, QPoint origin)
        : mImage(image)
        , mOrigin(origin)
    {
    }

    void widen(int &, int &) const { }

    void row(int py, int x0, int x1, const Cover *cov, const InkWriter &writer)
    {
        const int y = mImage.height() - 1 - (py - mOrigin.y());
        auto *line = reinterpret_cast<quint32 *>(mImage.scanLine(y));
        writer.write(line + (x0 - mOrigin.x()), cov, x1 - x0);
    }

private:
    QImage &mImage;
    QPoint mOrigin;
};


// Working rows of distances and positions along the segment, kept between segments.
struct RowScratch
{
    std::vector<float> d, t, grain;
    std::vector<Cover> cov;
    void reserve(std::size_t n)
    {
        if (d.size() < n) {
            d.resize(n);
            t.resize(n);
            grain.resize(n);
            cov.resize(n);
        }
    }
};

// Coverage of the n pixels from x0 on row py, scaled to bytes.
// Whole groups of four are worked out, so that the loops need no scalar tail: out and the
// scratch rows hold three more than n.
template<BrushKind Kind>
void shadeSpan(const SweptNib &nib, const InkSegment &s, int py, int x0, int n, RowScratch &row,
               Cover *out)
{
    n = (n + 3) & ~3;
    const float yc = float(py) + 0.5f;
    const float ra = nib.radiusA(), rb = nib.radiusB();
    const float o0 = s.fromOpacity, o1 = s.toOpacity;
    const float soft = 1.0f / std::max(1.0f - s.hardness, 1e-3f);
    const float inverseR = 1.0f / ra;
    float *__restrict grain = row.grain.data();
    if constexpr (Kind == BrushKind::Pencil) {
        // The grain's row under py, laid out from x0 on: it repeats every 64 pixels.
        const float *source = &StrokeRaster::grainAt(0, py);
        for (int i = 0; i < n;) {
            const int x = (x0 + i) & 63;
            const int run = std::min(64 - x, n - i);
            std::copy(source + x, source + x + run, grain + i);
            i += run;
        }
    }
    auto shade = [&](int i, float d, float t, auto evenWidth) {
        float v = clamp01(kEdge - d) * (o0 + (o1 - o0) * t);
        if constexpr (Kind == BrushKind::Airbrush) {
            // Full strength out to the hardness, then a smooth fall to the edge.
            float inverse = inverseR;
            if constexpr (!evenWidth)
                inverse = 1.0f / (ra + (rb - ra) * t);
            const float rho = clamp01(1.0f + d * inverse);
            v *= smoothstep(clamp01((1.0f - rho) * soft));
        }
        if constexpr (Kind == BrushKind::Pencil)
            v *= grain[i];
        out[i] = Cover(int(v * 255.0f + 0.5f));
    };
    if (nib.isEvenCapsule()) {
        // The commonest nib, worked out in the same loop as its ink, four pixels a step: rows
        // are short, and a loop left to the vectoriser would go through its scalar tails.
        const auto e = nib.evenRow(yc, x0);
        const F4 lane {0.0f, 1.0f, 2.0f, 3.0f};
        for (int i = 0; i < n; i += 4) {
            const F4 px = (e.first + float(i)) + lane;
            const F4 along = clamp01(((px * e.dx) + e.py * e.dy) * e.invH);
            const F4 ex = px - along * e.dx, ey = e.py - along * e.dy;
            const F4 d = squareRoot(ex * ex + ey * ey) - e.r;
            F4 v = clamp01(kEdge - d) * (o0 + (o1 - o0) * along);
            if constexpr (Kind == BrushKind::Airbrush) {
                const F4 g = clamp01((1.0f - clamp01(1.0f + d * inverseR)) * soft);
                v *= g * g * (3.0f - 2.0f * g);
            }
            if constexpr (Kind == BrushKind::Pencil) {
                F4 grains;
                std::memcpy(&grains, grain + i, sizeof grains);
                v *= grains;
            }
            const I4 c = __builtin_convertvector(v * 255.0f + 0.5f, I4);
            std::memcpy(out + i, &c, sizeof c);
        }
        return;
    }
    // In groups of four, each one vector step.
    float *__restrict d = row.d.data();
    float *__restrict t = row.t.data();
    nib.distances(yc, x0, n, d);
    if (o0 != o1 || (Kind == BrushKind::Airbrush && ra != rb))
        nib.alongs(yc, x0, n, t);
    else
        std::fill(t, t + n, 0.0f);
    if (ra == rb || Kind != BrushKind::Airbrush) {
        for (int i = 0; i < n; i += 4)
            for (int j = 0; j < 4; ++j)
                shade(i + j, d[i + j], t[i + j], std::true_type());
    } else {
        for (int i = 0; i < n; i += 4)
            for (int j = 0; j < 4; ++j)
                shade(i + j, d[i + j], t[i + j], std::false_type());
    }
}

template<BrushKind Kind>
void shadeRow(const SweptNib &nib, const InkSegment &s, int py, int x0, int x1, int in0, int in1,
              RowScratch &row, Cover *out)
{
    const bool hard = Kind == BrushKind::Pen || Kind == BrushKind::Marker;
    in0 = std::max(in0, x0);
    in1 = std::min(in1, x1);
    if (hard && s.fromOpacity == s.toOpacity && in1 - in0 > 8) {
        // Solid inside: only the edges are worked out.
        shadeSpan<Kind>(nib, s, py, x0, in0 - x0, row, out);
        std::fill(out + (in0 - x0), out + (in1 - x0),
                  Cover(clamp01(s.fromOpacity) * 255.0f + 0.5f));
        shadeSpan<Kind>(nib, s, py, in1, x1 - in1, row, out + (in1 - x0));
        return;
    }
    shadeSpan<Kind>(nib, s, py, x0, x1 - x0, row, out);
}

template<typename Sink>
void rasterise(const InkSegment &segment, const QColor &colour, InkCombine combine,
               const QRect &pixels, Sink &sink)
{
    InkSegment s = segment;
    if (s.from == s.to) {
        // A dot thinner than a pixel is drawn a pixel wide: it fades with its area instead.
        const float w = std::max(std::max(s.fromWidth, s.toWidth), 0.0f);
        if (w < 1.0f) {
            s.fromOpacity *= w * w;
            s.toOpacity *= w * w;
        }
    }
    const SweptNib nib(s);
    float bx0, by0, bx1, by1;
    nib.bounds(bx0, by0, bx1, by1);
    if (!(bx0 < bx1 && by0 < by1) || pixels.isEmpty())
        return;
    const int y0 = std::max(pixels.y(), int(std::floor(std::max(by0, -1e9f))));
    const int y1 = std::min(pixels.y() + pixels.height(), int(std::ceil(std::min(by1, 1e9f))));
    const int left = pixels.x(), right = pixels.x() + pixels.width();
    const InkWriter &writer = InkWriter::of(colour, combine);
    thread_local RowScratch row;
    const bool narrow = nib.isNarrow();
    const bool onlyAhead = s.continues && nib.isEvenCapsule();
    const int bl = std::max(left, int(std::floor(std::max(bx0, -1e9f))));
    const int br = std::min(right, int(std::ceil(std::min(bx1, 1e9f))));
    for (int py = y0; py < y1; ++py) {
        const float yc = float(py) + 0.5f;
        int x0 = bl, x1 = br, in0 = 0, in1 = 0;
        if (!narrow) {
            // Only the pixels whose centres lie within the grown nib, and its solid inside.
            float o0, o1;
            if (!nib.span(yc, kEdge, o0, o1))
                continue;
            x0 = std::max(left, int(std::ceil(std::max(o0 - 0.5f, -1e9f))));
            x1 = std::min(right, int(std::floor(std::min(o1 - 0.5f, 1e9f))) + 1);
            float i0, i1;
            if (nib.span(yc, -kEdge, i0, i1)) {
                in0 = int(std::ceil(std::max(i0 - 0.5f, -1e9f)));
                in1 = int(std::floor(std::min(i1 - 0.5f, 1e9f))) + 1;
            }
        }
        if (onlyAhead)
            nib.keepAhead(yc, x0, x1);
        if (x0 >= x1)
            continue;
        // Written over whole groups of four, the pixels added to the row covered by nothing.
        int w0 = x0, w1 = x1;
        sink.widen(w0, w1);
        row.reserve(std::size_t(w1 - w0) + 8);
        Cover *cov = row.cov.data();
        std::fill(cov, cov + (x0 - w0), Cover(0));
        switch (s.kind) {
        case BrushKind::Pen:
            shadeRow<BrushKind::Pen>(nib, s, py, x0, x1, in0, in1, row, cov + (x0 - w0));
            break;
        case BrushKind::Pencil:
            shadeRow<BrushKind::Pencil>(nib, s, py, x0, x1, in0, in1, row, cov + (x0 - w0));
            break;
        case BrushKind::Airbrush:
            shadeRow<BrushKind::Airbrush>(nib, s, py, x0, x1, in0, in1, row, cov + (x0 - w0));
            break;
        case BrushKind::Marker:
            shadeRow<BrushKind::Marker>(nib, s, py, x0, x1, in0, in1, row, cov + (x0 - w0));
            break;
        }
        std::fill(cov + (x1 - w0), cov + (w1 - w0), Cover(0));
        sink.row(py, w0, w1, cov, writer);
    }
}

// A small paper texture that repeats seamlessly: smooth value noise at two scales with a little
// fine tooth, made once.
struct Grain
{
    static constexpr int kSide = 64;
    std::array<float, kSide * kSide> value {};

    Grain()
    {
        std::uint32_t state = 0x2545F491u;
        auto next = [&state] {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            return float(state & 0xffffu) / 65535.0f;
        };
        auto lattice = [&](int cells) {
            std::vector<float> l(std::size_t(cells * cells));
            for (float &v : l)
                v = next();
            return l;
        };
        const std::vector<float> coarse = lattice(8), fine = lattice(16);
        auto sample = [](const std::vector<float> &l, int cells, int x, int y) {
            const float cell = float(kSide) / float(cells);
            const float fx = float(x) / cell, fy = float(y) / cell;
            const int ix = int(fx), iy = int(fy);
            const float tx = smoothstep(fx - float(ix)), ty = smoothstep(fy - float(iy));
            auto at = [&](int i, int j) {
                return l[std::size_t(((j % cells) * cells) + (i % cells))];
            };
            const float top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * tx;
            const float bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * tx;
            return top + (bottom - top) * ty;
        };
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const float g = 0.5f * sample(coarse, 8, x, y) + 0.3f * sample(fine, 16, x, y)
                    + 0.2f * next();
                value[std::size_t(y * kSide + x)] = 0.3f + 0.7f * g;
            }
    }
};

} // namespace

const float &StrokeRaster::grainAt(int px, int py)
{
    static const Grain grain;
    return grain.value[std::size_t((py & (Grain::kSide - 1)) * Grain::kSide
                                   + (px & (Grain::kSide - 1)))];
}

float StrokeRaster::reach(BrushKind kind, float width)
{
    const float along = std::max(width / 2, kLeastRadius);
    if (kind != BrushKind::Marker)
        return along;
    return std::hypot(along, std::max(width / (2 * Brush::kMarkerAspect), kLeastRadius));
}

bool StrokeRaster::paint(TiledImage &image, const InkSegment &segment, const QColor &colour,
                         InkCombine combine, const QRect &pixels)
{
    const QRect within = pixels.intersected(QRect(0, 0, image.pixelWidth(), image.pixelHeight()));
    if (within.isEmpty())
        return true;
    const int firstColumn = within.x() / T;
    TileSink sink(image, firstColumn, (within.x() + within.width() - 1) / T - firstColumn + 1);
    rasterise(segment, colour, combine, within, sink);
    return sink.ok();
}

void StrokeRaster::paint(QImage &image, QPoint origin, const InkSegment &segment,
                         const QColor &colour, InkCombine combine, const QRect &pixels)
{
    const QRect within = pixels.intersected(QRect(origin, image.size()));
    if (within.isEmpty())
        return;
    ImageSink sink(image, origin);
    rasterise(segment, colour, combine, within, sink);
}
