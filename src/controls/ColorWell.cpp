#include "ColorWell.h"

#include <QColorDialog>
#include <QPainter>

ColorWell::ColorWell(QWidget *parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (mOpensDialog)
            openDialog();
    });
}

void ColorWell::setColor(const QColor &color)
{
    if (color == mColor)
        return;
    mColor = color;
    if (mDialog)
        mDialog->setCurrentColor(color);
    update();
}

void ColorWell::openDialog()
{
    if (mDialog) {
        mDialog->raise();
        return;
    }
    mDialog = new QColorDialog(mColor, window());
    mDialog->setObjectName(QStringLiteral("colorDialog"));
    mDialog->setAttribute(Qt::WA_DeleteOnClose);
    mDialog->setOption(QColorDialog::ShowAlphaChannel);
    connect(mDialog, &QColorDialog::colorSelected, this, [this](const QColor &c) {
        setColor(c);
        emit colorChosen(c);
    });
    mDialog->open();
}

void ColorWell::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    p.setPen(QPen(palette().color(isDown() ? QPalette::Highlight : QPalette::Mid), 1.0));
    p.setBrush(palette().button());
    p.drawRoundedRect(frame, 3, 3);
    const QRectF swatch = frame.adjusted(4, 4, -4, -4);
    if (!isEnabled() || !mColor.isValid()) {
        p.setPen(QPen(palette().color(QPalette::Disabled, QPalette::Text), 1.0));
        p.drawLine(swatch.bottomLeft(), swatch.topRight());
        return;
    }
    // A checkerboard under the colour shows how transparent it is.
    p.save();
    p.setClipRect(swatch);
    p.fillRect(swatch, Qt::white);
    const int cell = 5;
    for (int y = 0; y * cell < swatch.height(); ++y)
        for (int x = (y % 2); x * cell < swatch.width(); x += 2)
            p.fillRect(QRectF(swatch.x() + x * cell, swatch.y() + y * cell, cell, cell),
                       Qt::lightGray);
    p.restore();
    p.fillRect(swatch, mColor);
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(swatch);
    }
}
