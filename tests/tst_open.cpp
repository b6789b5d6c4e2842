// Opening pictures in the background, straight into tiles: the same pixels as a whole decode,
// memory that follows the painted tiles, Cancel, and drawings that name other files.
#include "DocumentController.h"
#include "InkpondDocument.h"
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
#include <thread>
#include <unistd.h>
#include <zlib.h>

namespace {
constexpr int kLargeSide = 16384;

constexpr const char *kLimited = "INKPOND_TEST_LIMITED";

// In the process runInLimitedProcess() started: address space limited to half a 16384² picture.
bool inLimitedProcess()
{
    if (!qEnvironmentVariableIsSet(kLimited))
        return false;
    const rlim_t bytes = rlim_t(addressSpaceInUse() + (qint64(512) << 20));
    const rlimit limit {bytes, bytes};
    return ::setrlimit(RLIMIT_AS, &limit) == 0;
}

// The current test function in a fresh process (a fork lacks Qt's thread pool); -1 if it failed.
int runInLimitedProcess()
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kLimited), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(QTest::currentTestFunction())});
    if (!child.waitForFinished(300000) || child.exitStatus() != QProcess::NormalExit)
        return -1;
    return child.exitCode();
}
#define ONLY_IN_LIMITED_PROCESS()                                                                  \
    if (!inLimitedProcess()) {                                                                     \
        QCOMPARE(runInLimitedProcess(), 0);                                                        \
        return;                                                                                    \
    }                                                                                              \
    static_assert(true)

QByteArray chunk(const QByteArray &type, const QByteArray &data)
{
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), out.data());
    const QByteArray body = type + data;
    out += body;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(quint32(::crc32(0, reinterpret_cast<const Bytef *>(body.constData()),
                                          uInt(body.size()))),
                          crc.data());
    return out + crc;
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

