#include "DurableJournal.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool syncFolderOf(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

QString errnoText(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

DurableJournal::DurableJournal(ThreadStarter startThread)
    : m_startThread(std::move(startThread))
{
}

DurableJournal::~DurableJournal()
{
    close();
}

bool DurableJournal::fail(const char *what)
{
    const QString text = errnoText(what);
    std::lock_guard lock(m_mutex);
    m_error = text;
    return false;
}

QString DurableJournal::errorString() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

bool DurableJournal::open(const QString &path)
{
    close();
    const QByteArray name = QFile::encodeName(path);
    m_fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return fail("open");
    if (::fsync(m_fd) != 0 || !syncFolderOf(path)) {
        fail("fsync");
        close();
        return false;
    }
    m_written = m_synced = 0;
    m_stopping = m_syncFailed = false;
    try {
        auto loop = [this] { syncLoop(); };
        m_syncer = m_startThread ? m_startThread(loop) : std::thread(loop);
    } catch (const std::exception &) {
        // std::system_error, or std::bad_alloc for the thread's state: the journal works
        // without it, each write waiting for the disk, rather than ending the process.
    }
    return true;
}

void DurableJournal::close()
{
    if (m_syncer.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_syncer.join(); // it syncs what is left first
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

// One fdatasync covers every unit written before it began, so a burst of units costs one wait.
void DurableJournal::syncLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || m_synced < m_written; });
        if (m_synced == m_written && m_stopping)
            return;
        const quint64 target = m_written;
        lock.unlock();
        // fdatasync is enough: the size change it covers is all a reader needs.
        const bool ok = ::fdatasync(m_fd) == 0;
        const QString error = ok ? QString() : errnoText("fdatasync");
        lock.lock();
        if (!ok) {
            m_syncFailed = true;
            m_error = error;
        }
        m_synced = target;
        m_changed.notify_all();
    }
}

bool DurableJournal::write(const QByteArray &unit)
{
    if (m_fd < 0) {
        std::lock_guard lock(m_mutex);
        m_error = QStringLiteral("not open");
        return false;
    }
    const char *data = unit.constData();
    qsizetype left = unit.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail("write");
        }
        data += n;
        left -= n;
    }
    if (!m_syncer.joinable()) {
        const bool ok = ::fdatasync(m_fd) == 0;
        const QString error = ok ? QString() : errnoText("fdatasync");
        std::lock_guard lock(m_mutex);
        if (!ok) {
            m_syncFailed = true;
            m_error = error;
        }
        m_synced = ++m_written;
        return true;
    }
    {
        std::lock_guard lock(m_mutex);
        ++m_written;
    }
    m_changed.notify_all();
    return true;
}

bool DurableJournal::waitUntilDurable()
{
    std::unique_lock lock(m_mutex);
    const quint64 target = m_written;
    m_changed.wait(lock, [this, target] { return m_synced >= target || !m_syncer.joinable(); });
    return !m_syncFailed;
}

bool DurableJournal::append(const QByteArray &unit)
{
    return write(unit) && waitUntilDurable();
}

bool DurableJournal::truncate()
{
    if (m_fd < 0) {
        std::lock_guard lock(m_mutex);
        m_error = QStringLiteral("not open");
        return false;
    }
    if (!waitUntilDurable())
        return false;
    if (::ftruncate(m_fd, 0) != 0)
        return fail("ftruncate");
    if (::fsync(m_fd) != 0)
        return fail("fsync");
    return true;
}
