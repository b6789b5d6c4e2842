#pragma once

#include "Background.h"
#include "Brush.h"
#include "Color.h"
#include "PenLimits.h"
#include "PressureCurve.h"
#include "ProximityEvent.h"

#include <QObject>
#include <array>

class Preferences;

// The settings a canvas draws with, kept in the store given to it: the colour, width and nib of
// each of the four slots, the eraser's width and shape, the airbrush's hardness, the tool each
// pointer type brings back, the paper, and what shows under a hovering pointer. A value the
// store holds that cannot serve reads as its registered default.
class PenSettings : public QObject
{
    Q_OBJECT

public:
    static constexpr int kSlots = PenLimits::kSlots;
    static constexpr int kEraserTool = PenLimits::kEraserTool;
    // The slot a tool number other than the eraser's stands for.
    static constexpr int slotOfTool(int tool) { return tool - kEraserTool - 1; }
    static constexpr float kMinWidth = PenLimits::kMinWidth;
    static constexpr float kMaxWidth = PenLimits::kMaxWidth;
    using HoverMark = PenLimits::HoverMark;

    // The next width up or down a ladder whose steps grow with the width (about a tenth of it),
    // so a step feels alike at 1 and at 100 points; a width between two rungs goes to the
    // nearer rung in that direction. Stays within kMinWidth..kMaxWidth.
    static float largerWidth(float width);
    static float smallerWidth(float width);

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
    // Each slot's nib, and the eraser's shape: the pen's or the airbrush's.
    BrushKind brushKind(int slot) const;
    void setBrushKind(int slot, BrushKind kind);
    BrushKind eraserShape() const { return mEraserShape; }
    void setEraserShape(BrushKind shape);
    // The airbrush's hardness, 0 (soft from the centre out) to 1 (hard to the edge).
    float airbrushHardness() const { return mAirbrushHardness; }
    void setAirbrushHardness(float hardness);

    // The tool a pointer type last chose, kEraserTool to kSlots.
    int rememberedTool(PointerType type) const;
    void rememberTool(PointerType type, int tool);

    // Tablet pressure: the preset in use, the custom curve, the narrowest width as a fraction
    // 0..1 of the slot's, and what they make of a sample's pressure.
    PressureCurve::Preset pressureCurvePreset() const { return mCurvePreset; }
    void setPressureCurvePreset(PressureCurve::Preset preset);
    const PressureCurve &customPressureCurve() const { return mCustomCurve; }
    void setCustomPressureCurve(const PressureCurve &curve);
    const PressureCurve &pressureCurve() const { return mCurve; }
    float minimumWidth() const { return mMinimumWidth; }
    void setMinimumWidth(float fraction); // clamped to 0..1
    // The width factor for a tablet sample; the pressure itself with the linear curve and no
    // minimum.
    float widthFactor(float pressure) const;

    // Stroke smoothing, 0 (off) to StrokeSmoother::kMaxStrength.
    int smoothing() const { return mSmoothing; }
    void setSmoothing(int strength);

    // How many strokes a canvas keeps to undo, Picture::kMinUndoDepth to kMaxUndoDepth.
    int undoDepth() const { return mUndoDepth; }
    void setUndoDepth(int depth);

    // For tablets that report their tip as the eraser: every pointer draws as the tip.
    bool treatsEveryPointerAsTip() const { return mEveryPointerIsTip; }
    void setTreatsEveryPointerAsTip(bool on);

    // What the canvas draws under a hovering pointer.
    HoverMark hoverMark() const { return mHoverMark; }
    void setHoverMark(HoverMark mark);

    BgType bgType() const;
    void setBgType(BgType type);

signals:
    // A colour, a width, a nib or a pen input setting changed.
    void changed();

private:
    void curveChosen();

    Preferences &mStore;
    std::array<Color, kSlots> mColors;
    std::array<float, kSlots> mBrushSize {};
    float mRubberSize = 0.0f;
    std::array<BrushKind, kSlots> mBrushKind {};
    BrushKind mEraserShape = BrushKind::Pen;
    float mAirbrushHardness = 0.0f;
    PressureCurve::Preset mCurvePreset = PressureCurve::Preset::Linear;
    PressureCurve mCustomCurve;
    PressureCurve mCurve; // the one in use
    bool mCurveIsLinear = true;
    float mMinimumWidth = 0.0f;
    int mSmoothing = 0;
    int mUndoDepth = 0;
    bool mEveryPointerIsTip = false;
    HoverMark mHoverMark = HoverMark::Outline;
};
