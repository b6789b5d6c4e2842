// A 16384 × 16384 picture saved as PNG a band of rows at a time, on the caller's thread alone
// and with one or two compressing beside it, and opened again in bands and (as before) whole
// through Qt: a few strokes on a transparent sheet, and a sheet painted all over. Run each in a
// process of its own for its peak memory ("peak_MB": the process's largest resident size), the
// Save benchmarks first: they leave the files the others open.
#include "BenchMain.h"
#include "ImageCodec.h"
#include "Picture.h"
#include "PngBands.h"
#include "TiledImage.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>
#include <memory>
#include <sys/resource.h>

namespace {
constexpr int kSide = 16384;
constexpr int kBand = 256;

double peakMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void strokes(QPainter &p, int count, quint32 seed)
{
    p.setRenderHint(QPainter::Antialiasing);
    QRandomGenerator random(seed);
    for (int i = 0; i < count; ++i) {
        QPen pen(QColor::fromRgb(random.bounded(256), random.bounded(256), random.bounded(256),
                                 random.bounded(128, 256)));
        pen.setWidthF(4.0 + random.bounded(60.0));
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        p.drawLine(QPointF(random.bounded(double(kSide)), random.bounded(double(kSide))),
                   QPointF(random.bounded(double(kSide)), random.bounded(double(kSide))));
    }
}

// painted: a gradient under the whole sheet and a thousand strokes; otherwise a dozen strokes
// on a transparent sheet. Painted a band at a time, with the same strokes in every band.
std::unique_ptr<Picture> makePicture(bool painted)
{
    auto picture = std::make_unique<Picture>(Size {float(kSide), float(kSide)}, BgType::Plain);
    for (int y = 0; y < kSide; y += 1024) {
        const Rect band(0, float(y), float(kSide), 1024.0f);
        picture->currentLayer()->paint(band, band, [&](QPainter &p) {
            if (painted) {
                QLinearGradient ground(0, 0, kSide, kSide);
                ground.setColorAt(0, QColor(240, 230, 200));
                ground.setColorAt(1, QColor(90, 120, 170));
                p.fillRect(QRectF(0, 0, kSide, kSide), ground);
            }
            strokes(p, painted ? 1000 : 12, 7);
        });
    }
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
