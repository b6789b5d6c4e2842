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
#include "StrokeRaster.h"

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
    if (takeForMove(kind, sample.position) || takeForPick(kind, sample.position))
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
    cancelMoveAndPaste();
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
    mDrawingLine
        = !erasing() && ((sample.modifiers & Qt::ShiftModifier) || mLineMode != LineMode::Off);
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
    mStrokeNib = {};
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
    if (mSmoother.isOn() && mStrokeNib.width >= 0.0f && sample.position != mLastLoc
        && mCurrUndoLayer)
        paintStrokeTo(sample.position, mStrokeNib);
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
    paintStrokeTo(mSmoother.follow(sample.position), nibFor(sample));
}

BrushKind CanvasCore::activeBrush() const
{
    return erasing() ? mSettings->eraserShape() : mSettings->brushKind(mActiveColor);
}

CanvasCore::Nib CanvasCore::nibFor(const PointerSample &sample) const
{
    const float f = sample.isTablet ? mSettings->widthFactor(sample.pressure) : 1.0f;
    const float size = brushSize();
    Nib nib;
    switch (activeBrush()) {
    case BrushKind::Pen:
        nib.width = f * size;
        break;
    case BrushKind::Marker:
        nib.width = f * size;
        nib.angle = Brush::markerAngle(sample.tiltX, sample.tiltY);
        break;
    case BrushKind::Pencil:
        // Graphite: pressing harder darkens far more than it widens.
        nib.width = size * (0.75f + 0.25f * f);
        nib.opacity = f;
        break;
    case BrushKind::Airbrush:
        nib.width = size;
        nib.opacity = f;
        break;
    }
    return nib;
}

InkSegment CanvasCore::segment(Point from, const Nib &fromNib, Point to, const Nib &toNib) const
{
    InkSegment s;
    s.from = from;
    s.to = to;
    s.kind = activeBrush();
    // The first segment of a stroke has no earlier sample to taper from.
    const Nib &start = fromNib.width >= 0.0f ? fromNib : toNib;
    s.fromWidth = start.width;
    s.toWidth = toNib.width;
    s.fromOpacity = start.opacity;
    s.toOpacity = toNib.opacity;
    s.angle = toNib.angle;
    s.continues = fromNib.width >= 0.0f;
    s.hardness = mSettings->airbrushHardness();
    return s;
}

Rect CanvasCore::touchedBy(const InkSegment &s)
{
    const float reach = StrokeRaster::reach(s.kind, std::max(s.fromWidth, s.toWidth));
    return touchedRect(s.from, s.to, 2 * reach);
}

void CanvasCore::paintStrokeTo(Point next, const Nib &nib)
{
    const InkSegment ink = segment(mLastLoc, mStrokeNib, next, nib);
    const Rect touched = touchedBy(ink);
    const bool painted
        = mPicture->paintInk(*mCurrUndoLayer, ink, touched, erasing() ? nullptr : color());
    emit strokeDirtied(touched);
    mLastLoc = next;
    mStrokeNib = nib;
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
    if (chains(sample.modifiers) || mLineMode == LineMode::Chain) {
        mLastLoc = p;
        setDrawingLine(true);
    } else if (mLineMode == LineMode::Line) {
        setLineMode(LineMode::Off);
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
    Nib nib = nibFor(PointerSample {});
    nib.width *= pressure;
    InkSegment ink = segment(mLastLoc, nib, point, nib);
    ink.continues = false; // a line starts afresh, its round start included
    if (point == mLastLoc) {
        // A line of no length is a dot filling the rectangle grown about its end.
        const Rect dot = lineDotRect(point, nib.width);
        ink.from = ink.to = {dot.x() + dot.width() / 2, dot.y() + dot.height() / 2};
        ink.fromWidth = ink.toWidth = (dot.width() + dot.height()) / 2;
    }
    const Rect touched = lineTouchedRect(mLastLoc, point,
                                         2 * StrokeRaster::reach(ink.kind, nib.width));
    if (promptOnly) {
        // Only the old and the new preview change on screen.
        const Rect dirty = mHasLinePreview ? unionRect(mLinePreviewRect, touched) : touched;
        mHasLinePreview = true;
        mLinePreview = ink;
        mLinePreviewRect = touched;
        emit dirtied(dirty);
        return;
    }
    mHasLinePreview = false;
    if (!isUndoLayerAlive(mCurrUndoLayer)) {
        emit dirtiedAll();
        return;
    }
    if (!mPicture->paintInk(*mCurrUndoLayer, ink, touched, color()))
        stopStrokeForLackOfMemory();
    emit dirtiedAll();
}

std::optional<Picture::PendingLine> CanvasCore::pendingLine() const
{
    if (!mDrawingLine || !mHasLinePreview || !color())
        return std::nullopt;
    return Picture::PendingLine {isUndoLayerAlive(mCurrUndoLayer) ? mCurrUndoLayer : nullptr,
                                 mLinePreview, mLinePreviewRect, color()->toQColor()};
}
