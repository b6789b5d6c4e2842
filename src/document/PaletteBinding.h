#pragma once

class QMainWindow;
class WTView;

// The canvas's pop-up palette, offering the commands of the window's menu bar; made on its first
// request and kept with the window.
void bindPopupPalette(WTView &canvas, QMainWindow &window);
