#pragma once

#include "Color.h"
#include "Preferences.h"
#include "ProximityEvent.h"

#include <QString>
#include <QVariantMap>
#include <vector>


// Every preference the pen settings keep, with its registered default, is declared once, in
// PreferenceKeys.cpp; the rest of the program's are in ProgramKeys.
namespace PreferenceKeys {

inline const QString kBgType = QStringLiteral("BgType");
inline const QString kRubberSize = QStringLiteral("RubberSize");
// Tablet pressure: the curve preset (PressureCurve::Preset), the custom curve's numbers
// (x0, y0, x1, y1, …), and the narrowest width as a fraction of the slot's.
inline const QString kPressureCurve = QStringLiteral("PressureCurve");
inline const QString kCustomPressureCurve = QStringLiteral("CustomPressureCurve");
inline const QString kMinimumWidth = QStringLiteral("MinimumWidth");
// 0 (off) to 100.
inline const QString kSmoothing = QStringLiteral("Smoothing");
// How many strokes can be undone, 1 to 100.
inline const QString kUndoDepth = QStringLiteral("UndoDepth");
// Non-zero: the eraser end draws as the pen tip does.
inline const QString kTreatEveryPointerAsTip = QStringLiteral("TreatEveryPointerAsTip");
// The eraser's nib: "pen" or "airbrush".
inline const QString kEraserShape = QStringLiteral("EraserShape");
// The airbrush's hardness in percent, 0 (soft from the centre) to 100.
inline const QString kAirbrushHardness = QStringLiteral("AirbrushHardness");
// What shows under a hovering pointer, a PenLimits::HoverMark.
inline const QString kHoverOutline = QStringLiteral("HoverOutline");
QString colorKey(int slot); // "Color0" … "Color3"
QString brushSizeKey(int slot); // "BrushSize0" … "BrushSize3"
// A slot's nib by its name (Brush::name()); any other value reads as the pen.
QString brushKindKey(int slot); // "BrushKind0" … "BrushKind3"
// The key remembering the tool number of a pointer type (0 unknown, 1 pen, 2 cursor, 3 eraser).
QString toolKeyForPointerType(PointerType pointerType);

// The colour a slot has when nothing usable is stored.
Color defaultColor();

// Every number the pen settings keep, each written once here for registering, reading and writing.
const std::vector<NumberKey> &numberKeys();
// The row of numberKeys() for key, which must be one.
const NumberKey &numberKey(const QString &key);

// The number stored under key, one of numberKeys(), if it can serve; else the key's default.
double storedNumber(const Preferences &store, const QString &key);
void storeNumber(Preferences &store, const QString &key, double value);

// Every pen key with its default, ready for Preferences::registerDefaults().
QVariantMap registeredDefaults();

} // namespace PreferenceKeys
