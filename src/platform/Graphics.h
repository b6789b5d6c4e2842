#pragma once

#include "Color.h"
#include "Geometry.h"

#include <QPainterPath>

class Image;
class QPainter;

// How a drawing operation combines with what the destination holds.
enum class CompositeOp {
    Clear, // destination becomes transparent
    Copy, // destination replaced by the source, colour and alpha
    SourceOver, // source laid over destination
    DestinationOut, // destination × (1 − source alpha)
};

// The stack of drawing destinations ("focus"). Locking focus makes an image, or a widget's
// painter, the target of the drawing functions below until the matching unlock. Locks nest.
// All coordinates are sheet coordinates of the destination: origin bottom-left, y up.
namespace Graphics {

void lockFocus(Image &image);
// A painter already active on a device; sheetToDevice maps y-up sheet points to its pixels.
void lockFocus(QPainter &painter, const QTransform &sheetToDevice);
// A bare QImage, as a scratch whose sheet area is given by sheetToDevice.
void lockFocus(QImage &image, const QTransform &sheetToDevice);
void unlockFocus();
bool hasFocus();
// The painter of the destination on top of the stack, and how it maps sheet points to pixels,
// for drawing that passes its target on explicitly.
QPainter &currentPainter();
QTransform currentSheetToDevice();

void saveGraphicsState();
void restoreGraphicsState();
void clipRect(const Rect &r);

// The current colour, used by fills and strokes; a new destination starts opaque black.
void setColor(const Color &c);

// Fills r with the current colour, replacing what is there (alpha included).
void fillRect(const Rect &r);
// Fills r using the operation (Clear makes it transparent whatever the colour).
void fillRect(const Rect &r, CompositeOp op);
// A frame one point wide along the inside of r, in the current colour.
void frameRect(const Rect &r);

// Composites part src of the image onto the destination with src's bottom-left at dstOrigin,
// one pixel to one pixel; fraction multiplies the source's alpha.
void drawImage(const Image &image, const Rect &src, Point dstOrigin, CompositeOp op,
               float fraction);
// The part r of the image onto the part r of the destination.
void drawImage(const Image &image, const Rect &r, CompositeOp op, float fraction);

} // namespace Graphics

// A path drawn laid over the destination (source over), antialiased.
class BezierPath
{
public:
    enum LineCap { ButtCap = 0, RoundCap = 1, SquareCap = 2 };
    enum LineJoin { MiterJoin = 0, RoundJoin = 1, BevelJoin = 2 };

    void setLineWidth(float w) { mWidth = w; }
    void setLineCapStyle(LineCap c) { mCap = c; }
    void setLineJoinStyle(LineJoin j) { mJoin = j; }
    void moveToPoint(Point p);
    void lineToPoint(Point p);

    void stroke() const;
    void fill() const;
    // The same on a painter given explicitly, in a colour of its own.
    void stroke(QPainter &painter, const QColor &color) const;
    void fill(QPainter &painter, const QColor &color) const;

private:
    QPainterPath mPath;
    float mWidth = 1.0f;
    LineCap mCap = ButtCap;
    LineJoin mJoin = MiterJoin;
};
