// Stroke input: freehand strokes tracked from press to release, straight lines and chains of
// lines placed with two clicks, and the eraser. Paint goes into the stroke's undo snapshot; the
// screen is brought up to date through Qt's paint cycle, one batch of samples at a time.
#include "WTView.h"

#include "Assert.h"
#include "Beep.h"
#include "Document.h"
#include "EventCoalescing.h"
#include "Graphics.h"
#include "HeldInput.h"
#include "PenSettings.h"
#include "StrokeGeometry.h"
#include "TabletPlatform.h"

#include <QMouseEvent>
#include <QTabletEvent>
#include <algorithm>

namespace {

// Alt chains a line; many window managers take Alt-click for themselves, so Ctrl chains too.
bool chains(Qt::KeyboardModifiers modifiers)
{
    return modifiers & (Qt::AltModifier | Qt::ControlModifier);
}

} // namespace

void WTView::mousePressEvent(QMouseEvent *event)
{
    hideCrosshair(); // the mouse is in use: the platform's cursor shows
    if (beginViewDrag(event->button(), event->modifiers(), event->position(), false))
        return;
    if (requestsPalette(event->button())) {
        emit paletteRequested(event->globalPosition().toPoint());
        return;
    }
    if (pickPointer(event->type(), event->button(), event->buttons(),
                    canvasPointFromWidget(event->position())))
        return;
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    mouseDown({canvasPointFromWidget(event->position()), 1.0f, false, event->modifiers()});
}

void WTView::mouseMoveEvent(QMouseEvent *event)
{
    hideCrosshair();
    if (continueViewDrag(event->position()))
        return;
    if (pickPointer(event->type(), Qt::NoButton, event->buttons(), {}))
        return;
    const PointerSample sample {canvasPointFromWidget(event->position()), 1.0f, false,
                                event->modifiers()};
    if (!mTracking) {
        mouseMoved(sample);
        return;
    }
    if (!(event->buttons() & Qt::LeftButton)) {
        endStroke(); // the release went elsewhere
        return;
    }
    drawCurrentDataFromEvent(sample);
}

void WTView::mouseReleaseEvent(QMouseEvent *event)
{
    if (mViewDrag != ViewDrag::None) {
        if (event->button() == mViewDragButton)
            endViewDrag();
        return;
    }
    if (pickPointer(event->type(), event->button(), event->buttons(), {}))
        return;
    if (event->button() == Qt::LeftButton)
        mouseUp({canvasPointFromWidget(event->position()), 1.0f, false, event->modifiers()});
}

void WTView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Qt has sent the second click's press already.
    event->accept();
}

void WTView::tabletEvent(QTabletEvent *event)
{
    // Accepted, so that Qt does not make a mouse event of it too and paint the sample twice.
    event->accept();
    const PointerSample sample {canvasPointFromWidget(event->position()), float(event->pressure()),
                                true, TabletPlatform::modifiersOf(*event)};
    if (mViewDrag != ViewDrag::None) {
        if (event->type() == QEvent::TabletRelease && event->button() == mViewDragButton)
            endViewDrag();
        else if (event->type() == QEvent::TabletMove)
            continueViewDrag(event->position());
        if (event->buttons() == Qt::NoButton && !TabletPlatform::showsTabletCursor())
            update(mCrosshair.moveTo(event->position().toPoint()));
        return;
    }
    if (event->type() == QEvent::TabletPress
        && beginViewDrag(event->button(), sample.modifiers, event->position(), true))
        return;
    if (event->type() == QEvent::TabletPress && requestsPalette(event->button())) {
        hideCrosshair();
        emit paletteRequested(event->globalPosition().toPoint());
        return;
    }
    if (pickPointer(event->type(), event->button(), event->buttons(), sample.position)) {
        hideCrosshair();
        return;
    }
    switch (event->type()) {
    case QEvent::TabletPress:
        hideCrosshair(); // the ink shows where the pen is
        if (event->button() == Qt::LeftButton)
            mouseDown(sample);
        break;
    case QEvent::TabletMove:
        if (event->buttons() == Qt::NoButton && !TabletPlatform::showsTabletCursor())
            update(mCrosshair.moveTo(event->position().toPoint()));
        if (!mTracking)
            mouseMoved(sample); // hovering or dragging: the line preview follows both
        else if (!(event->buttons() & Qt::LeftButton))
            endStroke();
        else if (sample.pressure != 0.0f)
            drawCurrentDataFromEvent(sample);
        break;
    case QEvent::TabletRelease:
        if (event->button() == Qt::LeftButton)
            mouseUp(sample);
        break;
    default:
        break;
    }
}

// The right button, or the pen's upper side button which platforms report as it, asks for the
// pop-up palette; not while a stroke or a pick is under way. A pending line stays pending.
bool WTView::requestsPalette(Qt::MouseButton button) const
{
    return button == Qt::RightButton && !mTracking && mPick != Pick::Held;
}

void WTView::leaveEvent(QEvent *event)
{
    hideCrosshair();
    QWidget::leaveEvent(event);
}

void WTView::hideCrosshair()
{
    update(mCrosshair.hide());
}

