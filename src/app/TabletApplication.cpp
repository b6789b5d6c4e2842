#include "TabletApplication.h"

#include "Assert.h"
#include "EventCoalescing.h"
#include "Localizable.h"
#include "Logging.h"
#include "NotificationCenter.h"
#include "ProgramKeys.h"
#include "Preferences.h"
#include "ProximityEvent.h"

#include <QClipboard>
#include <QTabletEvent>
#include <cstring>

namespace {
// Takes the switch out of the arguments, as Qt does with its own, so that nothing later takes
// it for a file to open.
bool takeSwitch(int &argc, char **argv, const char *name)
{
    int kept = 1;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], name) != 0)
            argv[kept++] = argv[i];
    const bool found = kept < argc;
    if (found) {
        argv[kept] = nullptr;
        argc = kept;
    }
    return found;
}

bool monitorWanted(bool switchGiven, const Preferences *settings)
{
    if (switchGiven)
        return true;
    if (!settings)
        return false;
    return ProgramKeys::storedNumber(*settings, ProgramKeys::kTabletMonitor) != 0;
}
} // namespace

TabletApplication::TabletApplication(int &argc, char **argv, const Preferences *settings)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Inkpond"));
    setOrganizationName(QStringLiteral("Inkpond"));
    setApplicationVersion(QStringLiteral(INKPOND_VERSION));
    setDesktopFileName(QStringLiteral(INKPOND_APP_ID));
    loadStringTable();
    connect(clipboard(), &QClipboard::dataChanged, this, &TabletApplication::validationChanged);

    NotificationCenter::defaultCenter().addObserver(
        this, kProximityNotification,
        [this](const Notification &n) { rememberAnnouncedPointer(n); });

    mMonitor = std::make_unique<TabletMonitor>();
    const int status = mMonitor->installEventHandler(CarbonTabletProximityCallback, nullptr,
                                                     &mProxEventHandlerRef);
    INK_ASSERT(status == noErr);
    if (monitorWanted(takeSwitch(argc, argv, "--tablet-monitor"), settings))
        mMonitor->start();
}

TabletApplication::~TabletApplication()
{
    mMonitor->removeEventHandler(mProxEventHandlerRef);
    NotificationCenter::defaultCenter().removeObserver(this);
}

TabletApplication *TabletApplication::instance()
{
    return qobject_cast<TabletApplication *>(QCoreApplication::instance());
}

bool TabletApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        switch (event->type()) {
        case QEvent::TabletEnterProximity:
        case QEvent::TabletLeaveProximity:
            // Qt sends these to the application only; nothing else is to see them.
            tabletProximity(static_cast<const QTabletEvent *>(event));
            return true;
        case QEvent::TabletPress:
        case QEvent::TabletMove:
            announceArrivalIfNew(static_cast<const QTabletEvent *>(event));
            break;
        default:
            break;
        }
        return QApplication::notify(receiver, event);
    } catch (const InternalInconsistency &failure) {
        // The operation ends where the check failed; the program goes on.
        qCCritical(lcCheck, "%s", failure.report().c_str());
        return true;
    }
}

void TabletApplication::tabletProximity(const QTabletEvent *event)
{
    postProximity(ProximityEvent::fromTabletEvent(*event));
}

void TabletApplication::postProximity(const ProximityEvent &event)
{
    NotificationCenter::defaultCenter().post(kProximityNotification, this,
                                             {{kProximityEventKey, QVariant::fromValue(event)}});
}

// Many drivers never report proximity (on X11 only the Wacom driver does; on Wayland it means
// "over one of our windows"), but every tablet event names its pointer. Announcing a new one
// before the press reaches a canvas makes the eraser end erase on those setups too.
void TabletApplication::announceArrivalIfNew(const QTabletEvent *event)
{
    const auto type = quint8(pointerTypeFromQt(event->pointerType()));
    if (type == mLastAnnouncedPointerType)
        return;
    ProximityEvent arrival;
    arrival.isEnteringProximity = true;
    arrival.pointingDeviceType = type;
    postProximity(arrival);
}

void TabletApplication::rememberAnnouncedPointer(const Notification &notification)
{
    const auto p = proximityFromUserInfo(notification.userInfo);
    if (p && p->isEnteringProximity && p->pointingDeviceID == 0)
        mLastAnnouncedPointerType = p->pointingDeviceType;
}

int CarbonTabletProximityCallback(const TabletMonitorEvent &event, void *)
{
    char rec[kTabletProximityRecSize] = {};
    if (event.getProximityRecord(rec, sizeof rec) != noErr)
        return noErr;
    NotificationCenter::defaultCenter().post(
        kProximityNotification, TabletApplication::instance(),
        {{kProximityEventCarbonKey, QByteArray(rec, sizeof rec)}});
    return noErr;
}

void TabletApplication::setMouseCoalescingEnabled(bool enabled)
{
    ::setMouseCoalescingEnabled(enabled);
}

bool TabletApplication::isMouseCoalescingEnabled() const
{
    return ::isMouseCoalescingEnabled();
}
