// A ten-layer 4096 × 4096 picture, each layer a scatter of painted rectangles, saved as OpenRaster
// (with its merged picture made a band at a time through the layers' blend modes) and opened
// again; and the blend of one row in each mode. Save runs first: Open reads its file.
#include "BenchPicture.h"
#include "BlendMode.h"
#include "OpenRaster.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>

namespace {
constexpr int kSide = 4096;
constexpr int kLayers = 10;

OraPicture &picture()
{
    static OraPicture p;
    if (!p.layers.empty())
        return p;
    p.width = p.height = kSide;
    QRandomGenerator random(11);
    for (int i = 0; i < kLayers; ++i) {
        OraLayer layer;
        layer.name = QStringLiteral("Layer %1").arg(i + 1);
        layer.mode = BlendMode(i % 6);
        layer.opacity = i % 3 == 0 ? 0.6f : 1.0f;
        layer.image = std::make_unique<TiledImage>(Size {float(kSide), float(kSide)});
        for (int r = 0; r < 40; ++r) {
            const Rect rect(float(random.bounded(kSide - 600)), float(random.bounded(kSide - 600)),
                            float(50 + random.bounded(550)), float(50 + random.bounded(550)));
            const QColor colour = QColor::fromRgb(random.bounded(256), random.bounded(256),
                                                  random.bounded(256), random.bounded(96, 256));
            layer.image->paint(rect, [&](QPainter &painter) {
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setBrush(colour);
                painter.setPen(Qt::NoPen);
                painter.drawEllipse(QRectF(rect.x(), rect.y(), rect.width(), rect.height()));
            });
        }
        p.layers.push_back(std::move(layer));
    }
    return p;
}

// Rows of the layers composited onto white, bottom layer first.
QImage mergedRows(const OraPicture &p, int top, int rows)
{
    QImage band(p.width, rows, QImage::Format_ARGB32_Premultiplied);
    QImage layerRows(p.width, rows, QImage::Format_ARGB32_Premultiplied);
    band.fill(Qt::white);
    for (auto layer = p.layers.rbegin(); layer != p.layers.rend(); ++layer) {
        if (!layer->visible)
            continue;
        layer->image->readPixels(QRect(0, p.height - top - rows, p.width, rows), layerRows, 0, 0);
        for (int y = 0; y < rows; ++y)
            blendRow(reinterpret_cast<quint32 *>(band.scanLine(y)),
                     reinterpret_cast<const quint32 *>(layerRows.constScanLine(y)), p.width,
                     layer->mode, int(layer->opacity * 255.0f + 0.5f));
    }
    return band;
}

QString file()
{
    return QDir::temp().filePath(QStringLiteral("inkpond-bench-ora.ora"));
}

void save(benchmark::State &state)
{
    const OraPicture &p = picture();
    std::size_t tiles = 0;
    for (const OraLayer &layer : p.layers)
        tiles += layer.image->tileCount();
    state.counters["tiles"] = double(tiles);
    for (auto _ : state) {
        QString error;
        if (OpenRaster::write(
                file(), p, [&](int top, int rows) { return mergedRows(p, top, rows); }, {}, &error)
            != OpenRaster::Outcome::Done)
            state.SkipWithError(qPrintable(error));
    }
    state.counters["file_MB"] = double(QFileInfo(file()).size()) / (1 << 20);
    state.counters["peak_MB"] = peakMegabytes();
}

void open(benchmark::State &state)
{
    if (!QFileInfo::exists(file())) {
        state.SkipWithError("run Save first");
        return;
    }
    for (auto _ : state) {
        OraPicture read;
        QString error;
        if (OpenRaster::read(file(), &read, {}, &error) != OpenRaster::Outcome::Done)
            state.SkipWithError(qPrintable(error));
        benchmark::DoNotOptimize(read.layers.size());
    }
    state.counters["peak_MB"] = peakMegabytes();
}

void blend(benchmark::State &state)
{
    std::vector<quint32> dst(kSide, 0xff808080u), src(kSide);
    for (int x = 0; x < kSide; ++x)
        src[std::size_t(x)] = qPremultiply(qRgba(x & 0xff, (x >> 4) & 0xff, 200, (x * 7) & 0xff));
    for (auto _ : state) {
        blendRow(dst.data(), src.data(), kSide, BlendMode(state.range(0)), 200);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSide);
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::RegisterBenchmark("Save", save)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Open", open)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("BlendRow", blend)->ArgName("mode")->DenseRange(0, 5);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
