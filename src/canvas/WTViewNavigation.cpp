// The view: zoom, rotation, mirror and pan, and the input that changes them (the View
// commands, the wheel, touchpad gestures, Space and middle-button drags, the pen's lower button).
#include "WTView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QTabletEvent>
#include <QWheelEvent>
#include <cmath>
#include <numbers>

namespace {
constexpr double kWheelStep = 48.0; // widget pixels a wheel notch scrolls
constexpr double kWheelNotchesPerOctave = 4.0; // Ctrl+wheel: four notches double the zoom
constexpr double kFitMargin = 8.0; // pixels of surround left around a fitted sheet
constexpr double kPenButtonDeadZone = 3.0; // a thumb resting on the button moves nothing

double degreesBetween(QPointF centre, QPointF from, QPointF to)
{
    const QPointF a = from - centre;
    const QPointF b = to - centre;
    return std::atan2(a.x() * b.y() - a.y() * b.x(), a.x() * b.x() + a.y() * b.y()) * 180.0
        / std::numbers::pi;
}
} // namespace

void WTView::updateViewMatrix()
{
    const QTransform base(1, 0, 0, -1, -mBoundsOrigin.x, height() + mBoundsOrigin.y);
    mSheetToWidget = mView.isDefault()
        ? base
        : ViewTransform::alignedToDevice(base * mView.matrix(viewCentre()), devicePixelRatioF());
    mWidgetToSheet = mSheetToWidget.inverted();
}

