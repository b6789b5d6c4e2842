#include "PicturePyramid.h"

#include "Assert.h"
#include "Graphics.h"
#include "LayerComposite.h"
#include "TiledImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <unordered_map>

namespace {
constexpr int T = TiledImage::kTileSide;
constexpr int kHalf = T / 2; // a tile's quadrant: what one tile of the level below gives it
const quint32 kZeroRow[T] = {};

// The rounded mean of four premultiplied pixels, two channels to a 32-bit word, each on a
// 16-bit lane wide enough for the sum.
inline quint32 mean4(quint32 a, quint32 b, quint32 c, quint32 d)
{
    constexpr quint32 m = 0x00ff00ff;
    constexpr quint32 half = 0x00020002;
    const quint32 rb = (a & m) + (b & m) + (c & m) + (d & m) + half;
    const quint32 ag = ((a >> 8) & m) + ((b >> 8) & m) + ((c >> 8) & m) + ((d >> 8) & m) + half;
    return ((rb >> 2) & m) | (((ag >> 2) & m) << 8);
}

// n pixels of a halved row from the two rows a (lower) and b above it, of which only the first
// `valid` pixels exist. Gives the pixels or-ed together: zero when all came out transparent.
quint32 halveRow(quint32 *dst, int n, const quint32 *a, const quint32 *b, int valid)
{
    const int pairs = std::min(n, valid / 2);
    quint32 seen = 0;
    for (int i = 0; i < pairs; ++i) {
        const quint32 p = mean4(a[2 * i], a[2 * i + 1], b[2 * i], b[2 * i + 1]);
        dst[i] = p;
        seen |= p;
    }
    for (int i = pairs; i < n; ++i) {
        const quint32 p = 2 * i < valid ? mean4(a[2 * i], 0, b[2 * i], 0) : 0;
        dst[i] = p;
        seen |= p;
    }
    return seen;
}

int sheetPixels(float side)
{
    return side > 0.0f ? int(std::ceil(side)) : 0;
}

int levelSide(int side, int level)
{
    return int((qint64(side) + (qint64(1) << level) - 1) >> level);
}

QRect doubled(const QRect &r)
{
    return QRect(r.x() * 2, r.y() * 2, r.width() * 2, r.height() * 2);
}
} // namespace

struct PicturePyramid::Tile
{
    int width = 0; // clipped to the level: the small levels cost what they show
    int height = 0;
    std::unique_ptr<quint32[]> pixels; // row 0 at the top, as in the picture's tiles
    bool opaque = false; // every pixel

    quint32 *row(int yUp) { return pixels.get() + qsizetype(height - 1 - yUp) * width; }
    qint64 bytes() const { return qint64(width) * height * 4 + qint64(sizeof(Tile)); }
};

struct PicturePyramid::Level
{
    int width = 0;
    int height = 0;
    int columns = 0;
    std::unordered_map<quint32, std::unique_ptr<Tile>> tiles;
    // Tiles made once and changed since, with the bounds of what changed (level pixels, y up).
    std::unordered_map<quint32, QRect> dirty;
    // A bit a tile: made once. A tile never made is out of date as a whole.
    std::vector<quint64> built;
    qint64 builtCount = 0;

    void reset(int sheetWidth, int sheetHeight, int level)
    {
        width = levelSide(sheetWidth, level);
        height = levelSide(sheetHeight, level);
        columns = (width + T - 1) / T;
        const qint64 count = qint64(columns) * ((height + T - 1) / T);
        tiles.clear();
        dirty.clear();
        built.assign(std::size_t((count + 63) / 64), 0);
        builtCount = 0;
    }
    quint32 key(int tx, int ty) const { return quint32(ty) * quint32(columns) + quint32(tx); }
    bool isBuilt(quint32 k) const { return (built[k >> 6] >> (k & 63)) & 1; }
    void setBuilt(quint32 k)
    {
        built[k >> 6] |= quint64(1) << (k & 63);
        ++builtCount;
    }
    QRect area() const { return QRect(0, 0, width, height); }
    QRect tileRect(int tx, int ty) const { return QRect(tx * T, ty * T, T, T).intersected(area()); }
    Tile *tile(quint32 k) const
    {
        const auto it = tiles.find(k);
        return it == tiles.end() ? nullptr : it->second.get();
    }
};

