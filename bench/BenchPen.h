#pragma once

// What the canvas benchmarks share: a tablet pen for their events and a wall clock.
#include <QApplication>
#include <QPointingDevice>
#include <chrono>

using BenchClock = std::chrono::steady_clock;

inline double secondsSince(BenchClock::time_point from)
{
    return std::chrono::duration<double>(BenchClock::now() - from).count();
}

// Owned by the application, which outlives every event that names it.
inline const QPointingDevice *benchPen()
{
    static const QPointingDevice *device = new QPointingDevice(
        QStringLiteral("bench pen"), 1, QInputDevice::DeviceType::Stylus,
        QPointingDevice::PointerType::Pen,
        QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 3, QString(),
        QPointingDeviceUniqueId(), qApp);
    return device;
}
