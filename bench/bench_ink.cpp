// The ink alone: the long strokes of the pen session (bench/PenSession.h) painted through the
// canvas core, as the pen drives it, with each brush, on sheets from 600² to 32767²; and
// libmypaint painting the same samples with its nearest brush. Run with repetitions: the
// medians are the figures.
#include "BenchMain.h"
#include "CanvasCore.h"
#include "PenSession.h"
#include "PenSettings.h"
#include "Preferences.h"

#ifdef INKPOND_HAVE_MYPAINT
#include "MyPaintRate.h"
#endif

#include <QGuiApplication>
#include <QTemporaryDir>
#include <chrono>

namespace {
using Clock = std::chrono::steady_clock;

std::size_t sampleCount(const std::vector<pensession::Stroke> &strokes)
{
    std::size_t n = 0;
    for (const auto &s : strokes)
        n += s.size();
    return n;
}

// Seconds to paint the strokes into a fresh canvas of that sheet, press to release.
double inkpondSeconds(const std::vector<pensession::Stroke> &strokes, int side, BrushKind kind,
                      double *slowestStart)
{
    QTemporaryDir dir;
    Preferences store(dir.filePath(QStringLiteral("bench.conf")));
    CanvasCore core({float(side), float(side)}, store);
    core.setActiveColor(1);
    core.penSettings().setBrushKind(0, kind);
    core.setBrushSize(pensession::kBrushWidth);
    double seconds = 0;
    for (const pensession::Stroke &stroke : strokes) {
        const auto start = Clock::now();
        for (std::size_t i = 0; i < stroke.size(); ++i) {
            PointerSample p;
            p.position = {stroke[i].x, stroke[i].y};
            p.pressure = stroke[i].pressure;
            p.isTablet = true;
            core.take(i == 0 ? SampleKind::Press
                             : i + 1 == stroke.size() ? SampleKind::Release : SampleKind::Move,
                      p);
            if (i == 0)
                *slowestStart = std::max(
                    *slowestStart, std::chrono::duration<double>(Clock::now() - start).count());
        }
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    return seconds;
}

void BM_Ink(benchmark::State &state)
{
    const int side = int(state.range(0));
    const auto kind = BrushKind(state.range(1));
    const std::vector<pensession::Stroke> strokes = pensession::longStrokes();
    double seconds = 0, slowestStart = 0;
    for (auto _ : state) {
        const double took = inkpondSeconds(strokes, side, kind, &slowestStart);
        state.SetIterationTime(took);
        seconds += took;
    }
    const double rate = double(sampleCount(strokes) * state.iterations()) / seconds;
    state.counters["samples/s"] = rate;
    state.counters["slowest_start_ms"] = slowestStart * 1e3;
#ifdef INKPOND_HAVE_MYPAINT
    const double theirs = double(sampleCount(strokes))
        / libMyPaintSeconds(strokes, pensession::kArea, kind);
    state.counters["libmypaint_samples/s"] = theirs;
    state.counters["ratio_to_libmypaint"] = rate / theirs;
#endif
}

void sizesAndBrushes(benchmark::internal::Benchmark *b)
{
    for (const int side : {600, 4096, 16384, 32767})
        for (const BrushKind kind :
             {BrushKind::Pen, BrushKind::Pencil, BrushKind::Airbrush, BrushKind::Marker})
            b->Args({side, int(kind)});
}
} // namespace

BENCHMARK(BM_Ink)
    ->ArgNames({"side", "brush"})
    ->Apply(sizesAndBrushes)
    ->UseManualTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return runBenchmarks<QGuiApplication>(argc, argv);
}
