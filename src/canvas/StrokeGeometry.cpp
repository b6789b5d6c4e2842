#include "StrokeGeometry.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi8 = 0.39269908169872414; // π/8
constexpr double kPi4 = 0.7853981633974483; // π/4
constexpr double k2Pi = 6.283185307179586;
constexpr double k15Pi8 = 5.890486225480862;
} // namespace

// Float storage after every double-precision step keeps the sector borders where they always were.
void snapTo45degrees(Point &q, const Point &anchor)
{
    const float dx = q.x - anchor.x;
    const float dy = q.y - anchor.y;
    float a = float(std::atan2(double(dy), double(dx)));
    while (double(a) < -kPi8)
        a = float(double(a) + k2Pi);
    while (double(a) >= k15Pi8)
        a = float(double(a) - k2Pi);
    float c = 0.0f;
    for (int k = 0; k < 8; ++k) {
        const float off = a - c;
        if (std::fabs(double(off)) <= kPi8) {
            switch (k) {
            case 0:
            case 4:
                q.y = anchor.y;
                break;
            case 2:
            case 6:
                q.x = anchor.x;
                break;
            default:
                q.x = anchor.x + dy * tga[k];
                break;
            }
            return;
        }
        c = float(double(c) + kPi4);
    }
}

Rect touchedRect(Point last, Point next, float w)
{
    Rect r;
    if (next == last) {
        r = {next.x - w / 2, next.y - w / 2, w, w};
    } else {
        r = {std::min(next.x, last.x) - w / 2, std::min(next.y, last.y) - w / 2,
             std::fabs(std::trunc(next.x - last.x)) + w,
             std::fabs(std::trunc(next.y - last.y)) + w};
    }
    return integralRect(insetRect(r, -1, -1));
}

Rect lineDotRect(Point p, float w)
{
    return integralRect(insetRect({p.x - w / 2, p.y - w / 2, w, w}, -1, -1));
}

Rect lineTouchedRect(Point from, Point to, float w)
{
    if (from == to)
        return lineDotRect(to, w);
    const Rect r {std::min(from.x, to.x) - w / 2, std::min(from.y, to.y) - w / 2,
                  std::fabs(to.x - from.x) + w, std::fabs(to.y - from.y) + w};
    return integralRect(insetRect(r, -1, -1));
}
