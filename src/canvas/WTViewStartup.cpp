// The canvas's start in its window, once the interface file has connected its document and its
// eraser toggle.
#include "WTView.h"

#include "PenSettings.h"

#include <cmath>

void WTView::awakeFromNib(std::unique_ptr<TiledImage> starting)
{
    // The sheet first, so that the background is built once more at its final size and the
    // window's first display shows the real sheet. A picture too large to hold was refused with
    // a message; the new sheet serves instead.
    finishAwake(starting && mCore->adoptImage(std::move(starting)));
}

void WTView::awakeFromNib(std::vector<std::unique_ptr<Layer>> starting, int current)
{
    finishAwake(mCore->adoptLayers(std::move(starting), current));
}

void WTView::finishAwake(bool adopted)
{
    if (!adopted)
        setSheetSize({600, 600});
    // Applied in full even when it is the type already held: window appearance, background,
    // display.
    applyBgType(bgTypeOf(std::lroundf(float(mCore->penSettings().bgType()))));
    setAcceptsMouseMovedEvents(false);
    startFollowingProximity();
}
