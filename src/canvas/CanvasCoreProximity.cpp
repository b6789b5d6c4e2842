// Pointer proximity: each pointer type (pen tip, eraser end, puck, unknown) brings back the tool
// last chosen while it was in use.
#include "CanvasCore.h"

#include "Assert.h"
#include "NotificationCenter.h"
#include "PenSettings.h"

void CanvasCore::followProximity(NotificationCenter &center)
{
    if (mProximitySource)
        mProximitySource->removeObserver(this);
    mProximitySource = &center;
    center.addObserver(this, kProximityNotification,
                       [this](const Notification &n) { handleProximity(n); });
}

void CanvasCore::handleProximity(const Notification &notification)
{
    const std::optional<ProximityEvent> proxData = proximityFromUserInfo(notification.userInfo);
    INK_ASSERT(proxData);
    if (!proxData->isEnteringProximity)
        emit pointerLeftProximity();
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

void CanvasCore::setTreatsEveryPointerAsTip(bool on)
{
    mSettings->setTreatsEveryPointerAsTip(on);
    if (on && mCurrPointerType == PointerType::Eraser) {
        mCurrPointerType = PointerType::Pen;
        setActiveColor(mSettings->rememberedTool(mCurrPointerType));
    }
}
