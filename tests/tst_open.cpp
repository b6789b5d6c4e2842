// Opening pictures in the background, straight into tiles: the same pixels as a whole decode,
// memory that follows the painted tiles, Cancel, and drawings that name other files. Opening
// files without ending or blocking the process: special, huge and non-UTF-8-named files, and
// threads that cannot start.
#include "CommandLine.h"
#include "DocumentController.h"
#include "DurableJournal.h"
#include "InkpondDocument.h"
#include "LocalFile.h"
#include "Picture.h"
#include "PictureFile.h"
#include "PngBands.h"
#include "RecoveryManager.h"
#include "RecoveryRecord.h"
#include "RecoveryTap.h"
#include "TestSupport.h"
#include "TiledImage.h"
#include "WTView.h"

#include <QApplication>
#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>
#include <QtTest>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <zlib.h>

namespace {
constexpr int kLargeSide = 16384;
constexpr qint64 kGB = qint64(1) << 30;

// 0 when the refusal was made and says why, else 1.
int refusedSaying(bool opened, const QString &error, const QString &reason)
{
    return opened || !error.contains(reason) ? 1 : 0;
}

// Takes any data, as the base class reads it: whole.
class BytesDocument : public Document
{
public:
    bool readFromData(const QByteArray &, const QString &, QString *) override { return true; }
};

constexpr const char *kLimited = "INKPOND_TEST_LIMITED";

// The current test function again in a fresh process (a fork lacks Qt's thread pool) whose
// address space is limited to half a 16384² picture: true in that process; else false, with that
// process's exit status in *status (-1 if it failed).
bool inLimitedProcess(int *status)
{
    if (qEnvironmentVariableIsSet(kLimited)) {
        const rlim_t bytes = rlim_t(addressSpaceInUse() + (qint64(512) << 20));
        const rlimit limit {bytes, bytes};
        *status = ::setrlimit(RLIMIT_AS, &limit);
        return *status == 0;
    }
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kLimited), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(QTest::currentTestFunction())});
    const bool ended = child.waitForFinished(300000) && child.exitStatus() == QProcess::NormalExit;
    *status = ended ? child.exitCode() : -1;
    return false;
}

// A 16384² sheet with three painted squares, one across a tile border.
const QList<QRect> kPainted {QRect(100, 200, 256, 256), QRect(8000, 9000, 300, 100),
                             QRect(16000, 16300, 384, 84)};

QImage largeBand(int top, int rows)
{
    QImage band(kLargeSide, rows, QImage::Format_ARGB32_Premultiplied);
    band.fill(Qt::transparent);
    QPainter painter(&band);
    for (const QRect &r : kPainted)
        painter.fillRect(r.translated(0, -top), QColor(30, 120, 200, 180));
    return band;
}

qint64 paintedTiles()
{
    constexpr int T = TiledImage::kTileSide;
    QSet<QPair<int, int>> tiles;
    for (const QRect &r : kPainted)
        for (int y = r.top() / T; y <= r.bottom() / T; ++y)
            for (int x = r.left() / T; x <= r.right() / T; ++x)
                tiles.insert({x, y});
    return tiles.size();
}

QString svgWithImage(const QString &href)
{
    return QStringLiteral(
               "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink'"
               " width='40' height='30'><rect x='0' y='0' width='10' height='10' fill='blue'/>"
               "<image x='10' y='10' width='20' height='20' %1/></svg>")
        .arg(href);
}

// The data gzipped into the file, as an .svgz holds it.
bool writeGzipped(const QString &path, const QByteArray &data)
{
    gzFile file = gzopen(QFile::encodeName(path).constData(), "wb");
    const bool written
        = file && gzwrite(file, data.constData(), unsigned(data.size())) == data.size();
    return gzclose(file) == Z_OK && written;
}
} // namespace

class OpenTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        mSettings = std::make_unique<IsolatedSettings>();
        mController = newDocuments();
        QImageReader::supportedImageFormats(); // the plugins, loaded before any child is forked
        mLarge = mDir.filePath(QStringLiteral("large.png"));
        QFile file(mLarge);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QString error;
        QCOMPARE(PngBands::write(file, kLargeSide, kLargeSide, largeBand, {}, &error),
                 PngBands::Outcome::Done);
        const QString fifo = mDir.filePath(QStringLiteral("pipe"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QVERIFY(QFile::link(fifo, mDir.filePath(QStringLiteral("pipe.png"))));
        QVERIFY(QDir(mDir.path()).mkdir(QStringLiteral("folder.png")));
    }

    void cleanup()
    {
        Document::setForegroundReadWait(100);
        for (Document *document : mController->documents())
            document->close();
        QTRY_VERIFY(mController->documents().empty());
    }

    // Drawings taller than a band: Qt's whole-picture pixels.
    void bandsGiveThePixelsOfTheWholePicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("SVG") << "tall.svg"
                             << QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='90' "
                                           "height='700'><circle cx='45' cy='350' r='40' "
                                           "fill='red' fill-opacity='0.5'/><rect x='3' y='250' "
                                           "width='80' height='10.5' fill='green'/></svg>");
        // As drawing programs write them: a document type, and entities of its own.
        QTest::newRow("SVG with entities")
            << "entities.svg"
            << QByteArray("<?xml version='1.0'?>\n<!DOCTYPE svg PUBLIC '-//W3C//DTD SVG 1.1//EN' "
                          "'http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd' [\n"
                          "<!ENTITY ns_svg 'http://www.w3.org/2000/svg'>]>\n"
                          "<svg xmlns='&ns_svg;' width='50' height='300'><rect x='5' y='5' "
                          "width='40' height='280' fill='navy'/></svg>");
    }
    void bandsGiveThePixelsOfTheWholePicture()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, data);
        const QString path = mDir.filePath(name);
        QVERIFY(writeFile(path, data));
        QString error;
        const TiledImage *tiles = startOf(open(path, &error));
        QVERIFY2(tiles, qPrintable(error));
        const QImage whole = QImageReader(path).read();
        QImage banded(tiles->pixelWidth(), tiles->pixelHeight(),
                      QImage::Format_ARGB32_Premultiplied);
        banded.fill(Qt::transparent);
        tiles->readPixels(banded.rect(), banded, 0, 0);
        QCOMPARE(differingPixels(banded, whole), 0);
    }

    // Read into tiles, a 16384² picture (1 GB held whole) costs its painted tiles: opened, with
    // recovery on (whose record starts from the canvas's tiles, not a flattened copy), and as a
    // record's start. A format decoded whole that would not fit is refused from its header,
    // before overcommitted memory could end the process. In a child with half of it to spare.
    void largePicturesCostTheirPaintedTiles()
    {
        int status = 0;
        if (!inLimitedProcess(&status)) {
            QCOMPARE(status, 0);
            return;
        }
        // First, while Qt still reads no picture over 128 MB, as in a new process: every picture
        // that opens must also restore.
        {
            QTemporaryDir records;
            RecoveryStart start;
            start.size = QSize(kLargeSide, kLargeSide);
            auto tiles = std::make_shared<TiledImage>(Size {kLargeSide, kLargeSide});
            for (int top = 0; top < kLargeSide; top += 256)
                QVERIFY(tiles->setRows(top, largeBand(top, 256)));
            start.base = std::move(tiles);
            auto record = RecoveryRecord::create(records.path(), start);
            QVERIFY(record && record->waitUntilDurable());
            record.reset();
            start.base.reset();
            const qint64 before = TiledImage::liveTiles();
            auto claimed = claimOrphanedRecords(records.path());
            QCOMPARE(claimed.size(), size_t(1));
            QVERIFY2(claimed[0]->start.base, qPrintable(claimed[0]->problem));
            QCOMPARE(TiledImage::liveTiles() - before, paintedTiles());
            QCOMPARE(qAlpha(claimed[0]->start.base->pixel(8100, kLargeSide - 1 - 9050)), 180);
        }
        QTemporaryDir root;
        {
            RecoveryManager recovery(root.path(), *mController);
            const qint64 before = TiledImage::liveTiles();
            QString error;
            auto *opened = static_cast<InkpondDocument *>(open(mLarge, &error, true));
            QVERIFY2(opened && opened->canvas(), qPrintable(error));
            const TiledImage &tiles = *opened->canvas()->picture().currentLayer()->image();
            QCOMPARE(qAlpha(tiles.pixel(8100, kLargeSide - 1 - 9050)), 180);
            QCOMPARE(tiles.pixel(50, 50), 0u);
            const auto *tap = opened->canvas()->findChild<RecoveryTap *>();
            QVERIFY(tap);
            const QDir folder(tap->folder());
            QTRY_VERIFY_WITH_TIMEOUT(!folder.entryList({QStringLiteral("base-*.png")}).isEmpty(),
                                     60000);
            QCOMPARE(TiledImage::liveTiles() - before, paintedTiles());
            opened->close();
            QTRY_VERIFY(mController->documents().empty());
        }

        // A pixel's BMP, its header made to say 16384², its rows holes.
        QByteArray header = encodedImage(QImage(1, 1, QImage::Format_RGB888), "bmp").left(54);
        qToLittleEndian(quint32(kLargeSide), header.data() + 18);
        qToLittleEndian(quint32(kLargeSide), header.data() + 22);
        const QString bmp = mDir.filePath(QStringLiteral("large.bmp"));
        QFile file(bmp);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(header) == header.size());
        QVERIFY(file.resize(54 + qint64(kLargeSide) * kLargeSide * 3));
        file.close();
        QString error;
        QVERIFY(!open(bmp, &error));
        QVERIFY2(error.contains(QStringLiteral("needs about")), qPrintable(error));

    }

    // A lasting read shows progress; Cancel leaves no document, window or message.
    void cancelledOpenLeavesNoDocument()
    {
        Document::setForegroundReadWait(0);
        bool shown = false;
        QTimer::singleShot(0, this, [&] {
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (widget->objectName() == QLatin1String("readProgress"))
                    if (auto *button = widget->findChild<QPushButton *>()) {
                        shown = QTest::qWaitFor([widget] { return widget->isVisible(); }, 5000);
                        button->click();
                    }
        });
        mController->openFiles({mLarge});
        QVERIFY(shown); // and Cancel clicked
        QVERIFY(mController->wasOpenCancelled());
        QVERIFY(mController->documents().empty());
        for (QWidget *widget : QApplication::topLevelWidgets())
            QVERIFY2(!widget->isVisible(), qPrintable(widget->objectName()));
    }

    // Qt's renderer would read a file an image names: refused from the clipboard too (files:
    // below); an image carried inside still shows.
    void drawingShowsOnlyWhatItCarries()
    {
        QImage image(20, 20, QImage::Format_ARGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(mDir.filePath(QStringLiteral("red.png"))));
        const QString carried = mDir.filePath(QStringLiteral("carried.svg"));
        const QString href = QStringLiteral("xlink:href='data:image/png;base64,%1'")
                                 .arg(QString::fromLatin1(encodedImage(image, "png").toBase64()));
        QVERIFY(writeFile(carried, svgWithImage(href).toUtf8()));
        QString error;
        const TiledImage *tiles = startOf(open(carried, &error));
        QVERIFY2(tiles, qPrintable(error));
        QCOMPARE(tiles->pixel(20, 10), qRgba(255, 0, 0, 255));

        const QByteArray linked = svgWithImage(QStringLiteral("xlink:href='red.png'")).toUtf8();
        InkpondDocument pasted;
        QVERIFY(!pasted.readFromData(linked, QStringLiteral("SVG image"), &error));
        QVERIFY(!pasted.startingImage());
    }

    // Every way a drawing can name an outside file, compressed or not, the file a FIFO: refused,
    // and nothing ever opens the FIFO (which would block the open for good).
    void drawingNamingAFifoIsRefusedUnread_data()
    {
        QTest::addColumn<QString>("svg");
        QTest::newRow("absolute path") << svgWithImage(QStringLiteral("xlink:href='%1'"));
        QTest::newRow("entity") << QStringLiteral(
            "<!DOCTYPE svg [<!ENTITY where '%1'>]>"
            "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='30'>"
            "<image width='20' height='20' href='&where;'/></svg>");
        QTest::newRow("external entity") << QStringLiteral(
            "<!DOCTYPE svg [<!ENTITY where SYSTEM '%1'>]>"
            "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='30'>&where;</svg>");
        QTest::newRow("style sheet") << QStringLiteral(
            "<?xml-stylesheet type=\"text/css\" href=\"%1\"?>"
            "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='30'/>");
        const QByteArray inner = svgWithImage(QStringLiteral("xlink:href='%1'")).toUtf8();
        QTest::newRow("drawing as data") << svgWithImage(
            QStringLiteral("xlink:href='data:image/png;base64,%1'")
                .arg(QString::fromLatin1(inner.toBase64())));
    }
    void drawingNamingAFifoIsRefusedUnread()
    {
        QFETCH(QString, svg);
        QTemporaryDir dir;
        const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("pipe")));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        const QByteArray data = svg.arg(dir.filePath(QStringLiteral("pipe"))).toUtf8();
        for (const bool compressed : {false, true}) {
            const QString path = dir.filePath(QStringLiteral("drawing.svg"));
            QVERIFY(compressed ? writeGzipped(path, data) : writeFile(path, data));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            std::atomic<bool> done = false;
            PictureFile::Outcome outcome {};
            QString error;
            std::thread reading([&] {
                outcome = PictureFile::read(file, "svg", nullptr, {}, &error);
                done = true;
            });
            bool opened = false;
            while (!done) {
                // A writer opens without blocking only while a reader holds the FIFO; closing
                // it then ends that reader's wait.
                const int writer = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
                if (writer >= 0) {
                    opened = true;
                    ::close(writer);
                }
                std::this_thread::yield();
            }
            reading.join();
            QVERIFY(!opened);
            QCOMPARE(outcome, PictureFile::Outcome::Failed);
            QVERIFY2(error.contains(QStringLiteral("refers to another file")), qPrintable(error));
        }
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

    // Qt reads arguments as UTF-8: a file named in Latin-1 was "No such file or directory". (A
    // plain path of such a name is handed over and opened in tst_instance.)
    void nameThatIsNotUtf8OpensFromTheCommandLine()
    {
        QByteArray argument = "file://" + QFile::encodeName(mDir.path()) + "/caf%E9.png";
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
    Document *open(const QString &path, QString *error, bool display = false)
    {
        return mController->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), display,
                                                           error);
    }
    static const TiledImage *startOf(Document *opened)
    {
        return opened ? static_cast<InkpondDocument *>(opened)->startingImage() : nullptr;
    }

    std::unique_ptr<IsolatedSettings> mSettings;
    std::unique_ptr<DocumentController> mController;
    QTemporaryDir mDir;
    QString mLarge;
};

QTEST_MAIN(OpenTest)
#include "tst_open.moc"
