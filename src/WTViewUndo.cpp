// Undo history: each stroke paints into a snapshot of its own over the current layer; undoing
// discards the newest, and the eleventh stroke merges the oldest into its layer for good.
#include "WTView.h"

#include "Beep.h"
#include "Document.h"
#include "HeldInput.h"

UndoLayer *WTView::createUndoLayer(Layer *base)
{
    UndoLayer *snapshot = mPicture->createUndoLayer(base);
    if (!snapshot)
        systemBeep(); // the oldest stroke could not be merged: no memory for its tiles
    return snapshot;
}

void WTView::undo(QObject *)
{
    // A stroke in progress is finished first: its own snapshot is never the one discarded.
    if (mTracking && mHeldInput && mHeldInput->isHolding()) {
        mHeldInput->defer([this] { undo(nullptr); });
        return;
    }
    // A pending line would otherwise be committed into a snapshot that is gone.
    cancelOperation(this);
    const std::unique_ptr<UndoLayer> newest = mPicture->takeNewestUndoLayer();
    if (!newest) {
        systemBeep();
        return;
    }
    if (mCurrUndoLayer == newest.get())
        mCurrUndoLayer = nullptr;
    if (mDocument)
        mDocument->updateChangeCount(Document::ChangeUndone);
    emit pictureChanged(QStringLiteral("undo:"), {});
    // Only where the stroke had painted changes on screen.
    update(widgetRectFromCanvas(newest->image()->paintedBounds()).toAlignedRect());
}
