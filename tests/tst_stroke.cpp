// Stroke input: freehand strokes from mouse and tablet, straight lines and their chains, the
// touched rectangles that are repainted, and input held back during a stroke.
#include "InkpondDocument.h"
#include "StrokeDriver.h"
#include "StrokeGeometry.h"
#include "TabletApplication.h"
#include "TestSupport.h"

#include <QAction>
#include <QPaintEvent>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

using namespace strokes;

namespace {
// Collects what Qt's paint cycle repaints of a widget.
class PaintRecorder : public QObject
{
public:
    QRegion painted;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

QImage rendered(WTView &canvas, const QRegion &region = {})
{
    QImage image(canvas.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    canvas.render(&image, {}, region.isEmpty() ? QRegion(canvas.rect()) : region);
    return image;
}

void runPaintCycle(WTView &window)
{
    QEvent request(QEvent::UpdateRequest);
    QApplication::sendEvent(&window, &request);
}
} // namespace

class TestStroke : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_settings = std::make_unique<IsolatedSettings>(); }
    void cleanup() { m_settings.reset(); }

    void touchedRect_data();
    void touchedRect();
    void snapTo45degrees_data();
    void snapTo45degrees();
    void pressureShapesTheLine_data();
    void pressureShapesTheLine();
    void penHeldStillPaintsConcentricDots();
    void coalescingIsOffWhileTracking();
    void tabletSampleWithoutPressureIsSkipped();
    void shiftClickThenEscapePaintsNothing();
    void chainIsOneSnapshot_data();
    void chainIsOneSnapshot();
    void commitAtAnchorPaintsGrownDot();
    void pendingLineIsDropped_data();
    void pendingLineIsDropped();
    void undoShortcutDuringStrokeRunsAfterRelease();
    void rectangleRepaintsEqualWholeRepaint();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
};

void TestStroke::touchedRect_data()
{
    QTest::addColumn<Point>("last");
    QTest::addColumn<Point>("next");
    QTest::addColumn<float>("width");
    QTest::addColumn<Rect>("expected");
    QTest::newRow("segment") << Point {10, 10} << Point {20, 15} << 5.0f << Rect(6, 6, 18, 13);
    QTest::newRow("dot") << Point {10, 10} << Point {10, 10} << 5.0f << Rect(6, 6, 8, 8);
    QTest::newRow("fractions cut toward zero")
        << Point {0, 0} << Point {-3.7f, 2.2f} << 2.0f << Rect(-6, -2, 8, 6);
}

void TestStroke::touchedRect()
{
    QFETCH(Point, last);
    QFETCH(Point, next);
    QFETCH(float, width);
    QFETCH(Rect, expected);
    QCOMPARE(::touchedRect(last, next, width), expected);
}

void TestStroke::snapTo45degrees_data()
{
    QTest::addColumn<Point>("anchor");
    QTest::addColumn<Point>("in");
    QTest::addColumn<Point>("out");
    QTest::newRow("flat") << Point {0, 0} << Point {10, 3} << Point {10, 0};
    QTest::newRow("45") << Point {0, 0} << Point {10, 6} << Point {6, 6};
    QTest::newRow("135") << Point {0, 0} << Point {-10, 8} << Point {-8, 8};
    QTest::newRow("270") << Point {0, 0} << Point {-3, -10} << Point {0, -10};
    QTest::newRow("315 past -pi/8") << Point {0, 0} << Point {10, -4.2f} << Point {4.2f, -4.2f};
    QTest::newRow("away from the origin") << Point {100, 50} << Point {110, 56} << Point {106, 56};
    QTest::newRow("at the anchor") << Point {7, 7} << Point {7, 7} << Point {7, 7};
}

void TestStroke::snapTo45degrees()
{
    QFETCH(Point, anchor);
    QFETCH(Point, in);
    QFETCH(Point, out);
    ::snapTo45degrees(in, anchor);
    QCOMPARE(in, out);
}

void TestStroke::pressureShapesTheLine_data()
{
    QTest::addColumn<bool>("tablet");
    QTest::addColumn<int>("halfWidth"); // brush width 10 × pressure 0.5, or × 1.0 for a mouse
    QTest::newRow("tablet at 0.5") << true << 2;
    QTest::newRow("mouse") << false << 5;
}

