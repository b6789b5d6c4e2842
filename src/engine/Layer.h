#pragma once

#include "BlendMode.h"
#include "Geometry.h"
#include "StrokeRaster.h"
#include "TiledImage.h"

#include <QImage>
#include <QPainter>
#include <QString>
#include <memory>
#include <vector>

// How a layer joins what lies under it: painted over it, or erasing it where it is opaque.
enum class BlitType : int {
    Paint = 1,
    Erase = 2,
};

// What the user sees of a layer and may change, apart from its pixels, so that the history can
// put it back as it was.
struct LayerProperties
{
    QString name;
    bool visible = true;
    float opacity = 1.0f; // 0..1
    BlendMode mode = BlendMode::Normal;
    bool locked = false; // takes no strokes
    bool alphaLocked = false; // strokes change only what is painted already
    bool operator==(const LayerProperties &) const = default;
};

// One image the canvas paints into, with how it is composited, and a render image in which it
// is assembled with its undo snapshots before it reaches the view. The image is tiled: it costs
// what is painted on it, whatever the sheet's size, and the render image covers only the
// rectangle being rendered.
class Layer
{
public:
    Layer(); // no image
    explicit Layer(Size size); // a fully transparent image of that size
    explicit Layer(std::unique_ptr<TiledImage> image); // adopts the image, tiles and all
    virtual ~Layer();

    Layer(const Layer &) = delete;
    Layer &operator=(const Layer &) = delete;

    bool isEnabled() const;
    void setEnabled(bool enabled) { mIsEnabled = enabled; }
    BlitType blitType() const { return mBlitType; }
    void setBlitType(BlitType type) { mBlitType = type; }
    float opacity() const { return mOpacity; }
    void setOpacity(float opacity) { mOpacity = opacity; }
    Size size() const;
    // The user's layer: name, mode and locks beside the visibility and opacity above.
    LayerProperties properties() const;
    void setProperties(const LayerProperties &p);
    const QString &name() const { return mName; }
    BlendMode blendMode() const { return mMode; }
    bool isLocked() const { return mLocked; }
    bool isAlphaLocked() const { return mAlphaLocked; }
    // How the layer joins what lies under it: its blit type, then its blend mode.
    QPainter::CompositionMode compositionMode() const;

    // Composites part r of the image onto part r of the current drawing destination.
    void drawRect(const Rect &r) const;
    // The same with another way of joining (a snapshot over an alpha-locked layer).
    void drawRect(const Rect &r, QPainter::CompositionMode mode) const;
    // Composites the whole image onto another layer's, with this layer's composition mode (or
    // the one given) and opacity, over this image's tiles only. False when a tile of dest
    // could not be made.
    bool drawOnto(Layer &dest) const;
    bool drawOnto(Layer &dest, QPainter::CompositionMode mode) const;

    // Prepares the render image for r and leaves it as the drawing destination; endRender()
    // returns to the previous one. Only the pixels inside the last prepared rectangle count.
    void initRender(const Rect &r);
    void endRender();
    // Part r of the render image over part r of the current destination.
    void renderToRect(const Rect &r) const;

    // Painting of the platform's drawing functions into the image: lockFocus() over the whole
    // sheet (a sheet-sized scratch: for small images and whole pictures), lockFocusToPaint()
    // over what `touched` covers. unlockFocus() writes it back and tells whether every tile
    // could be made.
    void lockFocus();
    void lockFocusToPaint(const Rect &touched);
    bool unlockFocus();
    // The same with the painter passed on explicitly: sheet coordinates, clipped to `touched`.
    // `reach` is where antialiased edges may land, a little more than touched: what falls
    // outside every rectangle a stroke touched is never shown.
    template<typename Draw>
    bool paint(const Rect &touched, const Rect &reach, Draw &&draw)
    {
        willPaint(touched);
        return mImage->paint(reach, std::forward<Draw>(draw));
    }
    // A stroke's segment rasterised straight into the image's tiles, kept within reach.
    bool paintInk(const Rect &touched, const Rect &reach, const InkSegment &segment,
                  const QColor &colour, InkCombine combine)
    {
        willPaint(touched);
        return StrokeRaster::paint(*mImage, segment, colour, combine, mImage->pixelRect(reach));
    }
    virtual void clear();

