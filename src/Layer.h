#pragma once

#include "Geometry.h"
#include "Image.h"

#include <memory>

// One sheet-sized image the canvas paints into, with how it is composited, and a render image
// in which it is assembled with its undo snapshots before it reaches the view.
class Layer
{
public:
    Layer(); // no image
    explicit Layer(Size size); // a fully transparent image of that size
    virtual ~Layer();

    Layer(const Layer &) = delete;
    Layer &operator=(const Layer &) = delete;

    bool isEnabled() const;
    void setEnabled(bool enabled) { mIsEnabled = enabled; }
    int blitType() const { return mBlitType; }
    void setBlitType(int type) { mBlitType = type; }
    float opacity() const { return mOpacity; }
    void setOpacity(float opacity) { mOpacity = opacity; }
    Size size() const;

    // Composites part r of the image onto part r of the current drawing destination.
    virtual void drawRect(const Rect &r) const;

    // Prepares the render image for r and leaves it as the drawing destination; endRender()
    // returns to the previous one. Only the pixels inside the last prepared rectangle count.
    void initRender(const Rect &r);
    void endRender();
    // Part r of the render image over part r of the current destination.
    void renderToRect(const Rect &r) const;

    virtual void lockFocus();
    void unlockFocus();
    virtual void clear();

    // Re-frames the image to r, given in the current image's coordinates: what r covers is kept,
    // moved by (−x, −y); the rest is transparent.
    void viewBoundsDidChange(const Rect &r);
    // The same in two steps, so that a caller can allocate every new image before changing any:
    // imageReframedTo() gives nullptr when the image cannot be had; adoptReframedImage() takes the
    // image it made for the same r.
    std::unique_ptr<Image> imageReframedTo(const Rect &r) const;
    virtual void adoptReframedImage(std::unique_ptr<Image> image, const Rect &r);

    const Image *image() const { return mImage.get(); }
    const Image *renderImage() const { return mRenderImage.get(); }

protected:
    std::unique_ptr<Image> mImage;
    std::unique_ptr<Image> mRenderImage;
    bool mIsEnabled = true;
    int mBlitType = 1;
    float mOpacity = 1.0f;
};

// One stroke, painted over its base layer until it is undone or merged into it. It keeps the
// bounds of what its strokes painted, so that drawing, merging and clearing it cost work in
// proportion to the stroke rather than to the sheet.
class UndoLayer : public Layer
{
public:
    using Layer::Layer;

    Layer *layer() const { return mLayer; }
    void setLayer(Layer *layer) { mLayer = layer; }

    // Painting into the snapshot that stays inside `touched`.
    void lockFocusToPaint(const Rect &touched);
    // Painting of unknown extent: from now on the whole image counts as painted.
    void lockFocus() override;
    // Whole-numbered, inside the image; empty while nothing is painted.
    Rect paintedBounds() const { return mPaintedBounds; }

    // Outside the painted bounds the snapshot is transparent, so neither needs to look there.
    void drawRect(const Rect &r) const override;
    void clear() override;
    void adoptReframedImage(std::unique_ptr<Image> image, const Rect &r) override;

private:
    void addPaintedRect(const Rect &r);

    Layer *mLayer = nullptr; // not owned
    Rect mPaintedBounds;
};