void TestStroke::pressureShapesTheLine()
{
    QFETCH(bool, tablet);
    QFETCH(int, halfWidth);
    WTView canvas(Rect(0, 0, 200, 100));
    if (tablet) {
        QVERIFY(sendTablet(canvas, QEvent::TabletPress, {20, 50}, 0.5f, Qt::LeftButton,
                           Qt::LeftButton)); // accepted: no mouse event is made of it
        sendTablet(canvas, QEvent::TabletMove, {100, 50}, 0.5f, Qt::NoButton, Qt::LeftButton);
        sendTablet(canvas, QEvent::TabletRelease, {100, 50}, 0.0f, Qt::LeftButton, Qt::NoButton);
    } else {
        drag(canvas, {20, 50}, {100, 50});
    }
    QVERIFY(!canvas.isTrackingStroke());
    const Image shown = picture(canvas);
    QCOMPARE(alphaAt(shown, 60, 50 + halfWidth - 1), 255);
    QCOMPARE(alphaAt(shown, 60, 50 - halfWidth), 255);
    QCOMPARE(alphaAt(shown, 60, 50 + halfWidth + 1), 0);
    QCOMPARE(alphaAt(shown, 60, 50 - halfWidth - 2), 0);
}

void TestStroke::penHeldStillPaintsConcentricDots()
{
    WTView canvas(Rect(0, 0, 100, 100));
    sendTablet(canvas, QEvent::TabletPress, {50, 50}, 0.1f, Qt::LeftButton, Qt::LeftButton);
    sendTablet(canvas, QEvent::TabletMove, {50, 50}, 0.4f, Qt::NoButton, Qt::LeftButton);
    const TiledImage &snapshot = *canvas.undoLayers().back()->image();
    QVERIFY(alphaAt(snapshot, 51, 50) != 0); // diameter 4
    QCOMPARE(alphaAt(snapshot, 53, 50), 0);
    sendTablet(canvas, QEvent::TabletMove, {50, 50}, 0.8f, Qt::NoButton, Qt::LeftButton);
    QVERIFY(alphaAt(snapshot, 53, 50) != 0); // diameter 8
    QCOMPARE(alphaAt(snapshot, 54, 50), 0);
    QCOMPARE(alphaAt(snapshot, 45, 50), 0);
    sendTablet(canvas, QEvent::TabletRelease, {50, 50}, 0.0f, Qt::LeftButton, Qt::NoButton);
}

