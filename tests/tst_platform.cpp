// Colour archiving, notifications and the internal checks.
#include "Assert.h"
#include "Color.h"
#include "NotificationCenter.h"

#include <QtTest>
#include <cmath>
#include <sys/wait.h>
#include <unistd.h>

class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    void colourArchiveIsExact();
    void bytesThatAreNotAColourDecodeToNothing_data();
    void bytesThatAreNotAColourDecodeToNothing();
    void notificationsReachObserversInOrder();
    void observerRemovedWhilePostingIsNotCalled();
    void handlerCheckThrowsWithItsReport();
    void fatalAssertionPrintsAndAborts();
};

void TestPlatform::colourArchiveIsExact()
{
    const Color colours[]
        = {{0.1f, 0.0f, 0.2f, 1.0f}, {1.0f / 3.0f, 0.7f, 1e-7f, 0.25f}, {0, 0, 0, 0}};
    for (const Color &c : colours) {
        const auto back = unarchiveColor(archiveColor(c));
        QVERIFY(back.has_value());
        QCOMPARE(*back, c);
    }
}

void TestPlatform::bytesThatAreNotAColourDecodeToNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = archiveColor({0.1f, 0.0f, 0.2f, 1.0f});
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("garbage") << QByteArray("not an archive at all");
    QTest::newRow("truncated") << good.left(good.size() - 1);
    QTest::newRow("one byte too many") << good + 'x';
    QTest::newRow("another object") << archiveOther("string", "hello world12345");
    QByteArray nan = good;
    const float n = std::numeric_limits<float>::quiet_NaN();
    memcpy(nan.data() + nan.size() - 4, &n, 4);
    QTest::newRow("not-a-number component") << nan;
}

void TestPlatform::bytesThatAreNotAColourDecodeToNothing()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!unarchiveColor(bytes).has_value());
}

void TestPlatform::notificationsReachObserversInOrder()
{
    NotificationCenter center;
    QStringList seen;
    int a = 0, b = 0, sender = 0;
    center.addObserver(&a, QStringLiteral("N"), [&](const Notification &n) {
        QCOMPARE(n.object, static_cast<const void *>(&sender));
        QCOMPARE(n.userInfo.value(QStringLiteral("k")).toInt(), 7);
        seen << QStringLiteral("a");
    });
    center.addObserver(&b, QStringLiteral("N"),
                       [&](const Notification &) { seen << QStringLiteral("b"); });
    center.addObserver(&b, QStringLiteral("Other"),
                       [&](const Notification &) { seen << QStringLiteral("other"); });
    center.post(QStringLiteral("N"), &sender, {{QStringLiteral("k"), 7}});
    QCOMPARE(seen, QStringList({QStringLiteral("a"), QStringLiteral("b")}));

    center.removeObserver(&b); // every subscription of b
    seen.clear();
    center.post(QStringLiteral("N"), &sender, {{QStringLiteral("k"), 7}});
    center.post(QStringLiteral("Other"), &sender);
    QCOMPARE(seen, QStringList({QStringLiteral("a")}));
}

void TestPlatform::observerRemovedWhilePostingIsNotCalled()
{
    NotificationCenter center;
    int a = 0, b = 0;
    bool bCalled = false;
    center.addObserver(&a, QStringLiteral("N"),
                       [&](const Notification &) { center.removeObserver(&b); });
    center.addObserver(&b, QStringLiteral("N"), [&](const Notification &) { bCalled = true; });
    center.post(QStringLiteral("N"), nullptr);
    QVERIFY(!bCalled);
}

void TestPlatform::handlerCheckThrowsWithItsReport()
{
    try {
        INK_CHECK(1 + 1 == 3, "color index out of bound");
        QFAIL("no exception");
    } catch (const InternalInconsistency &e) {
        QCOMPARE(e.description(), std::string("color index out of bound"));
        QVERIFY(e.line() > 0);
        const QString report = QString::fromStdString(e.report());
        QVERIFY(report.contains(QLatin1String("tst_platform.cpp")));
        QVERIFY(report.contains(QLatin1String("handlerCheckThrowsWithItsReport")));
        QVERIFY(!report.contains(QLatin1Char('\n')));
    }
}

void TestPlatform::fatalAssertionPrintsAndAborts()
{
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
    QByteArray out;
    char buf[512];
    for (ssize_t n; (n = read(pipeFds[0], buf, sizeof buf)) > 0;)
        out.append(buf, n);
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    QVERIFY(WIFSIGNALED(status));
    QCOMPARE(WTERMSIG(status), SIGABRT);
    QVERIFY2(out.contains("tst_platform.cpp:")
                 && out.contains(": failed assertion `image != nullptr'\n"),
             out.constData());
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
