// Sheet geometry in the container, re-framing, the guarded resizes and their commands; the
// container's scroll bars; the zoom rule, and Window ▸ Zoom on a document window.
#include "Beep.h"
#include "CanvasDialogs.h"
#include "DocumentWindow.h"
#include "Graphics.h"
#include "InkpondDocument.h"
#include "MyResizePanel.h"
#include "SheetContainer.h"
#include "TabletApplication.h"
#include "TestSupport.h"
#include "WTView.h"
#include "ZoomRule.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QtTest>
#include <cmath>

namespace {
// With the container's answers to a crop and the sheet's place in it.
struct Stage : ContainedCanvas
{
    using ContainedCanvas::ContainedCanvas;

    QMessageBox *alert() const { return window.findChild<QMessageBox *>(); }
    // The sheet's place in the container, in Qt's coordinates.
    QRectF sheetShown() const
    {
        return canvas->viewport()
            .widgetRect({{0, 0}, canvas->sheetSize()})
            .translated(canvas->pos());
    }
};

// A shown window of a document whose picture has the given size.
struct Shown : Opened
{
    explicit Shown(QSize picture, QRect geometry)
        : Opened(encodedImage(testPicture(picture.width(), picture.height()), "png"))
    {
        window->setGeometry(geometry);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
};
// The window shows all of the sheet and at most the point that whole-number edges add.
bool showsWholeSheet(const WTView *canvas)
{
    const Size v = canvas->viewport().visibleRect().size;
    const Size s = canvas->sheetSize();
    return v.width >= s.width && v.width <= s.width + 1 && v.height >= s.height
        && v.height <= s.height + 1;
}
} // namespace

class TestSheet : public QObject
{
    Q_OBJECT

private slots:
    void init() { settings = std::make_unique<IsolatedSettings>(); }
    void cleanup() { settings.reset(); }

    void frameRule_data()
    {
        QTest::addColumn<QSize>("container");
        QTest::addColumn<Size>("sheet");
        QTest::addColumn<Rect>("frame");
        QTest::addColumn<Point>("origin");
        QTest::addColumn<Rect>("visible");
        QTest::addColumn<QRect>("geometry");
        auto row = [](const char *name, QSize c, Size s, Rect f, Point o, Rect v, QRect g) {
            QTest::newRow(name) << c << s << f << o << v << g;
        };
        row("smaller sheet centred", {1000, 700}, {800, 600}, {0, 0, 1000, 700}, {-100, -50},
            {-100, -50, 1000, 700}, {0, 0, 1000, 700});
        row("odd excess: left margin larger", {1001, 700}, {800, 600}, {0, 0, 1001, 700},
            {-101, -50}, {-101, -50, 1001, 700}, {0, 0, 1001, 700});
        row("larger sheet shows its middle", {600, 500}, {800, 600}, {-100, -50, 800, 600}, {0, 0},
            {100, 50, 600, 500}, {-100, -50, 800, 600});
        row("odd excess: more hidden left and bottom", {600, 500}, {801, 601},
            {-101, -51, 801, 601}, {0, 0}, {101, 51, 600, 500}, {-101, -50, 801, 601});
        row("wider, lower", {600, 700}, {800, 600}, {-100, 0, 800, 700}, {0, -50},
            {100, -50, 600, 700}, {-100, 0, 800, 700});
        row("fractional, larger: whole pixels, bottom edge kept", {600, 500}, {800.5f, 600.5f},
            {-100, -50, 800.5f, 600.5f}, {0, 0}, {100, 50, 600, 500}, {-100, -51, 801, 601});
        row("the widest side the raster engine paints exactly", {1000, 700}, {32767, 2},
            {-15884, 0, 32767, 700}, {0, -349}, {15884, -349, 1000, 700}, {-15884, 0, 32767, 700});
    }

    void frameRule()
    {
        QFETCH(QSize, container);
        QFETCH(Size, sheet);
        Stage stage(container, sheet);
        QTEST(stage.canvas->frame(), "frame");
        QTEST(stage.canvas->viewport().boundsOrigin(), "origin");
        QTEST(stage.canvas->viewport().visibleRect(), "visible");
        QTEST(stage.canvas->geometry(), "geometry");
    }

