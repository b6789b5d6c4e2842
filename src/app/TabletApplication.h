#pragma once

#include "ApplicationMenuCommands.h"
#include "TabletMonitor.h"

#include <QApplication>
#include <QPointer>
#include <memory>

class DocumentController;
struct Notification;
class Preferences;
struct ProximityEvent;
class QAction;
class QTabletEvent;

// The application object: reports failed internal checks without stopping the program, and
// turns every tablet proximity it learns of into one kProximityNotification (ProximityEvent.h)
// for all canvases, whichever way it learnt of it.
class TabletApplication : public QApplication, public ApplicationMenuCommands
{
    Q_OBJECT

public:
    // The tablet monitor starts with --tablet-monitor, or when the settings, if given, ask for it.
    TabletApplication(int &argc, char **argv, const Preferences *settings = nullptr);
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

    // Commands that belong to no document (ApplicationCommands.cpp); the sender is not consulted.
    // A new untitled document from the clipboard's image (TIFF, PICT or PNG data, the first
    // the clipboard holds); quietly nothing when there is none or it does not decode.
    void newDocumentFromClipboard(QObject *sender = nullptr) override;
    // Files another launch handed over (none: a new picture), their windows brought forward.
    void openHandedFiles(const QStringList &paths);
    // Raises every document window, the active window last.
    void arrangeInFront(QObject *sender = nullptr) override;
    // Whether the menu action named by the item's objectName ("newDocumentFromClipboard:", ...)
    // can be chosen now.
    bool validateUserInterfaceItem(const QAction *item) const override;
    QMetaObject::Connection onValidationChanged(QObject *context,
                                                std::function<void()> changed) override;
    // The controller whose documents the commands open and arrange; follows its list of
    // documents, for validationChanged(). It outlives the application's use of it.
    void observeDocuments(DocumentController *controller);

signals:
    // The clipboard or the list of documents changed: menu items are to be validated again.
    void validationChanged();

private:
    void postProximity(const ProximityEvent &event);
    void announceArrivalIfNew(const QTabletEvent *event);
    void rememberAnnouncedPointer(const Notification &notification);

    QPointer<DocumentController> mDocuments;
    std::unique_ptr<TabletMonitor> mMonitor;
    TabletEventHandlerRef mProxEventHandlerRef = 0;
    // The pointer type of the last arrival posted by any route; -1 before the first.
    int mLastAnnouncedPointerType = -1;
};

// The monitor's handler: posts the proximity record it carries. A plain function, as the
// monitor's handlers are.
int CarbonTabletProximityCallback(const TabletMonitorEvent &event, void *userData);
