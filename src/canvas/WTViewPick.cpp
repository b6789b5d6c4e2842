// The colour picker's cursor, shown while it is armed or held.
#include "WTView.h"

#include <QCursor>
#include <QPainter>
#include <QPixmap>

namespace {

// A ring around the hot spot with a dropper leaning away from it, drawn light over dark so that
// it shows on any ink.
QCursor pickerCursor()
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const std::pair<QColor, qreal> strokes[] = {{Qt::black, 3.0}, {Qt::white, 1.2}};
    for (const auto &[colour, width] : strokes) {
        p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(4.5, 19.5), 3.0, 3.0);
        p.drawLine(QPointF(7.0, 17.0), QPointF(17.0, 7.0));
        p.drawLine(QPointF(15.0, 5.0), QPointF(19.0, 9.0));
        p.drawLine(QPointF(17.0, 7.0), QPointF(21.0, 3.0));
    }
    p.end();
    return QCursor(pixmap, 4, 19);
}

} // namespace

void WTView::showPicking(bool)
{
    updateNavigationCursor();
}

void WTView::showIdleCursor()
{
    setCursor(mCore->isPicking()     ? pickerCursor()
                  : mCore->isMoveTool() ? QCursor(Qt::SizeAllCursor)
                                        : QCursor(Qt::CrossCursor));
}
