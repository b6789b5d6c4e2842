#include "ViewTransform.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
// A zoom this close to a power of two, in octaves, is that power: pixels then stay crisp.
constexpr double kPowerSnap = 0.01;

double halfOctaves(double zoom)
{
    return 2.0 * std::log2(zoom);
}
} // namespace

void ViewTransform::setZoom(double zoom)
{
    if (!std::isfinite(zoom))
        return;
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    const double octaves = std::log2(zoom);
    if (std::abs(octaves - std::round(octaves)) < kPowerSnap)
        zoom = std::exp2(std::round(octaves));
    mZoom = zoom;
}

void ViewTransform::setRotation(double degrees)
{
    if (!std::isfinite(degrees))
        return;
    degrees = std::remainder(degrees, 360.0); // [−180, 180]
    if (degrees <= -180.0)
        degrees += 360.0;
    if (std::abs(degrees) < kRotationSnap)
        degrees = 0.0;
    mRotation = degrees;
}

bool ViewTransform::isDefault() const
{
    return mZoom == 1.0 && mRotation == 0.0 && !mMirrored && mPan.isNull();
}

bool ViewTransform::isRightAngled() const
{
    return std::remainder(mRotation, 90.0) == 0.0;
}

QTransform ViewTransform::matrix(QPointF centre) const
{
    if (isDefault())
        return {};
    double c = 1.0;
    double s = 0.0;
    if (isRightAngled()) {
        const int quarter = int(std::lround(mRotation / 90.0)) & 3;
        c = quarter == 0 ? 1.0 : quarter == 2 ? -1.0 : 0.0;
        s = quarter == 1 ? 1.0 : quarter == 3 ? -1.0 : 0.0;
    } else {
        const double a = mRotation * std::numbers::pi / 180.0;
        c = std::cos(a);
        s = std::sin(a);
    }
    const double mx = mMirrored ? -1.0 : 1.0;
    // x' = a11 x + a12 y, y' = a21 x + a22 y about the centre, y down: clockwise on screen.
    const double a11 = mZoom * c * mx;
    const double a12 = -mZoom * s;
    const double a21 = mZoom * s * mx;
    const double a22 = mZoom * c;
    const double dx = centre.x() + mPan.x() - a11 * centre.x() - a12 * centre.y();
    const double dy = centre.y() + mPan.y() - a21 * centre.x() - a22 * centre.y();
    return QTransform(a11, a21, a12, a22, dx, dy);
}

QTransform ViewTransform::alignedToDevice(const QTransform &m, qreal devicePixelRatio)
{
    const bool rightAngled
        = (m.m12() == 0.0 && m.m21() == 0.0) || (m.m11() == 0.0 && m.m22() == 0.0);
    if (!rightAngled || !(devicePixelRatio > 0.0))
        return m;
    return QTransform(m.m11(), m.m12(), m.m21(), m.m22(),
                      std::round(m.dx() * devicePixelRatio) / devicePixelRatio,
                      std::round(m.dy() * devicePixelRatio) / devicePixelRatio);
}

void ViewTransform::keepFixed(const ViewTransform &before, QPointF widgetPoint, QPointF centre)
{
    bool invertible = false;
    const QPointF unzoomed = before.matrix(centre).inverted(&invertible).map(widgetPoint);
    if (!invertible)
        return;
    mPan += widgetPoint - matrix(centre).map(unzoomed);
}

double ViewTransform::zoomInStep(double zoom)
{
    const double next = std::exp2((std::floor(halfOctaves(zoom) + 0.1) + 1.0) / 2.0);
    return std::min(next, kMaxZoom);
}

double ViewTransform::zoomOutStep(double zoom)
{
    const double next = std::exp2((std::ceil(halfOctaves(zoom) - 0.1) - 1.0) / 2.0);
    return std::max(next, kMinZoom);
}

QJsonArray ViewTransform::toJson() const
{
    return {mZoom, mRotation, mMirrored ? 1 : 0, mPan.x(), mPan.y()};
}

std::optional<ViewTransform> ViewTransform::fromJson(const QJsonValue &value)
{
    const QJsonArray a = value.toArray();
    if (a.size() != 5)
        return std::nullopt;
    for (const QJsonValue &v : a)
        if (!v.isDouble() || !std::isfinite(v.toDouble()))
            return std::nullopt;
    const double zoom = a[0].toDouble();
    const double mirrored = a[2].toDouble();
    if (zoom < kMinZoom || zoom > kMaxZoom || (mirrored != 0.0 && mirrored != 1.0))
        return std::nullopt;
    ViewTransform view;
    view.setZoom(zoom);
    view.setRotation(a[1].toDouble());
    view.setMirrored(mirrored == 1.0);
    view.setPan({a[3].toDouble(), a[4].toDouble()});
    return view;
}