QPointF WTView::viewCentre() const
{
    if (!parentWidget())
        return QRectF(rect()).center();
    return QPointF(parentWidget()->width() * 0.5 - x(), parentWidget()->height() * 0.5 - y());
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

QRectF WTView::containerRect() const
{
    return parentWidget() ? QRectF(parentWidget()->rect()) : QRectF(geometry());
}

QRectF WTView::shownSheetRect() const
{
    const Size s = sheetSize();
    return mSheetToWidget.mapRect(QRectF(0, 0, s.width, s.height)).translated(pos());
}

ViewTransform WTView::keptInView(ViewTransform view) const
{
    // The middle of the view stays on the sheet's bounding box, so some of it always shows.
    const QTransform base(1, 0, 0, -1, -mBoundsOrigin.x, height() + mBoundsOrigin.y);
    const QPointF centre = viewCentre();
    const Size s = sheetSize();
    const QRectF shown = (base * view.matrix(centre)).mapRect(QRectF(0, 0, s.width, s.height));
    QPointF pan = view.pan();
    if (centre.x() < shown.left())
        pan.rx() += centre.x() - shown.left();
    else if (centre.x() > shown.right())
        pan.rx() += centre.x() - shown.right();
    if (centre.y() < shown.top())
        pan.ry() += centre.y() - shown.top();
    else if (centre.y() > shown.bottom())
        pan.ry() += centre.y() - shown.bottom();
    view.setPan(pan);
    return view;
}

void WTView::setView(const ViewTransform &view)
{
    const ViewTransform next = keptInView(view);
    if (next == mView)
        return;
    const QTransform before = mSheetToWidget;
    mView = next;
    updateViewMatrix();
    const QPointF moved(mSheetToWidget.dx() - before.dx(), mSheetToWidget.dy() - before.dy());
    const qreal dpr = devicePixelRatioF();
    const bool sameShape = before.m11() == mSheetToWidget.m11()
        && before.m12() == mSheetToWidget.m12() && before.m21() == mSheetToWidget.m21()
        && before.m22() == mSheetToWidget.m22();
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

double WTView::displayZoom() const
{
    return mView.zoom() * devicePixelRatioF();
}

void WTView::setDisplayZoom(double zoom)
{
    zoomAbout(zoom / devicePixelRatioF(), viewCentre());
}

void WTView::zoomAbout(double zoom, QPointF widgetPoint)
{
    ViewTransform v = mView;
    v.setZoom(zoom);
    v.keepFixed(mView, widgetPoint, viewCentre());
    setView(v);
}

void WTView::rotateAbout(double degrees, QPointF widgetPoint)
{
    // Turned freely, but shown upright near upright: the free angle is kept apart.
    if (std::abs(std::remainder(mFreeRotation - mView.rotation(), 360.0))
        > ViewTransform::kRotationSnap)
        mFreeRotation = mView.rotation();
    mFreeRotation = std::remainder(mFreeRotation + degrees, 360.0);
    ViewTransform v = mView;
    v.setRotation(mFreeRotation);
    v.keepFixed(mView, widgetPoint, viewCentre());
    setView(v);
}

void WTView::panBy(QPointF widgetDelta)
{
    // Whole pixels, so that what is on screen can be moved rather than drawn again.
    const QPointF total = widgetDelta + mPanRemainder;
    const QPointF whole(std::trunc(total.x()), std::trunc(total.y()));
    mPanRemainder = total - whole;
    if (whole.isNull())
        return;
    ViewTransform v = mView;
    v.setPan(v.pan() + whole);
    setView(v);
}

void WTView::zoomIn()
{
    zoomAbout(ViewTransform::zoomInStep(mView.zoom()), viewCentre());
}

void WTView::zoomOut()
{
    zoomAbout(ViewTransform::zoomOutStep(mView.zoom()), viewCentre());
}

void WTView::zoomToActualSize()
{
    zoomAbout(1.0 / devicePixelRatioF(), viewCentre());
}

ViewTransform WTView::centred(ViewTransform v) const
{
    const Size s = sheetSize();
    v.setPan({});
    const QTransform base(1, 0, 0, -1, -mBoundsOrigin.x, height() + mBoundsOrigin.y);
    const QPointF centre = viewCentre();
    const QPointF middle = (base * v.matrix(centre)).map(QPointF(s.width / 2, s.height / 2));
    v.setPan(centre - middle);
    return v;
}

std::optional<ViewTransform> WTView::fitted(ViewTransform v) const
{
    const Size s = sheetSize();
    const QRectF view = containerRect();
    if (isEmptyRect({{0, 0}, s}) || view.isEmpty())
        return std::nullopt;
    v.setZoom(1.0);
    v.setPan({});
    const QTransform base(1, 0, 0, -1, -mBoundsOrigin.x, height() + mBoundsOrigin.y);
    const QRectF turned
        = (base * v.matrix(viewCentre())).mapRect(QRectF(0, 0, s.width, s.height));
    const double room = std::min((view.width() - 2 * kFitMargin) / turned.width(),
                                 (view.height() - 2 * kFitMargin) / turned.height());
    v.setZoom(std::max(room, 0.0));
    return centred(v);
}

bool WTView::sheetOutgrowsContainer() const
{
    const Size s = sheetSize();
    const QSizeF room = containerRect().size() * devicePixelRatioF();
    return s.width > room.width() || s.height > room.height();
}

void WTView::zoomToFit()
{
    if (const auto v = fitted(mView))
        setView(*v);
}

void WTView::resetView()
{
    ViewTransform upright;
    upright.setZoom(1.0 / devicePixelRatioF());
    if (sheetOutgrowsContainer()) {
        if (const auto v = fitted(upright))
            setView(*v);
    } else {
        setView(centred(upright));
    }
}

void WTView::fitIfLarger()
{
    if (sheetOutgrowsContainer())
        zoomToFit();
}

void WTView::rotateStepAbout(int steps, QPointF widgetPoint)
{
    ViewTransform v = mView;
    v.setRotation((std::round(mView.rotation() / ViewTransform::kRotationStep) + steps)
                  * ViewTransform::kRotationStep);
    v.keepFixed(mView, widgetPoint, viewCentre());
    setView(v);
}

void WTView::rotateLeft()
{
    rotateStepAbout(-1, viewCentre());
}

void WTView::rotateRight()
{
    rotateStepAbout(1, viewCentre());
}

void WTView::resetRotation()
{
    ViewTransform v = mView;
    v.setRotation(0.0);
    v.keepFixed(mView, viewCentre(), viewCentre());
    setView(v);
}

void WTView::toggleMirror()
{
    ViewTransform v = mView;
    v.setMirrored(!mView.isMirrored());
    v.keepFixed(mView, viewCentre(), viewCentre());
    setView(v);
}

void WTView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateViewMatrix();
}

void WTView::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    updateViewMatrix();
}

