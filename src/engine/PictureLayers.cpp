// The layers as the user arranges them: each change is a step of the history that keeps the
// layers before and after it, sharing their tiles, so that undo and redo only swap stacks.
#include "Picture.h"

#include "Assert.h"

#include <algorithm>
#include <set>

int Picture::currentLayerIndex() const
{
    for (std::size_t i = 0; i < mLayers.size(); ++i)
        if (mLayers[i].get() == mCurrLayer)
            return int(i);
    return -1;
}

LayerStack Picture::layerStack() const
{
    LayerStack stack;
    stack.layers = mLayers;
    for (const auto &layer : mLayers)
        stack.properties.push_back(layer->properties());
    stack.current = mCurrLayer;
    return stack;
}

void Picture::installLayers(const LayerStack &stack)
{
    INK_ASSERT(!stack.layers.empty() && stack.layers.size() == stack.properties.size());
    mLayers = stack.layers;
    for (std::size_t i = 0; i < mLayers.size(); ++i)
        mLayers[i]->setProperties(stack.properties[i]);
    mCurrLayer = stack.current;
    mPyramid->invalidateAll();
}

bool Picture::changeLayers(LayerStack after)
{
    if (!makeRoom())
        return false;
    auto change = std::make_unique<LayerStackChange>();
    change->before = layerStack();
    change->after = std::move(after);
    installLayers(change->after);
    mUndoLayers.push_back(std::make_unique<UndoLayer>(std::move(change)));
    return true;
}

std::vector<Layer *> Picture::everyLayer() const
{
    std::vector<Layer *> all;
    std::set<Layer *> seen;
    auto add = [&](const std::vector<std::shared_ptr<Layer>> &layers) {
        for (const auto &layer : layers)
            if (seen.insert(layer.get()).second)
                all.push_back(layer.get());
    };
    add(mLayers);
    for (const auto *steps : {&mUndoLayers, &mRedoLayers})
        for (const auto &step : *steps)
            if (const LayerStackChange *change = step->stackChange()) {
                add(change->before.layers);
                add(change->after.layers);
            }
    return all;
}

std::shared_ptr<Layer> Picture::assembled(const Layer &layer) const
{
    std::shared_ptr<Layer> copy = layer.frozenCopy();
    for (const auto &snapshot : mUndoLayers)
        if (snapshot->layer() == &layer) {
            const auto mode = layer.isAlphaLocked() && snapshot->blitType() == BlitType::Paint
                ? QPainter::CompositionMode_SourceAtop
                : snapshot->compositionMode();
            if (!snapshot->drawOnto(*copy, mode))
                return nullptr;
        }
    return copy;
}

std::shared_ptr<Layer> Picture::assembledLayer(int index) const
{
    if (index < 0 || index >= int(mLayers.size()))
        return nullptr;
    return assembled(*mLayers[std::size_t(index)]);
}

bool Picture::setCurrentLayer(int index)
{
    if (index < 0 || index >= int(mLayers.size()))
        return false;
    mCurrLayer = mLayers[std::size_t(index)].get();
    return true;
}

bool Picture::addLayer(int index, const LayerProperties &properties)
{
    if (index < 0 || index > int(mLayers.size()))
        return false;
    auto layer = std::make_shared<Layer>(mSheetSize);
    LayerStack after = layerStack();
    after.layers.insert(after.layers.begin() + index, layer);
    after.properties.insert(after.properties.begin() + index, properties);
    after.current = layer.get();
    return changeLayers(std::move(after));
}

bool Picture::duplicateLayer(int index, const QString &name)
{
    if (index < 0 || index >= int(mLayers.size()))
        return false;
    std::shared_ptr<Layer> copy = assembled(*mLayers[std::size_t(index)]);
    if (!copy)
        return false;
    LayerStack after = layerStack();
    LayerProperties properties = after.properties[std::size_t(index)];
    properties.name = name;
    after.layers.insert(after.layers.begin() + index + 1, copy);
    after.properties.insert(after.properties.begin() + index + 1, properties);
    after.current = copy.get();
    return changeLayers(std::move(after));
}

bool Picture::deleteLayer(int index)
{
    if (index < 0 || index >= int(mLayers.size()) || mLayers.size() < 2)
        return false;
    LayerStack after = layerStack();
    after.layers.erase(after.layers.begin() + index);
    after.properties.erase(after.properties.begin() + index);
    if (after.current == mLayers[std::size_t(index)].get())
        after.current = after.layers[std::size_t(std::max(index - 1, 0))].get();
    return changeLayers(std::move(after));
}

