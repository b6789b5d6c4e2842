#include "ProximityEvent.h"

#include "TabletProximityRecord.h"

#include <QTabletEvent>

quint8 pointerTypeFromQt(QPointingDevice::PointerType type)
{
    switch (type) {
    case QPointingDevice::PointerType::Pen:
        return kPointerPen;
    case QPointingDevice::PointerType::Cursor:
        return kPointerCursor;
    case QPointingDevice::PointerType::Eraser:
        return kPointerEraser;
    default:
        return kPointerUnknown;
    }
}

ProximityEvent ProximityEvent::fromTabletEvent(const QTabletEvent &event)
{
    ProximityEvent p;
    p.isEnteringProximity = event.type() == QEvent::TabletEnterProximity;
    p.pointingDeviceType = pointerTypeFromQt(event.pointerType());
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
