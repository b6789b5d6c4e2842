#pragma once

#include "Brush.h"
#include "Geometry.h"

#include <QColor>
#include <QImage>
#include <QRect>

class TiledImage;

// One piece of a stroke, from one sample to the next, as its nib paints it. The width (the
// round nib's diameter, the chisel's long side) and the opacity go linearly from one end to
// the other, so a pressure taper has no steps. From and to equal: a dot.
struct InkSegment
{
    Point from;
    Point to;
    float fromWidth = 0.0f;
    float toWidth = 0.0f;
    float fromOpacity = 1.0f;
    float toOpacity = 1.0f;
    BrushKind kind = BrushKind::Pen;
    float hardness = 0.0f; // the airbrush's, 0..1
    float angle = Brush::kFixedMarkerAngle; // the marker's chisel, radians, y up
    // The stroke's last segment ended at `from` with this nib: a round nib of one width need
    // not paint again what lies behind `from`, which that segment covered as much.
    bool continues = false;
};

// How a segment's coverage joins the pixels it lands on. Max keeps the larger alpha, so that
// the segments of one stroke cover a pixel once however they overlap (the colour is laid at
// full strength; the stroke's own alpha is applied once, when it is shown). Over lays the
// segment over what is there with the colour's alpha.
enum class InkCombine { Max, Over };

// Strokes rasterised straight into pixels: coverage is worked out analytically, near the
// edges only, and the inside is filled in runs. Pixels are premultiplied ARGB32.
namespace StrokeRaster {

// Paints the segment into the part of the image that `pixels` (y up, from the bottom-left
// pixel) covers; tiles are made only where coverage lands. False when a tile could not be made:
// what landed in the others stays.
bool paint(TiledImage &image, const InkSegment &segment, const QColor &colour, InkCombine combine,
           const QRect &pixels);

// The same into a plain image whose bottom-left pixel is the sheet pixel `origin` (y up).
void paint(QImage &image, QPoint origin, const InkSegment &segment, const QColor &colour,
           InkCombine combine, const QRect &pixels);

// How far from the segment's centre line the nib can reach, in points: the round nib's radius,
// the chisel's half diagonal; at least half a pixel, as thinner lines are drawn a pixel wide.
float reach(BrushKind kind, float width);

// The pencil's paper grain at a sheet pixel, 0..1: fixed to the sheet, so that it does not move
// with the view. It repeats every 64 pixels, a row of which follows the one given.
const float &grainAt(int px, int py);

} // namespace StrokeRaster
