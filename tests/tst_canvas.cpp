// The canvas's pen settings, their persistence, backgrounds and window appearance.
#include "Assert.h"
#include "Graphics.h"
#include "PenSettings.h"
#include "PreferenceKeys.h"
#include "Preferences.h"
#include "SheetContainer.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QPainter>
#include <QtTest>
#include <set>

namespace {
const QRgb kRuleRgb = QColor::fromRgbF(0.0f, 0.6f, 0.8f).rgba();
const QRgb kGridRgb = QColor::fromRgbF(0.8f, 0.8f, 0.8f).rgba();

std::unique_ptr<WTView> makeCanvas(Size sheet = {600, 600})
{
    return std::make_unique<WTView>(Rect(0, 0, sheet.width, sheet.height));
}

// Rows (from the bottom) whose first pixel has the colour, and columns whose top pixel has it.
std::set<int> rowsOf(const Image &bg, QRgb rgb)
{
    std::set<int> rows;
    for (int y = 0; y < bg.pixelHeight(); ++y)
        if (bg.pixel(0, y) == rgb || (bg.pixelWidth() > 1 && bg.pixel(1, y) == rgb))
            rows.insert(y);
    return rows;
}

std::set<int> columnsOf(const Image &bg, QRgb rgb)
{
    std::set<int> cols;
    const int top = bg.pixelHeight() - 1;
    for (int x = 0; x < bg.pixelWidth(); ++x)
        if (bg.pixel(x, top) == rgb)
            cols.insert(x);
    return cols;
}

std::set<int> series(int from, int step, int count)
{
    std::set<int> s;
    for (int i = 0; i < count; ++i)
        s.insert(from + i * step);
    return s;
}

void writeSettingsFile(const IsolatedSettings &settings, const QByteArray &ini)
{
    QVERIFY(writeFile(settings.filePath(), ini));
    Preferences::resetStandard(settings.filePath());
}
} // namespace

class TestCanvas : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_settings = std::make_unique<IsolatedSettings>(); }
    void cleanup() { m_settings.reset(); }
    void damagedSettingsFallBackToDefaults();
    void canvasesWithStoresOfTheirOwnStaySeparate();
    void ruledPaper_data();
    void ruledPaper();
    void gridPaper();
    void setBgType_data();
    void setBgType();
    void surroundOnlyRepaint();

private:
    QString stored(const char *key) const { return m_settings->storedValue(QLatin1String(key)); }

    std::unique_ptr<IsolatedSettings> m_settings;
};

void TestCanvas::damagedSettingsFallBackToDefaults()
{
    const QByteArray other = archiveOther("string", "twelve bytes");
    writeSettingsFile(*m_settings,
                      "[General]\nBgType=7\nBrushSize1=nan\nBrushSize2=inf\nRubberSize=wide\n"
                      "Color1=@ByteArray(junk)\nColor3=not data\n");
    Preferences::standard().setData(other, PreferenceKeys::colorKey(2));
    Preferences::standard().setData(archiveColor({0.5f, 0.5f, 0.5f, 1}),
                                    PreferenceKeys::colorKey(0));
    auto canvas = makeCanvas();
    QCOMPARE(canvas->bgType(), 1.0f);
    const Color fallback = PreferenceKeys::defaultColor();
    canvas->setActiveColor(1);
    QCOMPARE(*canvas->color(), (Color {0.5f, 0.5f, 0.5f, 1})); // intact slot unaffected
    for (int tool = 2; tool <= 4; ++tool) {
        canvas->setActiveColor(tool);
        QCOMPARE(*canvas->color(), fallback);
        QCOMPARE(canvas->brushSize(), 10.0f);
    }
    canvas->setActiveColor(0);
    QCOMPARE(canvas->brushSize(), 10.0f);
}

// Replay and tests give a canvas a store of its own: nothing may leak into another store.
void TestCanvas::canvasesWithStoresOfTheirOwnStaySeparate()
{
    QTemporaryDir dir;
    Preferences first(dir.filePath(QStringLiteral("first.conf")));
    Preferences second(dir.filePath(QStringLiteral("second.conf")));
    auto a = std::make_unique<WTView>(Rect(0, 0, 600, 600), nullptr, &first);
    auto b = std::make_unique<WTView>(Rect(0, 0, 600, 600), nullptr, &second);
    const Color untouched = *b->color();
    const float untouchedWidth = b->brushSize();

    const Color red {1, 0, 0, 1};
    a->setColor(&red);
    a->setBrushSize(untouchedWidth + 7);
    a->setBgType(float(BgType::Grid));
    QCOMPARE(*b->color(), untouched);
    QCOMPARE(b->brushSize(), untouchedWidth);
    QVERIFY(b->penSettings().bgType() != BgType::Grid);

    first.synchronize();
    second.synchronize();
    Preferences::standard().synchronize();
    const QSettings secondFile(dir.filePath(QStringLiteral("second.conf")), QSettings::IniFormat);
    QVERIFY(!secondFile.contains(QStringLiteral("Color0")));
    QCOMPARE(secondFile.value(QStringLiteral("BrushSize0"), untouchedWidth).toFloat(),
             untouchedWidth);
    QVERIFY(stored("Color0").isEmpty());
    QVERIFY(stored("BrushSize0").isEmpty());
    Preferences reread(dir.filePath(QStringLiteral("first.conf")));
    QCOMPARE(unarchiveColor(reread.dataForKey(QStringLiteral("Color0"))), red);

    // A new canvas on the same store starts from what the first one left there.
    auto again = std::make_unique<WTView>(Rect(0, 0, 600, 600), nullptr, &first);
    QCOMPARE(*again->color(), red);
    QCOMPARE(again->brushSize(), untouchedWidth + 7);
}

