#pragma once

#include "Preferences.h"

#include <QString>
#include <vector>

// The preferences of the program around the canvas (windows, panels, files, menus), each declared
// once, in ProgramKeys.cpp. The pen's own are PreferenceKeys.
namespace ProgramKeys {

// Non-zero: read the kernel's tablet devices directly (needs the input group).
inline const QString kTabletMonitor = QStringLiteral("TabletMonitor");
// Non-zero: document windows show the Layers panel.
inline const QString kShowLayersPanel = QStringLiteral("ShowLayersPanel");
// Non-zero: document windows show the Colours panel.
inline const QString kShowColorsPanel = QStringLiteral("ShowColorsPanel");
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
// The items of a toolbar, by identifier, left to right; no default (the toolbar has its own).
QString toolbarConfigurationKey(const QString &toolbarIdentifier);

// Every number the whole program keeps: the pen's and these.
const std::vector<NumberKey> &numberKeys();

// The number stored under key, one of numberKeys(), if it can serve; else the key's default.
double storedNumber(const Preferences &store, const QString &key);
void storeNumber(Preferences &store, const QString &key, double value);

} // namespace ProgramKeys
