// The canvas without a window: a session driven through CanvasCore alone paints what the same
// session paints through the canvas widget's Qt events, and the core announces exactly the
// samples it acts on, which is what recordings and recovery records are made of.
#include "CanvasCore.h"
#include "Preferences.h"
#include "SessionEvent.h"
#include "SessionRecorder.h"
#include "StrokeDriver.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <optional>

using namespace strokes;

namespace {

// Gives a canvas a pointer sample: to the core, or as Qt's events to its widget.
using Feed = std::function<void(SampleKind, Point, Qt::KeyboardModifiers, float, bool tablet)>;

void stroke(const Feed &feed, std::initializer_list<Point> points, float pressure = 1.0f,
            bool tablet = false)
{
    for (auto it = points.begin(); it != points.end(); ++it)
        feed(it == points.begin() ? SampleKind::Press : SampleKind::Move, *it, {}, pressure,
             tablet);
    feed(SampleKind::Release, *(points.end() - 1), {}, pressure, tablet);
}

void click(const Feed &feed, Point p, Qt::KeyboardModifiers modifiers)
{
    feed(SampleKind::Press, p, modifiers, 1.0f, false);
    feed(SampleKind::Release, p, modifiers, 1.0f, false);
}

// Strokes from mouse and pen (between pixels), the eraser, a straight line and a chain, a
// colour picked, the history overrun and walked back and forth, then a crop and a resize.
void playSession(CanvasCore &core, const Feed &feed)
{
    core.setUndoDepth(3);
    const Color red = Color::fromQColor(QColor(200, 30, 40));
    core.setActiveColor(2);
    core.setColor(&red);
    core.setBrushSize(7);
    stroke(feed, {{20, 20}, {60, 35}, {110, 30}, {150, 70}});
    stroke(feed, {{30.25f, 120.5f}, {70, 100.75f}, {120, 140}}, 0.4f, true);
    core.setActiveColor(0);
    core.setBrushSize(12);
    stroke(feed, {{40, 25}, {90, 35}});
    core.setActiveColor(1);
    click(feed, {20, 160}, Qt::ShiftModifier); // a line starts
    feed(SampleKind::Hover, {150, 170}, {}, 1.0f, false); // its preview follows
    click(feed, {160, 175}, Qt::ShiftModifier); // snapped to 45 degrees
    click(feed, {60, 60}, Qt::ShiftModifier);
    click(feed, {100, 80}, Qt::ControlModifier); // committed, and the chain goes on
    click(feed, {140, 40}, {});
    core.pickColor();
    click(feed, {22, 21}, {}); // the red of the first stroke, into slot 0
    stroke(feed, {{170, 20}, {180, 150}});
    for (int i = 0; i < 5; ++i)
        core.undo(); // two more than the history holds
    core.redo();
    core.redo();
    core.applyResize({-10, 15, 170, 150});
    core.applyResize({0, 0, 230, 200});
    stroke(feed, {{5, 5}, {220, 190}});
}

QImage flattened(const CanvasCore &core)
{
    return core.getImageWithBG(true)->qimage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class CoreTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { mSettings = std::make_unique<IsolatedSettings>(); }
    void cleanup() { mSettings.reset(); }

    // The same session through the core alone and through the widget's events at any view
    // paints the same picture with the same history.
    void aSessionPaintsTheSameWithoutAWindow_data()
    {
        QTest::addColumn<ViewTransform>("view");
        QTest::addColumn<bool>("contained"); // as a document window holds it
        QTest::newRow("its own window") << viewOf(1) << false;
        QTest::newRow("contained") << viewOf(1) << true;
        QTest::newRow("zoomed out") << viewOf(0.25) << true;
        QTest::newRow("zoomed in, turned") << viewOf(4, 30) << true;
        QTest::newRow("turned, mirrored, panned") << viewOf(0.7, -75, true, {13, -9}) << true;
    }

    void aSessionPaintsTheSameWithoutAWindow()
    {
        QFETCH(ViewTransform, view);
        QTemporaryDir dir; // the window's canvas starts from settings the session left alone
        Preferences store(dir.filePath(QStringLiteral("core.conf")));
        CanvasCore alone({200, 180}, store);
        playSession(
            alone,
            [&](SampleKind kind, Point p, Qt::KeyboardModifiers m, float pressure, bool tablet) {
                alone.take(kind, {p, pressure, tablet, m});
            });

        QFETCH(bool, contained);
        std::optional<ContainedCanvas> stage;
        std::optional<WTView> own;
        if (contained)
            stage.emplace(QSize(260, 220), Size {200, 180});
        else
            own.emplace(Rect(0, 0, 260, 220));
        WTView &canvas = contained ? *stage->canvas : *own;
        QVERIFY(canvas.setSheetSize({200, 180}));
        canvas.window()->show();
        QVERIFY(QTest::qWaitForWindowExposed(canvas.window()));
        canvas.viewport().setView(view);
        playSession(
            canvas.core(),
            [&](SampleKind kind, Point p, Qt::KeyboardModifiers m, float pressure, bool tablet) {
                const bool down = kind == SampleKind::Press || kind == SampleKind::Move;
                const Qt::MouseButton button
                    = kind == SampleKind::Press || kind == SampleKind::Release ? Qt::LeftButton
                                                                               : Qt::NoButton;
                const Qt::MouseButtons buttons = down ? Qt::LeftButton : Qt::NoButton;
                static const QEvent::Type mouse[] = {QEvent::MouseButtonPress, QEvent::MouseMove,
                                                     QEvent::MouseButtonRelease, QEvent::MouseMove};
                static const QEvent::Type pen[] = {QEvent::TabletPress, QEvent::TabletMove,
                                                   QEvent::TabletRelease, QEvent::TabletMove};
                if (tablet)
                    sendTablet(canvas, pen[int(kind)], p, pressure, button, buttons, m);
                else
                    sendMouse(canvas, mouse[int(kind)], p, button, buttons, m);
            });

        QCOMPARE(canvas.sheetSize(), alone.picture().sheetSize());
        // Of the three kept, one was left undone; the last stroke replaced it.
        QCOMPARE(alone.picture().undoLayers().size(), std::size_t(3));
        QCOMPARE(canvas.picture().undoLayers().size(), std::size_t(3));
        QVERIFY(!alone.canRedo() && !canvas.canRedo());
        const QImage expected = flattened(canvas.core());
        QCOMPARE(differingPixels(flattened(alone), expected), 0);
        // The session painted: the picture is no blank paper.
        QImage paper = expected;
        paper.fill(expected.pixel(1, 1));
        QVERIFY(differingPixels(expected, paper) > 1000);
    }

    // What moves the view, opens the palette or picks a colour paints nothing and is no sample;
    // everything else is announced before the core acts on it.
    void onlyWhatPaintsIsAnnounced()
    {
        WTView canvas(Rect(0, 0, 200, 150));
        canvas.show();
        QVERIFY(QTest::qWaitForWindowExposed(&canvas));
        std::vector<std::pair<SampleKind, PointerSample>> taken;
        std::vector<bool> trackingWhenTold;
        connect(&canvas.core(), &CanvasCore::sampleTaken, &canvas,
                [&](SampleKind kind, const PointerSample &s) {
                    taken.emplace_back(kind, s);
                    trackingWhenTold.push_back(canvas.core().isTrackingStroke());
                });
        auto takenKinds = [&] {
            QList<int> kinds;
            for (const auto &t : taken)
                kinds << int(t.first);
            taken.clear();
            return kinds;
        };

        drag(canvas, {20, 20}, {80, 40});
        QCOMPARE(
            takenKinds(),
            (QList<int> {int(SampleKind::Press), int(SampleKind::Move), int(SampleKind::Release)}));
        // The move and the release were told while the stroke was still under way.
        QCOMPARE(trackingWhenTold, (std::vector<bool> {false, true, true}));

        sendMouse(canvas, QEvent::MouseButtonPress, {50, 50}, Qt::MiddleButton, Qt::MiddleButton);
        sendMouse(canvas, QEvent::MouseMove, {70, 60}, Qt::NoButton, Qt::MiddleButton);
        sendMouse(canvas, QEvent::MouseButtonRelease, {70, 60}, Qt::MiddleButton, Qt::NoButton);
        QTest::keyPress(&canvas, Qt::Key_Space);
        drag(canvas, {30, 30}, {60, 60});
        QTest::keyRelease(&canvas, Qt::Key_Space);
        sendMouse(canvas, QEvent::MouseButtonPress, {50, 50}, Qt::RightButton, Qt::RightButton);
        sendMouse(canvas, QEvent::MouseButtonRelease, {50, 50}, Qt::RightButton, Qt::NoButton);
        canvas.core().pickColor();
        drag(canvas, {30, 22}, {90, 90});
        QCOMPARE(takenKinds(), QList<int> {});
        QCOMPARE(canvas.picture().undoLayers().size(),
                 std::size_t(1)); // only the first drag painted

        // A hovering eraser end, with its pressure, as a recording writes it.
        sendTablet(canvas, QEvent::TabletMove, {40, 30}, 0.25f, Qt::NoButton, Qt::NoButton,
                   Qt::ShiftModifier, tool(QPointingDevice::PointerType::Eraser));
        QCOMPARE(taken.size(), std::size_t(1));
        const SessionEvent e = SessionRecorder::sampleEvent(taken[0].first, taken[0].second);
        QCOMPARE(formatSessionEvent(e),
                 QByteArray(R"({"event":"hover","modifiers":["shift"],"pointer":"eraser",)"
                            R"("pressure":0.25,"t":0,"x":40,"y":30})"));
    }

    // Undoing or redoing a stroke repaints what the stroke painted, not the sheet around it.
    void historyStepsDirtyWhatTheStrokePainted()
    {
        CanvasCore core({600, 600}, Preferences::standard());
        core.setBrushSize(6);
        freehand(core, {{300, 300}, {310, 304}});
        const Rect painted = core.picture().undoLayers().back()->paintedBounds();
        QVERIFY(!isEmptyRect(painted) && painted.width() < 30 && painted.height() < 30);

        std::vector<Rect> dirtied;
        connect(&core, &CanvasCore::dirtied, &core, [&](const Rect &r) { dirtied.push_back(r); });
        QSignalSpy dirtiedAll(&core, &CanvasCore::dirtiedAll);
        const Rect margin = insetRect(painted, -2, -2);
        for (int step = 0; step < 4; ++step) {
            step % 2 ? core.redo() : core.undo();
            QCOMPARE(dirtiedAll.count(), 0);
            QCOMPARE(dirtied.size(), std::size_t(1));
            // All of the stroke, and no more than its antialiased edge past it.
            QCOMPARE(intersectionRect(dirtied.front(), painted), painted);
            QCOMPARE(unionRect(dirtied.front(), margin), margin);
            dirtied.clear();
        }
    }

private:
    std::unique_ptr<IsolatedSettings> mSettings;
};

INKPOND_TEST_MAIN(CoreTest)
#include "tst_core.moc"