// Pixels of the level below under a quadrant: the first at row0, the row above it upStride
// further; those from width or height on are transparent, as is everything without row0.
struct PicturePyramid::Source
{
    const quint32 *row0 = nullptr;
    qsizetype upStride = 0;
    int width = 0;
    int height = 0;

    const quint32 *row(int dy) const { return dy < height ? row0 + dy * upStride : kZeroRow; }
};

PicturePyramid::PicturePyramid(const LayerComposite &picture)
    : mPicture(picture)
    , mLevels(kMaxLevels + 1)
{
}

PicturePyramid::~PicturePyramid() = default;

void PicturePyramid::invalidateAll()
{
    // Nothing is freed here: the next read resets every level at once.
    mStale = true;
}

void PicturePyramid::invalidate(const Rect &r)
{
    if (mStale || isEmptyRect(r))
        return;
    const double x0 = std::max(std::floor(double(r.x())), 0.0);
    const double y0 = std::max(std::floor(double(r.y())), 0.0);
    const double x1 = std::min(std::ceil(double(r.maxX())), double(mWidth));
    const double y1 = std::min(std::ceil(double(r.maxY())), double(mHeight));
    if (!(x1 > x0 && y1 > y0))
        return;
    const int px0 = int(x0), py0 = int(y0), px1 = int(x1) - 1, py1 = int(y1) - 1; // inclusive
    for (int level = 1; level <= kMaxLevels; ++level) {
        Level &lv = mLevels[level];
        // A level is made only over what is made below it: nothing further up is made either.
        if (lv.builtCount == 0)
            return;
        const QRect q(QPoint(px0 >> level, py0 >> level), QPoint(px1 >> level, py1 >> level));
        for (int ty = q.y() / T; ty <= q.bottom() / T; ++ty)
            for (int tx = q.x() / T; tx <= q.right() / T; ++tx) {
                const quint32 k = lv.key(tx, ty);
                if (!lv.isBuilt(k))
                    continue;
                QRect &d = lv.dirty[k];
                d = d.united(q.intersected(lv.tileRect(tx, ty)));
            }
    }
}

int PicturePyramid::levelPixelWidth(int level) const
{
    return levelSide(sheetPixels(mPicture.sheetSize().width), level);
}

int PicturePyramid::levelPixelHeight(int level) const
{
    return levelSide(sheetPixels(mPicture.sheetSize().height), level);
}

qint64 PicturePyramid::tileCount() const
{
    qint64 n = 0;
    for (const Level &lv : mLevels)
        n += qint64(lv.tiles.size());
    return n;
}

qint64 PicturePyramid::bytes() const
{
    qint64 n = 0;
    for (const Level &lv : mLevels)
        for (const auto &entry : lv.tiles)
            n += entry.second->bytes();
    return n;
}

void PicturePyramid::refresh()
{
    const int w = levelPixelWidth(0);
    const int h = levelPixelHeight(0);
    // A sheet size set without a word to the pyramid changes the levels as much as a re-framing.
    if (!mStale && w == mWidth && h == mHeight)
        return;
    mStale = false;
    mWidth = w;
    mHeight = h;
    for (int level = 1; level <= kMaxLevels; ++level)
        mLevels[level].reset(w, h, level);
}

void PicturePyramid::readPixels(int level, const QRect &pixels, QImage &out, int outX, int outY)
{
    INK_ASSERT(level >= 1 && level <= kMaxLevels);
    INK_ASSERT(out.format() == QImage::Format_ARGB32_Premultiplied);
    refresh();
    Level &lv = mLevels[level];
    const QRect clip = pixels.intersected(lv.area());
    if (clip.isEmpty())
        return;
    const int topRow = outY + pixels.y() + pixels.height() - 1; // out's row of y-up row 0
    uchar *const base = out.bits();
    const qsizetype stride = out.bytesPerLine();
    for (int ty = clip.y() / T; ty <= clip.bottom() / T; ++ty)
        for (int tx = clip.x() / T; tx <= clip.right() / T; ++tx) {
            bringUpToDate(level, tx, ty);
            const QRect part = clip.intersected(lv.tileRect(tx, ty));
            Tile *t = lv.tile(lv.key(tx, ty));
            const std::size_t bytes = std::size_t(part.width()) * 4;
            for (int py = part.y(); py <= part.bottom(); ++py) {
                uchar *dst = base + (topRow - py) * stride + (outX + part.x() - pixels.x()) * 4;
                if (t)
                    std::memcpy(dst, t->row(py - ty * T) + (part.x() - tx * T), bytes);
                else
                    std::memset(dst, 0, bytes);
            }
        }
}

