#pragma once

#include "Color.h"
#include "ProximityEvent.h"

#include <QString>
#include <QVariantMap>
#include <vector>

class Preferences;

// Every preference Inkpond keeps, with its registered default, is declared once, in
// PreferenceKeys.cpp.
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
// Non-zero: read the kernel's tablet devices directly (needs the input group).
inline const QString kTabletMonitor = QStringLiteral("TabletMonitor");
// Non-zero: document windows show the Layers panel.
inline const QString kShowLayersPanel = QStringLiteral("ShowLayersPanel");
// Non-zero: document windows show the Colours panel.
inline const QString kShowColorsPanel = QStringLiteral("ShowColorsPanel");

QString colorKey(int slot); // "Color0" … "Color3"
QString brushSizeKey(int slot); // "BrushSize0" … "BrushSize3"
// A slot's nib by its name (Brush::name()); any other value reads as the pen.
QString brushKindKey(int slot); // "BrushKind0" … "BrushKind3"
// The key remembering the tool number of a pointer type (0 unknown, 1 pen, 2 cursor, 3 eraser).
QString toolKeyForPointerType(PointerType pointerType);

// The items of a toolbar, by identifier, left to right; no default (the toolbar has its own).
QString toolbarConfigurationKey(const QString &toolbarIdentifier);
// The quality of JPEG and WebP files, 1 to 100, as last chosen in Save As.
inline const QString kSaveQuality = QStringLiteral("SaveQuality");
// The menu commands' keys the user changed, as "command=keys" (portable text, "; " between
// keys; none: no key); the others keep their own.
inline const QString kShortcuts = QStringLiteral("Shortcuts");
// The files last opened or saved, newest first; none by default.
inline const QString kRecentDocuments = QStringLiteral("RecentDocuments");
// The colours that last painted, newest first, as "#rrggbbaa"; none by default.
inline const QString kRecentColors = QStringLiteral("RecentColors");
// Where the side panels are docked, as QMainWindow::saveState() gives it; none by default.
inline const QString kPanelPlaces = QStringLiteral("PanelPlaces");

// The colour a slot has when nothing usable is stored.
Color defaultColor();

// A number the store keeps: its default and the values that can serve. Anything else stored
// under the key (damaged, or written by something else) reads as the default.
struct NumberKey
{
    QString key;
    double defaultValue = 0;
    double lowest = 0;
    double highest = 0;
    bool whole = false; // kept as an integer
};

// Every number Inkpond keeps, each written once here for registering and for reading.
const std::vector<NumberKey> &numberKeys();

// The number stored under key, one of numberKeys(), if it can serve; else the key's default.
double storedNumber(const Preferences &store, const QString &key);

// Every key with its default, ready for Preferences::registerDefaults().
QVariantMap registeredDefaults();

} // namespace PreferenceKeys
