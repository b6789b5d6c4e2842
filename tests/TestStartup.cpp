// In every test program: a save has ended when the command that started it returns, so that
// tests read the file at once. The tests of saving in the background choose otherwise.
#include "Document.h"

#include <QCoreApplication>

static void finishSavesInTheForeground()
{
    Document::setForegroundSaveWait(-1);
}
Q_COREAPP_STARTUP_FUNCTION(finishSavesInTheForeground)
