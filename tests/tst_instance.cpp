// One running Inkpond per user and display: later launches hand their files over, as bytes; the
// socket is used only when it is this user's alone; a stale one is replaced; two launches at
// once end with one instance.
#include "LocalFile.h"
#include "SingleInstance.h"
#include "TestSupport.h"

#include <QImage>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
// A socket file nobody listens on, as a crashed instance leaves it.
bool leaveStaleSocket(const QString &path, mode_t mode)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return bound && ::chmod(name.constData(), mode) == 0;
}

mode_t modeOf(const QString &path)
{
    struct stat st = {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0;
}
} // namespace

class InstanceTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        mSettings.emplace();
        mRuntime = std::make_unique<QTemporaryDir>(); // made 0700
        QVERIFY(mRuntime->isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(mRuntime->path()));
        QVERIFY(mFiles.isValid());
    }

    void cleanup()
    {
        for (const auto &p : mProcesses) {
            p->kill();
            p->waitForFinished(-1);
        }
        mProcesses.clear();
        mRuntime.reset();
        mSettings.reset();
    }

    // The program, launched second with names of any bytes relative to its folder, hands them
    // to the first as absolute names and ends with 0; a conversion does its work itself.
    void laterLaunchHandsItsFilesOver()
    {
        SingleInstance first;
        QSignalSpy received(&first, &SingleInstance::filesReceived);
        QCOMPARE(first.start({}), SingleInstance::Outcome::Serving);
        QCOMPARE(modeOf(SingleInstance::socketPath()), mode_t(0700));

        QProcess *second = launch({QStringLiteral("\"$(printf 'caf\\351.png')\""),
                                   QStringLiteral("'plain name.png'")});
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, 60000);
        QTRY_COMPARE_WITH_TIMEOUT(second->state(), QProcess::NotRunning, 60000);
        QCOMPARE(second->exitCode(), 0);
        const QStringList paths = received.first().first().toStringList();
        QCOMPARE(paths.size(), 2);
        const QByteArray folder = QFile::encodeName(mFiles.path());
        QCOMPARE(LocalFile::encodeName(paths[0]), folder + "/caf\xe9.png");
        QCOMPARE(paths[1], mFiles.filePath(QStringLiteral("plain name.png")));

        // A conversion, of a relative name Qt's file engine once read through U+FFFD.
        const QByteArray png = encodedImage(QImage(6, 3, QImage::Format_ARGB32), "png");
        const int fd = ::open((folder + "/r\xe9lative.png").constData(), O_WRONLY | O_CREAT, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, png.constData(), size_t(png.size())), ssize_t(png.size()));
        ::close(fd);
        QProcess *exporting
            = launch({QStringLiteral("\"$(printf 'r\\351lative.png')\" --export out.png")});
        QTRY_COMPARE_WITH_TIMEOUT(exporting->state(), QProcess::NotRunning, 60000);
        QVERIFY2(exporting->exitCode() == 0, exporting->readAllStandardError().constData());
        QCOMPARE(QImage(mFiles.filePath("out.png")).size(), QSize(6, 3));
        QCOMPARE(received.size(), 1);
    }

    void staleSocketIsReplaced()
    {
        QVERIFY(leaveStaleSocket(SingleInstance::socketPath(), 0700));
        SingleInstance instance;
        QCOMPARE(instance.start({}), SingleInstance::Outcome::Serving);
        QLocalSocket client; // finds it listening again
        client.connectToServer(SingleInstance::socketPath());
        QVERIFY(client.waitForConnected());
    }

    void socketOthersMayUseIsRefused_data()
    {
        QTest::addColumn<mode_t>("socketMode");
        QTest::addColumn<mode_t>("folderMode");
        QTest::newRow("socket 0777") << mode_t(0777) << mode_t(0700);
        QTest::newRow("folder 0755") << mode_t(0700) << mode_t(0755);
    }

    void socketOthersMayUseIsRefused()
    {
        QFETCH(mode_t, socketMode);
        QFETCH(mode_t, folderMode);
        const QString path = SingleInstance::socketPath();
        QVERIFY(leaveStaleSocket(path, socketMode));
        QCOMPARE(::chmod(QFile::encodeName(mRuntime->path()).constData(), folderMode), 0);
        SingleInstance instance;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("on its own")));
        QCOMPARE(instance.start({}), SingleInstance::Outcome::Standalone);
        QCOMPARE(modeOf(path), socketMode); // left alone, not replaced
        ::chmod(QFile::encodeName(mRuntime->path()).constData(), 0700);
    }

    // Of two launches at the same moment one serves; the other hands over and ends.
    void twoLaunchesAtOnceGiveOneInstance()
    {
        QProcess *a = launch({});
        QProcess *b = launch({});
        QTRY_VERIFY_WITH_TIMEOUT(a->state() == QProcess::NotRunning
                                     || b->state() == QProcess::NotRunning,
                                 60000);
        QProcess *ended = a->state() == QProcess::NotRunning ? a : b;
        QProcess *serving = ended == a ? b : a;
        QCOMPARE(ended->exitStatus(), QProcess::NormalExit);
        QCOMPARE(ended->exitCode(), 0);
        QCOMPARE(serving->state(), QProcess::Running);
        SingleInstance third;
        QSignalSpy unused(&third, &SingleInstance::filesReceived);
        QCOMPARE(third.start({}), SingleInstance::Outcome::HandedOff);
    }

private:
    // The program with arguments as the shell reads them, in the files' folder; it shares this
    // test's display and runtime folder.
    QProcess *launch(const QStringList &shellArguments)
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), mFiles.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), mFiles.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), mRuntime->path());
        process->setProcessEnvironment(env);
        process->setWorkingDirectory(mFiles.path());
        process->start(QStringLiteral("/bin/sh"),
                       {QStringLiteral("-c"),
                        QStringLiteral("exec \"$0\" ") + shellArguments.join(u' '),
                        QStringLiteral(INKPOND_BINARY)});
        mProcesses.push_back(std::move(process));
        return mProcesses.back().get();
    }

    std::optional<IsolatedSettings> mSettings;
    std::unique_ptr<QTemporaryDir> mRuntime;
    QTemporaryDir mFiles;
    std::vector<std::unique_ptr<QProcess>> mProcesses;
};

QTEST_MAIN(InstanceTest)
#include "tst_instance.moc"
