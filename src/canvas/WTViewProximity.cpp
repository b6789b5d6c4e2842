// Pointer proximity: each pointer type (pen tip, eraser end, puck, unknown) brings back the tool
// last chosen while it was in use.
#include "WTView.h"

#include "Assert.h"
#include "NotificationCenter.h"
#include "PenSettings.h"
#include "ProximityEvent.h"

void WTView::startFollowingProximity()
{
    NotificationCenter::defaultCenter().addObserver(
        this, kProximityNotification, [this](const Notification &n) { handleProximity(n); });
}

void WTView::handleProximity(const Notification &notification)
{
    const std::optional<ProximityEvent> proxData = proximityFromUserInfo(notification.userInfo);
    INK_ASSERT(proxData);
    if (!proxData->isEnteringProximity)
        hideCrosshair();
    // Leaving, the second pointer of a dual-tracking tablet and a repeat of the current type
    // change nothing.
    auto type = pointerTypeOf(proxData->pointingDeviceType);
    if (type == PointerType::Eraser && mSettings->treatsEveryPointerAsTip())
        type = PointerType::Pen;
    if (proxData->pointingDeviceID != 0 || !proxData->isEnteringProximity || !type
        || *type == mCurrPointerType)
        return;
    mCurrPointerType = *type;
    setActiveColor(mSettings->rememberedTool(mCurrPointerType));
}

void WTView::setTreatsEveryPointerAsTip(bool on)
{
    mSettings->setTreatsEveryPointerAsTip(on);
    if (on && mCurrPointerType == PointerType::Eraser) {
        mCurrPointerType = PointerType::Pen;
        setActiveColor(mSettings->rememberedTool(mCurrPointerType));
    }
}
