#include "PreferenceKeys.h"

#include "Background.h"
#include "Brush.h"
#include "PenLimits.h"
#include "Picture.h"
#include "Preferences.h"
#include "PressureCurve.h"
#include "StrokeSmoother.h"

#include <QStringList>


namespace PreferenceKeys {

namespace {
const QString kToolKeys[4] = {QStringLiteral("UnknownColor"), QStringLiteral("PenColor"),
                              QStringLiteral("CursorColor"), QStringLiteral("EraserColor")};

std::vector<NumberKey> makeNumberKeys()
{
    // A width off the slider's scale draws or erases nothing (or everything).
    const auto width = [](const QString &key) {
        return NumberKey {key, 10.0, PenLimits::kMinWidth, PenLimits::kMaxWidth, false};
    };
    const auto whole = [](const QString &key, int byDefault, int lowest, int highest) {
        return NumberKey {key, double(byDefault), double(lowest), double(highest), true};
    };
    const int eraser = PenLimits::kEraserTool;
    const int firstSlot = PenLimits::kEraserTool + 1;
    std::vector<NumberKey> keys;
    for (int i = 0; i < PenLimits::kSlots; ++i)
        keys.push_back(width(brushSizeKey(i)));
    keys.push_back(width(kRubberSize));
    keys.push_back(whole(kBgType, int(BgType::Ruled), 0, int(BgType::SeeThrough)));
    keys.push_back(whole(kPressureCurve, int(PressureCurve::Preset::Linear), 0,
                         int(PressureCurve::Preset::Custom)));
    keys.push_back({kMinimumWidth, 0.0, 0.0, 1.0, false});
    keys.push_back(whole(kSmoothing, 0, 0, StrokeSmoother::kMaxStrength));
    keys.push_back(whole(kUndoDepth, 10, Picture::kMinUndoDepth, Picture::kMaxUndoDepth));
    keys.push_back(whole(kTreatEveryPointerAsTip, 0, 0, 1));
    keys.push_back({kAirbrushHardness, 0.0, 0.0, 100.0, false});
    keys.push_back(whole(kHoverOutline, int(PenLimits::HoverMark::Outline), 0,
                         int(PenLimits::HoverMark::Both)));
    // The tool each pointer type brings back: the first slot, the eraser end the eraser.
    for (const QString &key : kToolKeys)
        keys.push_back(whole(key, key == kToolKeys[int(PointerType::Eraser)] ? eraser : firstSlot,
                             eraser, PenLimits::kSlots));
    return keys;
}
} // namespace

QString colorKey(int slot)
{
    return QStringLiteral("Color%1").arg(slot);
}

QString brushSizeKey(int slot)
{
    return QStringLiteral("BrushSize%1").arg(slot);
}

QString brushKindKey(int slot)
{
    return QStringLiteral("BrushKind%1").arg(slot);
}

QString toolKeyForPointerType(PointerType pointerType)
{
    return kToolKeys[int(pointerType)];
}

Color defaultColor()
{
    return {0.1f, 0.0f, 0.2f, 1.0f};
}

const std::vector<NumberKey> &numberKeys()
{
    static const std::vector<NumberKey> keys = makeNumberKeys();
    return keys;
}

const NumberKey &numberKey(const QString &key)
{
    return findNumberKey(numberKeys(), key);
}

double storedNumber(const Preferences &store, const QString &key)
{
    return store.number(numberKey(key));
}

void storeNumber(Preferences &store, const QString &key, double value)
{
    store.setNumber(value, numberKey(key));
}

QVariantMap registeredDefaults()
{
    QVariantMap d;
    addNumberDefaults(d, numberKeys());
    for (int i = 0; i < PenLimits::kSlots; ++i) {
        d.insert(colorKey(i), archiveColor(defaultColor()));
        d.insert(brushKindKey(i), Brush::name(BrushKind::Pen));
    }
    d.insert(kEraserShape, Brush::name(BrushKind::Pen));
    // A gentle S to start shaping from.
    d.insert(kCustomPressureCurve,
             QStringList {QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0.3"),
                          QStringLiteral("0.2"), QStringLiteral("0.7"), QStringLiteral("0.8"),
                          QStringLiteral("1"), QStringLiteral("1")});
    return d;
}

} // namespace PreferenceKeys
