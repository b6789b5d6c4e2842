#pragma once

#include "EvdevToolDecoder.h"
#include "TabletProximityRecord.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class QSocketNotifier;
struct udev;
struct udev_monitor;

inline constexpr int noErr = 0;
inline constexpr int paramErr = -50;
inline constexpr int eventParameterNotFoundErr = -9870;

// One proximity change as the monitor hands it to its handlers.
class TabletMonitorEvent
{
public:
    explicit TabletMonitorEvent(QByteArray proximityRecord)
        : mRecord(std::move(proximityRecord))
    {
    }
    // Copies the proximity record into buffer; noErr only when it has exactly size bytes.
    int getProximityRecord(void *buffer, qsizetype size) const;

private:
    QByteArray mRecord;
};

using TabletEventHandler = int (*)(const TabletMonitorEvent &event, void *userData);
using TabletEventHandlerRef = quint64; // 0 is no registration

// Watches the kernel's tablet devices directly, for drivers and tablets that tell Qt nothing
// about which tool is near. Devices are found through udev, followed as they are plugged in
// and out, and read without blocking on the main thread. Reading /dev/input needs the input
// group, which also exposes every keyboard, so nothing is opened until start() is called.
class TabletMonitor : public QObject
{
    Q_OBJECT

public:
    explicit TabletMonitor(QObject *parent = nullptr);
    ~TabletMonitor() override;

    int installEventHandler(TabletEventHandler handler, void *userData,
                            TabletEventHandlerRef *outRef);
    void removeEventHandler(TabletEventHandlerRef ref);
    // Hands the event to every installed handler, in order of installation.
    void dispatch(const TabletMonitorEvent &event);

    // Opens the tablets present and follows hot-plugging. When none can be opened it says why,
    // once, on standard error; it never stops the program.
    void start();
    bool isStarted() const { return mStarted; }

    // What the device knows of itself, for its proximity records.
    struct DeviceInfo
    {
        quint16 vendorID = 0;
        quint16 productID = 0;
        quint16 index = 0; // 1 for the first device opened, and so on
        quint32 capabilityMask = 0;
    };
    static TabletProximityRec recordFor(const ToolProximityChange &change,
                                        const DeviceInfo &device);

private:
    struct Device;

    void openDevice(const QString &syspath, const QString &devnode);
    void closeDevice(const QString &syspath);
    void readDevice(Device *device);
    void readHotplug();
    void deliver(const Device &device, const std::vector<ToolProximityChange> &changes);
    void tellOnce(const QString &why);

    struct Handler
    {
        TabletEventHandlerRef ref;
        TabletEventHandler handler;
        void *userData;
    };
    std::vector<Handler> mHandlers;
    TabletEventHandlerRef mNextRef = 1;

    udev *mUdev = nullptr;
    udev_monitor *mHotplug = nullptr;
    QSocketNotifier *mHotplugNotifier = nullptr; // a child
    std::vector<std::unique_ptr<Device>> mDevices;
    quint16 mNextIndex = 1;
    bool mStarted = false;
    QString mFirstProblem;
    bool mTold = false;
};
