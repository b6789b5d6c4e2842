#include "Logging.h"

#include <cstdio>
#include <cstring>

Q_LOGGING_CATEGORY(lcCheck, "inkpond.check")
Q_LOGGING_CATEGORY(lcTablet, "inkpond.tablet")
Q_LOGGING_CATEGORY(lcSession, "inkpond.session")
Q_LOGGING_CATEGORY(lcRecovery, "inkpond.recovery")
Q_LOGGING_CATEGORY(lcCommandLine, "inkpond.commandline")
Q_LOGGING_CATEGORY(lcSettings, "inkpond.settings")
Q_LOGGING_CATEGORY(lcInstance, "inkpond.instance")

namespace {
QtMessageHandler gQtHandler = nullptr;

void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!context.category || std::strncmp(context.category, "inkpond.", 8) != 0) {
        gQtHandler(type, context, message);
        return;
    }
    std::fprintf(stderr, "inkpond: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}
} // namespace

void installMessageFormat()
{
    if (gQtHandler)
        return;
    gQtHandler = qInstallMessageHandler(handle);
}
