// What hovers over the canvas: the outline of what a press would paint and the crosshair. Both
// are drawn over the picture in the widget's paint, never into it; each move repaints only
// their old and new places.
#include "WTView.h"

#include "Brush.h"
#include "PenSettings.h"
#include "TabletPlatform.h"

namespace {
bool showsOutline(PenSettings::HoverMark mark)
{
    return mark != PenSettings::HoverMark::Crosshair;
}
bool showsCrosshair(PenSettings::HoverMark mark)
{
    return mark != PenSettings::HoverMark::Outline;
}
} // namespace

QPainterPath WTView::nibOutlineAt(QPointF widgetPoint, float tiltX, float tiltY) const
{
    const PenSettings &pen = mCore->penSettings();
    const BrushKind kind = mCore->erasing()
        ? pen.eraserShape()
        : pen.brushKind(PenSettings::slotOfTool(mCore->activeColor()));
    const QPainterPath nib
        = Brush::nibOutline(kind, mCore->brushSize(), Brush::markerAngle(tiltX, tiltY));
    // Through the view's own mapping, so that it turns and mirrors as the picture does.
    const Point at = mViewport->sheetPoint(widgetPoint);
    return mViewport->sheetToWidget().map(nib.translated(qreal(at.x), qreal(at.y)));
}

void WTView::hoverAt(QPointF widgetPoint, const PointerSample &sample)
{
    const PenSettings::HoverMark mark = mCore->penSettings().hoverMark();
    // A tablet tool brings no cursor of its own on some platforms; the mouse always has one.
    if (sample.isTablet && showsCrosshair(mark) && !TabletPlatform::showsTabletCursor())
        update(mCrosshair.moveTo(widgetPoint.toPoint()));
    else
        hideCrosshair();
    if (!showsOutline(mark) || isNavigating() || mCore->isPicking()
        || mCore->isTrackingStroke()) {
        hideOutline();
        return;
    }
    mOutlineTilt = {sample.tiltX, sample.tiltY};
    update(mOutline.show(widgetPoint, nibOutlineAt(widgetPoint, sample.tiltX, sample.tiltY),
                         devicePixelRatioF()));
}

void WTView::hideCrosshair()
{
    update(mCrosshair.hide());
}

void WTView::hideOutline()
{
    update(mOutline.hide());
}

void WTView::hideHoverMarks()
{
    hideCrosshair();
    hideOutline();
}

void WTView::refreshHoverMarks()
{
    const PenSettings::HoverMark mark = mCore->penSettings().hoverMark();
    if (!showsCrosshair(mark))
        hideCrosshair();
    if (!showsOutline(mark)) {
        hideOutline();
    } else if (mOutline.isShown()) {
        const QPointF at = mOutline.position();
        update(mOutline.show(at, nibOutlineAt(at, float(mOutlineTilt.x()), float(mOutlineTilt.y())),
                             devicePixelRatioF()));
    }
    applyMouseTracking();
}

void WTView::applyMouseTracking()
{
    setMouseTracking(mHoverWanted || showsOutline(mCore->penSettings().hoverMark()));
}
