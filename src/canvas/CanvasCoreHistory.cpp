// Undo history and sheet size: each stroke paints into a snapshot of its own over the current
// layer; undoing sets the newest aside to be redone, and the stroke past the depth merges the
// oldest into its layer for good.
#include "CanvasCore.h"

#include "Beep.h"
#include "Document.h"
#include "HeldInput.h"
#include "PenSettings.h"

#include <QJsonArray>

void CanvasCore::setUndoDepth(int depth)
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

UndoLayer *CanvasCore::createUndoLayer(Layer *base)
{
    // A locked layer takes no stroke; an alpha-locked one keeps its painted area, so no eraser.
    if (base && (base->isLocked() || (base->isAlphaLocked() && erasing()))) {
        systemBeep();
        return nullptr;
    }
    UndoLayer *snapshot = mPicture->createUndoLayer(base);
    noteCanRedo();
    if (!snapshot)
        systemBeep(); // the oldest stroke could not be merged: no memory for its tiles
    return snapshot;
}

void CanvasCore::noteCanRedo()
{
    if (mCouldRedo == canRedo())
        return;
    mCouldRedo = canRedo();
    emit canRedoChanged(mCouldRedo);
}

bool CanvasCore::deferUntilStrokeEnds(void (CanvasCore::*command)())
{
    return deferUntilStrokeEnds([this, command] { (this->*command)(); });
}

bool CanvasCore::deferUntilStrokeEnds(const std::function<void()> &command)
{
    if (!mTracking || !mHeldInput || !mHeldInput->isHolding())
        return false;
    mHeldInput->defer(command);
    return true;
}

void CanvasCore::historyStepped(const UndoLayer &layer, int change, const QString &command)
{
    if (mDocument)
        mDocument->updateChangeCount(Document::ChangeType(change));
    noteCanRedo();
    emit pictureChanged(command, {});
    if (layer.stackChange()) {
        emit layersChanged();
        emit dirtiedAll();
        return;
    }
    // Only where the stroke had painted changes on screen: its bounds, not its whole tiles.
    emit dirtied(layer.paintedBounds());
}

void CanvasCore::undo()
{
    // A stroke in progress is finished first: its own snapshot is never the one discarded.
    if (deferUntilStrokeEnds(&CanvasCore::undo))
        return;
    // A paste not yet placed is what undo gives up.
    if (hasFloatingPaste()) {
        cancelOperation();
        return;
    }
    // A pending line would otherwise be committed into a snapshot that is gone.
    cancelOperation();
    const UndoLayer *newest = mPicture->undoNewest();
    if (!newest) {
        systemBeep();
        return;
    }
    if (mCurrUndoLayer == newest)
        mCurrUndoLayer = nullptr;
    historyStepped(*newest, Document::ChangeUndone, QStringLiteral("undo:"));
}

void CanvasCore::redo()
{
    // As undo: after the stroke in progress (which, being new, leaves nothing to redo).
    if (deferUntilStrokeEnds(&CanvasCore::redo))
        return;
    cancelOperation();
    const UndoLayer *redone = mPicture->redoNewest();
    if (!redone) {
        systemBeep();
        return;
    }
    historyStepped(*redone, Document::ChangeRedone, QStringLiteral("redo:"));
}

bool CanvasCore::resizeSheet(const Rect &r)
{
    // A resize that cannot be held leaves sheet, layers and history as they were.
    if (!Image::isValidSize(r.size) || !mPicture->resize(r)) {
        emit sheetRefused(r.size);
        return false;
    }
    noteCanRedo();
    emit sheetResized(r);
    return true;
}

bool CanvasCore::applyResize(const Rect &r)
{
    if (!resizeSheet(r))
        return false;
    if (mDocument)
        mDocument->updateChangeCount(Document::ChangeReadOtherContents);
    emit pictureChanged(
        QStringLiteral("resizeSheet:"),
        QJsonArray {double(r.x()), double(r.y()), double(r.width()), double(r.height())});
    return true;
}
