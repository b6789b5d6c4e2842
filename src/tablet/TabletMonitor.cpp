#include "TabletMonitor.h"

#include "Logging.h"
#include <QFile>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <libudev.h>
#include <unistd.h>

namespace {
// The record's capability bits, as tablet drivers number them.
enum : quint32 {
    kCapDeviceID = 0x0001,
    kCapAbsX = 0x0002,
    kCapAbsY = 0x0004,
    kCapButtons = 0x0040,
    kCapTiltX = 0x0080,
    kCapTiltY = 0x0100,
    kCapPressure = 0x0400,
    kCapTangentialPressure = 0x0800,
    kCapRotation = 0x2000,
};

quint32 capabilitiesOf(const libevdev *dev)
{
    const struct
    {
        unsigned type, code;
        quint32 bit;
    } caps[] = {
        {EV_ABS, ABS_MISC, kCapDeviceID},
        {EV_ABS, ABS_X, kCapAbsX},
        {EV_ABS, ABS_Y, kCapAbsY},
        {EV_KEY, BTN_STYLUS, kCapButtons},
        {EV_ABS, ABS_TILT_X, kCapTiltX},
        {EV_ABS, ABS_TILT_Y, kCapTiltY},
        {EV_ABS, ABS_PRESSURE, kCapPressure},
        {EV_ABS, ABS_WHEEL, kCapTangentialPressure},
        {EV_ABS, ABS_Z, kCapRotation},
    };
    quint32 mask = 0;
    for (const auto &c : caps)
        if (libevdev_has_event_code(dev, c.type, c.code))
            mask |= c.bit;
    return mask;
}

bool isTabletEventNode(udev_device *d)
{
    const char *sysname = udev_device_get_sysname(d);
    const char *tablet = udev_device_get_property_value(d, "ID_INPUT_TABLET");
    const char *pad = udev_device_get_property_value(d, "ID_INPUT_TABLET_PAD");
    return udev_device_get_devnode(d) && sysname && std::strncmp(sysname, "event", 5) == 0 && tablet
        && std::strcmp(tablet, "1") == 0 && !(pad && std::strcmp(pad, "1") == 0);
}
} // namespace

int TabletMonitorEvent::getProximityRecord(void *buffer, qsizetype size) const
{
    if (mRecord.isNull())
        return eventParameterNotFoundErr;
    if (mRecord.size() != size)
        return paramErr;
    std::memcpy(buffer, mRecord.constData(), size_t(size));
    return noErr;
}

struct TabletMonitor::Device
{
    QString syspath;
    int fd = -1;
    libevdev *evdev = nullptr;
    QSocketNotifier *notifier = nullptr; // a child of the monitor
    EvdevToolDecoder decoder;
    DeviceInfo info;

    ~Device()
    {
        if (notifier) {
            // It may be the notifier whose signal is running.
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
        libevdev_free(evdev);
        if (fd >= 0)
            ::close(fd);
    }

    // The tool state libevdev holds, as events.
    std::vector<EvdevInput> state() const
    {
        std::vector<EvdevInput> s;
        for (quint16 code : EvdevToolDecoder::toolCodes())
            s.push_back({EV_KEY, code, libevdev_get_event_value(evdev, EV_KEY, code)});
        s.push_back({EV_ABS, ABS_MISC, libevdev_get_event_value(evdev, EV_ABS, ABS_MISC)});
        return s;
    }
};

TabletMonitor::TabletMonitor(QObject *parent)
    : QObject(parent)
{
}

TabletMonitor::~TabletMonitor()
{
    mDevices.clear();
    if (mHotplug)
        udev_monitor_unref(mHotplug);
    if (mUdev)
        udev_unref(mUdev);
}

int TabletMonitor::installEventHandler(TabletEventHandler handler, void *userData,
                                       TabletEventHandlerRef *outRef)
{
    if (!handler || !outRef)
        return paramErr;
    *outRef = mNextRef++;
    mHandlers.push_back({*outRef, handler, userData});
    return noErr;
}

void TabletMonitor::removeEventHandler(TabletEventHandlerRef ref)
{
    std::erase_if(mHandlers, [ref](const Handler &h) { return h.ref == ref; });
}

void TabletMonitor::dispatch(const TabletMonitorEvent &event)
{
    const std::vector<Handler> handlers = mHandlers; // a handler may remove itself
    for (const Handler &h : handlers)
        h.handler(event, h.userData);
}

TabletProximityRec TabletMonitor::recordFor(const ToolProximityChange &change,
                                            const DeviceInfo &device)
{
    TabletProximityRec rec;
    rec.vendorID = device.vendorID;
    rec.tabletID = device.productID;
    rec.pointerID = 0; // the kernel does not tell two pointers of a dual-tracking tablet apart
    rec.deviceID = device.index;
    rec.systemTabletID = device.index;
    rec.vendorPointerType = quint16(change.toolId);
    rec.pointerSerialNumber = change.serial;
    rec.uniqueID = (quint64(change.toolId) << 32) | change.serial;
    rec.capabilityMask = device.capabilityMask;
    rec.pointerType = change.pointerType;
    rec.enterProximity = change.entering ? 1 : 0;
    return rec;
}

void TabletMonitor::start()
{
    if (mStarted)
        return;
    mStarted = true;
    mUdev = udev_new();
    if (!mUdev) {
        tellOnce(tr("udev cannot be reached."));
        return;
    }

    mHotplug = udev_monitor_new_from_netlink(mUdev, "udev");
    if (mHotplug && udev_monitor_filter_add_match_subsystem_devtype(mHotplug, "input", nullptr) >= 0
        && udev_monitor_enable_receiving(mHotplug) >= 0) {
        mHotplugNotifier
            = new QSocketNotifier(udev_monitor_get_fd(mHotplug), QSocketNotifier::Read, this);
        connect(mHotplugNotifier, &QSocketNotifier::activated, this, &TabletMonitor::readHotplug);
    }
    // Without hot-plugging, the tablets present now are still read.

    udev_enumerate *found = udev_enumerate_new(mUdev);
    udev_enumerate_add_match_subsystem(found, "input");
    udev_enumerate_add_match_property(found, "ID_INPUT_TABLET", "1");
    udev_enumerate_scan_devices(found);
    udev_list_entry *entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(found))
    {
        udev_device *d = udev_device_new_from_syspath(mUdev, udev_list_entry_get_name(entry));
        if (d && isTabletEventNode(d))
            openDevice(QString::fromLocal8Bit(udev_device_get_syspath(d)),
                       QString::fromLocal8Bit(udev_device_get_devnode(d)));
        if (d)
            udev_device_unref(d);
    }
    udev_enumerate_unref(found);

