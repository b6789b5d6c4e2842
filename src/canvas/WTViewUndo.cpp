// Undo history: each stroke paints into a snapshot of its own over the current layer; undoing
// sets the newest aside to be redone, and the stroke past the depth merges the oldest into its
// layer for good.
#include "WTView.h"

#include "Beep.h"
#include "Document.h"
#include "HeldInput.h"
#include "PenSettings.h"

void WTView::setUndoDepth(int depth)
{
    mSettings->setUndoDepth(depth);
    const int applied = mSettings->undoDepth();
    if (applied == mPicture->undoDepth())
        return;
    if (!mPicture->setUndoDepth(applied))
        systemBeep(); // a merge found no memory for its tiles; the next stroke tries again
    noteCanRedo();
    // Nothing on screen changes, but a later undo reaches less far: a restore must know.
    emit pictureChanged(QStringLiteral("setUndoDepth:"), applied);
}

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

bool WTView::deferUntilStrokeEnds(void (WTView::*command)(QObject *))
{
    if (!mTracking || !mHeldInput || !mHeldInput->isHolding())
        return false;
    mHeldInput->defer([this, command] { (this->*command)(nullptr); });
    return true;
}

void WTView::historyStepped(const UndoLayer &layer, int change, const QString &command)
{
    if (mDocument)
        mDocument->updateChangeCount(Document::ChangeType(change));
    noteCanRedo();
    emit pictureChanged(command, {});
    // Only where the stroke had painted changes on screen.
    update(widgetDirtyRect(layer.image()->paintedBounds()));
}

void WTView::undo(QObject *)
{
    // A stroke in progress is finished first: its own snapshot is never the one discarded.
    if (deferUntilStrokeEnds(&WTView::undo))
        return;
    // A pending line would otherwise be committed into a snapshot that is gone.
    cancelOperation(this);
    const UndoLayer *newest = mPicture->undoNewest();
    if (!newest) {
        systemBeep();
        return;
    }
    if (mCurrUndoLayer == newest)
        mCurrUndoLayer = nullptr;
    historyStepped(*newest, Document::ChangeUndone, QStringLiteral("undo:"));
}

void WTView::redo(QObject *)
{
    // As undo: after the stroke in progress (which, being new, leaves nothing to redo).
    if (deferUntilStrokeEnds(&WTView::redo))
        return;
    cancelOperation(this);
    const UndoLayer *redone = mPicture->redoNewest();
    if (!redone) {
        systemBeep();
        return;
    }
    historyStepped(*redone, Document::ChangeRedone, QStringLiteral("redo:"));
}
