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

// What the canvas draws under a hovering pen or mouse: the outline of what a press would paint,
// the crosshair (only where the platform shows no cursor for a tablet tool), or both.
enum class HoverMark : int { Outline = 0, Crosshair = 1, Both = 2 };

} // namespace PenLimits
