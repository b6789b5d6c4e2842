#pragma once

#include "Geometry.h"

#include <QImage>
#include <QPainter>
#include <memory>
#include <unordered_map>

// An image of any sheet size whose pixels live in square tiles, made when first painted and
// freed when cleared: an untouched region costs nothing. Tiles are premultiplied ARGB32, the
// layout Qt's raster engine paints fastest. The tile grid counts from the bottom-left pixel, as
// the sheet does, so re-framing that keeps the bottom-left corner keeps every tile where it is;
// inside a tile, row 0 is its top row, as in any QImage. No tile holds a pixel outside the
// image's pixel area.
class TiledImage
{
public:
    static constexpr int kTileSide = 64;

    // Only the size is kept: any size Image::isValidSize() accepts is ready at once; another
    // gives an image of size 0.
    explicit TiledImage(Size size);
    ~TiledImage();
    TiledImage(TiledImage &&) noexcept;
    TiledImage &operator=(TiledImage &&) noexcept;

    Size size() const { return mSize; }
    int pixelWidth() const { return mPixelWidth; }
    int pixelHeight() const { return mPixelHeight; }
    int tileColumns() const { return mColumns; }
    int tileRows() const { return mRows; }
    std::size_t tileCount() const { return mTiles.size(); }
    bool isEmpty() const { return mTiles.empty(); }
    // Changes whenever a pixel may have: no two images, nor two states of one, share a revision.
    // What is derived from the image (a composite kept for the view) keeps it to know it is
    // current.
    quint64 revision() const { return mRevision; }

    // The tile at column tx, row ty (rows counted from the bottom); nullptr where none is.
    const QImage *tileAt(int tx, int ty) const;
    // The pixel rectangle a tile covers, y up, clipped to the image.
    QRect tilePixelRect(int tx, int ty) const;
    // Tiles made and not yet freed, by every tiled image of the process.
    static qint64 liveTiles();
    // For tests of allocation failure: at most this many live tiles (negative: no limit).
    static void setTileLimit(qint64 limit);

    // The tiles' area in sheet coordinates (whole tiles, clipped to the image); empty without.
    Rect paintedBounds() const;

    // Premultiplied pixel (px, py) counted from the bottom-left corner; 0 where no tile is.
    QRgb pixel(int px, int py) const;

    // Sheet rectangle to the y-up pixel rectangle covering it, clipped to the image.
    QRect pixelRect(const Rect &r) const;

    // Paints through a painter whose coordinates are the sheet's (y up) and that is clipped to
    // the pixels covering `bounds`; only the tiles under them are touched. False when a tile
    // could not be made: what landed in the others stays. Not re-entrant.
    template<typename Draw>
    bool paint(const Rect &bounds, Draw &&draw)
    {
        QPainter *painter = beginPaint(bounds);
        if (!painter)
            return mLastPaintOk;
        draw(*painter);
        return endPaint();
    }
    // The same in two steps: nullptr when nothing is to be painted (or no scratch could be
    // had: then endPaint() is not called and lastPaintFailed() tells).
    QPainter *beginPaint(const Rect &bounds);
    bool endPaint();
    bool lastPaintFailed() const { return !mLastPaintOk; }

    // The pixels of tile (tx, ty) to write into straight, made transparent when absent; nullptr
    // outside the image or when it cannot be made. Row 0 is the tile's top row, kTileSide
    // pixels apart; a tile shared with a copy is detached first.
    quint32 *tileForWriting(int tx, int ty);

    // Composites the part r of the image onto a painter that maps sheet points to its device
    // by sheetToDevice (a flip and a whole-pixel translation), tile by tile.
    void drawRect(QPainter &painter, const QTransform &sheetToDevice, const Rect &r,
                  QPainter::CompositionMode mode, qreal opacity) const;

    // Composites the part r of this image onto dest, tile by tile, over this image's tiles
    // only: with DestinationOut the absent tiles of dest stay absent. False when a tile could not
    // be made.
    bool compositeOnto(TiledImage &dest, QPainter::CompositionMode mode, qreal opacity,
                       const Rect &r) const;

    // Frees every tile.
    void clear();

    // Another image with the same tiles, shared until either side paints into one: what a
    // background save reads while the picture goes on changing. Costs no pixels.
    TiledImage sharedCopy() const;

    // The image re-framed to r, given in this image's coordinates: what r covers moves by
    // (−x, −y), whole tiles moved where the offset allows, painted tiles copied otherwise.
    // An invalid image (size 0) when r cannot be held or a tile cannot be made.
    TiledImage reframed(const Rect &r) const;

    // Replaces the pixels by a picture of the same pixel size (premultiplied ARGB32, row 0 at
    // the top); its transparent tiles stay absent. False when a tile could not be made.
    bool setPixels(const QImage &picture);
    // Replaces the pixel rows [top, top + rows.height()), counted from the top, by rows
    // (premultiplied ARGB32 of the image's pixel width); transparent parts of absent tiles stay
    // absent. False when a tile could not be made.
    bool setRows(int top, const QImage &rows);
    // Copies the pixels of a y-up pixel rectangle into `out` at (outX, outY), Qt's top-left
    // coordinates; absent tiles give transparent pixels. `out` is premultiplied ARGB32.
    void readPixels(const QRect &pixels, QImage &out, int outX, int outY) const;

private:
    struct Tile;
    quint32 key(int tx, int ty) const { return quint32(ty) * quint32(mColumns) + quint32(tx); }
    Tile *tile(int tx, int ty) const;
    Tile *makeTile(int tx, int ty);
    void writePixels(const QImage &in, int inX, int inY, const QRect &pixels, bool *ok);

    Size mSize;
    int mPixelWidth = 0;
    int mPixelHeight = 0;
    int mColumns = 0;
    int mRows = 0;
    bool mLastPaintOk = true;
    quint64 mRevision = 0;
    void touch();
    // Only the painted tiles: what an image costs follows what was painted, not its size.
    std::unordered_map<quint32, std::unique_ptr<Tile>> mTiles;
};
