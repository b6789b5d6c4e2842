// The Move tool and pastes placed by hand. While a layer is dragged or a paste floats, the
// picture shows a preview of its layers; the history gets its one step only when the drag ends
// or the paste is committed, so that giving either up leaves nothing behind.
#include "CanvasCore.h"

#include "Beep.h"
#include "Image.h"
#include "LayerCommands.h"

#include <QJsonArray>
#include <cmath>

void CanvasCore::chooseMoveTool()
{
    cancelOperation();
    if (mMoveTool)
        return;
    mMoveTool = true;
    emit moveToolChanged(true);
}

void CanvasCore::leaveMoveTool()
{
    if (!mMoveTool)
        return;
    cancelMoveAndPaste();
    mMoveTool = false;
    emit moveToolChanged(false);
}

void CanvasCore::cancelMoveAndPaste()
{
    if (!mDrag && !mFloat)
        return;
    mDrag.reset();
    mFloat.reset();
    mPicture->endPreview();
    emit dirtiedAll();
}

bool CanvasCore::beginPaste(const QImage &image, Point centre)
{
    if (image.isNull() || !Image::isValidSize({float(image.width()), float(image.height())})) {
        systemBeep();
        return false;
    }
    // The stroke under way stays on the layer it began on; the paste comes after it.
    if (deferUntilStrokeEnds([this, image, centre] { beginPaste(image, centre); }))
        return true;
    cancelOperation();
    FloatingPaste paste;
    paste.image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    paste.x = int(std::lround(centre.x - image.width() / 2.0));
    paste.y = int(std::lround(centre.y - image.height() / 2.0));
    paste.properties.name = unusedLayerName();
    mFloat = std::move(paste);
    showFloatingPaste();
    return hasFloatingPaste();
}

Rect CanvasCore::floatingPasteRect() const
{
    if (!mFloat)
        return {};
    return {float(mFloat->x), float(mFloat->y), float(mFloat->image.width()),
            float(mFloat->image.height())};
}

void CanvasCore::showFloatingPaste()
{
    mPicture->endPreview();
    std::shared_ptr<Layer> layer = mPicture->layerFromImage(mFloat->image, mFloat->x, mFloat->y);
    if (!layer) {
        systemBeep();
        mFloat.reset();
        mDrag.reset();
        emit dirtiedAll();
        return;
    }
    LayerStack shown = mPicture->layerStack();
    const auto at = shown.layers.begin() + currentLayerIndex() + 1;
    shown.properties.insert(shown.properties.begin() + (at - shown.layers.begin()),
                            mFloat->properties);
    shown.current = layer.get();
    shown.layers.insert(at, std::move(layer));
    mPicture->previewLayers(shown);
    emit dirtiedAll();
}

void CanvasCore::nudgePaste(int dx, int dy)
{
    if (!mFloat || mDrag)
        return;
    mFloat->x += dx;
    mFloat->y += dy;
    showFloatingPaste();
}

void CanvasCore::commitPaste()
{
    if (!mFloat)
        return;
    const FloatingPaste paste = std::move(*mFloat);
    mFloat.reset();
    mDrag.reset();
    mPicture->endPreview();
    pasteLayerAt(paste.image, paste.x, paste.y);
}

bool CanvasCore::pasteLayerAt(const QImage &image, int x, int y)
{
    cancelOperation();
    LayerProperties properties;
    properties.name = unusedLayerName();
    std::shared_ptr<Layer> layer = mPicture->layerFromImage(image, x, y);
    const bool done
        = layer && mPicture->insertLayer(currentLayerIndex() + 1, std::move(layer), properties);
    layersStepped(done, LayerCommands::kPaste,
                  done ? LayerCommands::pasteToJson(image, x, y) : QJsonValue());
    return done;
}

bool CanvasCore::moveLayerPixels(int dx, int dy)
{
    cancelOperation();
    const int index = currentLayerIndex();
    if (layerProperties(index).locked) {
        systemBeep();
        return false;
    }
    if (dx == 0 && dy == 0)
        return true;
    const bool done = mPicture->offsetLayer(index, dx, dy);
    layersStepped(done, LayerCommands::kMovePixels, QJsonArray {dx, dy});
    return done;
}

bool CanvasCore::takeForMove(SampleKind kind, Point at)
{
    if (mTracking || (!mMoveTool && !mFloat && !mDrag))
        return false;
    switch (kind) {
    case SampleKind::Press: {
        if (mDrag)
            endMoveDrag(); // a release that never arrived
        MoveDrag drag;
        drag.from = at;
        if (mFloat) {
            // A press outside the paste places it; that press paints nothing.
            const Rect r = floatingPasteRect();
            if (!(at.x >= r.x() && at.y >= r.y() && at.x < r.maxX() && at.y < r.maxY())) {
                commitPaste();
                drag.swallow = true;
            }
        } else if (layerProperties(currentLayerIndex()).locked) {
            systemBeep();
            drag.swallow = true;
        } else {
            drag.source = mPicture->assembledLayer(currentLayerIndex());
            drag.swallow = !drag.source;
            if (!drag.source)
                systemBeep();
        }
        mDrag = std::move(drag);
        return true;
    }
    case SampleKind::Move:
        if (mDrag)
            dragMoveTo(at);
        return mDrag || mMoveTool || mFloat;
    case SampleKind::Hover:
        if (!mDrag)
            return false;
        endMoveDrag(); // the release went elsewhere
        return true;
    case SampleKind::Release:
        if (mDrag)
            endMoveDrag();
        return true;
    }
    return false;
}

void CanvasCore::dragMoveTo(Point at)
{
    const int dx = int(std::lround(at.x - mDrag->from.x));
    const int dy = int(std::lround(at.y - mDrag->from.y));
    if (mDrag->swallow || (dx == mDrag->dx && dy == mDrag->dy))
        return;
    if (mFloat) {
        mFloat->x += dx - mDrag->dx;
        mFloat->y += dy - mDrag->dy;
        mDrag->dx = dx;
        mDrag->dy = dy;
        showFloatingPaste();
        return;
    }
    std::shared_ptr<Layer> moved = mPicture->offsetCopy(*mDrag->source, dx, dy);
    if (!moved)
        return; // shown where it last could be; the release tries again
    mDrag->dx = dx;
    mDrag->dy = dy;
    mPicture->endPreview();
    LayerStack shown = mPicture->layerStack();
    const auto index = std::size_t(currentLayerIndex());
    shown.layers[index] = moved;
    shown.current = moved.get();
    mPicture->previewLayers(shown);
    emit dirtiedAll();
}

void CanvasCore::endMoveDrag()
{
    const MoveDrag drag = std::move(*mDrag);
    mDrag.reset();
    if (drag.swallow || mFloat)
        return; // a floating paste stays where the drag left it
    mPicture->endPreview();
    if (drag.dx != 0 || drag.dy != 0)
        moveLayerPixels(drag.dx, drag.dy);
    else
        emit dirtiedAll();
}
