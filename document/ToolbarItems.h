#pragma once

#include <QString>

// The document window's toolbar and its four items.
inline const QString kInkpondToolbarIdentifier = QStringLiteral("InkPondToolbar");
inline const QString CurrentColorTBId = QStringLiteral("CurrentColorTBItem");
inline const QString CurrentPenTBId = QStringLiteral("CurrentPenTBItem");
inline const QString BrushSizeTBId = QStringLiteral("BrushSizeTBItem");
inline const QString BackgroundTypeTBId = QStringLiteral("BackgroundTypeTBItem");

// The narrowest the toolbar may make the brush-size slider.
inline constexpr int kBrushSizeItemMinWidth = 30;
