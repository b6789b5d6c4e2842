#pragma once

#include <QPainterPath>
#include <QString>
#include <QStringView>
#include <optional>

// The nibs a colour slot can paint with. Each stroke is one coverage (a pixel painted twice by
// the same stroke is not darker), shaped and shaded by its nib.
enum class BrushKind : int {
    Pen = 0, // hard round, pressure sets the width
    Pencil = 1, // thin, grained by the paper, pressure sets opacity and a little width
    Airbrush = 2, // soft round with a hardness, pressure sets opacity
    Marker = 3, // flat chisel, its angle following the pen's tilt, pressure sets the width
};

namespace Brush {

inline constexpr int kKinds = 4;
// Long side to short side of the marker's chisel.
inline constexpr float kMarkerAspect = 4.0f;
// The chisel's angle, in radians, when the tablet reports no tilt.
inline constexpr float kFixedMarkerAngle = 0.78539816f;

// "pen", "pencil", "airbrush", "marker": the names recordings and settings keep.
QString name(BrushKind kind);
std::optional<BrushKind> fromName(QStringView name);

// The marker's chisel angle (radians, counter-clockwise from the sheet's x axis, y up) for a
// pen tilted by tiltX, tiltY degrees as Qt reports them (x to the right, y towards the user);
// the fixed angle when the pen stands upright or reports no tilt.
float markerAngle(float tiltX, float tiltY);

// The outline of what a press paints with this nib at width w (the slot's width at full
// pressure), centred on (0, 0) in sheet points, y up.
QPainterPath nibOutline(BrushKind kind, float width, float angle);

} // namespace Brush
