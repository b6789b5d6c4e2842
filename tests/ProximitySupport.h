#pragma once

#include "ProximityEvent.h"
#include "TabletApplication.h"
#include "TabletProximityRecord.h"

#include <QTabletEvent>

// Sends a tablet event from a pointer of the given kind, as Qt would deliver it.
inline void sendTablet(QObject *receiver, QEvent::Type type, QPointingDevice::PointerType pointer)
{
    const QPointingDevice device(QStringLiteral("test tablet"), 7, QInputDevice::DeviceType::Stylus,
                                 pointer, QInputDevice::Capability::Position, 1, 2);
    const Qt::MouseButton button = type == QEvent::TabletPress ? Qt::LeftButton : Qt::NoButton;
    QTabletEvent event(type, &device, QPointF(5, 5), QPointF(5, 5), 0.5, 0, 0, 0, 0, 0,
                       Qt::NoModifier, button, button);
    QCoreApplication::sendEvent(receiver, &event);
}

// A proximity record arriving through the application's tablet monitor.
inline void monitorProximity(int pointerType, bool entering = true, int pointerID = 0)
{
    TabletProximityRec rec;
    rec.pointerType = quint8(pointerType);
    rec.enterProximity = entering ? 1 : 0;
    rec.pointerID = quint16(pointerID);
    TabletApplication::instance()->tabletMonitor()->dispatch(
        TabletMonitorEvent(writeTabletProximityRec(rec)));
}
