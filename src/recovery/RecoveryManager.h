#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QThreadPool>
#include <memory>
#include <vector>

class DocumentController;
class InkpondDocument;
class RecoveryTap;
struct RecoveredRecord;

// Crash recovery for the whole process: keeps a record of every document whose window is open
// (RecoveryTap), and at start offers to restore the documents of a process that ended without
// quitting. A clean end of the manager leaves no record behind.
class RecoveryManager : public QObject
{
    Q_OBJECT

public:
    // Keeps the records of the documents the controller opens, from when each has its window.
    // The controller outlives the manager.
    RecoveryManager(const QString &root, DocumentController &documents, QObject *parent = nullptr);
    ~RecoveryManager() override;

    QString root() const { return mRoot; }
    // Encodes starting pictures and rewrites descriptions, one task at a time, in order.
    QThreadPool *worker() { return &mWorker; }
    bool isRestoring() const { return mRestoring; }

    // Starts keeping the record of a document whose window was just made.
    void watch(InkpondDocument *document);
    // Waits until every record is written, pictures included.
    void waitUntilWritten();

    // At start: asks whether to restore, discard or keep for later the documents that a process
    // left, and does so. Asks nothing when there are none. True when any was restored.
    bool offerRestore();
    // Opens the record as an edited document in a window of its own; nullptr, with the reason,
    // when it cannot be. The record itself stays until the caller removes it.
    InkpondDocument *restore(RecoveredRecord &record, QString *error);
    // inkpond --recover-to FOLDER: each document left behind is restored, saved into the folder
    // as recovered-N.png and closed. The exit status: 0 when all were saved.
    int recoverTo(const QString &folder);

    // A record's name for the user: its file's name, or "Untitled".
    static QString displayName(const RecoveredRecord &record);

private:
    std::vector<std::unique_ptr<RecoveredRecord>> claimUnsaved();
    bool restoreAll(std::vector<std::unique_ptr<RecoveredRecord>> &records);
    void keepUntilSaved(std::unique_ptr<RecoveredRecord> record, InkpondDocument *document);

    QString mRoot;
    DocumentController &mDocuments;
    QThreadPool mWorker;
    bool mRestoring = false;
    std::vector<QPointer<RecoveryTap>> mTaps;
};
