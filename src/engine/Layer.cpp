#include "Layer.h"

#include "Assert.h"
#include "Graphics.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Where drawing goes when nothing of the image is to be painted, or no scratch could be had.
QImage &discard()
{
    static QImage sink(1, 1, QImage::Format_ARGB32_Premultiplied);
    return sink;
}

// Whether the layer's last lockFocus pushed the scratch painter (true) or the discard (false).
// Locks on layers do not nest, so one flag serves.
bool gLockedTiles = false;
bool gLockOk = true;
} // namespace

Layer::Layer() = default;

Layer::Layer(Size size)
    : mImage(std::make_unique<TiledImage>(size))
{
}

Layer::Layer(std::unique_ptr<TiledImage> image)
    : mImage(std::move(image))
{
}

Layer::~Layer() = default;

void Layer::copyStateTo(Layer &copy) const
{
    if (mImage)
        copy.mImage = std::make_unique<TiledImage>(mImage->sharedCopy());
    copy.mIsEnabled = mIsEnabled;
    copy.mBlitType = mBlitType;
    copy.mOpacity = mOpacity;
    copy.mName = mName;
    copy.mMode = mMode;
    copy.mLocked = mLocked;
    copy.mAlphaLocked = mAlphaLocked;
}

LayerProperties Layer::properties() const
{
    return {mName, mIsEnabled, mOpacity, mMode, mLocked, mAlphaLocked};
}

void Layer::setProperties(const LayerProperties &p)
{
    mName = p.name;
    mIsEnabled = p.visible;
    mOpacity = std::clamp(p.opacity, 0.0f, 1.0f);
    mMode = p.mode;
    mLocked = p.locked;
    mAlphaLocked = p.alphaLocked;
}

QPainter::CompositionMode Layer::compositionMode() const
{
    if (mBlitType == BlitType::Erase)
        return QPainter::CompositionMode_DestinationOut;
    switch (mMode) {
    case BlendMode::Normal:
        break;
    case BlendMode::Multiply:
        return QPainter::CompositionMode_Multiply;
    case BlendMode::Screen:
        return QPainter::CompositionMode_Screen;
    case BlendMode::Overlay:
        return QPainter::CompositionMode_Overlay;
    case BlendMode::Darken:
        return QPainter::CompositionMode_Darken;
    case BlendMode::Lighten:
        return QPainter::CompositionMode_Lighten;
    }
    return QPainter::CompositionMode_SourceOver;
}

std::unique_ptr<Layer> Layer::frozenCopy() const
{
    auto copy = std::make_unique<Layer>();
    copyStateTo(*copy);
    return copy;
}

UndoLayer::UndoLayer() = default;

UndoLayer::UndoLayer(Size size)
    : Layer(size)
{
}

UndoLayer::UndoLayer(std::unique_ptr<LayerStackChange> change)
    : mStackChange(std::move(change))
{
}

UndoLayer::~UndoLayer() = default;

std::unique_ptr<UndoLayer> UndoLayer::frozenCopy(Layer *base) const
{
    auto copy = std::make_unique<UndoLayer>();
    Layer::copyStateTo(*copy);
    copy->mLayer = base;
    copy->mPaintedBounds = mPaintedBounds;
    copy->mMixedInk = mMixedInk;
    return copy;
}

bool Layer::isEnabled() const
{
    return mImage && mIsEnabled && double(mOpacity) >= 0.001;
}

Size Layer::size() const
{
    return mImage ? mImage->size() : Size {};
}

void Layer::drawRect(const Rect &r) const
{
    drawRect(r, compositionMode());
}

void Layer::drawRect(const Rect &r, QPainter::CompositionMode mode) const
{
    if (!mImage)
        return;
    const Rect part = intersectionRect(r, shownBounds());
    if (isEmptyRect(part))
        return;
    mImage->drawRect(Graphics::currentPainter(), Graphics::currentSheetToDevice(), part, mode,
                     mOpacity);
}

