#include "Picture.h"

#include "Assert.h"
#include "Background.h"
#include "Graphics.h"

#include <algorithm>
#include <cmath>

namespace {
// Flattening goes a band of about this many pixels at a time through each layer's render image.
constexpr qint64 kBandPixels = 4 << 20;

// The whole pixels r covers, y up; none for an empty or absurd rectangle.
QRect pixelsCovering(const Rect &r)
{
    constexpr double kFar = 1 << 30;
    if (isEmptyRect(r) || !(std::abs(r.x()) < kFar && std::abs(r.y()) < kFar)
        || !(r.width() < kFar && r.height() < kFar))
        return {};
    const int x0 = int(std::floor(r.x())), y0 = int(std::floor(r.y()));
    return QRect(x0, y0, int(std::ceil(r.maxX())) - x0, int(std::ceil(r.maxY())) - y0);
}
} // namespace

static QPainter::CompositionMode snapshotMode(const UndoLayer &snapshot, const Layer &base)
{
    // Over an alpha-locked layer, paint lands only where the layer is painted already.
    if (base.isAlphaLocked() && snapshot.blitType() == BlitType::Paint)
        return QPainter::CompositionMode_SourceAtop;
    return snapshot.compositionMode();
}

Picture::Picture(Size sheet, BgType bgType)
    : mBgType(bgType)
{
    if (Image::isValidSize(sheet))
        mSheetSize = sheet;
    mLayers.reserve(5);
    auto layer = std::make_shared<Layer>(sheet);
    mCurrLayer = layer.get();
    mLayers.push_back(std::move(layer));
    mUndoLayers.reserve(kDefaultUndoDepth);
    mPyramid = std::make_unique<PicturePyramid>(*this);
}

Picture::~Picture() = default;

std::unique_ptr<Picture> Picture::frozenCopy() const
{
    auto copy = std::make_unique<Picture>(Size {}, mBgType);
    copy->mSheetSize = mSheetSize;
    copy->mUndoDepth = mUndoDepth;
    copy->mLayers.clear();
    copy->mCurrLayer = nullptr;
    // A preview (a paste not yet placed, a layer being dragged) is no part of the picture yet.
    const LayerStack stack = isPreviewing() ? mPreviewed : layerStack();
    for (std::size_t i = 0; i < stack.layers.size(); ++i) {
        copy->mLayers.push_back(stack.layers[i]->frozenCopy());
        copy->mLayers.back()->setProperties(stack.properties[i]);
        if (stack.layers[i].get() == stack.current)
            copy->mCurrLayer = copy->mLayers.back().get();
    }
    const auto baseOf = [&](const Layer *base) -> Layer * {
        for (std::size_t i = 0; i < stack.layers.size(); ++i)
            if (stack.layers[i].get() == base)
                return copy->mLayers[i].get();
        return nullptr;
    };
    for (const auto &snapshot : mUndoLayers)
        if (!snapshot->stackChange())
            copy->mUndoLayers.push_back(snapshot->frozenCopy(baseOf(snapshot->layer())));
    return copy;
}

std::unique_ptr<UndoLayer> Picture::mergeOldest()
{
    UndoLayer *oldest = mUndoLayers.front().get();
    Layer *layer = oldest->layer();
    if (layer && !oldest->drawOnto(*layer, snapshotMode(*oldest, *layer)))
        return nullptr;
    // Merged, the stroke shows as it did, unless the layer's opacity now also dims it.
    if (layer && layer->opacity() != 1.0f)
        mPyramid->invalidate(oldest->paintedBounds());
    std::unique_ptr<UndoLayer> merged = std::move(mUndoLayers.front());
    mUndoLayers.erase(mUndoLayers.begin());
    return merged;
}

