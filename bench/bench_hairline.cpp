// One pen sample of a stroke one point wide, on sheets 32000 and 32767 points wide: lines that
// thin are drawn where they lie on the sheet, and a sample should cost the same on both.
#include "BenchMain.h"
#include "Picture.h"

#include <QGuiApplication>
#include <QRandomGenerator>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {
constexpr int kSamplesPerStroke = 200;
constexpr float kWidth = 1.0f;

void BM_HairlineSample(benchmark::State &state)
{
    const float side = float(state.range(0));
    Picture picture(Size {side, side}, BgType::Plain);
    const Color ink {0.1f, 0.3f, 0.7f, 1.0f};
    QRandomGenerator rng(7);
    UndoLayer *snapshot = nullptr;
    Point at {side / 2, side / 2};
    double heading = 0;
    int samples = 0;
    for (auto _ : state) {
        if (samples++ % kSamplesPerStroke == 0)
            snapshot = picture.createUndoLayer(picture.currentLayer());
        heading += rng.bounded(1.0) - 0.5;
        const Point from = at;
        at = {std::clamp(float(at.x + 3 * std::cos(heading)), side / 2 - 2000, side / 2 + 2000),
              std::clamp(float(at.y + 3 * std::sin(heading)), side / 2 - 2000, side / 2 + 2000)};
        const float r = kWidth / 2 + 1;
        const Rect touched
            = integralRect({std::min(from.x, at.x) - r, std::min(from.y, at.y) - r,
                            std::abs(at.x - from.x) + 2 * r, std::abs(at.y - from.y) + 2 * r});
        picture.paintSegment(*snapshot, from, at, kWidth, touched,
                             {at.x - kWidth / 2, at.y - kWidth / 2, kWidth, kWidth}, &ink);
    }
}
} // namespace

BENCHMARK(BM_HairlineSample)->Arg(32000)->Arg(32767)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    return runBenchmarks<QGuiApplication>(argc, argv);
}