bool Picture::moveLayer(int from, int to)
{
    const int n = int(mLayers.size());
    if (from < 0 || from >= n || to < 0 || to >= n || from == to)
        return false;
    LayerStack after = layerStack();
    auto layer = after.layers[std::size_t(from)];
    auto properties = after.properties[std::size_t(from)];
    after.layers.erase(after.layers.begin() + from);
    after.properties.erase(after.properties.begin() + from);
    after.layers.insert(after.layers.begin() + to, layer);
    after.properties.insert(after.properties.begin() + to, properties);
    return changeLayers(std::move(after));
}

bool Picture::mergeLayerDown(int index)
{
    if (index < 1 || index >= int(mLayers.size()))
        return false;
    const Layer &upper = *mLayers[std::size_t(index)];
    std::shared_ptr<Layer> merged = assembled(*mLayers[std::size_t(index - 1)]);
    if (!merged)
        return false;
    // What was hidden stays unseen: the lower layer goes on alone.
    if (upper.isEnabled()) {
        std::shared_ptr<Layer> top = assembled(upper);
        if (!top || !top->drawOnto(*merged))
            return false;
    }
    LayerStack after = layerStack();
    after.layers[std::size_t(index - 1)] = merged;
    after.layers.erase(after.layers.begin() + index);
    after.properties.erase(after.properties.begin() + index);
    after.current = merged.get();
    return changeLayers(std::move(after));
}

bool Picture::flattenLayers()
{
    if (mLayers.size() < 2)
        return false;
    auto flat = std::make_shared<Layer>(mSheetSize);
    for (const auto &layer : mLayers) {
        if (!layer->isEnabled())
            continue;
        std::shared_ptr<Layer> shown = assembled(*layer);
        if (!shown || !shown->drawOnto(*flat))
            return false;
    }
    LayerStack after;
    after.layers = {flat};
    LayerProperties properties;
    properties.name = mLayers.front()->name();
    after.properties = {properties};
    after.current = flat.get();
    return changeLayers(std::move(after));
}

bool Picture::setLayerProperties(int index, const LayerProperties &properties)
{
    if (index < 0 || index >= int(mLayers.size()))
        return false;
    LayerStack after = layerStack();
    if (after.properties[std::size_t(index)] == properties)
        return true;
    after.properties[std::size_t(index)] = properties;
    return changeLayers(std::move(after));
}

std::shared_ptr<Layer> Picture::offsetCopy(const Layer &source, int dx, int dy) const
{
    auto image = source.imageReframedTo(
        {float(-dx), float(-dy), mSheetSize.width, mSheetSize.height});
    if (!image)
        return nullptr;
    return std::make_shared<Layer>(std::move(image));
}

bool Picture::offsetLayer(int index, int dx, int dy)
{
    if (index < 0 || index >= int(mLayers.size()))
        return false;
    const std::shared_ptr<Layer> shown = assembled(*mLayers[std::size_t(index)]);
    std::shared_ptr<Layer> moved = shown ? offsetCopy(*shown, dx, dy) : nullptr;
    if (!moved)
        return false;
    LayerStack after = layerStack();
    if (after.current == after.layers[std::size_t(index)].get())
        after.current = moved.get();
    after.layers[std::size_t(index)] = std::move(moved);
    return changeLayers(std::move(after));
}

bool Picture::insertLayer(int index, std::shared_ptr<Layer> layer,
                          const LayerProperties &properties)
{
    if (index < 0 || index > int(mLayers.size()) || !layer || layer->size() != mSheetSize)
        return false;
    LayerStack after = layerStack();
    after.current = layer.get();
    after.layers.insert(after.layers.begin() + index, std::move(layer));
    after.properties.insert(after.properties.begin() + index, properties);
    return changeLayers(std::move(after));
}

std::shared_ptr<Layer> Picture::layerFromImage(const QImage &image, int x, int y) const
{
    if (image.isNull())
        return nullptr;
    TiledImage whole(Size {float(image.width()), float(image.height())});
    if (whole.pixelWidth() != image.width()
        || !whole.setPixels(image.convertToFormat(QImage::Format_ARGB32_Premultiplied)))
        return nullptr;
    TiledImage placed
        = whole.reframed({float(-x), float(-y), mSheetSize.width, mSheetSize.height});
    if (placed.pixelWidth() == 0)
        return nullptr;
    return std::make_shared<Layer>(std::make_unique<TiledImage>(std::move(placed)));
}

void Picture::previewLayers(const LayerStack &shown)
{
    if (!isPreviewing())
        mPreviewed = layerStack();
    installLayers(shown);
}

void Picture::endPreview()
{
    if (!isPreviewing())
        return;
    installLayers(mPreviewed);
    mPreviewed = {};
}
