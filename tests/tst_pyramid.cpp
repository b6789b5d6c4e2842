// The picture's pyramid against the flattened picture halved level by level: through strokes,
// erasing, undo, redo, the merge of the oldest stroke, re-framing and replaced layers, read
// between the steps so that each step is brought in over what was made before; and what it
// holds.
#include "Picture.h"
#include "PicturePyramid.h"
#include "StrokeGeometry.h"
#include "TestSupport.h"

#include <QRandomGenerator>
#include <QtTest>
#include <functional>

namespace {
constexpr int kLevels = PicturePyramid::kMaxLevels;
constexpr QRgb kUnwritten = 0xa5a5a5a5;

QRgb at(const QImage &image, int x, int yUp)
{
    return reinterpret_cast<const QRgb *>(image.constScanLine(image.height() - 1 - yUp))[x];
}

// Index 0 is the flattened picture; each level above is the one below halved, y up, with the
// pixels past its edge transparent.
std::vector<QImage> referenceLevels(const Picture &picture)
{
    std::vector<QImage> levels {picture.flatten(false)->qimage()};
    for (int level = 1; level <= kLevels; ++level) {
        const QImage &below = levels.back();
        QImage out((below.width() + 1) / 2, (below.height() + 1) / 2,
                   QImage::Format_ARGB32_Premultiplied);
        auto under = [&](int x, int y) {
            return x < below.width() && y < below.height() ? at(below, x, y) : 0;
        };
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                const QRgb p[4] = {under(2 * x, 2 * y), under(2 * x + 1, 2 * y),
                                   under(2 * x, 2 * y + 1), under(2 * x + 1, 2 * y + 1)};
                auto mean = [&](int (*channel)(QRgb)) {
                    return (channel(p[0]) + channel(p[1]) + channel(p[2]) + channel(p[3]) + 2) / 4;
                };
                reinterpret_cast<QRgb *>(out.scanLine(out.height() - 1 - y))[x]
                    = qRgba(mean(qRed), mean(qGreen), mean(qBlue), mean(qAlpha));
            }
        levels.push_back(out);
    }
    return levels;
}

// The pyramid's pixels under `window` of a level (y up) read at an offset into a larger image,
// against the reference; an empty text when all agree and nothing around the window was written.
QString mismatch(PicturePyramid &pyramid, const std::vector<QImage> &reference, int level,
                 const QRect &window)
{
    const QImage &want = reference[level];
    if (pyramid.levelPixelWidth(level) != want.width()
        || pyramid.levelPixelHeight(level) != want.height())
        return QStringLiteral("level %1 is %2 x %3, not %4 x %5")
            .arg(level)
            .arg(pyramid.levelPixelWidth(level))
            .arg(pyramid.levelPixelHeight(level))
            .arg(want.width())
            .arg(want.height());
    const QPoint offset(3, 5);
    QImage got(window.width() + 7, window.height() + 9, QImage::Format_ARGB32_Premultiplied);
    got.fill(kUnwritten);
    pyramid.readPixels(level, window, got, offset.x(), offset.y());
    const QRect inside = window.intersected(QRect(0, 0, want.width(), want.height()));
    for (int gy = 0; gy < got.height(); ++gy)
        for (int gx = 0; gx < got.width(); ++gx) {
            // Back to the level's pixel, y up.
            const int x = window.x() + gx - offset.x();
            const int y = window.y() + window.height() - 1 - (gy - offset.y());
            const QRgb expected = inside.contains(x, y) ? at(want, x, y) : kUnwritten;
            const QRgb actual = reinterpret_cast<const QRgb *>(got.constScanLine(gy))[gx];
            if (actual != expected)
                return QStringLiteral("level %1, pixel (%2, %3): %4, not %5")
                    .arg(level)
                    .arg(x)
                    .arg(y)
                    .arg(actual, 8, 16, QLatin1Char('0'))
                    .arg(expected, 8, 16, QLatin1Char('0'));
        }
    return {};
}