    if (mDevices.empty())
        tellOnce(mFirstProblem.isEmpty() ? tr("no tablet found.") : mFirstProblem);
}

void TabletMonitor::openDevice(const QString &syspath, const QString &devnode)
{
    if (std::any_of(mDevices.begin(), mDevices.end(),
                    [&syspath](const auto &d) { return d->syspath == syspath; }))
        return;
    const QByteArray path = QFile::encodeName(devnode);
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        QString why
            = tr("cannot read %1: %2.").arg(devnode, QString::fromLocal8Bit(std::strerror(err)));
        if (err == EACCES || err == EPERM)
            why += tr(" Reading tablets directly needs membership of the input group.");
        if (mFirstProblem.isEmpty())
            mFirstProblem = why;
        return;
    }
    libevdev *evdev = nullptr;
    if (libevdev_new_from_fd(fd, &evdev) < 0) {
        ::close(fd);
        if (mFirstProblem.isEmpty())
            mFirstProblem = tr("%1 is no input device.").arg(devnode);
        return;
    }
    if (!libevdev_has_event_code(evdev, EV_KEY, BTN_TOOL_PEN)
        && !libevdev_has_event_code(evdev, EV_KEY, BTN_TOOL_RUBBER)) {
        // A touch surface or the like: no pen to follow.
        libevdev_free(evdev);
        ::close(fd);
        return;
    }

    auto device = std::make_unique<Device>();
    device->syspath = syspath;
    device->fd = fd;
    device->evdev = evdev;
    device->info = {quint16(libevdev_get_id_vendor(evdev)), quint16(libevdev_get_id_product(evdev)),
                    mNextIndex++, capabilitiesOf(evdev)};
    device->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    Device *d = device.get();
    connect(d->notifier, &QSocketNotifier::activated, this, [this, d] { readDevice(d); });
    mDevices.push_back(std::move(device));
    // A tool already near when the device is opened counts as arriving.
    deliver(*d, d->decoder.resynchronise(d->state()));
}

void TabletMonitor::closeDevice(const QString &syspath)
{
    auto it = std::find_if(mDevices.begin(), mDevices.end(),
                           [&syspath](const auto &d) { return d->syspath == syspath; });
    if (it == mDevices.end())
        return;
    std::unique_ptr<Device> device = std::move(*it);
    mDevices.erase(it);
    // A tool near an unplugged tablet has gone.
    deliver(*device, device->decoder.resynchronise({}));
}

void TabletMonitor::readDevice(Device *device)
{
    for (;;) {
        input_event ev {};
        const int rc = libevdev_next_event(device->evdev, LIBEVDEV_READ_FLAG_NORMAL, &ev);
        if (rc == LIBEVDEV_READ_STATUS_SUCCESS) {
            deliver(*device, device->decoder.feed({ev.type, ev.code, ev.value}));
        } else if (rc == LIBEVDEV_READ_STATUS_SYNC) {
            // Events were lost: let libevdev catch up with the device, then compare states.
            device->decoder.feed({ev.type, ev.code, ev.value});
            while (libevdev_next_event(device->evdev, LIBEVDEV_READ_FLAG_SYNC, &ev)
                   == LIBEVDEV_READ_STATUS_SYNC) { }
            deliver(*device, device->decoder.resynchronise(device->state()));
        } else if (rc == -EAGAIN) {
            return;
        } else {
            closeDevice(device->syspath); // unplugged, or unreadable from now on
            return;
        }
    }
}

void TabletMonitor::readHotplug()
{
    udev_device *d = udev_monitor_receive_device(mHotplug);
    if (!d)
        return;
    const char *action = udev_device_get_action(d);
    const QString syspath = QString::fromLocal8Bit(udev_device_get_syspath(d));
    if (action && std::strcmp(action, "add") == 0 && isTabletEventNode(d)) {
        mFirstProblem.clear();
        openDevice(syspath, QString::fromLocal8Bit(udev_device_get_devnode(d)));
        if (!mFirstProblem.isEmpty())
            tellOnce(mFirstProblem);
    } else if (action && std::strcmp(action, "remove") == 0) {
        closeDevice(syspath);
    }
    udev_device_unref(d);
}

void TabletMonitor::deliver(const Device &device, const std::vector<ToolProximityChange> &changes)
{
    for (const ToolProximityChange &c : changes)
        dispatch(TabletMonitorEvent(writeTabletProximityRec(recordFor(c, device.info))));
}

void TabletMonitor::tellOnce(const QString &why)
{
    if (mTold)
        return;
    mTold = true;
    qCWarning(lcTablet).noquote() << tr("tablet monitor: %1").arg(why);
}
