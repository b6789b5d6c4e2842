// The line format of recorded drawing sessions.
#include "SessionEvent.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QtTest>

class TestSessionFormat : public QObject
{
    Q_OBJECT

private slots:
    void everyKindRoundTrips();
    void coordinatesAndPressureKeepTheirFloats();
    void malformedLines_data();
    void malformedLines();
    void firstMalformedLineIsNamed();
    void cutLastLineIsDroppedOnlyWhenAllowed();
};

// Each line read and written again comes back the same: nothing is lost or added either way.
// The keys are in the order the writer sorts them; optional fields are left out when empty.
void TestSessionFormat::everyKindRoundTrips()
{
    const QByteArray lines[] = {
        R"({"enter":true,"event":"proximity","id":1,"pointer":"eraser","t":0})",
        R"({"event":"press","modifiers":["shift"],"pointer":"pen","pressure":0.25,"t":17,"x":10,"y":20})",
        R"({"event":"move","pointer":"eraser","pressure":1,"t":17,"x":11.5,"y":-2})",
        R"({"event":"release","pointer":"mouse","t":17,"x":12,"y":22})",
        R"({"event":"hover","modifiers":["alt","ctrl"],"pointer":"cursor","pressure":0,"t":17,"x":0,"y":0})",
        R"({"event":"key","key":"Escape","t":0})",
        R"({"event":"action","name":"undo:","t":1234567})",
        R"({"event":"action","name":"setColor:","t":1234567,"value":[0.1,0,0.2,1]})",
        R"({"event":"action","name":"cropResizeToCustomSize:","t":1234567,"value":[75.75,75.75]})",
        R"({"event":"action","name":"setBgType:","t":1234567,"value":2.5})",
        R"({"event":"action","name":"cropResizeToFixedSize:","t":1234567,"value":3})",
        R"({"answer":"alternate","event":"answer","t":0})",
    };
    for (const QByteArray &line : lines) {
        QString error;
        const auto e = parseSessionEvent(line, &error);
        QVERIFY2(e, qPrintable(error + QLatin1String(": ") + QString::fromUtf8(line)));
        QCOMPARE(formatSessionEvent(*e), line);
    }
    // A mouse has no pressure to write, whatever the event holds.
    SessionEvent mouse = *parseSessionEvent(lines[3], nullptr);
    mouse.pressure = 0.5f;
    QVERIFY(!formatSessionEvent(mouse).contains("pressure"));
}

void TestSessionFormat::coordinatesAndPressureKeepTheirFloats()
{
    // Replays must land on exactly the recorded points.
    SessionEvent move
        = *parseSessionEvent(R"({"event":"move","pointer":"pen","t":1,"x":0,"y":0})", nullptr);
    for (const float v : {0.1f, 1.0f / 3.0f, 4095.999f, -7.25e-3f, 32767.0f, 1e-7f, 70.0f}) {
        move.x = v;
        move.y = -v;
        move.pressure = v / 32767.0f;
        move.modifiers = v > 1 ? QStringList {"alt", "shift"} : QStringList {};
        const QByteArray line = formatSessionEvent(move);
        // The fast pointer writer writes what Qt's JSON writer would.
        QCOMPARE(QJsonDocument::fromJson(line).toJson(QJsonDocument::Compact), line);
        const auto e = parseSessionEvent(line, nullptr);
        QVERIFY(e);
        QCOMPARE(e->x, v);
        QCOMPARE(e->y, -v);
        QCOMPARE(*e->pressure, v / 32767.0f);
    }
}

void TestSessionFormat::malformedLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("reason");
    // Each line, named by the words its error must contain.
    const char *const rows[][2] = {
        {R"({"t":1,"event":)", "not valid JSON"},
        {"[1,2]", "not a JSON object"},
        {R"({"t":1,"event":"jump"})", "unknown event \"jump\""},
        {R"({"event":"key","key":"A"})", "missing field \"t\""},
        {R"({"t":1,"event":"press","x":1,"pointer":"pen"})", "missing field \"y\""},
        {R"({"t":1,"event":"press","x":"1","y":2,"pointer":"pen"})",
         "field \"x\" must be a number"},
        {R"({"t":1,"event":"move","x":1,"y":2,"pointer":"finger"})", "unknown value \"finger\""},
        // The mouse is no proximity pointer.
        {R"({"t":1,"event":"proximity","enter":true,"pointer":"mouse","id":0})",
         "unknown value \"mouse\""},
        {R"({"t":1,"event":"proximity","enter":1,"pointer":"pen","id":0})", "true or false"},
        {R"({"t":1,"event":"move","x":1,"y":2,"pointer":"pen","modifiers":["meta"]})",
         "unknown modifier"},
        {R"({"t":1,"event":"action","name":"explode:"})", "unknown action"},
        {R"({"t":1,"event":"action","name":"setBrushSize:"})", "missing field \"value\""},
        {R"({"t":1,"event":"action","name":"setColor:","value":[1,0,0]})", "[r, g, b, a]"},
        {R"({"t":1,"event":"action","name":"cropResizeToFixedSize:","value":2.5})", "whole number"},
        {R"({"t":1,"event":"answer","answer":"maybe"})", "unknown value"},
        {R"({"t":-1,"event":"key","key":"A"})", "negative"},
    };
    for (const auto &[line, reason] : rows)
        QTest::newRow(reason) << QByteArray(line) << QString::fromUtf8(reason);
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
    QByteArray text = R"({"t":1,"event":"action","name":"undo:"})"
                      "\n\n"
                      R"({"t":2,"event":"action","name":"copy:"})"
                      "\n"
                      R"({"t":3,"event":"jump"})"
                      "\nalso broken\n";
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    const SessionReadResult result = readSession(buffer);
    QCOMPARE(result.errorLine, 4); // blank lines still count
    QVERIFY(result.error.contains(QLatin1String("unknown event")));
}

void TestSessionFormat::cutLastLineIsDroppedOnlyWhenAllowed()
{
    const QByteArray whole = R"({"t":1,"event":"action","name":"undo:"})"
                             "\n";
    QByteArray text = whole + whole + R"({"t":2,"event":"ac)";
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
