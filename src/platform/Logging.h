#pragma once

#include <QLoggingCategory>

// One category a subsystem, so that QT_LOGGING_RULES can silence one ("inkpond.recovery=false").
Q_DECLARE_LOGGING_CATEGORY(lcCheck)
Q_DECLARE_LOGGING_CATEGORY(lcTablet)
Q_DECLARE_LOGGING_CATEGORY(lcSession)
Q_DECLARE_LOGGING_CATEGORY(lcRecovery)
Q_DECLARE_LOGGING_CATEGORY(lcCommandLine)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcInstance)

// Our messages reach stderr as "inkpond: text", the way command-line tools speak; Qt's own keep
// the handler they had.
void installMessageFormat();
