// Image exchange: whole pictures to and from the document and the clipboard, and clearing.
#include "WTView.h"

#include "Document.h"
#include "ImageCodec.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

bool WTView::replaceLayersWith(std::unique_ptr<Layer> layer)
{
    cancelOperation(this);
    if (!TiledImage::isValidSize(layer->size())) {
        refuseSheetSize(layer->size());
        return false;
    }
    mCurrUndoLayer = nullptr;
    mPicture->replaceLayersWith(std::move(layer));
    noteCanRedo();
    return setSheetSize(mPicture->sheetSize());
}

bool WTView::setImage(const Image *p)
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
    update();
    return true;
}

bool WTView::adoptImage(std::unique_ptr<TiledImage> image)
{
    if (!image || image->pixelWidth() == 0 || image->pixelHeight() == 0)
        return false;
    if (!replaceLayersWith(std::make_unique<Layer>(std::move(image))))
        return false;
    update();
    return true;
}

std::unique_ptr<Image> WTView::getImageWithBG(bool withBG)
{
    return mPicture->flatten(withBG);
}

void WTView::copy(QObject *)
{
    copyImageWithBG(false);
}

void WTView::copyWithBG(QObject *)
{
    copyImageWithBG(true);
}

void WTView::copyImageWithBG(bool withBG)
{
    const std::unique_ptr<Image> p = getImageWithBG(withBG);
    if (!p || p->isNull()) {
        QApplication::beep();
        return;
    }
    // Both encodings first: a copy that fails leaves the clipboard as it was. Linux clipboards
    // do not convert between image types, and most programs paste only PNG.
    const QByteArray tiff = ImageCodec::encode(p->qimage(), "tiff", ImageCodec::kQuality);
    const QByteArray png = ImageCodec::encode(p->qimage(), "png", ImageCodec::kQuality);
    if (tiff.isEmpty() || png.isEmpty()) {
        QApplication::beep();
        return;
    }
    auto *mime = new QMimeData;
    mime->setData(QStringLiteral("image/tiff"), tiff);
    mime->setData(QStringLiteral("image/png"), png);
    QGuiApplication::clipboard()->setMimeData(mime);
}

void WTView::clear(QObject *)
{
    if (mDocument && mDocument->isDocumentEdited()) {
        mDocument->canCloseDocumentWithDelegate(
            this,
            [this](Document *document, bool shouldClose, void *contextInfo) {
                clearLow(document, shouldClose, contextInfo);
            },
            nullptr);
        return;
    }
    clearLow(nullptr, true, nullptr);
}

void WTView::clearLow(Document *, bool shouldClose, void *)
{
    if (!shouldClose)
        return;
    const Size size = isEmptyRect({{0, 0}, sheetSize()}) ? Size {600, 600} : sheetSize();
    if (!replaceLayersWith(std::make_unique<Layer>(size))) {
        QApplication::beep();
        return;
    }
    update();
    if (mDocument) {
        mDocument->setFileURL(QUrl());
        mDocument->updateChangeCount(Document::ChangeCleared);
    }
}
