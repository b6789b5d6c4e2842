// PNG written and read a band of rows at a time: exact round trips on any number of threads, Qt's
// pixels for every layout, stopping on request, and oversized or damaged files refused harmlessly.
#include "ImageCodec.h"
#include "PngBands.h"
#include "TestSupport.h"
#include "TiledImage.h"

#include <QBuffer>
#include <QtEndian>
#include <QtTest>
#include <png.h>
#include <zlib.h>

namespace {
// Every valid premultiplied (value, alpha) pair, flat and transparent runs shorter and longer
// than a band, a lone pixel, and transparent first and last bands.
QImage sourcePicture()
{
    const int w = 257, h = 620;
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int a = 0; a < 256; ++a) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(100 + a));
        for (int x = 0; x < w; ++x) {
            const int v = x % (a + 1);
            row[x] = qRgba(v, (v * 7) % (a + 1), a - v, a);
        }
    }
    for (int y = 360; y < 380; ++y)
        std::fill_n(reinterpret_cast<QRgb *>(image.scanLine(y)), w, qRgba(10, 120, 200, 255));
    image.setPixel(200, 431, qRgba(40, 30, 20, 90));
    for (int y = 440; y < 447; ++y)
        std::fill_n(reinterpret_cast<QRgb *>(image.scanLine(y)) + 3, 40, qRgba(0, 0, 50, 50));
    return image;
}

PngBands::BandSource bandsOf(const QImage &image)
{
    return [image](int top, int rows) { return image.copy(0, top, image.width(), rows); };
}

QByteArray written(const QImage &image, int workers, int bandRows,
                   const PngBands::Progress &progress = {}, PngBands::Outcome *outcome = nullptr)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    const PngBands::Outcome result = PngBands::write(buffer, image.width(), image.height(),
                                                     bandsOf(image), {bandRows, workers, progress});
    if (outcome)
        *outcome = result;
    return data;
}

// libpng's own reading, as 8-bit RGBA.
QImage libpngRead(const QByteArray &data)
{
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data.constData(), std::size_t(data.size())))
        return {};
    image.format = PNG_FORMAT_BGRA; // QImage::Format_ARGB32 in memory on little-endian machines
    QImage out(int(image.width), int(image.height), QImage::Format_ARGB32);
    if (!png_image_finish_read(&image, nullptr, out.bits(), int(out.bytesPerLine()), nullptr))
        return {};
    return out;
}

struct ReadBack
{
    PngBands::Outcome outcome = PngBands::Outcome::Failed;
    QString error;
    std::unique_ptr<TiledImage> tiles;
    QImage pixels;
};

ReadBack readInBands(const QByteArray &data, const PngBands::Progress &progress = {})
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    ReadBack back {PngBands::Outcome::Failed, {}, std::make_unique<TiledImage>(Size {}), {}};
    back.outcome = PngBands::read(buffer, back.tiles.get(), progress, &back.error);
    back.pixels = QImage(back.tiles->pixelWidth(), back.tiles->pixelHeight(),
                         QImage::Format_ARGB32_Premultiplied);
    back.pixels.fill(Qt::transparent);
    back.tiles->readPixels(back.pixels.rect(), back.pixels, 0, 0);
    return back;
}

// A PNG of any layout libpng writes, its top third transparent wherever the layout can say so.
struct Layout
{
    int type;
    int depth;
    bool interlaced = false;
    bool trns = false;
    int chunk = 0; // 1: gAMA and cHRM, 2: sRGB
    bool blackTop = false; // the top third black, as with trns
};

