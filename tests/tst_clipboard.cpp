// Copy encodes nothing until a program asks, then from a frozen copy a band at a time: its cost,
// what is pasted after painting on, and a copy refused for lack of memory.
#include "Beep.h"
#include "CanvasQuestions.h"
#include "ClipboardPicture.h"
#include "Picture.h"
#include "TestSupport.h"
#include "TiffBands.h"
#include "WTView.h"

#include <QBuffer>
#include <QClipboard>
#include <QImageReader>
#include <QtTest>

namespace {
constexpr qint64 kMB = qint64(1) << 20;
constexpr int kLarge = 16384;

// Paints into the layer a band at a time: no sheet-sized scratch to spoil the measurement.
void paintBands(WTView &canvas, const std::function<void(QPainter &, const QRect &)> &draw)
{
    const Size sheet = canvas.sheetSize();
    for (int y = 0; y < int(sheet.height); y += 256) {
        const Rect band {0, float(y), sheet.width, 256};
        QVERIFY(canvas.picture().currentLayer()->paint(
            band, band, [&](QPainter &p) { draw(p, QRect(0, y, int(sheet.width), 256)); }));
    }
}

// A few long strokes over a large transparent sheet.
void paintStrokes(WTView &canvas)
{
    const Size s = canvas.sheetSize();
    const Rect all {0, 0, s.width, s.height};
    const QColor ink(20, 40, 200, 180);
    for (const auto &[a, b] : {std::pair {Point {100, 100}, Point {s.width - 100, s.height - 300}},
                               {Point {s.width / 2, 50}, Point {s.width / 3, s.height - 50}}})
        QVERIFY(canvas.picture().currentLayer()->paintInk(
            all, all, Picture::roundSegment(a, b, 14, {}), ink, InkCombine::Over));
}

// Every pixel painted, in colours that change across and down the sheet.
void paintEverything(WTView &canvas)
{
    paintBands(canvas, [](QPainter &p, const QRect &band) {
        QLinearGradient across(0, 0, band.width(), 0);
        across.setColorAt(0, QColor::fromHsv(band.y() / 64 % 360, 200, 220));
        across.setColorAt(1, QColor::fromHsv((band.y() / 64 + 180) % 360, 120, 90, 200));
        p.fillRect(band, across);
    });
}

const ClipboardPicture *clipboardPicture()
{
    return qobject_cast<const ClipboardPicture *>(QGuiApplication::clipboard()->mimeData());
}

QImage decoded(const QByteArray &data, const char *format)
{
    QImage image = QImage::fromData(data, format);
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Records what the canvas tells; asks nothing.
class Told : public CanvasQuestions
{
public:
    void confirmCropResize(WTView &, const Rect &, std::function<void(bool)>) override { }
    bool chooseCustomSize(WTView &, std::function<void(Size)>) override { return false; }
    void tellSheetRefused(WTView &, Size) override { }
    void tellCopyRefused(WTView &, qint64 needed, qint64 available) override
    {
        mNeeded = needed;
        mAvailable = available;
    }
    void tellNotSeeThrough(WTView &) override { }

    qint64 mNeeded = -1;
    qint64 mAvailable = -1;
};
} // namespace

class ClipboardTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QImageReader::supportedImageFormats(); // the plugins, loaded before any child is forked
    }

    void cleanup() { QGuiApplication::clipboard()->clear(); }

    // TIFF in bands: the exact premultiplied pixels whatever the band's rows, compressed.
    void tiffBandsRoundTrip_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<int>("bandRows");
        QTest::newRow("every alpha, bands of 7") << testPicture(61, 50) << 7;
        QTest::newRow("one strip") << testPicture(33, 20) << 256;
        QTest::newRow("one row") << testPicture(300, 1) << 3;
        QImage blankBands(90, 100, QImage::Format_ARGB32_Premultiplied);
        blankBands.fill(Qt::transparent);
        blankBands.setPixel(5, 45, qRgba(0, 10, 20, 30));
        QTest::newRow("transparent strips around a painted one") << blankBands << 10;
    }

    void tiffBandsRoundTrip()
    {
        QFETCH(QImage, image);
        QFETCH(int, bandRows);
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QByteArray tiff
            = TiffBands::encode(image.width(), image.height(), bandRows, [&](int top, int rows) {
                  return image.copy(0, top, image.width(), rows);
              });
        QVERIFY(!tiff.isEmpty());
        QCOMPARE(differingPixels(decoded(tiff, "TIFF"), image), 0);
        QVERIFY(tiff.size() < image.sizeInBytes());
    }

    void tiffBandsRefuseWhatCannotBeWritten()
    {
        QString error;
        QVERIFY(TiffBands::encode(
                    10, 10, 4, [](int, int) { return QImage(); }, &error)
                    .isEmpty());
        QVERIFY(!error.isEmpty());
        QVERIFY(TiffBands::encode(0, 10, 4, [](int, int) {
                    return QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
                }).isEmpty());
    }

    // What is pasted is the picture at Copy, whatever the canvas does after, even once gone; in
    // both formats, TIFF offered first, every alpha and band as painted (with the paper:
    // tst_mainmenu; a new picture from them: its newFromClipboard).
    void laterPaintingIsNotPasted()
    {
        auto canvas = std::make_unique<WTView>(Rect {0, 0, 301, 700});
        const Image picture(
            testPicture(301, 700).convertToFormat(QImage::Format_ARGB32_Premultiplied));
        QVERIFY(canvas->core().setImage(&picture));
        const QImage copied = canvas->core().getImageWithBG(false)->qimage();
        canvas->copy();
        const Rect all {0, 0, 301, 700};
        QVERIFY(canvas->picture().currentLayer()->paint(
            all, all, [](QPainter &p) { p.fillRect(QRect(0, 0, 301, 700), Qt::red); }));
        QVERIFY(differingPixels(canvas->core().getImageWithBG(false)->qimage(), copied) > 0);
        const QMimeData *clip = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(clip->formats(), (QStringList {"image/tiff", "image/png"}));
        QCOMPARE(differingPixels(decoded(clip->data(QStringLiteral("image/png")), "PNG"), copied),
                 0);
        canvas.reset();
        QCOMPARE(differingPixels(decoded(clip->data(QStringLiteral("image/tiff")), "TIFF"), copied),
                 0);
    }

    // A 16384² copy costs its encoded data and a few bands, never a 1 GB flattened plane; a
    // sparse sheet, whose data is small, holds it to the tightest bound.
    void largeCopyCostsItsDataAndABand()
    {
        if (kSanitizedBuild)
            QSKIP("the sanitizer's memory hides the copy's");
        WTView canvas(Rect {0, 0, kLarge, kLarge});
        paintStrokes(canvas);
        const QImage corner = canvas.picture().flattenRows(kLarge - 300, 300, false);
        const int status = runInChild([&] {
            const qint64 start = peakResidentBytes();
            canvas.copy();
            const qint64 copied = peakResidentBytes();
            const QMimeData *clip = QGuiApplication::clipboard()->mimeData();
            qint64 largest = 0;
            for (const char *type : {"image/png", "image/tiff"}) {
                const QByteArray data = clip->data(QLatin1String(type));
                if (data.isEmpty())
                    return 2;
                largest = std::max<qint64>(largest, data.size());
            }
            const qint64 grown = peakResidentBytes() - start;
            return copied - start < 16 * kMB && grown < largest + 160 * kMB ? 0 : 1;
        }, 0, 240000);
        QCOMPARE(status, 0);
        // The bottom rows, read back from a banded PNG: the bands are in their places.
        canvas.copy();
        QBuffer png;
        png.setData(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/png")));
        QImageReader reader(&png);
        reader.setAllocationLimit(0);
        reader.setClipRect(QRect(0, kLarge - 300, kLarge, 300));
        QCOMPARE(differingPixels(reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                                 corner),
                 0);
    }

    // A copy that would not fit is refused with a reason and a beep, the clipboard kept; a sparse
    // large sheet still copies within the same memory.
    void copyTooLargeForMemoryIsRefused()
    {
        if (kSanitizedBuild)
            QSKIP("the sanitizer needs an unlimited address space");
        WTView full(Rect {0, 0, 8192, 8192}); // 256 MB of painted tiles
        paintEverything(full);
        WTView sparse(Rect {0, 0, kLarge, kLarge});
        paintStrokes(sparse);
        Told told;
        full.setQuestions(&told);
        auto *before = new QMimeData;
        before->setText(QStringLiteral("kept"));
        QGuiApplication::clipboard()->setMimeData(before);
        const int status = runInChild(
            [&] {
                const int beeps = systemBeepCount();
                full.copy();
                if (told.mNeeded <= told.mAvailable || systemBeepCount() != beeps + 1)
                    return 1;
                if (QGuiApplication::clipboard()->mimeData()->text() != QLatin1String("kept"))
                    return 2;
                sparse.copy();
                if (!clipboardPicture())
                    return 3;
                // Read from its header only: the picture itself would not fit here.
                QBuffer png;
                png.setData(
                    QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/png")));
                return QImageReader(&png, "PNG").size() == QSize(kLarge, kLarge) ? 0 : 4;
            },
            512 * kMB, 240000);
        QCOMPARE(status, 0);
        QCOMPARE(told.mNeeded, qint64(-1)); // only the child was short of memory
    }

private:
    IsolatedSettings mSettings;
};

INKPOND_TEST_MAIN(ClipboardTest)
#include "tst_clipboard.moc"
