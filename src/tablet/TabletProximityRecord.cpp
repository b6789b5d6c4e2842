#include "TabletProximityRecord.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace {
// Byte offsets of the fields.
enum : qsizetype {
    kVendorID = 0,
    kTabletID = 2,
    kPointerID = 4,
    kDeviceID = 6,
    kSystemTabletID = 8,
    kVendorPointerType = 10,
    kPointerSerialNumber = 12,
    kUniqueID = 16,
    kCapabilityMask = 24,
    kPointerType = 28,
    kEnterProximity = 29,
};

template<typename T>
void put(uchar *bytes, qsizetype offset, T value)
{
    qToLittleEndian<T>(value, bytes + offset);
}

template<typename T>
T get(const uchar *bytes, qsizetype offset)
{
    return qFromLittleEndian<T>(bytes + offset);
}
} // namespace

QByteArray writeTabletProximityRec(const TabletProximityRec &rec)
{
    QByteArray data(kTabletProximityRecSize, '\0');
    auto *b = reinterpret_cast<uchar *>(data.data());
    put(b, kVendorID, rec.vendorID);
    put(b, kTabletID, rec.tabletID);
    put(b, kPointerID, rec.pointerID);
    put(b, kDeviceID, rec.deviceID);
    put(b, kSystemTabletID, rec.systemTabletID);
    put(b, kVendorPointerType, rec.vendorPointerType);
    put(b, kPointerSerialNumber, rec.pointerSerialNumber);
    put(b, kUniqueID, rec.uniqueID);
    put(b, kCapabilityMask, rec.capabilityMask);
    b[kPointerType] = rec.pointerType;
    b[kEnterProximity] = rec.enterProximity;
    return data;
}

TabletProximityRec readTabletProximityRec(const QByteArray &data)
{
    uchar b[kTabletProximityRecSize] = {};
    std::memcpy(b, data.constData(), size_t(std::min(data.size(), kTabletProximityRecSize)));
    TabletProximityRec rec;
    rec.vendorID = get<quint16>(b, kVendorID);
    rec.tabletID = get<quint16>(b, kTabletID);
    rec.pointerID = get<quint16>(b, kPointerID);
    rec.deviceID = get<quint16>(b, kDeviceID);
    rec.systemTabletID = get<quint16>(b, kSystemTabletID);
    rec.vendorPointerType = get<quint16>(b, kVendorPointerType);
    rec.pointerSerialNumber = get<quint32>(b, kPointerSerialNumber);
    rec.uniqueID = get<quint64>(b, kUniqueID);
    rec.capabilityMask = get<quint32>(b, kCapabilityMask);
    rec.pointerType = b[kPointerType];
    rec.enterProximity = b[kEnterProximity];
    return rec;
}