void PicturePyramid::drawTiles(int level, const QRect &pixels,
                               const std::function<void(const QImage &, const QRect &)> &draw)
{
    INK_ASSERT(level >= 1 && level <= kMaxLevels);
    refresh();
    Level &lv = mLevels[level];
    const QRect clip = pixels.intersected(lv.area());
    if (clip.isEmpty())
        return;
    for (int ty = clip.y() / T; ty <= clip.bottom() / T; ++ty)
        for (int tx = clip.x() / T; tx <= clip.right() / T; ++tx) {
            bringUpToDate(level, tx, ty);
            if (Tile *t = lv.tile(lv.key(tx, ty)))
                draw(QImage(reinterpret_cast<const uchar *>(t->pixels.get()), t->width, t->height,
                            qsizetype(t->width) * 4, QImage::Format_ARGB32_Premultiplied),
                     lv.tileRect(tx, ty));
        }
}

bool PicturePyramid::opaqueUnder(int level, const QRect &pixels)
{
    INK_ASSERT(level >= 1 && level <= kMaxLevels);
    refresh();
    Level &lv = mLevels[level];
    const QRect clip = pixels.intersected(lv.area());
    if (clip != pixels)
        return false;
    for (int ty = clip.y() / T; ty <= clip.bottom() / T; ++ty)
        for (int tx = clip.x() / T; tx <= clip.right() / T; ++tx) {
            bringUpToDate(level, tx, ty);
            const Tile *t = lv.tile(lv.key(tx, ty));
            if (!t || !t->opaque)
                return false;
        }
    return true;
}

void PicturePyramid::bringUpToDate(int level, int tx, int ty)
{
    Level &lv = mLevels[level];
    const quint32 k = lv.key(tx, ty);
    QRect r;
    if (!lv.isBuilt(k)) {
        lv.setBuilt(k);
        r = lv.tileRect(tx, ty);
    } else {
        const auto it = lv.dirty.find(k);
        if (it == lv.dirty.end())
            return;
        r = it->second;
        lv.dirty.erase(it);
    }
    update(level, tx, ty, r);
}

