// The user's layers: every change goes through the picture's history and is announced as the
// command that replays it, for recordings and the recovery journal alike.
#include "CanvasCore.h"

#include "Beep.h"
#include "Document.h"
#include "LayerCommands.h"

QString CanvasCore::backgroundLayerName()
{
    return tr("Background");
}

LayerProperties CanvasCore::layerProperties(int index) const
{
    if (index < 0 || index >= layerCount())
        return {};
    return mPicture->layers()[std::size_t(index)]->properties();
}

QString CanvasCore::unusedLayerName() const
{
    for (int n = layerCount() + 1;; ++n) {
        const QString name = tr("Layer %1").arg(n);
        bool used = false;
        for (const auto &layer : mPicture->layers())
            used = used || layer->name() == name;
        if (!used)
            return name;
    }
}

void CanvasCore::layersStepped(bool done, const QString &command, const QJsonValue &value)
{
    if (!done) {
        systemBeep();
        return;
    }
    mCurrUndoLayer = nullptr;
    if (mDocument)
        mDocument->updateChangeCount(Document::ChangeDone);
    noteCanRedo();
    emit pictureChanged(command, value);
    emit commandChosen(command, value);
    emit layersChanged();
    emit dirtiedAll();
}

void CanvasCore::selectLayer(int index)
{
    if (index == currentLayerIndex())
        return;
    // A pending line stays on the layer it was begun on.
    cancelOperation();
    if (!mPicture->setCurrentLayer(index)) {
        systemBeep();
        return;
    }
    emit pictureChanged(LayerCommands::kSelect, index);
    emit commandChosen(LayerCommands::kSelect, index);
    emit layersChanged();
}

void CanvasCore::newLayer()
{
    if (deferUntilStrokeEnds(&CanvasCore::newLayer))
        return;
    cancelOperation();
    LayerProperties properties;
    properties.name = unusedLayerName();
    layersStepped(mPicture->addLayer(currentLayerIndex() + 1, properties), LayerCommands::kNew);
}

void CanvasCore::duplicateLayer()
{
    if (deferUntilStrokeEnds(&CanvasCore::duplicateLayer))
        return;
    cancelOperation();
    const int index = currentLayerIndex();
    const QString name = tr("%1 copy").arg(layerProperties(index).name);
    layersStepped(mPicture->duplicateLayer(index, name), LayerCommands::kDuplicate);
}

void CanvasCore::deleteLayer()
{
    if (deferUntilStrokeEnds(&CanvasCore::deleteLayer))
        return;
    cancelOperation();
    layersStepped(mPicture->deleteLayer(currentLayerIndex()), LayerCommands::kDelete);
}

void CanvasCore::moveLayer(int to)
{
    if (mTracking)
        return; // the panel's drag cannot happen mid-stroke; a replay never asks
    cancelOperation();
    layersStepped(mPicture->moveLayer(currentLayerIndex(), to), LayerCommands::kMove, to);
}

void CanvasCore::mergeLayerDown()
{
    if (deferUntilStrokeEnds(&CanvasCore::mergeLayerDown))
        return;
    cancelOperation();
    layersStepped(mPicture->mergeLayerDown(currentLayerIndex()), LayerCommands::kMergeDown);
}

void CanvasCore::flattenLayers()
{
    if (deferUntilStrokeEnds(&CanvasCore::flattenLayers))
        return;
    cancelOperation();
    layersStepped(mPicture->flattenLayers(), LayerCommands::kFlatten);
}

void CanvasCore::setLayerProperties(int index, const LayerProperties &properties)
{
    if (mTracking || index < 0 || index >= layerCount()) {
        systemBeep();
        return;
    }
    if (layerProperties(index) == properties)
        return;
    cancelOperation();
    layersStepped(mPicture->setLayerProperties(index, properties), LayerCommands::kProperties,
                  LayerCommands::toJson(index, properties));
}
