// The line format of recorded drawing sessions.
#include "SessionEvent.h"

#include <QBuffer>
#include <QJsonArray>
#include <QtTest>

using Kind = SessionEvent::Kind;

namespace {
SessionEvent pointerEvent(Kind kind, float x, float y, const QString &pointer, std::optional<float> pressure,
                          QStringList modifiers = {})
{
    SessionEvent e;
    e.kind = kind;
    e.t = 17;
    e.x = x;
    e.y = y;
    e.pointer = pointer;
    e.pressure = pressure;
    e.modifiers = modifiers;
    return e;
}

SessionEvent action(const QString &name, QJsonValue value = {})
{
    SessionEvent e;
    e.kind = Kind::Action;
    e.t = 1234567;
    e.name = name;
    e.value = value;
    return e;
}

void compareEvents(const SessionEvent &a, const SessionEvent &b)
{
    QCOMPARE(a.kind, b.kind);
    QCOMPARE(a.t, b.t);
    QCOMPARE(a.enter, b.enter);
    QCOMPARE(a.id, b.id);
    QCOMPARE(a.pointer, b.pointer);
    QCOMPARE(a.x, b.x);
    QCOMPARE(a.y, b.y);
    QCOMPARE(a.pressure, b.pressure);
    QCOMPARE(a.modifiers, b.modifiers);
    QCOMPARE(a.key, b.key);
    QCOMPARE(a.name, b.name);
    QCOMPARE(a.value, b.value);
    QCOMPARE(a.answer, b.answer);
}
} // namespace

class TestSessionFormat : public QObject
{
    Q_OBJECT

private slots:
    void everyKindRoundTrips();
    void coordinatesAndPressureKeepTheirFloats();
    void unknownKeysAreIgnored();
    void malformedLines_data();
    void malformedLines();
    void firstMalformedLineIsNamed();
    void cutLastLineIsDroppedOnlyWhenAllowed();
};

void TestSessionFormat::everyKindRoundTrips()
{
    SessionEvent proximity;
    proximity.kind = Kind::Proximity;
    proximity.enter = true;
    proximity.pointer = QStringLiteral("eraser");
    proximity.id = 1;
    SessionEvent key;
    key.kind = Kind::Key;
    key.key = QStringLiteral("Escape");
    SessionEvent answer;
    answer.kind = Kind::Answer;
    answer.answer = QStringLiteral("alternate");

    const std::vector<SessionEvent> events = {
            proximity,
            pointerEvent(Kind::Press, 10, 20, QStringLiteral("pen"), 0.25f, {QStringLiteral("shift")}),
            pointerEvent(Kind::Move, 11.5f, -2, QStringLiteral("eraser"), 1.0f),
            pointerEvent(Kind::Release, 12, 22, QStringLiteral("mouse"), std::nullopt),
            pointerEvent(Kind::Hover, 0, 0, QStringLiteral("cursor"), 0.0f,
                         {QStringLiteral("alt"), QStringLiteral("ctrl")}),
            key,
            action(QStringLiteral("undo:")),
            action(QStringLiteral("setColor:"), QJsonArray {0.1, 0, 0.2, 1}),
            action(QStringLiteral("cropResizeToCustomSize:"), QJsonArray {75.75, 75.75}),
            action(QStringLiteral("setBgType:"), 2.5),
            action(QStringLiteral("cropResizeToFixedSize:"), 3),
            answer,
    };
    for (const SessionEvent &e : events) {
        const QByteArray line = formatSessionEvent(e);
        QVERIFY(!line.contains('\n'));
        QString error;
        const auto back = parseSessionEvent(line, &error);
        QVERIFY2(back.has_value(), qPrintable(error + QLatin1String(": ") + QString::fromUtf8(line)));
        compareEvents(*back, e);
    }
    // Optional fields are left out when empty, as the format says.
    const QByteArray mouse = formatSessionEvent(pointerEvent(Kind::Move, 1, 2, QStringLiteral("mouse"), 0.5f));
    QVERIFY(!mouse.contains("pressure"));
    QVERIFY(!mouse.contains("modifiers"));
}

void TestSessionFormat::coordinatesAndPressureKeepTheirFloats()
{
    // Replays must land on exactly the recorded points.
    const float odd[] = {0.1f, 1.0f / 3.0f, 4095.999f, -7.25e-3f, 32767.0f};
    for (float v : odd) {
        const auto e = parseSessionEvent(
                formatSessionEvent(pointerEvent(Kind::Move, v, -v, QStringLiteral("pen"), v / 32767.0f)), nullptr);
        QVERIFY(e);
        QCOMPARE(e->x, v);
        QCOMPARE(e->y, -v);
        QCOMPARE(*e->pressure, v / 32767.0f);
    }
}

