#include "PenSettings.h"

#include "Assert.h"
#include "Picture.h"
#include "PreferenceKeys.h"
#include "Preferences.h"
#include "StrokeSmoother.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

namespace {
const char *const kSlotOutOfBound = "color index out of bound";

// The stored number of a key, as PreferenceKeys::numberKeys() allows it.
float storedFloat(const Preferences &store, const QString &key)
{
    return float(PreferenceKeys::storedNumber(store, key));
}
int storedInteger(const Preferences &store, const QString &key)
{
    return int(PreferenceKeys::storedNumber(store, key));
}

// Rungs a tenth or so apart, on round numbers a user can read back.
constexpr std::array kWidthLadder {0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f,  1.2f,  1.4f,  1.6f,
                                   1.8f, 2.0f, 2.2f, 2.5f, 2.8f, 3.0f,  3.5f,  4.0f,  4.5f,
                                   5.0f, 5.5f, 6.0f, 7.0f, 8.0f, 9.0f,  10.0f, 11.0f, 12.0f,
                                   14.0f, 16.0f, 18.0f, 20.0f, 22.0f, 25.0f, 28.0f, 30.0f,
                                   35.0f, 40.0f, 45.0f, 50.0f, 55.0f, 60.0f, 70.0f, 80.0f,
                                   90.0f, 100.0f};
static_assert(kWidthLadder.front() == PenSettings::kMinWidth
              && kWidthLadder.back() == PenSettings::kMaxWidth);

// A nib's stored name; anything else (damaged, or a nib this version lacks) is the pen.
BrushKind storedBrush(const Preferences &store, const QString &key)
{
    const auto name = store.stringForKey(key);
    return name ? Brush::fromName(*name).value_or(BrushKind::Pen) : BrushKind::Pen;
}

// The eraser takes the pen's or the airbrush's shape only.
BrushKind eraserShapeOf(BrushKind shape)
{
    return shape == BrushKind::Airbrush ? BrushKind::Airbrush : BrushKind::Pen;
}

std::optional<PressureCurve> curveFrom(const QVariant &v)
{
    std::vector<float> numbers;
    const QStringList list = v.toStringList();
    for (const QString &n : list) {
        bool ok = false;
        numbers.push_back(n.toFloat(&ok));
        if (!ok)
            return std::nullopt;
    }
    return PressureCurve::fromNumbers(numbers);
}
} // namespace

void PenSettings::registerDefaults(Preferences &store)
{
    if (store.registeredDefault(PreferenceKeys::kBgType).isValid())
        return;
    store.registerDefaults(PreferenceKeys::registeredDefaults());
}

PenSettings::PenSettings(Preferences &store, QObject *parent)
    : QObject(parent)
    , mStore(store)
{
    registerDefaults(store);
    for (int i = 0; i < kSlots; ++i) {
        const auto stored = unarchiveColor(store.dataForKey(PreferenceKeys::colorKey(i)));
        mColors[size_t(i)] = stored.value_or(PreferenceKeys::defaultColor());
        mBrushSize[size_t(i)] = storedFloat(store, PreferenceKeys::brushSizeKey(i));
        mBrushKind[size_t(i)] = storedBrush(store, PreferenceKeys::brushKindKey(i));
    }
    mRubberSize = storedFloat(store, PreferenceKeys::kRubberSize);
    mEraserShape = eraserShapeOf(storedBrush(store, PreferenceKeys::kEraserShape));
    mAirbrushHardness = storedFloat(store, PreferenceKeys::kAirbrushHardness) / 100.0f;

    mCurvePreset = PressureCurve::Preset(storedInteger(store, PreferenceKeys::kPressureCurve));
    const QString custom = PreferenceKeys::kCustomPressureCurve;
    mCustomCurve
        = curveFrom(store.objectForKey(custom))
              .value_or(curveFrom(store.registeredDefault(custom)).value_or(PressureCurve()));
    curveChosen();
    mMinimumWidth = storedFloat(store, PreferenceKeys::kMinimumWidth);
    mSmoothing = storedInteger(store, PreferenceKeys::kSmoothing);
    mUndoDepth = storedInteger(store, PreferenceKeys::kUndoDepth);
    mEveryPointerIsTip = storedInteger(store, PreferenceKeys::kTreatEveryPointerAsTip) != 0;
    mHoverMark = HoverMark(storedInteger(store, PreferenceKeys::kHoverOutline));
}

const Color &PenSettings::color(int slot) const
{
    INK_ASSERT(slot >= 0 && slot < kSlots);
    return mColors.at(size_t(slot));
}

void PenSettings::setColor(int slot, const Color &color)
{
    INK_CHECK(slot >= 0 && slot < kSlots, kSlotOutOfBound);
    mColors.at(size_t(slot)) = color;
    mStore.setData(archiveColor(color), PreferenceKeys::colorKey(slot));
    emit changed();
}

float PenSettings::brushSize(int slot) const
{
    INK_ASSERT(slot >= 0 && slot < kSlots);
    return mBrushSize.at(size_t(slot));
}

void PenSettings::setBrushSize(int slot, float size)
{
    INK_CHECK(slot >= 0 && slot < kSlots, kSlotOutOfBound);
    mBrushSize.at(size_t(slot)) = size;
    PreferenceKeys::storeNumber(mStore, PreferenceKeys::brushSizeKey(slot), size);
    emit changed();
}

BrushKind PenSettings::brushKind(int slot) const
{
    INK_ASSERT(slot >= 0 && slot < kSlots);
    return mBrushKind.at(size_t(slot));
}

