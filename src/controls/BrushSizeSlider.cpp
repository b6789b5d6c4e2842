#include "BrushSizeSlider.h"

#include <QLabel>
#include <QLocale>
#include <QSlider>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {
// Narrower than this, the track alone is worth the room.
constexpr int kMinTrackWidth = 40;
constexpr int kGap = 4;

QString pointsText(float width)
{
    return BrushSizeSlider::tr("%1 pt").arg(QLocale().toString(double(width), 'g', 4));
}
} // namespace

BrushSizeSlider::BrushSizeSlider(QWidget *parent)
    : QWidget(parent)
    , mSlider(new QSlider(Qt::Horizontal, this))
    , mValue(new QLabel(this))
{
    mSlider->setObjectName(QStringLiteral("brushSizeTrack"));
    mSlider->setRange(0, kSteps);
    // Steps of the slider's own would be fractions of the log scale, a page of it half the
    // widths there are: stepped() makes steps of the widths themselves instead.
    mSlider->setSingleStep(0);
    mSlider->setPageStep(0);
    mSlider->installEventFilter(this);
    setFocusProxy(mSlider);
    mValue->setObjectName(QStringLiteral("brushSizeValue"));
    mValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(mSlider, &QAbstractSlider::actionTriggered, this, &BrushSizeSlider::stepped);
    connect(mSlider, &QAbstractSlider::valueChanged, this, &BrushSizeSlider::userMoved);
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

float BrushSizeSlider::stepWidth(float width, int direction)
{
    if (std::isnan(width))
        return kMinWidth;
    // A width between two steps goes to the next one that way; the slack absorbs float tenths.
    constexpr double slack = 1e-4;
    const double w = width;
    double next;
    if (direction > 0)
        next = w < 1.0 - slack ? std::floor(w * 10.0 + slack) / 10.0 + 0.1
                               : std::floor(w + slack) + 1.0;
    else
        next = w > 1.0 + slack ? std::ceil(w - slack) - 1.0
                               : std::ceil(w * 10.0 - slack) / 10.0 - 0.1;
    return std::clamp(float(std::round(next * 10.0) / 10.0), kMinWidth, kMaxWidth);
}

void BrushSizeSlider::showBrushSize(float width)
{
    // The user's own move coming back: the slider stays where the pointer put it.
    if (width == mWidth && mSlider->value() != positionForWidth(width) && mSlider->isSliderDown())
        return;
    mWidth = width;
    const QSignalBlocker quiet(mSlider);
    mSlider->setValue(positionForWidth(width));
    showValue();
}

void BrushSizeSlider::userMoved(int position)
{
    mWidth = widthForPosition(position);
    showValue();
    if (mSlider->isSliderDown() && mValue->isHidden())
        QToolTip::showText(mapToGlobal(QPoint(width() / 2, 0)), tr("%1 points").arg(double(mWidth)),
                           this);
    emit brushSizeChosen(mWidth);
}

void BrushSizeSlider::stepped(int action)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        choose(stepWidth(mWidth, 1));
        break;
    case QAbstractSlider::SliderSingleStepSub:
        choose(stepWidth(mWidth, -1));
        break;
    case QAbstractSlider::SliderPageStepAdd:
        choose(PenSettings::largerWidth(mWidth));
        break;
    case QAbstractSlider::SliderPageStepSub:
        choose(PenSettings::smallerWidth(mWidth));
        break;
    default: // a drag or an end: the position says the width
        break;
    }
}

void BrushSizeSlider::choose(float width)
{
    if (width == mWidth)
        return;
    mWidth = width;
    {
        // The slider's own step, which follows, then finds the position already there.
        const QSignalBlocker quiet(mSlider);
        mSlider->setValue(positionForWidth(width));
    }
    showValue();
    emit brushSizeChosen(width);
}

void BrushSizeSlider::showValue()
{
    mValue->setText(pointsText(mWidth));
}

void BrushSizeSlider::resizeEvent(QResizeEvent *)
{
    const int valueWidth = mValue->fontMetrics().horizontalAdvance(pointsText(88.8f));
    const bool roomForValue = width() >= valueWidth + kGap + kMinTrackWidth;
    mValue->setHidden(!roomForValue);
    const int track = roomForValue ? width() - valueWidth - kGap : width();
    mSlider->setGeometry(0, 0, track, height());
    mValue->setGeometry(track + kGap, 0, valueWidth, height());
}

bool BrushSizeSlider::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != mSlider || event->type() != QEvent::Wheel)
        return QWidget::eventFilter(watched, event);
    // A notch of the wheel is a step of the keys.
    const QPoint turned = static_cast<QWheelEvent *>(event)->angleDelta();
    mWheelDelta += turned.y() != 0 ? turned.y() : turned.x();
    while (std::abs(mWheelDelta) >= 120) {
        const int direction = mWheelDelta > 0 ? 1 : -1;
        mWheelDelta -= direction * 120;
        choose(stepWidth(mWidth, direction));
    }
    return true;
}
