#pragma once

#include "TabletMonitor.h"

#include <QApplication>
#include <memory>

struct Notification;
struct ProximityEvent;
class QTabletEvent;

// The application object: reports failed internal checks without stopping the program, and
// turns every tablet proximity it learns of into one kProximityNotification (ProximityEvent.h)
// for all canvases, whichever way it learnt of it.
class TabletApplication : public QApplication
{
    Q_OBJECT

public:
    TabletApplication(int &argc, char **argv);
    ~TabletApplication() override;

    static TabletApplication *instance();

    bool notify(QObject *receiver, QEvent *event) override;

    // Posts the notification for Qt's proximity event.
    void tabletProximity(const QTabletEvent *event);

    // The kernel's tablet devices, read directly when the user asks for it (the "TabletMonitor"
    // preference or --tablet-monitor).
    TabletMonitor *tabletMonitor() const { return mMonitor.get(); }

    // Whether Qt may merge queued pointer and tablet motion. Off while a stroke is tracked, so
    // that every pen sample arrives. Qt's xcb plugin sets its own value when the application is
    // constructed, so this is only meaningful afterwards.
    void setMouseCoalescingEnabled(bool enabled);
    bool isMouseCoalescingEnabled() const;

private:
    void postProximity(const ProximityEvent &event);
    void announceArrivalIfNew(const QTabletEvent *event);
    void rememberAnnouncedPointer(const Notification &notification);

    std::unique_ptr<TabletMonitor> mMonitor;
    TabletEventHandlerRef mProxEventHandlerRef = 0;
    // The pointer type of the last arrival posted by any route; -1 before the first.
    int mLastAnnouncedPointerType = -1;
};

// The monitor's handler: posts the proximity record it carries. A plain function, as the
// monitor's handlers are.
int CarbonTabletProximityCallback(const TabletMonitorEvent &event, void *userData);
