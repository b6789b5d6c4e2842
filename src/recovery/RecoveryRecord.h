#pragma once

#include "DurableJournal.h"
#include "SessionEvent.h"

#include <QImage>
#include <memory>
#include <QJsonObject>
#include <QJsonValue>
#include <QLockFile>
#include <QSize>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class Picture;
class TiledImage;

// What a recovered document starts from.
struct RecoveryStart
{
    QSize size; // sheet size in points
    QJsonObject pen; // pen settings when the record (re)started
    QString path; // the file it had, empty when untitled
    QString type; // its document type name
    // The picture it started from, in tiles that no one paints any more; null for a blank
    // sheet. Written and read back a band of rows at a time.
    std::shared_ptr<const TiledImage> base;
    // In its place, a picture of several layers, kept as base-N.ora: a frozen copy that no one
    // paints any more.
    std::shared_ptr<const Picture> layered;
    bool edited = false; // unsaved even before its first stroke (made from the clipboard)
    // The view it was last shown in, as a recording's "setView:" holds it; undefined in records
    // from before views were kept. Read back as it was found: the restore checks it.
    QJsonValue view;

    bool hasPicture() const { return base || layered; }
    QSize pictureSize() const;
};

// The recovery record of one document being edited: a folder holding meta.json, the starting
// picture and the journal of what changed it since, owned through a lock that names this
// process, so that another running instance never takes it and a later start knows the owner
// is gone.
//
// Each start has a generation: its picture base-N.png (base-N.ora with layers) and its journal
// journal-N.jsonl. The journal of a new start is written to at once, while its picture may still
// be encoding on another thread; meta.json switches to both in one step once the picture is on
// the disk. A crash in between leaves the previous start whole. The first start has no previous
// one: its description is written at once, so that its strokes can be read before its picture is.
class RecoveryRecord
{
public:
    ~RecoveryRecord();

    // A new record in a folder of its own under root, started from start; nothing when the
    // disk refuses.
    static std::unique_ptr<RecoveryRecord> create(const QString &root, const RecoveryStart &start,
                                                  QString *error = nullptr);
    // The same, without a start yet: beginStart() and writeStart() give it one.
    static std::unique_ptr<RecoveryRecord> createEmpty(const QString &root,
                                                       QString *error = nullptr);

    QString folder() const { return mFolder; }

    // A new start: later appends go to its fresh journal. Returns its generation, 0 on failure.
    int beginStart(const RecoveryStart &start);
    // The start's picture, then the description naming it and its journal; the previous start's
    // files go. Slow for a big picture: may run on a worker thread, one call at a time.
    bool writeStart(const RecoveryStart &start, int generation);
    // Both at once.
    bool restart(const RecoveryStart &start);
    // The document's file or type changed: the description says so. Worker side.
    bool writeDocumentInfo(const QString &path, const QString &type);
    // The view changed: the description says so from now on, in later starts too. Worker side.
    bool writeView(const QJsonValue &view);

    // One finished stroke, line or command, as lines: written at once, so that a killed process
    // keeps it, and synced to the disk in the background.
    bool append(const std::vector<SessionEvent> &unit);
    // Waits until every unit appended so far is on the disk.
    bool waitUntilDurable();
    // The document ended cleanly: nothing is left behind. After the last writeStart().
    void discard();

    QString errorString() const;
    // A write failed, on either side: the record holds what came before, and no more.
    bool isBroken() const { return mBroken; }

private:
    RecoveryRecord() = default;
    bool fail(const QString &why);
    // The description with these entries changed, written durably when anything changed.
    bool updateMeta(const QJsonObject &changes);

    QString mFolder;
    QByteArray mId; // in the description and on every line of the journal
    std::unique_ptr<QLockFile> mLock;
    // Writer side.
    DurableJournal mJournal;
    int mGeneration = 0;
    qint64 mJournalSize = 0; // bytes of whole units in the journal
    // Worker side: the description as last written, and the view it holds.
    QJsonObject mMeta;
    QJsonValue mView;
    std::atomic<bool> mBroken = false;
    mutable std::mutex mErrorMutex;
    QString mError;
};

// A record left by a process that is no longer running, read back and held locked so that no
// other instance restores it too.
struct RecoveredRecord
{
    QString folder;
    RecoveryStart start;
    std::vector<SessionEvent> events; // up to the last finished stroke
    bool readable = false; // there is a sheet to restore onto
    bool damaged = false; // something could not be read; the rest holds what could
    QString problem; // what could not be read, for the user
    std::unique_ptr<QLockFile> lock;

    // Whether restoring it brings back anything unsaved.
    bool hasUnsavedWork() const;
    // Removes the record's own files and then its folder, once its document is restored or the
    // user discarded it. Nothing it did not make goes, and no link is followed.
    void remove();
};

// The orphaned records under root, oldest first. Records of live processes are left alone.
std::vector<std::unique_ptr<RecoveredRecord>> claimOrphanedRecords(const QString &root);

// Where this user's records live.
QString defaultRecoveryRoot();
