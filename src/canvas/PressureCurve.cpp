#include "PressureCurve.h"

#include <algorithm>
#include <cmath>

namespace {
bool unitValue(float v)
{
    return std::isfinite(v) && v >= 0.0f && v <= 1.0f;
}
} // namespace

PressureCurve::PressureCurve()
    : PressureCurve(std::vector<Point> {{0.0f, 0.0f}, {1.0f, 1.0f}})
{
}

// Fritsch and Carlson's tangents: zero at a local extremum, and shortened where a segment's
// cubic would leave the range of its ends.
PressureCurve::PressureCurve(std::vector<Point> points)
    : mPoints(std::move(points))
{
    const size_t n = mPoints.size();
    std::vector<float> slope(n - 1);
    for (size_t i = 0; i + 1 < n; ++i)
        slope[i] = (mPoints[i + 1].y - mPoints[i].y) / (mPoints[i + 1].x - mPoints[i].x);
    mTangents.assign(n, 0.0f);
    mTangents[0] = slope[0];
    mTangents[n - 1] = slope[n - 2];
    for (size_t i = 1; i + 1 < n; ++i)
        mTangents[i] = slope[i - 1] * slope[i] <= 0.0f ? 0.0f : (slope[i - 1] + slope[i]) / 2;
    for (size_t i = 0; i + 1 < n; ++i) {
        if (slope[i] == 0.0f) {
            mTangents[i] = mTangents[i + 1] = 0.0f;
            continue;
        }
        const float a = mTangents[i] / slope[i];
        const float b = mTangents[i + 1] / slope[i];
        const float h = std::hypot(a, b);
        if (h > 3.0f) {
            mTangents[i] = 3.0f / h * a * slope[i];
            mTangents[i + 1] = 3.0f / h * b * slope[i];
        }
    }
}

PressureCurve PressureCurve::preset(Preset preset)
{
    switch (preset) {
    case Preset::Soft: // light pressure already gives a wide line
        return PressureCurve({{0.0f, 0.0f}, {0.25f, 0.5f}, {1.0f, 1.0f}});
    case Preset::Firm: // a wide line needs a hard press
        return PressureCurve({{0.0f, 0.0f}, {0.5f, 0.25f}, {1.0f, 1.0f}});
    case Preset::Linear:
    case Preset::Custom:
        break;
    }
    return {};
}

std::optional<PressureCurve> PressureCurve::fromPoints(const std::vector<Point> &points)
{
    if (points.size() < 2 || points.size() > size_t(kMaxPoints))
        return std::nullopt;
    for (size_t i = 0; i < points.size(); ++i) {
        if (!unitValue(points[i].x) || !unitValue(points[i].y))
            return std::nullopt;
        if (i > 0 && !(points[i].x > points[i - 1].x))
            return std::nullopt;
    }
    if (points.front().x != 0.0f || points.back().x != 1.0f)
        return std::nullopt;
    return PressureCurve(points);
}

bool PressureCurve::isLinear() const
{
    return mPoints == PressureCurve().mPoints;
}

float PressureCurve::map(float pressure) const
{
    const float x = std::isfinite(pressure) ? std::clamp(pressure, 0.0f, 1.0f) : 0.0f;
    size_t i = 0;
    while (i + 2 < mPoints.size() && x > mPoints[i + 1].x)
        ++i;
    const Point &p0 = mPoints[i];
    const Point &p1 = mPoints[i + 1];
    const float h = p1.x - p0.x;
    const float t = (x - p0.x) / h;
    const float t2 = t * t;
    const float t3 = t2 * t;
    const float y = (2 * t3 - 3 * t2 + 1) * p0.y + (t3 - 2 * t2 + t) * h * mTangents[i]
        + (-2 * t3 + 3 * t2) * p1.y + (t3 - t2) * h * mTangents[i + 1];
    return std::clamp(y, 0.0f, 1.0f);
}

std::vector<float> PressureCurve::numbers() const
{
    std::vector<float> out;
    for (const Point &p : mPoints) {
        out.push_back(p.x);
        out.push_back(p.y);
    }
    return out;
}

std::optional<PressureCurve> PressureCurve::fromNumbers(const std::vector<float> &numbers)
{
    if (numbers.size() % 2 != 0)
        return std::nullopt;
    std::vector<Point> points;
    for (size_t i = 0; i < numbers.size(); i += 2)
        points.push_back({numbers[i], numbers[i + 1]});
    return fromPoints(points);
}