bool Picture::setUndoDepth(int depth)
{
    mUndoDepth = std::size_t(std::clamp(depth, kMinUndoDepth, kMaxUndoDepth));
    bool merged = true;
    while (merged && mUndoLayers.size() > mUndoDepth)
        merged = mergeOldest() != nullptr;
    // What would be redone last goes first: the rest still redoes in order.
    const std::size_t room = mUndoDepth - std::min(mUndoDepth, mUndoLayers.size());
    if (mRedoLayers.size() > room)
        mRedoLayers.erase(mRedoLayers.begin(), mRedoLayers.end() - std::ptrdiff_t(room));
    return merged;
}

bool Picture::makeRoom()
{
    mRedoLayers.clear();
    // Left over from a lowered depth whose merge failed.
    while (mUndoLayers.size() > mUndoDepth)
        if (!mergeOldest())
            return false;
    return mUndoLayers.size() < mUndoDepth || mergeOldest();
}

UndoLayer *Picture::createUndoLayer(Layer *base)
{
    mRedoLayers.clear();
    // Left over from a lowered depth whose merge failed.
    while (mUndoLayers.size() > mUndoDepth)
        if (!mergeOldest())
            return nullptr;
    if (mUndoLayers.size() < mUndoDepth) {
        auto snapshot = std::make_unique<UndoLayer>(base->size());
        snapshot->setLayer(base);
        mUndoLayers.push_back(std::move(snapshot));
        return mUndoLayers.back().get();
    }
    std::unique_ptr<UndoLayer> oldest = mergeOldest();
    if (!oldest)
        return nullptr;
    if (oldest->stackChange() || !oldest->image())
        oldest = std::make_unique<UndoLayer>(base->size()); // a step of the layers serves no stroke
    oldest->clear();
    oldest->setLayer(base);
    mUndoLayers.push_back(std::move(oldest));
    return mUndoLayers.back().get();
}

const UndoLayer *Picture::undoNewest()
{
    if (mUndoLayers.empty())
        return nullptr;
    // It keeps its layer: only the history is rendered, and a new layer ends what can be redone.
    mRedoLayers.push_back(std::move(mUndoLayers.back()));
    mUndoLayers.pop_back();
    const UndoLayer &undone = *mRedoLayers.back();
    if (undone.stackChange()) {
        installLayers(undone.stackChange()->before);
        return &undone;
    }
    mPyramid->invalidate(undone.paintedBounds());
    return &undone;
}

const UndoLayer *Picture::redoNewest()
{
    if (mRedoLayers.empty())
        return nullptr;
    INK_ASSERT(mUndoLayers.size() < mUndoDepth);
    mUndoLayers.push_back(std::move(mRedoLayers.back()));
    mRedoLayers.pop_back();
    const UndoLayer &redone = *mUndoLayers.back();
    if (redone.stackChange()) {
        installLayers(redone.stackChange()->after);
        return &redone;
    }
    mPyramid->invalidate(redone.paintedBounds());
    return &redone;
}

bool Picture::isUndoLayerAlive(const UndoLayer *layer) const
{
    return layer
        && std::any_of(mUndoLayers.begin(), mUndoLayers.end(),
                       [layer](const auto &snapshot) { return snapshot.get() == layer; });
}

bool Picture::paintInk(UndoLayer &snapshot, const InkSegment &segment, const Rect &touched,
                       const Color *colour)
{
    // Antialiased edges may land a little past touched; they are kept within this.
    const Rect reach = insetRect(touched, -2, -2);
    mPyramid->invalidate(reach);
    snapshot.setBlitType(colour ? BlitType::Paint : BlitType::Erase);
    // The eraser paints opaque: only its coverage counts.
    QColor c = colour ? colour->toQColor() : QColor(Qt::black);
    InkCombine combine = InkCombine::Max;
    switch (snapshot.takeInk(float(c.alphaF()))) {
    case UndoLayer::Ink::FullStrength:
        c.setAlpha(255);
        break;
    case UndoLayer::Ink::OwnAlpha:
        combine = InkCombine::Over;
        break;
    case UndoLayer::Ink::Failed:
        return false;
    }
    return snapshot.paintInk(touched, reach, segment, c, combine);
}