QString mismatchAnywhere(Picture &picture)
{
    const std::vector<QImage> reference = referenceLevels(picture);
    for (int level = 1; level <= kLevels; ++level) {
        const QString m
            = mismatch(picture.pyramid(), reference, level,
                       QRect(0, 0, reference[level].width(), reference[level].height()));
        if (!m.isEmpty())
            return m;
    }
    return {};
}

// Seeded strokes of a few segments, some starting past the sheet's edges.
class Strokes
{
public:
    explicit Strokes(Picture &picture)
        : mPicture(picture)
    {
    }

    // The sheet rectangle the stroke touched.
    Rect paint(bool erasing)
    {
        UndoLayer *snapshot = mPicture.createUndoLayer(mPicture.currentLayer());
        Q_ASSERT(snapshot);
        const Size sheet = mPicture.sheetSize();
        Point p {float(between(-10.0, sheet.width + 10.0)),
                 float(between(-10.0, sheet.height + 10.0))};
        const Color colour {float(mRng.bounded(1.0)), float(mRng.bounded(1.0)),
                            float(mRng.bounded(1.0)), float(0.3 + mRng.bounded(0.7))};
        Rect all;
        for (int i = 0, n = 1 + int(mRng.bounded(6)); i < n; ++i) {
            const Point q {p.x + float(between(-40.0, 40.0)), p.y + float(between(-40.0, 40.0))};
            const float w = float(0.5 + mRng.bounded(14.0));
            const Rect touched = lineTouchedRect(p, q, std::max(w, 1.0f));
            mPicture.paintSegment(*snapshot, p, q, w, touched, {q.x - w / 2, q.y - w / 2, w, w},
                                  erasing ? nullptr : &colour);
            all = unionRect(all, touched);
            p = q;
        }
        return all;
    }

private:
    double between(double low, double high) { return low + mRng.bounded(high - low); }

    Picture &mPicture;
    QRandomGenerator mRng {20240607};
};
} // namespace

class TestPyramid : public QObject
{
    Q_OBJECT

private slots:
    void followsThePicture_data()
    {
        QTest::addColumn<float>("opacity");
        // An opaque layer's tiles are read in place; a translucent one is composited.
        QTest::newRow("opaque layer") << 1.0f;
        QTest::newRow("translucent layer") << 0.6f;
    }

