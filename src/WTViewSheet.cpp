// Sheet geometry: the sheet's size, its re-framing, and the canvas's place in its container.
#include "WTView.h"

#include <cmath>

Size WTView::sheetSize() const
{
    return mBgImage ? mBgImage->size() : Size{};
}

void WTView::setSheetSize(Size size)
{
    resizeSheet({0, 0, size.width, size.height});
}

void WTView::resizeSheet(const Rect &r)
{
    makeBgWithSize(r.size);
    for (auto &layer : mLayers)
        layer->viewBoundsDidChange(r);
    for (auto &snapshot : mUndoLayers)
        snapshot->viewBoundsDidChange(r);
    const QSize c = parentWidget() ? parentWidget()->size() : size();
    const float W = std::max(float(c.width()), r.width());
    const float H = std::max(float(c.height()), r.height());
    setFrame(integralRect(
            {-std::roundf((W - float(c.width())) * 0.5f), -std::roundf((H - float(c.height())) * 0.5f), W, H}));
    update();
}

void WTView::setFrame(const Rect &f)
{
    const Size s = sheetSize();
    const QSize c = parentWidget() ? parentWidget()->size() : QSize(int(f.width()), int(f.height()));
    const float W = float(c.width()) > s.width ? float(c.width()) : s.width;
    const float H = float(c.height()) > s.height ? float(c.height()) : s.height;
    mFrame = {f.x(), f.y(), W, H};
    const float bx = W - s.width > 0.0f ? std::roundf((W - s.width) * -0.5f) : 0.0f;
    const float by = H - s.height > 0.0f ? std::roundf((H - s.height) * -0.5f) : 0.0f;
    mBoundsOrigin = {bx, by};
    // The container's y-up frame in Qt's y-down widget geometry.
    const QRectF g = toQtRect(mFrame, float(c.height()));
    setGeometry(QRect(int(std::lround(g.x())), int(std::lround(g.y())), int(std::ceil(W)), int(std::ceil(H))));
    update();
}

Rect WTView::bounds() const
{
    return {mBoundsOrigin, mFrame.size};
}

Rect WTView::visibleRect() const
{
    const QRect visible = visibleRegion().boundingRect();
    if (visible.isEmpty() && parentWidget()) {
        // Not shown yet: what the container would show.
        const QRect inParent = QRect(QPoint(0, 0), parentWidget()->size()).translated(-pos()).intersected(rect());
        return canvasRectFromWidget(QRectF(inParent));
    }
    return canvasRectFromWidget(QRectF(visible));
}

Point WTView::canvasPointFromWidget(const QPointF &p) const
{
    const Point q = fromQtPoint(p, float(height()));
    return {q.x + mBoundsOrigin.x, q.y + mBoundsOrigin.y};
}

QRectF WTView::widgetRectFromCanvas(const Rect &r) const
{
    return toQtRect({r.x() - mBoundsOrigin.x, r.y() - mBoundsOrigin.y, r.width(), r.height()}, float(height()));
}

Rect WTView::canvasRectFromWidget(const QRectF &r) const
{
    const Rect q = fromQtRect(r, float(height()));
    return {q.x() + mBoundsOrigin.x, q.y() + mBoundsOrigin.y, q.width(), q.height()};
}
