// Tablet proximity: the kernel route without a tablet (recorded event sequences through the
// decoder, and the 30-byte record the monitor writes from their changes); the application's
// routing into kProximityNotification from Qt's events, the monitor, and the arrival announced
// from tablet presses and hover moves; and the canvas following the pointer by every route.
#include "EvdevToolDecoder.h"
#include "NotificationCenter.h"
#include "Preferences.h"
#include "ProximitySupport.h"
#include "TabletMonitor.h"
#include "TabletProximityRecord.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QPushButton>
#include <QWidget>
#include <QtTest>
#include <linux/input-event-codes.h>
#include <vector>

Q_DECLARE_METATYPE(QPointingDevice::PointerType)

using Events = QList<EvdevInput>;
Q_DECLARE_METATYPE(EvdevInput)

namespace {
using PT = QPointingDevice::PointerType;

// Every proximity notification posted while it lives; as an event filter, also how many had
// been posted when each event reached Qt's own dispatch.
struct ProximityRecorder : QObject
{
    ProximityRecorder()
    {
        NotificationCenter::defaultCenter().addObserver(
            this, kProximityNotification, [this](const Notification &n) { notes.push_back(n); });
    }
    ~ProximityRecorder() override { NotificationCenter::defaultCenter().removeObserver(this); }
    ProximityEvent event(size_t i) const
    {
        return notes.at(i).userInfo.value(kProximityEventKey).value<ProximityEvent>();
    }
    bool eventFilter(QObject *, QEvent *) override
    {
        seen.push_back(notes.size());
        return false;
    }
    std::vector<Notification> notes;
    std::vector<size_t> seen;
};

enum Route { QtEvent, Monitor, Touch };

// A pointer arriving (or leaving) as the application learns of it by one of its routes.
void proximity(Route route, int type, bool entering = true, int pointerID = 0)
{
    if (route == Monitor)
        return monitorProximity(type, entering, pointerID);
    const PT pointers[] = {PT::Unknown, PT::Pen, PT::Cursor, PT::Eraser};
    if (route == Touch) { // a press, or the tip's hover move, that may land anywhere
        QWidget elsewhere;
        return sendTablet(&elsewhere, type == 1 ? QEvent::TabletMove : QEvent::TabletPress,
                          pointers[type]);
    }
    sendTablet(qApp, entering ? QEvent::TabletEnterProximity : QEvent::TabletLeaveProximity,
               pointers[type]);
}

// A canvas as its window starts it: eraser toggle connected, following proximity.
struct Canvas
{
    Canvas()
    {
        toggle.setCheckable(true);
        view.setRubberButton(&toggle);
        view.startFollowingProximity();
    }
    QPushButton toggle;
    WTView view {Rect(0, 0, 120, 90)};
};

EvdevInput key(quint16 code, qint32 value)
{
    return {EV_KEY, code, value};
}
EvdevInput serial(qint32 value)
{
    return {EV_MSC, MSC_SERIAL, value};
}
EvdevInput misc(qint32 value)
{
    return {EV_ABS, ABS_MISC, value};
}
const EvdevInput syn {EV_SYN, SYN_REPORT, 0};
const EvdevInput dropped {EV_SYN, SYN_DROPPED, 0};

// "+3#5/0x80a": the eraser arriving with serial 5 and tool id 0x80a; "-" for leaving.
QStringList describe(const std::vector<ToolProximityChange> &changes)
{
    QStringList out;
    for (const auto &c : changes) {
        QString s = QStringLiteral("%1%2").arg(c.entering ? '+' : '-').arg(c.pointerType);
        if (c.serial)
            s += QStringLiteral("#%1").arg(c.serial);
        if (c.toolId)
            s += QStringLiteral("/0x%1").arg(c.toolId, 0, 16);
        out << s;
    }
    return out;
}

// The changes of a sequence; "|" stands for a SYN_REPORT that completed none.
QStringList run(EvdevToolDecoder &decoder, const Events &events)
{
    QStringList out;
    for (const EvdevInput &e : events) {
        const QStringList changes = describe(decoder.feed(e));
        if (e.type == EV_SYN && e.code == SYN_REPORT)
            out << (changes.isEmpty() ? QStringList {QStringLiteral("|")} : changes);
    }
    return out;
}
} // namespace
Q_DECLARE_METATYPE(Route)