QByteArray layoutPng(const Layout &l, int w, int h)
{
    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<std::vector<png_byte>> rows(static_cast<std::size_t>(h));
    std::vector<png_bytep> pointers;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_benign_errors(png, 1); // palette indexes past the palette are written on purpose
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            static_cast<QByteArray *>(png_get_io_ptr(p))
                ->append(reinterpret_cast<char *>(data), qsizetype(n));
        },
        nullptr);
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), l.depth, l.type,
                 l.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const int maxSample = (1 << l.depth) - 1;
    const int paletteSize = l.depth == 8 ? 200 : (1 << l.depth);
    if (l.type == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[256];
        png_byte alpha[256];
        for (int i = 0; i < paletteSize; ++i) {
            palette[i] = {png_byte(i * 37), png_byte(255 - i), png_byte(i * 11)};
            alpha[i] = png_byte(i == 0 ? 0 : i * 29);
        }
        png_set_PLTE(png, info, palette, paletteSize);
        if (l.trns)
            png_set_tRNS(png, info, alpha, std::max(1, paletteSize / 2), nullptr);
    } else if (l.trns) {
        png_color_16 colour {};
        colour.gray = png_uint_16(l.depth == 1 ? 1 : 0);
        png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    if (l.chunk == 1) {
        png_set_gAMA(png, info, 0.7);
        png_set_cHRM(png, info, 0.3127, 0.329, 0.64, 0.33, 0.3, 0.6, 0.15, 0.06);
    } else if (l.chunk == 2) {
        png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    }
    png_write_info(png, info);
    const int channels = png_get_channels(png, info);
    const bool hasAlpha = l.type & PNG_COLOR_MASK_ALPHA;
    for (int y = 0; y < h; ++y) {
        auto &row = rows[std::size_t(y)];
        row.assign(png_get_rowbytes(png, info), 0);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c) {
                const bool clearPart = y < h / 3;
                int v
                    = int((quint32(x) * 2654435761u ^ quint32(y) * 40503u ^ quint32(c) * 977u) >> 7)
                    & maxSample;
                const bool alpha
                    = l.type == PNG_COLOR_TYPE_PALETTE || (hasAlpha && c == channels - 1);
                if (clearPart && alpha)
                    v = 0;
                else if (clearPart && (l.trns || l.blackTop))
                    v = l.depth == 1 ? 1 : 0;
                const std::size_t bit = std::size_t(x * channels + c) * std::size_t(l.depth);
                if (l.depth == 16)
                    row[bit / 8] = png_byte(v >> 8), row[bit / 8 + 1] = png_byte(v);
                else
                    row[bit / 8] |= png_byte(v << (8 - l.depth - int(bit % 8)));
            }
        pointers.push_back(row.data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

QByteArray be32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// The signature and a header, nothing more.
QByteArray headerOnly(quint32 w, quint32 h)
{
    const QByteArray ihdr = "IHDR" + be32(w) + be32(h) + QByteArray("\x08\x06\0\0\0", 5);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + be32(13) + ihdr
        + be32(quint32(crc32(0, reinterpret_cast<const Bytef *>(ihdr.constData()), 17)));
}

// Takes what it is given until its room runs out, then refuses as a full disk does.
class FullDevice : public QIODevice
{
public:
    explicit FullDevice(qint64 room) : mRoom(room) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 size) override
    {
        if (size <= mRoom)
            return mRoom -= size, size;
        setErrorString(QStringLiteral("No space left on device"));
        return -1;
    }

private:
    qint64 mRoom;
};

QImage asArgb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}
} // namespace
Q_DECLARE_METATYPE(Layout)

class PngBandsTest : public QObject
{
    Q_OBJECT

private slots:
    // Qt, libpng and the band reader read back the very pixels, unpremultiplied as Qt writes them;
    // the same bytes on any number of threads. Long runs: zeros of every length, transparent rows.
    // The widest picture a sheet holds is read, not refused.
    void writtenFilesReadBack_data()
    {
        QTest::addColumn<QImage>("source");
        QTest::addColumn<int>("bandRows");
        QTest::newRow("bands of 64 rows") << sourcePicture() << 64;
        QTest::newRow("bands of 7 rows") << sourcePicture() << 7;
        QTest::newRow("one band") << sourcePicture() << 1000;
        const int w = 3001, h = 300;
        QImage runs(w, h, QImage::Format_ARGB32_Premultiplied);
        runs.fill(Qt::transparent);
        for (int y = 0; y < h; y += (y % 50 < 40) ? 1 : 7) {
            auto *row = reinterpret_cast<QRgb *>(runs.scanLine(y));
            row[(y * 37) % w] = qRgba(1, 2, 3, 4);
            row[w - 1 - y] = qRgba(200, 100, 0, 255);
            std::fill_n(row + 100 + y, y * 9, qRgba(30, 60, 90, 200));
        }
        QTest::newRow("long runs") << runs << 32;
        for (const QSize size : {QSize(1, 1), QSize(1, 300), QSize(300, 1)})
            for (const QRgb fill : {qRgba(20, 0, 60, 128), qRgba(0, 0, 0, 0)}) {
                QImage tiny(size, QImage::Format_ARGB32_Premultiplied);
                tiny.fill(fill);
                QTest::addRow("%dx%d, alpha %d", size.width(), size.height(), qAlpha(fill))
                    << tiny << 16;
            }
        QImage widest(Image::kMaxSide, 1, QImage::Format_ARGB32_Premultiplied);
        widest.fill(Qt::black);
        QTest::newRow("as wide as a sheet") << widest << 1;
    }

