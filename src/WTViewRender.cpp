// Display of the canvas: surround, border and shadow, background pattern, layers.
#include "WTView.h"

#include "Assert.h"
#include "Background.h"
#include "CanvasQuestions.h"
#include "Graphics.h"
#include "PenSettings.h"
#include "WindowAppearance.h"

#include <QPaintEvent>
#include <QPainter>
#include <cmath>

namespace {
const Color kLightGray = Color::white(2.0f / 3.0f);
const Color kDarkGray = Color::white(1.0f / 3.0f);
} // namespace

void WTView::drawRect(const Rect &r)
{
    const float alpha = mBgType == BgType::SeeThrough ? 0.8f : 1.0f;
    const Size sheet = sheetSize();
    Graphics::saveGraphicsState();
    Graphics::clipRect(r);
    Graphics::setColor(kLightGray.withAlpha(alpha));
    Graphics::fillRect(r);
    if (!isEmptyRect({{0, 0}, sheet})) {
        const float w = sheet.width;
        const float h = sheet.height;
        Graphics::setColor(kDarkGray.withAlpha(alpha));
        Graphics::frameRect(integralRect({-1, -1, w + 2, h + 2}));
        // The drop shadow along the bottom and right; its inner half is covered by the paper.
        BezierPath shadow;
        shadow.setLineWidth(5.0f);
        shadow.setLineCapStyle(BezierPath::RoundCap);
        shadow.setLineJoinStyle(BezierPath::MiterJoin);
        shadow.moveToPoint({5.0f, -1.0f});
        shadow.lineToPoint({w + 1.0f, -1.0f});
        shadow.lineToPoint({w + 1.0f, h - 5.0f});
        shadow.stroke();
        mPicture->drawBackgroundInRect(r);
    }
    Graphics::restoreGraphicsState();
    renderLayersInRect(r);
}

void WTView::setNeedsDisplayInRect(const Rect &r)
{
    const QRect q = widgetRectFromCanvas(r).toAlignedRect().intersected(rect());
    if (q.isEmpty())
        return;
    auto area = [](const QRect &a) { return qint64(a.width()) * a.height(); };
    const QRect merged = mLastDirty | q;
    // A rectangle holding the last one joins it in Qt's region at little cost.
    mLastDirty
        = !mLastDirty.isEmpty() && area(merged) <= 2 * (area(mLastDirty) + area(q)) ? merged : q;
    update(mLastDirty);
}

void WTView::renderLayersInRect(const Rect &r)
{
    mPicture->renderLayersInRect(r);
}

void WTView::setBgType(float value)
{
    const auto type = bgTypeOf(std::lroundf(value));
    if (mBgTypeApplied && type == mBgType)
        return;
    INK_CHECK(type, "bg type index out of bound");
    mBgType = *type;
    mBgTypeApplied = true;
    mPicture->setBgType(mBgType);
    mSettings->setBgType(mBgType);
    applyWindowAppearance();
    update();
    if (window()->isVisible())
        window()->repaint();
    emit bgTypeChanged(float(mBgType));
}

void WTView::applyWindowAppearance()
{
    setAttribute(Qt::WA_OpaquePaintEvent, isOpaque());
    if (!isWindow() && !window()->testAttribute(Qt::WA_WState_Created)
        && mBgType != BgType::SeeThrough) {
        mWindowSeeThrough = false;
        return;
    }
    mWindowSeeThrough = WindowAppearance::setSeeThrough(window(), mBgType == BgType::SeeThrough);
    if (mBgType == BgType::SeeThrough && !mWindowSeeThrough && mQuestions)
        mQuestions->tellNotSeeThrough(*this);
}

void WTView::paintEvent(QPaintEvent *event)
{
    mLastDirty = {}; // shown now: the next sample starts a rectangle of its own
    QPainter painter(this);
    // Without a see-through window the translucent paper is laid over the window's own colour,
    // so it shows as paper rather than as black.
    const bool overWindowColour = mBgType == BgType::SeeThrough && !mWindowSeeThrough;
    const QTransform sheetToWidget(1, 0, 0, -1, -mBoundsOrigin.x, height() + mBoundsOrigin.y);
    for (const QRect &dirty : event->region()) {
        const Rect r = canvasRectFromWidget(QRectF(dirty));
        if (!overWindowColour) {
            Graphics::lockFocus(painter, sheetToWidget);
            drawRect(r);
            drawLinePreviewInRect(r);
            Graphics::unlockFocus();
            continue;
        }
        QImage rendered(dirty.size(), QImage::Format_ARGB32_Premultiplied);
        rendered.fill(Qt::transparent);
        {
            QPainter p(&rendered);
            const QTransform toRendered(1, 0, 0, -1, -r.x(), r.maxY());
            Graphics::lockFocus(p, toRendered);
            drawRect(r);
            drawLinePreviewInRect(r);
            Graphics::unlockFocus();
        }
        painter.fillRect(dirty, palette().window());
        painter.drawImage(dirty.topLeft(), rendered);
    }
    // Over everything, in the widget's own pixels.
    painter.resetTransform();
    mCrosshair.paint(painter);
}
