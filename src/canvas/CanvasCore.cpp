#include "CanvasCore.h"

#include "Assert.h"
#include "NotificationCenter.h"
#include "PenSettings.h"
#include "Preferences.h"

CanvasCore::CanvasCore(Size sheet, Preferences &store, QObject *parent)
    : QObject(parent)
    , mSettings(new PenSettings(store, this))
{
    connect(mSettings, &PenSettings::changed, this, &CanvasCore::penChanged);
    setBrushSize(brushSize());
    setActiveColor(1);
    mPicture = std::make_unique<Picture>(sheet, mSettings->bgType());
    LayerProperties background;
    background.name = backgroundLayerName();
    mPicture->currentLayer()->setProperties(background);
    mPicture->setUndoDepth(mSettings->undoDepth());
}

CanvasCore::~CanvasCore()
{
    if (mProximitySource)
        mProximitySource->removeObserver(this);
    mCurrUndoLayer = nullptr;
}

void CanvasCore::setLineMode(LineMode mode)
{
    if (mode == mLineMode)
        return;
    mLineMode = mode;
    emit lineModeChanged(mode);
}

void CanvasCore::setActiveColor(int tool)
{
    cancelOperation();
    leaveMoveTool();
    mSettings->rememberTool(mCurrPointerType, tool);
    if (tool == PenSettings::kEraserTool) {
        mActiveColor = -1;
    } else {
        INK_CHECK(tool >= 1 && tool <= PenSettings::kSlots, kColorIndexOutOfBound);
        mActiveColor = PenSettings::slotOfTool(tool);
        mLastSlot = mActiveColor;
    }
    setColor(color());
    setBrushSize(brushSize());
    emit penChanged();
}

const Color *CanvasCore::color() const
{
    return erasing() ? nullptr : &mSettings->color(mActiveColor);
}

void CanvasCore::setColor(const Color *c)
{
    if (!c)
        return;
    INK_CHECK(mActiveColor >= 0 && mActiveColor < PenSettings::kSlots, kColorIndexOutOfBound);
    if (c == &mSettings->color(mActiveColor))
        return;
    mSettings->setColor(mActiveColor, *c);
}

float CanvasCore::brushSize() const
{
    INK_CHECK(mActiveColor >= -1 && mActiveColor < PenSettings::kSlots, kColorIndexOutOfBound);
    return erasing() ? mSettings->rubberSize() : mSettings->brushSize(mActiveColor);
}

void CanvasCore::setBrushSize(float size)
{
    if (erasing()) {
        mSettings->setRubberSize(size);
    } else {
        INK_CHECK(mActiveColor >= 0 && mActiveColor < PenSettings::kSlots, kColorIndexOutOfBound);
        mSettings->setBrushSize(mActiveColor, size);
    }
}

void CanvasCore::toggleEraser()
{
    setActiveColor(erasing() ? mLastSlot + 1 : PenSettings::kEraserTool);
}

void CanvasCore::stepBrushSize(int steps)
{
    float width = brushSize();
    for (; steps > 0; --steps)
        width = PenSettings::largerWidth(width);
    for (; steps < 0; ++steps)
        width = PenSettings::smallerWidth(width);
    if (width != brushSize())
        setBrushSize(width);
}

BgType CanvasCore::paper() const
{
    return mPicture->bgType();
}

void CanvasCore::setPaper(BgType type)
{
    mPicture->setBgType(type);
    mSettings->setBgType(type);
}
