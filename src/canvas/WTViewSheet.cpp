// Sheet geometry: the sheet's size, its re-framing, and the canvas's place in its container.
// The frame is y-up; applyFrame() alone speaks Qt's y-down.
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
    return mCore->resizeSheet({0, 0, size.width, size.height});
}

void WTView::sheetResized(const Rect &r)
{
    // What the re-framed sheet shows in is placed anew: the pan starts over.
    if (mViewport->startPanOver())
        emit viewChanged();

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
    mViewport->setFrame(f, containerSize(f.size));
    applyFrame();
    update();
}

Rect WTView::frame() const
{
    return mViewport->frame();
}

void WTView::applyFrame()
{
    // Whole pixels upward, as the sheet's images have them, with the bottom edge where the
    // frame puts it: the sheet's y = 0 is the widget's bottom pixel row.
    const Rect frame = mViewport->frame();
    const float w = std::ceil(frame.width());
    const float h = std::ceil(frame.height());
    if (!parentWidget()) {
        resize(int(w), int(h));
        placeViewport();
        return;
    }
    const QRectF g = toQtRect({frame.origin, {w, h}}, float(parentWidget()->height()));
    setGeometry(int(std::lround(g.x())), int(std::lround(g.y())), int(w), int(h));
    placeViewport();
}

Size WTView::containerSize(Size fallback) const
{
    if (!parentWidget())
        return fallback;
    return {float(parentWidget()->width()), float(parentWidget()->height())};
}

void WTView::refuseSheetSize(Size size)
{
    systemBeep();
    if (mQuestions)
        mQuestions->tellSheetRefused(*this, size);
}
