// Whole pictures to and from the document, and clearing.
#include "CanvasCore.h"

#include "Beep.h"
#include "Document.h"

#include <QUrl>

bool CanvasCore::replaceLayersWith(std::unique_ptr<Layer> layer)
{
    LayerProperties properties;
    properties.name = backgroundLayerName();
    layer->setProperties(properties);
    std::vector<std::unique_ptr<Layer>> layers;
    layers.push_back(std::move(layer));
    return replaceLayersWith(std::move(layers), 0);
}

bool CanvasCore::replaceLayersWith(std::vector<std::unique_ptr<Layer>> layers, int current)
{
    cancelOperation();
    const Size size = layers.front()->size();
    if (!Image::isValidSize(size)) {
        emit sheetRefused(size);
        return false;
    }
    mCurrUndoLayer = nullptr;
    mPicture->replaceLayersWith(std::move(layers), current);
    noteCanRedo();
    emit layersChanged();
    return resizeSheet({0, 0, size.width, size.height});
}

bool CanvasCore::setImage(const Image *p)
{
    if (!p || p->isNull())
        return false;
    // Whole pixels: the sheet is the picture's pixel size, whatever resolution it came with.
    const Size size {float(p->pixelWidth()), float(p->pixelHeight())};
    auto layer = std::make_unique<Layer>(size);
    if (!layer->image() || layer->image()->pixelWidth() == 0 || !layer->setPixels(p->qimage()))
        return false;
    if (!replaceLayersWith(std::move(layer)))
        return false;
    emit dirtiedAll();
    return true;
}

bool CanvasCore::adoptImage(std::unique_ptr<TiledImage> image)
{
    if (!image || image->pixelWidth() == 0 || image->pixelHeight() == 0)
        return false;
    if (!replaceLayersWith(std::make_unique<Layer>(std::move(image))))
        return false;
    emit dirtiedAll();
    return true;
}

bool CanvasCore::adoptLayers(std::vector<std::unique_ptr<Layer>> layers, int current)
{
    if (layers.empty())
        return false;
    const Size size = layers.front()->size();
    for (const auto &layer : layers)
        if (!layer->image() || layer->size().width != size.width
            || layer->size().height != size.height || layer->image()->pixelWidth() == 0
            || layer->image()->pixelHeight() == 0)
            return false;
    if (!replaceLayersWith(std::move(layers), current))
        return false;
    emit dirtiedAll();
    return true;
}

std::unique_ptr<Image> CanvasCore::getImageWithBG(bool withBG) const
{
    return mPicture->flatten(withBG);
}

void CanvasCore::clear()
{
    if (mDocument && mDocument->isDocumentEdited()) {
        mDocument->canCloseDocumentWithDelegate(
            this, [this](Document *, bool shouldClose, void *) { clearLow(shouldClose); },
            nullptr);
        return;
    }
    clearLow(true);
}

void CanvasCore::clearLow(bool shouldClose)
{
    if (!shouldClose)
        return;
    const Size sheet = mPicture->sheetSize();
    const Size size = isEmptyRect({{0, 0}, sheet}) ? Size {600, 600} : sheet;
    if (!replaceLayersWith(std::make_unique<Layer>(size))) {
        systemBeep();
        return;
    }
    emit dirtiedAll();
    if (mDocument) {
        mDocument->setFileURL(QUrl());
        mDocument->updateChangeCount(Document::ChangeCleared);
    }
}
