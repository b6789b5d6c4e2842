// A 16384 × 16384 picture saved as PNG a band of rows at a time, on the caller's thread alone
// and with one or two compressing beside it, and opened again in bands and (as before) whole
// through Qt: a few strokes on a transparent sheet, and a sheet painted all over. Run each in a
// process of its own for its peak memory ("peak_MB": the process's largest resident size), the
// Save benchmarks first: they leave the files the others open.
#include "BenchMain.h"
#include "BenchPicture.h"
#include "ImageCodec.h"
#include "Picture.h"
#include "PngBands.h"
#include "TiledImage.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <memory>

namespace {
constexpr int kSide = 16384;
constexpr int kBand = 256;

std::unique_ptr<Picture> makePicture(bool painted)
{
    auto picture = std::make_unique<Picture>(Size {float(kSide), float(kSide)}, BgType::Plain);
    paintBenchPicture(*picture->currentLayer(), kSide, painted);
    return picture;
}

Picture &picture(bool painted)
{
    static std::unique_ptr<Picture> pictures[2];
    auto &p = pictures[painted ? 1 : 0];
    if (!p)
        p = makePicture(painted);
    return *p;
}

// Kept between runs: each benchmark runs in a process of its own for its peak memory.
QString fileFor(bool painted)
{
    QDir dir = QDir::temp();
    dir.mkpath(QStringLiteral("inkpond-bench-pngbands"));
    return dir.filePath(
        QStringLiteral("inkpond-bench-pngbands/")
        + (painted ? QStringLiteral("painted.png") : QStringLiteral("strokes.png")));
}

// Written to a file a band at a time; workers: threads compressing beside the caller's.
void save(benchmark::State &state, bool painted)
{
    const Picture &p = picture(painted);
    state.counters["picture_MB"] = peakMegabytes();
    PngBands::WriteOptions options;
    options.bandRows = kBand;
    options.workers = int(state.range(0));
    for (auto _ : state) {
        QFile file(fileFor(painted));
        QString error;
        if (!file.open(QIODevice::WriteOnly)
            || PngBands::write(
                   file, kSide, kSide,
                   [&](int top, int rows) { return p.flattenRows(top, rows, false); }, options,
                   &error)
                != PngBands::Outcome::Done)
            state.SkipWithError(qPrintable(error));
        file.close();
        state.counters["file_MB"] = double(file.size()) / (1 << 20);
    }
    state.counters["peak_MB"] = peakMegabytes();
}

// Decoded a few rows at a time straight into tiles.
void open(benchmark::State &state, bool painted)
{
    QFile file(fileFor(painted));
    if (!file.exists()) {
        state.SkipWithError("run the Save benchmark first");
        return;
    }
    for (auto _ : state) {
        file.open(QIODevice::ReadOnly);
        TiledImage tiles(Size {});
        QString error;
        if (PngBands::read(file, &tiles, {}, &error) != PngBands::Outcome::Done)
            state.SkipWithError(qPrintable(error));
        file.close();
        benchmark::DoNotOptimize(tiles.tileCount());
    }
    state.counters["peak_MB"] = peakMegabytes();
}

// Today's way: the whole picture decoded by Qt, then cut into tiles.
void openWhole(benchmark::State &state, bool painted)
{
    QFile file(fileFor(painted));
    if (!file.exists()) {
        state.SkipWithError("run the Save benchmark first");
        return;
    }
    for (auto _ : state) {
        file.open(QIODevice::ReadOnly);
        QString error;
        QImage image = ImageCodec::decode(file.readAll(), "png", &error);
        file.close();
        if (image.isNull()) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        TiledImage tiles(Size {float(image.width()), float(image.height())});
        tiles.setPixels(image);
        benchmark::DoNotOptimize(tiles.tileCount());
    }
    state.counters["peak_MB"] = peakMegabytes();
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    for (const bool painted : {false, true}) {
        const std::string name = painted ? "Painted" : "Strokes";
        benchmark::RegisterBenchmark(("Save/" + name).c_str(), save, painted)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->ArgName("workers")
            ->Arg(0)
            ->Arg(1)
            ->Arg(2)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("Open/" + name).c_str(), open, painted)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
        benchmark::RegisterBenchmark(("OpenWhole/" + name).c_str(), openWhole, painted)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