void TestCanvas::ruledPaper_data()
{
    QTest::addColumn<float>("height");
    QTest::addColumn<QList<int>>("rows");
    QList<int> six;
    for (int y = 560; y >= 40; y -= 40)
        six << y;
    QTest::newRow("600") << 600.0f << six;
    QTest::newRow("40: none") << 40.0f << QList<int>();
    QTest::newRow("41: one at 1") << 41.0f << QList<int>({1});
}

void TestCanvas::ruledPaper()
{
    QFETCH(float, height);
    QFETCH(QList<int>, rows);
    auto canvas = makeCanvas({600, height});
    const std::set<int> expected(rows.begin(), rows.end());
    QCOMPARE(rowsOf(paperOf(*canvas), kRuleRgb), expected);
}

void TestCanvas::gridPaper()
{
    auto canvas = makeCanvas();
    canvas->setBgType(2);
    // Horizontal lines every 21 from the top, vertical every 20 from the left.
    QCOMPARE(rowsOf(paperOf(*canvas), kGridRgb), series(12, 21, 28));
    QCOMPARE(columnsOf(paperOf(*canvas), kGridRgb), series(20, 20, 29));
    canvas->setSheetSize({60.5f, 100.7f});
    QCOMPARE(rowsOf(paperOf(*canvas), kGridRgb), std::set<int>({16, 37, 58, 79}));
    QCOMPARE(columnsOf(paperOf(*canvas), kGridRgb), std::set<int>({20, 40, 60}));
}

void TestCanvas::setBgType_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("type"); // -1: refused
    QTest::newRow("2.4") << 2.4f << 2;
    QTest::newRow("2.5 away from zero") << 2.5f << 3;
    QTest::newRow("-0.4") << -0.4f << 0;
    QTest::newRow("1.2, the current type: nothing stored") << 1.2f << 1;
    QTest::newRow("3.5") << 3.5f << -1;
    QTest::newRow("-0.5") << -0.5f << -1;
    QTest::newRow("huge") << 1e30f << -1;
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << -1;
}

void TestCanvas::setBgType()
{
    QFETCH(float, value);
    QFETCH(int, type);
    QWidget window;
    auto *canvas = new WTView(Rect(0, 0, 600, 600), &window);
    window.show();
    const QImage bg = paperOf(*canvas).qimage();
    const bool translucent = window.testAttribute(Qt::WA_TranslucentBackground);
    if (type < 0)
        QVERIFY_THROWS_EXCEPTION(InternalInconsistency, canvas->setBgType(value));
    else
        canvas->setBgType(value);
    const bool changed = type >= 0 && type != 1;
    QCOMPARE(canvas->bgType(), changed ? float(type) : 1.0f);
    QCOMPARE(stored("BgType"), changed ? QString::number(type) : QString());
    if (!changed) {
        QCOMPARE(differingPixels(paperOf(*canvas).qimage(), bg), 0);
        QCOMPARE(window.testAttribute(Qt::WA_TranslucentBackground), translucent);
    }
}

void TestCanvas::surroundOnlyRepaint()
{
    QWidget window;
    window.resize(400, 300);
    auto *container = new SheetContainer(&window);
    container->resize(400, 300);
    auto *canvas = new WTView(Rect(0, 0, 400, 300), container);
    container->setCanvas(canvas);
    canvas->setSheetSize({200, 100});
    // The sheet sits centred: bounds origin (−100, −100).
    QCOMPARE(canvas->boundsOrigin(), (Point {-100, -100}));

    Image out(Size {400, 300});
    const QTransform toOut(1, 0, 0, -1, 100, 300 - 100);
    QPainter painter(&out.qimage());
    Graphics::lockFocus(painter, toOut);
    canvas->drawRect(Rect(-90, 150, 40, 40)); // entirely in the surround, above-left of the sheet
    Graphics::unlockFocus();
    painter.end();
    const QRgb grey = QColor::fromRgbF(2.0f / 3, 2.0f / 3, 2.0f / 3).rgba();
    for (int y = 250; y < 290; y += 5)
        for (int x = 10; x < 50; x += 5)
            QCOMPARE(out.pixel(x, y), grey);
    QCOMPARE(out.pixel(5, 5), QRgb(0)); // outside the rectangle: untouched
}

QTEST_MAIN(TestCanvas)
#include "tst_canvas.moc"
