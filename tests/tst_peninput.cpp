// Pen input settings: the pressure curve and minimum width, smoothing, every pointer as the tip,
// and their stored values.
#include "NotificationCenter.h"
#include "PenSettings.h"
#include "PreferenceKeys.h"
#include "Preferences.h"
#include "SessionEvent.h"
#include "SessionReplayer.h"
#include "StrokeDriver.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QSettings>
#include <QTest>

namespace {
// A replayed horizontal tablet stroke at pressure 0.5, after the given setting lines.
QImage replayedStroke(const QStringList &settings)
{
    Opened opened;
    QStringList lines = settings;
    lines << R"({"event":"press","pointer":"pen","pressure":0.5,"t":0,"x":20,"y":50})"
          << R"({"event":"move","pointer":"pen","pressure":0.5,"t":1,"x":60,"y":50})"
          << R"({"event":"move","pointer":"pen","pressure":0.5,"t":2,"x":100,"y":50})"
          << R"({"event":"release","pointer":"pen","pressure":0,"t":3,"x":100,"y":50})";
    std::vector<SessionEvent> events;
    for (const QString &line : lines)
        events.push_back(*parseSessionEvent(line.toUtf8(), nullptr));
    SessionReplayer replayer(events, opened.canvas);
    replayer.replayAll();
    return opened.canvas->getImageWithBG(false)->qimage();
}

// The same stroke with the mouse at a fixed width: today's painting, not through the curve.
QImage mouseStroke(float width)
{
    Opened opened;
    opened.canvas->setBrushSize(width);
    strokes::freehand(*opened.canvas, {{20, 50}, {60, 50}, {100, 50}});
    return opened.canvas->getImageWithBG(false)->qimage();
}
} // namespace

class PenInputTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { mSettings = std::make_unique<IsolatedSettings>(); }
    void cleanup() { mSettings.reset(); }
    void replayedCurveGivesItsWidth_data();
    void replayedCurveGivesItsWidth();
    void smoothedZigZagStaysOnThePathAndEndsAtTheRelease();
    void eraserEndDrawsWhenEveryPointerIsTheTip_data();
    void eraserEndDrawsWhenEveryPointerIsTheTip();
    void damagedValueReadsAsItsDefault_data();
    void damagedValueReadsAsItsDefault();

private:
    std::unique_ptr<IsolatedSettings> mSettings;
};

void PenInputTest::replayedCurveGivesItsWidth_data()
{
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<float>("factor"); // what the width at pressure 0.5 comes to
    QTest::newRow("default") << QStringList() << 0.5f;
    QTest::newRow("linear")
        << QStringList {R"({"event":"action","name":"setPressureCurve:","t":0,"value":0})"} << 0.5f;
    const float soft = PressureCurve::preset(PressureCurve::Preset::Soft).map(0.5f);
    const float firm = PressureCurve::preset(PressureCurve::Preset::Firm).map(0.5f);
    QVERIFY(soft > 0.6f && firm < 0.4f);
    QTest::newRow("soft")
        << QStringList {R"({"event":"action","name":"setPressureCurve:","t":0,"value":1})"} << soft;
    QTest::newRow("firm")
        << QStringList {R"({"event":"action","name":"setPressureCurve:","t":0,"value":2})"} << firm;
    // A custom straight curve from 0.2 to 1 with a minimum of half the width.
    QTest::newRow("custom, minimum")
        << QStringList {R"({"event":"action","name":"setCustomPressureCurve:","t":0,"value":[0,0.2,1,1]})",
                        R"({"event":"action","name":"setPressureCurve:","t":0,"value":3})",
                        R"({"event":"action","name":"setMinimumWidth:","t":0,"value":0.5})"}
        << 0.5f + 0.5f * PressureCurve::fromNumbers({0, 0.2f, 1, 1})->map(0.5f);
}

// The replayed tablet stroke is the mouse stroke of the width the curve gives, pixel for pixel;
// linear and the defaults are today's widths exactly.
void PenInputTest::replayedCurveGivesItsWidth()
{
    QFETCH(QStringList, settings);
    QFETCH(float, factor);
    const QImage replayed = replayedStroke(settings);
    QCOMPARE(differingPixels(replayed, mouseStroke(factor * 10.0f)), 0);
    if (factor != 0.5f)
        QVERIFY(differingPixels(replayed, mouseStroke(5.0f)) > 0);
}

