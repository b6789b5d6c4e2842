#include "TiledImage.h"

#include "Assert.h"
#include "Image.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

namespace {
constexpr int T = TiledImage::kTileSide;
constexpr auto kFormat = QImage::Format_ARGB32_Premultiplied;

std::atomic<qint64> gLiveTiles {0};
std::atomic<qint64> gTileLimit {-1};
std::atomic<quint64> gRevisions {0};

int pixelsFor(float points)
{
    return int(std::ceil(points));
}

int floorDiv(int a, int b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// A pixel rectangle given y up: x(), y() the bottom-left pixel, right()/top() inclusive.
struct Span
{
    int x0, y0, x1, y1; // x1, y1 exclusive
    static Span of(const QRect &r) { return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; }
    bool empty() const { return x1 <= x0 || y1 <= y0; }
};

bool allZero(const uchar *row, qsizetype stride, int rows, int bytes)
{
    for (int y = 0; y < rows; ++y, row += stride) {
        const auto *p = reinterpret_cast<const quint32 *>(row);
        for (int i = 0; i < bytes / 4; ++i)
            if (p[i])
                return false;
    }
    return true;
}

// The one scratch image that bounded painting goes through, with a painter kept open on it so
// that a pen sample pays for no painter set-up.
struct Scratch
{
    std::unique_ptr<uchar[]> buffer;
    int capWidth = 0;
    int capHeight = 0;
    QImage image;
    QPainter painter;
    bool busy = false;
    QRect pixels; // y up, of the image being painted
    TiledImage *target = nullptr;

    void release()
    {
        if (painter.isActive())
            painter.end();
        image = QImage();
        buffer.reset();
        capWidth = capHeight = 0;
    }

    bool reserve(int w, int h)
    {
        if (w <= capWidth && h <= capHeight)
            return painter.isActive() || painter.begin(&image);
        const int cw = std::max({w, capWidth, 256});
        const int ch = std::max({h, capHeight, 256});
        release();
        buffer.reset(new (std::nothrow) uchar[std::size_t(cw) * ch * 4]);
        if (!buffer)
            return false;
        capWidth = cw;
        capHeight = ch;
        image = QImage(buffer.get(), cw, ch, qsizetype(cw) * 4, kFormat);
        return painter.begin(&image);
    }

    // A large scratch is not kept past its one use.
    void shrink()
    {
        if (qint64(capWidth) * capHeight > 1024 * 1024)
            release();
    }
};

// Calls part(tx, ty, r0, r1, c0, c1) for each tile under the span with the rows [r0, r1) and
// columns [c0, c1) of the span that lie in it.
template<typename Part>
void forEachTilePart(const Span &s, Part &&part)
{
    for (int ty = s.y0 / T; ty <= (s.y1 - 1) / T; ++ty) {
        const int r0 = std::max(s.y0, ty * T);
        const int r1 = std::min(s.y1, ty * T + T);
        for (int tx = s.x0 / T; tx <= (s.x1 - 1) / T; ++tx)
            part(tx, ty, r0, r1, std::max(s.x0, tx * T), std::min(s.x1, tx * T + T));
    }
}

Scratch &scratch()
{
    static Scratch s;
    return s;
}
} // namespace

struct TiledImage::Tile
{
    QImage image;
    Tile()
        : image(T, T, kFormat)
    {
        if (!image.isNull())
            image.fill(Qt::transparent);
        ++gLiveTiles;
    }
    explicit Tile(const QImage &shared)
        : image(shared)
    {
        ++gLiveTiles;
    }
    ~Tile() { --gLiveTiles; }
    Tile(const Tile &) = delete;
    Tile &operator=(const Tile &) = delete;
};

void TiledImage::touch()
{
    mRevision = ++gRevisions;
}

TiledImage::TiledImage(Size size)
{
    touch();
    if (!Image::isValidSize(size))
        return;
    mSize = size;
    mPixelWidth = pixelsFor(size.width);
    mPixelHeight = pixelsFor(size.height);
    mColumns = (mPixelWidth + T - 1) / T;
    mRows = (mPixelHeight + T - 1) / T;
}

TiledImage::~TiledImage() = default;
TiledImage::TiledImage(TiledImage &&) noexcept = default;
TiledImage &TiledImage::operator=(TiledImage &&) noexcept = default;

qint64 TiledImage::liveTiles()
{
    return gLiveTiles.load();
}

void TiledImage::setTileLimit(qint64 limit)
{
    gTileLimit = limit;
}

const QImage *TiledImage::tileAt(int tx, int ty) const
{
    const Tile *t = tile(tx, ty);
    return t ? &t->image : nullptr;
}

TiledImage::Tile *TiledImage::tile(int tx, int ty) const
{
    if (tx < 0 || ty < 0 || tx >= mColumns || ty >= mRows)
        return nullptr;
    const auto it = mTiles.find(key(tx, ty));
    return it == mTiles.end() ? nullptr : it->second.get();
}

TiledImage::Tile *TiledImage::makeTile(int tx, int ty)
{
    if (Tile *t = tile(tx, ty))
        return t;
    const qint64 limit = gTileLimit.load();
    if (limit >= 0 && gLiveTiles.load() >= limit)
        return nullptr;
    auto t = std::unique_ptr<Tile>(new (std::nothrow) Tile);
    if (!t || t->image.isNull())
        return nullptr;
    Tile *made = t.get();
    mTiles.emplace(key(tx, ty), std::move(t));
    return made;
}

quint32 *TiledImage::tileForWriting(int tx, int ty)
{
    if (tx < 0 || ty < 0 || tx >= mColumns || ty >= mRows)
        return nullptr;
    touch();
    Tile *t = makeTile(tx, ty);
    return t ? reinterpret_cast<quint32 *>(t->image.bits()) : nullptr;
}

QRect TiledImage::tilePixelRect(int tx, int ty) const
{
    return QRect(tx * T, ty * T, T, T).intersected(QRect(0, 0, mPixelWidth, mPixelHeight));
}

Rect TiledImage::paintedBounds() const
{
    QRect bounds;
    for (const auto &entry : mTiles)
        bounds |= tilePixelRect(int(entry.first % quint32(mColumns)),
                                int(entry.first / quint32(mColumns)));
    return bounds.isEmpty()
        ? Rect {}
        : Rect(float(bounds.x()), float(bounds.y()), float(bounds.width()), float(bounds.height()));
}

QRgb TiledImage::pixel(int px, int py) const
{
    if (px < 0 || py < 0 || px >= mPixelWidth || py >= mPixelHeight)
        return 0;
    const Tile *t = tile(px / T, py / T);
    return t ? t->image.pixel(px % T, T - 1 - py % T) : 0;
}

QRect TiledImage::pixelRect(const Rect &r) const
{
    if (isEmptyRect(r) || mPixelWidth == 0)
        return {};
    // Clipped in floating point first, so that absurd rectangles never reach an int conversion.
    const double x0 = std::max(std::floor(double(r.x())), 0.0);
    const double y0 = std::max(std::floor(double(r.y())), 0.0);
    const double x1 = std::min(std::ceil(double(r.maxX())), double(mPixelWidth));
    const double y1 = std::min(std::ceil(double(r.maxY())), double(mPixelHeight));
    if (!(x1 > x0 && y1 > y0))
        return {};
    return QRect(int(x0), int(y0), int(x1 - x0), int(y1 - y0));
}

void TiledImage::readPixels(const QRect &pixels, QImage &out, int outX, int outY) const
{
    const Span s = Span::of(pixels.intersected(QRect(0, 0, mPixelWidth, mPixelHeight)));
    if (s.empty())
        return;
    const int topRow = outY + (pixels.y() + pixels.height() - 1); // out row of y-up row 0
    uchar *const base = out.bits();
    const qsizetype stride = out.bytesPerLine();
    forEachTilePart(s, [&](int tx, int ty, int r0, int r1, int c0, int c1) {
        const std::size_t bytes = std::size_t(c1 - c0) * 4;
        const Tile *t = tile(tx, ty);
        for (int py = r0; py < r1; ++py) {
            uchar *dst = base + (topRow - py) * stride + (outX + c0 - pixels.x()) * 4;
            if (t)
                std::memcpy(dst, t->image.constScanLine(T - 1 - (py - ty * T)) + (c0 - tx * T) * 4,
                            bytes);
            else
                std::memset(dst, 0, bytes);
        }
    });
}

void TiledImage::writePixels(const QImage &in, int inX, int inY, const QRect &pixels, bool *ok)
{
    const Span s = Span::of(pixels.intersected(QRect(0, 0, mPixelWidth, mPixelHeight)));
    if (s.empty())
        return;
    touch();
    const int topRow = inY + (pixels.y() + pixels.height() - 1);
    const uchar *const base = in.constBits();
    const qsizetype stride = in.bytesPerLine();
    forEachTilePart(s, [&](int tx, int ty, int r0, int r1, int c0, int c1) {
        const int bytes = (c1 - c0) * 4;
        const uchar *src = base + (topRow - (r1 - 1)) * stride + (inX + c0 - pixels.x()) * 4;
        Tile *t = tile(tx, ty);
        if (!t) {
            if (allZero(src, stride, r1 - r0, bytes))
                return; // nothing painted here: the tile stays absent
            t = makeTile(tx, ty);
            if (!t) {
                *ok = false;
                return;
            }
        }
        uchar *const tileBits = t->image.bits(); // detaches a tile shared with another image
        const qsizetype tileStride = t->image.bytesPerLine();
        for (int py = r1 - 1; py >= r0; --py, src += stride)
            std::memcpy(tileBits + (T - 1 - (py - ty * T)) * tileStride + (c0 - tx * T) * 4, src,
                        std::size_t(bytes));
    });
}

QPainter *TiledImage::beginPaint(const Rect &bounds)
{
    Scratch &s = scratch();
    INK_ASSERT(!s.busy);
    mLastPaintOk = true;
    const QRect pixels = pixelRect(bounds);
    if (pixels.isEmpty())
        return nullptr;
    if (!s.reserve(pixels.width(), pixels.height())) {
        s.release();
        mLastPaintOk = false;
        return nullptr;
    }
    s.busy = true;
    s.pixels = pixels;
    s.target = this;
    readPixels(pixels, s.image, 0, 0);
    // No save(): a saved state costs an allocation per pen sample. endPaint() resets instead.
    s.painter.resetTransform(); // the clip is given in the scratch's own pixels
    s.painter.setClipRect(QRect(0, 0, pixels.width(), pixels.height()));
    s.painter.setTransform(sheetToDevice(pixels.x(), pixels.y() + pixels.height()));
    return &s.painter;
}

bool TiledImage::endPaint()
{
    Scratch &s = scratch();
    INK_ASSERT(s.busy && s.target == this);
    s.painter.setRenderHints(QPainter::RenderHints());
    s.painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    s.painter.setOpacity(1.0);
    s.painter.setPen(Qt::NoPen);
    s.painter.setBrush(Qt::NoBrush);
    bool ok = true;
    writePixels(s.image, 0, 0, s.pixels, &ok);
    s.busy = false;
    s.target = nullptr;
    s.shrink();
    return ok;
}

void TiledImage::drawRect(QPainter &painter, const QTransform &sheetToDevice, const Rect &r,
                          QPainter::CompositionMode mode, qreal opacity) const
{
    const Span s = Span::of(pixelRect(r));
    if (s.empty() || mTiles.empty())
        return;
    // The painter's state is set only once a tile is drawn, and put back by hand: this runs for
    // every layer at every step of a stroke, where QPainter::save() is most of its cost.
    const QTransform transform = painter.transform();
    const QPainter::CompositionMode oldMode = painter.compositionMode();
    const qreal oldOpacity = painter.opacity();
    bool set = false;
    forEachTilePart(s, [&](int tx, int ty, int r0, int r1, int c0, int c1) {
        const Tile *t = tile(tx, ty);
        if (!t)
            return;
        if (!set) {
            painter.resetTransform(); // tiles are drawn unflipped, pixel for pixel
            painter.setCompositionMode(mode);
            painter.setOpacity(opacity);
            set = true;
        }
        // The part's top-left corner as a sheet point, to the device.
        const QPointF dev = sheetToDevice.map(QPointF(c0, r1));
        painter.drawImage(QPoint(int(std::lround(dev.x())), int(std::lround(dev.y()))), t->image,
                          QRect(c0 - tx * T, ty * T + T - r1, c1 - c0, r1 - r0));
    });
    if (set) {
        painter.setTransform(transform);
        painter.setCompositionMode(oldMode);
        painter.setOpacity(oldOpacity);
    }
}

bool TiledImage::compositeOnto(TiledImage &dest, QPainter::CompositionMode mode, qreal opacity,
                               const Rect &r) const
{
    bool ok = true;
    dest.touch();
    const bool addsPixels = mode != QPainter::CompositionMode_DestinationOut;
    const QRect within = pixelRect(r);
    for (const auto &[k, t] : mTiles) {
        const int tx = int(k % quint32(mColumns));
        const int ty = int(k / quint32(mColumns));
        const QRect part = tilePixelRect(tx, ty).intersected(within);
        if (part.isEmpty())
            continue;
        Tile *d = addsPixels ? dest.makeTile(tx, ty) : dest.tile(tx, ty);
        if (!d) {
            ok = ok && !addsPixels;
            continue;
        }
        d->image.bits(); // a tile shared with another image is copied before it changes
        QPainter p(&d->image);
        p.setCompositionMode(mode);
        p.setOpacity(opacity);
        const int top = ty * T + T - (part.y() + part.height()); // the part's first row in the tile
        p.drawImage(QPoint(part.x() - tx * T, top), t->image,
                    QRect(part.x() - tx * T, top, part.width(), part.height()));
    }
    return ok;
}

void TiledImage::clear()
{
    touch();
    mTiles.clear();
}

TiledImage TiledImage::sharedCopy() const
{
    TiledImage out(mSize);
    out.mTiles.reserve(mTiles.size());
    for (const auto &[k, t] : mTiles)
        out.mTiles.emplace(k, std::make_unique<Tile>(t->image));
    return out;
}

TiledImage TiledImage::reframed(const Rect &r) const
{
    TiledImage out(r.size);
    if (out.mPixelWidth == 0 || mPixelWidth == 0)
        return out;
    const float W = mSize.width;
    const float H = mSize.height;
    const float sx = std::max(r.x(), 0.0f);
    const float sy = std::max(r.y(), 0.0f);
    const float cw = std::max(std::min(W, r.x() + r.width()) - sx, 0.0f);
    const float ch = std::max(std::min(H, r.y() + r.height()) - sy, 0.0f);
    const float dx = std::max(-r.x(), 0.0f);
    const float dy = std::max(-r.y(), 0.0f);
    if (!(cw > 0.0f && ch > 0.0f) || mTiles.empty())
        return out;
    const Rect src {sx, sy, std::min(cw, r.width()), std::min(ch, r.height())};
    const QRect from = pixelRect(src);
    if (from.isEmpty())
        return out;
    // The whole pixels covering src land where their corner's sheet point lands, rounded.
    const float sheetX = from.x() - src.x() + dx;
    const float sheetTop = (from.y() + from.height()) - src.y() + dy;
    const int shiftX = int(std::lround(double(sheetX))) - from.x();
    const int devTop = int(std::lround(double(out.mPixelHeight) - double(sheetTop)));
    const int shiftY = (out.mPixelHeight - devTop - from.height()) - from.y();
    const QRect to = from.translated(shiftX, shiftY)
                         .intersected(QRect(0, 0, out.mPixelWidth, out.mPixelHeight));
    if (to.isEmpty())
        return out;

    const bool aligned = floorDiv(shiftX, T) * T == shiftX && floorDiv(shiftY, T) * T == shiftY;
    std::vector<quint32> targets;
    for (const auto &[k, t] : mTiles) {
        const int tx = int(k % quint32(mColumns));
        const int ty = int(k / quint32(mColumns));
        const QRect part = tilePixelRect(tx, ty).translated(shiftX, shiftY).intersected(to);
        if (part.isEmpty())
            continue;
        if (aligned && part.width() == T && part.height() == T) {
            // The very pixels, shared until one side paints.
            out.mTiles.emplace(out.key((tx * T + shiftX) / T, (ty * T + shiftY) / T),
                               std::make_unique<Tile>(t->image));
            continue;
        }
        for (int ny = part.y() / T; ny <= (part.y() + part.height() - 1) / T; ++ny)
            for (int nx = part.x() / T; nx <= (part.x() + part.width() - 1) / T; ++nx)
                targets.push_back(out.key(nx, ny));
    }
    std::sort(targets.begin(), targets.end());
    targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
    QImage buffer(T, T, kFormat);
    if (!targets.empty() && buffer.isNull())
        return TiledImage(Size {});
    for (const quint32 k : targets) {
        const int nx = int(k % quint32(out.mColumns));
        const int ny = int(k / quint32(out.mColumns));
        const QRect part = out.tilePixelRect(nx, ny).intersected(to);
        if (out.tile(nx, ny)) // a shared whole tile already fills it
            continue;
        readPixels(part.translated(-shiftX, -shiftY), buffer, 0, 0);
        bool ok = true;
        out.writePixels(buffer, 0, 0, part, &ok);
        if (!ok)
            return TiledImage(Size {});
    }
    return out;
}

bool TiledImage::setPixels(const QImage &picture)
{
    INK_ASSERT(picture.format() == kFormat && picture.width() == mPixelWidth
               && picture.height() == mPixelHeight);
    clear();
    bool ok = true;
    writePixels(picture, 0, 0, QRect(0, 0, mPixelWidth, mPixelHeight), &ok);
    return ok;
}

bool TiledImage::setRows(int top, const QImage &rows)
{
    INK_ASSERT(rows.format() == kFormat && rows.width() == mPixelWidth && top >= 0
               && top + rows.height() <= mPixelHeight);
    bool ok = true;
    writePixels(rows, 0, 0,
                QRect(0, mPixelHeight - top - rows.height(), mPixelWidth, rows.height()), &ok);
    return ok;
}
