#pragma once

#include <QByteArray>
#include <QtGlobal>

// A tablet pointer's proximity as the tablet monitor reports it. On the wire it is 30 bytes,
// little-endian, at fixed offsets (see TabletProximityRecord.cpp), whatever the compiler's
// padding.
struct TabletProximityRec
{
    quint16 vendorID = 0;
    quint16 tabletID = 0;
    quint16 pointerID = 0; // index of the pointer on its tablet
    quint16 deviceID = 0;
    quint16 systemTabletID = 0;
    quint16 vendorPointerType = 0;
    quint32 pointerSerialNumber = 0;
    quint64 uniqueID = 0;
    quint32 capabilityMask = 0;
    quint8 pointerType = 0; // 0 unknown, 1 pen, 2 cursor, 3 eraser
    quint8 enterProximity = 0; // non-zero when arriving
};

inline constexpr qsizetype kTabletProximityRecSize = 30;

// Exactly kTabletProximityRecSize bytes.
QByteArray writeTabletProximityRec(const TabletProximityRec &rec);
// Reads up to kTabletProximityRecSize bytes from the start of data; missing bytes read as zero.
TabletProximityRec readTabletProximityRec(const QByteArray &data);
