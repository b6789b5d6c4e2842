#include "HoverCrosshair.h"

#include <QPainter>

QRect HoverCrosshair::rect() const
{
    // One pixel of outline on every side of the arms.
    return QRect(mPosition - QPoint(kArm + 1, kArm + 1), QSize(2 * kArm + 3, 2 * kArm + 3));
}

QRegion HoverCrosshair::moveTo(QPoint position)
{
    if (mShown && position == mPosition)
        return {};
    QRegion dirty = mShown ? QRegion(rect()) : QRegion();
    mPosition = position;
    mShown = true;
    return dirty | rect();
}

QRegion HoverCrosshair::hide()
{
    if (!mShown)
        return {};
    mShown = false;
    return rect();
}

void HoverCrosshair::paint(QPainter &painter) const
{
    if (!mShown)
        return;
    const int x = mPosition.x();
    const int y = mPosition.y();
    // Black on a light outline, so that it shows on the paper and on a dark desktop behind it.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(x - kArm - 1, y - 1, 2 * kArm + 3, 3, QColor(255, 255, 255, 200));
    painter.fillRect(x - 1, y - kArm - 1, 3, 2 * kArm + 3, QColor(255, 255, 255, 200));
    painter.fillRect(x - kArm, y, 2 * kArm + 1, 1, Qt::black);
    painter.fillRect(x, y - kArm, 1, 2 * kArm + 1, Qt::black);
    painter.restore();
}
