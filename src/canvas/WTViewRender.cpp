// Display of the canvas: surround, border and shadow, background pattern, layers.
#include "WTView.h"

#include "Assert.h"
#include "Background.h"
#include "CanvasQuestions.h"
#include "Graphics.h"
#include "PenSettings.h"
#include "PicturePyramid.h"
#include "WindowAppearance.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {
// A w × h image on the pixels of `buffer`, grown when too small; null when memory fails.
QImage scratchOfSize(QImage &buffer, QSize size)
{
    if (buffer.width() < size.width() || buffer.height() < size.height()) {
        auto up = [](int v) { return (v + 255) / 256 * 256; };
        buffer = QImage(std::max(up(size.width()), buffer.width()),
                        std::max(up(size.height()), buffer.height()),
                        QImage::Format_ARGB32_Premultiplied);
        if (buffer.isNull())
            return {};
    }
    return QImage(buffer.bits(), size.width(), size.height(), buffer.bytesPerLine(),
                  QImage::Format_ARGB32_Premultiplied);
}

constexpr qint64 kKeptScratchPixels = 2 * 3840 * 2160;

const Color kLightGray = Color::white(2.0f / 3.0f);
const Color kDarkGray = Color::white(1.0f / 3.0f);
} // namespace

void WTView::drawRect(const Rect &r)
{
    const float alpha = onSeeThroughPaper() ? 0.8f : 1.0f;
    Graphics::saveGraphicsState();
    Graphics::clipRect(r);
    drawSurround(r, alpha);
    mCore->picture().drawBackgroundInRect(r);
    Graphics::restoreGraphicsState();
    const std::optional<Picture::PendingLine> line = mCore->pendingLine();
    mCore->picture().renderLayersInRect(r, line ? &*line : nullptr, true);
}

void WTView::drawSurround(const Rect &r, float alpha, float reach)
{
    const Size sheet = sheetSize();
    if (reach <= 0.0f) {
        Graphics::setColor(kLightGray.withAlpha(alpha));
        Graphics::fillRect(r);
    }
    if (isEmptyRect({{0, 0}, sheet}))
        return;
    const float w = sheet.width;
    const float h = sheet.height;
    // Cut to what can show in r: a turned or magnified border is otherwise stroked whole.
    const Rect box = insetRect(r, -reach, -reach);
    auto cut = [&](Point p) {
        if (reach <= 0.0f)
            return p;
        return Point {std::clamp(p.x, box.x(), box.maxX()), std::clamp(p.y, box.y(), box.maxY())};
    };
    Graphics::setColor(kDarkGray.withAlpha(alpha));
    const Rect border = integralRect({-1, -1, w + 2, h + 2});
    if (reach <= 0.0f) {
        Graphics::frameRect(border);
    } else {
        const float x0 = border.x(), y0 = border.y(), x1 = border.maxX(), y1 = border.maxY();
        for (const Rect &edge :
             {Rect {x0, y0, x1 - x0, 1}, Rect {x0, y1 - 1, x1 - x0, 1},
              Rect {x0, y0 + 1, 1, y1 - y0 - 2}, Rect {x1 - 1, y0 + 1, 1, y1 - y0 - 2}})
            if (const Rect part = intersectionRect(edge, box); !isEmptyRect(part))
                Graphics::fillRect(part);
    }
    // The drop shadow along the bottom and right; its inner half is covered by the paper.
    BezierPath shadow;
    shadow.setLineWidth(5.0f);
    shadow.setLineCapStyle(BezierPath::RoundCap);
    shadow.setLineJoinStyle(BezierPath::MiterJoin);
    shadow.moveToPoint(cut({5.0f, -1.0f}));
    shadow.lineToPoint(cut({w + 1.0f, -1.0f}));
    shadow.lineToPoint(cut({w + 1.0f, h - 5.0f}));
    shadow.stroke();
}

void WTView::setNeedsDisplayInRect(const Rect &r)
{
    mPendingDirty = unionRect(mPendingDirty, r);
    if (mDirtFlushQueued)
        return;
    mDirtFlushQueued = true;
    // Posted, so that it runs once the samples already delivered are taken, and before the
    // window's update request, which Qt posts at a lower priority.
    QMetaObject::invokeMethod(this, &WTView::flushPendingDirt, Qt::QueuedConnection);
}

void WTView::flushPendingDirt()
{
    mDirtFlushQueued = false;
    if (isEmptyRect(mPendingDirty))
        return;
    const QRect q = mViewport->dirtyRect(mPendingDirty).intersected(rect());
    mPendingDirty = {};
    if (!q.isEmpty())
        update(q);
}

void WTView::setBgType(float value)
{
    const auto type = bgTypeOf(std::lroundf(value));
    if (type == mCore->paper())
        return;
    applyBgType(type);
}

void WTView::applyBgType(std::optional<BgType> type)
{
    INK_CHECK(type, "bg type index out of bound");
    mCore->setPaper(*type);
    applyWindowAppearance();
    update();
    if (window()->isVisible())
        window()->repaint();
    emit bgTypeChanged(float(*type));
}

