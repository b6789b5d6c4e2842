#include "Layer.h"

#include "Assert.h"
#include "Graphics.h"

#include <algorithm>

namespace {
constexpr int kEraseBlit = 2;

CompositeOp opForBlitType(int type)
{
    return type == kEraseBlit ? CompositeOp::DestinationOut : CompositeOp::SourceOver;
}
} // namespace

Layer::Layer() = default;

Layer::Layer(Size size) : mImage(std::make_unique<Image>(size)) { }

Layer::~Layer() = default;

bool Layer::isEnabled() const
{
    return mImage && mIsEnabled && double(mOpacity) >= 0.001;
}

Size Layer::size() const
{
    return mImage ? mImage->size() : Size{};
}

void Layer::drawRect(const Rect &r) const
{
    if (!mImage)
        return;
    Graphics::drawImage(*mImage, r, opForBlitType(mBlitType), mOpacity);
}

void Layer::initRender(const Rect &r)
{
    INK_ASSERT(mImage != nullptr);
    if (mRenderImage && mRenderImage->size() == mImage->size()) {
        Graphics::lockFocus(*mRenderImage);
        Graphics::fillRect(r, CompositeOp::Clear);
    } else {
        mRenderImage = std::make_unique<Image>(mImage->size());
        Graphics::lockFocus(*mRenderImage);
    }
    drawRect(r);
}

void Layer::endRender()
{
    Graphics::unlockFocus();
}

void Layer::renderToRect(const Rect &r) const
{
    if (mRenderImage)
        Graphics::drawImage(*mRenderImage, r, CompositeOp::SourceOver, 1.0f);
}

void Layer::lockFocus()
{
    INK_ASSERT(mImage != nullptr);
    Graphics::lockFocus(*mImage);
}

void Layer::unlockFocus()
{
    INK_ASSERT(mImage != nullptr);
    Graphics::unlockFocus();
}

void Layer::clear()
{
    if (!mImage)
        return;
    lockFocus();
    Graphics::fillRect({0, 0, mImage->size().width, mImage->size().height}, CompositeOp::Clear);
    unlockFocus();
}

std::unique_ptr<Image> Layer::imageReframedTo(const Rect &r) const
{
    auto image = std::make_unique<Image>(r.size);
    if (image->isNull())
        return nullptr;
    if (!mImage)
        return image;
    const Size old = mImage->size();
    const float sx = std::max(r.x(), 0.0f);
    const float sy = std::max(r.y(), 0.0f);
    const float cw = std::max(std::min(old.width, r.x() + r.width()) - sx, 0.0f);
    const float ch = std::max(std::min(old.height, r.y() + r.height()) - sy, 0.0f);
    const float dx = std::max(-r.x(), 0.0f);
    const float dy = std::max(-r.y(), 0.0f);
    if (cw > 0.0f && ch > 0.0f) {
        Graphics::lockFocus(*image);
        Graphics::drawImage(*mImage, {sx, sy, std::min(cw, r.width()), std::min(ch, r.height())}, {dx, dy},
                            CompositeOp::Copy, 1.0f);
        Graphics::unlockFocus();
    }
    return image;
}

void Layer::adoptReframedImage(std::unique_ptr<Image> image, const Rect &)
{
    INK_ASSERT(image != nullptr);
    mImage = std::move(image);
}

void Layer::viewBoundsDidChange(const Rect &r)
{
    if (mImage && r == Rect(0, 0, mImage->size().width, mImage->size().height))
        return;
    auto image = imageReframedTo(r);
    INK_ASSERT(image != nullptr);
    adoptReframedImage(std::move(image), r);
}

namespace {
// The image's whole pixel area in sheet coordinates.
Rect pixelBounds(const Image &image)
{
    return {0, 0, float(image.pixelWidth()), float(image.pixelHeight())};
}
} // namespace

void UndoLayer::addPaintedRect(const Rect &r)
{
    if (!mImage)
        return;
    mPaintedBounds
        = intersectionRect(unionRect(mPaintedBounds, integralRect(r)), pixelBounds(*mImage));
}

void UndoLayer::lockFocusToPaint(const Rect &touched)
{
    addPaintedRect(touched);
    Layer::lockFocus();
}

void UndoLayer::lockFocus()
{
    Layer::lockFocus();
    mPaintedBounds = pixelBounds(*mImage);
}

void UndoLayer::drawRect(const Rect &r) const
{
    const Rect part = intersectionRect(r, mPaintedBounds);
    if (!isEmptyRect(part))
        Layer::drawRect(part);
}

void UndoLayer::clear()
{
    if (!mImage)
        return;
    if (!isEmptyRect(mPaintedBounds)) {
        Graphics::lockFocus(*mImage);
        Graphics::fillRect(mPaintedBounds, CompositeOp::Clear);
        Graphics::unlockFocus();
    }
    mPaintedBounds = {};
}

void UndoLayer::adoptReframedImage(std::unique_ptr<Image> image, const Rect &r)
{
    Layer::adoptReframedImage(std::move(image), r);
    if (isEmptyRect(mPaintedBounds))
        return;
    // Pixels move by (−x, −y), each rounded to whole pixels: one point of margin keeps them inside.
    const Rect moved {mPaintedBounds.x() - r.x(), mPaintedBounds.y() - r.y(),
                      mPaintedBounds.width(), mPaintedBounds.height()};
    mPaintedBounds = {};
    addPaintedRect(insetRect(moved, -1, -1));
}
