// The view's resampler: bilinear pixels through zooms, turns and mirrors as QPainter's smooth
// transform gives them, whole pixels exactly where nothing is resampled, and the same pixels
// however the rows are shared between threads.
#include "AffineResampler.h"
#include "TestSupport.h"

#include <QPainter>
#include <QtTest>
#include <cmath>
#include <tuple>

namespace {
constexpr int kW = 200, kH = 150, kSide = 64;
constexpr QRgb kSurround = 0xffaaaaaa;

int wave(int v)
{
    v &= 511;
    return v < 256 ? v : 511 - v;
}

// Gentle slopes, as QPainter weighs turned pixels in sixteenths only; a translucent corner,
// and a hole where no tile is painted (the tile at 64…127, 64…127 from the bottom-left),
// faded into.
QImage pattern()
{
    QImage image(kW, kH, QImage::Format_ARGB32_Premultiplied);
    const QRect hole(64, kH - 128, 64, 64);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const int away = std::max({hole.left() - x, x - hole.right(), hole.top() - y,
                                       y - hole.bottom(), 0});
            const int corner = x > 150 && y > 100 ? 128 + wave(4 * (x + y)) / 2 : 255;
            const QColor c(wave(5 * x), wave(4 * y), wave(3 * (x + y)),
                           std::min(corner, 5 * away));
            image.setPixel(x, y, qPremultiply(c.rgba()));
        }
    return image;
}

// The image cut into tiles of 64 (y up), those wholly transparent left out.
struct Tiled
{
    std::vector<std::vector<quint32>> store;
    ResampleSource source;

    explicit Tiled(const QImage &image)
    {
        source.bounds = QRect(0, 0, image.width(), image.height());
        source.columns = (image.width() + kSide - 1) / kSide;
        source.rows = (image.height() + kSide - 1) / kSide;
        for (int ty = 0; ty < source.rows; ++ty)
            for (int tx = 0; tx < source.columns; ++tx) {
                std::vector<quint32> tile(kSide * kSide); // row 0 at the bottom
                bool painted = false;
                for (int y = 0; y < kSide; ++y)
                    for (int x = 0; x < kSide; ++x) {
                        const int ix = tx * kSide + x, iy = ty * kSide + y;
                        if (ix < image.width() && iy < image.height()) {
                            tile[y * kSide + x] = image.pixel(ix, image.height() - 1 - iy);
                            painted = painted || tile[y * kSide + x];
                        }
                    }
                store.push_back(painted ? std::move(tile) : std::vector<quint32>());
                source.tiles.push_back({store.back().empty() ? nullptr : store.back().data(),
                                        kSide});
            }
    }
};

// The picture's pixels (y up) to out's: scaled and turned about out's middle.
QTransform placement(double scale, double degrees, bool mirrored, QSize out)
{
    QTransform t;
    t.translate(out.width() / 2.0 + 0.3, out.height() / 2.0 - 0.2);
    t.rotate(degrees);
    t.scale(mirrored ? -scale : scale, -scale); // y up to y down
    t.translate(-kW / 2.0, -kH / 2.0);
    return t;
}

QImage surround(QSize size)
{
    QImage out(size, QImage::Format_ARGB32_Premultiplied);
    out.fill(kSurround);
    return out;
}

// What QPainter shows of `picture` (y down) through the placement.
QImage painted(const QImage &picture, const QTransform &toOut, QSize size, bool smooth)
{
    QImage out = surround(size);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    p.setTransform(QTransform(1, 0, 0, -1, 0, kH) * toOut);
    p.drawImage(0, 0, picture);
    return out;
}

// The largest difference of a channel where a pixel's centre falls well inside the picture.
int inside(const QImage &a, const QImage &b, const QTransform &toOut)
{
    const QTransform back = toOut.inverted();
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QPointF p = back.map(QPointF(x + 0.5, y + 0.5));
            if (p.x() < 1.5 || p.y() < 1.5 || p.x() > kW - 1.5 || p.y() > kH - 1.5)
                continue;
            const QRgb u = a.pixel(x, y), v = b.pixel(x, y);
            for (int shift : {0, 8, 16, 24})
                worst = std::max(worst, std::abs(int((u >> shift) & 255) - int((v >> shift) & 255)));
        }
    return worst;
}
} // namespace

