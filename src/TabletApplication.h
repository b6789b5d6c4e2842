#pragma once

#include <QApplication>

// The application object: reports failed internal checks without stopping the program.
class TabletApplication : public QApplication
{
    Q_OBJECT

public:
    TabletApplication(int &argc, char **argv);
    ~TabletApplication() override;

    static TabletApplication *instance();

    bool notify(QObject *receiver, QEvent *event) override;

    // Whether Qt may merge queued pointer and tablet motion. Off while a stroke is tracked, so
    // that every pen sample arrives. Qt's xcb plugin sets its own value when the application is
    // constructed, so this is only meaningful afterwards.
    void setMouseCoalescingEnabled(bool enabled);
    bool isMouseCoalescingEnabled() const;
};
