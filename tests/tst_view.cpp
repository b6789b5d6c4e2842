// The view: zoom, rotation, mirror and pan between the sheet and the widget, what it shows at
// every zoom, and the input that moves it.
#include "Brush.h"
#include "CanvasViewport.h"
#include "NotificationCenter.h"
#include "PenSettings.h"
#include "Preferences.h"
#include "SheetContainer.h"
#include "StrokeDriver.h"
#include "TabletPlatform.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QClipboard>
#include <QMimeData>
#include <QNativeGestureEvent>
#include <QRandomGenerator>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>

namespace {
// What the canvas shows, in device pixels.
struct Stage : ContainedCanvas
{
    using ContainedCanvas::ContainedCanvas;
    QImage shown() const { return canvas->grab().toImage().convertToFormat(kFormat); }
    static constexpr auto kFormat = QImage::Format_ARGB32_Premultiplied;
};

using strokes::viewOf;

void scribble(WTView &canvas, quint32 seed, int strokes)
{
    QRandomGenerator rng(seed);
    const Size s = canvas.sheetSize();
    for (int i = 0; i < strokes; ++i) {
        canvas.setActiveColor(1 + int(rng.bounded(4)));
        canvas.setBrushSize(strokes::uniform(rng, 1, 12));
        const Point a {strokes::uniform(rng, 0, s.width), strokes::uniform(rng, 0, s.height)};
        const Point b {strokes::uniform(rng, 0, s.width), strokes::uniform(rng, 0, s.height)};
        strokes::freehand(canvas, {a, {(a.x + b.x) / 2, a.y}, b});
    }
}

void hover(WTView &canvas, Point p)
{
    strokes::sendTablet(canvas, QEvent::TabletMove, p, 0.0f, Qt::NoButton, Qt::NoButton);
}

QByteArray copied(WTView &canvas)
{
    canvas.copy();
    return QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/png"));
}

// A viewport placed as a window's container of the given size places it, without the window.
struct Alone
{
    Alone(QSize container, Size sheet)
        : sheet(sheet)
    {
        const float cw = float(container.width());
        const float ch = float(container.height());
        const float w = std::max(cw, sheet.width);
        const float h = std::max(ch, sheet.height);
        const Rect frame {-std::round((w - cw) / 2), -std::round((h - ch) / 2), w, h};
        viewport.setFrame(frame, {cw, ch});
        CanvasViewport::Placement place;
        place.contained = true;
        place.position = {frame.x(), ch - frame.maxY()};
        place.container = QRectF(-place.position, QSizeF(container));
        place.height = std::ceil(h);
        viewport.setPlacement(place);
    }
    QPointF at(QPointF inContainer) const { return inContainer - viewport.placement().position; }

    Size sheet;
    CanvasViewport viewport {[this] { return sheet; }};
};

QPointF sheetPointAt(const CanvasViewport &viewport, QPointF widgetPoint)
{
    const Point p = viewport.sheetPoint(widgetPoint);
    return {p.x, p.y};
}
} // namespace

class TestView : public QObject
{
    Q_OBJECT

private slots:
    void init() { settings = std::make_unique<IsolatedSettings>(); }
    void cleanup() { settings.reset(); }

    void zoomStepsAndRotationSnaps()
    {
        // Two steps an octave, landing on the powers of two, stopping at the ends.
        double zoom = 1.0 / 64;
        QList<double> steps;
        while (zoom < ViewTransform::kMaxZoom) {
            zoom = ViewTransform::zoomInStep(zoom);
            steps << zoom;
        }
        QVERIFY(steps.size() == 24 && steps[11] == 1.0);
        // At the ends they stay; √2 is but a hair away from 1.4.
        QCOMPARE((QList<double> {ViewTransform::zoomInStep(64), ViewTransform::zoomOutStep(1.0 / 64),
                                 ViewTransform::zoomOutStep(1.3), ViewTransform::zoomInStep(1.4)}),
                 (QList<double> {64.0, 1.0 / 64, 1.0, 2.0}));
        ViewTransform v;
        v.setZoom(0.2507); // nearly a quarter: exactly a quarter, so pixels stay whole
        QCOMPARE(v.zoom(), 0.25);
        v.setZoom(1e9);
        QCOMPARE(v.zoom(), 64.0);
        v.setZoom(std::nan(""));
        QCOMPARE(v.zoom(), 64.0);
        for (auto [given, kept] : {std::pair {4.9, 0.0},
                                   {-4.9, 0.0},
                                   {5.1, 5.1},
                                   {185.0, -175.0},
                                   {-180.0, 180.0},
                                   {720.0 + 90.0, 90.0}}) {
            v.setRotation(given);
            QCOMPARE(v.rotation(), kept);
        }
    }