class TestResampler : public QObject
{
    Q_OBJECT

private slots:
    void smoothLikeQPainter_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("degrees");
        QTest::addColumn<bool>("mirrored");
        QTest::addColumn<bool>("paper");
        // Turned, QPainter weighs in sixteenths and drops what a sum leaves over; over the
        // paper its composite rounds once more.
        QTest::addColumn<int>("tolerance");
        QTest::newRow("1/8") << 1.0 / 8 << 0.0 << false << false << 2;
        QTest::newRow("1/3") << 1.0 / 3 << 0.0 << false << true << 2;
        QTest::newRow("1/2") << 0.5 << 0.0 << false << false << 2;
        QTest::newRow("2") << 2.0 << 0.0 << false << false << 2;
        QTest::newRow("0.8 turned 15°") << 0.8 << 15.0 << false << false << 2;
        QTest::newRow("1.3 turned 15° on paper") << 1.3 << 15.0 << false << true << 3;
        QTest::newRow("0.7 turned 90°") << 0.7 << 90.0 << false << false << 2;
        QTest::newRow("0.9 turned −40° mirrored on paper") << 0.9 << -40.0 << true << true << 3;
    }

    void smoothLikeQPainter()
    {
        QFETCH(double, scale);
        QFETCH(double, degrees);
        QFETCH(bool, mirrored);
        QFETCH(bool, paper);
        QFETCH(int, tolerance);
        const QSize size(300, 260);
        QImage picture = pattern();
        Tiled tiled(picture);
        if (paper) {
            // A plain paper under the picture, its right edge half across the last column.
            tiled.source.paper = 0xfff0e8d0;
            tiled.source.paperEdge = QPointF(kW - 0.5, kH);
            QImage under(kW, kH, QImage::Format_ARGB32_Premultiplied);
            under.fill(Qt::transparent);
            QPainter p(&under);
            p.setRenderHint(QPainter::Antialiasing);
            p.fillRect(QRectF(0, 0, kW - 0.5, kH), QColor::fromRgba(tiled.source.paper));
            p.drawImage(0, 0, picture);
            p.end();
            picture = under;
        }
        const QTransform toOut = placement(scale, degrees, mirrored, size);
        QImage out = surround(size);
        AffineResampler resampler;
        resampler.resample(tiled.source, toOut.inverted(), out, out.rect());
        const QImage expected = painted(picture, toOut, size, true);
        QVERIFY2(inside(out, expected, toOut) <= tolerance,
                 qPrintable(QString::number(inside(out, expected, toOut))));
        // Nothing shows outside the picture, nor where no tile is.
        const QTransform back = toOut.inverted();
        for (QPoint p : {QPoint(0, 0), QPoint(299, 259), toOut.map(QPointF(96, 96)).toPoint()})
            if (const QPointF at = back.map(QPointF(p) + QPointF(0.5, 0.5));
                at.x() < -1 || at.y() < -1 || at.x() > kW + 1 || at.y() > kH + 1
                || (!paper && QRectF(65, 65, 62, 62).contains(at)))
                QCOMPARE(out.pixel(p), kSurround);
    }

    // Whole pixels on whole pixels, or each magnified to a square of them: exactly the
    // picture's, turned and mirrored, whichever the filter.
    void rightAngledAtWholeScalesIsExact()
    {
        const QImage picture = pattern();
        const Tiled tiled(picture);
        const QSize size(620, 620);
        for (const auto &[scale, degrees, mirrored] :
             {std::tuple {1, 0.0, true}, {1, 90.0, false}, {1, -90.0, true}, {3, 0.0, false},
              {2, 90.0, true}})
            for (const auto filter : {AffineResampler::Filter::Bilinear,
                                      AffineResampler::Filter::Nearest}) {
                if (scale > 1 && filter == AffineResampler::Filter::Bilinear)
                    continue;
                QTransform toOut;
                toOut.translate(310, 310);
                toOut.rotate(degrees);
                toOut.scale(mirrored ? -scale : scale, -scale);
                toOut.translate(-100, -75);
                QImage out = surround(size);
                AffineResampler(0).resample(tiled.source, toOut.inverted(), out, out.rect(), 0,
                                            filter);
                QCOMPARE(differingPixels(out, painted(picture, toOut, size, false)), 0);
            }
    }

    // Rows cut into bands, on threads or not, come out the same as in one.
    void bandsGiveTheSamePixels()
    {
        const Tiled tiled(pattern());
        const QSize size(301, 257);
        const QTransform toSource = placement(0.9, 15, false, size).inverted();
        QImage one = surround(size);
        AffineResampler(0).resample(tiled.source, toSource, one, one.rect(), 1);
        for (int helpers : {0, 1, 3}) {
            AffineResampler resampler(helpers);
            QImage cut = surround(size);
            resampler.resample(tiled.source, toSource, cut, cut.rect(), 7);
            QCOMPARE(cut, one);
            // Parts of the image, one after the other, as a paint event's rectangles are.
            QImage parts = surround(size);
            resampler.resample(tiled.source, toSource, parts, QRect(0, 0, 301, 100));
            resampler.resample(tiled.source, toSource, parts, QRect(0, 100, 150, 157));
            resampler.resample(tiled.source, toSource, parts, QRect(150, 100, 151, 157));
            QCOMPARE(parts, one);
        }
    }
};

INKPOND_TEST_MAIN(TestResampler)
#include "tst_resampler.moc"
