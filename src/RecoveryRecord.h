#pragma once

#include "DurableJournal.h"
#include "SessionEvent.h"

#include <QImage>
#include <QJsonObject>
#include <QLockFile>
#include <QSize>
#include <QString>
#include <memory>
#include <vector>

// What a recovered document starts from.
struct RecoveryStart
{
    QSize size; // sheet size in points
    QJsonObject pen; // pen settings when the record (re)started
    QString path; // the file it had, empty when untitled
    QString type; // its document type name
    QImage base; // the picture it started from; null for a blank sheet
};

// The recovery record of one document being edited: a folder holding meta.json, the starting
// picture and journal.jsonl, owned through a lock that names this process, so that another running
// instance never takes it and a later start knows the owner is gone.
class RecoveryRecord
{
public:
    ~RecoveryRecord();

    // A new record in a folder of its own under root; nothing when the disk refuses.
    static std::unique_ptr<RecoveryRecord> create(const QString &root, const RecoveryStart &start,
                                                  QString *error = nullptr);

    QString folder() const { return m_folder; }

    // One finished stroke, line or command: on the disk before this returns.
    bool append(const std::vector<SessionEvent> &unit);
    // After a save or revert: the picture now on the sheet is the new start, the journal empties.
    bool restart(const RecoveryStart &start);
    // The document ended cleanly: nothing is left behind.
    void discard();

    QString errorString() const { return m_error; }

private:
    RecoveryRecord() = default;
    bool writeStart(const RecoveryStart &start);

    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    DurableJournal m_journal;
    int m_generation = 0;
    QString m_error;
};

// A record left by a process that is no longer running, read back and held locked so that no
// other instance restores it too.
struct RecoveredRecord
{
    QString folder;
    RecoveryStart start;
    std::vector<SessionEvent> events; // up to the last finished stroke
    bool damaged = false; // something could not be read; events hold what could
    QString problem;
    std::unique_ptr<QLockFile> lock;

    // Removes the record once its document is restored or the user discarded it.
    void remove();
};

// The orphaned records under root, oldest first. Records of live processes are left alone.
std::vector<std::unique_ptr<RecoveredRecord>> claimOrphanedRecords(const QString &root);

// Where this user's records live.
QString defaultRecoveryRoot();
