// Pointer proximity: each pointer type (pen tip, eraser end, puck, unknown) brings back the tool
// last chosen while it was in use.
#include "WTView.h"

#include "Assert.h"
#include "NotificationCenter.h"
#include "PreferenceKeys.h"
#include "Preferences.h"
#include "ProximityEvent.h"

namespace {
// A damaged stored number would fail every later arrival of its pointer and be written back
// each time; the registered default serves instead, and setActiveColor() stores it.
int rememberedTool(int pointerType)
{
    const Preferences &prefs = Preferences::standard();
    const QString key = PreferenceKeys::toolKeyForPointerType(pointerType);
    const auto stored = Preferences::toInteger(prefs.objectForKey(key));
    if (stored && *stored >= 0 && *stored <= 4)
        return int(*stored);
    return int(Preferences::toInteger(prefs.registeredDefault(key)).value_or(1));
}
} // namespace

void WTView::startFollowingProximity()
{
    NotificationCenter::defaultCenter().addObserver(
        this, kProximityNotification, [this](const Notification &n) { handleProximity(n); });
}

void WTView::handleProximity(const Notification &notification)
{
    const std::optional<ProximityEvent> proxData = proximityFromUserInfo(notification.userInfo);
    INK_ASSERT(proxData);
    // Leaving, the second pointer of a dual-tracking tablet and a repeat of the current type
    // change nothing.
    if (proxData->pointingDeviceID != 0 || !proxData->isEnteringProximity
        || proxData->pointingDeviceType > 3 || proxData->pointingDeviceType == mCurrPointerType)
        return;
    mCurrPointerType = proxData->pointingDeviceType;
    setActiveColor(rememberedTool(mCurrPointerType));
}