bool Layer::drawOnto(Layer &dest) const
{
    return drawOnto(dest, compositionMode());
}

bool Layer::drawOnto(Layer &dest, QPainter::CompositionMode mode) const
{
    if (!mImage || !dest.mImage)
        return true;
    return mImage->compositeOnto(*dest.mImage, mode, mOpacity, shownBounds());
}

void Layer::initRender(const Rect &r)
{
    INK_ASSERT(mImage != nullptr);
    mRenderPixels = mImage->pixelRect(r);
    const int w = std::max(mRenderPixels.width(), 1);
    const int h = std::max(mRenderPixels.height(), 1);
    if (mRenderImage.width() < w || mRenderImage.height() < h) {
        // Rounded up, so that the rectangles of one stroke's repaints share one image.
        auto up = [](int v) { return (v + 127) / 128 * 128; };
        mRenderImage
            = QImage(std::max(up(w), mRenderImage.width()), std::max(up(h), mRenderImage.height()),
                     QImage::Format_ARGB32_Premultiplied);
    }
    if (mRenderImage.isNull() || mRenderPixels.isEmpty()) {
        mRenderPixels = {};
        Graphics::lockFocus(discard(), QTransform());
        return;
    }
    const qsizetype bytes = qsizetype(mRenderPixels.width()) * 4;
    for (int y = 0; y < mRenderPixels.height(); ++y)
        std::memset(mRenderImage.scanLine(y), 0, std::size_t(bytes));
    Graphics::lockFocus(
        mRenderImage, sheetToDevice(mRenderPixels.x(), mRenderPixels.y() + mRenderPixels.height()));
    // Assembled at full strength with its snapshots; the layer's opacity and mode apply once,
    // when the whole is shown.
    if (isEmptyRect(intersectionRect(r, shownBounds())))
        return;
    mImage->drawRect(Graphics::currentPainter(), Graphics::currentSheetToDevice(),
                     intersectionRect(r, shownBounds()), QPainter::CompositionMode_SourceOver, 1.0);
}

void Layer::endRender()
{
    Graphics::unlockFocus();
}

void Layer::renderToRect(const Rect &r) const
{
    if (!mImage || mRenderPixels.isEmpty())
        return;
    const QRect part = mImage->pixelRect(r).intersected(mRenderPixels);
    if (part.isEmpty())
        return;
    const int top = part.y() + part.height();
    const QPointF dev = Graphics::currentSheetToDevice().map(QPointF(part.x(), top));
    QPainter &p = Graphics::currentPainter();
    // Put back by hand, as TiledImage::drawRect does: save() costs more than the drawing here.
    const QTransform transform = p.transform();
    const QPainter::CompositionMode mode = p.compositionMode();
    const qreal opacity = p.opacity();
    p.resetTransform();
    p.setCompositionMode(compositionMode());
    p.setOpacity(mOpacity);
    p.drawImage(QPoint(int(std::lround(dev.x())), int(std::lround(dev.y()))), mRenderImage,
                QRect(part.x() - mRenderPixels.x(),
                      mRenderPixels.y() + mRenderPixels.height() - top, part.width(),
                      part.height()));
    p.setTransform(transform);
    p.setCompositionMode(mode);
    p.setOpacity(opacity);
}

void Layer::lockFocus()
{
    INK_ASSERT(mImage != nullptr);
    lockFocusToPaint({{0, 0}, mImage->size()});
}

void Layer::lockFocusToPaint(const Rect &touched)
{
    INK_ASSERT(mImage != nullptr);
    willPaint(touched);
    QPainter *painter = mImage->beginPaint(touched);
    gLockedTiles = painter != nullptr;
    gLockOk = !mImage->lastPaintFailed();
    if (painter)
        Graphics::lockFocus(*painter, painter->transform());
    else
        Graphics::lockFocus(discard(), QTransform());
}

