// The demo session (resources/demo/demo.jsonl) replayed end to end into a document window, as
// `inkpond --replay` does it, on a 600 × 600 and a 4096 × 4096 sheet: every event through Qt's
// event dispatch, the window repainted once per display frame. Each iteration replays the whole
// demo into a fresh document; the counters give the pen samples per second of wall time and the
// 99th-percentile delivery time of one sample.
#include "BenchMain.h"
#include "CanvasDialogs.h"
#include "DocumentController.h"
#include "InkpondDocument.h"
#include "Preferences.h"
#include "SessionEvent.h"
#include "SessionReplayer.h"
#include "TabletApplication.h"
#include "WTView.h"

#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace {
std::vector<SessionEvent> demo()
{
    QFile file(QStringLiteral(INKPOND_DEMO_SESSION));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    SessionReadResult read = readSession(file);
    return read.ok() ? std::move(read.events) : std::vector<SessionEvent> {};
}

void BM_ReplayDemo(benchmark::State &state)
{
    const std::vector<SessionEvent> events = demo();
    if (events.empty()) {
        state.SkipWithError("the demo session cannot be read");
        return;
    }
    const float side = float(state.range(0));
    QTemporaryDir settings;
    Preferences::resetStandard(settings.filePath(QStringLiteral("Inkpond.conf")));
    CanvasDialogs dialogs;
    const std::unique_ptr<DocumentController> controller
        = InkpondDocument::newDocumentController(&Preferences::standard, dialogs);
    DocumentController &documents = *controller;
    double wallSeconds = 0;
    std::int64_t samples = 0;
    std::vector<qint64> perSample;
    for (auto _ : state) {
        state.PauseTiming();
        auto *document = qobject_cast<InkpondDocument *>(
            documents.openUntitledDocumentAndDisplay(true, nullptr));
        if (!document || !document->canvas() || !document->canvas()->setSheetSize({side, side})) {
            state.SkipWithError("no document of that sheet size");
            return;
        }
        QCoreApplication::processEvents();
        SessionReplayer replayer(events, document->canvas());
        state.ResumeTiming();

        replayer.replayAll();

        state.PauseTiming();
        const SessionReplayer::Statistics &stats = replayer.statistics();
        wallSeconds += double(stats.wallNanoseconds) / 1e9;
        samples += stats.samples;
        perSample.insert(perSample.end(), stats.sampleNanoseconds.begin(),
                         stats.sampleNanoseconds.end());
        document->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    SessionReplayer::Statistics all;
    all.samples = int(samples);
    all.sampleNanoseconds = std::move(perSample);
    state.counters["samples/s"] = wallSeconds > 0 ? double(samples) / wallSeconds : 0.0;
    state.counters["median_ms"] = all.percentileMilliseconds(50);
    state.counters["p99_ms"] = all.percentileMilliseconds(99);
}
} // namespace

BENCHMARK(BM_ReplayDemo)->ArgName("side")->Arg(600)->Arg(4096)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return runBenchmarks<TabletApplication>(argc, argv);
}
