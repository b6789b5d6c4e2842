// Pictures as image files: saving and opening round trips, what is and is not written, reading
// by content, reverting, and refusing damaged or oversized files.
#include "DocumentController.h"
#include "ImageCodec.h"
#include "InkpondDocument.h"
#include "StrokeDriver.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QImageReader>
#include <QPainter>
#include <QtEndian>
#include <QtTest>
#include <zlib.h>

namespace {
// A document's starting picture as one image.
QImage pixelsOf(const TiledImage &tiles)
{
    QImage out(tiles.pixelWidth(), tiles.pixelHeight(), QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    tiles.readPixels(out.rect(), out, 0, 0);
    return out;
}

// Transparent with an opaque block: the pixels that can only be the layers or the paper.
QImage blockPicture(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter(&image).fillRect(w / 4, h / 4, w / 2, h / 2, QColor(200, 40, 90));
    return image;
}

// Mean difference per channel, alpha included.
double meanDifference(const QImage &a, const QImage &b)
{
    const QImage ca = a.convertToFormat(QImage::Format_ARGB32);
    const QImage cb = b.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    for (qsizetype i = 0; i < ca.sizeInBytes(); ++i)
        sum += std::abs(int(ca.constBits()[i]) - int(cb.constBits()[i]));
    return sum / double(ca.sizeInBytes());
}

template<typename T>
QByteArray bytes(T v, bool bigEndian = false)
{
    QByteArray b(sizeof(T), '\0');
    bigEndian ? qToBigEndian(v, b.data()) : qToLittleEndian(v, b.data());
    return b;
}
const auto be32 = [](quint32 v) { return bytes(v, true); };
const auto le32 = [](quint32 v) { return bytes(v); };
const auto le16 = [](quint16 v) { return bytes(v); };

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    const QByteArray checked = type + data;
    return be32(quint32(data.size())) + checked
        + be32(quint32(
            crc32(0, reinterpret_cast<const Bytef *>(checked.data()), uInt(checked.size()))));
}

// A well-formed PNG announcing w × h pixels, whose pixel data ends after a few bytes.
QByteArray pngClaiming(quint32 w, quint32 h)
{
    return QByteArray("\x89PNG\r\n\x1a\n", 8)
        + pngChunk("IHDR", be32(w) + be32(h) + QByteArray("\x08\x06\x00\x00\x00", 5))
        + pngChunk("IDAT", QByteArray("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9))
        + pngChunk("IEND", {});
}

// A 32-bit BMP announcing w × h pixels, holding only rowsGiven rows of them.
QByteArray bmpClaiming(quint32 w, quint32 h, quint32 rowsGiven)
{
    return "BM" + le32(54 + w * h * 4) + le32(0) + le32(54) + le32(40) + le32(w) + le32(h) + le16(1)
        + le16(32) + le32(0) + le32(0) + le32(0) + le32(0) + le32(0) + le32(0)
        + QByteArray(qsizetype(w) * rowsGiven * 4, '\x40');
}

// Samples of the formats that Qt reads but cannot write.
const char *const kGif = "47494638396106000500f00000ff000000000021f90401000001002c00000000060005000"
                         "002088c1fa0a7c08b4e01003b";
const char *const kMng = "8a4d4e470d0a1a0a0000001c4d48445200000006000000050000000000000000000000000"
                         "000000000000009371c93430000"
                         "00064241434bffffffffffffa12900810000000d494844520000000600000005080600000"
                         "066589de60000000774494d45"
                         "07ea0c06150b1e9886a5aa000000224944415408d775cbb11100000883c0d7fd778ead4d2"
                         "8e1a03010f2c4c0b6a386ca01"
                         "bcc302067503e8550000000049454e44ae426082000000004d454e442120f7d5";
// Uncompressed 32-bit Targa, 3 × 2: it has no signature, so only its extension names it; Qt reads
// only TGA 2.0, with its footer.
const char *const kTga
    = "0000020000000000000000000300020020285828c0ffc058288000000000ffffffff30201040"
      "28c058ff000000000000000054525545564953494f4e2d5846494c452e00";
const char *const kSvg = "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='30'>"
                         "<rect x='4' y='4' width='20' height='12' fill='#c02858'/>"
                         "<circle cx='28' cy='20' r='8' fill='#2858c0' fill-opacity='0.5'/>"
                         "</svg>";
} // namespace

class ImageFileTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        mSettings = std::make_unique<IsolatedSettings>();
        // The application's table, and one writable type for which Qt has no writer.
        InkpondDocument::documentTypes();
        QJsonObject table
            = QJsonDocument::fromJson(readFile(QStringLiteral(":/DocumentTypes.json"))).object();
        QVERIFY(!table.isEmpty());
        QJsonArray types = table.value(QLatin1String("types")).toArray();
        types.append(QJsonObject {
            {"name", "Foo picture"}, {"extensions", QJsonArray {"foo"}}, {"role", "editor"}});
        table.insert(QLatin1String("types"), types);
        QString error;
        mController = std::make_unique<DocumentController>(
            DocumentTypes::fromJson(QJsonDocument(table).toJson(), &error),
            [] { return std::make_unique<InkpondDocument>(); });
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void init()
    {
        mCanvas.reset();
        // Held by the controller, whose table has the type without a writer.
        if (mDoc)
            mDoc->close();
        auto document = std::make_unique<InkpondDocument>();
        mDoc = document.get();
        mController->addDocument(std::move(document));
    }

    void savedPicturesReadBack_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("bgType");
        for (const char *type :
             {"PNG image", "TIFF image", "WebP image", "BMP image", "JPEG image"})
            for (int bg = 0; bg <= 3; ++bg)
                QTest::addRow("%s on background %d", type, bg) << type << bg;
    }

