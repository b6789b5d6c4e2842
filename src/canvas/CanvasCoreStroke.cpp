// Stroke input: freehand strokes tracked from press to release, straight lines and chains of
// lines placed with two clicks, and the eraser. Paint goes into the stroke's undo snapshot.
#include "CanvasCore.h"

#include "Assert.h"
#include "Beep.h"
#include "Document.h"
#include "EventCoalescing.h"
#include "HeldInput.h"
#include "PenSettings.h"
#include "StrokeGeometry.h"

#include <algorithm>

namespace {

// Alt chains a line; many window managers take Alt-click for themselves, so Ctrl chains too.
bool chains(Qt::KeyboardModifiers modifiers)
{
    return modifiers & (Qt::AltModifier | Qt::ControlModifier);
}

} // namespace

void CanvasCore::take(SampleKind kind, const PointerSample &sample)
{
    if (takeForPick(kind, sample.position))
        return;
    emit sampleTaken(kind, sample);
    switch (kind) {
    case SampleKind::Press:
        mouseDown(sample);
        break;
    case SampleKind::Release:
        mouseUp(sample);
        break;
    case SampleKind::Move:
        if (!mTracking)
            mouseMoved(sample); // a drag while a line is pending: its preview follows
        else if (sample.pressure != 0.0f)
            drawCurrentDataFromEvent(sample);
        break;
    case SampleKind::Hover:
        if (!mTracking)
            mouseMoved(sample);
        else
            endStroke(); // the release went elsewhere
        break;
    }
}

void CanvasCore::setDrawingLine(bool on)
{
    mDrawingLine = on;
    emit hoverWanted(on);
}

void CanvasCore::cancelOperation()
{
    cancelPick();
    if (!mDrawingLine)
        return;
    setDrawingLine(false);
    emit dirtiedAll();
}

void CanvasCore::mouseDown(const PointerSample &sample)
{
    if (mTracking)
        endStroke(); // a release that never arrived
    if (mDrawingLine) {
        commitLine(sample);
        return;
    }
    mLastLoc = sample.position;
    mDrawingLine = !erasing() && (sample.modifiers & Qt::ShiftModifier);
    mCurrUndoLayer = createUndoLayer(mPicture->currentLayer());
    if (!mCurrUndoLayer) {
        mDrawingLine = false;
        return;
    }
    if (mDrawingLine) {
        mHasLinePreview = false;
        setDrawingLine(true);
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

void CanvasCore::mouseUp(const PointerSample &sample)
{
    if (!mTracking)
        return;
    // A smoothed stroke trails the pen: it catches up where the pen lifted.
    if (mSmoother.isOn() && mStrokeWidth >= 0.0f && sample.position != mLastLoc && mCurrUndoLayer)
        paintStrokeTo(sample.position, mStrokeWidth);
    if (mTracking)
        endStroke();
}

void CanvasCore::endStroke()
{
    mTracking = false;
    if (mDocument)
        mDocument->updateChangeCount(Document::ChangeDone);
    emit pictureChanged({}, {});
    setMouseCoalescingEnabled(true);
    if (mHeldInput)
        mHeldInput->release();
}

void CanvasCore::drawCurrentDataFromEvent(const PointerSample &sample)
{
    INK_CHECK(erasing() || color(), kColorIndexOutOfBound);
    if (!mCurrUndoLayer)
        return;
    const float w
        = (sample.isTablet ? mSettings->widthFactor(sample.pressure) : 1.0f) * brushSize();
    mStrokeWidth = w;
    paintStrokeTo(mSmoother.follow(sample.position), w);
}

void CanvasCore::paintStrokeTo(Point next, float w)
{
    const Point last = mLastLoc;
    // A width below one point still paints the thinnest line the device shows; the wider
    // rectangle holds the narrower one.
    const Rect touched = touchedRect(last, next, std::max(w, 1.0f));
    const bool painted = mPicture->paintSegment(*mCurrUndoLayer, last, next, w, touched,
                                                {next.x - w / 2, next.y - w / 2, w, w},
                                                erasing() ? nullptr : color());
    emit strokeDirtied(touched);
    mLastLoc = next;
    if (!painted)
        stopStrokeForLackOfMemory();
}

void CanvasCore::stopStrokeForLackOfMemory()
{
    // What was painted stays; the rest of the stroke is not, and the user hears why.
    systemBeep();
    if (mTracking)
        endStroke();
}

void CanvasCore::commitLine(const PointerSample &sample)
{
    setDrawingLine(false);
    if (!isUndoLayerAlive(mCurrUndoLayer)) {
        emit dirtiedAll();
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
        mLastLoc = p;
        setDrawingLine(true);
    }
}

void CanvasCore::mouseMoved(const PointerSample &sample)
{
    if (!mDrawingLine)
        return;
    Point p = sample.position;
    if (sample.modifiers & Qt::ShiftModifier)
        snapTo45degrees(p, mLastLoc);
    drawLineToPoint(p, 1.0f, true);
}

void CanvasCore::drawLineToPoint(Point point, float pressure, bool promptOnly)
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
        emit dirtied(dirty);
        return;
    }
    mHasLinePreview = false;
    if (!isUndoLayerAlive(mCurrUndoLayer)) {
        emit dirtiedAll();
        return;
    }
    if (!mPicture->paintSegment(*mCurrUndoLayer, mLastLoc, point, w, touched, lineDotRect(point, w),
                                color()))
        stopStrokeForLackOfMemory();
    emit dirtiedAll();
}

std::optional<Picture::PendingLine> CanvasCore::pendingLine() const
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