    void coverAndCentreInvariant()
    {
        for (QSize c : {QSize(300, 200), QSize(301, 201), QSize(799, 601)}) {
            for (Size s :
                 {Size {100, 100}, Size {299, 201}, Size {800, 600}, Size {75.75f, 300.5f}}) {
                Stage stage(c, s);
                for (QSize next : {QSize(c.width() + 37, c.height() - 23), c / 2, c * 2}) {
                    stage.holder->resize(next);
                    const QByteArray what = QString::asprintf("%dx%d, sheet %gx%g", next.width(),
                                                              next.height(), s.width, s.height)
                                                .toUtf8();
                    QVERIFY2(stage.canvas->geometry().contains(stage.holder->rect()), what);
                    // Centred; with a whole odd excess the extra point is on the left and bottom.
                    const QRectF shown = stage.sheetShown();
                    auto centred = [](double before, double after, float side) {
                        return std::abs(before - after) <= 1.0
                            && (side != std::floor(side) || before >= after);
                    };
                    if (s.width < next.width())
                        QVERIFY2(centred(shown.left(), next.width() - shown.right(), s.width),
                                 what);
                    if (s.height < next.height())
                        QVERIFY2(centred(next.height() - shown.bottom(), shown.top(), s.height),
                                 what);
                }
            }
        }
    }

    void cropToVisible_data()
    {
        QTest::addColumn<QSize>("container");
        QTest::addColumn<QPoint>("dotMovedTo");
        QTest::newRow("larger sheet: its visible middle") << QSize(600, 500) << QPoint(50, 50);
        QTest::newRow("smaller sheet: grows to the visible area")
            << QSize(1000, 700) << QPoint(250, 150);
    }

    void cropToVisible()
    {
        QFETCH(QSize, container);
        QFETCH(QPoint, dotMovedTo);
        Stage stage(container, {800, 600});
        stage.canvas->picture().currentLayer()->lockFocus();
        Graphics::setColor({0.8f, 0.1f, 0.1f, 1.0f});
        Graphics::fillRect(Rect(150, 100, 1, 1));
        stage.canvas->picture().currentLayer()->unlockFocus();
        const QRectF before = stage.sheetShown();
        stage.canvas->cropResize(nullptr);
        QCOMPARE(stage.canvas->sheetSize(),
                 (Size {float(container.width()), float(container.height())}));
        QList<QPoint> inked;
        const TiledImage &image = *stage.canvas->picture().currentLayer()->image();
        for (int y = 0; y < image.pixelHeight(); ++y)
            for (int x = 0; x < image.pixelWidth(); ++x)
                if (qAlpha(image.pixel(x, y)) != 0)
                    inked.append(QPoint(x, y));
        QCOMPARE(inked, QList<QPoint>({dotMovedTo}));
        // The picture stays where it was on screen.
        QCOMPARE(stage.sheetShown().left() + dotMovedTo.x(), before.left() + 150);
        QCOMPARE(stage.sheetShown().bottom() - dotMovedTo.y(), before.bottom() - 100);
    }

    // The bars show where the container's middle lies on the sheet as shown, lie over the
    // canvas without moving it, and pan the view.
    void scrollBarsPanTheView()
    {
        Stage stage(QSize(400, 300), {800, 600});
        QScrollBar *across = stage.holder->horizontalScrollBar();
        QScrollBar *down = stage.holder->verticalScrollBar();
        QTRY_VERIFY(across->isVisible() && down->isVisible());
        const QRect canvasPlace = stage.canvas->geometry();
        QCOMPARE(across->geometry().bottom(), stage.holder->height() - 1);
        auto bars = [&] {
            return QList<int> {across->maximum(), across->pageStep(), across->value(),
                               down->maximum(), down->value()};
        };
        QCOMPARE(bars(), (QList<int> {800, 400, 400, 600, 300}));

        const QRectF before = stage.sheetShown();
        across->setValue(across->value() + 50);
        down->setValue(down->value() - 30);
        QCOMPARE(stage.sheetShown().topLeft(), before.topLeft() + QPointF(-50, 30));
        QCOMPARE(bars(), (QList<int> {800, 400, 450, 600, 270}));
        // Dragged to an end, the container's middle is on the sheet's edge.
        across->setValue(0);
        QCOMPARE(stage.sheetShown().left(), 200.0);

        stage.canvas->viewport().zoomToFit();
        QTRY_VERIFY(!across->isVisible() && !down->isVisible());
        QVERIFY(stage.canvas->geometry() == canvasPlace
                && stage.canvas->viewport().containerRect() == QRectF(0, 0, 400, 300));

        // A sheet that becomes smaller than the container needs none.
        stage.canvas->viewport().zoomToActualSize();
        QTRY_VERIFY(across->isVisible());
        QVERIFY(stage.canvas->setSheetSize({300, 200}));
        QTRY_VERIFY(!across->isVisible() && !down->isVisible());
        // Smaller than the container but pushed over its edge, it still has somewhere to go.
        ViewTransform pushed = stage.canvas->viewport().view();
        pushed.setZoom(1.25);
        pushed.setPan({100, 0});
        stage.canvas->viewport().setView(pushed);
        QVERIFY(stage.sheetShown().right() > 400 && stage.sheetShown().width() < 400);
        QTRY_VERIFY(across->isVisible() && !down->isVisible());
        across->setValue(across->maximum() / 2); // back to the middle
        QVERIFY(stage.sheetShown().right() < 400 && stage.sheetShown().left() > 0);
        QTRY_VERIFY(!across->isVisible());
    }

