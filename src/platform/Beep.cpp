#include "Beep.h"

#include <QApplication>

namespace {
int beeps = 0;
}

void systemBeep()
{
    ++beeps;
    QApplication::beep();
}

int systemBeepCount()
{
    return beeps;
}
