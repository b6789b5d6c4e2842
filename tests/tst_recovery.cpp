// Recovery records: durable journal, owner locks, and reading back what a crash left.
#include "RecoveryRecord.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using Kind = SessionEvent::Kind;

namespace {

SessionEvent pointer(Kind kind, float x, float y)
{
    SessionEvent e;
    e.kind = kind;
    e.pointer = QStringLiteral("pen");
    e.x = x;
    e.y = y;
    e.pressure = 0.5f;
    return e;
}

std::vector<SessionEvent> stroke(float x)
{
    return {pointer(Kind::Press, x, 10), pointer(Kind::Move, x + 5, 20),
            pointer(Kind::Release, x + 5, 20)};
}

RecoveryStart blankStart()
{
    RecoveryStart start;
    start.size = QSize(64, 48);
    start.pen = QJsonObject {{QStringLiteral("brushSize"), 7.5}};
    return start;
}

QByteArray linesOf(const std::vector<SessionEvent> &events)
{
    QByteArray bytes;
    for (const SessionEvent &e : events)
        bytes += formatSessionEvent(e) + '\n';
    return bytes;
}

QList<float> pressXs(const std::vector<SessionEvent> &events)
{
    QList<float> xs;
    for (const SessionEvent &e : events)
        if (e.kind == Kind::Press)
            xs << e.x;
    return xs;
}

// A record written by a child process that is killed right after its last append.
QString recordOfKilledProcess(const QString &root, int strokes)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        auto record = RecoveryRecord::create(root, blankStart());
        for (int i = 0; record && i < strokes; ++i)
            record->append(stroke(float(10 * i)));
        const QByteArray folder = record ? record->folder().toUtf8() : QByteArray();
        [[maybe_unused]] auto n = ::write(fds[1], folder.constData(), size_t(folder.size()));
        ::close(fds[1]);
        ::raise(SIGKILL);
        ::_exit(1);
    }
    ::close(fds[1]);
    QByteArray folder;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        folder.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL)
        return {};
    return QString::fromUtf8(folder);
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private slots:
    void killedProcessLeavesEveryFinishedStroke();
    void liveRecordsAreNotTaken();
    void damagedJournal_data();
    void damagedJournal();
    void startingPictureNamedByTheDescriptionOnly();
};

void TestRecovery::killedProcessLeavesEveryFinishedStroke()
{
    QTemporaryDir root;
    const QString folder = recordOfKilledProcess(root.path(), 4);
    QVERIFY(!folder.isEmpty());

    auto records = claimOrphanedRecords(root.path());
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(records[0]->folder, folder);
    QVERIFY(!records[0]->damaged);
    QCOMPARE(records[0]->start.size, QSize(64, 48));
    QCOMPARE(records[0]->start.pen.value(QStringLiteral("brushSize")).toDouble(), 7.5);
    QCOMPARE(pressXs(records[0]->events), (QList<float> {0, 10, 20, 30}));
    QCOMPARE(records[0]->events.size(), size_t(12));
}

void TestRecovery::liveRecordsAreNotTaken()
{
    QTemporaryDir root;
    auto live = RecoveryRecord::create(root.path(), blankStart());
    QVERIFY(live);
    QVERIFY(live->append(stroke(1)));
    // Another instance (a second lock on the same file) sees a running owner, and leaves alone
    // a folder that is still being made.
    QVERIFY(QDir(root.path()).mkdir(QStringLiteral("being-made")));
    QVERIFY(claimOrphanedRecords(root.path()).empty());

    // An orphan claimed by one instance is not offered to another.
    QVERIFY(!recordOfKilledProcess(root.path(), 1).isEmpty());
    auto first = claimOrphanedRecords(root.path());
    QCOMPARE(first.size(), size_t(1));
    QVERIFY(claimOrphanedRecords(root.path()).empty());
    // Released without being restored, it is offered again.
    first.clear();
    QCOMPARE(claimOrphanedRecords(root.path()).size(), size_t(1));
}

void TestRecovery::damagedJournal_data()
{
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<QList<float>>("presses");
    QTest::addColumn<bool>("damaged");

    const QByteArray whole = linesOf(stroke(0)) + linesOf(stroke(10));
    const QByteArray nextPress = formatSessionEvent(pointer(Kind::Press, 20, 10));
    QTest::newRow("intact") << whole << QList<float> {0, 10} << false;
    QTest::newRow("last line cut in its middle")
        << whole + nextPress.left(nextPress.size() / 2) << QList<float> {0, 10} << false;
    QTest::newRow("stroke without its release")
        << whole + nextPress + '\n' + formatSessionEvent(pointer(Kind::Move, 21, 11)) + '\n'
        << QList<float> {0, 10} << false;
    QTest::newRow("garbage in the middle")
        << linesOf(stroke(0)) + "{\"kind\":\"pre\n" + linesOf(stroke(10)) << QList<float> {0}
        << true;
    QTest::newRow("empty") << QByteArray() << QList<float> {} << false;
}

void TestRecovery::damagedJournal()
{
    QFETCH(QByteArray, tail);
    QFETCH(QList<float>, presses);
    QFETCH(bool, damaged);

    QTemporaryDir root;
    const QString folder = recordOfKilledProcess(root.path(), 0);
    QVERIFY(!folder.isEmpty());
    QFile journal(QDir(folder).filePath(QStringLiteral("journal-1.jsonl")));
    QVERIFY(journal.open(QIODevice::WriteOnly | QIODevice::Truncate));
    journal.write(tail);
    journal.close();

    auto records = claimOrphanedRecords(root.path());
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(pressXs(records[0]->events), presses);
    QCOMPARE(records[0]->damaged, damaged);
    QCOMPARE(records[0]->problem.isEmpty(), !damaged);
    // Whatever restores must end on a finished stroke.
    if (!records[0]->events.empty())
        QCOMPARE(records[0]->events.back().kind, Kind::Release);
}

// A new start writes to its own journal at once, while its picture may still be encoding; a
// crash before the description names it leaves the previous start whole.
void TestRecovery::startingPictureNamedByTheDescriptionOnly()
{
    QTemporaryDir root;
    RecoveryStart saved = blankStart();
    saved.base = QImage(64, 48, QImage::Format_ARGB32);
    saved.base.fill(Qt::red);
    auto record = RecoveryRecord::create(root.path(), saved);
    QVERIFY(record);
    QVERIFY(record->append(stroke(0)));
    const QDir dir(record->folder());
    QVERIFY(record->beginStart() > 0);
    QVERIFY(record->append(stroke(10)));
    record.reset();

    auto records = claimOrphanedRecords(root.path());
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(records[0]->start.base.pixel(0, 0), QColor(Qt::red).rgba());
    QCOMPARE(pressXs(records[0]->events), QList<float> {0});
    records.clear();

    // A description naming a file outside its folder is damage, not a picture to load.
    QFile meta(dir.filePath(QStringLiteral("meta.json")));
    QVERIFY(meta.open(QIODevice::WriteOnly | QIODevice::Truncate));
    meta.write(
        R"({"width":64,"height":48,"journal":"journal-1.jsonl","base":"../../elsewhere/base-1.png"})");
    meta.close();
    records = claimOrphanedRecords(root.path());
    QCOMPARE(records.size(), size_t(1));
    QVERIFY(records[0]->damaged);
    QVERIFY(records[0]->start.base.isNull());
}

QTEST_GUILESS_MAIN(TestRecovery)
#include "tst_recovery.moc"
