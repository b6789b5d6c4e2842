// Image exchange: whole pictures to and from the document and the clipboard, and clearing.
#include "WTView.h"

#include "Graphics.h"
#include "ImageCodec.h"
#include "InkpondDocument.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace {
constexpr int kSeeThrough = 3;
} // namespace

bool WTView::replaceLayersWith(std::unique_ptr<Layer> layer)
{
    cancelOperation(this);
    // The old picture is kept until the new sheet is had, so a refused sheet changes nothing.
    auto oldLayers = std::move(mLayers);
    auto oldUndoLayers = std::move(mUndoLayers);
    Layer *const oldCurrLayer = mCurrLayer;
    UndoLayer *const oldCurrUndoLayer = mCurrUndoLayer;
    mLayers.clear();
    mUndoLayers.clear();
    mCurrUndoLayer = nullptr;
    mCurrLayer = layer.get();
    const Size size = layer->size();
    mLayers.push_back(std::move(layer));
    if (setSheetSize(size))
        return true;
    mLayers = std::move(oldLayers);
    mUndoLayers = std::move(oldUndoLayers);
    mCurrLayer = oldCurrLayer;
    mCurrUndoLayer = oldCurrUndoLayer;
    return false;
}

bool WTView::setImage(const Image *p)
{
    if (!p || p->isNull())
        return false;
    // Whole pixels: the sheet is the picture's pixel size, whatever resolution it came with.
    const Size size {float(p->pixelWidth()), float(p->pixelHeight())};
    auto layer = std::make_unique<Layer>(size);
    if (!layer->image() || layer->image()->isNull())
        return false;
    layer->lockFocus();
    Graphics::drawImage(*p, {0, 0, size.width, size.height}, {0, 0}, CompositeOp::Copy, 1.0f);
    layer->unlockFocus();
    if (!replaceLayersWith(std::move(layer)))
        return false;
    update();
    return true;
}

std::unique_ptr<Image> WTView::getImageWithBG(bool withBG)
{
    if (!mBgImage)
        return nullptr;
    // A new image starts transparent: what no layer covers stays so.
    auto image = std::make_unique<Image>(mBgImage->size());
    if (image->isNull())
        return nullptr;
    const Rect r {0, 0, mBgImage->size().width, mBgImage->size().height};
    Graphics::lockFocus(*image);
    if (withBG && mBgType != kSeeThrough)
        Graphics::drawImage(*mBgImage, r, CompositeOp::Copy, 1.0f);
    renderLayersInRect(r);
    Graphics::unlockFocus();
    return image;
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
    const Size size = mBgImage ? mBgImage->size() : Size {600, 600};
    auto layer = std::make_unique<Layer>(size);
    if (!layer->image() || layer->image()->isNull() || !replaceLayersWith(std::move(layer))) {
        QApplication::beep();
        return;
    }
    update();
    if (mDocument) {
        mDocument->setFileURL(QUrl());
        mDocument->updateChangeCount(Document::ChangeCleared);
    }
}
