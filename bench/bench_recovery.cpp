// What recovery adds to the end of a stroke: formatting the stroke's lines and waiting for the
// disk, for strokes of 10 to 1000 pen samples. The sheet's size plays no part: only the
// stroke's input is written.
#include "RecoveryRecord.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

std::vector<SessionEvent> seededStroke(int samples)
{
    std::vector<SessionEvent> unit;
    for (int i = 0; i < samples; ++i) {
        SessionEvent e;
        e.kind = i == 0
            ? SessionEvent::Kind::Press
            : (i + 1 == samples ? SessionEvent::Kind::Release : SessionEvent::Kind::Move);
        e.t = i * 4;
        e.pointer = QStringLiteral("pen");
        e.x = 100.0f + float(i % 300) * 3.3f;
        e.y = 2000.0f + float(i % 97) * 1.7f;
        e.pressure = 0.3f + float(i % 70) / 100.0f;
        unit.push_back(e);
    }
    return unit;
}

void BM_FinishStroke(benchmark::State &state)
{
    QTemporaryDir root;
    RecoveryStart start;
    start.size = QSize(4096, 4096);
    auto record = RecoveryRecord::create(root.path(), start);
    const auto unit = seededStroke(int(state.range(0)));
    for (auto _ : state) {
        if (!record->append(unit))
            state.SkipWithError("append failed");
    }
}
BENCHMARK(BM_FinishStroke)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