void WTView::applyWindowAppearance()
{
    setAttribute(Qt::WA_OpaquePaintEvent, isOpaque());
    if (!isWindow() && !window()->testAttribute(Qt::WA_WState_Created)
        && !onSeeThroughPaper()) {
        mWindowSeeThrough = false;
        return;
    }
    mWindowSeeThrough = WindowAppearance::setSeeThrough(window(), onSeeThroughPaper());
    if (onSeeThroughPaper() && !mWindowSeeThrough && mQuestions)
        mQuestions->tellNotSeeThrough(*this);
}

void WTView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    // Without a see-through window the translucent paper is laid over the window's own colour,
    // so it shows as paper rather than as black.
    const bool overWindowColour = onSeeThroughPaper() && !mWindowSeeThrough;
    const CanvasViewport &viewport = *mViewport;
    const QTransform &sheetToWidget = viewport.sheetToWidget(); // the view is the default here
    for (const QRect &dirty : event->region()) {
        if (!overWindowColour) {
            if (!viewport.view().isDefault()) {
                paintTransformed(painter, dirty);
                continue;
            }
            const Rect r = viewport.sheetRect(QRectF(dirty));
            Graphics::lockFocus(painter, sheetToWidget);
            drawRect(r);
            drawLinePreviewInRect(r, true);
            Graphics::unlockFocus();
            continue;
        }
        const qreal dpr = viewport.view().isDefault() ? 1.0 : devicePixelRatioF();
        QImage rendered(dirty.size() * dpr, QImage::Format_ARGB32_Premultiplied);
        rendered.setDevicePixelRatio(dpr);
        rendered.fill(Qt::transparent);
        {
            QPainter p(&rendered);
            if (!viewport.view().isDefault()) {
                p.translate(-dirty.topLeft());
                paintTransformed(p, dirty);
            } else {
                const Rect r = viewport.sheetRect(QRectF(dirty));
                Graphics::lockFocus(p, sheetToDevice(r.x(), r.maxY()));
                drawRect(r);
                drawLinePreviewInRect(r, true);
                Graphics::unlockFocus();
            }
        }
        painter.fillRect(dirty, palette().window());
        painter.drawImage(dirty.topLeft(), rendered);
    }
    // Over everything, in the widget's own pixels.
    painter.resetTransform();
    drawFloatingPasteFrame(painter);
    mOutline.paint(painter);
    mCrosshair.paint(painter);
    // A turned view zoomed out between levels needs a large scratch; it is not kept.
    if (qint64(mViewScratch.width()) * mViewScratch.height() > kKeptScratchPixels)
        mViewScratch = QImage();
}

void WTView::paintTransformed(QPainter &painter, const QRect &dirty)
{
    const QTransform toDevice = painter.transform(); // the widget's pixels to the painter's
    const QTransform sheetToPainter = mViewport->sheetToWidget() * toDevice;
    const Rect r = mViewport->sheetRect(QRectF(dirty));
    const Size s = sheetSize();
    const Rect sheetPixels {0, 0, std::ceil(s.width), std::ceil(s.height)};
    const Rect shown = intersectionRect(r, sheetPixels);
    const CanvasViewport::Level level = mViewport->levelFor(sheetToPainter);
    painter.save();
    painter.setClipRect(dirty);
    QRegion around(dirty);
    // Clear of the sheet's edge by what filtering reaches, the opaque sheet covers it all.
    const float clear = float(2.0 * level.step);
    const auto inside = [&](QPoint p) {
        const Point q = mViewport->sheetPoint(QPointF(p));
        return q.x >= clear && q.y >= clear && q.x <= s.width - clear && q.y <= s.height - clear;
    };
    const QRect edges = dirty.adjusted(0, 0, 1, 1);
    if (!onSeeThroughPaper() && inside(edges.topLeft()) && inside(edges.topRight())
        && inside(edges.bottomLeft()) && inside(edges.bottomRight())) {
        around = QRegion();
    } else if (level.crisp && mViewport->view().isRightAngled() && !onSeeThroughPaper()) {
        // What the opaque sheet will cover is not filled twice.
        const QRectF sheet = mViewport->widgetRect(sheetPixels);
        around -= QRect(
            QPoint(int(std::ceil(sheet.left())), int(std::ceil(sheet.top()))),
            QPoint(int(std::floor(sheet.right())) - 1, int(std::floor(sheet.bottom())) - 1));
    }
    if (!around.isEmpty()) {
        painter.setClipRegion(around);
        const float alpha = onSeeThroughPaper() ? 0.8f : 1.0f;
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(dirty, kLightGray.withAlpha(alpha).toQColor());
        painter.restore();
        Graphics::lockFocus(painter, sheetToPainter);
        // Past a border's and a shadow's width and a device pixel's filtering nothing shows.
        const float reach = float(6.0 + 4.0 / level.scale);
        drawSurround(r, alpha, reach);
        Graphics::unlockFocus();
        painter.setClipRect(dirty);
    }
    if (!isEmptyRect(shown)) {
        if (onSeeThroughPaper()) {
            // The faint paper replaces the surround, as it does unzoomed.
            Graphics::lockFocus(painter, sheetToPainter);
            Graphics::fillRect(sheetPixels, CompositeOp::Clear);
            Graphics::unlockFocus();
        }
        drawSheetLevel(painter, shown, sheetToPainter, level);
    }
    Graphics::lockFocus(painter, sheetToPainter);
    painter.setRenderHint(QPainter::Antialiasing);
    drawLinePreviewInRect(r, level.level == 0 && !isEmptyRect(shown));
    Graphics::unlockFocus();
    painter.restore();
}

