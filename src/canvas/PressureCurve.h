#pragma once

#include <optional>
#include <vector>

// How tablet pressure becomes width: a curve through control points from (0, y0) to (1, y1),
// both coordinates in 0..1 and x rising, drawn smooth without overshoot (monotone cubic
// Hermite), so that a curve that never falls never makes a harder press thinner.
class PressureCurve
{
public:
    struct Point
    {
        float x = 0.0f;
        float y = 0.0f;
        bool operator==(const Point &) const = default;
    };

    enum class Preset { Linear = 0, Soft = 1, Firm = 2, Custom = 3 };
    static constexpr int kMaxPoints = 8;

    // The linear curve: output equals input.
    PressureCurve();

    static PressureCurve preset(Preset preset);
    // Nothing for points that make no curve: fewer than two or more than kMaxPoints, a value
    // outside 0..1 or not finite, x not rising, the ends not at x 0 and 1.
    static std::optional<PressureCurve> fromPoints(const std::vector<Point> &points);

    const std::vector<Point> &points() const { return mPoints; }
    // The output pressure for an input one, both clamped to 0..1.
    float map(float pressure) const;
    bool isLinear() const;

    // x0, y0, x1, y1, … as the preferences and recordings keep it, and back.
    std::vector<float> numbers() const;
    static std::optional<PressureCurve> fromNumbers(const std::vector<float> &numbers);

    bool operator==(const PressureCurve &other) const { return mPoints == other.mPoints; }

private:
    explicit PressureCurve(std::vector<Point> points);

    std::vector<Point> mPoints;
    std::vector<float> mTangents;
};
