// Opening a 16384 × 16384 PNG with a few painted areas: decoded whole and then cut into tiles,
// as opening did, against decoded straight into tiles a few rows at a time. Peak memory is per
// process: run each in its own (--benchmark_filter=Open/Whole, then Open/Tiles).
#include "BenchPicture.h"
#include "ImageCodec.h"
#include "InkpondDocument.h"
#include "PngBands.h"
#include "Preferences.h"
#include "TiledImage.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
constexpr int kSide = 16384;

// Strokes across the sheet, touching about a quarter of its tiles, as a large drawing does.
QImage band(int top, int rows)
{
    QImage image(kSide, rows, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(0, -top);
    QPen pen(QColor(40, 90, 200, 230), 24.0);
    p.setPen(pen);
    for (int i = 0; i < 40; ++i)
        p.drawLine(QPointF(i * 400, 0), QPointF(kSide - i * 300, kSide));
    return image;
}

QString gPath;
QString gBlankPath;

void whole(benchmark::State &state)
{
    for (auto _ : state) {
        QFile file(gPath);
        file.open(QIODevice::ReadOnly);
        QString error;
        // The starting image was kept beside the tiles the canvas made of it.
        const QImage picture = ImageCodec::decode(file, "png", &error);
        TiledImage tiles(Size {float(picture.width()), float(picture.height())});
        if (picture.isNull() || !tiles.setPixels(picture))
            state.SkipWithError(qPrintable(error));
        state.counters["tiles"] = double(tiles.tileCount());
    }
    state.counters["peak_rss_MB"] = peakMegabytes();
}

void tiled(benchmark::State &state)
{
    for (auto _ : state) {
        InkpondDocument doc;
        QString error;
        if (!doc.readFromURL(QUrl::fromLocalFile(gPath), QStringLiteral("PNG image"), &error))
            state.SkipWithError(qPrintable(error));
        state.counters["tiles"] = doc.startingImage() ? double(doc.startingImage()->tileCount()) : 0;
    }
    state.counters["peak_rss_MB"] = peakMegabytes();
}
// The largest sheet with nothing painted: its file is 131 KB, and a plane of it 4 GB.
void blank(benchmark::State &state)
{
    for (auto _ : state) {
        InkpondDocument doc;
        QString error;
        if (!doc.readFromURL(QUrl::fromLocalFile(gBlankPath), QStringLiteral("PNG image"), &error))
            state.SkipWithError(qPrintable(error));
        state.counters["tiles"] = doc.startingImage() ? double(doc.startingImage()->tileCount()) : 0;
    }
    state.counters["peak_rss_MB"] = peakMegabytes();
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Preferences::resetStandard(dir.filePath(QStringLiteral("settings.conf")));
    Document::setForegroundReadWait(-1);
    gPath = dir.filePath(QStringLiteral("large.png"));
    {
        QFile file(gPath);
        if (!file.open(QIODevice::WriteOnly)
            || PngBands::write(file, kSide, kSide, band, {}) != PngBands::Outcome::Done)
            return 1;
    }
    gBlankPath = dir.filePath(QStringLiteral("blank.png"));
    {
        QFile file(gBlankPath);
        const auto none = [](int, int rows) {
            QImage band(Image::kMaxSide, rows, QImage::Format_ARGB32_Premultiplied);
            band.fill(Qt::transparent);
            return band;
        };
        if (!file.open(QIODevice::WriteOnly)
            || PngBands::write(file, Image::kMaxSide, Image::kMaxSide, none, {})
                != PngBands::Outcome::Done)
            return 1;
    }
    benchmark::RegisterBenchmark("Open/Blank32767", blank)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    benchmark::RegisterBenchmark("Open/Whole", whole)->Unit(benchmark::kMillisecond)->Iterations(1);
    benchmark::RegisterBenchmark("Open/Tiles", tiled)->Unit(benchmark::kMillisecond)->Iterations(1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
