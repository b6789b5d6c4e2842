// The zoom rule, and Window ▸ Zoom on a document window.
#include "DocumentWindow.h"
#include "InkpondDocument.h"
#include "TabletApplication.h"
#include "TestSupport.h"
#include "WTView.h"
#include "ZoomRule.h"

#include <QScreen>
#include <QtTest>
#include <cmath>

namespace {
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
    const Size v = canvas->visibleRect().size;
    const Size s = canvas->sheetSize();
    return v.width >= s.width && v.width <= s.width + 1 && v.height >= s.height
        && v.height <= s.height + 1;
}
} // namespace

class TestZoom : public QObject
{
    Q_OBJECT

private slots:
    void rule_data();
    void rule();
    void zoomShowsTheWholeSheetAndZoomAgainGoesBack();
    void zoomOfALargeSheetFillsTheScreen();
};

void TestZoom::rule_data()
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
    row("large sheet: the default frame's size, clamped to its origin", {200, 50, 700, 760}, screen,
        {680, 660}, {3000, 2000}, {0, 0, 1400, 900});
    row("near the left and bottom edges of a default frame with a dock below", {10, 45, 400, 400},
        {0, 40, 1400, 860}, {380, 340}, {600, 600}, {0, 40, 620, 660});
    row("near the right and top edges: those are not clamped", {1300, 500, 400, 400}, screen,
        {380, 340}, {600, 600}, {1190, 370, 620, 660});
    row("default frame away from the origin limits width and height", {500, 300, 400, 400},
        {100, 80, 500, 450}, {380, 340}, {600, 600}, {450, 275, 500, 450});
    row("fractions: edges widened to whole numbers", {100.25f, 100.5f, 700.5f, 760.25f}, screen,
        {680.5f, 660.75f}, {300.3f, 200.6f}, {290, 330, 321, 301});
    row("nothing left of the window: the zero rectangle", {0, 0, 100, 100}, screen, {680, 660},
        {10, 10}, Rect());
}

void TestZoom::rule()
{
    QFETCH(Rect, current);
    QFETCH(Rect, defaultFrame);
    QFETCH(Size, visible);
    QFETCH(Size, sheet);
    QFETCH(Rect, expected);
    QCOMPARE(windowWillUseStandardFrame(current, defaultFrame, visible, sheet), expected);
}

void TestZoom::zoomShowsTheWholeSheetAndZoomAgainGoesBack()
{
    IsolatedSettings settings;
    Shown shown(QSize(500, 300), QRect(60, 40, 680, 520));
    const QRect before = shown.window->geometry();
    WTView *canvas = shown.window->canvas();
    QVERIFY(canvas->visibleRect().size != canvas->sheetSize());

    shown.window->performZoom();
    QTRY_VERIFY(showsWholeSheet(canvas));
    const QRect zoomed = shown.window->geometry();
    QVERIFY(zoomed.width() < before.width() && zoomed.height() < before.height());
    // The centre stays, within a rounding.
    QVERIFY((zoomed.center() - before.center()).manhattanLength() <= 1);

    shown.window->performZoom();
    QTRY_COMPARE(shown.window->geometry(), before);
    shown.window->performZoom();
    QTRY_COMPARE(shown.window->geometry(), zoomed);

    // The user makes it larger by hand: the next zoom fits the sheet again, not the old frame.
    const QSize enlarged = shown.window->size() + QSize(100, 80);
    shown.window->resize(enlarged);
    QTRY_VERIFY(canvas->visibleRect().size.width >= 600);
    shown.window->performZoom();
    QTRY_VERIFY(showsWholeSheet(canvas));
    QVERIFY(shown.window->width() < enlarged.width());
}

// The rule leaves the top edge free; the command keeps the title bar on the screen.
void TestZoom::zoomOfALargeSheetFillsTheScreen()
{
    IsolatedSettings settings;
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    Shown shown(QSize(available.width() * 2, available.height() * 2), QRect(50, 50, 400, 300));
    shown.window->performZoom();
    QTRY_COMPARE(shown.window->frameGeometry(), available);
}

int main(int argc, char **argv)
{
    TabletApplication app(argc, argv);
    TestZoom test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zoom.moc"