void WTView::mouseDown(const PointerSample &sample)
{
    if (mTracking)
        endStroke(); // a release that never arrived
    if (mDrawingLine) {
        commitLine(sample);
        return;
    }
    mLastLoc = sample.position;
    mDrawingLine = !erasing() && (sample.modifiers & Qt::ShiftModifier);
    mCurrUndoLayer = createUndoLayer(currentLayer());
    if (!mCurrUndoLayer) {
        mDrawingLine = false;
        return;
    }
    if (mDrawingLine) {
        mHasLinePreview = false;
        setAcceptsMouseMovedEvents(true);
        return;
    }
    mTracking = true;
    mSmoother.setStrength(mSettings->smoothing());
    mSmoother.begin(sample.position);
    mStrokeWidth = -1.0f;
    setMouseCoalescingEnabled(false);
    if (!mHeldInput)
        mHeldInput = new HeldInput(this);
    mHeldInput->hold();
}

void WTView::mouseUp(const PointerSample &sample)
{
    if (!mTracking)
        return;
    // A smoothed stroke trails the pen: it catches up where the pen lifted.
    if (mSmoother.isOn() && mStrokeWidth >= 0.0f && sample.position != mLastLoc && mCurrUndoLayer)
        paintStrokeTo(sample.position, mStrokeWidth);
    if (mTracking)
        endStroke();
}

void WTView::endStroke()
{
    mTracking = false;
    if (mDocument)
        mDocument->updateChangeCount(Document::ChangeDone);
    emit pictureChanged({}, {});
    setMouseCoalescingEnabled(true);
    if (mHeldInput)
        mHeldInput->release();
}

void WTView::drawCurrentDataFromEvent(const PointerSample &sample)
{
    INK_CHECK(erasing() || color(), kColorIndexOutOfBound);
    if (!mCurrUndoLayer)
        return;
    const float w
        = (sample.isTablet ? mSettings->widthFactor(sample.pressure) : 1.0f) * brushSize();
    mStrokeWidth = w;
    paintStrokeTo(mSmoother.follow(sample.position), w);
}

void WTView::paintStrokeTo(Point next, float w)
{
    const Point last = mLastLoc;
    // A width below one point still paints the thinnest line the device shows.
    const Rect touched
        = unionRect(touchedRect(last, next, w), touchedRect(last, next, std::max(w, 1.0f)));

    const bool painted = mPicture->paintSegment(*mCurrUndoLayer, last, next, w, touched,
                                                {next.x - w / 2, next.y - w / 2, w, w},
                                                erasing() ? nullptr : color());
    setNeedsDisplayInRect(touched);
    mLastLoc = next;
    if (!painted)
        stopStrokeForLackOfMemory();
}

void WTView::stopStrokeForLackOfMemory()
{
    // What was painted stays; the rest of the stroke is not, and the user hears why.
    systemBeep();
    if (mTracking)
        endStroke();
}

void WTView::commitLine(const PointerSample &sample)
{
    setAcceptsMouseMovedEvents(false);
    mDrawingLine = false;
    if (!isUndoLayerAlive(mCurrUndoLayer)) {
        update();
        return;
    }
    Point p = sample.position;
    if (sample.modifiers & Qt::ShiftModifier)
        snapTo45degrees(p, mLastLoc);
    drawLineToPoint(p, 1.0f, false);
    if (mDocument)
        mDocument->updateChangeCount(Document::ChangeDone);
    emit pictureChanged({}, {});
    if (chains(sample.modifiers)) {
        mDrawingLine = true;
        mLastLoc = p;
        setAcceptsMouseMovedEvents(true);
    }
}

void WTView::mouseMoved(const PointerSample &sample)
{
    if (!mDrawingLine)
        return;
    Point p = sample.position;
    if (sample.modifiers & Qt::ShiftModifier)
        snapTo45degrees(p, mLastLoc);
    drawLineToPoint(p, 1.0f, true);
}

void WTView::drawLineToPoint(Point point, float pressure, bool promptOnly)
{
    INK_CHECK(color(), kColorIndexOutOfBound);
    const float w = brushSize() * pressure;
    const Rect touched = lineTouchedRect(mLastLoc, point, std::max(w, 1.0f));
    if (promptOnly) {
        // Only the old and the new preview change on screen.
        const Rect dirty = mHasLinePreview ? unionRect(mLinePreviewRect, touched) : touched;
        mHasLinePreview = true;
        mLinePreviewTo = point;
        mLinePreviewWidth = w;
        mLinePreviewRect = touched;
        update(widgetDirtyRect(dirty));
        return;
    }
    mHasLinePreview = false;
    if (!isUndoLayerAlive(mCurrUndoLayer)) {
        update();
        return;
    }
    if (!mPicture->paintSegment(*mCurrUndoLayer, mLastLoc, point, w, touched, lineDotRect(point, w),
                                color()))
        stopStrokeForLackOfMemory();
    update();
}

std::optional<Picture::PendingLine> WTView::pendingLine() const
{
    if (!mDrawingLine || !mHasLinePreview || !color())
        return std::nullopt;
    const float w = mLinePreviewWidth;
    return Picture::PendingLine {isUndoLayerAlive(mCurrUndoLayer) ? mCurrUndoLayer : nullptr,
                                 mLastLoc,
                                 mLinePreviewTo,
                                 w,
                                 lineDotRect(mLinePreviewTo, w),
                                 mLinePreviewRect,
                                 color()->toQColor()};
}

void WTView::drawLinePreviewInRect(const Rect &r, bool inPicture)
{
    const std::optional<Picture::PendingLine> line = pendingLine();
    if (!line || isEmptyRect(intersectionRect(r, line->touched))
        || (inPicture && Picture::showsThroughPicture(*line)))
        return;
    Graphics::saveGraphicsState();
    Graphics::clipRect(r);
    Picture::drawSegment(Graphics::currentPainter(), line->from, line->to, line->width, line->dot,
                         line->colour);
    Graphics::restoreGraphicsState();
}
