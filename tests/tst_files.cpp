// Opening files without ending or blocking the process: special, huge and non-UTF-8-named files,
// and threads that cannot start.
#include "CommandLine.h"
#include "DocumentController.h"
#include "DurableJournal.h"
#include "InkpondDocument.h"
#include "LocalFile.h"
#include "PngBands.h"
#include "TestSupport.h"

#include <QImageReader>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {
constexpr qint64 kGB = qint64(1) << 30;

// 0 when the refusal was made and says why, else 1; the message goes to the test's output.
int refusedSaying(bool opened, const QString &error, const QString &reason)
{
    if (opened || !error.contains(reason)) {
        std::fprintf(stderr, "opened: %d, error: %s\n", int(opened), qPrintable(error));
        return 1;
    }
    return 0;
}

// Takes any data, as the base class reads it: whole.
class BytesDocument : public Document
{
public:
    bool readFromData(const QByteArray &, const QString &, QString *) override { return true; }
};
} // namespace

class FilesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        mSettings = std::make_unique<IsolatedSettings>();
        mController = newDocuments();
        QImageReader::supportedImageFormats(); // the plugins, loaded before any child is forked
        QVERIFY(mDir.isValid());
        const QString fifo = mDir.filePath(QStringLiteral("pipe"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QVERIFY(QFile::link(fifo, mDir.filePath(QStringLiteral("pipe.png"))));
        QVERIFY(QDir(mDir.path()).mkdir(QStringLiteral("folder.png")));
    }

    // Opening a FIFO waits for a writer: one named on the command line held the start-up, and
    // one in place of the document-types table (read once at start-up) held it for ever.
    void whatIsNotARegularFileIsRefusedWithoutBlocking_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("FIFO") << "pipe" << "is a FIFO, not a picture file";
        QTest::newRow("link to a FIFO") << "pipe.png" << "is a FIFO, not a picture file";
        QTest::newRow("folder") << "folder.png" << "is a folder, not a picture file";
    }

    void whatIsNotARegularFileIsRefusedWithoutBlocking()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        const QString path = mDir.filePath(name);
        const int status = runInChild([&] {
            QString error, tableError;
            Document *opened = mController->openDocumentWithContentsOfURL(
                QUrl::fromLocalFile(path), false, &error);
            const bool read = !DocumentTypes::fromFile(path, &tableError).isEmpty();
            return refusedSaying(opened, error, QStringLiteral("“%1” %2").arg(name, reason))
                + refusedSaying(read, tableError, QStringLiteral("is not a document-types table"));
        });
        QVERIFY2(status != kChildTimedOut, "opening blocked");
        QCOMPARE(status, 0);
    }

    // Files were read whole before being looked at: 3 GB of no picture took 3 GB to refuse. And
    // std::bad_alloc from reading a file whole went past every caller and ended the process.
    void largeFilesAreRefusedWithoutBeingRead_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("whole"); // by a document that reads its files whole
        QTest::addColumn<QString>("reason");
        QTest::newRow("3 GB that is no picture")
            << "zeros.png" << 3 * kGB << false << "any format Inkpond can read";
        QTest::newRow("10 GB: larger than any picture")
            << "huge.png" << 10 * kGB << false
            << "“huge.png” is larger than any picture Inkpond can open";
        QTest::newRow("2 GB, more than memory, read whole")
            << "two-gigabytes.data" << 2 * kGB << true
            << "Not enough memory to open “two-gigabytes.data”";
    }

    void largeFilesAreRefusedWithoutBeingRead()
    {
        QFETCH(QString, name);
        QFETCH(qint64, size);
        QFETCH(bool, whole);
        QFETCH(QString, reason);
        if (whole && kSanitizedBuild)
            QSKIP("needs a limited address space");
        const QString path = mDir.filePath(name);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size)); // holes: no disk used
        const int status = runInChild(
            [&] {
                const qint64 before = peakResidentBytes();
                BytesDocument bytes;
                InkpondDocument picture;
                Document &document = whole ? static_cast<Document &>(bytes) : picture;
                QString error;
                const bool opened = document.readFromURL(
                    QUrl::fromLocalFile(path), whole ? QString() : QStringLiteral("PNG image"),
                    &error);
                if (!whole && peakResidentBytes() - before > 64 << 20)
                    return 2;
                return refusedSaying(opened, error, reason);
            },
            kSanitizedBuild ? 0 : kGB);
        QCOMPARE(status, 0);
    }

    // Qt reads arguments as UTF-8: a file named in Latin-1 was "No such file or directory".
    void nameThatIsNotUtf8OpensFromTheCommandLine_data()
    {
        QTest::addColumn<QByteArray>("argument");
        const QByteArray folder = QFile::encodeName(mDir.path());
        QTest::newRow("path") << folder + "/caf\xe9.png";
        QTest::newRow("file URL") << "file://" + folder + "/caf%E9.png";
    }

    void nameThatIsNotUtf8OpensFromTheCommandLine()
    {
        QFETCH(QByteArray, argument);
        const QByteArray name = QFile::encodeName(mDir.path()) + "/caf\xe9.png";
        const QByteArray png = encodedImage(testPicture(7, 5), "png");
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, png.constData(), size_t(png.size())), ssize_t(png.size()));
        ::close(fd);

        QByteArray program("inkpond");
        char *argv[] = {program.data(), argument.data(), nullptr};
        CommandLine command;
        QVERIFY(command.parse(CommandLine::argumentsOf(2, argv)));
        QCOMPARE(command.files().size(), 1);
        QString error;
        Document *opened = mController->openDocumentWithContentsOfURL(
            QUrl::fromLocalFile(command.files().first()), false, &error);
        QVERIFY2(opened, qPrintable(error));
        const auto *picture = static_cast<InkpondDocument *>(opened)->startingImage();
        QVERIFY(picture);
        QCOMPARE(picture->size(), (Size {7, 5}));
        // Shown with the byte it cannot show as U+FFFD, not as a lone surrogate.
        QCOMPARE(opened->displayName(), QStringLiteral("caf\uFFFD.png"));
        opened->close();
    }

    // Every byte string comes back as it was, valid UTF-8 or not.
    void namesKeepTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9 \xf0\x9f\x96\x8c.png");
        QTest::newRow("Latin-1") << QByteArray("caf\xe9.png");
        QTest::newRow("cut sequence at the end") << QByteArray("a\xe2\x82");
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf");
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80");
        QTest::newRow("above U+10FFFF") << QByteArray("\xf4\x90\x80\x80");
        QTest::newRow("stray continuation") << QByteArray("\x80x\xbf");
    }

    void namesKeepTheirBytes()
    {
        QFETCH(QByteArray, bytes);
        QCOMPARE(LocalFile::encodeName(LocalFile::decodeName(bytes)), bytes);
    }

    // A journal whose syncing thread could not start threw std::system_error past every caller.
    void journalWhoseThreadCannotStartSyncsEachWrite()
    {
        DurableJournal journal([](std::function<void()>) -> std::thread {
            throw std::system_error(
                std::make_error_code(std::errc::resource_unavailable_try_again));
        });
        const QString path = mDir.filePath(QStringLiteral("journal"));
        QVERIFY2(journal.open(path), qPrintable(journal.errorString()));
        QVERIFY(journal.append("one\n"));
        QVERIFY(journal.write("two\n"));
        QVERIFY(journal.waitUntilDurable());
        QCOMPARE(readFile(path), QByteArray("one\ntwo\n"));
        QVERIFY(journal.truncate());
        journal.close();
        QCOMPARE(QFileInfo(path).size(), 0);
    }

    void cleanupTestCase()
    {
        // Qt cannot see it, so its folder could not be removed with it.
        ::unlink((QFile::encodeName(mDir.path()) + "/caf\xe9.png").constData());
    }

    // A PNG writer thread that could not start ended the process (the others destroyed running).
    void pngWriterGoesOnWithTheThreadsItCouldStart()
    {
        if (kSanitizedBuild)
            QSKIP("needs a limited address space");
        const QImage picture = testPicture(300, 200);
        // Room for a thread stack or two (8 MB each), not for 16.
        const int status = runInChild(
            [&] {
                PngBands::WriteOptions options;
                options.bandRows = 16;
                options.workers = 16;
                QByteArray png;
                QBuffer out(&png);
                out.open(QIODevice::WriteOnly);
                const auto band = [&](int top, int rows) {
                    return picture.copy(0, top, picture.width(), rows);
                };
                if (PngBands::write(out, picture.width(), picture.height(), band, options)
                    != PngBands::Outcome::Done)
                    return 1;
                const QImage back = QImage::fromData(png).convertToFormat(picture.format());
                return differingPixels(back, picture) == 0 ? 0 : 2;
            },
            24 << 20);
        QCOMPARE(status, 0);
    }

private:
    std::unique_ptr<IsolatedSettings> mSettings;
    std::unique_ptr<DocumentController> mController;
    QTemporaryDir mDir;
};

QTEST_MAIN(FilesTest)
#include "tst_files.moc"
