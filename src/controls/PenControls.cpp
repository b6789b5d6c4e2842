#include "PenControls.h"

#include "PenSettings.h"
#include "Preferences.h"
#include "WTView.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

PenButton::PenButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
}

int PenButton::tag() const
{
    return int(Preferences::toInteger(property("tag")).value_or(-1));
}

void PenButton::setTool(const Color *color, float width)
{
    mColor = color ? std::optional<Color>(*color) : std::nullopt;
    mWidth = width;
    const QString points = QString::number(double(width), 'g', 4);
    setToolTip(color ? tr("Pen %1, %2 points wide").arg(tag()).arg(points)
                     : tr("Eraser, %1 points wide").arg(points));
    update();
}

void PenButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    if (isChecked() || isDown()) {
        QColor highlight = palette().color(QPalette::Highlight);
        p.setPen(QPen(highlight, 1.0));
        highlight.setAlphaF(isDown() ? 0.45f : 0.25f);
        p.setBrush(highlight);
        p.drawRoundedRect(box, 4, 4);
    }
    const QPointF centre = box.center();
    // The dot is the width itself as far as the button allows.
    const qreal room = std::min(box.width(), box.height()) - 6.0;
    const qreal d = std::clamp(qreal(mWidth), 2.0, std::max(room, 2.0));
    if (!mColor) {
        // The eraser: a block of rubber, tilted.
        p.translate(centre);
        p.rotate(-35);
        const QRectF block(-room * 0.45, -room * 0.25, room * 0.9, room * 0.5);
        p.setPen(QPen(palette().color(QPalette::WindowText), 1.0));
        p.setBrush(QColor(240, 150, 160));
        p.drawRoundedRect(block, 2, 2);
        p.setBrush(QColor(235, 235, 240));
        p.drawRoundedRect(block.adjusted(block.width() * 0.55, 0, 0, 0), 2, 2);
        return;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(mColor->toQColor());
    p.drawEllipse(centre, d * 0.5, d * 0.5);
    // A ring in the text colour just outside the ink keeps dark ink legible on a dark style and
    // light ink on a light one.
    p.setPen(QPen(palette().color(QPalette::WindowText), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, d * 0.5 + 0.5, d * 0.5 + 0.5);
}

PenControls::PenControls(QWidget *parent)
    : QWidget(parent)
{
}

void PenControls::setCanvas(WTView *canvas)
{
    if (mCanvas)
        disconnect(mCanvas, nullptr, this, nullptr);
    mCanvas = canvas;
    for (PenButton *button : findChildren<PenButton *>()) {
        disconnect(button, &QAbstractButton::clicked, this, nullptr);
        connect(button, &QAbstractButton::clicked, this, [this, button] {
            if (mCanvas)
                mCanvas->setToolFromTag(button);
        });
    }
    if (canvas)
        connect(canvas, &WTView::penChanged, this, &PenControls::refresh);
    refresh();
}

void PenControls::refresh()
{
    if (!mCanvas)
        return;
    const PenSettings &pen = mCanvas->core().penSettings();
    for (PenButton *button : findChildren<PenButton *>()) {
        const int tag = button->tag();
        if (tag == PenSettings::kEraserTool) {
            // The eraser toggle's state is the canvas's to set.
            button->setTool(nullptr, pen.rubberSize());
        } else if (tag > PenSettings::kEraserTool && tag <= PenSettings::kSlots) {
            const int slot = PenSettings::slotOfTool(tag);
            button->setTool(&pen.color(slot), pen.brushSize(slot));
            button->setChecked(mCanvas->activeColor() == tag);
        }
    }
}