    void writtenFilesReadBack()
    {
        QFETCH(QImage, source);
        QFETCH(int, bandRows);
        const QByteArray alone = written(source, 0, bandRows);
        QVERIFY(!alone.isEmpty());
        QCOMPARE(written(source, 1, bandRows), alone);
        QCOMPARE(written(source, 3, bandRows), alone);

        const QImage byQt = QImage::fromData(alone, "png");
        QCOMPARE(differingPixels(byQt, source), 0);
        QCOMPARE(libpngRead(alone), asArgb(byQt));
        QCOMPARE(asArgb(byQt),
                 asArgb(QImage::fromData(ImageCodec::encode(source, "png", -1), "png")));
        const ReadBack back = readInBands(alone);
        QVERIFY2(back.outcome == PngBands::Outcome::Done, qPrintable(back.error));
        QCOMPARE(differingPixels(back.pixels, source), 0);
    }

    // Patterns defeat run lengths alone: no file is much larger than Qt's own writer makes at its
    // default compression.
    void patternedPicturesStayNearDefaultSize_data()
    {
        QTest::addColumn<QImage>("source");
        const int side = 1024;
        QImage hatch(side, side, QImage::Format_ARGB32_Premultiplied);
        QImage noise(side, side, QImage::Format_ARGB32_Premultiplied);
        QRandomGenerator random(7);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                hatch.setPixel(x, y, (x + y) % 12 < 2 ? qRgba(0, 0, 0, 255) : 0);
                noise.setPixel(x, y, random.generate() | 0xff000000);
            }
        QTest::newRow("hatch") << hatch;
        QTest::newRow("noise") << noise;
        QTest::newRow("drawing") << sourcePicture();
    }
    void patternedPicturesStayNearDefaultSize()
    {
        QFETCH(QImage, source);
        const QByteArray banded = written(source, 0, 256);
        const QByteArray byQt = ImageCodec::encode(source, "png", -1);
        QVERIFY(banded.size() <= byQt.size() * 5 / 4);
        QCOMPARE(differingPixels(QImage::fromData(banded, "png"), source), 0);
    }

    // Stopped at the first, a middle or the last report: cancelled, writing on one thread or
    // three, and reading, with no tile left behind.
    void stopsWhenAsked()
    {
        const QImage source = sourcePicture();
        const qint64 tilesBefore = TiledImage::liveTiles();
        int calls = 0, stopAt = 0;
        double last = -1;
        const auto stop = [&](double fraction) {
            last = fraction;
            return calls++ < stopAt;
        };
        for (const int workers : {0, 3})
            for (const int at : {0, 3, 10}) {
                calls = 0;
                stopAt = at;
                PngBands::Outcome outcome = PngBands::Outcome::Done;
                written(source, workers, 64, stop, &outcome);
                QCOMPARE(outcome, PngBands::Outcome::Cancelled);
                QCOMPARE(calls, at + 1);
                QVERIFY(last >= 0.0 && last <= 1.0);
            }
        for (const QByteArray &file : {written(source, 0, 64),
                                       layoutPng({PNG_COLOR_TYPE_RGB_ALPHA, 8, true}, 150, 211)})
            for (const int at : {0, 2, 5}) {
                calls = 0;
                stopAt = at;
                QCOMPARE(readInBands(file, stop).outcome, PngBands::Outcome::Cancelled);
                QCOMPARE(calls, at + 1);
                QCOMPARE(TiledImage::liveTiles(), tilesBefore);
            }
    }

    void aWriteThatFailsSaysWhy()
    {
        const QImage source = sourcePicture();
        for (const qint64 room : {0, 40, 3000}) {
            FullDevice device(room);
            PngBands::WriteOptions options;
            options.bandRows = 32;
            QString error;
            QCOMPARE(PngBands::write(device, source.width(), source.height(), bandsOf(source),
                                     options, &error),
                     PngBands::Outcome::Failed);
            QCOMPARE(error, QStringLiteral("No space left on device"));
        }
        QString error;
        QVERIFY(PngBands::encode(10, 10, 4, [](int, int) { return QImage(); }, &error).isEmpty());
        QVERIFY(!error.isEmpty());
    }

    // Qt's whole-picture pixels for every layout; the transparent tiles are not made.
    void bandReadsEqualQtReads_data()
    {
        QTest::addColumn<Layout>("layout");
        const struct
        {
            int type;
            QList<int> depths;
        } layouts[] = {
            {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}}, {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
            {PNG_COLOR_TYPE_RGB, {8, 16}},           {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}},
            {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}},
        };
        for (const auto &l : layouts)
            for (const bool trns : {false, true})
                for (const int depth : l.depths)
                    for (const bool interlaced : {false, true})
                        if (!trns || !(l.type & PNG_COLOR_MASK_ALPHA))
                            QTest::addRow("type %d, %d bits%s%s", l.type, depth,
                                          trns ? ", tRNS" : "", interlaced ? ", interlaced" : "")
                                << Layout {l.type, depth, interlaced, trns};
        QTest::newRow("gAMA and cHRM") << Layout {PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false, 1};
        QTest::newRow("sRGB") << Layout {PNG_COLOR_TYPE_RGB, 16, false, false, 2};
    }

    void bandReadsEqualQtReads()
    {
        QFETCH(Layout, layout);
        const QByteArray file = layoutPng(layout, 150, 211);
        QVERIFY(!file.isEmpty());
        QString error;
        QImage whole = ImageCodec::decode(file, "png", &error);
        QVERIFY2(!whole.isNull(), qPrintable(error));
        if (layout.type == PNG_COLOR_TYPE_RGB && layout.depth == 16 && layout.trns) {
            // Qt 6.4 leaves part of each row undefined here: the same samples without the
            // transparent colour, then that colour made transparent.
            Layout black = layout;
            black.trns = false;
            black.blackTop = true;
            whole = ImageCodec::decode(layoutPng(black, 150, 211), "png", &error);
            for (int y = 0; y < whole.height() / 3; ++y)
                std::fill_n(reinterpret_cast<QRgb *>(whole.scanLine(y)), whole.width(), 0);
        }

        const ReadBack back = readInBands(file);
        QVERIFY2(back.outcome == PngBands::Outcome::Done, qPrintable(back.error));
        QCOMPARE(differingPixels(back.pixels, whole), 0);
        TiledImage expected(Size {float(whole.width()), float(whole.height())});
        QVERIFY(expected.setPixels(whole));
        QCOMPARE(back.tiles->tileCount(), expected.tileCount());
        for (int ty = 0; ty < expected.tileRows(); ++ty)
            for (int tx = 0; tx < expected.tileColumns(); ++tx)
                QCOMPARE(back.tiles->tileAt(tx, ty) != nullptr, expected.tileAt(tx, ty) != nullptr);
    }

    // Cut short or with a byte changed anywhere past the signature: refused, no tile left behind.
    // A header claiming more than a sheet holds is refused from the header alone, saying so.
    void damagedFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("named");
        const QByteArray plain = written(sourcePicture(), 0, 64);
        const QByteArray interlaced = layoutPng({PNG_COLOR_TYPE_PALETTE, 4, true, true}, 150, 211);
        for (const auto &[name, file] : {std::pair {"plain", plain}, {"interlaced", interlaced}}) {
            for (int part = 1; part < 24; ++part) {
                const qsizetype at = file.size() * part / 24, flip = 8 + (at - 8) * 23 / 24;
                QTest::addRow("%s cut at %lld", name, qlonglong(at)) << file.left(at) << "";
                QByteArray flipped = file;
                flipped[flip] = char(flipped[flip] ^ 0x5a);
                QTest::addRow("%s changed at %lld", name, qlonglong(flip)) << flipped << "";
            }
        }
        QTest::newRow("no header") << QByteArray("\x89PNG\r\n\x1a\n", 8) << "";
        QTest::newRow("not a PNG") << QByteArray("GIF89a") << "";
        QTest::newRow("zero width") << headerOnly(0, 10) << "";
        for (const QSize size : {QSize(100000, 100000), QSize(Image::kMaxSide + 1, 1),
                                 QSize(1, Image::kMaxSide + 1)})
            QTest::addRow("%d × %d", size.width(), size.height())
                << headerOnly(quint32(size.width()), quint32(size.height()))
                << QStringLiteral("%1 × %2 pixels; a sheet can be at most %3")
                       .arg(size.width())
                       .arg(size.height())
                       .arg(Image::kMaxSide);
    }

    void damagedFilesAreRefused()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, named);
        const qint64 tilesBefore = TiledImage::liveTiles();
        const ReadBack back = readInBands(file);
        QCOMPARE(back.outcome, PngBands::Outcome::Failed);
        QVERIFY(!back.error.isEmpty());
        QVERIFY2(back.error.contains(named), qPrintable(back.error));
        QCOMPARE(TiledImage::liveTiles(), tilesBefore);
    }

    void tilesThatCannotBeMadeAreReported()
    {
        const QByteArray file = written(sourcePicture(), 0, 64);
        TiledImage::setTileLimit(TiledImage::liveTiles() + 2);
        const ReadBack back = readInBands(file);
        TiledImage::setTileLimit(-1);
        QCOMPARE(back.outcome, PngBands::Outcome::Failed);
        QVERIFY2(back.error.contains(QStringLiteral("memory")), qPrintable(back.error));
    }
};

QTEST_MAIN(PngBandsTest)
#include "tst_pngbands.moc"
