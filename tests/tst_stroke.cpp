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
    void shiftClickThenEscapePaintsNothing();
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