class TestRouting : public QObject
{
    Q_OBJECT

private slots:
    void qtProximityPostsOnceAndSkipsDispatch_data()
    {
        QTest::addColumn<bool>("entering");
        QTest::addColumn<PT>("pointer");
        QTest::addColumn<int>("expectedType");
        QTest::newRow("pen arrives") << true << PT::Pen << 1;
        QTest::newRow("eraser arrives") << true << PT::Eraser << 3;
        QTest::newRow("puck leaves") << false << PT::Cursor << 2;
        // Qt's types are flags: cast, these would read as a pen and a puck.
        QTest::newRow("generic") << true << PT::Generic << 0;
        QTest::newRow("finger") << true << PT::Finger << 0;
    }

    void qtProximityPostsOnceAndSkipsDispatch()
    {
        QFETCH(bool, entering);
        QFETCH(PT, pointer);
        ProximityRecorder recorder;
        qApp->installEventFilter(&recorder);
        sendTablet(qApp, entering ? QEvent::TabletEnterProximity : QEvent::TabletLeaveProximity,
                   pointer);
        qApp->removeEventFilter(&recorder);

        QVERIFY(recorder.notes.size() == 1 && recorder.seen.empty());
        QCOMPARE(recorder.notes[0].object, static_cast<const void *>(qApp));
        const ProximityEvent e = recorder.event(0);
        QCOMPARE(e.isEnteringProximity, entering);
        QTEST(int(e.pointingDeviceType), "expectedType");
        QCOMPARE(int(e.pointingDeviceID), 0);
    }

    void pressWithNewPointerAnnouncesItFirst()
    {
        QWidget canvas;
        canvas.setTabletTracking(true);
        ProximityRecorder recorder;
        canvas.installEventFilter(&recorder);

        sendTablet(qApp, QEvent::TabletEnterProximity, PT::Pen);
        sendTablet(&canvas, QEvent::TabletPress, PT::Pen);
        QCOMPARE(recorder.notes.size(), size_t(1)); // the pen was announced already

        sendTablet(&canvas, QEvent::TabletPress, PT::Eraser);
        QCOMPARE(recorder.notes.size(), size_t(2));
        QVERIFY(recorder.event(1).isEnteringProximity);
        QCOMPARE(int(recorder.event(1).pointingDeviceType), 3);
        // The canvas got the press, after the arrival.
        QCOMPARE(recorder.seen, (std::vector<size_t> {1, 2}));

        sendTablet(&canvas, QEvent::TabletMove, PT::Eraser);
        QCOMPARE(recorder.notes.size(), size_t(2));
        sendTablet(&canvas, QEvent::TabletMove, PT::Pen); // hovering, turned back
        QCOMPARE(recorder.notes.size(), size_t(3));
        QCOMPARE(int(recorder.event(2).pointingDeviceType), 1);

        // An arrival by the monitor counts as announced; a departure changes nothing.
        monitorProximity(2);
        sendTablet(qApp, QEvent::TabletLeaveProximity, PT::Cursor);
        sendTablet(&canvas, QEvent::TabletPress, PT::Cursor);
        QCOMPARE(recorder.notes.size(), size_t(5));
        sendTablet(&canvas, QEvent::TabletRelease, PT::Eraser); // a release never announces
        QCOMPARE(recorder.notes.size(), size_t(5));
    }

    void eachPointerRemembersItsTool_data()
    {
        QTest::addColumn<Route>("route");
        QTest::newRow("Qt event") << QtEvent;
        QTest::newRow("monitor record") << Monitor;
        QTest::newRow("press or hover, without proximity") << Touch;
    }

    void eachPointerRemembersItsTool()
    {
        QFETCH(Route, route);
        IsolatedSettings settings;
        Canvas c;
        proximity(route, 3); // on fresh preferences the eraser end erases and the tip paints slot 0
        QVERIFY(c.view.erasing() && c.toggle.isChecked());
        QCOMPARE(settings.storedValue(QStringLiteral("EraserColor")), QStringLiteral("0"));
        c.view.setActiveColor(4); // the eraser end now paints with slot 3
        proximity(route, 1);
        QVERIFY(c.view.activeColor() == 1 && !c.toggle.isChecked());
        c.view.setActiveColor(0); // and the tip erases
        proximity(route, 2);
        QCOMPARE(c.view.activeColor(), 1); // the puck's default
        proximity(route, 3);
        QVERIFY(c.view.activeColor() == 4 && !c.toggle.isChecked());
        proximity(route, 1);
        QVERIFY(c.view.erasing() && c.toggle.isChecked());
    }

