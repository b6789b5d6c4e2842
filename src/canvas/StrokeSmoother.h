#pragma once

#include "Geometry.h"

// Steadies a freehand stroke: the painted point trails the pen as an exponential moving
// average of its positions, so it never leaves the convex hull of the pen's path. Strength 0
// hands every position back untouched.
class StrokeSmoother
{
public:
    static constexpr int kMaxStrength = 100;

    // Strengths outside 0..kMaxStrength are clamped.
    void setStrength(int strength);
    int strength() const { return mStrength; }
    bool isOn() const { return mStrength > 0; }

    // The pen went down at p.
    void begin(Point p);
    // The pen moved to p: the point to paint to.
    Point follow(Point p);

private:
    int mStrength = 0;
    float mWeight = 1.0f; // of each new position
    Point mPosition;
};
