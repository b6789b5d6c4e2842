// Colour archiving, notifications and the internal checks.
#include "Assert.h"
#include "Color.h"
#include "NotificationCenter.h"

#include <QtTest>
#include <cmath>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

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
        exact("exact zero", {0, 0, 0, 0});
        const QByteArray good = archiveColor({0.1f, 0.0f, 0.2f, 1.0f});
        QTest::newRow("empty") << QByteArray() << MaybeColor();
        QTest::newRow("garbage") << QByteArray("not an archive at all") << MaybeColor();
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
            QVERIFY(report.contains(QLatin1String("checksThrowAndAssertionsAbortWithTheirPlace")));
            QVERIFY(!report.contains(QLatin1Char('\n')));
        }
        // A failed assertion is fatal: it prints where, and aborts.
        int pipeFds[2];
        QCOMPARE(pipe(pipeFds), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(pipeFds[1], STDERR_FILENO);
            const void *image = nullptr;
            INK_ASSERT(image != nullptr);
            _exit(0);
        }
        close(pipeFds[1]);
        int status = 0;
        waitpid(pid, &status, 0); // its few bytes fit in the pipe
        char buf[512];
        const QByteArray out(buf, std::max<ssize_t>(read(pipeFds[0], buf, sizeof buf), 0));
        close(pipeFds[0]);
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(WTERMSIG(status), SIGABRT);
        QVERIFY2(out.contains("tst_platform.cpp:")
                     && out.contains(": failed assertion `image != nullptr'\n"),
                 out.constData());
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