    // Zoomed out by a power of two, the screen shows the picture averaged 2 × 2 per halving.
    void powerOfTwoZoomShowsTheBoxFilteredPicture()
    {
        Stage stage({700, 600}, {512, 384});
        // On plain paper: averaging what lies over rules is not laying averages over rules.
        stage.canvas->setBgType(float(BgType::Plain));
        scribble(*stage.canvas, 11, 30);
        const QImage picture = stage.canvas->core().getImageWithBG(true)->qimage();
        // Ink is averaged apart from the paper it is laid on: colour and coverage are each
        // rounded once more than in an average of the composite.
        constexpr int kRounding = 2;
        for (int level : {1, 2, 3, 5}) {
            stage.canvas->viewport().setView(viewOf(std::exp2(-level)));
            const QPointF topLeft = stage.canvas->viewport().widgetPoint({0, 384});
            QCOMPARE(topLeft, topLeft.toPoint()); // whole pixels on whole pixels
            const QImage expected = boxFiltered(picture, level);
            const auto seen
                = [&] { return stage.shown().copy(QRect(topLeft.toPoint(), expected.size())); };
            QVERIFY2(differingPixels(seen(), expected, kRounding) == 0,
                     qPrintable(QString::number(level)));
            // A stroke drawn while zoomed out shows averaged too, and so does its undo.
            scribble(*stage.canvas, 100 + level, 2);
            const QImage drawn = stage.canvas->core().getImageWithBG(true)->qimage();
            QCOMPARE(differingPixels(seen(), boxFiltered(drawn, level), kRounding), 0);
            stage.canvas->undo();
            stage.canvas->undo();
            QCOMPARE(differingPixels(seen(), expected, kRounding), 0);
        }
    }

    // Magnified at right angles, every picture pixel is a square of whole device pixels,
    // turned and mirrored as the view says.
    void rightAngledViewsShowWholePixels()
    {
        Stage stage({400, 300}, {64, 48});
        const QImage picture = testPicture(64, 48, true).convertToFormat(Stage::kFormat);
        const Image image(picture);
        QVERIFY(stage.canvas->core().setImage(&image));
        for (const auto &[degrees, mirrored] :
             {std::pair {0.0, true}, {90.0, false}, {90.0, true}, {180.0, false}, {-90.0, true}}) {
            stage.canvas->viewport().setView(viewOf(2, degrees, mirrored, {7, -3}));
            const QSize turned
                = std::abs(degrees) == 90 ? picture.size().transposed() : picture.size();
            const QImage expected = picture.mirrored(mirrored, false)
                                        .transformed(QTransform().rotate(degrees))
                                        .scaled(turned * 2);
            const QRect at = stage.canvas->viewport().widgetRect({0, 0, 64, 48}).toRect();
            QCOMPARE(at.size(), expected.size());
            QVERIFY2(differingPixels(stage.shown().copy(at), expected) == 0,
                     qPrintable(QStringLiteral("%1° %2").arg(degrees).arg(mirrored)));
            // The surround is drawn anew around it.
            QCOMPARE(stage.shown().pixel(stage.canvas->mapFrom(stage.holder, QPoint(2, 2))),
                     qRgb(170, 170, 170));
        }
    }