void PicturePyramid::update(int level, int tx, int ty, const QRect &r)
{
    Level &lv = mLevels[level];
    if (level >= 2) {
        const Level &below = mLevels[level - 1];
        const QRect need = doubled(r).intersected(below.area());
        for (int by = need.y() / T; by <= need.bottom() / T; ++by)
            for (int bx = need.x() / T; bx <= need.right() / T; ++bx)
                bringUpToDate(level - 1, bx, by);
    }
    // Each quadrant of the tile comes from one tile of the level below.
    struct Part
    {
        QRect dest;
        QRect src;
        int cx, cy;
        Source source;
        bool render = false;
    };
    Part parts[4];
    int count = 0;
    bool anything = false;
    for (int qy = 0; qy < 2; ++qy)
        for (int qx = 0; qx < 2; ++qx) {
            const QRect dest
                = r.intersected(QRect(tx * T + qx * kHalf, ty * T + qy * kHalf, kHalf, kHalf));
            if (dest.isEmpty())
                continue;
            Part &p = parts[count++];
            p.dest = dest;
            p.src = doubled(dest);
            p.cx = 2 * tx + qx;
            p.cy = 2 * ty + qy;
            if (level == 1) {
                p.source = level0Source(p.src, p.cx, p.cy, &p.render);
            } else if (Tile *c = mLevels[level - 1].tile(mLevels[level - 1].key(p.cx, p.cy))) {
                const QRect valid = p.src.intersected(mLevels[level - 1].area());
                p.source = {c->row(p.src.y() - p.cy * T) + (p.src.x() - p.cx * T), -c->width,
                            valid.width(), valid.height()};
            }
            anything = anything || p.render || p.source.row0;
        }

    const quint32 k = lv.key(tx, ty);
    Tile *t = lv.tile(k);
    if (!t) {
        if (!anything)
            return; // transparent below: no tile
        const QRect whole = lv.tileRect(tx, ty);
        auto made = std::make_unique<Tile>();
        made->width = whole.width();
        made->height = whole.height();
        const std::size_t n = std::size_t(made->width) * std::size_t(made->height);
        // A tile made whole is written whole: only a partly written one starts transparent.
        made->pixels.reset(r == whole ? new (std::nothrow) quint32[n]
                                      : new (std::nothrow) quint32[n]());
        if (!made->pixels) {
            QRect &d = lv.dirty[k]; // tried again at the next read
            d = d.united(r);
            return;
        }
        t = made.get();
        lv.tiles.emplace(k, std::move(made));
    }
    // The quadrants to be composited are composited together: one pass over the layers.
    QRect rendered;
    for (int i = 0; i < count; ++i)
        if (parts[i].render)
            rendered |= parts[i].src;
    if (!rendered.isEmpty())
        renderLevel0(rendered);
    quint32 seen = 0;
    for (int i = 0; i < count; ++i) {
        const Part &p = parts[i];
        const Source s = p.render ? renderedSource(rendered, p.src) : p.source;
        for (int y = p.dest.y(); y <= p.dest.bottom(); ++y) {
            quint32 *d = t->row(y - ty * T) + (p.dest.x() - tx * T);
            if (!s.row0) {
                std::memset(d, 0, std::size_t(p.dest.width()) * 4);
                continue;
            }
            const int dy = 2 * (y - p.dest.y());
            seen |= halveRow(d, p.dest.width(), s.row(dy), s.row(dy + 1), s.width);
        }
    }
    if (!seen
        && std::all_of(t->pixels.get(), t->pixels.get() + qsizetype(t->width) * t->height,
                       [](quint32 p) { return p == 0; })) {
        lv.tiles.erase(k);
        return;
    }
    quint32 alpha = 0xff000000u;
    for (qsizetype i = 0, n = qsizetype(t->width) * t->height; i < n; ++i)
        alpha &= t->pixels[i];
    t->opaque = alpha == 0xff000000u;
}

PicturePyramid::Source PicturePyramid::level0Source(const QRect &part, int tx, int ty,
                                                    bool *render) const
{
    *render = false;
    const QRect valid = part.intersected(QRect(0, 0, mWidth, mHeight));
    if (valid.isEmpty())
        return {};
    bool composited = false;
    const QImage *single = mPicture.tileShownAsIs(tx, ty, valid, &composited);
    if (!single) {
        *render = composited;
        return {};
    }
    const qsizetype upStride = -single->bytesPerLine() / 4;
    const auto *row0
        = reinterpret_cast<const quint32 *>(single->constScanLine(T - 1 - (part.y() - ty * T)))
        + (part.x() - tx * T);
    return {row0, upStride, valid.width(), valid.height()};
}

void PicturePyramid::renderLevel0(const QRect &r)
{
    const QRect valid = r.intersected(QRect(0, 0, mWidth, mHeight));
    if (mScratch.isNull())
        mScratch = QImage(2 * T, 2 * T, QImage::Format_ARGB32_Premultiplied);
    if (mScratch.isNull() || valid.isEmpty())
        return;
    for (int y = 0; y < r.height(); ++y)
        std::memset(mScratch.scanLine(y), 0, std::size_t(r.width()) * 4);
    // r's top-left pixel at the scratch's top-left.
    Graphics::lockFocus(mScratch, sheetToDevice(r.x(), r.y() + r.height()));
    mPicture.renderLayersInRect(
        Rect(float(valid.x()), float(valid.y()), float(valid.width()), float(valid.height())));
    Graphics::unlockFocus();
}

PicturePyramid::Source PicturePyramid::renderedSource(const QRect &rendered,
                                                      const QRect &part) const
{
    const QRect valid = part.intersected(QRect(0, 0, mWidth, mHeight));
    if (mScratch.isNull() || valid.isEmpty())
        return {};
    const int row = rendered.y() + rendered.height() - 1 - part.y();
    const auto *row0 = reinterpret_cast<const quint32 *>(mScratch.constScanLine(row))
        + (part.x() - rendered.x());
    return {row0, -mScratch.bytesPerLine() / 4, valid.width(), valid.height()};
}
