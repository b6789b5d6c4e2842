#pragma once

#include <QFile>
#include <QString>

struct SessionEvent;

// Appends the lines of a recording to a file. Each line leaves the process as soon as it is
// written, so a crash loses at most the line being written; with syncToDisk each line also
// reaches the disk before write() returns, which survives a system crash as well.
class SessionWriter
{
public:
    enum class Durability {
        Flush, // handed to the operating system
        SyncToDisk, // and forced to the disk (fsync)
    };

    SessionWriter() = default;
    ~SessionWriter();
    SessionWriter(const SessionWriter &) = delete;
    SessionWriter &operator=(const SessionWriter &) = delete;

    // Creates or truncates the file. False, with errorString(), when it cannot be written.
    bool open(const QString &path, Durability durability = Durability::Flush);
    bool isOpen() const { return mFile.isOpen(); }
    QString fileName() const { return mFile.fileName(); }

    Durability durability() const { return mDurability; }
    void setDurability(Durability durability) { mDurability = durability; }

    // One event as one line. After the first failure (a full disk) nothing more is written and
    // every call answers false.
    bool write(const SessionEvent &event);
    // Forces what was written to the disk, whatever the durability.
    bool syncToDisk();
    void close();

    bool failed() const { return mFailed; }
    QString errorString() const { return mError; }

private:
    bool fail(const QString &why);

    QFile mFile;
    Durability mDurability = Durability::Flush;
    bool mFailed = false;
    QString mError;
};