void PenSettings::setBrushKind(int slot, BrushKind kind)
{
    INK_CHECK(slot >= 0 && slot < kSlots, kSlotOutOfBound);
    INK_CHECK(Brush::fromName(Brush::name(kind)).has_value(), "no such brush");
    mBrushKind.at(size_t(slot)) = kind;
    mStore.setString(Brush::name(kind), PreferenceKeys::brushKindKey(slot));
    emit changed();
}

void PenSettings::setEraserShape(BrushKind shape)
{
    mEraserShape = eraserShapeOf(shape);
    mStore.setString(Brush::name(mEraserShape), PreferenceKeys::kEraserShape);
    emit changed();
}

void PenSettings::setAirbrushHardness(float hardness)
{
    mAirbrushHardness = std::isfinite(hardness) ? std::clamp(hardness, 0.0f, 1.0f) : 0.0f;
    PreferenceKeys::storeNumber(mStore, PreferenceKeys::kAirbrushHardness, mAirbrushHardness * 100.0f);
    emit changed();
}

void PenSettings::setRubberSize(float size)
{
    mRubberSize = size;
    PreferenceKeys::storeNumber(mStore, PreferenceKeys::kRubberSize, size);
    emit changed();
}

void PenSettings::setPressureCurvePreset(PressureCurve::Preset preset)
{
    mCurvePreset = preset;
    curveChosen();
    PreferenceKeys::storeNumber(mStore, PreferenceKeys::kPressureCurve, int(preset));
    emit changed();
}

void PenSettings::setCustomPressureCurve(const PressureCurve &curve)
{
    mCustomCurve = curve;
    curveChosen();
    QStringList numbers;
    for (float v : curve.numbers())
        numbers << QString::number(double(v), 'g', 9);
    mStore.setStringArray(numbers, PreferenceKeys::kCustomPressureCurve);
    emit changed();
}

void PenSettings::curveChosen()
{
    mCurve = mCurvePreset == PressureCurve::Preset::Custom ? mCustomCurve
                                                           : PressureCurve::preset(mCurvePreset);
    mCurveIsLinear = mCurve.isLinear();
}

void PenSettings::setMinimumWidth(float fraction)
{
    mMinimumWidth = std::isfinite(fraction) ? std::clamp(fraction, 0.0f, 1.0f) : 0.0f;
    PreferenceKeys::storeNumber(mStore, PreferenceKeys::kMinimumWidth, mMinimumWidth);
    emit changed();
}

float PenSettings::widthFactor(float pressure) const
{
    // Today's widths, bit for bit, unless the user asked for something else.
    if (mMinimumWidth == 0.0f && mCurveIsLinear)
        return pressure;
    return mMinimumWidth + (1.0f - mMinimumWidth) * mCurve.map(pressure);
}

void PenSettings::setSmoothing(int strength)
{
    mSmoothing = std::clamp(strength, 0, StrokeSmoother::kMaxStrength);
    PreferenceKeys::storeNumber(mStore, PreferenceKeys::kSmoothing, mSmoothing);
    emit changed();
}

void PenSettings::setUndoDepth(int depth)
{
    mUndoDepth = std::clamp(depth, Picture::kMinUndoDepth, Picture::kMaxUndoDepth);
    PreferenceKeys::storeNumber(mStore, PreferenceKeys::kUndoDepth, mUndoDepth);
    emit changed();
}

void PenSettings::setTreatsEveryPointerAsTip(bool on)
{
    mEveryPointerIsTip = on;
    PreferenceKeys::storeNumber(mStore, PreferenceKeys::kTreatEveryPointerAsTip, on ? 1 : 0);
    emit changed();
}

void PenSettings::setHoverMark(HoverMark mark)
{
    const int value = std::clamp(int(mark), int(HoverMark::Outline), int(HoverMark::Both));
    mHoverMark = HoverMark(value);
    PreferenceKeys::storeNumber(mStore, PreferenceKeys::kHoverOutline, value);
    emit changed();
}

// A damaged stored number would fail every later arrival of its pointer and be written back
// each time; the default serves instead.
int PenSettings::rememberedTool(PointerType type) const
{
    return storedInteger(mStore, PreferenceKeys::toolKeyForPointerType(type));
}

void PenSettings::rememberTool(PointerType type, int tool)
{
    PreferenceKeys::storeNumber(mStore, PreferenceKeys::toolKeyForPointerType(type), tool);
}

// A stored type no window can show can only come from outside the program; the default
// serves instead.
BgType PenSettings::bgType() const
{
    return bgTypeOf(storedInteger(mStore, PreferenceKeys::kBgType)).value_or(BgType::Ruled);
}

void PenSettings::setBgType(BgType type)
{
    PreferenceKeys::storeNumber(mStore, PreferenceKeys::kBgType, int(type));
}

float PenSettings::largerWidth(float width)
{
    if (!(width >= kMinWidth)) // NaN too
        return kMinWidth;
    const auto rung = std::upper_bound(kWidthLadder.begin(), kWidthLadder.end(), width);
    return rung == kWidthLadder.end() ? kMaxWidth : *rung;
}

float PenSettings::smallerWidth(float width)
{
    if (!(width <= kMaxWidth)) // NaN too
        return kMaxWidth;
    auto rung = std::lower_bound(kWidthLadder.begin(), kWidthLadder.end(), width);
    return rung == kWidthLadder.begin() ? kMinWidth : *std::prev(rung);
}
