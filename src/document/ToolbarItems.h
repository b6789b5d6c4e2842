#pragma once

#include <QString>

// The document window's toolbar: its four pen-setting items, and Undo and Redo, which the user may
// add from the customise palette.
inline const QString kInkpondToolbarIdentifier = QStringLiteral("InkPondToolbar");
inline const QString CurrentColorTBId = QStringLiteral("CurrentColorTBItem");
inline const QString CurrentPenTBId = QStringLiteral("CurrentPenTBItem");
inline const QString BrushSizeTBId = QStringLiteral("BrushSizeTBItem");
inline const QString BackgroundTypeTBId = QStringLiteral("BackgroundTypeTBItem");
inline const QString UndoTBId = QStringLiteral("UndoTBItem");
inline const QString RedoTBId = QStringLiteral("RedoTBItem");

// The narrowest the toolbar may make the brush-size slider.
inline constexpr int kBrushSizeItemMinWidth = 30;
