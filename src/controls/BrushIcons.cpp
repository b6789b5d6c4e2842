#include "BrushIcons.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QRadialGradient>

namespace {
constexpr int kSide = 24; // logical pixels, drawn at twice that for sharp screens

QPixmap drawn(BrushKind kind)
{
    QPixmap pixmap(kSide * 2, kSide * 2);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = QGuiApplication::palette().color(QPalette::WindowText);
    const QPointF centre(kSide / 2.0, kSide / 2.0);
    p.setPen(Qt::NoPen);
    switch (kind) {
    case BrushKind::Pen:
        p.setBrush(ink);
        p.drawEllipse(centre, 7.0, 7.0);
        break;
    case BrushKind::Pencil: {
        // A thin grained line: specks of uneven strength along a diagonal.
        constexpr float kStrength[] = {1.0f, 0.45f, 0.8f, 0.3f, 0.9f, 0.55f, 1.0f, 0.4f, 0.75f};
        int i = 0;
        for (qreal t = 4.0; t <= kSide - 4.0; t += 2.0, ++i) {
            QColor speck = ink;
            speck.setAlphaF(kStrength[i % std::size(kStrength)]);
            p.setBrush(speck);
            p.drawEllipse(QPointF(t, kSide - t + ((i % 2) ? 0.6 : -0.6)), 1.3, 1.3);
        }
        break;
    }
    case BrushKind::Airbrush: {
        QRadialGradient spray(centre, 10.0);
        spray.setColorAt(0.0, ink);
        QColor clear = ink;
        clear.setAlpha(0);
        spray.setColorAt(1.0, clear);
        p.setBrush(spray);
        p.drawEllipse(centre, 10.0, 10.0);
        break;
    }
    case BrushKind::Marker:
        p.setBrush(ink);
        p.translate(centre);
        p.rotate(-45.0);
        p.drawRect(QRectF(-8.0, -2.0, 16.0, 4.0));
        break;
    }
    return pixmap;
}
} // namespace

QIcon BrushIcons::icon(BrushKind kind)
{
    return QIcon(drawn(kind));
}

QString BrushIcons::title(BrushKind kind)
{
    switch (kind) {
    case BrushKind::Pen:
        return tr("Pen");
    case BrushKind::Pencil:
        return tr("Pencil");
    case BrushKind::Airbrush:
        return tr("Airbrush");
    case BrushKind::Marker:
        return tr("Marker");
    }
    return {};
}

QString BrushIcons::toolTip(BrushKind kind)
{
    switch (kind) {
    case BrushKind::Pen:
        return tr("Pen: hard and round, pressing harder paints wider");
    case BrushKind::Pencil:
        return tr("Pencil: grainy, pressing harder paints darker");
    case BrushKind::Airbrush:
        return tr("Airbrush: soft and round, pressing harder paints denser");
    case BrushKind::Marker:
        return tr("Marker: a flat chisel that turns as the pen tilts");
    }
    return {};
}