    // Re-frames the image to r, given in the current image's coordinates: what r covers is kept,
    // moved by (−x, −y); the rest is transparent.
    void viewBoundsDidChange(const Rect &r);
    // The same in two steps, so that a caller can make every new image before changing any:
    // imageReframedTo() gives nullptr when the image cannot be had; adoptReframedImage() takes
    // the image it made.
    std::unique_ptr<TiledImage> imageReframedTo(const Rect &r) const;
    virtual void adoptReframedImage(std::unique_ptr<TiledImage> image, const Rect &r);

    // The picture replaced by one of the image's pixel size; false when it cannot be held.
    bool setPixels(const QImage &picture);

    const TiledImage *image() const { return mImage.get(); }
    // The layer as it is now, its tiles shared (TiledImage::sharedCopy), for reading elsewhere.
    std::unique_ptr<Layer> frozenCopy() const;
    // The whole image as one QImage (premultiplied, row 0 at the top): for small sheets only.
    QImage toQImage() const;

protected:
    void copyStateTo(Layer &copy) const;
    // The part of the image that drawing and merging show; the whole image for a layer.
    virtual Rect shownBounds() const;
    virtual void willPaint(const Rect &) { }

    std::unique_ptr<TiledImage> mImage;
    QImage mRenderImage; // at least the size of the last rendered rectangle
    QRect mRenderPixels; // y up, the pixels of the image that the render image holds
    bool mIsEnabled = true;
    BlitType mBlitType = BlitType::Paint;
    float mOpacity = 1.0f;
    QString mName;
    BlendMode mMode = BlendMode::Normal;
    bool mLocked = false;
    bool mAlphaLocked = false;
};

struct LayerStackChange;

// One stroke, painted over its base layer until it is undone or merged into it. Its tiles are
// only those its stroke painted, so drawing, merging and clearing it cost work in proportion
// to the stroke rather than to the sheet; it shows only inside the bounds of what its strokes
// touched.
class UndoLayer : public Layer
{
public:
    UndoLayer(); // no image
    explicit UndoLayer(Size size);
    // A step of the history that changes the layers instead of painting: no image, no base.
    explicit UndoLayer(std::unique_ptr<LayerStackChange> change);
    ~UndoLayer() override;

    Layer *layer() const { return mLayer; }
    void setLayer(Layer *layer) { mLayer = layer; }
    const LayerStackChange *stackChange() const { return mStackChange.get(); }

    // Whole-numbered, inside the image: the bounds of every rectangle its strokes touched.
    Rect paintedBounds() const { return mPaintedBounds; }

    // How ink of colour alpha `alpha` is to be painted in. A stroke paints its coverage at full
    // strength and shows its alpha through the snapshot's opacity, so that its overlapping
    // segments cover a pixel once. Ink of another alpha joining painted ink (a chain of lines
    // whose colour changed) first fixes what is there at its opacity, then is laid over it with
    // its own alpha, as a stroke of its own would be. Failed when a tile could not be made.
    enum class Ink { FullStrength, OwnAlpha, Failed };
    Ink takeInk(float alpha);
    // How takeInk() would take it, changing nothing (never Failed).
    Ink inkFor(float alpha) const;

    void clear() override;
    void adoptReframedImage(std::unique_ptr<TiledImage> image, const Rect &r) override;
    // As Layer::frozenCopy(), over base.
    std::unique_ptr<UndoLayer> frozenCopy(Layer *base) const;

protected:
    Rect shownBounds() const override { return mPaintedBounds; }
    void willPaint(const Rect &touched) override;

private:
    Layer *mLayer = nullptr; // not owned
    std::unique_ptr<LayerStackChange> mStackChange;
    Rect mPaintedBounds;
    bool mMixedInk = false; // painted with more than one alpha: each segment carries its own
};

// A picture's layers, bottom first, with what each showed and the one painted on.
struct LayerStack
{
    std::vector<std::shared_ptr<Layer>> layers;
    std::vector<LayerProperties> properties;
    Layer *current = nullptr; // one of layers
};

// The layers before and after a step of the history that changed them.
struct LayerStackChange
{
    LayerStack before;
    LayerStack after;
};
