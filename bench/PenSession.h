#pragma once

// The long pen session of the engine benchmarks: 20 strokes of 500 tablet samples at brush width
// 10, then ten short strokes, as a recording would hold them. Seeded, so every run, every sheet
// size and the libmypaint comparison paint the very same samples.
#include "Geometry.h"
#include "SessionEvent.h"

#include <QRandomGenerator>
#include <algorithm>
#include <cmath>
#include <vector>

namespace pensession {

constexpr int kLongStrokes = 20;
constexpr int kLongSamples = 500; // press, 498 moves, release
constexpr int kShortStrokes = 10;
constexpr int kShortSamples = 20;
constexpr float kBrushWidth = 10.0f;
constexpr qint64 kSampleMilliseconds = 5; // a 200 Hz tablet
// Fits a 600 × 600 sheet, so that every size paints the same samples.
constexpr Rect kArea {20, 20, 560, 560};

struct Sample
{
    float x;
    float y;
    float pressure;
};
using Stroke = std::vector<Sample>;

// A random walk of a few points per sample from a random start, kept 10 points inside area.
inline Stroke randomStroke(QRandomGenerator &rng, const Rect &area, int samples)
{
    const float margin = 10.0f;
    auto within = [](double v, float lo, float hi) { return std::clamp(float(v), lo, hi); };
    double x = area.x() + margin + rng.bounded(double(area.width() - 2 * margin));
    double y = area.y() + margin + rng.bounded(double(area.height() - 2 * margin));
    double heading = rng.bounded(2 * M_PI);
    Stroke stroke;
    stroke.reserve(std::size_t(samples));
    for (int i = 0; i < samples; ++i) {
        heading += rng.bounded(1.0) - 0.5;
        const double step = 1.0 + rng.bounded(4.0);
        x = within(x + step * std::cos(heading), area.x() + margin, area.maxX() - margin);
        y = within(y + step * std::sin(heading), area.y() + margin, area.maxY() - margin);
        stroke.push_back({float(x), float(y), float(0.3 + rng.bounded(0.7))});
    }
    stroke.back().pressure = 0.0f; // the release, as a tablet reports the pen leaving the sheet
    return stroke;
}

// The 20 long strokes, then the ten short ones.
inline std::vector<Stroke> strokes(const Rect &area = kArea, quint32 seed = 20240611)
{
    QRandomGenerator rng(seed);
    std::vector<Stroke> all;
    for (int i = 0; i < kLongStrokes; ++i)
        all.push_back(randomStroke(rng, area, kLongSamples));
    for (int i = 0; i < kShortStrokes; ++i)
        all.push_back(randomStroke(rng, area, kShortSamples));
    return all;
}

inline std::vector<Stroke> longStrokes(const Rect &area = kArea)
{
    std::vector<Stroke> all = strokes(area);
    all.resize(kLongStrokes);
    return all;
}

inline SessionEvent action(const char *name, double value, qint64 t)
{
    SessionEvent e;
    e.kind = SessionEvent::Kind::Action;
    e.name = QLatin1String(name);
    e.value = value;
    e.t = t;
    return e;
}

// The pen set up as the toolbar does it, the pen in proximity, then each stroke as press, moves
// and release.
inline std::vector<SessionEvent> eventsFor(const std::vector<Stroke> &strokes)
{
    std::vector<SessionEvent> events;
    qint64 t = 0;
    events.push_back(action("setActiveColor:", 1, t));
    events.push_back(action("setBrushSize:", double(kBrushWidth), t));
    SessionEvent near;
    near.kind = SessionEvent::Kind::Proximity;
    near.enter = true;
    near.pointer = QStringLiteral("pen");
    near.t = ++t;
    events.push_back(near);
    for (const Stroke &stroke : strokes) {
        t += 200; // the pen lifted between strokes
        for (std::size_t i = 0; i < stroke.size(); ++i) {
            SessionEvent e;
            e.kind = i == 0              ? SessionEvent::Kind::Press
                : i + 1 == stroke.size() ? SessionEvent::Kind::Release
                                         : SessionEvent::Kind::Move;
            e.pointer = near.pointer;
            e.x = stroke[i].x;
            e.y = stroke[i].y;
            e.pressure = stroke[i].pressure;
            e.t = t;
            t += kSampleMilliseconds;
            events.push_back(e);
        }
    }
    return events;
}

inline std::vector<SessionEvent> session(const Rect &area = kArea)
{
    return eventsFor(strokes(area));
}

} // namespace pensession
