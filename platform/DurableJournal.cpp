#include "DurableJournal.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>
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

} // namespace

DurableJournal::~DurableJournal()
{
    close();
}

bool DurableJournal::fail(const char *what)
{
    m_error = QStringLiteral("%1: %2").arg(QLatin1String(what),
                                           QString::fromLocal8Bit(std::strerror(errno)));
    return false;
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
    return true;
}

void DurableJournal::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool DurableJournal::append(const QByteArray &unit)
{
    if (m_fd < 0) {
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
    // fdatasync is enough: the size change it covers is all a reader needs.
    if (::fdatasync(m_fd) != 0)
        return fail("fdatasync");
    return true;
}

bool DurableJournal::truncate()
{
    if (m_fd < 0) {
        m_error = QStringLiteral("not open");
        return false;
    }
    if (::ftruncate(m_fd, 0) != 0)
        return fail("ftruncate");
    if (::fsync(m_fd) != 0)
        return fail("fsync");
    return true;
}
