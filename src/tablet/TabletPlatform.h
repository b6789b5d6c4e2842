#pragma once

// What the windowing platform gets wrong about tablets, and how the canvas makes up for it.
#include <Qt>
#include <optional>

class QTabletEvent;

namespace TabletPlatform {

// The keyboard modifiers held during a tablet event. Qt 6.4's Wayland tablet events carry none,
// so where an event has none the keyboard's own state stands in.
Qt::KeyboardModifiers modifiersOf(const QTabletEvent &event);

// Whether the platform shows a cursor for a hovering tablet tool. Wayland compositors often
// show none, and Qt 6.4 sets none there; the canvas then draws a crosshair of its own.
bool showsTabletCursor();
// Replaces the platform's answer (std::nullopt restores it): for trying both behaviours anywhere.
void forceShowsTabletCursor(std::optional<bool> shows);

} // namespace TabletPlatform
