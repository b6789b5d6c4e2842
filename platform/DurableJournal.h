#pragma once

#include <QByteArray>
#include <QString>

// An append-only file whose every append is on the disk before append() returns, so that a killed
// process or a power cut loses at most the unit being written. Each unit goes out in one write(2),
// which a killed process cannot split; only a power cut can leave its tail cut.
class DurableJournal
{
public:
    DurableJournal() = default;
    ~DurableJournal();
    DurableJournal(const DurableJournal &) = delete;
    DurableJournal &operator=(const DurableJournal &) = delete;

    // Opens (creating it if need be) for appending; the folder is synced too, so that a new file
    // itself survives a power cut.
    bool open(const QString &path);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    QString errorString() const { return m_error; }

    // Writes the whole unit and waits for the disk.
    bool append(const QByteArray &unit);
    // Empties the file, durably.
    bool truncate();

private:
    bool fail(const char *what);

    int m_fd = -1;
    QString m_error;
};
