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
    : mStartThread(std::move(startThread))
{
}

DurableJournal::~DurableJournal()
{
    close();
}

bool DurableJournal::fail(const char *what)
{
    const QString text = errnoText(what);
    std::lock_guard lock(mMutex);
    mError = text;
    return false;
}

QString DurableJournal::errorString() const
{
    std::lock_guard lock(mMutex);
    return mError;
}

bool DurableJournal::open(const QString &path)
{
    close();
    const QByteArray name = QFile::encodeName(path);
    mFd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (mFd < 0)
        return fail("open");
    if (::fsync(mFd) != 0 || !syncFolderOf(path)) {
        fail("fsync");
        close();
        return false;
    }
    mWritten = mSynced = 0;
    mStopping = mSyncFailed = false;
    try {
        auto loop = [this] { syncLoop(); };
        mSyncer = mStartThread ? mStartThread(loop) : std::thread(loop);
    } catch (const std::exception &) {
        // std::system_error, or std::bad_alloc for the thread's state: the journal works
        // without it, each write waiting for the disk, rather than ending the process.
    }
    return true;
}

void DurableJournal::close()
{
    if (mSyncer.joinable()) {
        {
            std::lock_guard lock(mMutex);
            mStopping = true;
        }
        mChanged.notify_all();
        mSyncer.join(); // it syncs what is left first
    }
    if (mFd >= 0)
        ::close(mFd);
    mFd = -1;
}

// One fdatasync covers every unit written before it began, so a burst of units costs one wait.
void DurableJournal::syncLoop()
{
    std::unique_lock lock(mMutex);
    for (;;) {
        mChanged.wait(lock, [this] { return mStopping || mSynced < mWritten; });
        if (mSynced == mWritten && mStopping)
            return;
        const quint64 target = mWritten;
        lock.unlock();
        // fdatasync is enough: the size change it covers is all a reader needs.
        const bool ok = ::fdatasync(mFd) == 0;
        const QString error = ok ? QString() : errnoText("fdatasync");
        lock.lock();
        if (!ok) {
            mSyncFailed = true;
            mError = error;
        }
        mSynced = target;
        mChanged.notify_all();
    }
}

bool DurableJournal::write(const QByteArray &unit)
{
    if (mFd < 0) {
        std::lock_guard lock(mMutex);
        mError = QStringLiteral("not open");
        return false;
    }
    const char *data = unit.constData();
    qsizetype left = unit.size();
    while (left > 0) {
        const ssize_t n = ::write(mFd, data, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail("write");
        }
        data += n;
        left -= n;
    }
    if (!mSyncer.joinable()) {
        const bool ok = ::fdatasync(mFd) == 0;
        const QString error = ok ? QString() : errnoText("fdatasync");
        std::lock_guard lock(mMutex);
        if (!ok) {
            mSyncFailed = true;
            mError = error;
        }
        mSynced = ++mWritten;
        return true;
    }
    {
        std::lock_guard lock(mMutex);
        ++mWritten;
    }
    mChanged.notify_all();
    return true;
}

bool DurableJournal::waitUntilDurable()
{
    std::unique_lock lock(mMutex);
    const quint64 target = mWritten;
    mChanged.wait(lock, [this, target] { return mSynced >= target || !mSyncer.joinable(); });
    return !mSyncFailed;
}

bool DurableJournal::append(const QByteArray &unit)
{
    return write(unit) && waitUntilDurable();
}

bool DurableJournal::truncate()
{
    if (mFd < 0) {
        std::lock_guard lock(mMutex);
        mError = QStringLiteral("not open");
        return false;
    }
    if (!waitUntilDurable())
        return false;
    if (::ftruncate(mFd, 0) != 0)
        return fail("ftruncate");
    if (::fsync(mFd) != 0)
        return fail("fsync");
    return true;
}
