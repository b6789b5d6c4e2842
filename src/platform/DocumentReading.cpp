// Reading: a document's file decoded on a thread of its own, so that the other windows go on
// answering while a large picture opens, with its progress and Cancel once it lasts.
#include "Document.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
constexpr int kReadNiceness = 10;
// After this long a read shows its progress.
constexpr int kProgressDelay = 500;
int sForegroundReadWait = 100;

struct ReadState
{
    std::atomic<bool> cancelled {false};
    std::atomic<int> percentShown {-1};
    std::atomic<QProgressDialog *> dialog {nullptr};
    // Written by the thread before it ends, read once it has.
    bool succeeded = false;
    QString error;
};
} // namespace

void Document::setForegroundReadWait(int milliseconds)
{
    sForegroundReadWait = milliseconds;
}

bool Document::readInBackground(const QString &label, const ReadWork &work, QString *error)
{
    mReadCancelled = false;
    ReadState state;
    const std::function<void()> run = [&state, work] {
        const auto progress = [&state](double fraction) {
            const int percent = int(std::clamp(fraction, 0.0, 1.0) * 100);
            if (state.percentShown.exchange(percent) != percent)
                if (QProgressDialog *dialog = state.dialog.load())
                    QMetaObject::invokeMethod(
                        dialog, [dialog, percent] { dialog->setValue(percent); },
                        Qt::QueuedConnection);
            return !state.cancelled;
        };
        state.succeeded = work(progress, &state.error);
    };
    const std::unique_ptr<QThread> thread(QThread::create([run] {
        // Below the windows' thread, so that they go first on a busy machine.
        setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), kReadNiceness);
        run();
    }));
    thread->start();
    if (!thread->isRunning() && !thread->isFinished()) {
        run(); // no thread to be had: read here, as in the days before threads
    } else if (!thread->wait(sForegroundReadWait < 0
                                 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                 : QDeadlineTimer(sForegroundReadWait))) {
        // No window of the document exists yet: the dialog is the application's.
        QProgressDialog dialog(label, tr("Cancel"), 0, 100);
        dialog.setObjectName(QStringLiteral("readProgress"));
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.setAutoReset(false);
        dialog.setAutoClose(false);
        dialog.setMinimumDuration(std::max(0, kProgressDelay - std::max(0, sForegroundReadWait)));
        dialog.setValue(std::max(0, state.percentShown.load()));
        QObject::connect(&dialog, &QProgressDialog::canceled, &dialog,
                         [&state] { state.cancelled = true; });
        state.dialog = &dialog;
        QEventLoop loop;
        QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
        if (!thread->isFinished())
            loop.exec();
        // The loop may also end because the application quits: the read stops then.
        if (!thread->isFinished())
            state.cancelled = true;
        state.dialog = nullptr;
        thread->wait();
    }
    thread->wait();
    if (state.cancelled) {
        mReadCancelled = true;
        if (error)
            error->clear();
        return false;
    }
    if (!state.succeeded && error)
        *error = state.error;
    return state.succeeded;
}
