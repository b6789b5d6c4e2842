// The canvas's start in its window, once the interface file has connected its document and its
// eraser toggle.
#include "WTView.h"

#include "InkpondDocument.h"

void WTView::awakeFromNib()
{
    // The sheet first, so that the background is built once more at its final size and the
    // window's first display shows the real sheet. A picture too large to hold was refused with
    // a message; the new sheet serves instead.
    const Image *starting = mDocument ? mDocument->startingImage() : nullptr;
    if (!starting || !setImage(starting))
        setSheetSize({600, 600});
    // −1 is no type, so the stored one is applied in full: window appearance, background,
    // display.
    mBgType = -1;
    setBgType(float(storedBgType()));
    setAcceptsMouseMovedEvents(false);
    startFollowingProximity();
}
