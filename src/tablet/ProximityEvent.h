#pragma once

#include <QMetaType>
#include <QPointingDevice>
#include <QString>
#include <QVariantMap>
#include <optional>

class QTabletEvent;

// The application-wide notification that a tablet pointer came near or went away, and the
// user-info keys of its two routes. Each user info holds exactly one of the keys.
inline const QString kProximityNotification = QStringLiteral("kProximityNotification");
// A ProximityEvent copied from Qt's event, which lives only on the stack.
inline const QString kProximityEventKey = QStringLiteral("kProximityEventKey");
// A 30-byte proximity record from the tablet monitor (TabletProximityRecord.h).
inline const QString kProximityEventCarbonKey = QStringLiteral("kProximityEventCarbonKey");

// Pointer types as the notification and the proximity record number them.
enum class PointerType : quint8 {
    Unknown = 0,
    Pen = 1,
    Cursor = 2,
    Eraser = 3,
};
// A number from a record or a notification as a type; nothing for one no pointer has.
inline std::optional<PointerType> pointerTypeOf(quint8 number)
{
    if (number > quint8(PointerType::Eraser))
        return std::nullopt;
    return PointerType(number);
}

// What a canvas reads from a proximity event, cut to the widths it compares them at.
struct ProximityEvent
{
    bool isEnteringProximity = false;
    quint8 pointingDeviceType = quint8(PointerType::Unknown); // as it arrived: may be none of them
    // Index of the pointer on its tablet; only the first pointer switches tools.
    quint16 pointingDeviceID = 0;

    static ProximityEvent fromTabletEvent(const QTabletEvent &event);
};
Q_DECLARE_METATYPE(ProximityEvent)

// Qt's pointer types are flags: a cast would turn a finger into a cursor.
PointerType pointerTypeFromQt(QPointingDevice::PointerType type);

// The proximity a notification's user info describes, whichever route posted it; nothing when
// it carries neither key.
std::optional<ProximityEvent> proximityFromUserInfo(const QVariantMap &userInfo);