QByteArray gzipped(const QByteArray &data)
{
    z_stream z {};
    deflateInit2(&z, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&z, uLong(data.size()))) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(qsizetype(z.total_out));
    deflateEnd(&z);
    return out;
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
    }

    void cleanup()
    {
        Document::setForegroundReadWait(100);
        for (Document *document : mController->documents())
            document->close();
        QTRY_VERIFY(mController->documents().empty());
    }

    // Every kind of PNG Qt writes, and drawings taller than a band: Qt's whole-picture pixels.
    void bandsGiveThePixelsOfTheWholePicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("data");
        const QImage picture = testPicture(300, 700);
        QTest::newRow("RGBA") << "rgba.png" << encodedImage(picture, "png");
        QTest::newRow("RGB") << "rgb.png"
                             << encodedImage(testPicture(130, 300, true).convertToFormat(
                                                 QImage::Format_RGB32),
                                             "png");
        QTest::newRow("16-bit") << "deep.png"
                                << encodedImage(picture.convertToFormat(QImage::Format_RGBA64),
                                                "png");
        QTest::newRow("grey") << "grey.png"
                              << encodedImage(picture.convertToFormat(QImage::Format_Grayscale8),
                                              "png");
        QTest::newRow("palette")
            << "palette.png"
            << encodedImage(picture.convertToFormat(QImage::Format_Indexed8), "png");
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

    // Refused from the header, in a child with room for little more than it uses.
    void pictureLargerThanASheetIsRefusedBeforeAllocating()
    {
        QByteArray header(13, '\0');
        qToBigEndian<quint32>(100000, header.data());
        qToBigEndian<quint32>(100000, header.data() + 4);
        header[8] = 8; // bits
        header[9] = 6; // RGBA
        const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header)
            + chunk("IDAT", QByteArray::fromHex("789c030000000001")) + chunk("IEND", {});
        const QString path = mDir.filePath(QStringLiteral("huge.png"));
        QVERIFY(writeFile(path, png));
        const int status = runInChild(
            [&] {
                Document::setForegroundReadWait(-1);
                QString error;
                return !open(path, &error) && error.contains(QStringLiteral("100000")) ? 0 : 1;
            },
            qint64(256) << 20, 120000);
        QCOMPARE(status, 0);
    }

    // A 16384² picture held whole is 1 GB; read into tiles it costs the painted ones.
    void largeMostlyTransparentPictureCostsItsPaintedTiles()
    {
        ONLY_IN_LIMITED_PROCESS();
        const qint64 before = TiledImage::liveTiles();
        QString error;
        const TiledImage *tiles = startOf(open(mLarge, &error));
        QVERIFY2(tiles, qPrintable(error));
        QCOMPARE(TiledImage::liveTiles() - before, paintedTiles());
        QCOMPARE(qAlpha(tiles->pixel(8100, kLargeSide - 1 - 9050)), 180);
        QCOMPARE(tiles->pixel(50, 50), 0u);
    }

    // With recovery on, the record starts from the canvas's shared tiles, not a flattened copy.
    void largeOpenedPictureStartsItsRecordFromItsTiles()
    {
        ONLY_IN_LIMITED_PROCESS();
        QTemporaryDir root;
        RecoveryManager recovery(root.path(), *mController);
        const qint64 before = TiledImage::liveTiles();
        QString error;
        auto *opened = static_cast<InkpondDocument *>(open(mLarge, &error, true));
        QVERIFY2(opened && opened->canvas(), qPrintable(error));
        const auto *tap = opened->canvas()->findChild<RecoveryTap *>();
        QVERIFY(tap);
        const QDir folder(tap->folder());
        QTRY_VERIFY_WITH_TIMEOUT(!folder.entryList({QStringLiteral("base-*.png")}).isEmpty(), 60000);
        QCOMPARE(TiledImage::liveTiles() - before, paintedTiles());
        opened->close();
        QTRY_VERIFY(mController->documents().empty());
    }

    // A format decoded whole (a sparse 16384² BMP) that would not fit: refused from its header,
    // before overcommitted memory could end the process.
    void pictureDecodedWholeThatDoesNotFitIsRefusedFromItsHeader()
    {
        ONLY_IN_LIMITED_PROCESS();
        const quint32 row = kLargeSide * 3;
        QByteArray header(54, '\0');
        auto put = [&header](int at, quint32 value) { qToLittleEndian(value, header.data() + at); };
        header[0] = 'B';
        header[1] = 'M';
        put(2, 54 + row * kLargeSide);
        put(10, 54);
        put(14, 40);
        put(18, kLargeSide);
        put(22, kLargeSide);
        put(26, 1 | (24 << 16)); // one plane, 24 bits
        put(34, row * kLargeSide);
        const QString path = mDir.filePath(QStringLiteral("large.bmp"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(header) == header.size());
        QVERIFY(file.resize(54 + qint64(row) * kLargeSide));
        file.close();
        QString error;
        QVERIFY(!open(path, &error));
        QVERIFY2(error.contains(QStringLiteral("needs about")), qPrintable(error));
    }

    // The same picture as a recovery record's start comes back as its painted tiles.
    void largeRecoveryStartCostsItsPaintedTiles()
    {
        ONLY_IN_LIMITED_PROCESS();
        QTemporaryDir root;
        RecoveryStart start;
        start.size = QSize(kLargeSide, kLargeSide);
        {
            auto tiles = std::make_shared<TiledImage>(Size {kLargeSide, kLargeSide});
            for (int top = 0; top < kLargeSide; top += 256)
                QVERIFY(tiles->setRows(top, largeBand(top, 256)));
            start.base = std::move(tiles);
        }
        auto record = RecoveryRecord::create(root.path(), start);
        QVERIFY(record && record->waitUntilDurable());
        record.reset();
        start.base.reset();
        const qint64 before = TiledImage::liveTiles();
        auto records = claimOrphanedRecords(root.path());
        QCOMPARE(records.size(), size_t(1));
        QVERIFY2(records[0]->start.base, qPrintable(records[0]->problem));
        QCOMPARE(TiledImage::liveTiles() - before, paintedTiles());
        QCOMPARE(qAlpha(records[0]->start.base->pixel(8100, kLargeSide - 1 - 9050)), 180);
    }

    // A lasting read shows progress; Cancel leaves no document, window or message.
    void cancelledOpenLeavesNoDocument()
    {
        Document::setForegroundReadWait(0);
        bool shown = false;
        bool cancelled = false;
        QTimer::singleShot(0, this, [&] {
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (widget->objectName() == QLatin1String("readProgress"))
                    if (auto *button = widget->findChild<QPushButton *>()) {
                        shown = QTest::qWaitFor([widget] { return widget->isVisible(); }, 5000);
                        button->click();
                        cancelled = true;
                    }
        });
        mController->openFiles({mLarge});
        QVERIFY(shown);
        QVERIFY(cancelled);
        QVERIFY(mController->wasOpenCancelled());
        QVERIFY(mController->documents().empty());
        for (QWidget *widget : QApplication::topLevelWidgets())
            QVERIFY2(!widget->isVisible(), qPrintable(widget->objectName()));
    }

    // Qt's renderer would read a file an image names: refused from a file or the clipboard,
    // compressed or not; an image carried inside still shows.
    void drawingNamingAnotherFileDoesNotReadIt_data()
    {
        QTest::addColumn<QString>("href");
        const QString red = mDir.filePath(QStringLiteral("red.png"));
        QImage image(4, 4, QImage::Format_ARGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(red));
        QTest::newRow("name") << "xlink:href='red.png'";
        QTest::newRow("path") << QStringLiteral("href='%1'").arg(red);
        QTest::newRow("URL") << QStringLiteral("xlink:href='%1'")
                                    .arg(QUrl::fromLocalFile(red).toString());
    }
    void drawingNamingAnotherFileDoesNotReadIt()
    {
        QFETCH(QString, href);
        const QByteArray svg = svgWithImage(href).toUtf8();
        const QList<QPair<QString, QByteArray>> files {{QStringLiteral("linked.svg"), svg},
                                                       {QStringLiteral("linked.svgz"),
                                                        gzipped(svg)}};
        for (const auto &[name, data] : files) {
            const QString path = mDir.filePath(name);
            QVERIFY(writeFile(path, data));
            QString error;
            QVERIFY2(!open(path, &error), qPrintable(name));
            QVERIFY2(error.contains(QStringLiteral("refers to another file")), qPrintable(error));
        }
        InkpondDocument pasted;
        QString error;
        QVERIFY(!pasted.readFromData(svg, QStringLiteral("SVG image"), &error));
        QVERIFY(!pasted.startingImage());
    }
    void drawingCarryingItsImageOpens()
    {
        QImage image(20, 20, QImage::Format_ARGB32);
        image.fill(Qt::red);
        const QString href = QStringLiteral("xlink:href='data:image/png;base64,%1'")
                                 .arg(QString::fromLatin1(encodedImage(image, "png").toBase64()));
        const QString path = mDir.filePath(QStringLiteral("carried.svg"));
        QVERIFY(writeFile(path, svgWithImage(href).toUtf8()));
        QString error;
        const TiledImage *tiles = startOf(open(path, &error));
        QVERIFY2(tiles, qPrintable(error));
        QCOMPARE(tiles->pixel(20, 10), qRgba(255, 0, 0, 255));
    }

    // Every way a drawing can name an outside file, the file a FIFO: the open is refused, and
    // nothing ever opens the FIFO (which would block the open for good).
    void drawingNamingAFifoIsRefusedUnread_data()
    {
        QTest::addColumn<QString>("svg");
        QTest::newRow("absolute path") << svgWithImage(QStringLiteral("xlink:href='%1'"));
        QTest::newRow("relative name") << svgWithImage(QStringLiteral("xlink:href='pipe'"));
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
        for (const QByteArray &bytes : {data, gzipped(data)}) {
            const QString path = dir.filePath(QStringLiteral("drawing.svg"));
            QVERIFY(writeFile(path, bytes));
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
