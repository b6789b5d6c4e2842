// The canvas following the tablet pointer: every route's arrival, into every following canvas.
#include "Preferences.h"
#include "ProximitySupport.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QPushButton>
#include <QtTest>

namespace {
enum Route { QtEvent, Monitor };

// A pointer arriving (or leaving) as the application learns of it by one of its routes.
void proximity(Route route, int type, bool entering = true, int pointerID = 0)
{
    if (route == Monitor)
        return monitorProximity(type, entering, pointerID);
    using PT = QPointingDevice::PointerType;
    const PT pointers[] = {PT::Unknown, PT::Pen, PT::Cursor, PT::Eraser};
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

void addRoutes()
{
    QTest::addColumn<int>("route");
    QTest::newRow("Qt event") << int(QtEvent);
    QTest::newRow("monitor record") << int(Monitor);
}
} // namespace

class TestProximity : public QObject
{
    Q_OBJECT

private slots:
    void repeatsAndDeparturesChangeNothing_data() { addRoutes(); }
    void eachPointerRemembersItsTool_data() { addRoutes(); }
    void eachPointerRemembersItsTool();
    void damagedStoredToolNoLongerFailsEveryArrival_data();
    void damagedStoredToolNoLongerFailsEveryArrival();
    void pressWithTheEraserEndSwitchesWithoutProximity();
};

void TestProximity::eachPointerRemembersItsTool()
{
    QFETCH(int, route);
    const Route r = Route(route);
    IsolatedSettings settings;
    Canvas c;
    proximity(r, 3); // on fresh preferences the eraser end erases and the tip paints slot 0
    QVERIFY(c.view.erasing());
    QVERIFY(c.toggle.isChecked());
    QCOMPARE(settings.storedValue(QStringLiteral("EraserColor")), QStringLiteral("0"));
    c.view.setActiveColor(4); // the eraser end now paints with slot 3
    proximity(r, 1);
    QCOMPARE(c.view.activeColor(), 1);
    QVERIFY(!c.toggle.isChecked());
    c.view.setActiveColor(0); // and the tip erases
    proximity(r, 2);
    QCOMPARE(c.view.activeColor(), 1); // the puck's default
    proximity(r, 3);
    QCOMPARE(c.view.activeColor(), 4);
    QVERIFY(!c.toggle.isChecked());
    proximity(r, 1);
    QVERIFY(c.view.erasing());
    QVERIFY(c.toggle.isChecked());
}

void TestProximity::damagedStoredToolNoLongerFailsEveryArrival_data()
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

void TestProximity::damagedStoredToolNoLongerFailsEveryArrival()
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
        QCOMPARE(int(c.view.currentPointerType()), pointer);
        QCOMPARE(c.view.activeColor(), healed);
        QCOMPARE(settings.storedValue(key), QString::number(healed));
        proximity(QtEvent, other);
    }
}

void TestProximity::pressWithTheEraserEndSwitchesWithoutProximity()
{
    IsolatedSettings settings;
    Canvas c;
    QWidget elsewhere; // the press may land anywhere in the application
    proximity(QtEvent, 1);
    sendTablet(&elsewhere, QEvent::TabletPress, QPointingDevice::PointerType::Eraser);
    QVERIFY(c.view.erasing());
    sendTablet(&elsewhere, QEvent::TabletMove, QPointingDevice::PointerType::Pen);
    QCOMPARE(c.view.activeColor(), 1);
}

int main(int argc, char **argv)
{
    TabletApplication app(argc, argv);
    TestProximity test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_proximity.moc"
