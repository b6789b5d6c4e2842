#pragma once

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// An append-only file whose units survive a killed process as soon as write() returns, and a
// power cut once they are synced. Each unit goes out in one write(2), which a killed process
// cannot split; only a power cut can leave its tail cut. Syncing runs on a thread of the
// journal's own, so that the writer waits for the disk only when it asks to; when no thread can
// be started (a limit on threads or address space), each write syncs before it returns.
class DurableJournal
{
public:
    // Starts the syncing thread; throws as std::thread does when it cannot.
    using ThreadStarter = std::function<std::thread(std::function<void()>)>;

    // startThread: std::thread itself unless given.
    explicit DurableJournal(ThreadStarter startThread = {});
    ~DurableJournal();
    DurableJournal(const DurableJournal &) = delete;
    DurableJournal &operator=(const DurableJournal &) = delete;

    // Opens (creating it if need be) for appending; the folder is synced too, so that a new file
    // itself survives a power cut.
    bool open(const QString &path);
    void close();
    bool isOpen() const { return mFd >= 0; }
    QString errorString() const;

    // Writes the whole unit now and has it synced in the background.
    bool write(const QByteArray &unit);
    // Waits until everything written so far is on the disk; false when a sync failed.
    bool waitUntilDurable();
    // write() and waitUntilDurable().
    bool append(const QByteArray &unit);
    // Empties the file, durably.
    bool truncate();

private:
    bool fail(const char *what);
    void syncLoop();

    ThreadStarter mStartThread;
    int mFd = -1;
    std::thread mSyncer; // not joinable: writes sync themselves
    mutable std::mutex mMutex;
    std::condition_variable mChanged;
    quint64 mWritten = 0; // units written, counted
    quint64 mSynced = 0; // of which known to be on the disk
    bool mStopping = false;
    bool mSyncFailed = false;
    QString mError;
};
