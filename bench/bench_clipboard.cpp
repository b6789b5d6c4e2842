// Copying a 16384 × 16384 picture to the clipboard: a few strokes on a transparent sheet, and a
// sheet painted all over. Copy as it is now (a frozen copy, nothing encoded), the PNG and TIFF a
// program then asks for, each encoded in bands, against the way it was (the whole picture
// flattened, then both formats encoded by Qt's writers at Copy). Run each in a process of its
// own for its peak memory ("peak_MB": the process's largest resident size; "picture_MB": before
// the benchmark), e.g. --benchmark_filter='^Copy/Painted$'.
#include "BenchPicture.h"
#include "ImageCodec.h"
#include "WTView.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <memory>

namespace {
constexpr int kSide = 16384;

// The picture of the PNG bands' benchmark, in a canvas.
WTView &canvas(bool painted)
{
    static std::unique_ptr<WTView> canvases[2];
    auto &c = canvases[painted ? 1 : 0];
    if (c)
        return *c;
    c = std::make_unique<WTView>(Rect {0, 0, float(kSide), float(kSide)});
    paintBenchPicture(*c->picture().currentLayer(), kSide, painted);
    return *c;
}

void copy(benchmark::State &state, bool painted)
{
    WTView &c = canvas(painted);
    state.counters["picture_MB"] = peakMegabytes();
    for (auto _ : state)
        c.copy();
    state.counters["peak_MB"] = peakMegabytes();
}

// Copy, then the format a program asks for (the time is the request's).
void retrieve(benchmark::State &state, bool painted, const char *type)
{
    WTView &c = canvas(painted);
    c.copy();
    state.counters["picture_MB"] = peakMegabytes();
    for (auto _ : state) {
        const QByteArray data = QGuiApplication::clipboard()->mimeData()->data(QLatin1String(type));
        if (data.isEmpty())
            state.SkipWithError("no data");
        state.counters["data_MB"] = double(data.size()) / (1 << 20);
    }
    state.counters["peak_MB"] = peakMegabytes();
}

// The way Copy was: flattened whole, both formats encoded at once.
void copyBefore(benchmark::State &state, bool painted)
{
    WTView &c = canvas(painted);
    state.counters["picture_MB"] = peakMegabytes();
    for (auto _ : state) {
        const std::unique_ptr<Image> p = c.core().getImageWithBG(false);
        if (!p || p->isNull()) {
            state.SkipWithError("no memory for the flattened picture");
            break;
        }
        const QByteArray tiff = ImageCodec::encode(p->qimage(), "tiff", ImageCodec::kQuality);
        const QByteArray png = ImageCodec::encode(p->qimage(), "png", ImageCodec::kQuality);
        auto *mime = new QMimeData;
        mime->setData(QStringLiteral("image/tiff"), tiff);
        mime->setData(QStringLiteral("image/png"), png);
        QGuiApplication::clipboard()->setMimeData(mime);
        state.counters["tiff_MB"] = double(tiff.size()) / (1 << 20);
        state.counters["png_MB"] = double(png.size()) / (1 << 20);
    }
    state.counters["peak_MB"] = peakMegabytes();
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (const bool painted : {false, true}) {
        const std::string name = painted ? "Painted" : "Strokes";
        benchmark::RegisterBenchmark(("Copy/" + name).c_str(), copy, painted)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
        for (const char *type : {"image/png", "image/tiff"})
            benchmark::RegisterBenchmark(
                ("Retrieve/" + name + (type[6] == 'p' ? "/png" : "/tiff")).c_str(), retrieve,
                painted, type)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1)
                ->UseRealTime();
        benchmark::RegisterBenchmark(("CopyBefore/" + name).c_str(), copyBefore, painted)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
