// The view's input at the Qt edge (the wheel, touchpad gestures, Space and middle-button drags,
// the pen's lower button, the arrow keys) and its repaints; the viewport keeps the rules.
#include "WTView.h"

#include <QKeyEvent>
#include <QNativeGestureEvent>
#include <QWheelEvent>
#include <cmath>

void WTView::placeViewport()
{
    CanvasViewport::Placement p;
    p.contained = parentWidget() != nullptr;
    p.container = p.contained ? QRectF(parentWidget()->rect()).translated(-pos()) : QRectF(rect());
    p.position = pos();
    p.height = height();
    p.devicePixelRatio = devicePixelRatioF();
    mViewport->setPlacement(p);
}

QRect WTView::unoverlappedRect() const
{
    // Qt moves pixels only where no sibling, such as a scroll bar over an edge, lies on top.
    if (!parentWidget())
        return rect();
    QRect open = parentWidget()->rect();
    const QPoint middle = open.center();
    for (const QObject *child : parentWidget()->children()) {
        const auto *sibling = qobject_cast<const QWidget *>(child);
        if (!sibling || sibling == this || !sibling->isVisible()
            || !sibling->geometry().intersects(open))
            continue;
        const QRect g = sibling->geometry();
        if (g.top() > middle.y())
            open.setBottom(g.top() - 1);
        else if (g.left() > middle.x())
            open.setRight(g.left() - 1);
        else if (g.bottom() < middle.y())
            open.setTop(g.bottom() + 1);
        else if (g.right() < middle.x())
            open.setLeft(g.right() + 1);
        else
            return {}; // something over the middle: nothing is moved
    }
    return open.translated(-pos());
}

void WTView::viewMoved(const QTransform &before)
{
    const QTransform &after = mViewport->sheetToWidget();
    const QPointF moved(after.dx() - before.dx(), after.dy() - before.dy());
    const qreal dpr = devicePixelRatioF();
    const bool sameShape = before.m11() == after.m11() && before.m12() == after.m12()
        && before.m21() == after.m21() && before.m22() == after.m22();
    const bool wholePixels = moved.x() == std::round(moved.x())
        && moved.y() == std::round(moved.y()) && dpr == std::round(dpr);
    if (sameShape && wholePixels && isOpaque() && !mCore->hasLinePreview()) {
        // A pan moves what is on screen; only what comes into view is drawn.
        // The marks over the picture moved with it; they are put back where the pointer is.
        QRegion marks;
        if (mCrosshair.isShown())
            marks |= mCrosshair.rect();
        if (mOutline.isShown())
            marks |= mOutline.rect();
        const QRect open = unoverlappedRect();
        scroll(int(moved.x()), int(moved.y()), open);
        update(QRegion(rect()) - open);
        update(marks);
        update(marks.translated(int(moved.x()), int(moved.y())));
    } else {
        update();
    }
    refreshHoverMarks();
    emit viewChanged();
}

void WTView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeViewport();
}

void WTView::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    placeViewport();
}

bool WTView::beginViewDrag(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at,
                           bool fromPen)
{
    if (mCore->isTrackingStroke() || !mViewport->dragPress(button, modifiers, at, fromPen))
        return false;
    updateNavigationCursor();
    return true;
}

void WTView::endViewDrag(Qt::MouseButton button)
{
    mViewport->dragRelease(button);
    if (mViewport->drag() == CanvasViewport::Drag::None)
        updateNavigationCursor();
}

void WTView::updateNavigationCursor()
{
    if (isNavigating() || mCore->isPicking())
        hideOutline();
    if (mViewport->drag() != CanvasViewport::Drag::None)
        setCursor(Qt::ClosedHandCursor);
    else if (mViewport->spaceHeld())
        setCursor(Qt::OpenHandCursor);
    else
        showIdleCursor();
}

void WTView::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        mViewport->setSpaceHeld(false);
        updateNavigationCursor();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

// The keys that move the view; false for any other.
bool WTView::navigationKey(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space) {
        if (!event->isAutoRepeat()) {
            mViewport->setSpaceHeld(true);
            updateNavigationCursor();
        }
        return true;
    }
    if (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    return mViewport->panForKey(event->key());
}

void WTView::focusOutEvent(QFocusEvent *event)
{
    // The Space release goes to whoever has the focus now.
    mViewport->setSpaceHeld(false);
    updateNavigationCursor();
    QWidget::focusOutEvent(event);
}

void WTView::wheelEvent(QWheelEvent *event)
{
    event->accept();
    mViewport->wheel(event->angleDelta(), event->pixelDelta(), event->modifiers(),
                     event->position());
}

bool WTView::event(QEvent *event)
{
    // A canvas that is its own window paints what its samples touched in this cycle.
    if (event->type() == QEvent::UpdateRequest)
        flushPendingDirt();
    if (event->type() == QEvent::NativeGesture) {
        const auto *gesture = static_cast<QNativeGestureEvent *>(event);
        switch (gesture->gestureType()) {
        case Qt::ZoomNativeGesture:
            mViewport->zoomAbout(mViewport->view().zoom() * (1.0 + gesture->value()),
                                 gesture->position());
            return true;
        case Qt::RotateNativeGesture:
            mViewport->rotateAbout(gesture->value(), gesture->position());
            return true;
        case Qt::BeginNativeGesture:
            mViewport->beginFreeTurn();
            return true;
        default:
            break;
        }
    }
    return QWidget::event(event);
}
