#pragma once

#include "Geometry.h"

class QImage;
class QRect;

// A picture's layers composited, as what is derived from them reads it: tile by tile, the
// tiles laid out as TiledImage's.
class LayerComposite
{
public:
    virtual ~LayerComposite() = default;

    virtual Size sheetSize() const = 0;
    // Where, within part (y-up pixels inside the tile at column tx, row ty), the composite is a
    // layer's tile as it is: that tile. Otherwise nullptr, and *composited tells whether
    // anything is painted there, to be had from renderLayersInRect().
    virtual const QImage *tileShownAsIs(int tx, int ty, const QRect &part,
                                        bool *composited) const = 0;
    // Every enabled layer with its snapshots into part r of the current drawing destination.
    virtual void renderLayersInRect(const Rect &r) const = 0;
};
