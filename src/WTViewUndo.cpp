// Undo history: each stroke paints into a snapshot of its own over the current layer; undoing
// sets the newest aside to be redone, and the eleventh stroke merges the oldest into its layer
// for good.
#include "WTView.h"

#include "Beep.h"
#include "Document.h"
#include "HeldInput.h"

UndoLayer *WTView::createUndoLayer(Layer *base)
{
    UndoLayer *snapshot = mPicture->createUndoLayer(base);
    noteCanRedo();
    if (!snapshot)
        systemBeep(); // the oldest stroke could not be merged: no memory for its tiles
    return snapshot;
}

void WTView::noteCanRedo()
{
    if (mCouldRedo == canRedo())
        return;
    mCouldRedo = canRedo();
    emit canRedoChanged(mCouldRedo);
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
    const UndoLayer *newest = mPicture->undoNewest();
    if (!newest) {
        systemBeep();
        return;
    }
    if (mCurrUndoLayer == newest)
        mCurrUndoLayer = nullptr;
    if (mDocument)
        mDocument->updateChangeCount(Document::ChangeUndone);
    noteCanRedo();
    emit pictureChanged(QStringLiteral("undo:"), {});
    // Only where the stroke had painted changes on screen.
    update(widgetRectFromCanvas(newest->image()->paintedBounds()).toAlignedRect());
}

void WTView::redo(QObject *)
{
    // As undo: after the stroke in progress (which, being new, leaves nothing to redo).
    if (mTracking && mHeldInput && mHeldInput->isHolding()) {
        mHeldInput->defer([this] { redo(nullptr); });
        return;
    }
    cancelOperation(this);
    const UndoLayer *redone = mPicture->redoNewest();
    if (!redone) {
        systemBeep();
        return;
    }
    if (mDocument)
        mDocument->updateChangeCount(Document::ChangeRedone);
    noteCanRedo();
    emit pictureChanged(QStringLiteral("redo:"), {});
    update(widgetRectFromCanvas(redone->image()->paintedBounds()).toAlignedRect());
}
