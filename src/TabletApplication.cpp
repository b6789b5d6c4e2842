#include "TabletApplication.h"

#include "Assert.h"

#include <cstdio>

TabletApplication::TabletApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Inkpond"));
    setOrganizationName(QStringLiteral("Inkpond"));
    setApplicationVersion(QStringLiteral(INKPOND_VERSION));
    setDesktopFileName(QStringLiteral("inkpond"));
}

TabletApplication::~TabletApplication() = default;

TabletApplication *TabletApplication::instance()
{
    return qobject_cast<TabletApplication *>(QCoreApplication::instance());
}

bool TabletApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const InternalInconsistency &failure) {
        // The operation ends where the check failed; the program goes on.
        std::fprintf(stderr, "%s\n", failure.report().c_str());
        std::fflush(stderr);
        return true;
    }
}

void TabletApplication::setMouseCoalescingEnabled(bool enabled)
{
    setAttribute(Qt::AA_CompressHighFrequencyEvents, enabled);
    setAttribute(Qt::AA_CompressTabletEvents, enabled);
}

bool TabletApplication::isMouseCoalescingEnabled() const
{
    return testAttribute(Qt::AA_CompressHighFrequencyEvents) && testAttribute(Qt::AA_CompressTabletEvents);
}
