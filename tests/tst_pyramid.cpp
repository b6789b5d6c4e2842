// The picture's pyramid against the flattened picture halved level by level: through strokes,
// erasing, undo, redo, the merge of the oldest stroke, re-framing and replaced layers, read
// between the steps so that each step is brought in over what was made before; and what it
// holds.
#include "Picture.h"
#include "PicturePyramid.h"
#include "StrokeGeometry.h"
#include "TestSupport.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>
#include <functional>

namespace {
constexpr int kLevels = PicturePyramid::kMaxLevels;
constexpr QRgb kUnwritten = 0xa5a5a5a5;

// Index 0 is the flattened picture; each level above is the one below halved, y up, with the
// pixels past its edge transparent. Their rows count up.
std::vector<QImage> referenceLevels(const Picture &picture)
{
    std::vector<QImage> levels {picture.flatten(false)->qimage().mirrored()};
    while (int(levels.size()) <= kLevels)
        levels.push_back(boxFiltered(levels.back(), 1));
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
    QImage got(window.width() + 7, window.height() + 9, QImage::Format_ARGB32_Premultiplied);
    got.fill(kUnwritten);
    QImage expected = got.copy();
    pyramid.readPixels(level, window, got, 3, 5);
    const QRect inside = window.intersected(want.rect());
    QPainter painter(&expected);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(3 + inside.x() - window.x(), 5 + window.bottom() - inside.bottom(),
                      want.copy(inside).mirrored());
    painter.end();
    const qint64 differing = differingPixels(got, expected);
    return differing ? QStringLiteral("level %1: %2 pixels differ").arg(level).arg(differing)
                     : QString();
}

QString mismatchAnywhere(Picture &picture)
{
    const std::vector<QImage> reference = referenceLevels(picture);
    for (int level = 1; level <= kLevels; ++level) {
        const QString m = mismatch(picture.pyramid(), reference, level, reference[level].rect());
        if (!m.isEmpty())
            return m;
    }
    return {};
}

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
        QRandomGenerator rng(20240607);
        const auto between = [&rng](double low, double high) {
            return float(low + rng.bounded(high - low));
        };
        // A seeded stroke of a few segments, at times starting past the sheet's edges; the sheet
        // rectangle it touched.
        const auto paint = [&](bool erasing) {
            UndoLayer *snapshot = picture.createUndoLayer(picture.currentLayer());
            const Size sheet = picture.sheetSize();
            Point p {between(-10.0, sheet.width + 10.0), between(-10.0, sheet.height + 10.0)};
            const Color colour {float(rng.bounded(1.0)), float(rng.bounded(1.0)),
                                float(rng.bounded(1.0)), float(0.3 + rng.bounded(0.7))};
            Rect all;
            for (int i = 0, n = 1 + int(rng.bounded(6)); i < n; ++i) {
                const Point q {p.x + between(-40.0, 40.0), p.y + between(-40.0, 40.0)};
                const float w = float(0.5 + rng.bounded(14.0));
                const Rect touched = lineTouchedRect(p, q, std::max(w, 1.0f));
                picture.paintSegment(*snapshot, p, q, w, touched, {q.x - w / 2, q.y - w / 2, w, w},
                                     erasing ? nullptr : &colour);
                all = unionRect(all, touched);
                p = q;
            }
            return all;
        };

        // A window around the last stroke at one level, and at times another stroke before the
        // whole is read: parts of tiles are brought in while the rest waits.
        auto strokeReadStroke = [&] {
            const Rect r = paint(false);
            const QRect window(int(r.x()) / 4 - 2, int(r.y()) / 4 - 2, int(r.width()) / 4 + 4,
                               int(r.height()) / 4 + 4);
            const QString m = mismatch(pyramid, referenceLevels(picture), 2, window);
            QVERIFY2(m.isEmpty(), qPrintable(m));
            paint(false);
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
            {"first stroke", [&] { paint(false); }},
            {"stroke, window, stroke", strokeReadStroke},
            {"eraser", [&] { paint(true); }},
            {"undo of the eraser", undo},
            {"second undo", undo},
            {"redo", [&] { QVERIFY(picture.redoNewest()); }},
            {"a full history",
             [&] {
                 while (picture.undoLayers().size() < std::size_t(picture.undoDepth()))
                     paint(picture.undoLayers().size() % 3 == 0);
             }},
            // Each merges the oldest stroke into the layer.
            {"eleventh stroke", strokeReadStroke},
            {"eraser merging", [&] { paint(true); }},
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

    // What the view may lay no paper under: only where every pixel of the level is opaque, so
    // not over a hole, nor over the last column a sheet of odd size only half fills.
    void opaqueOnlyWhereEveryPixelIs()
    {
        Picture picture({300, 200}, BgType::Plain);
        PicturePyramid &pyramid = picture.pyramid();
        QImage pixels(300, 200, QImage::Format_ARGB32_Premultiplied);
        pixels.fill(0xff336699);
        QVERIFY(picture.currentLayer()->setPixels(pixels));
        QVERIFY(pyramid.opaqueUnder(1, QRect(0, 0, 150, 100)));
        QVERIFY(pyramid.opaqueUnder(2, QRect(0, 0, 75, 50)));
        // Level 3's one tile holds the column half filled (300 / 8 = 37.5): all of it counts.
        QVERIFY(!pyramid.opaqueUnder(3, QRect(0, 0, 8, 8)));
        QVERIFY(!pyramid.opaqueUnder(1, QRect(0, 0, 151, 100))); // past the level
        pixels.setPixel(10, 10, 0x80000000); // y down: level 1's (5, 94)
        QVERIFY(picture.currentLayer()->setPixels(pixels));
        pyramid.invalidate({8, 188, 4, 4}); // a change within tiles made before
        QVERIFY(!pyramid.opaqueUnder(1, QRect(0, 64, 64, 36)));
        QVERIFY(pyramid.opaqueUnder(1, QRect(64, 0, 86, 100)));
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
