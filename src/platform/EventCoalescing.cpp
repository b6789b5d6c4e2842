#include "EventCoalescing.h"

#include <QGuiApplication>

void setMouseCoalescingEnabled(bool enabled)
{
    QGuiApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, enabled);
    QGuiApplication::setAttribute(Qt::AA_CompressTabletEvents, enabled);
}

bool isMouseCoalescingEnabled()
{
    return QGuiApplication::testAttribute(Qt::AA_CompressHighFrequencyEvents)
        && QGuiApplication::testAttribute(Qt::AA_CompressTabletEvents);
}
