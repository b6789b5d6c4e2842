#include "BrushSizeSlider.h"

#include <QToolTip>
#include <algorithm>
#include <cmath>

BrushSizeSlider::BrushSizeSlider(QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
{
    setRange(0, kSteps);
    setSingleStep(10);
    setPageStep(100);
    connect(this, &QAbstractSlider::valueChanged, this, &BrushSizeSlider::userMoved);
    showBrushSize(mWidth);
}

int BrushSizeSlider::positionForWidth(float width)
{
    if (!(width > kMinWidth)) // NaN and widths below the scale sit at its start
        return 0;
    if (width >= kMaxWidth)
        return kSteps;
    const double t = std::log(double(width) / kMinWidth) / std::log(double(kMaxWidth) / kMinWidth);
    return int(std::lround(t * kSteps));
}

float BrushSizeSlider::widthForPosition(int position)
{
    const double t = double(std::clamp(position, 0, kSteps)) / kSteps;
    const double w = kMinWidth * std::pow(double(kMaxWidth) / kMinWidth, t);
    // Tenths of a point: steps the user can read and type back.
    return std::clamp(float(std::round(w * 10.0) / 10.0), kMinWidth, kMaxWidth);
}

void BrushSizeSlider::showBrushSize(float width)
{
    // The user's own move coming back: the slider stays where the pointer put it.
    if (width == mWidth && value() != positionForWidth(width) && isSliderDown())
        return;
    mWidth = width;
    const QSignalBlocker quiet(this);
    setValue(positionForWidth(width));
}

void BrushSizeSlider::userMoved(int position)
{
    mWidth = widthForPosition(position);
    if (isSliderDown())
        QToolTip::showText(mapToGlobal(QPoint(width() / 2, 0)), tr("%1 points").arg(double(mWidth)),
                           this);
    emit brushSizeChosen(mWidth);
}
