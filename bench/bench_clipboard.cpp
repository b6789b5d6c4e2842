// Copying a 16384 × 16384 picture to the clipboard: a few strokes on a transparent sheet, and a
// sheet painted all over. Copy as it is now (a frozen copy, nothing encoded), the PNG and TIFF a
// program then asks for, each encoded in bands, against the way it was (the whole picture
// flattened, then both formats encoded by Qt's writers at Copy). Run each in a process of its
// own for its peak memory ("peak_MB": the process's largest resident size; "picture_MB": before
// the benchmark), e.g. --benchmark_filter='^Copy/Painted$'.
#include "ImageCodec.h"
#include "WTView.h"

#include <QApplication>
#include <QClipboard>
#include <QLinearGradient>
#include <QMimeData>
#include <QPainter>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>
#include <memory>
#include <sys/resource.h>

namespace {
constexpr int kSide = 16384;

double peakMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// painted: a gradient under the whole sheet and a thousand strokes; otherwise a dozen strokes
// on a transparent sheet. Painted a band at a time, as the PNG bands' benchmark paints.
WTView &canvas(bool painted)
{
    static std::unique_ptr<WTView> canvases[2];
    auto &c = canvases[painted ? 1 : 0];
    if (c)
        return *c;
    c = std::make_unique<WTView>(Rect {0, 0, float(kSide), float(kSide)});
    for (int y = 0; y < kSide; y += 1024) {
        const Rect band(0, float(y), float(kSide), 1024.0f);
        c->currentLayer()->paint(band, band, [&](QPainter &p) {
            if (painted) {
                QLinearGradient ground(0, 0, kSide, kSide);
                ground.setColorAt(0, QColor(240, 230, 200));
                ground.setColorAt(1, QColor(90, 120, 170));
                p.fillRect(QRectF(0, 0, kSide, kSide), ground);
            }
            p.setRenderHint(QPainter::Antialiasing);
            QRandomGenerator random(7);
            for (int i = 0; i < (painted ? 1000 : 12); ++i) {
                QPen pen(QColor::fromRgb(random.bounded(256), random.bounded(256),
                                         random.bounded(256), random.bounded(128, 256)));
                pen.setWidthF(4.0 + random.bounded(60.0));
                pen.setCapStyle(Qt::RoundCap);
                p.setPen(pen);
                p.drawLine(QPointF(random.bounded(double(kSide)), random.bounded(double(kSide))),
                           QPointF(random.bounded(double(kSide)), random.bounded(double(kSide))));
            }
        });
    }
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
        const std::unique_ptr<Image> p = c.getImageWithBG(false);
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
