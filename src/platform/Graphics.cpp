#include "Graphics.h"

#include "Assert.h"
#include "Image.h"

#include <QPainter>
#include <cmath>
#include <memory>
#include <vector>

namespace {

struct Destination
{
    std::unique_ptr<QPainter> owned; // set when this entry began painting on an image
    QPainter *painter = nullptr;
    Image *image = nullptr;
    QTransform sheetToDevice;
    int pixelHeight = 0; // device height in pixels, images only
};

std::vector<Destination> &stack()
{
    // Per thread: a save flattens the picture on its own thread while the window paints.
    thread_local std::vector<Destination> s;
    return s;
}

Destination &top()
{
    INK_ASSERT(!stack().empty());
    return stack().back();
}

QPainter::CompositionMode modeFor(CompositeOp op)
{
    switch (op) {
    case CompositeOp::Clear:
        return QPainter::CompositionMode_Clear;
    case CompositeOp::Copy:
        return QPainter::CompositionMode_Source;
    case CompositeOp::DestinationOut:
        return QPainter::CompositionMode_DestinationOut;
    case CompositeOp::SourceOver:
        break;
    }
    return QPainter::CompositionMode_SourceOver;
}

QColor currentColor(QPainter &p)
{
    return p.brush().color();
}

} // namespace

namespace Graphics {

void lockFocus(Image &image)
{
    INK_ASSERT(!image.isNull());
    Destination d;
    d.image = &image;
    d.pixelHeight = image.pixelHeight();
    d.sheetToDevice = sheetToDevice(0, image.pixelHeight());
    // A QImage takes one painter at a time: a nested lock on the same image shares it.
    for (auto &e : stack()) {
        if (e.image == &image) {
            d.painter = e.painter;
            d.painter->save();
            stack().push_back(std::move(d));
            return;
        }
    }
    d.owned = std::make_unique<QPainter>(&image.qimage());
    d.painter = d.owned.get();
    d.painter->setBrush(Qt::black);
    d.painter->setPen(Qt::NoPen);
    d.painter->setTransform(d.sheetToDevice);
    stack().push_back(std::move(d));
}

void lockFocus(QImage &image, const QTransform &sheetToDevice)
{
    Destination d;
    d.owned = std::make_unique<QPainter>(&image);
    d.painter = d.owned.get();
    d.painter->setBrush(Qt::black);
    d.painter->setPen(Qt::NoPen);
    d.painter->setTransform(sheetToDevice);
    d.sheetToDevice = sheetToDevice;
    d.pixelHeight = image.height();
    stack().push_back(std::move(d));
}

QPainter &currentPainter()
{
    return *top().painter;
}

QTransform currentSheetToDevice()
{
    return top().sheetToDevice;
}

void lockFocus(QPainter &painter, const QTransform &sheetToDevice)
{
    painter.save();
    painter.setBrush(Qt::black);
    painter.setPen(Qt::NoPen);
    painter.setTransform(sheetToDevice);
    Destination d;
    d.painter = &painter;
    d.sheetToDevice = sheetToDevice;
    stack().push_back(std::move(d));
}

void unlockFocus()
{
    Destination &d = top();
    if (d.owned)
        d.owned->end();
    else
        d.painter->restore();
    stack().pop_back();
}

bool hasFocus()
{
    return !stack().empty();
}

void saveGraphicsState()
{
    top().painter->save();
}

void restoreGraphicsState()
{
    top().painter->restore();
}

void clipRect(const Rect &r)
{
    Destination &d = top();
    d.painter->setClipRect(QRectF(r.x(), r.y(), r.width(), r.height()), Qt::IntersectClip);
}

void setColor(const Color &c)
{
    top().painter->setBrush(c.toQColor());
}

void fillRect(const Rect &r)
{
    fillRect(r, CompositeOp::Copy);
}

void fillRect(const Rect &r, CompositeOp op)
{
    if (isEmptyRect(r))
        return;
    QPainter &p = *top().painter;
    const auto mode = p.compositionMode();
    p.setCompositionMode(modeFor(op));
    p.fillRect(QRectF(r.x(), r.y(), r.width(), r.height()), currentColor(p));
    p.setCompositionMode(mode);
}

void frameRect(const Rect &r)
{
    if (isEmptyRect(r))
        return;
    const float w = std::min(1.0f, r.width());
    const float h = std::min(1.0f, r.height());
    fillRect({r.x(), r.y(), r.width(), h});
    fillRect({r.x(), r.maxY() - h, r.width(), h});
    fillRect({r.x(), r.y() + h, w, r.height() - 2 * h});
    fillRect({r.maxX() - w, r.y() + h, w, r.height() - 2 * h});
}

void drawImage(const Image &image, const Rect &src, Point dstOrigin, CompositeOp op, float fraction)
{
    if (image.isNull() || isEmptyRect(src))
        return;
    const QRect srcPx = image.pixelRect(src);
    if (srcPx.isEmpty())
        return;
    Destination &d = top();
    QPainter &p = *d.painter;
    // The source pixels' top-left corner, as a sheet point of the source, moved to the destination.
    const double sheetX = srcPx.left() - src.x() + dstOrigin.x;
    const double sheetY = (image.pixelHeight() - srcPx.top()) - src.y() + dstOrigin.y;
    const QPointF dev = d.sheetToDevice.map(QPointF(sheetX, sheetY));
    p.save();
    p.resetTransform(); // images are drawn unflipped, pixel for pixel
    p.setCompositionMode(modeFor(op));
    p.setOpacity(fraction);
    p.drawImage(QPoint(int(std::lround(dev.x())), int(std::lround(dev.y()))), image.qimage(),
                srcPx);
    p.restore();
}

void drawImage(const Image &image, const Rect &r, CompositeOp op, float fraction)
{
    drawImage(image, r, r.origin, op, fraction);
}

} // namespace Graphics

void BezierPath::moveToPoint(Point p)
{
    mPath.moveTo(p.x, p.y);
}

void BezierPath::lineToPoint(Point p)
{
    mPath.lineTo(p.x, p.y);
}

void BezierPath::stroke() const
{
    QPainter &p = *top().painter;
    stroke(p, currentColor(p));
}

void BezierPath::fill() const
{
    QPainter &p = *top().painter;
    fill(p, currentColor(p));
}

void BezierPath::stroke(QPainter &p, const QColor &color) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    QPen pen(color);
    pen.setWidthF(mWidth);
    pen.setCapStyle(mCap == RoundCap        ? Qt::RoundCap
                        : mCap == SquareCap ? Qt::SquareCap
                                             : Qt::FlatCap);
    pen.setJoinStyle(mJoin == RoundJoin       ? Qt::RoundJoin
                         : mJoin == BevelJoin ? Qt::BevelJoin
                                               : Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(mPath);
    p.restore();
}

void BezierPath::fill(QPainter &p, const QColor &color) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(mPath);
    p.restore();
}
