// Saving: the contents encoded from how they were when the save began, written to a temporary
// file that replaces the old one only once complete, on a thread of its own so that the window
// stays alive during a long save.
#include "Document.h"
#include "LocalFile.h"

#include <QApplication>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

// A save running on its own thread. Whoever ends it early cancels it and waits: the thread may
// still be writing into the temporary file.
struct Document::SaveInProgress
{
    ~SaveInProgress()
    {
        cancelled = true;
        if (thread)
            thread->wait();
    }

    std::unique_ptr<QThread> thread;
    std::atomic<bool> cancelled {false};
    std::atomic<int> percentShown {-1};
    // Written by the thread before it ends, read once it has.
    bool succeeded = false;
    QString error;
    // The edits up to the save's start are what it saves.
    int changeCountAtStart = 0;
    bool otherContentsAtStart = false;
    quint64 serial = 0;
    bool announced = false; // savingChanged(true) was said
};

// Here, where a save in progress is known: it ends before the document does.
Document::Document(QObject *parent)
    : QObject(parent)
{
}

Document::~Document()
{
    if (mWindow)
        mWindow->removeEventFilter(this);
}

namespace {
constexpr int kSaveNiceness = 10;
int sForegroundWait = 100;
quint64 sSaveSerial = 0;

// Renaming over a device or pipe, even one reached through a link, would replace it; QFileInfo
// counts devices as files.
bool isSpecialFile(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode);
}
} // namespace

bool Document::writeWorkToFile(const QString &path, const SaveWork &work,
                               const std::function<bool(double)> &progress, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (isSpecialFile(path))
        return fail(tr("It is not a regular file."));
    // Qt writes names as UTF-8: bytes that are not would name another file.
    if (LocalFile::encodeName(path) != QFile::encodeName(path))
        return fail(tr("Its name cannot be written back as it is; use Save As to choose another."));
    const std::function<bool(double)> told = progress ? progress : [](double) { return true; };
    QSaveFile file(path);
    // Unbuffered, so a write the disk refuses fails at once: QSaveFile does not see a failure
    // in the flush at commit and would put a short file in place of the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(file.errorString());
    QString why;
    // A save cancelled after the last byte is written still leaves the old file.
    if (!work(file, told, &why) || !told(1.0)) {
        file.cancelWriting();
        return fail(why.isEmpty() ? file.errorString() : why);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

void Document::setForegroundSaveWait(int milliseconds)
{
    sForegroundWait = milliseconds;
}

Document::SaveWork Document::saveWork(const QString &typeName, QString *error)
{
    QString why;
    const QByteArray data = dataOfType(typeName, &why);
    if (data.isEmpty()) {
        if (error)
            *error = why.isEmpty() ? tr("Its contents could not be written as %1.").arg(typeName)
                                   : why;
        return {};
    }
    return [data](QIODevice &out, const std::function<bool(double)> &, QString *) {
        return out.write(data) == data.size();
    };
}

bool Document::writeToURL(const QUrl &url, const QString &typeName, QString *error)
{
    QString why;
    const SaveWork work = saveWork(typeName, &why);
    if (!work || !writeWorkToFile(url.toLocalFile(), work, {}, &why)) {
        if (error)
            *error = why;
        return false;
    }
    return true;
}

void Document::cancelSave()
{
    if (mSave)
        mSave->cancelled = true;
}

void Document::saveToURL(const QUrl &url, const QString &typeName, Completion done)
{
    if (mSave) { // one at a time, in the order asked
        mAfterSave.push_back([this, url, typeName, done] { saveToURL(url, typeName, done); });
        return;
    }
    QString error;
    const SaveWork work = saveWork(typeName, &error);
    if (!work) {
        auto save = std::make_unique<SaveInProgress>();
        save->error = error;
        mSave = std::move(save);
        saveEnded(url, typeName, done);
        return;
    }
    auto save = std::make_unique<SaveInProgress>();
    SaveInProgress *s = save.get();
    s->changeCountAtStart = mChangeCount;
    s->otherContentsAtStart = mReadOtherContents;
    s->serial = ++sSaveSerial;
    const QString path = url.toLocalFile();
    const std::function<void()> run = [this, s, path, work] {
        const auto progress = [this, s](double fraction) {
            const int percent = int(std::clamp(fraction, 0.0, 1.0) * 100);
            if (s->percentShown.exchange(percent) != percent)
                QMetaObject::invokeMethod(
                    this, [this, fraction] { emit saveProgressed(fraction); },
                    Qt::QueuedConnection);
            return !s->cancelled;
        };
        s->succeeded = writeWorkToFile(path, work, progress, &s->error);
        if (s->cancelled) {
            s->succeeded = false;
            s->error = tr("The save was cancelled.");
        }
    };
    s->thread.reset(QThread::create([run] {
        // Below the window's thread, so that drawing and the keys go first on a busy machine;
        // threads the save starts inherit it.
        setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), kSaveNiceness);
        run();
    }));
    const quint64 serial = s->serial;
    connect(s->thread.get(), &QThread::finished, this, [this, serial, url, typeName, done] {
        if (mSave && mSave->serial == serial)
            saveEnded(url, typeName, done);
    });
    mSave = std::move(save);
    s->thread->start();
    if (!s->thread->isRunning() && !s->thread->isFinished()) {
        // No thread to be had: saved here, as in the days before threads.
        s->thread.reset();
        run();
        saveEnded(url, typeName, done);
        return;
    }
    // A small save is over before anyone could see it run: it ends here, as it always did.
    if (s->thread->wait(sForegroundWait < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                            : QDeadlineTimer(sForegroundWait))) {
        saveEnded(url, typeName, done);
        return;
    }
    s->announced = true;
    emit savingChanged(true);
}

void Document::saveEnded(const QUrl &url, const QString &typeName, Completion done)
{
    const std::unique_ptr<SaveInProgress> save = std::move(mSave);
    if (save->thread)
        save->thread->wait();
    if (save->announced)
        emit savingChanged(false);
    const auto next = [this, done](bool succeeded) {
        if (done)
            done(succeeded);
        runAfterSave();
    };
    if (save->succeeded) {
        setFileURL(url);
        setFileType(typeName);
        const int since = mChangeCount - save->changeCountAtStart;
        const bool otherSince = mReadOtherContents && !save->otherContentsAtStart;
        if (since == 0 && !otherSince) {
            updateChangeCount(ChangeCleared);
        } else {
            // Edited while it was saved: the file holds the picture as it was at the start, and
            // what was done since is still unsaved.
            const bool wasEdited = isDocumentEdited();
            mChangeCount = since;
            mReadOtherContents = otherSince;
            if (wasEdited != isDocumentEdited())
                emit documentEditedChanged(isDocumentEdited());
            synchronizeWindowTitleWithDocumentName();
        }
        next(true);
        return;
    }
    if (save->cancelled) { // the user stopped it: nothing to report
        next(false);
        return;
    }
    const QString fileName = QFileInfo(url.toLocalFile()).fileName();
    const QString message = url == mFileURL
        ? tr("The document “%1” could not be saved.").arg(displayName())
        : tr("The document “%1” could not be saved as “%2”.").arg(displayName(), fileName);
    presentError(message, save->error, [next] { next(false); });
}

void Document::runAfterSave()
{
    while (!mAfterSave.empty() && !mSave) {
        const std::function<void()> waiting = std::move(mAfterSave.front());
        mAfterSave.erase(mAfterSave.begin());
        waiting();
    }
}
