// Colour archiving, notifications, the internal checks and the settings file.
#include "Assert.h"
#include "Color.h"
#include "NotificationCenter.h"
#include "Preferences.h"
#include "TestSupport.h"

#include <QThread>
#include <QtTest>
#include <cmath>
#include <csignal>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
// The whole number the store holds or defaults to under key; -1 when there is none.
qint64 integerIn(const Preferences &store, const QString &key)
{
    return Preferences::toInteger(store.objectForKey(key)).value_or(-1);
}
} // namespace

using MaybeColor = std::optional<Color>;
Q_DECLARE_METATYPE(MaybeColor)

class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    void colourArchive_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<MaybeColor>("colour"); // none: not a colour
        auto exact = [](const char *name, Color c) {
            QTest::newRow(name) << archiveColor(c) << MaybeColor(c);
        };
        exact("exact", {0.1f, 0.0f, 0.2f, 1.0f});
        exact("exact thirds and tiny parts", {1.0f / 3.0f, 0.7f, 1e-7f, 0.25f});
        const QByteArray good = archiveColor({0.1f, 0.0f, 0.2f, 1.0f});
        QTest::newRow("empty") << QByteArray() << MaybeColor();
        QTest::newRow("truncated") << good.left(good.size() - 1) << MaybeColor();
        QTest::newRow("one byte too many") << good + 'x' << MaybeColor();
        QTest::newRow("another object")
            << archiveOther("string", "hello world12345") << MaybeColor();
        QByteArray nan = good;
        const float n = std::numeric_limits<float>::quiet_NaN();
        memcpy(nan.data() + nan.size() - 4, &n, 4);
        QTest::newRow("not-a-number component") << nan << MaybeColor();
    }

    void colourArchive()
    {
        QFETCH(QByteArray, bytes);
        QTEST(unarchiveColor(bytes), "colour");
    }

    void notificationsReachObserversInOrder()
    {
        NotificationCenter center;
        const QString N = QStringLiteral("N");
        QStringList seen;
        int a = 0, b = 0, c = 0, sender = 0;
        center.addObserver(&a, N, [&](const Notification &n) {
            QCOMPARE(n.object, static_cast<const void *>(&sender));
            QCOMPARE(n.userInfo.value(QStringLiteral("k")).toInt(), 7);
            seen << QStringLiteral("a");
        });
        center.addObserver(&b, N, [&](const Notification &) { seen << QStringLiteral("b"); });
        center.addObserver(&b, QStringLiteral("Other"),
                           [&](const Notification &) { seen << QStringLiteral("other"); });
        center.post(N, &sender, {{QStringLiteral("k"), 7}});
        QCOMPARE(seen, QStringList({QStringLiteral("a"), QStringLiteral("b")}));

        center.removeObserver(&b); // every subscription of b
        // One removed by another while the notification is being posted is not called.
        center.addObserver(&b, N, [&](const Notification &) { center.removeObserver(&c); });
        center.addObserver(&c, N, [&](const Notification &) { seen << QStringLiteral("c"); });
        seen.clear();
        center.post(N, &sender, {{QStringLiteral("k"), 7}});
        center.post(QStringLiteral("Other"), &sender);
        QCOMPARE(seen, QStringList({QStringLiteral("a")}));
    }

    void checksThrowAndAssertionsAbortWithTheirPlace()
    {
        try {
            INK_CHECK(1 + 1 == 3, "color index out of bound");
            QFAIL("no exception");
        } catch (const InternalInconsistency &e) {
            QCOMPARE(e.description(), std::string("color index out of bound"));
            QVERIFY(e.line() > 0);
            const QString report = QString::fromStdString(e.report());
            QVERIFY(report.contains(QLatin1String("tst_platform.cpp")));
        }
        // A failed assertion is fatal: it prints where, and aborts.
        int pipeFds[2];
        QCOMPARE(pipe(pipeFds), 0);
        const int status = runInChild([&] {
            dup2(pipeFds[1], STDERR_FILENO);
            const void *image = nullptr;
            INK_ASSERT(image != nullptr);
            return 0;
        });
        close(pipeFds[1]);
        char buf[512]; // its few bytes fit in the pipe
        const QByteArray out(buf, std::max<ssize_t>(read(pipeFds[0], buf, sizeof buf), 0));
        close(pipeFds[0]);
        QCOMPARE(status, -SIGABRT);
        QVERIFY2(out.contains("tst_platform.cpp:")
                     && out.contains(": failed assertion `image != nullptr'\n"),
                 out.constData());
    }

    void damagedSettingsLineKeepsTheSettingsAfterIt_data()
    {
        QTest::addColumn<QByteArray>("damage");
        QTest::newRow("unterminated quote") << QByteArray("B=\"unterminated");
        QTest::newRow("trailing backslash") << QByteArray("B=abc\\");
        QTest::newRow("garbage block") << QByteArray("\x01\x02junk=\"\\\n[[[\n]]=\"");
        QTest::newRow("broken section") << QByteArray("[Broken\nB=2");
    }

    void damagedSettingsLineKeepsTheSettingsAfterIt()
    {
        QFETCH(QByteArray, damage);
        const IsolatedSettings settings;
        const QString path = settings.filePath();
        const QByteArray text = "[General]\nA=1\n" + damage + "\nC=3\nD=4\n[Other]\nE=5\n";
        QVERIFY(writeFile(path, text));
        {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("damaged"));
            Preferences store(path);
            QCOMPARE(integerIn(store, "A"), 1);
            QCOMPARE(integerIn(store, "C"), 3);
            QCOMPARE(integerIn(store, "Other/E"), 5);
            store.setInteger(7, "F");
            store.synchronize();
        }
        QCOMPARE(readFile(path + ".damaged"), text);
        const Preferences reread(path);
        for (const auto &[key, value] : {std::pair("A", 1), {"C", 3}, {"D", 4}, {"Other/E", 5},
                                         {"F", 7}})
            QCOMPARE(integerIn(reread, key), value);
    }

    // A lock no one can take (a folder in its place), or a link to a file that is not a regular
    // one (a socket stands for any device here: writing one for real would replace it): the
    // write gives up at once and says so, the settings stay in memory.
    void settingsWriteGivesUpOnALockItCannotTakeOrASpecialFile_data()
    {
        QTest::addColumn<bool>("lockIsAFolder");
        QTest::newRow("lock is a folder") << true;
        QTest::newRow("file links to a socket") << false;
    }

    void settingsWriteGivesUpOnALockItCannotTakeOrASpecialFile()
    {
        QFETCH(bool, lockIsAFolder);
        const IsolatedSettings settings;
        const QString path = settings.filePath();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        const QByteArray socketPath = QFile::encodeName(QFileInfo(path).path() + "/socket");
        const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const auto closeSocket = qScopeGuard([&] { ::close(socketFd); });
        if (lockIsAFolder) {
            QVERIFY(QDir().mkpath(path + ".lock"));
        } else {
            sockaddr_un address {};
            address.sun_family = AF_UNIX;
            QVERIFY(size_t(socketPath.size()) < sizeof address.sun_path);
            memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
            QCOMPARE(::bind(socketFd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
            QVERIFY(QFile::link(QFile::decodeName(socketPath), path));
        }
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be saved"));
        qint64 kept = 0;
        // Without a way out the write never returns: wait for it from here.
        std::unique_ptr<QThread> writer(QThread::create([&] {
            Preferences store(path);
            store.setInteger(7, "A");
            store.synchronize();
            store.setInteger(8, "A");
            store.synchronize();
            kept = integerIn(store, "A");
        }));
        writer->start();
        QTRY_VERIFY_WITH_TIMEOUT(writer->isFinished(), 10000);
        QCOMPARE(kept, 8);
        if (lockIsAFolder) {
            QVERIFY(!QFile::exists(path));
        } else {
            QVERIFY(QFileInfo(path).isSymLink());
            struct stat st {};
            QCOMPARE(::stat(socketPath.constData(), &st), 0);
            QVERIFY(S_ISSOCK(st.st_mode));
        }
    }

    // A disk that refuses the write part-way: the file keeps what it held, the changes stay in
    // memory and are written once there is room, and the user is told once.
    void settingsWriteOntoAFullDiskKeepsTheOldFile()
    {
        const IsolatedSettings settings;
        const QString path = settings.filePath();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        const QByteArray old = "[General]\nA=1\n";
        QVERIFY(writeFile(path, old));
        Preferences store(path);
        store.setData(QByteArray(4096, 'x'), "B");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be saved"));
        onAFullDisk(64, [&] {
            store.synchronize();
            store.synchronize();
        });
        QCOMPARE(readFile(path), old);
        QCOMPARE(store.dataForKey("B").size(), 4096);
        store.synchronize();
        QCOMPARE(Preferences(path).dataForKey("B").size(), 4096);
        QCOMPARE(integerIn(Preferences(path), "A"), 1);
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
