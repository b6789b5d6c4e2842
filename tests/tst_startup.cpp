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
    void openedPictureBecomesTheSheet();
    void storedBgTypeFromTheFirstDisplay_data();
    void storedBgTypeFromTheFirstDisplay();
    void twoWindowsBothFollowTheEraserEnd();
    void penButtonsChooseAndShowTheTool();
    void brushSliderShowsWithoutRounding();
    void colorWellSetsTheActiveSlot();
    void backgroundSliderFollowsTheCanvas();
    void closedWindowStopsFollowing();

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

void TestStartup::openedPictureBecomesTheSheet()
{
    QImage picture(1024, 768, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    picture.setPixelColor(5, 767 - 7, Qt::red); // (5, 7) counted from the bottom
    Opened o(encodedImage(picture, "png"));
    QCOMPARE(o.canvas->sheetSize(), (Size {1024, 768}));
    const TiledImage *layer = o.canvas->currentLayer()->image();
    QCOMPARE(layer->pixel(5, 7), QColor(Qt::red).rgba());
    QCOMPARE(qAlpha(layer->pixel(6, 7)), 0);
    QVERIFY(o.canvas->undoLayers().empty());
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

void TestStartup::twoWindowsBothFollowTheEraserEnd()
{
    arrive(QPointingDevice::PointerType::Pen);
    Opened first;
    Opened second;
    arrive(QPointingDevice::PointerType::Eraser);
    for (const Opened *o : {&first, &second}) {
        QVERIFY(o->canvas->erasing());
        QVERIFY(penButton(*o, 0)->isChecked());
        for (int tag = 1; tag <= 4; ++tag)
            QVERIFY(!penButton(*o, tag)->isChecked());
        // Every control shows the eraser: no colour, its width.
        QVERIFY(!o->child<ColorWell>("mCurrColorWell")->isEnabled());
        QCOMPARE(o->child<BrushSizeSlider>("mBrushSizeSlider")->brushSize(),
                 o->canvas->rubberSize());
    }
    arrive(QPointingDevice::PointerType::Pen);
    for (const Opened *o : {&first, &second}) {
        QVERIFY(!o->canvas->erasing());
        QVERIFY(!penButton(*o, 0)->isChecked());
        QVERIFY(penButton(*o, 1)->isChecked());
        QVERIFY(o->child<ColorWell>("mCurrColorWell")->isEnabled());
    }
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

void TestStartup::brushSliderShowsWithoutRounding()
{
    Preferences::standard().setFloat(10.37f, QStringLiteral("BrushSize0"));
    Preferences::standard().setFloat(250.0f, QStringLiteral("RubberSize")); // off the scale
    Opened o;
    auto *brush = o.child<BrushSizeSlider>("mBrushSizeSlider");
    QCOMPARE(brush->brushSize(), 10.37f);
    o.canvas->setActiveColor(0);
    QCOMPARE(brush->value(), brush->maximum());
    o.canvas->setActiveColor(1);
    QCOMPARE(o.canvas->brushSize(), 10.37f);
    QCOMPARE(o.canvas->rubberSize(), 250.0f);
    QCOMPARE(m_settings->storedValue(QStringLiteral("BrushSize0")).toFloat(), 10.37f);
    QCOMPARE(m_settings->storedValue(QStringLiteral("RubberSize")).toFloat(), 250.0f);

    // The user's move sets the width the slider shows, on the scale.
    brush->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    const float chosen = BrushSizeSlider::widthForPosition(brush->value());
    QCOMPARE(o.canvas->brushSize(), chosen);
    QVERIFY(chosen > 10.37f && chosen < 11.5f);
    QCOMPARE(m_settings->storedValue(QStringLiteral("BrushSize0")).toFloat(), chosen);
}

void TestStartup::colorWellSetsTheActiveSlot()
{
    Opened o;
    o.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(o.window));
    o.canvas->setActiveColor(2);
    auto *well = o.child<ColorWell>("mCurrColorWell");
    QTest::mouseClick(well, Qt::LeftButton);
    auto *dialog = o.window->findChild<QColorDialog *>(QStringLiteral("colorDialog"));
    QVERIFY(dialog);
    QVERIFY(dialog->testOption(QColorDialog::ShowAlphaChannel));
    const QColor chosen(255, 0, 0, 128);
    dialog->setCurrentColor(chosen);
    dialog->accept();
    QCOMPARE(o.canvas->slotColor(1).toQColor().rgba(), chosen.rgba());
    QCOMPARE(unarchiveColor(Preferences::standard().dataForKey(QStringLiteral("Color1")))
                 ->toQColor()
                 .rgba(),
             chosen.rgba());
    QCOMPARE(o.canvas->slotColor(0), PreferenceKeys::defaultColor());
}

void TestStartup::backgroundSliderFollowsTheCanvas()
{
    Opened o;
    auto *slider = o.child<QSlider>("mBgTypeSlider");
    slider->setValue(2);
    QCOMPARE(o.canvas->bgType(), 2.0f);
    QCOMPARE(m_settings->storedValue(QStringLiteral("BgType")), QStringLiteral("2"));
    o.canvas->setBgType(0.4f);
    QCOMPARE(slider->value(), 0);
    slider->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(o.canvas->bgType(), 3.0f);
    QVERIFY(!o.canvas->isOpaque());
}

void TestStartup::closedWindowStopsFollowing()
{
    const int before = followers();
    auto *document = new InkpondDocument;
    document->makeWindowControllers();
    QPointer<DocumentWindow> window = documentWindowFor(document);
    QCOMPARE(followers(), before + 1);
    delete document; // takes its window with it
    QVERIFY(!window);
    QCOMPARE(followers(), before);
    arrive(QPointingDevice::PointerType::Eraser);
    arrive(QPointingDevice::PointerType::Pen);
}

int main(int argc, char **argv)
{
    TabletApplication app(argc, argv);
    TestStartup test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