bool Layer::unlockFocus()
{
    INK_ASSERT(mImage != nullptr);
    Graphics::unlockFocus();
    if (!gLockedTiles)
        return gLockOk;
    gLockedTiles = false;
    return mImage->endPaint();
}

void Layer::clear()
{
    if (mImage)
        mImage->clear();
}

std::unique_ptr<TiledImage> Layer::imageReframedTo(const Rect &r) const
{
    auto image = std::make_unique<TiledImage>(mImage ? mImage->reframed(r) : TiledImage(r.size));
    if (image->pixelWidth() == 0)
        return nullptr;
    return image;
}

void Layer::adoptReframedImage(std::unique_ptr<TiledImage> image, const Rect &)
{
    INK_ASSERT(image != nullptr);
    mImage = std::move(image);
}

Rect Layer::shownBounds() const
{
    return mImage ? Rect({0, 0}, mImage->size()) : Rect {};
}

void UndoLayer::willPaint(const Rect &touched)
{
    if (mImage)
        mPaintedBounds
            = intersectionRect(unionRect(mPaintedBounds, integralRect(touched)),
                               {0, 0, float(mImage->pixelWidth()), float(mImage->pixelHeight())});
}

UndoLayer::Ink UndoLayer::inkFor(float alpha) const
{
    return isEmptyRect(mPaintedBounds) || (!mMixedInk && alpha == mOpacity) ? Ink::FullStrength
                                                                            : Ink::OwnAlpha;
}

UndoLayer::Ink UndoLayer::takeInk(float alpha)
{
    if (isEmptyRect(mPaintedBounds)) {
        mOpacity = alpha;
        mMixedInk = false;
        return Ink::FullStrength;
    }
    if (mMixedInk)
        return Ink::OwnAlpha;
    if (alpha == mOpacity)
        return Ink::FullStrength;
    if (mOpacity != 1.0f && mImage) {
        // Laid over nothing, as it is over its layer when shown: the stroke looks as it did.
        auto fixed = std::make_unique<TiledImage>(mImage->size());
        if (!mImage->compositeOnto(*fixed, QPainter::CompositionMode_SourceOver, mOpacity,
                                   mPaintedBounds))
            return Ink::Failed;
        mImage = std::move(fixed);
    }
    mOpacity = 1.0f;
    mMixedInk = true;
    return Ink::OwnAlpha;
}

void UndoLayer::clear()
{
    Layer::clear();
    mPaintedBounds = {};
    mOpacity = 1.0f;
    mMixedInk = false;
}

void UndoLayer::adoptReframedImage(std::unique_ptr<TiledImage> image, const Rect &r)
{
    Layer::adoptReframedImage(std::move(image), r);
    if (isEmptyRect(mPaintedBounds))
        return;
    // Pixels move by (−x, −y), each rounded to whole pixels: one point of margin keeps them inside.
    const Rect moved {mPaintedBounds.x() - r.x(), mPaintedBounds.y() - r.y(),
                      mPaintedBounds.width(), mPaintedBounds.height()};
    mPaintedBounds = {};
    willPaint(insetRect(moved, -1, -1));
}

void Layer::viewBoundsDidChange(const Rect &r)
{
    if (mImage && r == Rect({0, 0}, mImage->size()))
        return;
    auto image = imageReframedTo(r);
    INK_ASSERT(image != nullptr);
    adoptReframedImage(std::move(image), r);
}

bool Layer::setPixels(const QImage &picture)
{
    INK_ASSERT(mImage != nullptr);
    return mImage->setPixels(picture);
}

QImage Layer::toQImage() const
{
    if (!mImage)
        return {};
    QImage out(mImage->pixelWidth(), mImage->pixelHeight(), QImage::Format_ARGB32_Premultiplied);
    if (!out.isNull())
        mImage->readPixels(QRect(0, 0, out.width(), out.height()), out, 0, 0);
    return out;
}
