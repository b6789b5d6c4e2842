// Saving and opening a 4096 × 4096 picture as each type that can be written: flattening,
// encoding and the atomic write; reading, decoding and taking the picture.
#include "DocumentController.h"
#include "InkpondDocument.h"
#include "Preferences.h"
#include "WTView.h"

#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
constexpr int kSide = 4096;

// Strokes on a transparent ground, as a drawing is.
QImage drawing()
{
    QImage image(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRandomGenerator random(7);
    for (int i = 0; i < 400; ++i) {
        QPen pen(
            QColor::fromRgb(random.bounded(256), random.bounded(256), random.bounded(256), 230));
        pen.setWidthF(2.0 + random.bounded(30.0));
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        p.drawLine(QPointF(random.bounded(double(kSide)), random.bounded(double(kSide))),
                   QPointF(random.bounded(double(kSide)), random.bounded(double(kSide))));
    }
    return image;
}

struct Fixture
{
    QTemporaryDir dir;
    DocumentController controller {InkpondDocument::documentTypes(),
                                   [] { return std::make_unique<InkpondDocument>(); }};
    InkpondDocument doc;
    std::unique_ptr<WTView> canvas;

    Fixture()
    {
        Preferences::resetStandard(dir.filePath(QStringLiteral("settings.conf")));
        canvas = std::make_unique<WTView>(Rect(0, 0, 800, 600));
        doc.setCanvas(canvas.get());
        const Image picture(drawing());
        canvas->core().setImage(&picture);
    }

    QUrl fileFor(const QString &type) const
    {
        return QUrl::fromLocalFile(dir.filePath(QStringLiteral("picture.")
                                                + controller.fileExtensionsFromType(type).first()));
    }
};

Fixture *gFixture = nullptr;

void save(benchmark::State &state, const QString &type)
{
    const QUrl url = gFixture->fileFor(type);
    for (auto _ : state) {
        QString error;
        if (!gFixture->doc.writeToURL(url, type, &error))
            state.SkipWithError(qPrintable(error));
    }
    state.SetLabel(
        QStringLiteral("%1 KiB").arg(QFileInfo(url.toLocalFile()).size() / 1024).toStdString());
}

void open(benchmark::State &state, const QString &type)
{
    const QUrl url = gFixture->fileFor(type);
    QString error;
    if (!gFixture->doc.writeToURL(url, type, &error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    for (auto _ : state) {
        InkpondDocument doc;
        if (!doc.readFromURL(url, type, &error))
            state.SkipWithError(qPrintable(error));
        benchmark::DoNotOptimize(doc.startingImage());
    }
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Fixture fixture;
    gFixture = &fixture;
    for (const char *type : {"PNG image", "JPEG image", "TIFF image", "WebP image", "BMP image"}) {
        const QString name = QString::fromLatin1(type).section(QLatin1Char(' '), 0, 0);
        benchmark::RegisterBenchmark(("Save/" + name).toStdString().c_str(), save,
                                     QString::fromLatin1(type))
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Open/" + name).toStdString().c_str(), open,
                                     QString::fromLatin1(type))
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
