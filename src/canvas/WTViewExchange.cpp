// Image exchange: whole pictures to and from the document and the clipboard, and clearing.
#include "WTView.h"

#include "Beep.h"
#include "CanvasQuestions.h"
#include "ClipboardPicture.h"
#include "Document.h"

#include <QApplication>
#include <QClipboard>

bool WTView::replaceLayersWith(std::unique_ptr<Layer> layer)
{
    cancelOperation(this);
    if (!Image::isValidSize(layer->size())) {
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
    if (isEmptyRect({{0, 0}, mPicture->sheetSize()})) {
        QApplication::beep();
        return;
    }
    // Nothing is encoded until a program asks: the clipboard holds the picture as it is now.
    std::unique_ptr<const Picture> frozen = mPicture->frozenCopy();
    const qint64 needed = ClipboardPicture::bytesNeeded(*frozen, withBG);
    const qint64 available = ClipboardPicture::bytesAvailable();
    if (needed > available) {
        // Refused now rather than when a program asks: then no one could be told why.
        systemBeep();
        if (mQuestions)
            mQuestions->tellCopyRefused(*this, needed, available);
        return;
    }
    QGuiApplication::clipboard()->setMimeData(new ClipboardPicture(std::move(frozen), withBG));
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
