#pragma once

class QMainWindow;
class RecentColors;
class WTView;

// The canvas's pop-up palette, offering the commands of the window's menu bar; made on its first
// request and kept with the window. With recent colours, it offers them and a colour wheel too.
void bindPopupPalette(WTView &canvas, QMainWindow &window, RecentColors *recent = nullptr);