void TestSessionFormat::unknownKeysAreIgnored()
{
    const auto e = parseSessionEvent(R"({"t":5,"event":"key","key":"Escape","future":{"a":[1,2]}})", nullptr);
    QVERIFY(e);
    QCOMPARE(e->key, QStringLiteral("Escape"));
}

void TestSessionFormat::malformedLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("reason");
    QTest::newRow("bad JSON") << QByteArray(R"({"t":1,"event":)") << "not valid JSON";
    QTest::newRow("not an object") << QByteArray("[1,2]") << "not a JSON object";
    QTest::newRow("unknown event") << QByteArray(R"({"t":1,"event":"jump"})") << "unknown event \"jump\"";
    QTest::newRow("missing t") << QByteArray(R"({"event":"key","key":"A"})") << "missing field \"t\"";
    QTest::newRow("missing field") << QByteArray(R"({"t":1,"event":"press","x":1,"pointer":"pen"})")
                                   << "missing field \"y\"";
    QTest::newRow("wrong type") << QByteArray(R"({"t":1,"event":"press","x":"1","y":2,"pointer":"pen"})")
                                << "field \"x\" must be a number";
    QTest::newRow("unknown pointer") << QByteArray(R"({"t":1,"event":"move","x":1,"y":2,"pointer":"finger"})")
                                     << "unknown value \"finger\"";
    QTest::newRow("mouse is no proximity pointer")
            << QByteArray(R"({"t":1,"event":"proximity","enter":true,"pointer":"mouse","id":0})")
            << "unknown value \"mouse\"";
    QTest::newRow("enter not boolean")
            << QByteArray(R"({"t":1,"event":"proximity","enter":1,"pointer":"pen","id":0})") << "true or false";
    QTest::newRow("bad modifier")
            << QByteArray(R"({"t":1,"event":"move","x":1,"y":2,"pointer":"pen","modifiers":["meta"]})")
            << "unknown modifier";
    QTest::newRow("unknown action") << QByteArray(R"({"t":1,"event":"action","name":"explode:"})")
                                    << "unknown action";
    QTest::newRow("value missing") << QByteArray(R"({"t":1,"event":"action","name":"setBrushSize:"})")
                                   << "missing field \"value\"";
    QTest::newRow("colour of three") << QByteArray(R"({"t":1,"event":"action","name":"setColor:","value":[1,0,0]})")
                                     << "[r, g, b, a]";
    QTest::newRow("fractional tag")
            << QByteArray(R"({"t":1,"event":"action","name":"cropResizeToFixedSize:","value":2.5})")
            << "whole number";
    QTest::newRow("bad answer") << QByteArray(R"({"t":1,"event":"answer","answer":"maybe"})") << "unknown value";
    QTest::newRow("negative time") << QByteArray(R"({"t":-1,"event":"key","key":"A"})") << "negative";
}

void TestSessionFormat::malformedLines()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, reason);
    QString error;
    QVERIFY(!parseSessionEvent(line, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
}

void TestSessionFormat::firstMalformedLineIsNamed()
{
    QByteArray text = formatSessionEvent(action(QStringLiteral("undo:"))) + "\n\n"
            + formatSessionEvent(action(QStringLiteral("copy:"))) + "\n" + R"({"t":3,"event":"jump"})" + "\n"
            + "also broken\n";
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    const SessionReadResult result = readSession(buffer);
    QCOMPARE(result.errorLine, 4); // blank lines still count
    QVERIFY(result.error.contains(QLatin1String("unknown event")));
}

void TestSessionFormat::cutLastLineIsDroppedOnlyWhenAllowed()
{
    const QByteArray whole = formatSessionEvent(action(QStringLiteral("undo:"))) + "\n";
    QByteArray text = whole + whole + formatSessionEvent(action(QStringLiteral("copy:"))).left(9);
    for (bool tolerate : {false, true}) {
        QBuffer buffer(&text);
        buffer.open(QIODevice::ReadOnly);
        const SessionReadResult result = readSession(buffer, tolerate);
        QCOMPARE(result.ok(), tolerate);
        QCOMPARE(int(result.events.size()), 2);
        if (!tolerate)
            QCOMPARE(result.errorLine, 3);
    }
    // A broken line that does end in a line break is damage, not a cut, and is always reported.
    QByteArray damaged = whole + "garbage\n" + whole;
    QBuffer buffer(&damaged);
    buffer.open(QIODevice::ReadOnly);
    QCOMPARE(readSession(buffer, true).errorLine, 2);
}

QTEST_APPLESS_MAIN(TestSessionFormat)
#include "tst_sessionformat.moc"