    void intValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("white space, sign") << " \t -7x" << -7;
        QTest::newRow("no number") << "abc" << 0;
        QTest::newRow("sign alone") << "- 3" << 0;
        QTest::newRow("decimal") << "75.9" << 75;
        QTest::newRow("overflow") << "2147483648" << std::numeric_limits<int>::max();
        QTest::newRow("underflow") << "-99999999999" << std::numeric_limits<int>::min();
        // Exponents count: a number far out of range is no small one.
        QTest::newRow("1e300") << "1e300" << std::numeric_limits<int>::max();
        QTest::newRow("absurd exponent")
            << "1e99999999999999999999" << std::numeric_limits<int>::max();
        QTest::newRow("exponent") << "2.5E+2pt" << 250;
        QTest::newRow("negative exponent") << "5e-300" << 0;
    }

    void intValue()
    {
        QFETCH(QString, text);
        QTEST(MyResizePanel::intValue(text), "value");
    }

    void customSize_data()
    {
        QTest::addColumn<Size>("sheet");
        QTest::addColumn<QString>("shown"); // what the width field starts with
        QTest::addColumn<QString>("width"); // typed over it; empty: left as it is
        QTest::addColumn<int>("key"); // 0: click OK
        QTest::addColumn<QString>("focus");
        QTest::addColumn<Size>("result");
        QTest::addColumn<bool>("edited"); // then the question comes, and is cancelled
        QTest::addColumn<bool>("refused"); // too large: told so, and nothing changes
        // A square sheet; the width typed, then the key pressed on the focused part, changes it.
        auto row = [](const char *name, float side, const char *width, int key, const char *focus,
                      float result, bool edited = false, bool refused = false) {
            QTest::newRow(name) << Size {side, side} << QString::number(int(side)) << width << key
                                << focus << Size {result, float(int(side))} << edited << refused;
        };
        row("fraction: fields show 75", 75.75f, "", 0, "", 75);
        row("12 and letters", 600, "12abc", 0, "", 12);
        row("width 0", 600, "0", 0, "", 600);
        row("Return", 600, "250", Qt::Key_Return, "widthField", 250);
        row("Return on Cancel is OK", 600, "250", Qt::Key_Return, "cancelButton", 250);
        row("Escape", 600, "250", Qt::Key_Escape, "widthField", 600);
        row("edited: the question cancelled", 600, "400", 0, "", 600, true);
        row("2147483647 refused, no question first", 600, "2147483647", 0, "", 600, true, true);
        row("just over the raster engine's limit", 600, "32768", 0, "", 600, false, true);
    }

    void customSize()
    {
        QFETCH(Size, sheet);
        QFETCH(QString, width);
        QFETCH(int, key);
        QFETCH(QString, focus);
        QFETCH(bool, edited);
        QFETCH(bool, refused);
        Stage stage({1000, 700}, sheet);
        stage.canvas->core().createUndoLayer(stage.canvas->picture().currentLayer());
        if (edited)
            stage.document.updateChangeCount(Document::ChangeDone);
        const TiledImage *layerImage = stage.canvas->picture().currentLayer()->image();
        const TiledImage *snapshotImage = stage.canvas->picture().undoLayers()[0]->image();
        const int beeps = systemBeepCount();
        stage.canvas->cropResizeToCustomSize(nullptr);
        QDialog *panel = stage.canvas->findChild<MyResizePanel *>()->panel();
        QVERIFY(panel->isVisible());
        auto *widthField = panel->findChild<QLineEdit *>(QStringLiteral("widthField"));
        QTEST(widthField->text(), "shown");
        if (!width.isEmpty()) {
            widthField->clear();
            QTest::keyClicks(widthField, width);
        }
        if (key)
            QTest::keyClick(panel->findChild<QWidget *>(focus), Qt::Key(key));
        else
            panel->findChild<QPushButton *>(QStringLiteral("okButton"))->click();
        QVERIFY(!panel->isVisible()); // gone before any question
        if (refused) {
            QCOMPARE(systemBeepCount(), beeps + 1);
            QCOMPARE(stage.alert()->standardButtons(), QMessageBox::Ok); // told, not asked
            const Picture &picture = stage.canvas->picture();
            QVERIFY(picture.currentLayer()->image() == layerImage
                    && picture.undoLayers().size() == 1
                    && picture.undoLayers()[0]->image() == snapshotImage);
            QCOMPARE(stage.canvas->frame(), Rect(0, 0, 1000, 700));
            QCOMPARE(stage.document.isDocumentEdited(), edited);
        } else if (edited) {
            stage.alert()->button(QMessageBox::Cancel)->click();
        }
        QTEST(stage.canvas->sheetSize(), "result");
        QTRY_VERIFY(!stage.canvas->findChild<MyResizePanel *>()); // released
    }

