// A document window's start: the canvas's first sheet and background, proximity followed, and
// the pen controls showing the canvas's settings in every window.
#include "BrushSizeSlider.h"
#include "ColorWell.h"
#include "DocumentWindow.h"
#include "InkpondDocument.h"
#include "NotificationCenter.h"
#include "PenControls.h"
#include "PreferenceKeys.h"
#include "Preferences.h"
#include "ProximityEvent.h"
#include "ProximitySupport.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QColorDialog>
#include <QSlider>
#include <QtTest>

namespace {
PenButton *penButton(const Opened &o, int tag)
{
    for (PenButton *b : o.window->findChildren<PenButton *>())
        if (b->tag() == tag)
            return b;
    return nullptr;
}

void arrive(QPointingDevice::PointerType pointer)
{
    sendTablet(qApp, QEvent::TabletEnterProximity, pointer);
}

int followers()
{
    return NotificationCenter::defaultCenter().observerCount(kProximityNotification);
}
} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_settings = std::make_unique<IsolatedSettings>(); }
    void cleanup() { m_settings.reset(); }
    void newDocumentOnFreshPreferences();
    void storedBgTypeFromTheFirstDisplay_data();
    void storedBgTypeFromTheFirstDisplay();
    void penButtonsChooseAndShowTheTool();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
};

void TestStartup::newDocumentOnFreshPreferences()
{
    Opened o;
    QVERIFY(o.canvas);
    QCOMPARE(o.canvas->sheetSize(), (Size {600, 600}));
    QCOMPARE(m_settings->storedValue(QStringLiteral("BgType")), QStringLiteral("1"));
    // Ruled: a rule at y = 560, paper just above it.
    const Image bg = paperOf(*o.canvas);
    QVERIFY(bg.pixel(10, 560) != bg.pixel(10, 561));
    QVERIFY(!o.window->testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(o.canvas->currentLayer()->size(), (Size {600, 600}));
    QVERIFY(!o.document.isDocumentEdited());

    // The controls show the canvas as it starts: slot 0, ruled paper.
    QCOMPARE(o.child<QSlider>("mBgTypeSlider")->value(), 1);
    QCOMPARE(o.child<BrushSizeSlider>("mBrushSizeSlider")->brushSize(), 10.0f);
    QCOMPARE(o.child<ColorWell>("mCurrColorWell")->color(), QColor::fromRgbF(0.1f, 0.0f, 0.2f));
    QVERIFY(penButton(o, 1)->isChecked());
    QVERIFY(!penButton(o, 0)->isChecked());
}

void TestStartup::storedBgTypeFromTheFirstDisplay_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("shown");
    QTest::newRow("see-through") << QVariant(3) << 3;
    QTest::newRow("damaged: 4") << QVariant(4) << 1;
    QTest::newRow("damaged: -1") << QVariant(-1) << 1;
    QTest::newRow("damaged: 2000000") << QVariant(2000000) << 1;
    QTest::newRow("damaged: text") << QVariant(QByteArray("ruled")) << 1;
}

// A stored type no window can show used to end the start-up at the failed check, leaving a
// window that never followed the pen; the registered default serves instead.
void TestStartup::storedBgTypeFromTheFirstDisplay()
{
    QFETCH(QVariant, stored);
    QFETCH(int, shown);
    if (stored.typeId() == QMetaType::QByteArray)
        Preferences::standard().setData(stored.toByteArray(), QStringLiteral("BgType"));
    else
        Preferences::standard().setInteger(stored.toInt(), QStringLiteral("BgType"));
    const int before = followers();
    Opened o;
    const bool seeThrough = shown == 3;
    QCOMPARE(o.canvas->bgType(), float(shown));
    QCOMPARE(o.canvas->isOpaque(), !seeThrough);
    QCOMPARE(o.child<QSlider>("mBgTypeSlider")->value(), shown);
    // Decided before the native window exists, so the very first one has an alpha channel.
    QVERIFY(!o.window->testAttribute(Qt::WA_WState_Created));
    QCOMPARE(o.window->testAttribute(Qt::WA_TranslucentBackground), seeThrough);
    QCOMPARE(followers(), before + 1);
    arrive(QPointingDevice::PointerType::Eraser);
    QVERIFY(o.canvas->erasing());
    arrive(QPointingDevice::PointerType::Pen);
    QVERIFY(!o.canvas->erasing());
    if (!seeThrough) {
        QVERIFY(!o.canvas->hasMouseTracking());
        return;
    }
    QCOMPARE(qAlpha(paperOf(*o.canvas).pixel(300, 301)), 64);
    o.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(o.window));
    QVERIFY(o.canvas->windowIsSeeThrough());
}

void TestStartup::penButtonsChooseAndShowTheTool()
{
    Preferences::standard().setFloat(4.5f, QStringLiteral("BrushSize2"));
    Preferences::standard().setData(archiveColor({0.0f, 0.5f, 1.0f, 1.0f}),
                                    QStringLiteral("Color2"));
    Opened o;
    o.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(o.window));
    auto *well = o.child<ColorWell>("mCurrColorWell");
    auto *brush = o.child<BrushSizeSlider>("mBrushSizeSlider");

    QTest::mouseClick(penButton(o, 3), Qt::LeftButton);
    QCOMPARE(o.canvas->activeColor(), 3);
    QVERIFY(penButton(o, 3)->isChecked());
    QVERIFY(!penButton(o, 1)->isChecked());
    QCOMPARE(well->color(), QColor::fromRgbF(0.0f, 0.5f, 1.0f));
    QCOMPARE(brush->brushSize(), 4.5f);
    QCOMPARE(m_settings->storedValue(QStringLiteral("PenColor")), QStringLiteral("3"));

    // A click on the eraser toggle while it is on leaves it on.
    QTest::mouseClick(penButton(o, 0), Qt::LeftButton);
    QVERIFY(o.canvas->erasing());
    QTest::mouseClick(penButton(o, 0), Qt::LeftButton);
    QVERIFY(o.canvas->erasing());
    QVERIFY(penButton(o, 0)->isChecked());
    QVERIFY(!well->isEnabled());

    QTest::mouseClick(penButton(o, 3), Qt::LeftButton);
    QTest::mouseClick(penButton(o, 3), Qt::LeftButton); // a second click keeps it chosen
    QVERIFY(penButton(o, 3)->isChecked());
    QVERIFY(!penButton(o, 0)->isChecked());
}

int main(int argc, char **argv)
{
    TabletApplication app(argc, argv);
    TestStartup test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