InkSegment Picture::roundSegment(Point from, Point to, float width, const Rect &dot)
{
    InkSegment s;
    s.from = from;
    s.to = to;
    s.fromWidth = s.toWidth = width;
    if (from == to && !isEmptyRect(dot)) {
        s.from = s.to = {dot.x() + dot.width() / 2, dot.y() + dot.height() / 2};
        s.fromWidth = s.toWidth = (dot.width() + dot.height()) / 2;
    }
    return s;
}

bool Picture::paintSegment(UndoLayer &snapshot, Point from, Point to, float width,
                           const Rect &touched, const Rect &dot, const Color *colour)
{
    return paintInk(snapshot, roundSegment(from, to, width, dot), touched, colour);
}

void Picture::drawInk(QPainter &painter, const InkSegment &segment, const Rect &touched,
                      const QColor &colour)
{
    const QRect pixels = pixelsCovering(insetRect(touched, -2, -2));
    if (pixels.isEmpty())
        return;
    QImage wet(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    if (wet.isNull())
        return;
    wet.fill(Qt::transparent);
    StrokeRaster::paint(wet, pixels.topLeft(), segment, colour, InkCombine::Over, pixels);
    // The image's top row is the rectangle's top edge, y up.
    const QTransform imageToSheet(1, 0, 0, -1, pixels.x(), pixels.y() + pixels.height());
    painter.save();
    painter.setTransform(imageToSheet * painter.transform());
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QPointF(0, 0), wet);
    painter.restore();
}

void Picture::renderLayersInRect(const Rect &r) const
{
    renderLayersInRect(r, nullptr);
}

bool Picture::showsThroughPicture(const PendingLine &line)
{
    const float alpha = float(line.colour.alphaF());
    return line.snapshot && alpha < 1.0f && !isEmptyRect(line.snapshot->paintedBounds())
        && line.snapshot->blitType() == BlitType::Paint
        && line.snapshot->inkFor(alpha) == UndoLayer::Ink::FullStrength;
}

