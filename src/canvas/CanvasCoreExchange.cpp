// Whole pictures to and from the document, and clearing.
#include "CanvasCore.h"

#include "Beep.h"
#include "Document.h"

#include <QUrl>

bool CanvasCore::replaceLayersWith(std::unique_ptr<Layer> layer)
{
    cancelOperation();
    if (!Image::isValidSize(layer->size())) {
        emit sheetRefused(layer->size());
        return false;
    }
    mCurrUndoLayer = nullptr;
    LayerProperties properties;
    properties.name = backgroundLayerName();
    layer->setProperties(properties);
    mPicture->replaceLayersWith(std::move(layer));
    noteCanRedo();
    emit layersChanged();
    const Size size = mPicture->sheetSize();
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
