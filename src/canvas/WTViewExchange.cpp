// Image exchange: the picture onto the clipboard; the core does the rest.
#include "WTView.h"

#include "Beep.h"
#include "CanvasQuestions.h"
#include "ClipboardPicture.h"

#include <QApplication>
#include <QClipboard>

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
    mCore->commitPaste(); // copied as it shows
    if (isEmptyRect({{0, 0}, picture().sheetSize()})) {
        QApplication::beep();
        return;
    }
    // Nothing is encoded until a program asks: the clipboard holds the picture as it is now.
    std::unique_ptr<const Picture> frozen = picture().frozenCopy();
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
    mCore->clear();
}
