#pragma once

#include "Background.h"
#include "Color.h"
#include "ProximityEvent.h"

#include <QObject>
#include <array>

class Preferences;

// The settings a canvas draws with, kept in the store given to it: the colour and width of
// each of the four slots, the eraser's width, the tool each pointer type brings back, and the
// paper. A value the store holds that cannot serve reads as its registered default.
class PenSettings : public QObject
{
    Q_OBJECT

public:
    static constexpr int kSlots = 4;
    // Tool numbers: the eraser, then the slots 1 to 4.
    static constexpr int kEraserTool = 0;

    // Registers every key's default in the store, once per store.
    static void registerDefaults(Preferences &store);

    // The store outlives the settings.
    explicit PenSettings(Preferences &store, QObject *parent = nullptr);

    Preferences &store() const { return mStore; }

    const Color &color(int slot) const;
    void setColor(int slot, const Color &color);
    float brushSize(int slot) const;
    void setBrushSize(int slot, float size);
    float rubberSize() const { return mRubberSize; }
    void setRubberSize(float size);

    // The tool a pointer type last chose, 0 to 4.
    int rememberedTool(PointerType type) const;
    void rememberTool(PointerType type, int tool);

    BgType bgType() const;
    void setBgType(BgType type);

signals:
    // A colour or a width changed.
    void changed();

private:
    Preferences &mStore;
    std::array<Color, kSlots> mColors;
    std::array<float, kSlots> mBrushSize {};
    float mRubberSize = 0.0f;
};