    // Widget to sheet and back is exact to 1/256 pt at any view; zooming (by Ctrl+wheel too)
    // keeps the sheet point under the cursor; no pan pushes the sheet out of view.
    void viewportMapsBothWaysAndKeepsTheSheetInView()
    {
        Alone alone({600, 500}, {4000, 3000});
        CanvasViewport &viewport = alone.viewport;
        QRandomGenerator rng(7);
        for (int i = 0; i < 200; ++i) {
            const double zoom = std::exp2(strokes::uniform(rng, -6, 6));
            viewport.setView(viewOf(zoom, strokes::uniform(rng, -180, 180), rng.bounded(2),
                                    {strokes::uniform(rng, -50, 50), 0}));
            const QPointF w(strokes::uniform(rng, 0, 600), strokes::uniform(rng, 0, 500));
            const QPointF back = viewport.widgetPoint(viewport.sheetPoint(w));
            const double error = std::hypot(back.x() - w.x(), back.y() - w.y());
            QVERIFY2(error / viewport.view().zoom() <= 1.0 / 256,
                     qPrintable(QString::number(zoom)));
        }
        const QPointF cursor = alone.at({223, 321});
        for (double degrees : {0.0, 30.0, 90.0}) {
            viewport.setView(viewOf(1, degrees));
            const QPointF before = sheetPointAt(viewport, cursor);
            for (double zoom : {2.0, 0.3, 8.0, 0.25}) {
                viewport.zoomAbout(zoom, cursor);
                const QPointF now = viewport.widgetPoint({float(before.x()), float(before.y())});
                // Within the half pixel that aligning whole pixels may move it.
                QVERIFY(std::hypot(now.x() - cursor.x(), now.y() - cursor.y()) <= 0.5 + 1e-6);
            }
        }
        viewport.setView({});
        const QPointF before = sheetPointAt(viewport, cursor);
        viewport.wheel({0, 120}, {}, Qt::ControlModifier, cursor);
        QVERIFY(viewport.view().zoom() > 1.0);
        const QPointF after = sheetPointAt(viewport, cursor);
        QVERIFY(std::hypot(after.x() - before.x(), after.y() - before.y()) <= 0.5);

        Alone small({400, 300}, {200, 100});
        for (QPointF push : {QPointF(1e6, 0), QPointF(-1e6, 3e5), QPointF(0, -1e7)})
            for (double zoom : {1.0 / 64, 1.0, 64.0}) {
                small.viewport.setView(viewOf(zoom, 40));
                small.viewport.panBy(push);
                const QRectF shown = small.viewport.shownSheetRect();
                QVERIFY(shown.adjusted(-1e-6, -1e-6, 1e-6, 1e-6)
                            .contains(small.viewport.containerRect().center()));
            }
    }

    // Fit to Window shows the whole sheet, turned or not. Reset View: upright, unmirrored and
    // centred; the whole sheet when it would not fit at actual size, actual size when it would,
    // however the view was before.
    void fitAndResetShowTheSheet_data()
    {
        QTest::addColumn<Size>("sheet");
        QTest::addColumn<bool>("reset");
        QTest::addColumn<bool>("fits");
        QTest::newRow("fit") << Size {6000, 4000} << false << true;
        QTest::newRow("fit, smaller") << Size {200, 100} << false << true;
        QTest::newRow("reset, larger") << Size {1200, 900} << true << true;
        QTest::newRow("reset, wider only") << Size {500, 100} << true << true;
        QTest::newRow("reset, smaller") << Size {200, 100} << true << false;
        QTest::newRow("reset, just fits") << Size {400, 300} << true << false;
    }

    void fitAndResetShowTheSheet()
    {
        QFETCH(Size, sheet);
        QFETCH(bool, reset);
        QFETCH(bool, fits);
        Alone alone({400, 300}, sheet);
        CanvasViewport &viewport = alone.viewport;
        for (const ViewTransform &before :
             {viewOf(1), viewOf(1, 45), viewOf(3, 40, true, {70, -20})}) {
            viewport.setView(before);
            if (reset)
                viewport.resetView();
            else
                viewport.zoomToFit();
            const ViewTransform &v = viewport.view();
            const QRectF area = viewport.containerRect();
            const QRectF shown = viewport.shownSheetRect();
            QVERIFY(area.contains(shown));
            QVERIFY(std::abs(shown.center().x() - area.center().x()) <= 0.5
                    && std::abs(shown.center().y() - area.center().y()) <= 0.5);
            if (fits)
                QVERIFY(shown.width() > 380 || shown.height() > 280);
            if (!reset)
                continue;
            QVERIFY(v.rotation() == 0.0 && !v.isMirrored());
            if (fits)
                QVERIFY(v.zoom() < 1.0);
            else
                QCOMPARE(viewport.displayZoom(), 1.0);
        }
    }

