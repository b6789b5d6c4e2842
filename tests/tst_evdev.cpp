// The kernel tablet route without a tablet: recorded event sequences through the decoder, and
// the 30-byte proximity record the monitor writes from its changes.
#include "EvdevToolDecoder.h"
#include "TabletMonitor.h"
#include "TabletProximityRecord.h"

#include <QtTest>
#include <linux/input-event-codes.h>

using Events = QList<EvdevInput>;
Q_DECLARE_METATYPE(EvdevInput)

namespace {
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

class TestEvdev : public QObject
{
    Q_OBJECT

private slots:
    void sequences_data();
    void sequences();
    void droppedEventsAreResynchronised();
    void recordLayoutIsFixedLittleEndian();
    void monitorRecordOfATurnedPen();
};

void TestEvdev::sequences_data()
{
    QTest::addColumn<Events>("events");
    QTest::addColumn<QStringList>("expected");
    const quint16 pen = BTN_TOOL_PEN, rubber = BTN_TOOL_RUBBER;

    QTest::newRow("pen arrives at the frame's end, not before")
        << Events {key(pen, 1), serial(0x1234), misc(0x802), syn} << QStringList {"+1#4660/0x802"};
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
        << Events {key(pen, 1), syn, key(pen, 1), key(pen, 2), key(touch, 1), key(finger, 1), syn}
        << QStringList {"+1", "|"};
    QTest::newRow("a dropped frame is ignored up to its SYN_REPORT")
        << Events {key(pen, 1), syn, key(pen, 0), dropped, key(rubber, 1), syn, key(pen, 0), syn}
        << QStringList {"+1", "|", "-1"};
}

void TestEvdev::sequences()
{
    QFETCH(Events, events);
    QFETCH(QStringList, expected);
    EvdevToolDecoder decoder;
    QCOMPARE(run(decoder, events), expected);
}

void TestEvdev::droppedEventsAreResynchronised()
{
    EvdevToolDecoder decoder;
    QCOMPARE(run(decoder, {key(BTN_TOOL_PEN, 1), serial(5), syn, key(BTN_TOOL_PEN, 0), dropped}),
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
    QCOMPARE(describe(eraserNear.resynchronise({key(BTN_TOOL_PEN, 0), key(BTN_TOOL_RUBBER, 1)})),
             QStringList {"+3"});
}

void TestEvdev::recordLayoutIsFixedLittleEndian()
{
    const TabletProximityRec rec {0x056a,     0x0102, 0x0304,     0x0506,
                                  0x0708,     0x090a, 0x0b0c0d0e, 0x1112131415161718,
                                  0x191a1b1c, 3,      1};
    const QByteArray bytes = writeTabletProximityRec(rec);
    QCOMPARE(bytes.toHex(),
             QByteArray("6a050201040306050807"
                        "0a090e0d0c0b1817161514131211"
                        "1c1b1a190301"));
    QCOMPARE(writeTabletProximityRec(readTabletProximityRec(bytes)), bytes);
    // Short data reads as zero where it ends; longer data counts up to 30 bytes.
    const QByteArray ones(30, '\xff');
    QCOMPARE(readTabletProximityRec(ones.left(29)).pointerType, quint8(0xff));
    QCOMPARE(readTabletProximityRec(ones.left(29)).enterProximity, quint8(0));
    QCOMPARE(writeTabletProximityRec(readTabletProximityRec(ones + "extra")), ones);
}

void TestEvdev::monitorRecordOfATurnedPen()
{
    EvdevToolDecoder decoder;
    run(decoder, {key(BTN_TOOL_PEN, 1), serial(77), syn, key(BTN_TOOL_PEN, 0)});
    decoder.feed(key(BTN_TOOL_RUBBER, 1));
    const auto swap = decoder.feed(syn);
    QCOMPARE(swap.size(), size_t(2));
    const TabletMonitor::DeviceInfo device {0x056a, 0x0357, 2, 0x0406};
    const auto rec = readTabletProximityRec(
        writeTabletProximityRec(TabletMonitor::recordFor(swap[1], device)));
    // What a canvas reads: the eraser arriving, first pointer.
    QCOMPARE(rec.pointerType, quint8(3));
    QCOMPARE(rec.enterProximity, quint8(1));
    QCOMPARE(rec.pointerID, quint16(0));
    QCOMPARE(rec.pointerSerialNumber, 77u);
    QCOMPARE(TabletMonitor::recordFor(swap[0], device).enterProximity, quint8(0));
}

QTEST_GUILESS_MAIN(TestEvdev)
#include "tst_evdev.moc"
