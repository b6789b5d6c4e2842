#pragma once

// The bounds of the pen settings, beneath both the settings and the preference keys that keep
// them, so that each is written once.
namespace PenLimits {

inline constexpr int kSlots = 4;
// Tool numbers: the eraser, then the slots 1 to kSlots.
inline constexpr int kEraserTool = 0;
// The widths a pen or the eraser can have, in points.
inline constexpr float kMinWidth = 0.5f;
inline constexpr float kMaxWidth = 100.0f;

} // namespace PenLimits
