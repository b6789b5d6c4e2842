#pragma once

#include "Geometry.h"

#include <QImage>
#include <QRect>
#include <functional>
#include <memory>
#include <vector>

class LayerComposite;

// Halved copies of the composited picture for views zoomed out: level 0 is the picture itself,
// each pixel of level L ≥ 1 the rounded mean of the 2 × 2 premultiplied pixels under it (those
// past the edge of the level below counting as transparent). Levels are tiled like TiledImage
// (y up from the bottom-left, 64 × 64) and sparse: a tile exists only where something is
// painted under it. Changes are only noted; a read brings up to date just the part of each
// tile it needs that changed, level by level from the picture.
class PicturePyramid
{
public:
    // Levels 1 to kMaxLevels are kept.
    static constexpr int kMaxLevels = 9;

    explicit PicturePyramid(const LayerComposite &picture); // a Picture, not owned
    ~PicturePyramid();
    PicturePyramid(const PicturePyramid &) = delete;
    PicturePyramid &operator=(const PicturePyramid &) = delete;

    // The composite changed within r (sheet coordinates, y up).
    void invalidate(const Rect &r);
    // After a re-framing or a replacement of the layers: every level is made again when read.
    void invalidateAll();

    int levelPixelWidth(int level) const;
    int levelPixelHeight(int level) const;

    // The pixels of level ≥ 1 under `pixels` (y up, x()/y() its bottom-left pixel) into `out`
    // (premultiplied ARGB32) at (outX, outY), Qt's top-left coordinates; transparent where
    // nothing is painted. Pixels outside the level are left as they are in `out`.
    void readPixels(int level, const QRect &pixels, QImage &out, int outX, int outY);

    // The same without a copy: draw(tile, part) for each painted tile under `pixels`, brought
    // up to date; `tile` shows the tile's pixels (row 0 at its top), valid during the call,
    // and `part` is the level pixel rectangle (y up) it covers.
    void drawTiles(int level, const QRect &pixels,
                   const std::function<void(const QImage &tile, const QRect &part)> &draw);

    // Whether level ≥ 1 is opaque all over `pixels`, brought up to date: nothing under it shows.
    bool opaqueUnder(int level, const QRect &pixels);

    // Tiles held, all levels together, and the memory they hold.
    qint64 tileCount() const;
    qint64 bytes() const;

private:
    struct Tile;
    struct Level;
    struct Source;

    void refresh();
    void bringUpToDate(int level, int tx, int ty);
    void update(int level, int tx, int ty, const QRect &r);
    // Level 0 under `part` (within its tile tx, ty) read in place where a layer's tile is the
    // composite there; *render when it must be composited by renderLevel0() instead.
    Source level0Source(const QRect &part, int tx, int ty, bool *render) const;
    // Level 0 under r (at most 2 × 2 tiles) composited into the scratch, and a part of it.
    void renderLevel0(const QRect &r);
    Source renderedSource(const QRect &rendered, const QRect &part) const;

    const LayerComposite &mPicture;
    int mWidth = 0; // level 0's pixel size when the levels were last reset
    int mHeight = 0;
    bool mStale = true;
    std::vector<Level> mLevels; // index = level; [0] is unused
    QImage mScratch; // level 0 under one tile of level 1, composited from the layers
};