namespace {
// The snapshot with the line painted in at full strength, as paintSegment() would paint it,
// shown through the snapshot's opacity.
void drawWithLine(const UndoLayer &snapshot, const Rect &r, const Picture::PendingLine &line)
{
    const TiledImage &image = *snapshot.image();
    const Rect shown
        = intersectionRect(r, unionRect(snapshot.paintedBounds(), integralRect(line.touched)));
    const QRect pixels = image.pixelRect(shown);
    if (pixels.isEmpty())
        return;
    QImage wet(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    if (wet.isNull()) {
        snapshot.drawRect(r);
        return;
    }
    wet.fill(Qt::transparent);
    {
        QPainter p(&wet);
        image.drawRect(p, sheetToDevice(pixels.x(), pixels.y() + pixels.height()),
                       intersectionRect(shown, snapshot.paintedBounds()),
                       QPainter::CompositionMode_SourceOver, 1.0);
    }
    QColor ink = line.colour;
    ink.setAlpha(255);
    StrokeRaster::paint(wet, pixels.topLeft(), line.segment, ink, InkCombine::Max,
                        image.pixelRect(intersectionRect(shown, integralRect(line.touched))));
    QPainter &dest = Graphics::currentPainter();
    const QPointF at
        = Graphics::currentSheetToDevice().map(QPointF(pixels.x(), pixels.y() + pixels.height()));
    dest.save();
    dest.resetTransform();
    dest.setCompositionMode(QPainter::CompositionMode_SourceOver);
    dest.setOpacity(snapshot.opacity());
    dest.drawImage(QPoint(int(std::lround(at.x())), int(std::lround(at.y()))), wet);
    dest.restore();
}
} // namespace

void Picture::renderLayersInRect(const Rect &r, const PendingLine *line, bool onPaper) const
{
    if (line && !showsThroughPicture(*line))
        line = nullptr;
    std::size_t i = 0;
    const std::size_t current = std::size_t(std::max(currentLayerIndex(), 0));
    if (onPaper && current > 0 && mSheetSize.width == std::ceil(mSheetSize.width)
        && mSheetSize.height == std::ceil(mSheetSize.height)
        && std::any_of(mLayers.begin(), mLayers.begin() + std::ptrdiff_t(current),
                       [](const auto &layer) {
                           return layer->isEnabled()
                               && layer->compositionMode()
                               != QPainter::CompositionMode_SourceOver;
                       })) {
        if (const std::optional<QColor> paper = Background::uniformColor(mBgType);
            paper && drawRun(0, current, r, &*paper))
            i = current;
    }
    for (; i < mLayers.size(); ++i) {
        if (joinsRun(i)) {
            std::size_t last = i + 1;
            while (last < mLayers.size() && joinsRun(last))
                ++last;
            if (last - i > 1 && drawRun(i, last, r)) {
                i = last - 1;
                continue;
            }
        }
        if (!mLayers[i]->isEnabled())
            continue;
        // A layer the pen is not on, with strokes over it, is assembled once and kept.
        if (mLayers[i].get() != mCurrLayer && mLayers[i]->image() && coveredBySnapshot(i, r)
            && drawRun(i, i + 1, r))
            continue;
        drawLayer(*mLayers[i], r, line);
    }
}

bool Picture::coveredBySnapshot(std::size_t index, const Rect &r) const
{
    return std::any_of(mUndoLayers.begin(), mUndoLayers.end(), [&](const auto &u) {
        return u->layer() == mLayers[index].get()
            && !isEmptyRect(intersectionRect(u->paintedBounds(), r));
    });
}

void Picture::drawLayer(Layer &layer, const Rect &r, const PendingLine *line) const
{
    const bool covered = std::any_of(mUndoLayers.begin(), mUndoLayers.end(), [&](const auto &u) {
        return u->layer() == &layer
            && (!isEmptyRect(intersectionRect(u->paintedBounds(), r))
                || (line && line->snapshot == u.get()
                    && !isEmptyRect(intersectionRect(line->touched, r))));
    });
    if (!covered) {
        // Nothing to assemble: the layer goes straight on, as it would from its render image.
        layer.drawRect(r);
        return;
    }
    layer.initRender(r);
    for (const auto &snapshot : mUndoLayers) {
        if (snapshot->layer() != &layer)
            continue;
        if (line && snapshot.get() == line->snapshot)
            drawWithLine(*snapshot, r, *line);
        else
            snapshot->drawRect(r, snapshotMode(*snapshot, layer));
    }
    layer.endRender();
    layer.renderToRect(r);
}

const QImage *Picture::tileShownAsIs(int tx, int ty, const QRect &part, bool *composited) const
{
    // Drawn as renderLayersInRect draws it: a layer's tile laid at full opacity over nothing,
    // with no snapshot over it, gives its very pixels.
    const Rect sheetPart(float(part.x()), float(part.y()), float(part.width()),
                         float(part.height()));
    const QImage *single = nullptr;
    int painted = 0;
    bool blended = false;
    for (const auto &layer : mLayers) {
        if (!layer->isEnabled())
            continue;
        if (const QImage *tile = layer->image()->tileAt(tx, ty)) {
            ++painted;
            single = tile;
            blended = blended || layer->opacity() != 1.0f
                || layer->compositionMode() != QPainter::CompositionMode_SourceOver;
        }
        for (const auto &snapshot : mUndoLayers)
            if (snapshot->layer() == layer.get() && snapshot->image()
                && snapshot->image()->tileAt(tx, ty)
                && !isEmptyRect(intersectionRect(snapshot->paintedBounds(), sheetPart))) {
                ++painted;
                blended = true;
            }
    }
    *composited = painted > 0;
    return painted == 1 && !blended ? single : nullptr;
}

void Picture::drawBackgroundInRect(const Rect &r) const
{
    if (!isEmptyRect({{0, 0}, mSheetSize}))
        Background::drawInRect(mBgType, mSheetSize, r);
}

bool Picture::resize(const Rect &r)
{
    if (!Image::isValidSize(r.size))
        return false;
    std::vector<std::pair<Layer *, std::unique_ptr<TiledImage>>> reframed;
    auto prepare = [&](Layer &layer) {
        if (layer.image() && r == Rect({0, 0}, layer.size()))
            return true; // the layer goes on with its very image
        auto image = layer.imageReframedTo(r);
        if (!image)
            return false;
        reframed.emplace_back(&layer, std::move(image));
        return true;
    };
    // Layers the history alone keeps come back at the new size too.
    for (Layer *layer : everyLayer())
        if (!prepare(*layer))
            return false;
    for (const auto &snapshot : mUndoLayers)
        if (snapshot->image() && !prepare(*snapshot))
            return false;
    for (auto &[layer, image] : reframed)
        layer->adoptReframedImage(std::move(image), r);
    if (!reframed.empty() || mSheetSize != r.size)
        mPyramid->invalidateAll();
    mRedoLayers.clear();
    mSheetSize = r.size;
    return true;
}

void Picture::replaceLayersWith(std::unique_ptr<Layer> layer)
{
    std::vector<std::unique_ptr<Layer>> layers;
    layers.push_back(std::move(layer));
    replaceLayersWith(std::move(layers), 0);
}

void Picture::replaceLayersWith(std::vector<std::unique_ptr<Layer>> layers, int current)
{
    INK_ASSERT(!layers.empty());
    mRedoLayers.clear();
    mUndoLayers.clear();
    mLayers.clear();
    mSheetSize = layers.front()->size();
    for (auto &layer : layers)
        mLayers.push_back(std::move(layer));
    mCurrLayer = mLayers[std::size_t(std::clamp(current, 0, int(mLayers.size()) - 1))].get();
    mPyramid->invalidateAll();
}

void Picture::flattenInto(QImage &out, int top, bool withBG) const
{
    const int pixelHeight = int(std::ceil(mSheetSize.height));
    // out's row 0 is the sheet's pixel row `top` counted from the top.
    const QTransform sheetToOut = sheetToDevice(0, pixelHeight - top);
    const Rect band {0, float(pixelHeight - top - out.height()), float(out.width()),
                     float(out.height())};
    Graphics::lockFocus(out, sheetToOut);
    const bool paper = withBG && mBgType != BgType::SeeThrough;
    if (paper)
        drawBackgroundInRect(band);
    renderLayersInRect(band, nullptr, paper);
    Graphics::unlockFocus();
}

std::unique_ptr<Image> Picture::flatten(bool withBG) const
{
    if (isEmptyRect({{0, 0}, mSheetSize}))
        return nullptr;
    // A new image starts transparent: what no layer covers stays so.
    auto image = std::make_unique<Image>(mSheetSize);
    if (image->isNull())
        return nullptr;
    QImage &out = image->qimage();
    const int band
        = int(std::clamp<qint64>(kBandPixels / std::max(out.width(), 1), 1, out.height()));
    for (int top = 0; top < out.height(); top += band) {
        const int rows = std::min(band, out.height() - top);
        // A band shares the image's rows: no copy is made.
        QImage part(out.scanLine(top), out.width(), rows, out.bytesPerLine(), out.format());
        flattenInto(part, top, withBG);
    }
    return image;
}

QImage Picture::flattenRows(int top, int rows, bool withBG) const
{
    QImage out(int(std::ceil(mSheetSize.width)), rows, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return out;
    out.fill(Qt::transparent);
    flattenInto(out, top, withBG);
    return out;
}
