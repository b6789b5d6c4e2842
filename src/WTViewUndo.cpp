// Undo history: each stroke paints into a snapshot of its own over the current layer; undoing
// discards the newest, and the eleventh stroke merges the oldest into its layer for good.
#include "WTView.h"

#include "Beep.h"
#include "HeldInput.h"
#include "InkpondDocument.h"

#include <algorithm>

UndoLayer *WTView::createUndoLayer(Layer *base)
{
    if (mUndoLayers.size() >= kMaxUndoLayers)
        return recycleOldestUndoLayer(base);
    std::unique_ptr<UndoLayer> snapshot = takeSpareUndoLayer(base->size());
    if (!snapshot)
        snapshot = std::make_unique<UndoLayer>(base->size());
    if (!snapshot->image() || snapshot->image()->isNull()) {
        // No memory for another sheet: a shorter history still lets the user paint.
        if (!mUndoLayers.empty())
            return recycleOldestUndoLayer(base);
        systemBeep();
        return nullptr;
    }
    snapshot->setLayer(base);
    mUndoLayers.push_back(std::move(snapshot));
    return mUndoLayers.back().get();
}

UndoLayer *WTView::recycleOldestUndoLayer(Layer *base)
{
    UndoLayer *oldest = mUndoLayers.front().get();
    if (Layer *layer = oldest->layer()) {
        layer->lockFocus();
        oldest->drawRect({{0, 0}, layer->size()});
        layer->unlockFocus();
    }
    std::rotate(mUndoLayers.begin(), mUndoLayers.begin() + 1, mUndoLayers.end());
    oldest->clear();
    oldest->setLayer(base);
    return oldest;
}

std::unique_ptr<UndoLayer> WTView::takeSpareUndoLayer(Size size)
{
    // Spares of another sheet size (before a resize or a new picture) can never serve again.
    std::erase_if(mSpareUndoLayers, [size](const auto &spare) { return spare->size() != size; });
    if (mSpareUndoLayers.empty())
        return nullptr;
    std::unique_ptr<UndoLayer> spare = std::move(mSpareUndoLayers.back());
    mSpareUndoLayers.pop_back();
    spare->clear();
    spare->setBlitType(1);
    return spare;
}

bool WTView::isUndoLayerAlive(const UndoLayer *layer) const
{
    return layer
        && std::any_of(mUndoLayers.begin(), mUndoLayers.end(),
                       [layer](const auto &snapshot) { return snapshot.get() == layer; });
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
    if (mUndoLayers.empty()) {
        systemBeep();
        return;
    }
    std::unique_ptr<UndoLayer> newest = std::move(mUndoLayers.back());
    mUndoLayers.pop_back();
    if (mCurrUndoLayer == newest.get())
        mCurrUndoLayer = nullptr;
    newest->setLayer(nullptr);
    mSpareUndoLayers.push_back(std::move(newest));
    if (mDocument)
        mDocument->updateChangeCount(Document::ChangeUndone);
    emit pictureChanged(QStringLiteral("undo:"), {});
    update();
}
