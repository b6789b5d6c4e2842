#include "ColorWheel.h"

#include <QConicalGradient>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace {
constexpr qreal kRingWidth = 0.18; // of the outer radius
constexpr float kStep = 1.0f / 100.0f;
} // namespace

ColorWheel::ColorWheel(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Colour wheel"));
    setAccessibleDescription(
        tr("Hue around the ring, saturation across and value up the square"));
    setColor(Qt::black);
}

QColor ColorWheel::color() const
{
    return QColor::fromHsvF(mHue, mSaturation, mValue, mAlpha);
}

void ColorWheel::setColor(const QColor &color)
{
    const QColor hsv = color.toHsv();
    // A grey has no hue of its own: the ring stays where it was.
    if (hsv.hsvHueF() >= 0)
        mHue = float(hsv.hsvHueF());
    mSaturation = float(hsv.hsvSaturationF());
    mValue = float(hsv.valueF());
    mAlpha = float(hsv.alphaF());
    update();
}

QPointF ColorWheel::centre() const
{
    return QRectF(rect()).center();
}

qreal ColorWheel::outerRadius() const
{
    return std::max(std::min(width(), height()) / 2.0 - 2.0, 8.0);
}

qreal ColorWheel::innerRadius() const
{
    return outerRadius() * (1.0 - kRingWidth);
}

QRectF ColorWheel::square() const
{
    // Inscribed in the ring's hole, with a little air.
    const qreal half = innerRadius() * 0.68;
    return {centre().x() - half, centre().y() - half, 2 * half, 2 * half};
}

ColorWheel::Part ColorWheel::partAt(QPointF p) const
{
    const qreal r = std::hypot(p.x() - centre().x(), p.y() - centre().y());
    if (r <= outerRadius() && r >= innerRadius())
        return Part::Ring;
    return square().contains(p) ? Part::Square : Part::None;
}

std::optional<QColor> ColorWheel::colorAt(QPointF p, const QColor &current) const
{
    const QColor hsv = current.toHsv();
    const float hue = hsv.hsvHueF() >= 0 ? float(hsv.hsvHueF()) : mHue;
    switch (partAt(p)) {
    case Part::Ring: {
        // Hue counter-clockwise from the right, as the screen shows angles to the eye.
        qreal angle = std::atan2(centre().y() - p.y(), p.x() - centre().x());
        if (angle < 0)
            angle += 2 * M_PI;
        return QColor::fromHsvF(float(angle / (2 * M_PI)), hsv.hsvSaturationF(), hsv.valueF(),
                                hsv.alphaF());
    }
    case Part::Square: {
        const QRectF s = square();
        const qreal sat = std::clamp((p.x() - s.left()) / s.width(), 0.0, 1.0);
        const qreal val = std::clamp(1.0 - (p.y() - s.top()) / s.height(), 0.0, 1.0);
        return QColor::fromHsvF(hue, float(sat), float(val), hsv.alphaF());
    }
    case Part::None:
        break;
    }
    return std::nullopt;
}

QPointF ColorWheel::ringPoint(const QColor &color) const
{
    const qreal hue = std::max(color.toHsv().hsvHueF(), 0.0f) * 2 * M_PI;
    const qreal r = (outerRadius() + innerRadius()) / 2;
    return {centre().x() + r * std::cos(hue), centre().y() - r * std::sin(hue)};
}

QPointF ColorWheel::squarePoint(const QColor &color) const
{
    const QColor hsv = color.toHsv();
    const QRectF s = square();
    return {s.left() + hsv.hsvSaturationF() * s.width(), s.top() + (1 - hsv.valueF()) * s.height()};
}

void ColorWheel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = centre();
    QConicalGradient hues(c, 0);
    for (int i = 0; i <= 6; ++i)
        hues.setColorAt(i / 6.0, QColor::fromHsvF(std::fmod(i / 6.0f, 1.0f), 1, 1));
    QPainterPath ring;
    ring.addEllipse(c, outerRadius(), outerRadius());
    ring.addEllipse(c, innerRadius(), innerRadius());
    p.fillPath(ring, hues);

    const QRectF s = square();
    p.fillRect(s, QColor::fromHsvF(mHue, 1, 1));
    QLinearGradient white(s.topLeft(), s.topRight());
    white.setColorAt(0, Qt::white);
    white.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(s, white);
    QLinearGradient black(s.topLeft(), s.bottomLeft());
    black.setColorAt(0, QColor(0, 0, 0, 0));
    black.setColorAt(1, Qt::black);
    p.fillRect(s, black);

    // Markers in two tones, seen on any colour.
    const QColor current = color();
    for (const QPointF at : {ringPoint(current), squarePoint(current)}) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::black, 3));
        p.drawEllipse(at, 5, 5);
        p.setPen(QPen(Qt::white, 1.5));
        p.drawEllipse(at, 5, 5);
    }
    if (hasFocus()) {
        p.setPen(QPen(palette().highlight(), 1, Qt::DotLine));
        p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void ColorWheel::change(float hue, float saturation, float value)
{
    mHue = std::clamp(hue, 0.0f, 1.0f);
    mSaturation = std::clamp(saturation, 0.0f, 1.0f);
    mValue = std::clamp(value, 0.0f, 1.0f);
    update();
    emit colorChanged(color());
}

void ColorWheel::dragTo(QPointF p)
{
    const QPointF c = centre();
    if (mDragging == Part::Ring) {
        qreal angle = std::atan2(c.y() - p.y(), p.x() - c.x());
        if (angle < 0)
            angle += 2 * M_PI;
        change(float(angle / (2 * M_PI)), mSaturation, mValue);
    } else if (mDragging == Part::Square) {
        const QRectF s = square();
        change(mHue, float((p.x() - s.left()) / s.width()),
               float(1.0 - (p.y() - s.top()) / s.height()));
    }
}

void ColorWheel::mousePressEvent(QMouseEvent *event)
{
    mDragging = partAt(event->position());
    dragTo(event->position());
}

void ColorWheel::mouseMoveEvent(QMouseEvent *event)
{
    dragTo(event->position());
}

void ColorWheel::mouseReleaseEvent(QMouseEvent *event)
{
    if (mDragging == Part::None)
        return;
    dragTo(event->position());
    mDragging = Part::None;
    emit colorChosen(color());
}

void ColorWheel::keyPressEvent(QKeyEvent *event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    float h = mHue, s = mSaturation, v = mValue;
    switch (event->key()) {
    case Qt::Key_Left:
        (shift ? s : h) -= kStep;
        break;
    case Qt::Key_Right:
        (shift ? s : h) += kStep;
        break;
    case Qt::Key_Up:
        v += kStep;
        break;
    case Qt::Key_Down:
        v -= kStep;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    // The ring goes round.
    h = std::fmod(h + 1.0f, 1.0f);
    change(h, s, v);
    emit colorChosen(color());
}
