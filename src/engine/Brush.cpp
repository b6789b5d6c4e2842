#include "Brush.h"

#include <QTransform>
#include <array>
#include <cmath>

namespace {
constexpr std::array<const char *, Brush::kKinds> kNames = {"pen", "pencil", "airbrush", "marker"};
// Below this tilt (degrees) the direction is noise.
constexpr float kLeastTilt = 2.0f;
} // namespace

QString Brush::name(BrushKind kind)
{
    const int i = int(kind);
    return i >= 0 && i < kKinds ? QString::fromLatin1(kNames[std::size_t(i)]) : QString();
}

std::optional<BrushKind> Brush::fromName(QStringView name)
{
    for (int i = 0; i < kKinds; ++i)
        if (name == QLatin1String(kNames[std::size_t(i)]))
            return BrushKind(i);
    return std::nullopt;
}

float Brush::markerAngle(float tiltX, float tiltY)
{
    if (!(std::hypot(tiltX, tiltY) >= kLeastTilt))
        return kFixedMarkerAngle;
    // Qt's y tilt grows towards the user, which is down the sheet; the chisel lies across the
    // direction the pen leans, as a broad nib held at that slant.
    return std::atan2(-tiltY, tiltX) + 1.57079633f;
}

QPainterPath Brush::nibOutline(BrushKind kind, float width, float angle)
{
    QPainterPath path;
    const qreal r = qreal(width) / 2;
    if (kind != BrushKind::Marker) {
        path.addEllipse(QPointF(0, 0), r, r);
        return path;
    }
    const qreal h = r / qreal(kMarkerAspect);
    path.addRect(QRectF(-r, -h, 2 * r, 2 * h));
    return QTransform().rotateRadians(qreal(angle)).map(path);
}
