#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTransform>

// Geometry of the sheet: 32-bit floats, origin bottom-left, y up.
// Qt's top-left, y-down coordinates appear only through toQtRect()/toQtPoint() and, for
// painters, sheetToDevice().

struct Point
{
    float x = 0.0f;
    float y = 0.0f;
    friend bool operator==(const Point &, const Point &) = default;
};

struct Size
{
    float width = 0.0f;
    float height = 0.0f;
    friend bool operator==(const Size &, const Size &) = default;
};

struct Rect
{
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(float x, float y, float w, float h)
        : origin {x, y}
        , size {w, h}
    {
    }
    constexpr Rect(Point o, Size s)
        : origin(o)
        , size(s)
    {
    }

    float x() const { return origin.x; }
    float y() const { return origin.y; }
    float width() const { return size.width; }
    float height() const { return size.height; }
    float maxX() const { return origin.x + size.width; }
    float maxY() const { return origin.y + size.height; }
    friend bool operator==(const Rect &, const Rect &) = default;
};

// Width or height not greater than zero.
bool isEmptyRect(const Rect &r);

// Smallest rectangle with whole-number edges containing r; an empty rectangle gives (0,0,0,0).
Rect integralRect(const Rect &r);

// Moves each edge inward by dx, dy (outward when negative).
Rect insetRect(const Rect &r, float dx, float dy);

// Overlap of two rectangles; (0,0,0,0) when they do not overlap.
Rect intersectionRect(const Rect &a, const Rect &b);

// Smallest rectangle holding both; an empty one does not count.
Rect unionRect(const Rect &a, const Rect &b);

// Text form "{{x, y}, {w, h}}" and back; unreadable text gives (0,0,0,0).
QString stringFromRect(const Rect &r);
Rect rectFromString(const QString &s);

// The one place where y-up sheet coordinates meet Qt's y-down ones: a space of the given height.
QRectF toQtRect(const Rect &r, float spaceHeight);
QPointF toQtPoint(const Point &p, float spaceHeight);
Point fromQtPoint(const QPointF &p, float spaceHeight);
Rect fromQtRect(const QRectF &r, float spaceHeight);
// Draws sheet points into a y-down device (an image, a painter) whose top-left pixel lies at the
// sheet's (left, top).
QTransform sheetToDevice(qreal left, qreal top);
