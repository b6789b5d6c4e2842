// What crash recovery costs on a 4096 × 4096 sheet: the end of a stroke with and without a
// record kept (formatting the stroke's lines and writing them), the start of a stroke right
// after the previous one ended (it waits for that stroke to reach the disk), and restoring a
// record of 1000 strokes into a new window.
#include "BenchMain.h"
#include "CanvasDialogs.h"
#include "DocumentController.h"
#include "InkpondDocument.h"
#include "Preferences.h"
#include "RecoveryManager.h"
#include "RecoveryRecord.h"
#include "SessionReplayer.h"
#include "TiledImage.h"
#include "WTView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <memory>

namespace {
constexpr float kSide = 4096;
constexpr int kMoves = 20;

Point samplePoint(int stroke, int i)
{
    return {200.0f + float(i) * 40.0f,
            200.0f + float(stroke % 90) * 40.0f + 20.0f * std::sin(float(i))};
}

// Documents in windows, with or without recovery, on preferences of their own.
struct Stage
{
    explicit Stage(bool recording)
    {
        Preferences::resetStandard(dir.filePath(QStringLiteral("settings.conf")));
        controller = InkpondDocument::newDocumentController(&Preferences::standard, dialogs);
        if (recording)
            recovery = std::make_unique<RecoveryManager>(dir.filePath(QStringLiteral("records")),
                                                         *controller);
    }
    ~Stage()
    {
        recovery.reset();
        controller.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    WTView *newSheet()
    {
        auto *document = qobject_cast<InkpondDocument *>(
            controller->openUntitledDocumentAndDisplay(true, nullptr));
        WTView *canvas = document->canvas();
        canvas->setSheetSize({kSide, kSide});
        QApplication::processEvents();
        return canvas;
    }

    QTemporaryDir dir;
    CanvasDialogs dialogs;
    std::unique_ptr<DocumentController> controller;
    std::unique_ptr<RecoveryManager> recovery;
};

void mouse(WTView &canvas, QEvent::Type type, Point p)
{
    const QPointF local = SessionReplayer::widgetPointFor(canvas, p);
    QMouseEvent event(type, local, local, canvas.mapToGlobal(local),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
    QApplication::sendEvent(&canvas, &event);
}

void pressAndMove(WTView &canvas, int stroke)
{
    mouse(canvas, QEvent::MouseButtonPress, samplePoint(stroke, 0));
    for (int i = 1; i <= kMoves; ++i)
        mouse(canvas, QEvent::MouseMove, samplePoint(stroke, i));
}

void release(WTView &canvas, int stroke)
{
    mouse(canvas, QEvent::MouseButtonRelease, samplePoint(stroke, kMoves));
}

// Nearest-rank percentile of the times, in microseconds.
double percentile(std::vector<qint64> nanoseconds, double percent)
{
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const auto rank = std::size_t(std::ceil(percent / 100.0 * double(nanoseconds.size())));
    return double(nanoseconds[std::max<std::size_t>(rank, 1) - 1]) / 1000.0;
}

void BM_FinishStroke(benchmark::State &state)
{
    Stage stage(state.range(0) != 0);
    WTView &canvas = *stage.newSheet();
    int stroke = 0;
    std::vector<qint64> times;
    QElapsedTimer timer;
    for (auto _ : state) {
        state.PauseTiming();
        pressAndMove(canvas, stroke);
        state.ResumeTiming();
        timer.start();
        release(canvas, stroke++);
        times.push_back(timer.nsecsElapsed());
    }
    state.counters["median_us"] = percentile(times, 50);
    state.counters["p99_us"] = percentile(times, 99);
    state.SetLabel(state.range(0) ? "recording" : "not recording");
}
BENCHMARK(BM_FinishStroke)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(500)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// The worst case of the wait for the disk: a press at once after a release.
void BM_StartStrokeRightAfterAnother(benchmark::State &state)
{
    Stage stage(state.range(0) != 0);
    WTView &canvas = *stage.newSheet();
    int stroke = 0;
    for (auto _ : state) {
        state.PauseTiming();
        pressAndMove(canvas, stroke);
        release(canvas, stroke++);
        state.ResumeTiming();
        mouse(canvas, QEvent::MouseButtonPress, samplePoint(stroke, 0));
        state.PauseTiming();
        release(canvas, stroke++);
        state.ResumeTiming();
    }
    state.SetLabel(state.range(0) ? "recording" : "not recording");
}
BENCHMARK(BM_StartStrokeRightAfterAnother)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(100)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// A record of 1000 strokes left by a dead process, as the canvas writes them, restored.
void BM_Restore1000Strokes(benchmark::State &state)
{
    Stage stage(true);
    const QString root = stage.recovery->root();
    std::vector<SessionEvent> events;
    {
        // The strokes are written by a canvas, so that the record is exactly what one holds.
        WTView &canvas = *stage.newSheet();
        for (int stroke = 0; stroke < 1000; ++stroke) {
            pressAndMove(canvas, stroke);
            release(canvas, stroke);
        }
        stage.recovery->waitUntilWritten();
        auto records = claimOrphanedRecords(root);
        if (!records.empty()) {
            state.SkipWithError("the live record was taken");
            return;
        }
    }
    // What the killed process leaves: its record, without the lock.
    QString folder;
    for (const QString &name : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        folder = QDir(root).filePath(name);
    const QString crashed = stage.dir.filePath(QStringLiteral("crashed"));
    int restoredStrokes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QDir(crashed).removeRecursively();
        QDir().mkpath(crashed + QStringLiteral("/r"));
        for (const QString &name : QDir(folder).entryList(QDir::Files))
            if (name != QLatin1String("owner.lock"))
                QFile::copy(QDir(folder).filePath(name), crashed + QStringLiteral("/r/") + name);
        auto records = claimOrphanedRecords(crashed);
        state.ResumeTiming();
        QString error;
        InkpondDocument *document
            = records.size() == 1 ? stage.recovery->restore(*records.front(), &error) : nullptr;
        state.PauseTiming();
        if (!document) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        restoredStrokes = int(document->canvas()->picture().undoLayers().size());
        document->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["undoable"] = restoredStrokes;
}
BENCHMARK(BM_Restore1000Strokes)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The start written after an open, a revert or a save with nothing to undo: until it is on the
// disk, a crash loses the strokes made since (the file itself is safe). A drawing on a
// transparent sheet, and an opaque photograph-like picture, which compresses worst.
void BM_WriteStart(benchmark::State &state)
{
    const int side = int(kSide);
    QImage picture(side, side, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    if (state.range(0)) {
        QRandomGenerator rng(7);
        for (int y = 0; y < picture.height(); ++y) {
            auto *row = reinterpret_cast<quint32 *>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x)
                row[x] = 0xff000000u | (rng.generate() & 0x3f3f3fu) | quint32((x ^ y) & 0xc0);
        }
    } else {
        QPainter painter(&picture);
        painter.setPen(QPen(Qt::darkBlue, 6));
        for (int i = 0; i < 1000; ++i)
            painter.drawLine(QPointF(samplePoint(i, 0).x, samplePoint(i, 0).y),
                             QPointF(samplePoint(i, kMoves).x, samplePoint(i, kMoves).y));
    }
    QTemporaryDir dir;
    RecoveryStart start;
    start.size = picture.size();
    auto tiles = std::make_shared<TiledImage>(Size {float(side), float(side)});
    tiles->setPixels(picture);
    start.base = std::move(tiles);
    auto record = RecoveryRecord::createEmpty(dir.path());
    for (auto _ : state) {
        const int generation = record->beginStart(start);
        if (!record->writeStart(start, generation))
            state.SkipWithError("the start could not be written");
    }
    state.SetLabel(state.range(0) ? "opaque noise" : "strokes on transparent");
}
BENCHMARK(BM_WriteStart)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
