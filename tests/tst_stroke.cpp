// Stroke input: freehand strokes from mouse and tablet, straight lines and their chains, the
// touched rectangles that are repainted, input held back during a stroke; the pen input
// settings (pressure curve, minimum width, smoothing, every pointer as the tip) and their stored
// values; and the undo history, ten snapshots unless the user chose another depth, whose oldest
// merges into the layer, with the redo that undo sets aside; what the canvas makes up for where
// the platform falls short with tablets (modifiers missing from tablet events).
#include "Answering.h"
#include "Beep.h"
#include "CanvasCore.h"
#include "InkpondDocument.h"
#include "MainMenu.h"
#include "PenSettings.h"
#include "PreferenceKeys.h"
#include "Preferences.h"
#include "PreferencesDialog.h"
#include "SessionEvent.h"
#include "SessionReplayer.h"
#include "StrokeDriver.h"
#include "StrokeGeometry.h"
#include "TabletApplication.h"
#include "TabletPlatform.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QAction>
#include <QPaintEvent>
#include <QSignalSpy>
#include <QSpinBox>
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

QImage rendered(WTView &canvas)
{
    QImage image(canvas.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    canvas.render(&image);
    return image;
}

void runPaintCycle(WTView &window)
{
    QEvent request(QEvent::UpdateRequest);
    QApplication::sendEvent(&window, &request);
}

QString action(const char *name, const QString &value)
{
    return QStringLiteral(R"({"event":"action","name":"%1","t":0,"value":%2})")
        .arg(QLatin1String(name), value);
}

// The picture left by replaying the lines, then a tablet stroke through the points at one
// pressure with the given pointer.
QImage replayed(QStringList lines,
                std::initializer_list<QPointF> path = {{20, 50}, {60, 50}, {100, 50}},
                const char *pointer = "pen", double pressure = 0.5)
{
    const auto sample = [&](const char *event, QPointF p, double pr) {
        return QStringLiteral(R"({"event":"%1","pointer":"%2","pressure":%3,"t":0,"x":%4,"y":%5})")
            .arg(QLatin1String(event), QLatin1String(pointer))
            .arg(pr)
            .arg(p.x())
            .arg(p.y());
    };
    lines << sample("press", *path.begin(), pressure);
    for (auto p = path.begin() + 1; p != path.end(); ++p)
        lines << sample("move", *p, pressure);
    lines << sample("release", *(path.end() - 1), 0);
    Opened opened;
    std::vector<SessionEvent> events;
    for (const QString &line : lines)
        events.push_back(*parseSessionEvent(line.toUtf8(), nullptr));
    SessionReplayer(events, opened.canvas).replayAll();
    return opened.canvas->core().getImageWithBG(false)->qimage();
}

// The same stroke with the mouse at a fixed width: today's painting, not through the curve.
QImage mouseStroke(float width)
{
    Opened opened;
    opened.canvas->setBrushSize(width);
    strokes::freehand(*opened.canvas, {{20, 50}, {60, 50}, {100, 50}});
    return opened.canvas->core().getImageWithBG(false)->qimage();
}
// As a grab shows it: laid out first.
QImage shown(WTView &canvas)
{
    return canvas.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

class TestStroke : public QObject
{
    Q_OBJECT

private slots:
    void init() { mSettings = std::make_unique<IsolatedSettings>(); }
    void cleanup()
    {
        TabletPlatform::forceShowsTabletCursor(std::nullopt);
        mSettings.reset();
    }

    void snapTo45degrees_data()
    {
        QTest::addColumn<Point>("anchor");
        QTest::addColumn<Point>("in");
        QTest::addColumn<Point>("out");
        QTest::newRow("flat") << Point {0, 0} << Point {10, 3} << Point {10, 0};
        QTest::newRow("45") << Point {0, 0} << Point {10, 6} << Point {6, 6};
        QTest::newRow("135") << Point {0, 0} << Point {-10, 8} << Point {-8, 8};
        QTest::newRow("270") << Point {0, 0} << Point {-3, -10} << Point {0, -10};
        QTest::newRow("315 past -pi/8") << Point {0, 0} << Point {10, -4.2f} << Point {4.2f, -4.2f};
        QTest::newRow("away from the origin")
            << Point {100, 50} << Point {110, 56} << Point {106, 56};
        QTest::newRow("at the anchor") << Point {7, 7} << Point {7, 7} << Point {7, 7};
    }

    void snapTo45degrees()
    {
        QFETCH(Point, anchor);
        QFETCH(Point, in);
        QFETCH(Point, out);
        ::snapTo45degrees(in, anchor);
        QCOMPARE(in, out);
    }

    void undoShortcutDuringStrokeRunsAfterRelease()
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
        QVERIFY(!TabletApplication::instance()->isMouseCoalescingEnabled()); // every sample counts
        QTest::keyClick(&canvas, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(undone.count(), 0);
        sendMouse(canvas, QEvent::MouseMove, {100, 60}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(canvas.picture().undoLayers().size(), std::size_t(2));
        QVERIFY(alphaAt(*canvas.picture().undoLayers().back()->image(), 80, 60) != 0);
        sendMouse(canvas, QEvent::MouseButtonRelease, {100, 60}, Qt::LeftButton, Qt::NoButton);
        QVERIFY(TabletApplication::instance()->isMouseCoalescingEnabled());
        // The finished stroke undone, the dab before it kept.
        QVERIFY(undone.count() == 1 && canvas.picture().undoLayers().size() == 1);
        QVERIFY(alphaAt(picture(canvas), 80, 60) == 0 && alphaAt(picture(canvas), 22, 20) != 0);
    }

    // Every sample, eraser stroke, line preview, dropped line, commit and hover of the canvas's own
    // crosshair and brush outline repaints only what it touched; the screen built from those
    // repaints must equal a repaint of the whole canvas.
    void rectangleRepaintsEqualWholeRepaint()
    {
        TabletPlatform::forceShowsTabletCursor(false);
        WTView canvas(Rect(0, 0, 300, 200));
        canvas.core().penSettings().setHoverMark(PenSettings::HoverMark::Both);
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
                    if (rng.bounded(6) == 0) { // dropped: the preview goes from the screen
                        QTest::keyClick(&canvas, Qt::Key_Escape);
                        repaint();
                        break;
                    }
                    sendMouse(canvas, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton,
                              leg > 1 ? Qt::AltModifier : Qt::NoModifier);
                    repaint();
                }
                continue;
            }
            Point p = randomPoint();
            for (int i = rng.bounded(3); i > 0; --i) { // the pen hovers to where it lands
                sendTablet(canvas, QEvent::TabletMove, p, 0.0f, Qt::NoButton, Qt::NoButton);
                repaint();
                p = randomPoint();
            }
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
        // Merges happened on the way.
        QCOMPARE(canvas.picture().undoLayers().size(), std::size_t(canvas.core().undoDepth()));
        QVERIFY(paintedPixels(picture(canvas)) > 1000);
        QCOMPARE(worst, qint64(0));
    }

    // The history holds as many strokes as its depth, ten unless a depth was stored: each undoes
    // and redoes exactly, the one past it beeps, the oldest merged into the layer. A merge that
    // cannot have the memory it needs refuses the stroke and keeps the history whole. Lowered
    // from Preferences, the surplus merges at once and the redo goes; raised, both stay.
    void historyHoldsItsDepth_data()
    {
        QTest::addColumn<int>("depth");
        QTest::newRow("ten") << 10;
        QTest::newRow("stored fifty") << 50;
    }

    void historyHoldsItsDepth()
    {
        QFETCH(int, depth);
        if (depth != 10) // stored by one canvas, read by the next
            CanvasCore({10, 10}, Preferences::standard()).setUndoDepth(depth);
        Opened o;
        CanvasCore &core = o.canvas->core();
        QAction *undo = o.window->mainMenu()->action(QStringLiteral("undo:"));
        QAction *redo = o.window->mainMenu()->action(QStringLiteral("redo:"));
        QCOMPARE(core.undoDepth(), depth);
        for (int i = 0; i < depth; ++i)
            dab(core, 10.0f + 10.0f * float(i), 20.0f + float(i % 7) * 10.0f);
        int beeps = systemBeepCount();
        TiledImage::setTileLimit(TiledImage::liveTiles()); // the merge needs tiles of the layer
        core.mouseDown({{200, 280}, 1.0f, true, {}});
        TiledImage::setTileLimit(-1);
        QVERIFY(systemBeepCount() == beeps + 1 && !core.isTrackingStroke());
        QCOMPARE(core.picture().undoLayers().size(), std::size_t(depth));
        QVERIFY(alphaAt(picture(core), 12, 20) != 0);
        dab(core, 10.0f + 10.0f * float(depth), 20.0f + float(depth % 7) * 10.0f);
        o.document.updateChangeCount(Document::ChangeCleared); // as a save does
        const QImage before = picture(core).qimage();
        QVERIFY(!redo->isEnabled());
        beeps = systemBeepCount();
        for (int i = 0; i < depth; ++i)
            undo->trigger();
        QVERIFY(o.document.isDocumentEdited() && systemBeepCount() == beeps);
        QVERIFY(alphaAt(*core.picture().currentLayer()->image(), 12, 20) != 0); // merged
        QCOMPARE(alphaAt(picture(core), 22, 30), 0); // the second, undone
        QCOMPARE(paintedPixels(picture(core)),
                 paintedPixels(*core.picture().currentLayer()->image()));
        undo->trigger();
        QVERIFY(systemBeepCount() == beeps + 1 && redo->isEnabled());
        for (int i = 0; i < depth; ++i)
            redo->trigger();
        QCOMPARE(differingPixels(picture(core).qimage(), before), 0);
        QVERIFY(!o.document.isDocumentEdited() && !redo->isEnabled());

        core.undo();
        QVERIFY(redo->isEnabled());
        QDialog *panel = PreferencesDialog::showForWindow(o.window, o.canvas);
        auto *steps = panel->findChild<QSpinBox *>(QStringLiteral("undoDepthBox"));
        QCOMPARE(steps->value(), depth);
        const QImage shown = picture(core).qimage();
        steps->setValue(6);
        QVERIFY(core.picture().undoLayers().size() == 6 && !redo->isEnabled());
        QCOMPARE(differingPixels(picture(core).qimage(), shown), 0);
        beeps = systemBeepCount();
        for (int i = 0; i < 7; ++i)
            core.undo();
        QCOMPARE(systemBeepCount(), beeps + 1);
        steps->setValue(30);
        const QVariant stored = Preferences::standard().objectForKey(PreferenceKeys::kUndoDepth);
        QCOMPARE(Preferences::toInteger(stored), std::optional<qint64>(30));
        QVERIFY(core.picture().undoLayers().empty() && core.canRedo());
    }

    void rewritingTheHistoryDropsTheRedo_data()
    {
        QTest::addColumn<int>("rewrite");
        QTest::newRow("stroke") << 0;
        QTest::newRow("line") << 1;
        QTest::newRow("crop") << 2;
        QTest::newRow("clear") << 3;
    }

    void rewritingTheHistoryDropsTheRedo()
    {
        QFETCH(int, rewrite);
        Opened o;
        WTView &canvas = *o.canvas;
        dab(canvas, 100, 100);
        dab(canvas, 200, 200);
        canvas.undo();
        switch (rewrite) {
        case 0:
            dab(canvas, 300, 300);
            break;
        case 1:
            click(canvas, {50, 400}, Qt::ShiftModifier);
            click(canvas, {250, 450});
            break;
        case 2:
            QVERIFY(canvas.core().applyResize(Rect(10, 10, 400, 400)));
            break;
        case 3:
            o.window->mainMenu()->action(QStringLiteral("clear:"))->trigger();
            QVERIFY(answer("saveChangesAlert", o.window, QMessageBox::Discard));
            break;
        }
        QVERIFY(!o.window->mainMenu()->action(QStringLiteral("redo:"))->isEnabled());
        const QImage after = picture(canvas).qimage();
        const int beeps = systemBeepCount();
        canvas.redo();
        QCOMPARE(systemBeepCount(), beeps + 1);
        QCOMPARE(differingPixels(picture(canvas).qimage(), after), 0);
    }

    void replayedCurveGivesItsWidth_data()
    {
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<float>("factor"); // what the width at pressure 0.5 comes to
        QTest::newRow("default") << QStringList() << 0.5f;
        const float soft = PressureCurve::preset(PressureCurve::Preset::Soft).map(0.5f);
        QTest::newRow("soft") << QStringList {action("setPressureCurve:", "1")} << soft;
        // A custom straight curve from 0.2 to 1 with a minimum of half the width.
        QTest::newRow("custom, minimum")
            << QStringList {action("setCustomPressureCurve:", "[0,0.2,1,1]"),
                            action("setPressureCurve:", "3"), action("setMinimumWidth:", "0.5")}
            << 0.5f + 0.5f * PressureCurve::fromNumbers({0, 0.2f, 1, 1})->map(0.5f);
    }

    // The replayed tablet stroke is the mouse stroke of the width the curve gives, pixel for pixel;
    // linear and the defaults are today's widths exactly.
    void replayedCurveGivesItsWidth()
    {
        QFETCH(QStringList, settings);
        QFETCH(float, factor);
        const QImage replayed = ::replayed(settings);
        QCOMPARE(differingPixels(replayed, mouseStroke(factor * 10.0f)), 0);
        if (factor != 0.5f)
            QVERIFY(differingPixels(replayed, mouseStroke(5.0f)) > 0);
    }

    void smoothedZigZagStaysOnThePathAndEndsAtTheRelease()
    {
        const QImage painted = replayed(
            {action("setBrushSize:", "2"), action("setSmoothing:", "70")},
            {{20, 20}, {40, 80}, {60, 20}, {80, 80}, {100, 20}, {120, 80}, {140, 20}}, "pen", 1.0);
        // Within the samples' bounding box, widened by half the width and a pixel of antialiasing;
        // the image's rows run from the top.
        const auto alpha
            = [&](int x, int y) { return qAlpha(painted.pixel(x, painted.height() - 1 - y)); };
        for (int y = 0; y < painted.height(); ++y)
            for (int x = 0; x < painted.width(); ++x)
                if (alpha(x, y) != 0)
                    QVERIFY2(x >= 18 && x <= 142 && y >= 18 && y <= 82,
                             qPrintable(QStringLiteral("painted at %1, %2").arg(x).arg(y)));
        QVERIFY(alpha(140, 20) != 0); // where the pen lifted
        QCOMPARE(alpha(40, 79), 0); // a corner the smoothed path cuts
    }

    void eraserEndDrawsWhenEveryPointerIsTheTip_data()
    {
        QTest::addColumn<bool>("everyPointerIsTip");
        QTest::newRow("eraser erases") << false;
        QTest::newRow("eraser draws") << true;
    }

    void eraserEndDrawsWhenEveryPointerIsTheTip()
    {
        QFETCH(bool, everyPointerIsTip);
        const QImage painted = replayed(
            {action("setTreatEveryPointerAsTip:", everyPointerIsTip ? "1" : "0"),
             QStringLiteral(
                 R"({"enter":true,"event":"proximity","id":0,"pointer":"eraser","t":0})")},
            {{20, 50}, {60, 50}}, "eraser");
        QImage blank(painted.size(), painted.format());
        blank.fill(Qt::transparent);
        QCOMPARE(differingPixels(painted, blank) > 0, everyPointerIsTip);
    }

    // A stored value out of range or of the wrong kind reads as its default, and leaves the
    // other settings alone (each number's range, below and above: tst_controls).
    void outOfRangeWidthReadsAsItsDefault_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        using namespace PreferenceKeys;
        const QString curve = kCustomPressureCurve;
        const std::tuple<const char *, QString, const char *> rows[] = {
            {"pen infinite", brushSizeKey(1), "inf"},
            {"curve odd", curve, "0, 0, 1"},
            {"curve x falls", curve, "0, 0, 0.6, 1, 0.4, 1, 1, 1"},
            {"curve beyond 1", curve, "0, 0, 1, 2"},
            {"minimum nan", kMinimumWidth, "nan"},
            {"undo depth a fraction", kUndoDepth, "2.5"},
        };
        for (const auto &[name, key, stored] : rows)
            QTest::newRow(name) << key << QString::fromLatin1(stored);
    }

    void outOfRangeWidthReadsAsItsDefault()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QVERIFY(writeFile(mSettings->filePath(),
                          QStringLiteral("[General]\n%1=%2\n").arg(key, stored).toUtf8()));
        Preferences store(mSettings->filePath());
        const PenSettings read(store);
        Preferences fresh(QDir(QFileInfo(mSettings->filePath()).path()).filePath("fresh.conf"));
        const PenSettings defaults(fresh);
        for (int slot = 0; slot < PenSettings::kSlots; ++slot)
            QCOMPARE(read.brushSize(slot), 10.0f);
        QVERIFY(read.rubberSize() == 10.0f && read.undoDepth() == 10
                && read.pressureCurvePreset() == defaults.pressureCurvePreset()
                && read.customPressureCurve() == defaults.customPressureCurve()
                && read.minimumWidth() == defaults.minimumWidth()
                && read.smoothing() == defaults.smoothing()
                && read.treatsEveryPointerAsTip() == defaults.treatsEveryPointerAsTip());
        QCOMPARE(read.widthFactor(0.3f), 0.3f);
    }

    void shiftOnTheKeyboardStartsALineFromATabletPressWithoutModifiers()
    {
        Opened opened;
        WTView &canvas = *opened.canvas;
        opened.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(opened.window));
        QWindow *window = opened.window->windowHandle();

        // As on Wayland with Qt 6.4: the key went to the window, the tablet event says nothing of
        // it.
        QTest::keyPress(window, Qt::Key_Shift, Qt::ShiftModifier);
        QVERIFY(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier);
        strokes::sendTablet(canvas, QEvent::TabletPress, {60, 60}, 0.5f, Qt::LeftButton,
                            Qt::LeftButton, Qt::NoModifier);
        strokes::sendTablet(canvas, QEvent::TabletRelease, {60, 60}, 0.0f, Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QVERIFY(canvas.core().isDrawingLine());
        QTest::keyRelease(window, Qt::Key_Shift);
    }

    // A translucent chain covers each pixel once, its joints not built up (a freehand stroke's
    // overlaps: tst_ink); a chain changing colour keeps what it had painted, and one undo takes
    // the whole chain.
    void translucentChainCoversEachPixelOnce()
    {
        CanvasCore core({300, 200}, Preferences::standard());
        const Color ink {0.1f, 0.3f, 0.9f, 0.3f};
        core.setColor(&ink);
        core.setBrushSize(12);
        const int once = qAlpha(ink.toQColor().rgba()); // 77
        tap(core, {30, 40}, Qt::ShiftModifier);
        tap(core, {150, 160}, Qt::AltModifier);
        tap(core, {270, 40}, Qt::AltModifier);
        const Image twoLines = picture(core);
        int brightest = 0;
        for (int y = 0; y < twoLines.pixelHeight(); ++y)
            for (int x = 0; x < twoLines.pixelWidth(); ++x)
                brightest = std::max(brightest, alphaAt(twoLines, x, y));
        QVERIFY(brightest <= once + 2);
        QVERIFY(std::abs(alphaAt(twoLines, 150, 160) - once) <= 2); // the joint
        const Color deeper = ink.withAlpha(0.6f);
        core.setColor(&deeper);
        tap(core, {270, 190});
        const Image chain = picture(core);
        QCOMPARE(differingPixels(chain.qimage().copy(0, 100, 250, 100),
                                 twoLines.qimage().copy(0, 100, 250, 100)),
                 0);
        QVERIFY(std::abs(alphaAt(chain, 270, 120) - qAlpha(deeper.toQColor().rgba())) <= 2);
        QCOMPARE(core.picture().undoLayers().size(), std::size_t(1));
        core.undo();
        QCOMPARE(paintedPixels(picture(core)), 0);
    }

    // Over an opaque stroke a translucent one composes once: drawn, undone, redone, re-framed,
    // flattened and zoomed out (merged: tst_layer's depthNeverChangesThePicture).
    void translucentStrokeComposesOnceWherePictureShowsIt()
    {
        CanvasCore core({300, 200}, Preferences::standard());
        const Color red {1, 0, 0, 1};
        const Color blue {0, 0, 1, 0.3f};
        core.setBrushSize(20);
        core.setColor(&red);
        auto line = [&core](Point from, Point to) { freehand(core, {from, to}); };
        line({20, 100}, {280, 100});
        core.setColor(&blue);
        core.setBrushSize(12);
        line({150, 30}, {150, 170});
        const int once = qAlpha(blue.toQColor().rgba());
        const Image both = picture(core);
        QCOMPARE(both.pixel(60, 100), qRgb(255, 0, 0)); // opaque ink as it always was
        const QRgb crossing = both.pixel(150, 100);
        QVERIFY2(qAlpha(crossing) == 255 && std::abs(qRed(crossing) - (255 - once)) <= 2
                     && qGreen(crossing) == 0 && std::abs(qBlue(crossing) - once) <= 2,
                 qPrintable(QString::number(crossing, 16)));
        QVERIFY(std::abs(alphaAt(both, 150, 50) - once) <= 2);

        auto agrees = [&] { // flattened, and halved as zoomed out
            const QImage flat = core.getImageWithBG(false)->qimage();
            const QImage half = boxFiltered(flat, 1);
            QImage level(half.size(), QImage::Format_ARGB32_Premultiplied);
            core.picture().pyramid().readPixels(1, level.rect(), level, 0, 0);
            return differingPixels(flat, picture(core).qimage()) == 0
                && differingPixels(level, half, 2) == 0;
        };
        QVERIFY2(agrees(), "drawn");
        core.undo();
        QCOMPARE(picture(core).pixel(150, 100), qRgb(255, 0, 0));
        QVERIFY2(agrees(), "undone");
        core.redo();
        QCOMPARE(differingPixels(picture(core).qimage(), both.qimage()), 0);
        QVERIFY2(agrees(), "redone");

        // The last stroke translucent, then re-framed: it moves and stays as it was.
        core.setColor(&blue);
        line({30, 20}, {270, 160});
        const QImage last = picture(core, {0, 0, 290, 170}).qimage();
        QVERIFY(core.applyResize(Rect(-10, -10, 320, 220)));
        QCOMPARE(differingPixels(picture(core, {10, 10, 290, 170}).qimage(), last), 0);
        QVERIFY2(agrees(), "re-framed");
    }

    // A translucent chain's next line previews as its click paints it, its joint not darker.
    void translucentChainPreviewShowsWhatTheClickPaints_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<double>("degrees");
        QTest::newRow("as it is") << 1.0 << 0.0;
        QTest::newRow("magnified and turned") << 2.0 << 30.0;
    }

    void translucentChainPreviewShowsWhatTheClickPaints()
    {
        QFETCH(double, zoom);
        QFETCH(double, degrees);
        Opened opened;
        WTView &canvas = *opened.canvas;
        canvas.core().penSettings().setHoverMark(PenSettings::HoverMark::Crosshair); // no outline
        canvas.setBgType(float(BgType::Plain));
        canvas.viewport().setView(viewOf(zoom, degrees));
        const Color ink {0.1f, 0.3f, 0.9f, 0.3f};
        canvas.setColor(&ink);
        canvas.setBrushSize(12);
        const Point c = canvas.viewport().sheetPoint(QPointF(canvas.width(), canvas.height()) / 2);
        const Point start {c.x - 60, c.y}, joint {c.x + 20, c.y}, end {c.x + 20, c.y + 60};
        click(canvas, start, Qt::ShiftModifier);
        click(canvas, joint, Qt::AltModifier);
        sendMouse(canvas, QEvent::MouseMove, end, Qt::NoButton, Qt::NoButton);
        QVERIFY(canvas.core().isDrawingLine());
        const QImage previewed = shown(canvas);
        const auto at
            = [&](Point p) { return previewed.pixel(canvas.viewport().widgetPoint(p).toPoint()); };
        const QRgb joined = at(joint), alone = at({c.x - 20, c.y});
        QVERIFY2(std::abs(qRed(joined) - qRed(alone)) <= 2
                     && std::abs(qBlue(joined) - qBlue(alone)) <= 2,
                 qPrintable(QStringLiteral("%1 against %2").arg(joined, 0, 16).arg(alone, 0, 16)));
        click(canvas, end);
        QVERIFY(!canvas.core().isDrawingLine());
        QCOMPARE(differingPixels(shown(canvas), previewed, 1), 0);
    }

private:
    std::unique_ptr<IsolatedSettings> mSettings;
};

INKPOND_TEST_MAIN(TestStroke)
#include "tst_stroke.moc"
