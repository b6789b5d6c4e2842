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
};
