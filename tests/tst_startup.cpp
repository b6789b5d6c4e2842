// A document window's start: the canvas's first sheet and background, proximity followed, and
// the pen controls showing the canvas's settings in every window; the canvas's stored pen
// settings and backgrounds.
#include "Assert.h"
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

#include <QComboBox>
#include <QtTest>

namespace {
PenButton *penButton(const Opened &o, int tag)
{
    for (PenButton *b : o.window->findChildren<PenButton *>())
        if (b->tag() == tag)
            return b;
    return nullptr;
}
} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void init() { mSettings = std::make_unique<IsolatedSettings>(); }
    void cleanup() { mSettings.reset(); }
    void storedBgTypeFromTheFirstDisplay_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("shown");
        QTest::newRow("nothing stored: ruled") << QVariant() << 1;
        QTest::newRow("see-through") << QVariant(3) << 3;
        // Each kind of damage the store's reading refuses is in tst_controls.
        QTest::newRow("damaged: 4") << QVariant(4) << 1;
    }

    // A stored type no window can show used to end the start-up at the failed check, leaving a
    // window that never followed the pen; the registered default serves instead.
    void storedBgTypeFromTheFirstDisplay()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, shown);
        if (stored.isValid())
            Preferences::standard().setInteger(stored.toInt(), QStringLiteral("BgType"));
        const int before
            = NotificationCenter::defaultCenter().observerCount(kProximityNotification);
        Opened o;
        const bool seeThrough = shown == 3;
        QCOMPARE(o.canvas->bgType(), float(shown));
        QCOMPARE(o.canvas->isOpaque(), !seeThrough);
        QCOMPARE(o.child<QComboBox>("mBgTypeSlider")->currentIndex(), shown);
        // Decided before the native window exists, so the very first one has an alpha channel.
        QVERIFY(!o.window->testAttribute(Qt::WA_WState_Created));
        QCOMPARE(o.window->testAttribute(Qt::WA_TranslucentBackground), seeThrough);
        QCOMPARE(NotificationCenter::defaultCenter().observerCount(kProximityNotification),
                 before + 1);
        sendTablet(qApp, QEvent::TabletEnterProximity, QPointingDevice::PointerType::Eraser);
        QVERIFY(o.canvas->erasing());
        sendTablet(qApp, QEvent::TabletEnterProximity, QPointingDevice::PointerType::Pen);
        QVERIFY(!o.canvas->erasing());
        if (!seeThrough)
            return;
        QCOMPARE(qAlpha(paperOf(*o.canvas).pixel(300, 301)), 64);
        o.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(o.window));
        QVERIFY(o.canvas->windowIsSeeThrough());
    }

    void penButtonsChooseAndShowTheTool()
    {
        Preferences::standard().setFloat(4.5f, QStringLiteral("BrushSize2"));
        Preferences::standard().setData(archiveColor({0.0f, 0.5f, 1.0f, 1.0f}),
                                        QStringLiteral("Color2"));
        Opened o;
        o.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(o.window));
        auto *well = o.child<ColorWell>("mCurrColorWell");

        QTest::mouseClick(penButton(o, 3), Qt::LeftButton);
        QCOMPARE(o.canvas->activeColor(), 3);
        QVERIFY(penButton(o, 3)->isChecked());
        QVERIFY(!penButton(o, 1)->isChecked());
        QCOMPARE(well->color(), QColor::fromRgbF(0.0f, 0.5f, 1.0f));
        QCOMPARE(o.child<BrushSizeSlider>("mBrushSizeSlider")->brushSize(), 4.5f);
        QCOMPARE(mSettings->storedValue(QStringLiteral("PenColor")), QStringLiteral("3"));

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

    void damagedSettingsFallBackToDefaults()
    {
        const QByteArray other = archiveOther("string", "twelve bytes");
        QVERIFY(writeFile(mSettings->filePath(),
                          "[General]\nBrushSize1=nan\nBrushSize2=inf\nRubberSize=wide\n"
                          "Color1=@ByteArray(junk)\nColor3=not data\n"));
        Preferences::resetStandard(mSettings->filePath());
        Preferences::standard().setData(other, PreferenceKeys::colorKey(2));
        Preferences::standard().setData(archiveColor({0.5f, 0.5f, 0.5f, 1}),
                                        PreferenceKeys::colorKey(0));
        auto canvas = std::make_unique<WTView>(Rect(0, 0, 600, 600));
        canvas->setActiveColor(1);
        QCOMPARE(*canvas->color(), (Color {0.5f, 0.5f, 0.5f, 1})); // intact slot unaffected
        for (int tool = 2; tool <= 4; ++tool) {
            canvas->setActiveColor(tool);
            QCOMPARE(*canvas->color(), PreferenceKeys::defaultColor());
            QCOMPARE(canvas->brushSize(), 10.0f);
        }
        canvas->setActiveColor(0);
        QCOMPARE(canvas->brushSize(), 10.0f);
    }

    void setBgType_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<int>("type"); // -1: refused
        QTest::newRow("2.5 away from zero") << 2.5f << 3;
        QTest::newRow("-0.4") << -0.4f << 0;
        QTest::newRow("1.2, the current type: nothing stored") << 1.2f << 1;
        QTest::newRow("3.5") << 3.5f << -1;
        QTest::newRow("-0.5") << -0.5f << -1;
        QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << -1;
    }

    void setBgType()
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
        QCOMPARE(mSettings->storedValue(QStringLiteral("BgType")),
                 changed ? QString::number(type) : QString());
        if (!changed) {
            QCOMPARE(differingPixels(paperOf(*canvas).qimage(), bg), 0);
            QCOMPARE(window.testAttribute(Qt::WA_TranslucentBackground), translucent);
        }
    }

private:
    std::unique_ptr<IsolatedSettings> mSettings;
};

INKPOND_TEST_MAIN(TestStartup)

#include "tst_startup.moc"
