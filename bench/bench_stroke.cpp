// Painting on sheets from 600 × 600 to 8192 × 8192: the cost of one pen sample with the repaint
// of what it touched (also through a pressure curve with smoothing), the start of a stroke with
// a full history, an undo, one movement of the straight-line preview, and one hover movement of
// the canvas's own crosshair. Each repaint is Qt's paint cycle run at once for the window. Also
// the memory a history of 100 strokes holds on a 16384 × 16384 sheet.
#include "BenchMain.h"
#include "BenchPen.h"
#include "BenchPicture.h"
#include "PenSettings.h"
#include "Preferences.h"
#include "SheetContainer.h"
#include "TabletPlatform.h"
#include "TiledImage.h"
#include "WTView.h"

#include <QApplication>
#include <QPointingDevice>
#include <QRandomGenerator>
#include <QTabletEvent>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

namespace {
constexpr int kSamples = 1000;
constexpr float kBrushWidth = 10.0f;

// One seeded pen path: a wandering walk of a few points per sample, pressure 0.3 to 1.0.
struct Sample
{
    Point position;
    float pressure;
};

std::vector<Sample> seededStroke(const Rect &area, quint32 seed)
{
    QRandomGenerator rng(seed);
    std::vector<Sample> path;
    Point p {area.x() + area.width() / 2, area.y() + area.height() / 2};
    double heading = rng.bounded(2 * M_PI);
    for (int i = 0; i < kSamples; ++i) {
        heading += rng.bounded(1.0) - 0.5;
        const double step = 1.0 + rng.bounded(5.0);
        p.x = std::clamp(float(p.x + step * std::cos(heading)), area.x() + 20, area.maxX() - 20);
        p.y = std::clamp(float(p.y + step * std::sin(heading)), area.y() + 20, area.maxY() - 20);
        path.push_back({p, float(0.3 + rng.bounded(0.7))});
    }
    return path;
}


// A window of a usual size showing the middle of a sheet of the given side.
class Stage
{
public:
    explicit Stage(int side)
    {
        Preferences::resetStandard(mDir.filePath(QStringLiteral("settings.conf")));
        mWindow.resize(1000, 800);
        canvas = new WTView(Rect(0, 0, 1000, 800), &mWindow);
        mWindow.setCanvas(canvas);
        canvas->setSheetSize({float(side), float(side)});
        canvas->setBrushSize(kBrushWidth);
        mWindow.show();
        QApplication::processEvents();
        area = intersectionRect(canvas->viewport().visibleRect(), {{0, 0}, canvas->sheetSize()});
        path = seededStroke(area, 1234);
        repaint(); // the first repaint makes the layer's render image
    }

    void tablet(QEvent::Type type, Point p, float pressure, Qt::MouseButtons held = Qt::LeftButton)
    {
        const QPointF local(p.x - canvas->viewport().boundsOrigin().x,
                            canvas->height() - (p.y - canvas->viewport().boundsOrigin().y));
        const bool down = type != QEvent::TabletRelease;
        QTabletEvent event(type, benchPen(), local, canvas->mapToGlobal(local), pressure, 0, 0, 0, 0, 0,
                           {}, type == QEvent::TabletMove ? Qt::NoButton : Qt::LeftButton,
                           down ? held : Qt::NoButton);
        QApplication::sendEvent(canvas, &event);
    }

    void mouse(QEvent::Type type, Point p, Qt::KeyboardModifiers modifiers)
    {
        const QPointF local(p.x - canvas->viewport().boundsOrigin().x,
                            canvas->height() - (p.y - canvas->viewport().boundsOrigin().y));
        QMouseEvent event(type, local, local, canvas->mapToGlobal(local),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          modifiers);
        QApplication::sendEvent(canvas, &event);
    }

    // Qt's paint cycle for the window: everything marked dirty is repainted.
    void repaint()
    {
        QEvent request(QEvent::UpdateRequest);
        QApplication::sendEvent(&mWindow, &request);
    }

    void press() { tablet(QEvent::TabletPress, path.front().position, path.front().pressure); }
    void sample(int i)
    {
        tablet(QEvent::TabletMove, path[i].position, path[i].pressure);
        repaint();
    }
    void release() { tablet(QEvent::TabletRelease, path.back().position, 0.0f); }