void WTView::drawSheetLevel(QPainter &painter, const Rect &r, const QTransform &sheetToPainter,
                            const CanvasViewport::Level &v)
{
    // The level's pixels under r, one more around for filtering.
    const Size s = sheetSize();
    PicturePyramid &pyramid = mCore->picture().pyramid();
    const int width = v.level > 0 ? pyramid.levelPixelWidth(v.level) : int(std::ceil(s.width));
    const int height = v.level > 0 ? pyramid.levelPixelHeight(v.level) : int(std::ceil(s.height));
    const int margin = v.crisp ? 0 : 1;
    const int x0 = std::max(int(std::floor(r.x() / v.step)) - margin, 0);
    const int y0 = std::max(int(std::floor(r.y() / v.step)) - margin, 0);
    const int x1 = std::min(int(std::ceil(r.maxX() / v.step)) + margin, width);
    const int y1 = std::min(int(std::ceil(r.maxY() / v.step)) + margin, height);
    if (x1 <= x0 || y1 <= y0)
        return;
    const QRect pixels(x0, y0, x1 - x0, y1 - y0);
    if (v.level > 0 && v.crisp && mViewport->view().isRightAngled()
        && !onSeeThroughPaper()) {
        // Level pixels fall on device pixels: the paper and the level's tiles go straight to
        // the screen.
        if (!pyramid.opaqueUnder(v.level, pixels)) {
            Graphics::lockFocus(painter, sheetToPainter);
            painter.setRenderHint(QPainter::Antialiasing);
            mCore->picture().drawBackgroundInRect(r);
            Graphics::unlockFocus();
        }
        painter.save();
        painter.setTransform(sheetToDevice(0, height) * QTransform::fromScale(v.step, v.step)
                             * sheetToPainter);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        pyramid.drawTiles(v.level, pixels, [&](const QImage &tile, const QRect &part) {
            painter.drawImage(QPoint(part.x(), height - (part.y() + part.height())), tile);
        });
        painter.restore();
        return;
    }
    QImage shown = scratchOfSize(mViewScratch, pixels.size());
    if (shown.isNull())
        return;
    // The paper covers all but a last column or row that only partly holds the sheet.
    const double paperEdgeX = std::ceil(double(s.width)) / v.step;
    const double paperEdgeY = std::ceil(double(s.height)) / v.step;
    if (x1 > paperEdgeX || y1 > paperEdgeY || onSeeThroughPaper())
        shown.fill(Qt::transparent);
    const Rect area {float(x0 * v.step), float(y0 * v.step), float(pixels.width() * v.step),
                     float(pixels.height() * v.step)};
    {
        QPainter p(&shown);
        // A paper's one-pixel rules come out as the average of what they cover.
        p.setRenderHint(QPainter::Antialiasing, v.level > 0);
        const QTransform sheetToShown(1 / v.step, 0, 0, -1 / v.step, -x0, y1);
        Graphics::lockFocus(p, sheetToShown);
        // Under an opaque level the paper never shows.
        if (v.level == 0 || onSeeThroughPaper() || !pyramid.opaqueUnder(v.level, pixels))
            mCore->picture().drawBackgroundInRect(area);
        if (v.level == 0) {
            const std::optional<Picture::PendingLine> line = mCore->pendingLine();
            mCore->picture().renderLayersInRect(area, line ? &*line : nullptr, true);
        }
        Graphics::unlockFocus();
        if (v.level > 0) {
            // Turned, the corners of the box lie off the screen: their tiles are not laid.
            const QTransform levelToPainter
                = QTransform::fromScale(v.step, v.step) * sheetToPainter;
            const QRectF seen = painter.clipBoundingRect();
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            pyramid.drawTiles(v.level, pixels, [&](const QImage &tile, const QRect &part) {
                if (levelToPainter.mapRect(QRectF(part).adjusted(-1, -1, 1, 1)).intersects(seen))
                    p.drawImage(QPoint(part.x() - x0, y1 - (part.y() + part.height())), tile);
            });
        }
    }
    const QTransform shownToSheet(v.step, 0, 0, -v.step, x0 * v.step, y1 * v.step);
    painter.save();
    painter.setTransform(shownToSheet * sheetToPainter);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !v.crisp);
    painter.drawImage(QPointF(0, 0), shown);
    painter.restore();
}