    // Driven alike, a viewport alone, placed as the window's container places it, and the
    // window's own map the same sheet points and show the same whole-point area (a crop to that
    // area: tst_replay's viewChangesAreRecordedAndReplayed).
    void viewportAloneMatchesTheWindow_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("zoom, pan") << QStringList {"zoom", "pan", "pan"};
        QTest::newRow("turn drag, mirror") << QStringList {"zoom", "turn", "mirror"};
        QTest::newRow("turn step, fit") << QStringList {"step", "fit"};
        QTest::newRow("reset") << QStringList {"zoom", "mirror", "pan", "reset"};
    }

    void viewportAloneMatchesTheWindow()
    {
        QFETCH(QStringList, steps);
        const QPointF a(300, 150);
        const QPointF b(380, 260);
        const std::map<QString, std::function<void(CanvasViewport &)>> apply {
            {"zoom",
             [&](auto &v) {
                 v.wheel({0, 240}, {}, Qt::ControlModifier, a);
             }},
            {"pan", [](auto &v) { v.panForKey(Qt::Key_Left), v.panForKey(Qt::Key_PageDown); }},
            {"turn",
             [&](auto &v) {
                 v.setSpaceHeld(true);
                 QVERIFY(v.dragPress(Qt::LeftButton, Qt::ShiftModifier, a, false));
                 v.dragMove(b);
                 QVERIFY(v.dragRelease(Qt::LeftButton) && v.isNavigating());
                 v.setSpaceHeld(false);
             }},
            {"mirror", [](auto &v) { v.toggleMirror(); }},
            {"step", [](auto &v) { v.rotateRight(); }},
            {"fit", [](auto &v) { v.zoomToFit(); }},
            {"reset", [](auto &v) { v.resetView(); }},
        };
        Stage stage({600, 500}, {800, 600});
        CanvasViewport &shown = stage.canvas->viewport();
        Alone alone({600, 500}, {800, 600});
        for (const QString &step : steps) {
            apply.at(step)(shown);
            apply.at(step)(alone.viewport);
            QCOMPARE(alone.viewport.view(), shown.view());
        }
        QVERIFY(!shown.view().isDefault());
        for (const QPointF &p : {a, b, QPointF(0, 0), QPointF(799.5, 599.5)})
            QCOMPARE(alone.viewport.sheetPoint(p), shown.sheetPoint(p));
        const Rect visible = alone.viewport.visibleRect();
        QCOMPARE(visible, shown.visibleRect());
        QCOMPARE(visible, integralRect(visible));
    }

    // Navigation input moves the view and paints nothing.
    void navigationInputMovesTheViewOnly_data()
    {
        QTest::addColumn<QString>("input");
        QTest::newRow("space drag pans") << "space";
        QTest::newRow("middle drag pans") << "middle";
        QTest::newRow("pen button pans past its dead zone") << "pen button";
        QTest::newRow("space shift drag turns") << "space shift";
        QTest::newRow("wheel scrolls") << "wheel";
        QTest::newRow("pinch zooms") << "pinch";
        QTest::newRow("arrow key pans") << "arrow";
    }

    void navigationInputMovesTheViewOnly()
    {
        QFETCH(QString, input);
        Stage stage({500, 400}, {1200, 900});
        WTView &canvas = *stage.canvas;
        const ViewTransform start = canvas.viewport().view();
        const Point a {650, 470};
        const Point b {700, 400};
        using namespace strokes;
        if (input.startsWith(QLatin1String("space"))) {
            const Qt::KeyboardModifiers mods
                = input.endsWith(QLatin1String("shift")) ? Qt::ShiftModifier : Qt::NoModifier;
            QTest::keyPress(&canvas, Qt::Key_Space);
            QVERIFY(canvas.isNavigating());
            sendMouse(canvas, QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton, mods);
            sendMouse(canvas, QEvent::MouseMove, b, Qt::NoButton, Qt::LeftButton, mods);
            sendMouse(canvas, QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton, mods);
            QTest::keyRelease(&canvas, Qt::Key_Space);
            QVERIFY(!canvas.isNavigating());
        } else if (input == QLatin1String("middle")) {
            sendMouse(canvas, QEvent::MouseButtonPress, a, Qt::MiddleButton, Qt::MiddleButton);
            sendMouse(canvas, QEvent::MouseMove, b, Qt::NoButton, Qt::MiddleButton);
            sendMouse(canvas, QEvent::MouseButtonRelease, b, Qt::MiddleButton, Qt::NoButton);
        } else if (input == QLatin1String("pen button")) {
            sendTablet(canvas, QEvent::TabletPress, a, 0, Qt::MiddleButton, Qt::MiddleButton);
            sendTablet(canvas, QEvent::TabletMove, {a.x + 1, a.y}, 0, Qt::NoButton,
                       Qt::MiddleButton);
            QCOMPARE(canvas.viewport().view(), start); // a resting thumb moves nothing
            sendTablet(canvas, QEvent::TabletMove, b, 0, Qt::NoButton, Qt::MiddleButton);
            sendTablet(canvas, QEvent::TabletRelease, b, 0, Qt::MiddleButton, Qt::NoButton);
        } else if (input == QLatin1String("wheel")) {
            QWheelEvent wheel({100, 100}, canvas.mapToGlobal(QPointF(100, 100)), {}, {0, -240},
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&canvas, &wheel);
        } else if (input == QLatin1String("pinch")) {
            QNativeGestureEvent pinch(Qt::ZoomNativeGesture,
                                      QPointingDevice::primaryPointingDevice(), 2, {100, 100},
                                      {100, 100}, canvas.mapToGlobal(QPointF(100, 100)), 0.25, {});
            QApplication::sendEvent(&canvas, &pinch);
            QCOMPARE(canvas.viewport().view().zoom(), 1.25);
        } else if (input == QLatin1String("arrow")) {
            QTest::keyClick(&canvas, Qt::Key_Right);
        }
        QVERIFY(canvas.viewport().view() != start);
        QCOMPARE(paintedPixels(*canvas.picture().currentLayer()->image()), 0);
        QVERIFY(canvas.picture().undoLayers().empty());
        // The pen draws again afterwards.
        dab(canvas, 600, 450);
        QVERIFY(!canvas.picture().undoLayers().empty());
    }

    // The outline is the nib mapped point for point through the view's own mapping, centred
    // under the pointer; its repaint rectangle holds it with little to spare, so it grows with
    // the zoom and the width. The tilt turns the marker's chisel.
    void brushOutlineIsTheNibThroughTheView_data()
    {
        QTest::addColumn<ViewTransform>("view");
        QTest::addColumn<int>("kind");
        QTest::addColumn<float>("width");
        QTest::newRow("pen, actual size") << viewOf(1) << int(BrushKind::Pen) << 20.0f;
        QTest::newRow("pen, wider") << viewOf(4) << int(BrushKind::Pen) << 40.0f;
        QTest::newRow("airbrush, zoomed out") << viewOf(0.5) << int(BrushKind::Airbrush) << 30.0f;
        QTest::newRow("marker") << viewOf(1) << int(BrushKind::Marker) << 40.0f;
        QTest::newRow("marker, a quarter turn") << viewOf(1, 90) << int(BrushKind::Marker) << 40.0f;
        QTest::newRow("marker, turned and mirrored")
            << viewOf(1.5, -60, true, {12, -7}) << int(BrushKind::Marker) << 24.0f;
    }

    void brushOutlineIsTheNibThroughTheView()
    {
        QFETCH(ViewTransform, view);
        QFETCH(int, kind);
        QFETCH(float, width);
        Stage stage({500, 400}, {1200, 900});
        WTView &canvas = *stage.canvas;
        canvas.viewport().setView(view);
        canvas.core().penSettings().setBrushKind(0, BrushKind(kind));
        canvas.setActiveColor(1);
        canvas.setBrushSize(width);
        const Point at = canvas.viewport().sheetPoint({250, 200});
        hover(canvas, at);
        const BrushOutline &outline = canvas.brushOutline();
        QVERIFY(outline.isShown() && !outline.isCross());

        const QPainterPath nib
            = Brush::nibOutline(BrushKind(kind), width, Brush::kFixedMarkerAngle);
        const QPainterPath shown = canvas.nibOutlineAt(outline.position());
        QCOMPARE(shown.elementCount(), nib.elementCount());
        for (int i = 0; i < nib.elementCount(); ++i) {
            const QPointF e = nib.elementAt(i);
            const QPointF expected
                = canvas.viewport().widgetPoint({at.x + float(e.x()), at.y + float(e.y())});
            const QPointF d = QPointF(shown.elementAt(i)) - expected;
            QVERIFY2(std::hypot(d.x(), d.y()) < 0.05, qPrintable(QString::number(i)));
        }
        const QRectF box = shown.boundingRect();
        const QRect dirty = outline.rect();
        QVERIFY(QRectF(dirty).contains(box.adjusted(-1.5, -1.5, 1.5, 1.5)));
        QVERIFY(box.adjusted(-5, -5, 5, 5).contains(QRectF(dirty)));

        // The marker's chisel lies across the way the pen leans, on screen as on the sheet:
        // leaning right it stands up the screen, towards the user it lies flat. Round nibs do
        // not turn.
        auto shape = [&](float tiltX, float tiltY) {
            return canvas.nibOutlineAt({250, 200}, tiltX, tiltY).boundingRect().size();
        };
        const QSizeF right = shape(40, 0), towards = shape(0, 40);
        if (kind != int(BrushKind::Marker))
            QCOMPARE(right, towards);
        else if (view.rotation() == 0.0)
            QVERIFY(right.height() > 3 * right.width() && towards.width() > 3 * towards.height());
        else if (view.rotation() == 90.0)
            QVERIFY(right.width() > 3 * right.height());

        // A few device pixels across, it is shown as a small cross, so the pointer never
        // vanishes; zoomed in, the same width is an outline again.
        canvas.setBrushSize(1);
        canvas.viewport().setView(viewOf(1));
        hover(canvas, canvas.viewport().sheetPoint({250, 200}));
        QVERIFY(canvas.brushOutline().isCross());
        const QImage cross = stage.shown();
        QCOMPARE(cross.pixel((QPointF(250, 200) * cross.devicePixelRatio()).toPoint()),
                 qRgb(0, 0, 0));
        canvas.viewport().setDisplayZoom(8);
        QVERIFY(canvas.brushOutline().isShown() && !canvas.brushOutline().isCross());
    }

    // The setting chooses the outline, the crosshair or both; the crosshair keeps its rule (a
    // tablet tool where the platform draws no cursor), the outline follows the mouse too (a
    // damaged value: tst_controls' storedNumbersServeWithinTheirRangesOnly).
    void hoverSettingChoosesTheMarks_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("outline");
        QTest::addColumn<bool>("crosshair");
        QTest::newRow("outline") << 0 << true << false;
        QTest::newRow("crosshair") << 1 << false << true;
        QTest::newRow("both") << 2 << true << true;
    }

    void hoverSettingChoosesTheMarks()
    {
        QFETCH(int, stored);
        QFETCH(bool, outline);
        QFETCH(bool, crosshair);
        TabletPlatform::forceShowsTabletCursor(false);
        Stage stage({500, 400}, {1200, 900});
        WTView &canvas = *stage.canvas;
        Preferences &store = canvas.core().penSettings().store();
        store.setInteger(stored, QStringLiteral("HoverOutline"));
        canvas.core().penSettings().setHoverMark(PenSettings(store).hoverMark());
        hover(canvas, {600, 450});
        QCOMPARE(canvas.brushOutline().isShown(), outline);
        QCOMPARE(canvas.hoverCrosshair().isShown(), crosshair);
        if (crosshair && !outline) {
            // Leaving proximity, leaving the widget or a mouse click take it away (what it
            // repaints: tst_stroke's rectangleRepaintsEqualWholeRepaint).
            canvas.startFollowingProximity();
            canvas.setActiveColor(0); // the eraser: the click below leaves nothing to see
            QEvent leave(QEvent::Leave);
            ProximityEvent leaving;
            leaving.pointingDeviceType = quint8(PointerType::Pen);
            const std::function<void()> hiders[]
                = {[&] {
                       NotificationCenter::defaultCenter().post(
                           kProximityNotification, nullptr,
                           {{kProximityEventKey, QVariant::fromValue(leaving)}});
                   },
                   [&] { QApplication::sendEvent(&canvas, &leave); },
                   [&] { strokes::click(canvas, {610, 440}); }};
            for (const auto &hide : hiders) {
                hover(canvas, {620, 450});
                hide();
                QVERIFY(!canvas.hoverCrosshair().isShown());
            }
            hover(canvas, {600, 450});
        }
        strokes::sendMouse(canvas, QEvent::MouseMove, {620, 450}, Qt::NoButton, Qt::NoButton);
        QCOMPARE(canvas.hasMouseTracking(), outline);
        QCOMPARE(canvas.brushOutline().isShown(), outline);
        TabletPlatform::forceShowsTabletCursor(true);
        hover(canvas, {600, 450});
        QCOMPARE(canvas.brushOutline().isShown(), outline);
        QVERIFY(!canvas.hoverCrosshair().isShown());
        TabletPlatform::forceShowsTabletCursor(std::nullopt);
    }

    // Gone while something else has the pointer, and never part of the picture.
    void brushOutlineStaysOffThePicture()
    {
        Stage stage({500, 400}, {1200, 900});
        WTView &canvas = *stage.canvas;
        canvas.setActiveColor(1);
        canvas.setBrushSize(30);
        const QImage before = stage.shown();
        const QByteArray copiedBefore = copied(canvas);
        QVERIFY(!copiedBefore.isEmpty());
        hover(canvas, {600, 450});
        QVERIFY(stage.shown() != before);
        QCOMPARE(copied(canvas), copiedBefore);

        // Leaving, a stroke, Space held for a view drag, the armed picker, the palette.
        QEvent leave(QEvent::Leave);
        using namespace strokes;
        const std::pair<std::function<void()>, bool> hiders[] = {
            {[&] { QApplication::sendEvent(&canvas, &leave); }, false},
            {[&] {
                 sendTablet(canvas, QEvent::TabletPress, {600, 450}, 0.5f, Qt::LeftButton,
                            Qt::LeftButton);
                 sendTablet(canvas, QEvent::TabletMove, {610, 450}, 0.5f, Qt::NoButton,
                            Qt::LeftButton);
                 sendTablet(canvas, QEvent::TabletRelease, {610, 450}, 0, Qt::LeftButton,
                            Qt::NoButton);
             },
             false},
            {[&] { QTest::keyPress(&canvas, Qt::Key_Space); }, true},
            {[&] { canvas.core().pickColor(); }, true},
            {[&] {
                 sendTablet(canvas, QEvent::TabletPress, {600, 450}, 0, Qt::RightButton,
                            Qt::RightButton);
             },
             false},
        };
        for (const auto &[hide, whileItLasts] : hiders) {
            hover(canvas, {600, 450});
            QVERIFY(canvas.brushOutline().isShown());
            hide();
            QVERIFY(!canvas.brushOutline().isShown());
            if (whileItLasts) {
                hover(canvas, {610, 450});
                QVERIFY(!canvas.brushOutline().isShown());
            }
            QTest::keyRelease(&canvas, Qt::Key_Space);
            canvas.cancelOperation();
        }
    }

    // On a screen of two device pixels a point, Actual Size puts one picture pixel on one
    // device pixel. Run with QT_SCALE_FACTOR=2.
    void actualSizeIsOneDevicePixelPerPicturePixel()
    {
        Stage stage({300, 200}, {64, 48});
        const qreal dpr = stage.canvas->devicePixelRatioF();
        if (dpr != 2.0)
            QSKIP("needs a device pixel ratio of 2");
        QImage checker(64, 48, Stage::kFormat);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                checker.setPixel(x, y, (x + y) % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        const Image picture(checker);
        QVERIFY(stage.canvas->core().setImage(&picture));
        stage.canvas->viewport().zoomToActualSize();
        QCOMPARE(stage.canvas->viewport().displayZoom(), 1.0);
        const QImage shown = stage.shown();
        QCOMPARE(shown.devicePixelRatio(), 2.0);
        const QPointF topLeft = stage.canvas->viewport().widgetPoint({0, 48}) * dpr;
        QCOMPARE(topLeft, topLeft.toPoint());
        QCOMPARE(differingPixels(shown.copy(QRect(topLeft.toPoint(), QSize(64, 48))), checker), 0);
    }

private:
    std::unique_ptr<IsolatedSettings> settings;
};

INKPOND_TEST_MAIN(TestView)
#include "tst_view.moc"
