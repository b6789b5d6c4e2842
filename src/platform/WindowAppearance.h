#pragma once

class QWidget;

// See-through windows. A window shows what lies behind it only when its native window was made
// with an alpha channel and a compositing manager runs (always under Wayland, not always on X11).
namespace WindowAppearance {

bool compositingAvailable();

// Makes the top-level window see-through or opaque. Turning see-through on for a window that
// already has a native window recreates it. Returns whether the window is see-through now; false
// (the window left opaque) when no compositing manager runs.
bool setSeeThrough(QWidget *window, bool seeThrough);

} // namespace WindowAppearance
