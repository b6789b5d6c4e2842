#include "BrushOutline.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {
// A dark line of one device pixel on a light one of three, so that it shows on any ink.
constexpr qreal kLightWidth = 3.0;
const QColor kLight(255, 255, 255, 200);

// On the middle of a device pixel, where a one-pixel line covers that pixel alone.
qreal pixelCentre(qreal v, qreal dpr)
{
    return (std::floor(v * dpr) + 0.5) / dpr;
}
} // namespace

QRegion BrushOutline::show(QPointF position, const QPainterPath &nib, qreal dpr)
{
    if (mShown && position == mPosition && dpr == mDpr && nib == mNib)
        return {};
    const QRect before = mShown ? mRect : QRect();
    mNib = nib;
    const QRectF box = nib.boundingRect();
    mCross = std::max(box.width(), box.height()) * dpr < kLeastAcross;
    if (mCross) {
        const QPointF c(pixelCentre(position.x(), dpr), pixelCentre(position.y(), dpr));
        mPath = QPainterPath();
        mPath.moveTo(c - QPointF(kCrossArm, 0));
        mPath.lineTo(c + QPointF(kCrossArm, 0));
        mPath.moveTo(c - QPointF(0, kCrossArm));
        mPath.lineTo(c + QPointF(0, kCrossArm));
    } else {
        mPath = nib;
    }
    mPosition = position;
    mDpr = dpr;
    mShown = true;
    // Half the light line and a pixel of antialiasing, counted as if a device pixel were a
    // widget pixel (a grab may paint at a ratio of 1), and a pixel for Qt's rounding.
    const qreal grow = kLightWidth / 2 + 2;
    mRect = mPath.boundingRect().adjusted(-grow, -grow, grow, grow).toAlignedRect();
    if (before == mRect)
        return before; // the same place, perhaps another shape
    return QRegion(before) | mRect;
}

QRegion BrushOutline::hide()
{
    if (!mShown)
        return {};
    mShown = false;
    return mRect;
}

void BrushOutline::paint(QPainter &painter) const
{
    if (!mShown)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, !mCross);
    painter.setBrush(Qt::NoBrush);
    // Cosmetic pens are as wide in device pixels at any zoom and device pixel ratio.
    QPen light(kLight, kLightWidth);
    light.setCosmetic(true);
    light.setCapStyle(Qt::FlatCap);
    painter.setPen(light);
    painter.drawPath(mPath);
    QPen dark(Qt::black, 1.0);
    dark.setCosmetic(true);
    dark.setCapStyle(Qt::FlatCap);
    painter.setPen(dark);
    painter.drawPath(mPath);
    painter.restore();
}