void TestStroke::coalescingIsOffWhileTracking()
{
    WTView canvas(Rect(0, 0, 100, 100));
    TabletApplication *app = TabletApplication::instance();
    app->setMouseCoalescingEnabled(true);
    sendTablet(canvas, QEvent::TabletPress, {50, 50}, 0.5f, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(!app->isMouseCoalescingEnabled());
    sendTablet(canvas, QEvent::TabletRelease, {50, 50}, 0.0f, Qt::LeftButton, Qt::NoButton);
    QVERIFY(app->isMouseCoalescingEnabled());
    canvas.mouseDown({{20, 20}, 1.0f, false, Qt::ShiftModifier}); // a line leaves it alone
    QVERIFY(app->isMouseCoalescingEnabled());
}

void TestStroke::tabletSampleWithoutPressureIsSkipped()
{
    WTView canvas(Rect(0, 0, 200, 100));
    sendTablet(canvas, QEvent::TabletPress, {20, 20}, 0.5f, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(sendTablet(canvas, QEvent::TabletMove, {150, 20}, 0.0f, Qt::NoButton, Qt::LeftButton));
    sendTablet(canvas, QEvent::TabletMove, {20, 80}, 1.0f, Qt::NoButton, Qt::LeftButton);
    sendTablet(canvas, QEvent::TabletRelease, {20, 80}, 0.0f, Qt::LeftButton, Qt::NoButton);
    const Image shown = picture(canvas);
    QCOMPARE(alphaAt(shown, 85, 20), 0); // no segment to the skipped sample
    QVERIFY(alphaAt(shown, 20, 50) != 0); // the next one starts where the stroke was
}

void TestStroke::shiftClickThenEscapePaintsNothing()
{
    WTView canvas(Rect(0, 0, 200, 100));
    InkpondDocument document;
    canvas.setDocument(&document);
    const QImage before = rendered(canvas);
    click(canvas, {30, 30}, Qt::ShiftModifier);
    QVERIFY(canvas.isDrawingLine());
    QVERIFY(canvas.hasMouseTracking());
    sendMouse(canvas, QEvent::MouseMove, {150, 70}, Qt::NoButton, Qt::NoButton);
    QVERIFY(differingPixels(rendered(canvas), before) > 0); // the preview
    QTest::keyClick(&canvas, Qt::Key_Escape);
    QVERIFY(!canvas.isDrawingLine());
    QVERIFY(!canvas.hasMouseTracking());
    QCOMPARE(differingPixels(rendered(canvas), before), qint64(0));
    QCOMPARE(canvas.undoLayers().size(), std::size_t(1));
    QVERIFY(canvas.undoLayers().front()->image()->isEmpty());
    QVERIFY(!document.isDocumentEdited());
}

void TestStroke::chainIsOneSnapshot_data()
{
    QTest::addColumn<Qt::KeyboardModifier>("chain");
    QTest::newRow("alt") << Qt::AltModifier;
    QTest::newRow("ctrl") << Qt::ControlModifier;
}

void TestStroke::chainIsOneSnapshot()
{
    QFETCH(Qt::KeyboardModifier, chain);
    WTView canvas(Rect(0, 0, 200, 100));
    InkpondDocument document;
    canvas.setDocument(&document);
    click(canvas, {20, 20}, Qt::ShiftModifier);
    click(canvas, {100, 20}, chain);
    QVERIFY(canvas.isDrawingLine());
    click(canvas, {100, 80});
    QVERIFY(!canvas.isDrawingLine());
    QCOMPARE(canvas.undoLayers().size(), std::size_t(1));
    QCOMPARE(document.changeCount(), 2);
    Image shown = picture(canvas);
    QVERIFY(alphaAt(shown, 60, 20) != 0);
    QVERIFY(alphaAt(shown, 100, 50) != 0);
    canvas.undo();
    shown = picture(canvas);
    QCOMPARE(alphaAt(shown, 60, 20), 0);
    QCOMPARE(alphaAt(shown, 100, 50), 0);
    QCOMPARE(document.changeCount(), 1);
}

void TestStroke::commitAtAnchorPaintsGrownDot()
{
    WTView canvas(Rect(0, 0, 100, 100));
    canvas.mouseDown({{50, 50}, 1.0f, false, Qt::ShiftModifier});
    canvas.mouseMoved({{50, 50}, 1.0f, false, {}});
    const QImage preview = rendered(canvas);
    canvas.mouseDown({{50, 50}, 1.0f, false, {}});
    // Width 10 grown by a point each side: the dot fills (44, 44, 12, 12).
    const TiledImage &snapshot = *canvas.undoLayers().back()->image();
    QVERIFY(alphaAt(snapshot, 44, 50) != 0);
    QVERIFY(alphaAt(snapshot, 55, 50) != 0);
    QVERIFY(alphaAt(snapshot, 50, 55) != 0);
    QCOMPARE(alphaAt(snapshot, 43, 50), 0);
    QCOMPARE(alphaAt(snapshot, 56, 50), 0);
    QCOMPARE(alphaAt(snapshot, 50, 56), 0);
    QCOMPARE(differingPixels(rendered(canvas), preview), qint64(0)); // the preview showed it
}

void TestStroke::pendingLineIsDropped_data()
{
    QTest::addColumn<bool>("undo"); // or a change of pen
    QTest::newRow("pen change") << false;
    QTest::newRow("undo between the clicks") << true;
}

void TestStroke::pendingLineIsDropped()
{
    QFETCH(bool, undo);
    WTView canvas(Rect(0, 0, 100, 100));
    InkpondDocument document;
    canvas.setDocument(&document);
    dab(canvas, 70, 10);
    canvas.mouseDown({{20, 20}, 1.0f, false, Qt::ShiftModifier});
    QVERIFY(canvas.isDrawingLine());
    if (undo)
        canvas.undo(); // removes the line's snapshot as well
    else
        canvas.setActiveColor(3);
    QVERIFY(!canvas.isDrawingLine());
    QCOMPARE(canvas.undoLayers().size(), std::size_t(undo ? 1 : 2));
    canvas.mouseDown({{80, 80}, 1.0f, false, {}});
    QVERIFY(canvas.isTrackingStroke()); // a new stroke, not a commit
    canvas.mouseUp({{80, 80}, 1.0f, false, {}});
    QCOMPARE(alphaAt(picture(canvas), 50, 50), 0);
    QCOMPARE(canvas.undoLayers().size(), std::size_t(undo ? 2 : 3));
}

void TestStroke::undoShortcutDuringStrokeRunsAfterRelease()
{
    WTView canvas(Rect(0, 0, 200, 100));
    auto *undoAction = new QAction(&canvas);
    undoAction->setShortcut(QKeySequence::Undo);
    canvas.addAction(undoAction);
    connect(undoAction, &QAction::triggered, &canvas, [&canvas] { canvas.undo(); });
    QSignalSpy undone(undoAction, &QAction::triggered);
    canvas.show();
    canvas.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&canvas));

    dab(canvas, 20, 20);
    sendMouse(canvas, QEvent::MouseButtonPress, {20, 60}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(canvas, QEvent::MouseMove, {60, 60}, Qt::NoButton, Qt::LeftButton);
    QTest::keyClick(&canvas, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(undone.count(), 0);
    sendMouse(canvas, QEvent::MouseMove, {100, 60}, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(canvas.undoLayers().size(), std::size_t(2));
    QVERIFY(alphaAt(*canvas.undoLayers().back()->image(), 80, 60) != 0); // still painting
    sendMouse(canvas, QEvent::MouseButtonRelease, {100, 60}, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(undone.count(), 1);
    QCOMPARE(canvas.undoLayers().size(), std::size_t(1)); // the finished stroke was undone
    const Image shown = picture(canvas);
    QCOMPARE(alphaAt(shown, 80, 60), 0);
    QVERIFY(alphaAt(shown, 22, 20) != 0);
}

// Every sample, eraser stroke, line preview and commit repaints only what it touched; the screen
// built from those repaints must equal a repaint of the whole canvas.
void TestStroke::rectangleRepaintsEqualWholeRepaint()
{
    WTView canvas(Rect(0, 0, 300, 200));
    QVERIFY(canvas.setSheetSize({250, 150})); // the sheet sits inside a margin
    canvas.show();
    QVERIFY(QTest::qWaitForWindowExposed(&canvas));
    PaintRecorder recorder;
    canvas.installEventFilter(&recorder);
    QImage screen = rendered(canvas);
    qint64 worst = 0;
    auto repaint = [&] {
        recorder.painted = {};
        runPaintCycle(canvas);
        for (const QRect &r : recorder.painted)
            canvas.render(&screen, r.topLeft(), QRegion(r));
        worst = std::max(worst, differingPixels(screen, rendered(canvas)));
    };
    QRandomGenerator rng(20240917);
    auto randomPoint = [&] {
        return Point {uniform(rng, -30.0, 280.0), uniform(rng, -30.0, 180.0)};
    };
    for (int stroke = 0; stroke < 24; ++stroke) {
        const int kind = rng.bounded(4);
        canvas.setActiveColor(kind == 0 ? 0 : 1 + rng.bounded(4));
        canvas.setBrushSize(uniform(rng, 1.0, 30.0));
        if (kind == 3 && !canvas.erasing()) { // a line, chained now and then
            Point p = randomPoint();
            sendMouse(canvas, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton,
                      Qt::ShiftModifier);
            repaint();
            for (int leg = rng.bounded(1, 3); leg > 0; --leg) {
                for (int i = 0; i < 5; ++i) {
                    p = randomPoint();
                    sendMouse(canvas, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton,
                              rng.bounded(2) ? Qt::ShiftModifier : Qt::NoModifier);
                    repaint();
                }
                sendMouse(canvas, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton,
                          leg > 1 ? Qt::AltModifier : Qt::NoModifier);
                repaint();
            }
            continue;
        }
        Point p = randomPoint();
        sendTablet(canvas, QEvent::TabletPress, p, 0.5f, Qt::LeftButton, Qt::LeftButton);
        for (int i = rng.bounded(1, 12); i > 0; --i) {
            if (rng.bounded(5) != 0)
                p = {p.x + uniform(rng, -50.0, 50.0), p.y + uniform(rng, -50.0, 50.0)};
            sendTablet(canvas, QEvent::TabletMove, p, uniform(rng, 0.05, 1.0), Qt::NoButton,
                       Qt::LeftButton);
            repaint();
        }
        sendTablet(canvas, QEvent::TabletRelease, p, 0.0f, Qt::LeftButton, Qt::NoButton);
        repaint();
    }
    QCOMPARE(canvas.undoLayers().size(), WTView::kMaxUndoLayers); // merges happened on the way
    QVERIFY(paintedPixels(picture(canvas)) > 1000);
    QCOMPARE(worst, qint64(0));
}

// The application class of the program, for its coalescing switch.
int main(int argc, char **argv)
{
    TabletApplication app(argc, argv);
    TestStroke test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_stroke.moc"