    // Where no layer covers the sheet: transparent, or white in formats without alpha; never the
    // paper. Lossless formats give every pixel back, every alpha included.
    void savedPicturesReadBack()
    {
        QFETCH(QString, type);
        QFETCH(int, bgType);
        const bool keepsAlpha = type != "BMP image" && type != "JPEG image";
        const bool lossless = type != "WebP image" && type != "JPEG image";
        const QImage picture = lossless ? testPicture(123, 77) : blockPicture(160, 120);
        showPicture(picture, float(bgType));
        const QString extension = mController->documentTypes().typeNamed(type)->extensions.first();
        const QUrl url = QUrl::fromLocalFile(mDir.filePath(QStringLiteral("round.") + extension));
        QString error;
        QVERIFY2(mDoc->writeToURL(url, type, &error), qPrintable(error));

        InkpondDocument opened;
        QVERIFY2(opened.readFromURL(url, mController->typeForContentsOfURL(url), &error),
                 qPrintable(error));
        QVERIFY(!opened.isDocumentEdited());
        const QImage saved = pixelsOf(*opened.startingImage());
        QImage expected = picture;
        if (!keepsAlpha) {
            expected = QImage(picture.size(), QImage::Format_RGB32);
            expected.fill(Qt::white);
            QPainter(&expected).drawImage(0, 0, picture);
        }
        if (lossless)
            QCOMPARE(differingPixels(saved, expected), 0);
        else
            QVERIFY(meanDifference(saved, expected) < 3.0);
    }