    void wholeStroke()
    {
        press();
        for (int i = 0; i < kSamples; ++i)
            sample(i);
        release();
    }

    // Ten strokes over the very path that is timed: every repaint composites all of them.
    void fillHistory()
    {
        while (canvas->picture().undoLayers().size() < std::size_t(canvas->core().undoDepth()))
            wholeStroke();
    }

    void emptyHistory()
    {
        while (!canvas->picture().undoLayers().empty())
            canvas->undo();
        repaint();
    }

    WTView *canvas = nullptr;
    Rect area;
    std::vector<Sample> path;

private:
    QTemporaryDir mDir;
    SheetContainer mWindow;
};

// One stage at a time: the largest holds 3.3 GB of images with a full history.
Stage &stage(int side)
{
    static std::unique_ptr<Stage> current;
    static int currentSide = 0;
    if (side != currentSide) {
        current.reset();
        current = std::make_unique<Stage>(side);
        currentSide = side;
    }
    return *current;
}

// Per sample: the tablet event painted into the snapshot, then the repaint of what it touched;
// in an opaque or a translucent colour.
void BM_StrokeSample(benchmark::State &state)
{
    Stage &s = stage(int(state.range(0)));
    const bool fullHistory = state.range(1) != 0;
    // The soft curve with a minimum width and strong smoothing, against the defaults.
    const bool shaped = state.range(2) != 0;
    PenSettings &pen = s.canvas->core().penSettings();
    pen.setPressureCurvePreset(shaped ? PressureCurve::Preset::Soft
                                      : PressureCurve::Preset::Linear);
    pen.setMinimumWidth(shaped ? 0.2f : 0.0f);
    pen.setSmoothing(shaped ? 60 : 0);
    // A translucent colour: every stroke then shows through its snapshot's opacity.
    const bool translucent = state.range(3) != 0;
    const Color ink = translucent ? Color {0.1f, 0.3f, 0.9f, 0.3f} : Color {0.1f, 0, 0.2f, 1};
    s.canvas->setColor(&ink);
    if (fullHistory && translucent)
        s.emptyHistory(); // the history in this colour too
    if (fullHistory)
        s.fillHistory();
    else
        s.emptyHistory();
    for (auto _ : state) {
        s.press();
        const auto start = BenchClock::now();
        for (int i = 0; i < kSamples; ++i)
            s.sample(i);
        state.SetIterationTime(secondsSince(start));
        s.release();
        if (!fullHistory)
            s.canvas->undo(); // the snapshot waits as a spare for the next stroke
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}

// The press that merges the oldest of ten strokes, and the first sample on screen.
void BM_StrokeStartFullHistory(benchmark::State &state)
{
    Stage &s = stage(int(state.range(0)));
    s.fillHistory();
    for (auto _ : state) {
        const auto start = BenchClock::now();
        s.press();
        s.sample(0);
        state.SetIterationTime(secondsSince(start));
        for (int i = 1; i < kSamples; ++i)
            s.sample(i);
        s.release();
    }
}

// One hover movement of a tablet tool where the canvas draws the crosshair, with its repaint.
void BM_HoverCrosshair(benchmark::State &state)
{
    Stage &s = stage(int(state.range(0)));
    s.fillHistory();
    TabletPlatform::forceShowsTabletCursor(false);
    int i = 0;
    for (auto _ : state) {
        const auto start = BenchClock::now();
        s.tablet(QEvent::TabletMove, s.path[i].position, 0.0f, Qt::NoButton);
        s.repaint();
        state.SetIterationTime(secondsSince(start));
        i = (i + 1) % kSamples;
    }
    TabletPlatform::forceShowsTabletCursor(std::nullopt);
}

// Undo of the newest of ten strokes until the picture is repainted.
void BM_UndoFullHistory(benchmark::State &state)
{
    Stage &s = stage(int(state.range(0)));
    for (auto _ : state) {
        s.fillHistory();
        const auto start = BenchClock::now();
        s.canvas->undo();
        s.repaint();
        state.SetIterationTime(secondsSince(start));
    }
}

// One pointer movement while a straight line is pending, with its repaint.
void BM_LinePreviewMove(benchmark::State &state)
{
    Stage &s = stage(int(state.range(0)));
    s.fillHistory();
    const Point anchor = s.path.front().position;
    s.mouse(QEvent::MouseButtonPress, anchor, Qt::ShiftModifier);
    s.mouse(QEvent::MouseButtonRelease, anchor, Qt::ShiftModifier);
    QRandomGenerator rng(99);
    for (auto _ : state) {
        const Point to {s.area.x() + float(rng.bounded(double(s.area.width()))),
                        s.area.y() + float(rng.bounded(double(s.area.height())))};
        const auto start = BenchClock::now();
        s.mouse(QEvent::MouseMove, to, rng.bounded(2) ? Qt::ShiftModifier : Qt::NoModifier);
        s.repaint();
        state.SetIterationTime(secondsSince(start));
    }
    s.canvas->cancelOperation();
    s.repaint();
}

// A hundred short scribbles, a word's strokes each, kept at depth 100: what their snapshots hold
// against what the sheet's area would cost, and the process's peak.
void BM_DeepHistoryMemory(benchmark::State &state)
{
    constexpr int kStrokes = 100;
    constexpr int kScribble = 150; // samples
    Stage &s = stage(int(state.range(0)));
    s.emptyHistory();
    s.canvas->core().setUndoDepth(kStrokes);
    for (auto _ : state) {
        const auto start = BenchClock::now();
        for (int k = 0; k < kStrokes; ++k) {
            const std::vector<Sample> path = seededStroke(s.area, 5000 + quint32(k));
            s.tablet(QEvent::TabletPress, path.front().position, path.front().pressure);
            for (int i = 1; i < kScribble; ++i)
                s.tablet(QEvent::TabletMove, path[i].position, path[i].pressure);
            s.tablet(QEvent::TabletRelease, path[kScribble - 1].position, 0.0f);
        }
        s.repaint();
        state.SetIterationTime(secondsSince(start));
    }
    std::size_t tiles = 0;
    for (const auto &snapshot : s.canvas->picture().undoLayers())
        tiles += snapshot->image()->tileCount();
    const double tileMB = double(TiledImage::kTileSide * TiledImage::kTileSide * 4) / (1 << 20);
    state.counters["strokes"] = double(s.canvas->picture().undoLayers().size());
    state.counters["history_tiles"] = double(tiles);
    state.counters["history_MB"] = double(tiles) * tileMB;
    state.counters["sheet_MB"] = double(s.canvas->sheetSize().width)
        * double(s.canvas->sheetSize().height) * 4 / (1 << 20);
    state.counters["peak_MB"] = peakMegabytes();
    s.canvas->core().setUndoDepth(Picture::kDefaultUndoDepth);
}
} // namespace

// Grouped by sheet size, so that each size's images are made once.
BENCHMARK(BM_StrokeSample)
    ->ArgNames({"side", "fullHistory", "shaped", "translucent"})
    ->Args({600, 0, 0, 0})
    ->Args({600, 1, 0, 0})
    ->Args({600, 0, 0, 1})
    ->Args({600, 1, 0, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StrokeSample)
    ->ArgNames({"side", "fullHistory", "shaped", "translucent"})
    ->Args({4096, 0, 0, 0})
    ->Args({4096, 1, 0, 0})
    ->Args({4096, 1, 1, 0})
    ->Args({4096, 1, 0, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StrokeStartFullHistory)
    ->ArgName("side")
    ->Arg(4096)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinePreviewMove)
    ->ArgName("side")
    ->Arg(4096)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HoverCrosshair)
    ->ArgName("side")
    ->Arg(4096)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StrokeSample)
    ->ArgNames({"side", "fullHistory", "shaped", "translucent"})
    ->Args({8192, 0, 0, 0})
    ->Args({8192, 1, 0, 0})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StrokeStartFullHistory)
    ->ArgName("side")
    ->Arg(8192)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoFullHistory)
    ->ArgName("side")
    ->Arg(8192)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_DeepHistoryMemory)
    ->ArgName("side")
    ->Arg(16384)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
