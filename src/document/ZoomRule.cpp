#include "ZoomRule.h"

#include <QScreen>
#include <algorithm>
#include <cmath>

Rect windowWillUseStandardFrame(const Rect &currentFrame, const Rect &defaultFrame,
                                Size visibleSize, Size sheetSize)
{
    const float x = currentFrame.x();
    const float y = currentFrame.y();
    const float w = currentFrame.width();
    const float h = currentFrame.height();
    // The window changes by exactly what the sheet hides or leaves uncovered.
    const float W = std::min(defaultFrame.width(), w + sheetSize.width - visibleSize.width);
    const float H = std::min(defaultFrame.height(), h + sheetSize.height - visibleSize.height);
    // The centre in double precision, rounded once to float, as the frame arithmetic has it.
    const float cx = float(double(x) + double(w) * 0.5);
    const float cy = float(double(y) + double(h) * 0.5);
    // Inside the default frame on every side; the left and bottom edges win where the frame's
    // rounding leaves no room for both.
    const float X = std::max(std::min(cx - W * 0.5f, defaultFrame.maxX() - W), defaultFrame.x());
    const float Y = std::max(std::min(cy - H * 0.5f, defaultFrame.maxY() - H), defaultFrame.y());
    return integralRect({X, Y, W, H});
}

namespace {
float virtualDesktopBottom(const QScreen *screen)
{
    const QRect desktop = screen->virtualGeometry();
    return float(desktop.y() + desktop.height());
}
} // namespace

Rect screenRectToZoomTerms(const QRect &r, const QScreen *screen)
{
    return fromQtRect(QRectF(r), virtualDesktopBottom(screen));
}

QRect zoomTermsToScreenRect(const Rect &r, const QScreen *screen)
{
    return toQtRect(r, virtualDesktopBottom(screen)).toAlignedRect();
}