    void damagedStoredToolNoLongerFailsEveryArrival_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("damaged");
        QTest::addColumn<int>("pointer");
        QTest::addColumn<int>("healed");
        QTest::newRow("eraser end, 7") << "EraserColor" << QVariant(7) << 3 << 0;
        QTest::newRow("eraser end, -1") << "EraserColor" << QVariant(-1) << 3 << 0;
        QTest::newRow("eraser end, text") << "EraserColor" << QVariant(QByteArray("rub")) << 3 << 0;
        QTest::newRow("puck, 99") << "CursorColor" << QVariant(99) << 2 << 1;
        QTest::newRow("pen tip, 5") << "PenColor" << QVariant(5) << 1 << 1;
    }

    void damagedStoredToolNoLongerFailsEveryArrival()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, damaged);
        QFETCH(int, pointer);
        QFETCH(int, healed);
        IsolatedSettings settings;
        Canvas c;
        const int other = pointer == 3 ? 2 : 3;
        proximity(QtEvent, other);
        if (damaged.metaType() == QMetaType::fromType<QByteArray>())
            Preferences::standard().setData(damaged.toByteArray(), key);
        else
            Preferences::standard().setInteger(damaged.toInt(), key);
        for (int round = 0; round < 2; ++round) {
            proximity(QtEvent, pointer);
            QCOMPARE(int(c.view.core().currentPointerType()), pointer);
            QCOMPARE(c.view.activeColor(), healed);
            QCOMPARE(settings.storedValue(key), QString::number(healed));
            proximity(QtEvent, other);
        }
    }

    void sequences_data()
    {
        QTest::addColumn<Events>("events");
        QTest::addColumn<QStringList>("expected");
        const quint16 pen = BTN_TOOL_PEN, rubber = BTN_TOOL_RUBBER;

        QTest::newRow("pen arrives at the frame's end, not before")
            << Events {key(pen, 1), serial(0x1234), misc(0x802), syn}
            << QStringList {"+1#4660/0x802"};
        QTest::newRow("pen arrives and leaves")
            << Events {key(pen, 1), syn, {EV_ABS, ABS_X, 10}, syn, key(pen, 0), syn}
            << QStringList {"+1", "|", "-1"};
        QTest::newRow("turned over in one frame: tip leaves first")
            << Events {key(pen, 1), syn, key(rubber, 1), key(pen, 0), syn}
            << QStringList {"+1", "-1", "+3"};
        QTest::newRow("leaving keeps the serial it came with")
            << Events {key(pen, 1),    serial(7), misc(0x802), syn, key(pen, 0),
                       key(rubber, 1), serial(9), misc(0x80a), syn, key(rubber, 0),
                       serial(0),      misc(0),   syn}
            << QStringList {"+1#7/0x802", "-1#7/0x802", "+3#9/0x80a", "-3#9/0x80a"};
        QTest::newRow("pen kinds and pucks")
            << Events {key(BTN_TOOL_AIRBRUSH, 1), syn, key(BTN_TOOL_AIRBRUSH, 0),
                       key(BTN_TOOL_LENS, 1),     syn, key(BTN_TOOL_LENS, 0),
                       key(BTN_TOOL_BRUSH, 1),    syn}
            << QStringList {"+1", "-1", "+2", "-2", "+1"};
        const quint16 touch = BTN_TOUCH, finger = BTN_TOOL_FINGER;
        QTest::newRow("repeats, autorepeat and other keys change nothing")
            << Events {key(pen, 1),    syn, key(pen, 1), key(pen, 2), key(touch, 1),
                       key(finger, 1), syn}
            << QStringList {"+1", "|"};
        QTest::newRow("a dropped frame is ignored up to its SYN_REPORT")
            << Events {key(pen, 1),    syn, key(pen, 0), dropped,
                       key(rubber, 1), syn, key(pen, 0), syn}
            << QStringList {"+1", "|", "-1"};
    }

    void sequences()
    {
        QFETCH(Events, events);
        EvdevToolDecoder decoder;
        QTEST(run(decoder, events), "expected");
    }

    void droppedEventsAreResynchronised()
    {
        EvdevToolDecoder decoder;
        QCOMPARE(
            run(decoder, {key(BTN_TOOL_PEN, 1), serial(5), syn, key(BTN_TOOL_PEN, 0), dropped}),
            QStringList {"+1#5"});
        // Meanwhile the pen was turned over: the device's state says the eraser is near.
        QCOMPARE(describe(decoder.resynchronise({key(BTN_TOOL_RUBBER, 1), misc(0x80a)})),
                 (QStringList {"-1#5", "+3#5/0x80a"}));
        // Reading goes on normally, with no frame left to ignore.
        QCOMPARE(run(decoder, {key(BTN_TOOL_RUBBER, 0), misc(0), syn}), QStringList {"-3#5/0x80a"});
        QCOMPARE(run(decoder, {key(BTN_TOOL_MOUSE, 1), syn, dropped}), QStringList {"+2#5"});
        // Nothing changed while events were lost: no change reported.
        QVERIFY(decoder.resynchronise({key(BTN_TOOL_MOUSE, 1)}).empty());

        // A tool near when the device is opened arrives.
        EvdevToolDecoder nothingNear;
        QVERIFY(nothingNear.resynchronise({key(BTN_TOOL_PEN, 0), key(BTN_TOOL_RUBBER, 0)}).empty());
        EvdevToolDecoder eraserNear;
        QCOMPARE(
            describe(eraserNear.resynchronise({key(BTN_TOOL_PEN, 0), key(BTN_TOOL_RUBBER, 1)})),
            QStringList {"+3"});
    }

    void monitorStartsAndWritesFixedLittleEndianRecords()
    {
        // main() gave its switch between Qt's own switches and a file name: not taken for a file.
        QVERIFY(TabletApplication::instance()->tabletMonitor()->isStarted());
        const QStringList args = QCoreApplication::arguments();
        QVERIFY(!args.contains(QStringLiteral("--tablet-monitor")));
        QCOMPARE(args.mid(1, 1), QStringList {"picture.png"});

        const TabletProximityRec layout {0x056a,     0x0102, 0x0304,     0x0506,
                                         0x0708,     0x090a, 0x0b0c0d0e, 0x1112131415161718,
                                         0x191a1b1c, 3,      1};
        const QByteArray bytes = writeTabletProximityRec(layout);
        QCOMPARE(bytes.toHex(),
                 QByteArray("6a050201040306050807"
                            "0a090e0d0c0b1817161514131211"
                            "1c1b1a190301"));
        QCOMPARE(writeTabletProximityRec(readTabletProximityRec(bytes)), bytes);
        // Short data reads as zero where it ends; longer data counts up to 30 bytes.
        const QByteArray ones(30, '\xff');
        const auto shortRec = readTabletProximityRec(ones.left(29));
        QVERIFY(shortRec.pointerType == 0xff && shortRec.enterProximity == 0);
        QCOMPARE(writeTabletProximityRec(readTabletProximityRec(ones + "extra")), ones);
        // Yet the monitor posts nothing for what is not exactly a record.
        ProximityRecorder recorder;
        for (const QByteArray &record : {QByteArray(), QByteArray(""), ones.left(29), ones + "x"}) {
            QCOMPARE(CarbonTabletProximityCallback(TabletMonitorEvent(record), nullptr), noErr);
            TabletApplication::instance()->tabletMonitor()->dispatch(TabletMonitorEvent(record));
            QVERIFY2(recorder.notes.empty(), record.toHex().constData());
        }

        // The records the monitor writes for a pen turned over.
        EvdevToolDecoder decoder;
        run(decoder,
            {key(BTN_TOOL_PEN, 1), serial(77), syn, key(BTN_TOOL_PEN, 0), key(BTN_TOOL_RUBBER, 1)});
        const auto swap = decoder.feed(syn);
        QCOMPARE(describe(swap), (QStringList {"-1#77", "+3#77"}));
        const TabletMonitor::DeviceInfo device {0x056a, 0x0357, 2, 0x0406};
        const auto rec = readTabletProximityRec(
            writeTabletProximityRec(TabletMonitor::recordFor(swap[1], device)));
        // What a canvas reads: the eraser arriving, first pointer.
        QVERIFY(rec.pointerType == 3 && rec.enterProximity == 1 && rec.pointerID == 0
                && rec.pointerSerialNumber == 77u);
        QCOMPARE(TabletMonitor::recordFor(swap[0], device).enterProximity, quint8(0));
    }
};

int main(int argc, char **argv)
{
    // On a machine without tablets the monitor says so once on standard error, and goes on.
    std::vector<char *> args(argv, argv + argc);
    char platform[] = "-platform", offscreen[] = "offscreen", monitor[] = "--tablet-monitor",
         file[] = "picture.png";
    args.insert(args.begin() + 1, {platform, offscreen, monitor, file});
    int appArgc = int(args.size());
    args.push_back(nullptr);
    TabletApplication app(appArgc, args.data());
    TestRouting test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_routing.moc"
