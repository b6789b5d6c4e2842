// Nibs: each slot's, the eraser's shape and the airbrush's hardness. The pen settings keep them;
// the core decides which slot a choice is for.
#include "CanvasCore.h"

#include "PenSettings.h"

BrushKind CanvasCore::brushKind() const
{
    return mSettings->brushKind(erasing() ? mLastSlot : mActiveColor);
}

void CanvasCore::setBrushKind(BrushKind kind)
{
    leaveMoveTool();
    if (erasing())
        setActiveColor(mLastSlot + 1);
    mSettings->setBrushKind(mActiveColor, kind);
}

BrushKind CanvasCore::eraserShape() const
{
    return mSettings->eraserShape();
}

void CanvasCore::setEraserShape(BrushKind shape)
{
    mSettings->setEraserShape(shape);
}

float CanvasCore::airbrushHardness() const
{
    return mSettings->airbrushHardness() * 100.0f;
}

void CanvasCore::setAirbrushHardness(float percent)
{
    mSettings->setAirbrushHardness(percent / 100.0f);
}