    void followsThePicture()
    {
        QFETCH(float, opacity);
        Picture picture({301, 157}, BgType::Plain);
        picture.currentLayer()->setOpacity(opacity);
        PicturePyramid &pyramid = picture.pyramid();
        Strokes strokes(picture);

        // A window around the last stroke at one level, and at times another stroke before the
        // whole is read: parts of tiles are brought in while the rest waits.
        auto strokeReadStroke = [&] {
            const Rect r = strokes.paint(false);
            const QRect window(int(r.x()) / 4 - 2, int(r.y()) / 4 - 2, int(r.width()) / 4 + 4,
                               int(r.height()) / 4 + 4);
            const QString m = mismatch(pyramid, referenceLevels(picture), 2, window);
            QVERIFY2(m.isEmpty(), qPrintable(m));
            strokes.paint(false);
        };
        auto reframe = [&picture](Rect r) { return [&picture, r] { QVERIFY(picture.resize(r)); }; };
        auto undo = [&picture] { QVERIFY(picture.undoNewest()); };
        auto replace = [&picture, opacity] {
            // Of the sheet's size: only the replacement tells the pyramid.
            auto layer = std::make_unique<Layer>(picture.sheetSize());
            QVERIFY(layer->setPixels(testPicture(333, 199)));
            layer->setOpacity(opacity);
            picture.replaceLayersWith(std::move(layer));
        };
        const std::vector<std::pair<QString, std::function<void()>>> steps = {
            {"first stroke", [&] { strokes.paint(false); }},
            {"stroke, window, stroke", strokeReadStroke},
            {"eraser", [&] { strokes.paint(true); }},
            {"undo of the eraser", undo},
            {"second undo", undo},
            {"redo", [&] { QVERIFY(picture.redoNewest()); }},
            {"a full history",
             [&] {
                 while (picture.undoLayers().size() < std::size_t(picture.undoDepth()))
                     strokes.paint(picture.undoLayers().size() % 3 == 0);
             }},
            // Each merges the oldest stroke into the layer.
            {"eleventh stroke", strokeReadStroke},
            {"eraser merging", [&] { strokes.paint(true); }},
            {"undo after merges", undo},
            {"crop at an odd offset", reframe({-7, 13, 290, 170})},
            {"stroke after the crop", strokeReadStroke},
            {"grown", reframe({0, 0, 333, 199})},
            {"moved, the size kept", reframe({-9, 4, 333, 199})},
            {"replaced layers", replace},
            {"stroke over the replaced layers", strokeReadStroke},
            {"undo over the replaced layers", undo},
        };
        for (const auto &[name, step] : steps) {
            step();
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("during %1").arg(name)));
            const QString m = mismatchAnywhere(picture);
            QVERIFY2(m.isEmpty(), qPrintable(QStringLiteral("after %1: %2").arg(name, m)));
        }
    }

    void holdsOnlyWhatIsPainted()
    {
        Picture picture({4000, 3000}, BgType::Plain);
        PicturePyramid &pyramid = picture.pyramid();
        QImage out(pyramid.levelPixelWidth(1), pyramid.levelPixelHeight(1),
                   QImage::Format_ARGB32_Premultiplied);
        // Above level 6 the rounding of each halving takes the dot away.
        constexpr int kShown = 6;
        auto readAll = [&] {
            for (int level = 1; level <= kShown; ++level)
                pyramid.readPixels(
                    level,
                    QRect(0, 0, pyramid.levelPixelWidth(level), pyramid.levelPixelHeight(level)),
                    out, 0, 0);
        };
        // A dot in the middle of a tile: one tile a level.
        const Color ink {0, 0, 0, 1};
        UndoLayer *dot = picture.createUndoLayer(picture.currentLayer());
        picture.paintSegment(*dot, {1500, 1000}, {1500, 1000}, 20, {1488, 988, 24, 24},
                             {1490, 990, 20, 20}, &ink);
        QCOMPARE(pyramid.tileCount(), qint64(0)); // nothing is made before it is read
        readAll();
        QCOMPARE(pyramid.tileCount(), qint64(kShown));
        // Undone, every level comes out transparent and gives its tile up.
        QVERIFY(picture.undoNewest());
        readAll();
        QCOMPARE(pyramid.tileCount(), qint64(0));
        QCOMPARE(pyramid.bytes(), qint64(0));
    }

    void costsAThirdOfThePicture()
    {
        Picture picture({1024, 1024}, BgType::Plain);
        QVERIFY(picture.currentLayer()->setPixels(testPicture(1024, 1024, true)));
        PicturePyramid &pyramid = picture.pyramid();
        // A window of level 2 makes only what lies under it.
        QImage out(16, 16, QImage::Format_ARGB32_Premultiplied);
        pyramid.readPixels(2, QRect(100, 100, 16, 16), out, 0, 0);
        QCOMPARE(pyramid.tileCount(), qint64(1 + 4));

        out = QImage(2, 2, QImage::Format_ARGB32_Premultiplied);
        pyramid.readPixels(kLevels, QRect(0, 0, 2, 2), out, 0, 0);
        const qint64 pictureBytes
            = qint64(picture.currentLayer()->image()->tileCount()) * 64 * 64 * 4;
        QCOMPARE(picture.currentLayer()->image()->tileCount(), std::size_t(16 * 16));
        QVERIFY2(
            pyramid.bytes() <= pictureBytes * 34 / 100,
            qPrintable(QStringLiteral("%1 of %2 bytes").arg(pyramid.bytes()).arg(pictureBytes)));
    }
};

QTEST_MAIN(TestPyramid)
#include "tst_pyramid.moc"
