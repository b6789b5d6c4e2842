// Sheet geometry: the sheet's size, its re-framing, and the canvas's place in its container.
// Frame, bounds origin and visible rectangle are y-up; applyFrame() alone speaks Qt's y-down.
#include "WTView.h"

#include "Beep.h"
#include "CanvasQuestions.h"

#include <cmath>

Size WTView::sheetSize() const
{
    return picture().sheetSize();
}

bool WTView::setSheetSize(Size size)
{
    return resizeSheet({0, 0, size.width, size.height});
}

bool WTView::resizeSheet(const Rect &r)
{
    return mCore->resizeSheet(r);
}

void WTView::sheetResized(const Rect &r)
{
    // What the re-framed sheet shows in is placed anew: the pan starts over.
    if (!mView.pan().isNull()) {
        mView.setPan({});
        emit viewChanged();
    }

    const Size c = containerSize(r.size);
    const float W = std::max(c.width, r.width());
    const float H = std::max(c.height, r.height());
    // A sheet larger than its container shows its middle; the odd point hides on the left.
    setFrame(integralRect(
        {-std::roundf((W - c.width) * 0.5f), -std::roundf((H - c.height) * 0.5f), W, H}));
    update();
}

void WTView::setFrame(const Rect &f)
{
    const Size s = sheetSize();
    const Size c = containerSize(f.size);
    const float W = c.width > s.width ? c.width : s.width;
    const float H = c.height > s.height ? c.height : s.height;
    mFrame = {f.origin, {W, H}};
    // A sheet smaller than the canvas sits centred; the odd point goes to the left margin.
    const float bx = W - s.width > 0.0f ? std::roundf((W - s.width) * -0.5f) : 0.0f;
    const float by = H - s.height > 0.0f ? std::roundf((H - s.height) * -0.5f) : 0.0f;
    mBoundsOrigin = {bx, by};
    applyFrame();
    update();
}

void WTView::applyFrame()
{
    // Whole pixels upward, as the sheet's images have them, with the bottom edge where the
    // frame puts it: the sheet's y = 0 is the widget's bottom pixel row.
    const float w = std::ceil(mFrame.width());
    const float h = std::ceil(mFrame.height());
    if (!parentWidget()) {
        resize(int(w), int(h));
        updateViewMatrix();
        return;
    }
    const QRectF g = toQtRect({mFrame.origin, {w, h}}, float(parentWidget()->height()));
    setGeometry(int(std::lround(g.x())), int(std::lround(g.y())), int(w), int(h));
    updateViewMatrix();
}

Size WTView::containerSize(Size fallback) const
{
    if (!parentWidget())
        return fallback;
    return {float(parentWidget()->width()), float(parentWidget()->height())};
}

Rect WTView::bounds() const
{
    return {mBoundsOrigin, mFrame.size};
}

Rect WTView::visibleRect() const
{
    if (!mView.isDefault()) {
        // The whole points holding what the container shows.
        const QRectF shown = mWidgetToSheet.mapRect(containerRect().translated(-pos()));
        return integralRect(
            {float(shown.x()), float(shown.y()), float(shown.width()), float(shown.height())});
    }
    if (!parentWidget())
        return bounds();
    const Size c = containerSize(mFrame.size);
    const Rect shown = intersectionRect(mFrame, {0, 0, c.width, c.height});
    if (isEmptyRect(shown))
        return {};
    return {shown.x() - mFrame.x() + mBoundsOrigin.x, shown.y() - mFrame.y() + mBoundsOrigin.y,
            shown.width(), shown.height()};
}

void WTView::refuseSheetSize(Size size)
{
    systemBeep();
    if (mQuestions)
        mQuestions->tellSheetRefused(*this, size);
}

Point WTView::canvasPointFromWidget(const QPointF &p) const
{
    if (!mView.isDefault()) {
        const QPointF q = mWidgetToSheet.map(p);
        return {float(q.x()), float(q.y())};
    }
    const Point q = fromQtPoint(p, float(height()));
    return {q.x + mBoundsOrigin.x, q.y + mBoundsOrigin.y};
}

QPointF WTView::widgetPointFromCanvas(Point p) const
{
    if (!mView.isDefault())
        return mSheetToWidget.map(QPointF(p.x, p.y));
    // canvasPointFromWidget computes x = float(wx) + ox and y = float(h - wy) + oy in floats.
    // The origin is whole, so p - o, taken in doubles, is the very float that gave p.
    const double fx = float(double(p.x) - double(mBoundsOrigin.x));
    const double fy = float(double(p.y) - double(mBoundsOrigin.y));
    return {fx, double(height()) - fy};
}

QRectF WTView::widgetRectFromCanvas(const Rect &r) const
{
    if (!mView.isDefault())
        return mSheetToWidget.mapRect(QRectF(r.x(), r.y(), r.width(), r.height()));
    return toQtRect({r.x() - mBoundsOrigin.x, r.y() - mBoundsOrigin.y, r.width(), r.height()},
                    float(height()));
}

Rect WTView::canvasRectFromWidget(const QRectF &r) const
{
    if (!mView.isDefault()) {
        const QRectF q = mWidgetToSheet.mapRect(r);
        return {float(q.x()), float(q.y()), float(q.width()), float(q.height())};
    }
    const Rect q = fromQtRect(r, float(height()));
    return {q.x() + mBoundsOrigin.x, q.y() + mBoundsOrigin.y, q.width(), q.height()};
}

QRect WTView::widgetDirtyRect(const Rect &r) const
{
    const QRect q = widgetRectFromCanvas(r).toAlignedRect();
    // Filtering spreads a changed pixel onto its neighbours on screen.
    return mView.isDefault() ? q : q.adjusted(-2, -2, 2, 2);
}
