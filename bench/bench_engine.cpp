// The picture engine under a long pen session (bench/PenSession.h) replayed into a document
// window as `inkpond --replay` does it, on sheets from 600² to 16384²; the undo of the newest of
// ten strokes, and the opening of a window, on a 16384² sheet; 4000 undo and redo steps through
// ten strokes on 600² and 4096² sheets; ten strokes on the largest sheet;
// the window's delay in answering while a large picture is saved;
// and, where libmypaint is found, its brush engine painting the same samples.
//
// peak_rss_MB is the process's peak so far: run one size per process (run_engine.sh does) for
// the figure of that size alone.
#include "BenchMain.h"
#include "BenchPicture.h"
#include "CanvasDialogs.h"
#include "DocumentController.h"
#include "InkpondDocument.h"
#include "PenSession.h"
#include "Preferences.h"
#include "SessionReplayer.h"
#include "TabletApplication.h"
#include "WTView.h"

#ifdef INKPOND_HAVE_MYPAINT
#include "MyPaintRate.h"
#endif

#include <QPaintEvent>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point from)
{
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// Documents as the application makes them, with standard preferences in a folder of their own.
class Documents
{
public:
    Documents()
    {
        Preferences::resetStandard(mSettings.filePath(QStringLiteral("Inkpond.conf")));
        mController = InkpondDocument::newDocumentController(&Preferences::standard, mDialogs);
    }

    InkpondDocument *open(int side)
    {
        auto *document = qobject_cast<InkpondDocument *>(
            mController->openUntitledDocumentAndDisplay(true, nullptr));
        if (!document || !document->canvas()
            || !document->canvas()->setSheetSize({float(side), float(side)})) {
            if (document)
                close(document);
            return nullptr;
        }
        QCoreApplication::processEvents();
        return document;
    }

    DocumentController &controller() { return *mController; }

    static void close(InkpondDocument *document)
    {
        document->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private:
    QTemporaryDir mSettings;
    CanvasDialogs mDialogs;
    std::unique_ptr<DocumentController> mController;
};

Documents &documents()
{
    static Documents instance;
    return instance;
}

// The ten short strokes alone, after the same pen set-up.
std::vector<SessionEvent> tenStrokes()
{
    std::vector<pensession::Stroke> all = pensession::strokes();
    all.erase(all.begin(), all.begin() + pensession::kLongStrokes);
    return pensession::eventsFor(all);
}

// Where the presses fall among the samples that the statistics time one by one.
std::vector<std::size_t> pressSampleIndices(const std::vector<SessionEvent> &events)
{
    std::vector<std::size_t> presses;
    std::size_t sample = 0;
    for (const SessionEvent &e : events) {
        switch (e.kind) {
        case SessionEvent::Kind::Press:
            presses.push_back(sample++);
            break;
        case SessionEvent::Kind::Move:
        case SessionEvent::Kind::Release:
        case SessionEvent::Kind::Hover:
            ++sample;
            break;
        default:
            break;
        }
    }
    return presses;
}

// The counters of replays of events, all iterations together.
void replayInto(benchmark::State &state, const std::vector<SessionEvent> &events, int side)
{
    const std::vector<std::size_t> presses = pressSampleIndices(events);
    SessionReplayer::Statistics all;
    double slowestStart = 0;
    double history = 0;
    double warnings = 0;
    for (auto _ : state) {
        state.PauseTiming();
        InkpondDocument *document = documents().open(side);
        if (!document) {
            state.SkipWithError("no document of that sheet size");
            state.counters["peak_rss_MB"] = peakMegabytes();
            return;
        }
        SessionReplayer replayer(events, document->canvas());
        state.ResumeTiming();

        replayer.replayAll();

        state.PauseTiming();
        const SessionReplayer::Statistics &stats = replayer.statistics();
        all.samples += stats.samples;
        all.wallNanoseconds += stats.wallNanoseconds;
        all.sampleNanoseconds.insert(all.sampleNanoseconds.end(), stats.sampleNanoseconds.begin(),
                                     stats.sampleNanoseconds.end());
        all.slowestNanoseconds = std::max(all.slowestNanoseconds, stats.slowestNanoseconds);
        for (std::size_t i : presses)
            if (i < stats.sampleNanoseconds.size())
                slowestStart = std::max(slowestStart, double(stats.sampleNanoseconds[i]) / 1e6);
        // Strokes the canvas could not keep would otherwise pass for fast ones.
        history = double(document->canvas()->picture().undoLayers().size());
        warnings = double(replayer.warnings().size());
        Documents::close(document);
        state.ResumeTiming();
    }
    state.counters["history"] = history;
    state.counters["warnings"] = warnings;
    state.counters["samples/s"] = all.samplesPerSecond();
    state.counters["slowest_event_ms"] = all.slowestMilliseconds();
    state.counters["slowest_start_ms"] = slowestStart;
    state.counters["p99_ms"] = all.percentileMilliseconds(99);
    state.counters["peak_rss_MB"] = peakMegabytes();
#ifdef INKPOND_HAVE_MYPAINT
    if (const double theirs = libMyPaintSamplesPerSecond(); theirs > 0)
        state.counters["ratio_to_libmypaint"] = all.samplesPerSecond() / theirs;
#endif
}

void BM_ReplayPenSession(benchmark::State &state)
{
    replayInto(state, pensession::session(), int(state.range(0)));
}

void BM_TenStrokes(benchmark::State &state)
{
    replayInto(state, tenStrokes(), int(state.range(0)));
}

// Undo of the newest of ten strokes until the window is repainted, as Qt's paint cycle does it.
void BM_UndoNewest(benchmark::State &state)
{
    const std::vector<SessionEvent> strokes = tenStrokes();
    InkpondDocument *document = documents().open(int(state.range(0)));
    if (!document) {
        state.SkipWithError("no document of that sheet size");
        return;
    }
    WTView *canvas = document->canvas();
    SessionReplayer(strokes, canvas).replayAll();
    // The last stroke alone, to put back what each undo took.
    const std::vector<SessionEvent> last(strokes.end() - pensession::kShortSamples, strokes.end());
    for (auto _ : state) {
        const auto start = Clock::now();
        canvas->undo();
        QEvent request(QEvent::UpdateRequest);
        QCoreApplication::sendEvent(canvas->window(), &request);
        state.SetIterationTime(secondsSince(start));
        SessionReplayer(last, canvas).replayAll();
    }
    state.counters["history"] = double(canvas->picture().undoLayers().size());
    state.counters["peak_rss_MB"] = peakMegabytes();
    Documents::close(document);
}

// Repainted pixels of a widget, counted from its paint events.
class PaintedArea : public QObject
{
public:
    qint64 pixels = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            for (const QRect &r : static_cast<QPaintEvent *>(event)->region())
                pixels += qint64(r.width()) * r.height();
        return false;
    }
};

// 4000 steps back and forth through the history of ten strokes, each step repainted as Qt's
// paint cycle does it.
void BM_UndoRedoSteps(benchmark::State &state)
{
    InkpondDocument *document = documents().open(int(state.range(0)));
    if (!document) {
        state.SkipWithError("no document of that sheet size");
        return;
    }
    WTView *canvas = document->canvas();
    SessionReplayer(tenStrokes(), canvas).replayAll();
    const int strokes = int(canvas->core().picture().undoLayers().size());
    PaintedArea painted;
    canvas->installEventFilter(&painted);
    constexpr int kSteps = 4000;
    for (auto _ : state) {
        painted.pixels = 0;
        const auto start = Clock::now();
        for (int step = 0; step < kSteps; ++step) {
            (step / strokes) % 2 ? canvas->redo() : canvas->undo();
            QEvent request(QEvent::UpdateRequest);
            QCoreApplication::sendEvent(canvas->window(), &request);
        }
        state.SetIterationTime(secondsSince(start));
    }
    canvas->removeEventFilter(&painted);
    state.counters["repainted_px_per_step"] = double(painted.pixels) / kSteps;
    state.counters["view_px"] = double(canvas->width()) * canvas->height();
    Documents::close(document);
}

// From a new document to its window shown with a sheet of that size.
void BM_WindowShown(benchmark::State &state)
{
    const float side = float(state.range(0));
    for (auto _ : state) {
        const auto start = Clock::now();
        auto *document = qobject_cast<InkpondDocument *>(
            documents().controller().openUntitledDocumentAndDisplay(true, nullptr));
        const bool ok
            = document && document->canvas() && document->canvas()->setSheetSize({side, side});
        if (ok) {
            document->showWindows();
            QCoreApplication::processEvents();
        }
        state.SetIterationTime(secondsSince(start));
        if (document)
            Documents::close(document);
        if (!ok) {
            state.SkipWithError("no document of that sheet size");
            break;
        }
    }
    state.counters["peak_rss_MB"] = peakMegabytes();
}

// How long the window waits for its turn while a 8192² painted picture is saved as PNG on the
// save's own thread: the delay of events posted every millisecond from the save's start to its end.
void BM_EventsDuringSave(benchmark::State &state)
{
    constexpr int kSide = 8192;
    InkpondDocument *document = documents().open(kSide);
    if (!document) {
        state.SkipWithError("no document of that sheet size");
        return;
    }
    paintBenchPicture(*document->canvas()->core().picture().currentLayer(), kSide, true);
    QTemporaryDir folder;
    Document::setForegroundSaveWait(0);
    std::vector<double> delays;
    for (auto _ : state) {
        std::optional<bool> saved;
        const auto start = Clock::now();
        document->saveToURL(QUrl::fromLocalFile(folder.filePath(QStringLiteral("big.png"))),
                            QStringLiteral("PNG image"), [&saved](bool ok) { saved = ok; });
        while (!saved) {
            const auto posted = Clock::now();
            bool answered = false;
            QTimer::singleShot(0, [&answered] { answered = true; });
            while (!answered && !saved)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
            if (answered)
                delays.push_back(secondsSince(posted) * 1000.0);
            QThread::msleep(1);
        }
        state.SetIterationTime(secondsSince(start));
        if (!*saved) {
            state.SkipWithError("the save failed");
            break;
        }
    }
    Document::setForegroundSaveWait(-1);
    Documents::close(document);
    std::sort(delays.begin(), delays.end());
    if (!delays.empty()) {
        state.counters["events"] = double(delays.size());
        state.counters["median_delay_ms"] = delays[delays.size() / 2];
        state.counters["p99_delay_ms"] = delays[delays.size() * 99 / 100];
        state.counters["max_delay_ms"] = delays.back();
    }
}

#ifdef INKPOND_HAVE_MYPAINT
// libmypaint painting the 20 long strokes of the session.
void BM_LibMyPaint(benchmark::State &state)
{
    const std::vector<pensession::Stroke> strokes = pensession::longStrokes();
    std::size_t perIteration = 0;
    for (const auto &s : strokes)
        perIteration += s.size();
    double seconds = 0;
    for (auto _ : state) {
        const double took = libMyPaintSeconds(strokes, pensession::kArea);
        state.SetIterationTime(took);
        seconds += took;
    }
    state.counters["samples/s"] = double(perIteration * state.iterations()) / seconds;
    state.counters["peak_rss_MB"] = peakMegabytes();
}
#endif
} // namespace

// One registration per size, so that --benchmark_filter can run each alone.
BENCHMARK(BM_ReplayPenSession)->ArgName("side")->Arg(600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplayPenSession)->ArgName("side")->Arg(4096)->Unit(benchmark::kMillisecond);
// The old engine takes seconds per stroke start and gigabytes from here on.
BENCHMARK(BM_ReplayPenSession)
    ->ArgName("side")
    ->Arg(8192)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplayPenSession)
    ->ArgName("side")
    ->Arg(16384)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoNewest)
    ->ArgName("side")
    ->Arg(16384)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoRedoSteps)
    ->ArgName("side")
    ->Arg(600)
    ->Arg(4096)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowShown)
    ->ArgName("side")
    ->Arg(16384)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EventsDuringSave)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenStrokes)->ArgName("side")->Arg(32767)->Iterations(1)->Unit(benchmark::kMillisecond);

#ifdef INKPOND_HAVE_MYPAINT
BENCHMARK(BM_LibMyPaint)->UseManualTime()->Unit(benchmark::kMillisecond);
#endif

int main(int argc, char **argv)
{
    return runBenchmarks<TabletApplication>(argc, argv);
}
