#include "SystemMemory.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <algorithm>
#include <sys/resource.h>
#include <unistd.h>

qint64 SystemMemory::available()
{
    qint64 available = -1;
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        qint64 kilobytes = 0;
        for (const QByteArray &line : meminfo.readAll().split('\n'))
            if (line.startsWith("MemAvailable:") || line.startsWith("SwapFree:"))
                kilobytes += line.simplified().split(' ').value(1).toLongLong();
        if (kilobytes > 0)
            available = kilobytes * 1024;
    }
    rlimit limit {};
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
        && statm.open(QIODevice::ReadOnly)) {
        const qint64 used = statm.readLine().split(' ').value(0).toLongLong() * ::getpagesize();
        const qint64 headroom = std::max<qint64>(0, qint64(limit.rlim_cur) - used);
        available = available < 0 ? headroom : std::min(available, headroom);
    }
    return available;
}