bool WTView::beginViewDrag(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at,
                           bool fromPen)
{
    if (mCore->isTrackingStroke() || mViewDrag != ViewDrag::None)
        return false;
    const bool middle = button == Qt::MiddleButton;
    if (!middle && !(button == Qt::LeftButton && mSpaceHeld))
        return false;
    if (modifiers & Qt::ShiftModifier)
        mViewDrag = ViewDrag::Rotate;
    else
        mViewDrag = middle && fromPen ? ViewDrag::PenButtonPan : ViewDrag::Pan;
    mViewDragButton = button;
    mViewDragStart = mViewDragLast = at;
    mViewDragMoved = mViewDrag != ViewDrag::PenButtonPan;
    mFreeRotation = mView.rotation();
    updateNavigationCursor();
    return true;
}

bool WTView::continueViewDrag(QPointF at)
{
    if (mViewDrag == ViewDrag::None)
        return false;
    if (!mViewDragMoved) {
        const QPointF d = at - mViewDragStart;
        if (std::hypot(d.x(), d.y()) < kPenButtonDeadZone)
            return true;
        mViewDragMoved = true;
    }
    if (mViewDrag == ViewDrag::Rotate) {
        const QPointF centre = viewCentre();
        rotateAbout(degreesBetween(centre, mViewDragLast, at), centre);
    } else {
        panBy(at - mViewDragLast);
    }
    mViewDragLast = at;
    return true;
}

void WTView::endViewDrag()
{
    mViewDrag = ViewDrag::None;
    mViewDragButton = Qt::NoButton;
    updateNavigationCursor();
}

void WTView::updateNavigationCursor()
{
    if (isNavigating() || mCore->isPicking())
        hideOutline();
    if (mViewDrag != ViewDrag::None)
        setCursor(Qt::ClosedHandCursor);
    else if (mSpaceHeld)
        setCursor(Qt::OpenHandCursor);
    else
        showIdleCursor();
}

void WTView::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        mSpaceHeld = false;
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
            mSpaceHeld = true;
            updateNavigationCursor();
        }
        return true;
    }
    if (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    const QSizeF view = containerRect().size();
    const double step = 0.1 * std::min(view.width(), view.height());
    switch (event->key()) {
    case Qt::Key_Left:
        panBy({step, 0});
        return true;
    case Qt::Key_Right:
        panBy({-step, 0});
        return true;
    case Qt::Key_Up:
        panBy({0, step});
        return true;
    case Qt::Key_Down:
        panBy({0, -step});
        return true;
    case Qt::Key_PageUp:
        panBy({0, std::trunc(view.height() * 0.9)});
        return true;
    case Qt::Key_PageDown:
        panBy({0, -std::trunc(view.height() * 0.9)});
        return true;
    default:
        return false;
    }
}

void WTView::focusOutEvent(QFocusEvent *event)
{
    // The Space release goes to whoever has the focus now.
    mSpaceHeld = false;
    updateNavigationCursor();
    QWidget::focusOutEvent(event);
}

void WTView::wheelEvent(QWheelEvent *event)
{
    event->accept();
    const QPoint angle = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        const double notches = (angle.y() != 0 ? angle.y() : angle.x()) / 120.0;
        if (notches != 0.0)
            zoomAbout(mView.zoom() * std::exp2(notches / kWheelNotchesPerOctave),
                      event->position());
        return;
    }
    QPointF d = !event->pixelDelta().isNull() ? QPointF(event->pixelDelta())
                                              : QPointF(angle) / 120.0 * kWheelStep;
    if ((event->modifiers() & Qt::ShiftModifier) && d.x() == 0.0)
        d = QPointF(d.y(), 0.0);
    panBy(d);
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
            zoomAbout(mView.zoom() * (1.0 + gesture->value()), gesture->position());
            return true;
        case Qt::RotateNativeGesture:
            rotateAbout(gesture->value(), gesture->position());
            return true;
        case Qt::BeginNativeGesture:
            mFreeRotation = mView.rotation();
            return true;
        default:
            break;
        }
    }
    return QWidget::event(event);
}