    void rule_data()
    {
        QTest::addColumn<Rect>("current");
        QTest::addColumn<Rect>("defaultFrame");
        QTest::addColumn<Size>("visible");
        QTest::addColumn<Size>("sheet");
        QTest::addColumn<Rect>("expected");
        const Rect screen(0, 0, 1400, 900);
        auto row = [](const char *name, Rect current, Rect defaultFrame, Size visible, Size sheet,
                      Rect expected) {
            QTest::newRow(name) << current << defaultFrame << visible << sheet << expected;
        };
        row("small sheet: the window shrinks by the difference, keeping its centre",
            {100, 100, 700, 760}, screen, {680, 660}, {300, 200}, {290, 330, 320, 300});
        row("sheet shown exactly: nothing changes", {100, 100, 700, 760}, screen, {680, 660},
            {680, 660}, {100, 100, 700, 760});
        row("large sheet: the default frame's size, clamped to its origin", {200, 50, 700, 760},
            screen, {680, 660}, {3000, 2000}, {0, 0, 1400, 900});
        row("near the left and bottom edges of a default frame with a dock below",
            {10, 45, 400, 400}, {0, 40, 1400, 860}, {380, 340}, {600, 600}, {0, 40, 620, 660});
        row("near the right and top edges: clamped to them", {1300, 500, 400, 400}, screen,
            {380, 340}, {600, 600}, {780, 240, 620, 660});
        row("fractions: edges widened to whole numbers", {100.25f, 100.5f, 700.5f, 760.25f}, screen,
            {680.5f, 660.75f}, {300.3f, 200.6f}, {290, 330, 321, 301});
        row("nothing left of the window: the zero rectangle", {0, 0, 100, 100}, screen, {680, 660},
            {10, 10}, Rect());
    }

    void rule()
    {
        QFETCH(Rect, current);
        QFETCH(Rect, defaultFrame);
        QFETCH(Size, visible);
        QFETCH(Size, sheet);
        QTEST(windowWillUseStandardFrame(current, defaultFrame, visible, sheet), "expected");
    }

    void zoomShowsTheWholeSheetAndZoomAgainGoesBack()
    {
        Shown shown(QSize(500, 300), QRect(60, 40, 680, 520));
        const QRect before = shown.window->geometry();
        WTView *canvas = shown.window->canvas();
        QVERIFY(canvas->viewport().visibleRect().size != canvas->sheetSize());

        shown.window->performZoom();
        QTRY_VERIFY(showsWholeSheet(canvas));
        const QRect zoomed = shown.window->geometry();
        // The centre stays, within a rounding.
        QVERIFY((zoomed.center() - before.center()).manhattanLength() <= 1);

        shown.window->performZoom();
        QTRY_COMPARE(shown.window->geometry(), before);
        shown.window->performZoom();
        QTRY_COMPARE(shown.window->geometry(), zoomed);

        // The user makes it larger by hand: the next zoom fits the sheet again, not the old frame.
        const QSize enlarged = shown.window->size() + QSize(100, 80);
        shown.window->resize(enlarged);
        QTRY_VERIFY(canvas->viewport().visibleRect().size.width >= 600);
        shown.window->performZoom();
        QTRY_VERIFY(showsWholeSheet(canvas));
        QVERIFY(shown.window->width() < enlarged.width());

        // A sheet larger than the screen, opened fitted and put back at actual size, fills it,
        // the title bar on the screen.
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        Shown large(QSize(available.width() * 2, available.height() * 2), QRect(50, 50, 400, 300));
        QTRY_VERIFY(large.window->canvas()->viewport().view().zoom() < 1.0);
        large.window->canvas()->viewport().setView(ViewTransform());
        large.window->performZoom();
        QTRY_COMPARE(large.window->frameGeometry(), available);
    }

    void firstWindowFitsTheScreen()
    {
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        Opened opened(
            encodedImage(testPicture(available.width() * 2, available.height() * 2), "png"));
        opened.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(opened.window));
        const QRect frame = opened.window->frameGeometry();
        QCOMPARE(frame.intersected(available), frame);
    }

private:
    std::unique_ptr<IsolatedSettings> settings;
};

INKPOND_TEST_MAIN(TestSheet)

#include "tst_sheet.moc"
