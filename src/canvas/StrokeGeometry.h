#pragma once

#include "Geometry.h"

// Tangent factor of each 45-degree sector; only the diagonal sectors 1, 3, 5 and 7 read it.
inline constexpr float tga[8] = {0, 1, 0, -1, 0, 1, 0, -1};

// Moves q so that the line from the anchor is horizontal, vertical or diagonal. A diagonal keeps
// q's vertical offset and gives the horizontal offset the same length.
void snapTo45degrees(Point &q, const Point &anchor);

// What one freehand sample from `last` to `next` at width w may have painted, grown by a point
// and widened to whole numbers. A sample at the last point is a dot of diameter w.
Rect touchedRect(Point last, Point next, float width);

// The rectangle whose inscribed oval is a straight line's dot at p: grown and made whole.
Rect lineDotRect(Point p, float width);

// What a straight line from `from` to `to` at width w may paint (the dot when they are equal).
Rect lineTouchedRect(Point from, Point to, float width);
