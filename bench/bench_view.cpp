// The view over a 16384 × 16384 sheet whose every tile is painted: a whole repaint of a
// 1920 × 1080 or 3840 × 2160 view at zooms from 1/64 to 64, upright and turned by 15°; a pan by
// a tenth of the view; a pen sample (paint, pyramid upkeep and repaint) at 100 % and 25 %; and
// the pyramid's memory against the painted tiles'. Repaints are Qt's paint cycle run at once.
// Each repaint reports its wall time and, as counters, the main thread's CPU time and the
// whole process's (the main thread and any helper threads); run with
// --benchmark_repetitions=3 for medians.
#include "BenchMain.h"
#include "BenchPen.h"
#include "PicturePyramid.h"
#include "Preferences.h"
#include "SheetContainer.h"
#include "WTView.h"

#include <QApplication>
#include <QPointingDevice>
#include <QRandomGenerator>
#include <QTabletEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <memory>

namespace {
constexpr int kSide = 16384;
constexpr int kTileBytes = TiledImage::kTileSide * TiledImage::kTileSide * 4;

double cpuSeconds(clockid_t clock)
{
    timespec t {};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Wall, main-thread CPU and process CPU time of each timed step, in milliseconds.
class Timing
{
public:
    explicit Timing(benchmark::State &state)
        : mState(state)
    {
    }
    void start()
    {
        mWall = BenchClock::now();
        mThread = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        mProcess = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    }
    void stop()
    {
        mState.SetIterationTime(secondsSince(mWall));
        mThreadSum += cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - mThread;
        mProcessSum += cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - mProcess;
    }
    ~Timing()
    {
        const double n = double(std::max<benchmark::IterationCount>(mState.iterations(), 1));
        mState.counters["main cpu ms"] = 1e3 * mThreadSum / n;
        mState.counters["all cpu ms"] = 1e3 * mProcessSum / n;
    }

private:
    benchmark::State &mState;
    BenchClock::time_point mWall;
    double mThread = 0;
    double mProcess = 0;
    double mThreadSum = 0;
    double mProcessSum = 0;
};


class Stage
{
public:
    explicit Stage(QSize view)
    {
        Preferences::resetStandard(mDir.filePath(QStringLiteral("settings.conf")));
        mWindow.resize(view);
        canvas = new WTView(Rect(0, 0, view.width(), view.height()), &mWindow);
        mWindow.setCanvas(canvas);
        canvas->setSheetSize({float(kSide), float(kSide)});
        paintEverything();
        mWindow.show();
        QApplication::processEvents();
    }

    // Bands of colour and strokes over the whole sheet: every tile painted, none flat.
    void paintEverything()
    {
        Layer &layer = *canvas->picture().currentLayer();
        QRandomGenerator rng(5);
        constexpr int band = 256;
        for (int y = 0; y < kSide; y += band) {
            const Rect r {0, float(y), float(kSide), float(band)};
            layer.paint(r, r, [&](QPainter &p) {
                p.fillRect(QRectF(0, y, kSide, band), QColor::fromHsv(y % 360, 120, 230));
                p.setRenderHint(QPainter::Antialiasing);
                for (int i = 0; i < 400; ++i) {
                    p.setPen(QPen(QColor::fromHsv(int(rng.bounded(360)), 200, 150), 3));
                    const double x = rng.bounded(double(kSide));
                    p.drawLine(QPointF(x, y), QPointF(x + 300, y + band));
                }
            });
        }
        canvas->picture().pyramid().invalidateAll();
    }

    void repaint()
    {
        QEvent request(QEvent::UpdateRequest);
        QApplication::sendEvent(&mWindow, &request);
    }

    void wholeRepaint()
    {
        canvas->update();
        repaint();
    }

    void setView(double zoom, double degrees)
    {
        ViewTransform v;
        v.setZoom(zoom);
        v.setRotation(degrees);
        canvas->viewport().setView(v);
        wholeRepaint(); // brings the pyramid level up to date
    }

    void tablet(QEvent::Type type, Point p, float pressure)
    {
        const QPointF local = canvas->viewport().widgetPoint(p);
        QTabletEvent event(type, benchPen(), local, canvas->mapToGlobal(local), pressure, 0, 0, 0, 0, 0,
                           {}, type == QEvent::TabletMove ? Qt::NoButton : Qt::LeftButton,
                           type == QEvent::TabletRelease ? Qt::NoButton : Qt::LeftButton);
        QApplication::sendEvent(canvas, &event);
    }

    WTView *canvas = nullptr;

private:
    QTemporaryDir mDir;
    SheetContainer mWindow;
};

// Gone before the application is: a widget outliving it crashes at exit.
std::unique_ptr<Stage> current;

Stage &stage(QSize view)
{
    static QSize currentView;
    if (view != currentView) {
        current.reset();
        current = std::make_unique<Stage>(view);
        currentView = view;
    }
    return *current;
}

QSize viewSize(int64_t height)
{
    return height == 2160 ? QSize(3840, 2160) : QSize(1920, 1080);
}

// range: view height, zoom as a power of two (−6 … 6), degrees.
void BM_WholeRepaint(benchmark::State &state)
{
    Stage &s = stage(viewSize(state.range(0)));
    s.setView(std::exp2(double(state.range(1))), double(state.range(2)));
    Timing timing(state);
    for (auto _ : state) {
        timing.start();
        s.wholeRepaint();
        timing.stop();
    }
    const PicturePyramid &pyramid = s.canvas->picture().pyramid();
    state.counters["pyramid/tiles %"]
        = 100.0 * double(pyramid.bytes()) / (double(TiledImage::liveTiles()) * kTileBytes);
}

// A pan by a tenth of the view's width, back and forth; range: zoom as a power of two.
void BM_Pan(benchmark::State &state)
{
    Stage &s = stage(viewSize(1080));
    s.setView(std::exp2(double(state.range(0))), 0);
    double step = 192;
    Timing timing(state);
    for (auto _ : state) {
        timing.start();
        s.canvas->viewport().panBy({step, 0});
        s.repaint();
        timing.stop();
        step = -step;
    }
}

// Pen samples with their paint, the pyramid's upkeep and the repaint, 500 a stroke; range:
// zoom in percent.
void BM_PenSample(benchmark::State &state)
{
    Stage &s = stage(viewSize(1080));
    s.setView(double(state.range(0)) / 100.0, 0);
    s.canvas->setBrushSize(10);
    const Point middle {kSide / 2.0f, kSide / 2.0f};
    QRandomGenerator rng(3);
    constexpr int kSamples = 500;
    for (auto _ : state) {
        Point p = middle;
        s.tablet(QEvent::TabletPress, p, 0.5f);
        const auto start = BenchClock::now();
        for (int i = 0; i < kSamples; ++i) {
            p.x += float(rng.bounded(6.0) - 2.0);
            p.y += float(rng.bounded(6.0) - 3.0);
            s.tablet(QEvent::TabletMove, p, 0.8f);
            s.repaint();
        }
        state.SetIterationTime(secondsSince(start));
        s.tablet(QEvent::TabletRelease, p, 0.0f);
        s.canvas->undo();
        s.repaint();
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}

void zoomsAndTurns(benchmark::internal::Benchmark *b)
{
    for (int height : {1080, 2160})
        for (int degrees : {0, 15})
            for (int octave = -6; octave <= 6; ++octave)
                b->Args({height, octave, degrees});
}
} // namespace

BENCHMARK(BM_WholeRepaint)->Apply(zoomsAndTurns)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pan)->DenseRange(-6, 2, 2)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PenSample)->Arg(100)->Arg(25)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    current.reset();
    return 0;
}
