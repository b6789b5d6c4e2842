#include "StrokeSmoother.h"

#include <algorithm>
#include <cmath>

void StrokeSmoother::setStrength(int strength)
{
    mStrength = std::clamp(strength, 0, kMaxStrength);
    // Geometric, so that each step of the slider is felt about as much as the last.
    mWeight = float(std::pow(0.03, double(mStrength) / kMaxStrength));
}

void StrokeSmoother::begin(Point p)
{
    mPosition = p;
}

Point StrokeSmoother::follow(Point p)
{
    if (!isOn())
        return mPosition = p;
    mPosition = {mPosition.x + (p.x - mPosition.x) * mWeight,
                 mPosition.y + (p.y - mPosition.y) * mWeight};
    return mPosition;
}
