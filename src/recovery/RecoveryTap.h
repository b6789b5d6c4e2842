#pragma once

#include "Geometry.h"
#include "SessionEvent.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class InkpondDocument;
class QTimer;
class RecoveryRecord;
class WTView;

// Keeps the recovery record of one document: its starting point, then each finished stroke,
// line or command as the lines that replay it. Pointer samples are collected as the canvas takes
// them and written when the canvas says the picture changed, so a stroke in progress is never in
// the record. Pictures are encoded on the worker; the lines are written at once.
//
// The record starts again where the document's changes are cleared (opened, reverted, cleared,
// saved) and nothing is left to undo or redo; while strokes from before a save can still be
// undone or redone the record keeps its older start, so that a restored document undoes and
// redoes the same strokes, and notes that everything up to there is saved. It goes when the tap
// does: the document was closed. The view is kept beside the start, written a moment after it
// last changed, so that a restored document shows what it showed.
class RecoveryTap : public QObject
{
    Q_OBJECT

public:
    // root: the folder of all records; worker: where pictures are encoded, one task at a time;
    // restoring: whether documents are being restored now.
    RecoveryTap(WTView *canvas, InkpondDocument *document, const QString &root, QThreadPool *worker,
                std::function<bool()> restoring);
    ~RecoveryTap() override;

    // The record's folder; empty while recording is off (the disk refused).
    QString folder() const;
    // Waits until what was appended so far, and the view, is on the disk.
    void waitUntilDurable();
    // The worker's owner is going: the record goes with it, as at a clean quit.
    void detach();

    // The pen settings as a record's start keeps them, and back.
    static QJsonObject penSettings(const WTView &canvas);
    static void applyPenSettings(WTView &canvas, const QJsonObject &pen);

private:
    void pointerInput(SessionEvent event);
    void pictureChanged(const QString &command, const QJsonValue &value);
    void changesCleared();
    void startAgain(bool blank);
    void noteSheetSize();
    void writeView();
    void append(std::vector<SessionEvent> unit);
    void fail(const QString &why);
    SessionEvent setting(const QString &name, const QJsonValue &value) const;

    QPointer<WTView> mCanvas;
    QPointer<InkpondDocument> mDocument;
    QPointer<QThreadPool> mWorker;
    std::function<bool()> mRestoring;
    std::shared_ptr<RecoveryRecord> mRecord; // shared with the worker's tasks
    // Input since the last unit: a freehand stroke in progress, or the first click of a line.
    std::vector<SessionEvent> mPending;
    // Where the stroke that a press ended stops, until the canvas says it ended.
    std::optional<std::size_t> mPendingEnd;
    QElapsedTimer mClock;
    // The sheet as a replay of the record leaves it.
    Size mSheet;
    // The disk refused: nothing more is written, what was stays until the document closes.
    bool mStopped = false;
    // A line mode other than off went into the record: the next press says the mode it finds.
    bool mLineModeNoted = false;
    QTimer *mViewWrite = nullptr; // a child: runs once the view has stayed still a moment
};
