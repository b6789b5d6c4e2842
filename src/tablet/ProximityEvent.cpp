#include "ProximityEvent.h"

#include "TabletProximityRecord.h"

#include <QTabletEvent>

PointerType pointerTypeFromQt(QPointingDevice::PointerType type)
{
    switch (type) {
    case QPointingDevice::PointerType::Pen:
        return PointerType::Pen;
    case QPointingDevice::PointerType::Cursor:
        return PointerType::Cursor;
    case QPointingDevice::PointerType::Eraser:
        return PointerType::Eraser;
    default:
        return PointerType::Unknown;
    }
}

ProximityEvent ProximityEvent::fromTabletEvent(const QTabletEvent &event)
{
    ProximityEvent p;
    p.isEnteringProximity = event.type() == QEvent::TabletEnterProximity;
    p.pointingDeviceType = quint8(pointerTypeFromQt(event.pointerType()));
    // Qt has no index of a pointer on its tablet (dual tracking): every Qt pointer is the first.
    p.pointingDeviceID = 0;
    return p;
}

std::optional<ProximityEvent> proximityFromUserInfo(const QVariantMap &userInfo)
{
    const QVariant event = userInfo.value(kProximityEventKey);
    if (event.metaType() == QMetaType::fromType<ProximityEvent>())
        return event.value<ProximityEvent>();
    const QVariant data = userInfo.value(kProximityEventCarbonKey);
    if (data.metaType() != QMetaType::fromType<QByteArray>())
        return std::nullopt;
    const TabletProximityRec rec = readTabletProximityRec(data.toByteArray());
    ProximityEvent p;
    p.isEnteringProximity = rec.enterProximity != 0;
    p.pointingDeviceType = rec.pointerType;
    p.pointingDeviceID = rec.pointerID;
    return p;
}
