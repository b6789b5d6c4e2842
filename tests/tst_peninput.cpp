// Pen input settings: the pressure curve and minimum width, smoothing, every pointer as the tip,
// and their stored values.
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
    QTest::newRow("linear") << QStringList {action("setPressureCurve:", "0")} << 0.5f;
    const float soft = PressureCurve::preset(PressureCurve::Preset::Soft).map(0.5f);
    const float firm = PressureCurve::preset(PressureCurve::Preset::Firm).map(0.5f);
    QVERIFY(soft > 0.6f && firm < 0.4f);
    QTest::newRow("soft") << QStringList {action("setPressureCurve:", "1")} << soft;
    QTest::newRow("firm") << QStringList {action("setPressureCurve:", "2")} << firm;
    // A custom straight curve from 0.2 to 1 with a minimum of half the width.
    QTest::newRow("custom, minimum")
        << QStringList {action("setCustomPressureCurve:", "[0,0.2,1,1]"),
                        action("setPressureCurve:", "3"), action("setMinimumWidth:", "0.5")}
        << 0.5f + 0.5f * PressureCurve::fromNumbers({0, 0.2f, 1, 1})->map(0.5f);
}

// The replayed tablet stroke is the mouse stroke of the width the curve gives, pixel for pixel;
// linear and the defaults are today's widths exactly.
void PenInputTest::replayedCurveGivesItsWidth()
{
    QFETCH(QStringList, settings);
    QFETCH(float, factor);
    const QImage replayed = ::replayed(settings);
    QCOMPARE(differingPixels(replayed, mouseStroke(factor * 10.0f)), 0);
    if (factor != 0.5f)
        QVERIFY(differingPixels(replayed, mouseStroke(5.0f)) > 0);
}

void PenInputTest::smoothedZigZagStaysOnThePathAndEndsAtTheRelease()
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

void PenInputTest::eraserEndDrawsWhenEveryPointerIsTheTip_data()
{
    QTest::addColumn<bool>("everyPointerIsTip");
    QTest::newRow("eraser erases") << false;
    QTest::newRow("eraser draws") << true;
}

void PenInputTest::eraserEndDrawsWhenEveryPointerIsTheTip()
{
    QFETCH(bool, everyPointerIsTip);
    const QImage painted = replayed(
        {action("setTreatEveryPointerAsTip:", everyPointerIsTip ? "1" : "0"),
         QStringLiteral(R"({"enter":true,"event":"proximity","id":0,"pointer":"eraser","t":0})")},
        {{20, 50}, {60, 50}}, "eraser");
    QImage blank(painted.size(), painted.format());
    blank.fill(Qt::transparent);
    QCOMPARE(differingPixels(painted, blank) > 0, everyPointerIsTip);
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