void PenInputTest::smoothedZigZagStaysOnThePathAndEndsAtTheRelease()
{
    Opened opened;
    WTView &canvas = *opened.canvas;
    canvas.setBrushSize(2.0f);
    canvas.penSettings().setSmoothing(70);
    const std::initializer_list<Point> zigzag
        = {{20, 20}, {40, 80}, {60, 20}, {80, 80}, {100, 20}, {120, 80}, {140, 20}};
    strokes::freehand(canvas, zigzag, 1.0f, true);
    const Image painted = strokes::picture(canvas);
    // The samples' bounding box, widened by half the width and a pixel of antialiasing.
    for (int y = 0; y < painted.pixelHeight(); ++y)
        for (int x = 0; x < painted.pixelWidth(); ++x)
            if (strokes::alphaAt(painted, x, y) != 0)
                QVERIFY2(x >= 18 && x <= 142 && y >= 18 && y <= 82,
                         qPrintable(QStringLiteral("painted at %1, %2").arg(x).arg(y)));
    QVERIFY(strokes::alphaAt(painted, 140, 20) != 0); // where the pen lifted
    QCOMPARE(strokes::alphaAt(painted, 40, 79), 0); // a corner the smoothed path cuts
}

void PenInputTest::eraserEndDrawsWhenEveryPointerIsTheTip_data()
{
    QTest::addColumn<bool>("everyPointerIsTip");
    QTest::newRow("eraser erases") << false;
    QTest::newRow("eraser draws") << true;
}

void PenInputTest::eraserEndDrawsWhenEveryPointerIsTheTip()
{
    QFETCH(bool, everyPointerIsTip);
    Opened opened;
    WTView &canvas = *opened.canvas;
    canvas.setTreatsEveryPointerAsTip(everyPointerIsTip);
    ProximityEvent eraser;
    eraser.isEnteringProximity = true;
    eraser.pointingDeviceType = quint8(PointerType::Eraser);
    NotificationCenter::defaultCenter().post(kProximityNotification, nullptr,
                                             {{kProximityEventKey, QVariant::fromValue(eraser)}});
    QCOMPARE(canvas.erasing(), !everyPointerIsTip);
    strokes::freehand(canvas, {{20, 50}, {60, 50}}, 1.0f, true);
    QCOMPARE(strokes::paintedPixels(strokes::picture(canvas)) > 0, everyPointerIsTip);
}

void PenInputTest::damagedValueReadsAsItsDefault_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("stored");
    using namespace PreferenceKeys;
    QTest::newRow("preset beyond custom") << kPressureCurve << QVariant(4);
    QTest::newRow("preset negative") << kPressureCurve << QVariant(-1);
    QTest::newRow("preset a word") << kPressureCurve << QVariant(QStringLiteral("soft"));
    QTest::newRow("curve odd") << kCustomPressureCurve << QVariant(QStringList {"0", "0", "1"});
    QTest::newRow("curve x falls")
        << kCustomPressureCurve
        << QVariant(QStringList {"0", "0", "0.6", "1", "0.4", "1", "1", "1"});
    QTest::newRow("curve beyond 1")
        << kCustomPressureCurve << QVariant(QStringList {"0", "0", "1", "2"});
    QTest::newRow("curve a word") << kCustomPressureCurve << QVariant(QStringLiteral("soft"));
    QTest::newRow("minimum above 1") << kMinimumWidth << QVariant(1.5);
    QTest::newRow("minimum nan") << kMinimumWidth << QVariant(QStringLiteral("nan"));
    QTest::newRow("smoothing 101") << kSmoothing << QVariant(101);
    QTest::newRow("smoothing a word") << kSmoothing << QVariant(QStringLiteral("lots"));
    QTest::newRow("tip 2") << kTreatEveryPointerAsTip << QVariant(2);
}

void PenInputTest::damagedValueReadsAsItsDefault()
{
    QFETCH(QString, key);
    QFETCH(QVariant, stored);
    {
        QSettings file(mSettings->filePath(), QSettings::IniFormat);
        file.setValue(key, stored);
    }
    Preferences store(mSettings->filePath());
    const PenSettings read(store);
    Preferences fresh(QDir(QFileInfo(mSettings->filePath()).path()).filePath("fresh.conf"));
    const PenSettings defaults(fresh);
    QCOMPARE(int(read.pressureCurvePreset()), int(defaults.pressureCurvePreset()));
    QVERIFY(read.customPressureCurve() == defaults.customPressureCurve());
    QCOMPARE(read.minimumWidth(), defaults.minimumWidth());
    QCOMPARE(read.smoothing(), defaults.smoothing());
    QCOMPARE(read.treatsEveryPointerAsTip(), defaults.treatsEveryPointerAsTip());
    QCOMPARE(read.widthFactor(0.3f), 0.3f);
}

QTEST_MAIN(PenInputTest)
#include "tst_peninput.moc"
