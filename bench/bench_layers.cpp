// Painting on one layer of many: the long pen session painted on the middle one of ten painted
// 4096² layers, each stroke's dirtied rectangles composed as the view shows them (paper, every
// layer with its mode and opacity), against the same on a picture of one layer. Layers in the
// normal mode show from kept composites; with every other one in Multiply (modes:1), those
// under the current one show from one composite over the paper, those over it one by one.
#include "BenchMain.h"
#include "CanvasCore.h"
#include "Graphics.h"
#include "PenSession.h"
#include "Preferences.h"
#include "TiledImage.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <chrono>

namespace {
using Clock = std::chrono::steady_clock;
constexpr int kSide = 4096;

void press(CanvasCore &core, const pensession::Stroke &stroke, float dx)
{
    for (std::size_t i = 0; i < stroke.size(); ++i) {
        PointerSample p;
        p.position = {stroke[i].x + dx, stroke[i].y};
        p.pressure = stroke[i].pressure;
        p.isTablet = true;
        core.take(i == 0 ? SampleKind::Press
                         : i + 1 == stroke.size() ? SampleKind::Release : SampleKind::Move,
                  p);
    }
}

void BM_PaintOnOneOfManyLayers(benchmark::State &state)
{
    const int layers = int(state.range(0));
    const bool modes = state.range(1) != 0;
    const std::vector<pensession::Stroke> strokes = pensession::longStrokes();
    QTemporaryDir dir;
    Preferences store(dir.filePath(QStringLiteral("bench.conf")));
    CanvasCore core({float(kSide), float(kSide)}, store);
    core.setActiveColor(1);
    core.setBrushSize(pensession::kBrushWidth);
    core.setUndoDepth(Picture::kMaxUndoDepth);
    // Every layer painted under the strokes to come, half of them in another mode.
    for (int i = 0; i < layers; ++i) {
        if (i > 0)
            core.newLayer();
        for (std::size_t s = 0; s < strokes.size(); s += 4)
            press(core, strokes[s], float(i));
        if (i % 2) {
            LayerProperties p = core.layerProperties(i);
            p.mode = modes ? BlendMode::Multiply : BlendMode::Normal;
            p.opacity = 0.7f;
            core.setLayerProperties(i, p);
        }
    }
    core.selectLayer(layers / 2);
    QImage view(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
    const QTransform sheetToView = sheetToDevice(0, kSide);
    QObject::connect(&core, &CanvasCore::strokeDirtied, [&](const Rect &r) {
        Graphics::lockFocus(view, sheetToView);
        core.picture().drawBackgroundInRect(r);
        core.picture().renderLayersInRect(r, nullptr, true);
        Graphics::unlockFocus();
    });
    std::size_t samples = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (const pensession::Stroke &stroke : strokes) {
            press(core, stroke, 0);
            samples += stroke.size();
        }
        const double took = std::chrono::duration<double>(Clock::now() - start).count();
        seconds += took;
        state.SetIterationTime(took);
        state.PauseTiming();
        for (std::size_t i = 0; i < strokes.size(); ++i)
            core.undo();
        state.ResumeTiming();
    }
    state.counters["samples/s"] = double(samples) / seconds;
}
// What ten sparse layers of a 16384² picture hold: the tiles painted, not the sheet's area.
void BM_SparseLayersMemory(benchmark::State &state)
{
    const std::vector<pensession::Stroke> strokes = pensession::longStrokes();
    for (auto _ : state) {
        const qint64 before = TiledImage::liveTiles();
        QTemporaryDir dir;
        Preferences store(dir.filePath(QStringLiteral("bench.conf")));
        CanvasCore core({16384, 16384}, store);
        core.setActiveColor(1);
        core.setBrushSize(pensession::kBrushWidth);
        for (int i = 0; i < 10; ++i) {
            if (i > 0)
                core.newLayer();
            for (std::size_t s = i; s < strokes.size(); s += 10)
                press(core, strokes[s], float(i * 1500));
        }
        const qint64 tiles = TiledImage::liveTiles() - before;
        state.counters["layers_MiB"] = double(tiles) * TiledImage::kTileSide
            * TiledImage::kTileSide * 4 / double(1 << 20);
        state.counters["sheet_MiB_per_layer"] = 16384.0 * 16384.0 * 4 / double(1 << 20);
    }
}
} // namespace

BENCHMARK(BM_SparseLayersMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_PaintOnOneOfManyLayers)
    ->ArgNames({"layers", "modes"})
    ->Args({1, 0})
    ->Args({10, 0})
    ->Args({10, 1})
    ->UseManualTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return runBenchmarks<QGuiApplication>(argc, argv);
}