    void typeWithoutWriterGivesNoData_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("canvas");
        QTest::newRow("first extension without a writer") << "Foo picture" << true;
        QTest::newRow("read-only type") << "GIF image" << true; // Qt has a reader, no writer
        QTest::newRow("unknown type") << "Nonsense" << true;
        QTest::newRow("no canvas yet") << "PNG image" << false;
    }

    void typeWithoutWriterGivesNoData()
    {
        QFETCH(QString, type);
        QFETCH(bool, canvas);
        if (canvas)
            showPicture(testPicture(40, 30));
        else
            QVERIFY(
                mDoc->readFromData(encodedImage(testPicture(40, 30), "png"), QString(), nullptr));
        QString error;
        QVERIFY(mDoc->dataOfType(type, &error).isEmpty());
        const QString path = mDir.filePath(QStringLiteral("nothing.foo"));
        QVERIFY(!mDoc->writeToURL(QUrl::fromLocalFile(path), type, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(path));
    }

    void openingWhatIsNotAPictureFails_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("exists");
        QTest::newRow("text") << QByteArray("Dear diary,\n") << true;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("cut-off PNG") << encodedImage(testPicture(40, 30), "png").left(60) << true;
    }

    void openingWhatIsNotAPictureFails()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, exists);
        const QString path = mDir.filePath(QStringLiteral("not-a-picture.png"));
        QFile::remove(path);
        if (exists)
            QVERIFY(writeFile(path, contents));
        // An earlier picture stays the starting image.
        QVERIFY(mDoc->readFromData(encodedImage(testPicture(20, 10), "png"), QString(), nullptr));
        QString error;
        QVERIFY(
            !mDoc->readFromURL(QUrl::fromLocalFile(path), QStringLiteral("PNG image"), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!mDoc->isDocumentEdited());
        QCOMPARE(mDoc->startingImage()->size(), (Size {20, 10}));
    }

    void dataIsDecodedByContent_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("offeredAs");
        const QByteArray png = encodedImage(testPicture(40, 30), "png");
        const QByteArray jpeg = encodedImage(testPicture(40, 30), "jpg");
        QTest::newRow("PNG as PNG") << png << "PNG image";
        QTest::newRow("PNG as TIFF") << png << "TIFF image";
        QTest::newRow("PNG as a clipboard type") << png << "NSTIFFPboardType";
        QTest::newRow("PNG as nothing") << png << "";
        QTest::newRow("JPEG as PNG") << jpeg << "PNG image";
        // 300 dpi: a sheet sized from the resolution would be a quarter of the pixels.
        QImage scan = testPicture(40, 30, true);
        scan.setDotsPerMeterX(11811);
        scan.setDotsPerMeterY(11811);
        for (const char *format : {"png", "tiff", "jpg"})
            QTest::addRow("%s at 300 dpi", format) << encodedImage(scan, format) << "PNG image";
    }

    void dataIsDecodedByContent()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, offeredAs);
        QString error;
        QVERIFY2(mDoc->readFromData(data, offeredAs, &error), qPrintable(error));
        QCOMPARE(mDoc->startingImage()->size(), (Size {40, 30}));
        QVERIFY(mDoc->isDocumentEdited()); // not from a file of its own
    }

    void revertChangesThePictureOnlyWhenTheFileReads()
    {
        const QString path = mDir.filePath(QStringLiteral("revert.png"));
        const QUrl url = QUrl::fromLocalFile(path);
        QVERIFY(writeFile(path, encodedImage(testPicture(64, 48), "png")));
        QVERIFY(mDoc->readFromURL(url, QStringLiteral("PNG image"), nullptr));
        // Edited: the canvas shows another picture than the file's.
        const QImage edited = blockPicture(64, 48);
        showPicture(edited);
        mDoc->updateChangeCount(Document::ChangeDone);

        QVERIFY(writeFile(path, "no longer a picture"));
        QString error;
        QVERIFY(!mDoc->revertToContentsOfURL(url, QStringLiteral("PNG image"), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(differingPixels(mCanvas->picture().currentLayer()->toQImage(), edited), 0);
        QVERIFY(mDoc->isDocumentEdited());

        const QImage other = testPicture(50, 70);
        QVERIFY(writeFile(path, encodedImage(other, "png")));
        QVERIFY(mDoc->revertToContentsOfURL(url, QStringLiteral("PNG image"), &error));
        QCOMPARE(mCanvas->sheetSize(), (Size {50, 70}));
        QCOMPARE(mCanvas->picture().layers().size(), size_t(1));
        QCOMPARE(differingPixels(mCanvas->picture().currentLayer()->toQImage(), other), 0);
        QVERIFY(!mDoc->isDocumentEdited());
    }

    void damagedFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("extension");
        const QImage picture = testPicture(40, 30);
        for (const char *format : {"bmp", "cur", "icns", "ico", "jpeg", "pbm", "pgm", "png", "ppm",
                                   "tiff", "wbmp", "webp", "xbm", "xpm"})
            QTest::newRow(format) << encodedImage(picture, format) << QByteArray(format);
        QTest::newRow("gif") << QByteArray::fromHex(kGif) << QByteArray("gif");
        QTest::newRow("mng") << QByteArray::fromHex(kMng) << QByteArray("mng");
        QTest::newRow("svg") << QByteArray(kSvg) << QByteArray("svg");
        QTest::newRow("tga") << QByteArray::fromHex(kTga) << QByteArray("tga");
    }

    void damagedFilesAreRefused()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, extension);
        if (!QImageReader::supportedImageFormats().contains(extension))
            QSKIP("No reader for this format here");
        QString error;
        QVERIFY2(!ImageCodec::decode(data, extension, &error).isNull(),
                 qPrintable(error)); // the sample is sound

        for (int eighth = 1; eighth < 8; ++eighth) {
            const QByteArray cut = data.left(data.size() * eighth / 8);
            QVERIFY(ImageCodec::decode(cut, extension, &error).isNull());
        }
        // Damage that a format without checksums cannot notice may decode, but within bounds.
        for (const qsizetype at : {qsizetype(0), qsizetype(6), data.size() / 3, data.size() / 2}) {
            QByteArray damaged = data;
            for (qsizetype i = at; i < std::min(at + 12, damaged.size()); ++i)
                damaged[i] = char(0xFF ^ damaged[i]);
            const QImage image = ImageCodec::decode(damaged, extension, &error);
            QVERIFY(image.isNull()
                    || (image.width() <= Image::kMaxSide && image.height() <= Image::kMaxSide));
        }
    }

    void headerClaimingAHugePictureIsRefusedUnread_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("size"); // named in the message when the header itself is sound
        QTest::newRow("PNG 100000 × 100000") << pngClaiming(100000, 100000) << "100000 × 100000";
        QTest::newRow("PNG one pixel too wide") << pngClaiming(32768, 1) << "32768 × 1";
        QTest::newRow("BMP 40000 × 1, complete") << bmpClaiming(40000, 1, 1) << "40000 × 1";
        QTest::newRow("BMP 100000 × 100000") << bmpClaiming(100000, 100000, 0) << "";
    }

    void headerClaimingAHugePictureIsRefusedUnread()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, size);
        QString error;
        QVERIFY(ImageCodec::decode(data, {}, &error).isNull());
        // From the header: never Qt's "Unable to read image data" after trying to allocate.
        QVERIFY2(error.contains(size), qPrintable(error));
        QVERIFY(!error.contains(QLatin1String("Unable to read")));
        QVERIFY(!mDoc->readFromData(data, QStringLiteral("PNG image"), &error));
        QVERIFY(!mDoc->isDocumentEdited());
    }

    // 6000 × 6000 × 4 bytes: over the 128 MB that Qt's readers allow by default.
    void pictureAboveQtsDefaultLimitOpens()
    {
        QImage big(6000, 6000, QImage::Format_ARGB32_Premultiplied);
        big.fill(Qt::transparent);
        big.setPixel(5999, 0, qRgba(10, 20, 30, 255));
        const QByteArray png = encodedImage(big, "png");
        QString error;
        QVERIFY2(mDoc->readFromData(png, QStringLiteral("PNG image"), &error), qPrintable(error));
        QCOMPARE(mDoc->startingImage()->size(), (Size {6000, 6000}));
        QCOMPARE(mDoc->startingImage()->pixel(5999, 5999), qRgba(10, 20, 30, 255));
        QCOMPARE(ImageCodec::decode(png, "png", &error).pixel(5999, 0), qRgba(10, 20, 30, 255));
    }

    void paintingDuringASaveDoesNotChangeTheSavedFile_data()
    {
        QTest::addColumn<bool>("banded");
        QTest::newRow("whole") << false;
        QTest::newRow("in bands") << true;
    }

    // A save goes on from the picture as it was when it began: strokes painted while it runs
    // reach neither the file nor the saved state. Written whole or from the tiles a band of rows
    // at a time, the file holds every pixel.
    void paintingDuringASaveDoesNotChangeTheSavedFile()
    {
        QFETCH(bool, banded);
        const QImage picture = testPicture(1500, 1200);
        showPicture(picture);
        const QUrl url = QUrl::fromLocalFile(mDir.filePath(QStringLiteral("during.png")));
        Document::setForegroundSaveWait(0);
        const double bandedAbove
            = std::exchange(InkpondDocument::sBandedPixels, banded ? 0.0 : 1e300);
        const auto restore = qScopeGuard([bandedAbove] {
            Document::setForegroundSaveWait(-1);
            InkpondDocument::sBandedPixels = bandedAbove;
        });
        std::optional<bool> saved;
        mDoc->saveToURL(url, QStringLiteral("PNG image"), [&](bool ok) { saved = ok; });
        QVERIFY(mDoc->isSaving());
        for (int i = 0; i < 20; ++i)
            strokes::dab(*mCanvas, 50.0f + float(i) * 60.0f, 600.0f);
        strokes::freehand(*mCanvas, {{0, 0}, {750, 600}, {1500, 1200}});
        QTRY_VERIFY_WITH_TIMEOUT(saved.has_value(), 60000);
        QVERIFY(*saved);
        QCOMPARE(differingPixels(QImage(url.toLocalFile()), picture), 0);
        QVERIFY(mDoc->isDocumentEdited());
    }

private:
    // The document of a canvas that shows the picture.
    void showPicture(const QImage &picture, float bgType = 1)
    {
        mCanvas = std::make_unique<WTView>(Rect(0, 0, 100, 100));
        mCanvas->setDocument(mDoc);
        mDoc->setCanvas(mCanvas.get());
        mCanvas->setBgType(bgType);
        const Image image(picture);
        QVERIFY(mCanvas->core().setImage(&image));
    }

    std::unique_ptr<IsolatedSettings> mSettings;
    std::unique_ptr<DocumentController> mController;
    QPointer<InkpondDocument> mDoc;
    std::unique_ptr<WTView> mCanvas;
    QTemporaryDir mDir;
};

QTEST_MAIN(ImageFileTest)
#include "tst_imagefile.moc"
