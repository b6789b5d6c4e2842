// Pastes and drops: an image from the clipboard or dropped on the canvas floats as a new layer
// until it is placed; the core keeps it.
#include "WTView.h"

#include "Beep.h"
#include "CanvasQuestions.h"
#include "PastedImage.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <cmath>

void WTView::paste(QObject *)
{
    const PastedImage::Reading read = PastedImage::read(QGuiApplication::clipboard()->mimeData());
    if (read.image.isNull()) {
        refusePaste(read.refusal);
        return;
    }
    const Rect shown = mViewport->visibleRect();
    pasteImage(read.image, {shown.x() + shown.width() / 2, shown.y() + shown.height() / 2});
}

bool WTView::pasteImage(const QImage &image, Point centre)
{
    if (!mCore->beginPaste(image, centre))
        return false;
    setFocus(Qt::OtherFocusReason); // for the arrows, Enter and Escape
    return true;
}

void WTView::refusePaste(const QString &why)
{
    systemBeep();
    if (mQuestions)
        mQuestions->tellPasteRefused(*this, why);
}

bool WTView::pasteKey(QKeyEvent *event)
{
    if (!mCore->hasFloatingPaste())
        return false;
    QPointF screen; // the way the arrow points on the screen
    switch (event->key()) {
    case Qt::Key_Left:
        screen = {-1, 0};
        break;
    case Qt::Key_Right:
        screen = {1, 0};
        break;
    case Qt::Key_Up:
        screen = {0, -1};
        break;
    case Qt::Key_Down:
        screen = {0, 1};
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        mCore->commitPaste();
        return true;
    default:
        return false;
    }
    // The same way on the sheet, however the view is turned or mirrored, in whole pixels.
    const QPointF middle(width() / 2.0, height() / 2.0);
    const Point a = mViewport->sheetPoint(middle);
    const Point b = mViewport->sheetPoint(middle + screen);
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    if (length > 0) {
        const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
        mCore->nudgePaste(int(std::lround(dx / length * step)),
                          int(std::lround(dy / length * step)));
    }
    return true;
}

void WTView::dragEnterEvent(QDragEnterEvent *event)
{
    if (PastedImage::isOffered(event->mimeData()))
        event->acceptProposedAction();
}

void WTView::dragMoveEvent(QDragMoveEvent *event)
{
    if (PastedImage::isOffered(event->mimeData()))
        event->acceptProposedAction();
}

void WTView::dropEvent(QDropEvent *event)
{
    const PastedImage::Reading read = PastedImage::read(event->mimeData());
    if (read.image.isNull()) {
        refusePaste(read.refusal);
        return;
    }
    event->acceptProposedAction();
    pasteImage(read.image, mViewport->sheetPoint(event->position()));
}

void WTView::drawFloatingPasteFrame(QPainter &painter) const
{
    if (!mCore->hasFloatingPaste())
        return;
    const Rect r = mCore->floatingPasteRect();
    const QPolygonF edge = mViewport->view().isDefault()
        ? QPolygonF(mViewport->widgetRect(r))
        : mViewport->sheetToWidget().map(QPolygonF(QRectF(r.x(), r.y(), r.width(), r.height())));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 0));
    painter.drawPolygon(edge);
    QPen dashes(Qt::black, 0, Qt::DashLine);
    painter.setPen(dashes);
    painter.drawPolygon(edge);
    painter.restore();
}
