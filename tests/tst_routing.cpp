// The application's routing of tablet proximity into kProximityNotification: Qt's events, the
// tablet monitor, and the arrival announced from tablet presses and hover moves.
#include "NotificationCenter.h"
#include "ProximitySupport.h"

#include <QWidget>
#include <QtTest>
#include <vector>

Q_DECLARE_METATYPE(QPointingDevice::PointerType)

namespace {
using PT = QPointingDevice::PointerType;

// Every proximity notification posted while it lives.
struct ProximityRecorder
{
    ProximityRecorder()
    {
        NotificationCenter::defaultCenter().addObserver(
            this, kProximityNotification, [this](const Notification &n) { notes.push_back(n); });
    }
    ~ProximityRecorder() { NotificationCenter::defaultCenter().removeObserver(this); }
    ProximityEvent event(size_t i) const
    {
        return notes.at(i).userInfo.value(kProximityEventKey).value<ProximityEvent>();
    }
    std::vector<Notification> notes;
};

// What reaches Qt's own dispatch, and how many notifications had been posted by then.
struct DispatchSpy : QObject
{
    explicit DispatchSpy(const ProximityRecorder &r)
        : recorder(r)
    {
    }
    bool eventFilter(QObject *, QEvent *e) override
    {
        seen.push_back({e, recorder.notes.size()});
        return false;
    }
    const ProximityRecorder &recorder;
    std::vector<std::pair<const QEvent *, size_t>> seen;
};
} // namespace

class TestRouting : public QObject
{
    Q_OBJECT

private slots:
    void qtProximityPostsOnceAndSkipsDispatch_data();
    void qtProximityPostsOnceAndSkipsDispatch();
    void unreadableMonitorRecordPostsNothing_data();
    void unreadableMonitorRecordPostsNothing();
    void pressWithNewPointerAnnouncesItFirst();
    void coalescingSwitchAfterConstruction();
    void monitorSwitchIsNotTakenForAFile();
};

void TestRouting::qtProximityPostsOnceAndSkipsDispatch_data()
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
    QTest::newRow("unknown") << true << PT::Unknown << 0;
}

void TestRouting::qtProximityPostsOnceAndSkipsDispatch()
{
    QFETCH(bool, entering);
    QFETCH(PT, pointer);
    QFETCH(int, expectedType);
    ProximityRecorder recorder;
    DispatchSpy spy(recorder);
    qApp->installEventFilter(&spy);
    sendTablet(qApp, entering ? QEvent::TabletEnterProximity : QEvent::TabletLeaveProximity,
               pointer);
    qApp->removeEventFilter(&spy);

    QCOMPARE(recorder.notes.size(), size_t(1));
    QCOMPARE(recorder.notes[0].object, static_cast<const void *>(qApp));
    QCOMPARE(recorder.notes[0].userInfo.keys(), QStringList {kProximityEventKey});
    QCOMPARE(recorder.event(0).isEnteringProximity, entering);
    QCOMPARE(int(recorder.event(0).pointingDeviceType), expectedType);
    QCOMPARE(int(recorder.event(0).pointingDeviceID), 0);
    QVERIFY(spy.seen.empty());
}

void TestRouting::unreadableMonitorRecordPostsNothing_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::newRow("none") << QByteArray();
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("29 bytes") << QByteArray(29, '\1');
    QTest::newRow("31 bytes") << QByteArray(31, '\1');
}

void TestRouting::unreadableMonitorRecordPostsNothing()
{
    QFETCH(QByteArray, record);
    ProximityRecorder recorder;
    QCOMPARE(CarbonTabletProximityCallback(TabletMonitorEvent(record), nullptr), noErr);
    TabletApplication::instance()->tabletMonitor()->dispatch(TabletMonitorEvent(record));
    QVERIFY(recorder.notes.empty());
}

void TestRouting::pressWithNewPointerAnnouncesItFirst()
{
    QWidget canvas;
    canvas.setTabletTracking(true);
    ProximityRecorder recorder;
    DispatchSpy spy(recorder);
    canvas.installEventFilter(&spy);

    sendTablet(qApp, QEvent::TabletEnterProximity, PT::Pen);
    sendTablet(&canvas, QEvent::TabletPress, PT::Pen);
    QCOMPARE(recorder.notes.size(), size_t(1)); // the pen was announced already

    sendTablet(&canvas, QEvent::TabletPress, PT::Eraser);
    QCOMPARE(recorder.notes.size(), size_t(2));
    QVERIFY(recorder.event(1).isEnteringProximity);
    QCOMPARE(int(recorder.event(1).pointingDeviceType), 3);
    QCOMPARE(spy.seen.size(), size_t(2)); // the canvas got the press, after the arrival
    QCOMPARE(spy.seen[1].second, size_t(2));

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

void TestRouting::coalescingSwitchAfterConstruction()
{
    auto *app = TabletApplication::instance();
    for (bool on : {false, true, false}) {
        app->setMouseCoalescingEnabled(on);
        QCOMPARE(app->testAttribute(Qt::AA_CompressHighFrequencyEvents), on);
        QCOMPARE(app->testAttribute(Qt::AA_CompressTabletEvents), on);
        QCOMPARE(app->isMouseCoalescingEnabled(), on);
    }
}

void TestRouting::monitorSwitchIsNotTakenForAFile()
{
    // main() gave it between Qt's own switches and a file name.
    QVERIFY(TabletApplication::instance()->tabletMonitor()->isStarted());
    const QStringList args = QCoreApplication::arguments();
    QVERIFY(!args.contains(QStringLiteral("--tablet-monitor")));
    QCOMPARE(args.mid(1, 1), QStringList {"picture.png"});
}

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
