// Sheet geometry, layers and their tiles: re-framing, erasing snapshots, segments across tiles,
// and what happens when tiles run out.
#include "BlendMode.h"
#include "Geometry.h"
#include "Graphics.h"
#include "Layer.h"
#include "Picture.h"
#include "StrokeGeometry.h"
#include "TestSupport.h"

#include <QRandomGenerator>
#include <QtTest>
#include <cmath>
#include <limits>
#include <optional>

namespace {
constexpr QRgb kClear = 0;
const QRgb kRed = qRgba(255, 0, 0, 255);

// A distinct colour at every pixel (y up) so that moved content can be traced.
QRgb patternAt(int x, int y)
{
    return qRgba(x % 256, y % 256, (x / 256) * 16 + y / 256, 255);
}

void paintPattern(Layer &layer)
{
    QImage pattern(layer.image()->pixelWidth(), layer.image()->pixelHeight(),
                   QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x)
            pattern.setPixel(x, pattern.height() - 1 - y, patternAt(x, y));
    QVERIFY(layer.setPixels(pattern));
}

void fill(Layer &layer, const Rect &r, const Color &c)
{
    layer.lockFocus();
    Graphics::setColor(c);
    Graphics::fillRect(r);
    layer.unlockFocus();
}

// One stroke of a segment from a to b into a new snapshot of the picture; erasing without ink.
bool strokeOnce(Picture &picture, Point a, Point b, float width, const Color *ink)
{
    UndoLayer *s = picture.createUndoLayer(picture.currentLayer());
    const Rect touched
        = integralRect({std::min(a.x, b.x) - width, std::min(a.y, b.y) - width,
                        std::abs(b.x - a.x) + 2 * width, std::abs(b.y - a.y) + 2 * width});
    return s && picture.paintSegment(*s, a, b, width, touched, {}, ink);
}

} // namespace

class TestLayer : public QObject
{
    Q_OBJECT

private slots:
    void reframe_data()
    {
        QTest::addColumn<Rect>("r");
        QTest::addColumn<bool>("painted"); // false: a layer that has no image yet
        // Old pixel (px, py) lands at (px − x, py − y) when inside the new image.
        QTest::newRow("own bounds") << Rect(0, 0, 100, 80) << true;
        QTest::newRow("negative origin") << Rect(-10, -20, 120, 100) << true;
        QTest::newRow("inner crop") << Rect(30, 40, 50, 20) << true;
        QTest::newRow("out of range") << Rect(200, 200, 50, 50) << true;
        QTest::newRow("no image yet") << Rect(5, 5, 40, 30) << false;
        // Across tiles: offsets that are not tile multiples copy, whole-tile offsets move tiles.
        QTest::newRow("tiles, odd offset") << Rect(-13, 7, 280, 250) << true;
        QTest::newRow("tiles, whole-tile offset") << Rect(64, -128, 300, 300) << true;
        QTest::newRow("tiles, fractional offset") << Rect(20.5f, -3.25f, 150, 100) << true;
    }

    void reframe()
    {
        QFETCH(Rect, r);
        QFETCH(bool, painted);
        const bool tiled = QByteArray(QTest::currentDataTag()).startsWith("tiles");
        const Size old = tiled ? Size {300, 200} : Size {100, 80};
        Layer layer(painted ? old : Size());
        if (painted)
            paintPattern(layer);
        layer.viewBoundsDidChange(r);
        QCOMPARE(layer.size(), r.size);
        const TiledImage &img = *layer.image();
        for (int ny = 0; ny < img.pixelHeight(); ++ny)
            for (int nx = 0; nx < img.pixelWidth(); ++nx) {
                // Whole pixels move by the rounded offset.
                const int ox = nx + int(std::lround(r.x()));
                const int oy = ny + int(std::lround(r.y()));
                const bool inside
                    = painted && ox >= 0 && ox < int(old.width) && oy >= 0 && oy < int(old.height);
                const QRgb expected = inside ? patternAt(ox, oy) : kClear;
                if (img.pixel(nx, ny) != expected)
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) wrong").arg(nx).arg(ny)));
            }
    }

    void eraseSnapshotNeverCutsTheBackground()
    {
        // Paper below, a red layer, an eraser stroke over its left half: the paper shows through.
        Image view(Size {10, 10});
        view.qimage().fill(QColor::fromRgbF(1.0f, 1.0f, 0.98f));
        const QRgb paperPixel = view.pixel(0, 0);

        Layer layer(Size {10, 10});
        fill(layer, Rect(0, 0, 10, 10), {1, 0, 0, 1});
        UndoLayer eraser(Size {10, 10});
        eraser.setLayer(&layer);
        eraser.setBlitType(BlitType::Erase);
        fill(eraser, Rect(0, 0, 5, 10), {0, 0, 0, 1});

        // Drawn as the canvas draws it: the snapshot over the layer.
        Graphics::lockFocus(view);
        layer.initRender(Rect(0, 0, 10, 10));
        eraser.drawRect(Rect(0, 0, 10, 10));
        layer.endRender();
        layer.renderToRect(Rect(0, 0, 10, 10));
        Graphics::unlockFocus();
        QCOMPARE(view.pixel(2, 5), paperPixel);
        QCOMPARE(view.pixel(7, 5), kRed);
        // The layer itself is untouched while the stroke is only a snapshot.
        QCOMPARE(layer.image()->pixel(2, 5), kRed);
    }

    void segmentsAcrossTileCorners_data()
    {
        QTest::addColumn<Point>("from");
        QTest::addColumn<Point>("to");
        QTest::addColumn<float>("width");
        constexpr float T = TiledImage::kTileSide;
        QTest::newRow("through a corner")
            << Point {T - 9.3f, T - 7.1f} << Point {T + 8.6f, T + 9.4f} << 6.0f;
        QTest::newRow("along a tile edge") << Point {3, T} << Point {3 * T + 5, T} << 4.5f;
        QTest::newRow("dot on a corner") << Point {2 * T, T} << Point {2 * T, T} << 11.0f;
        QTest::newRow("wide, over nine tiles")
            << Point {T - 30, T - 30} << Point {2 * T + 30, 2 * T + 20} << 70.0f;
        QTest::newRow("thinner than a pixel")
            << Point {T - 2.5f, 10} << Point {T + 3.5f, 2 * T + 1} << 0.4f;
    }

    void segmentsAcrossTileCorners()
    {
        // The same segment on a plain image of the sheet gives the same pixels.
        QFETCH(Point, from);
        QFETCH(Point, to);
        QFETCH(float, width);
        const Color colour {0.2f, 0.5f, 0.9f, 0.8f};
        const Rect touched
            = lineTouchedRect(from, to, std::max(width, 1.0f)); // as the canvas widens it
        const Rect dot {to.x - width / 2, to.y - width / 2, width, width};
        Picture picture({250, 200}, BgType::Plain);
        UndoLayer &snapshot = *picture.createUndoLayer(picture.currentLayer());
        QVERIFY(picture.paintSegment(snapshot, from, to, width, touched, dot, &colour));
        QImage plain(250, 200, QImage::Format_ARGB32_Premultiplied);
        plain.fill(Qt::transparent);
        // The colour's alpha is the snapshot's opacity; its coverage goes in at full strength.
        StrokeRaster::paint(plain, {0, 0}, Picture::roundSegment(from, to, width, dot),
                            colour.withAlpha(1).toQColor(), InkCombine::Max,
                            snapshot.image()->pixelRect(insetRect(touched, -2, -2)));
        QCOMPARE(differingPixels(snapshot.toQImage(), plain, 1), 0);
        QCOMPARE(snapshot.opacity(), float(colour.toQColor().alphaF()));
        // Only the tiles under the segment were made.
        const int spanned = int(std::ceil(touched.maxX() / 64) - std::floor(touched.x() / 64))
            * int(std::ceil(touched.maxY() / 64) - std::floor(touched.y() / 64));
        QVERIFY(snapshot.image()->tileCount() <= std::size_t(spanned));
    }

    void failedTileKeepsWhatWasPainted()
    {
        Picture picture({500, 100}, BgType::Plain);
        UndoLayer &snapshot = *picture.createUndoLayer(picture.currentLayer());
        const Color ink {1, 0, 0, 1};
        QVERIFY(picture.paintSegment(snapshot, {10, 50}, {20, 50}, 8, {0, 40, 40, 20}, {}, &ink));
        TiledImage::setTileLimit(TiledImage::liveTiles());
        const bool painted
            = picture.paintSegment(snapshot, {20, 50}, {300, 50}, 8, {10, 40, 300, 20}, {}, &ink);
        TiledImage::setTileLimit(-1);
        QVERIFY(!painted);
        // The existing tile took its part.
        QVERIFY(snapshot.image()->pixel(15, 50) == kRed && snapshot.image()->pixel(40, 50) == kRed
                && snapshot.image()->pixel(200, 50) == kClear);
    }

    // Merging a snapshot into its layer gives the pixels it showed over it: the same strokes,
    // translucent and erasing among them, flatten alike whatever the depth, none undone.
    void depthNeverChangesThePicture()
    {
        QImage reference;
        for (const int depth : {10, 1, 37, 100}) {
            Picture picture({300, 200}, BgType::Plain);
            picture.setUndoDepth(depth);
            QRandomGenerator rng(7); // the same strokes at every depth
            for (int i = 0; i < 120; ++i) {
                const Point a {float(rng.bounded(300)), float(rng.bounded(200))};
                const Point b {a.x + float(rng.bounded(-60, 60)),
                               a.y + float(rng.bounded(-60, 60))};
                std::optional<Color> ink;
                if (rng.bounded(5) != 0)
                    ink = Color {float(rng.generateDouble()), float(rng.generateDouble()),
                                 float(rng.generateDouble()), rng.bounded(2) ? 1.0f : 0.4f};
                const float width = float(rng.bounded(1, 25));
                QVERIFY(strokeOnce(picture, a, b, width, ink ? &*ink : nullptr));
            }
            QCOMPARE(picture.undoLayers().size(), std::size_t(depth));
            const QImage flat = picture.flatten(true)->qimage();
            if (reference.isNull())
                reference = flat;
            QVERIFY2(differingPixels(flat, reference) == 0, qPrintable(QString::number(depth)));
        }
    }

    // A deep history on a vast sheet costs the tiles its strokes painted, not the sheet; undone,
    // they are kept to be redone until a new stroke drops them.
    void historyHoldsOnlyPaintedTiles()
    {
        const qint64 start = TiledImage::liveTiles();
        Picture picture({16000, 16000}, BgType::Plain);
        picture.setUndoDepth(Picture::kMaxUndoDepth);
        const Color ink {0, 0, 0, 1};
        for (int i = 0; i < 100; ++i) {
            const Point a {150.0f * float(i % 100) + 40, 160.0f * float(i) + 40};
            QVERIFY(strokeOnce(picture, a, {a.x + 6, a.y + 3}, 4, &ink));
        }
        QCOMPARE(picture.undoLayers().size(), std::size_t(100));
        QVERIFY(picture.currentLayer()->image()->isEmpty()); // nothing merged
        qint64 held = 0;
        for (const auto &s : picture.undoLayers())
            held += qint64(s->image()->tileCount());
        QVERIFY(held >= 100 && held <= 4 * 100); // a dab spans at most four tiles
        QCOMPARE(TiledImage::liveTiles() - start, held);
        while (picture.undoNewest()) { }
        QCOMPARE(TiledImage::liveTiles() - start, held);
        picture.createUndoLayer(picture.currentLayer());
        QCOMPARE(TiledImage::liveTiles(), start);
    }

    // The depth is clamped. Lowered below what is held with what is undone, the redo that still
    // fits is the one to be redone next.
    void loweredDepthKeepsTheNextRedo()
    {
        Picture picture({400, 100}, BgType::Plain);
        picture.setUndoDepth(0);
        QCOMPARE(picture.undoDepth(), Picture::kMinUndoDepth);
        picture.setUndoDepth(1000);
        QCOMPARE(picture.undoDepth(), Picture::kMaxUndoDepth);
        const Color ink {0, 0, 1, 1};
        for (int i = 0; i < 5; ++i)
            QVERIFY(strokeOnce(picture, {20.0f + 45 * i, 50}, {30.0f + 45 * i, 50}, 8, &ink));
        const UndoLayer *third = picture.undoLayers()[2].get();
        for (int i = 0; i < 3; ++i)
            QVERIFY(picture.undoNewest());
        QVERIFY(picture.setUndoDepth(3));
        QCOMPARE(picture.undoLayers().size(), std::size_t(2));
        QCOMPARE(picture.redoNewest(), third);
        QVERIFY(!picture.redoNewest());
    }

    void integralAndEmpty_data()
    {
        QTest::addColumn<Rect>("in");
        QTest::addColumn<Rect>("integral");
        QTest::addColumn<bool>("empty");
        auto row = [](const char *name, Rect in, Rect integral, bool empty = false) {
            QTest::newRow(name) << in << integral << empty;
        };
        row("whole stays", {1, 2, 3, 4}, {1, 2, 3, 4});
        row("fractions widen", {0.5f, 0.5f, 1.0f, 1.0f}, {0, 0, 2, 2});
        row("negative origin floors", {-1.5f, -0.2f, 1.0f, 0.1f}, {-2, -1, 2, 1});
        row("tiny is not empty", {0, 0, 1e-6f, 1e-6f}, {0, 0, 1, 1});
        row("zero width is empty", {3, 3, 0, 5}, Rect(), true);
        row("negative width is empty", {0, 0, -1, 5}, Rect(), true);
        row("negative height is empty", {3, 3, 5, -1}, Rect(), true);
        row("not a number is empty", {0, 0, std::numeric_limits<float>::quiet_NaN(), 5}, Rect(),
            true);
    }

    void integralAndEmpty()
    {
        QFETCH(Rect, in);
        QTEST(integralRect(in), "integral");
        QTEST(isEmptyRect(in), "empty");
    }

    // Layer steps share the history with strokes: past its depth the oldest merge for good, the
    // rest undo and redo to the very pixels shown, layers moved, merged and flattened included.
    void layerStepsUndoAndRedoWithStrokes()
    {
        Picture picture({200, 150}, BgType::Plain);
        QVERIFY(picture.setUndoDepth(4));
        const Color red {1, 0, 0, 1}, blue {0, 0, 1, 0.8f};
        std::vector<QImage> shown;
        auto step = [&](bool done) {
            QVERIFY(done);
            shown.push_back(picture.flatten(false)->qimage());
        };
        step(strokeOnce(picture, {20, 20}, {180, 20}, 10, &red));
        QVERIFY(!picture.deleteLayer(0) && !picture.mergeLayerDown(0)); // a lone layer stays
        step(picture.addLayer(1, {QStringLiteral("Top")}));
        step(strokeOnce(picture, {100, 0}, {100, 150}, 10, &blue));
        QCOMPARE(picture.currentLayer(), picture.layers()[1].get());
        LayerProperties p = picture.layers()[1]->properties();
        p.mode = BlendMode::Multiply;
        p.opacity = 0.5f;
        step(picture.setLayerProperties(1, p));
        step(picture.moveLayer(1, 0));
        step(picture.duplicateLayer(0, QStringLiteral("Copy")));
        step(picture.mergeLayerDown(1));
        step(picture.flattenLayers());
        QCOMPARE(picture.layers().size(), std::size_t(1));
        for (int i = 0; i < 4; ++i)
            QVERIFY(picture.undoNewest());
        QVERIFY(!picture.undoNewest()); // the depth reaches no further
        const std::size_t at = shown.size() - 5;
        QCOMPARE(differingPixels(picture.flatten(false)->qimage(), shown[at]), 0);
        QVERIFY(picture.layers().size() == 2 && picture.layers()[1]->name() == QStringLiteral("Top")
                && picture.layers()[1]->blendMode() == BlendMode::Multiply);
        for (std::size_t i = at + 1; i < shown.size(); ++i) {
            QVERIFY(picture.redoNewest());
            QCOMPARE(differingPixels(picture.flatten(false)->qimage(), shown[i]), 0);
        }
        // A resize reaches the layers the history alone keeps.
        QVERIFY(picture.resize({-10, -10, 220, 170}));
        for (int i = 0; i < 4; ++i)
            QVERIFY(picture.undoNewest());
        for (const auto &layer : picture.layers())
            QCOMPARE(layer->size(), (Size {220, 170}));
    }

    // Layers the pen is not on show from a kept composite: it shows what they would one by one,
    // whichever layer is current, and follows their pixels, strokes and properties.
    void keptCompositeFollowsTheLayers()
    {
        Picture picture({300, 200}, BgType::Plain);
        const Color red {1, 0, 0, 0.7f}, blue {0, 0, 1, 1}, green {0, 1, 0, 0.5f};
        QVERIFY(strokeOnce(picture, {10, 10}, {290, 190}, 12, &red));
        QVERIFY(picture.addLayer(1, {QStringLiteral("B")}));
        QVERIFY(strokeOnce(picture, {10, 190}, {290, 10}, 20, &blue));
        QVERIFY(picture.addLayer(2, {QStringLiteral("C")}));
        QVERIFY(strokeOnce(picture, {150, 0}, {150, 200}, 30, &green));
        QVERIFY(picture.addLayer(3, {QStringLiteral("D")}));
        // Over the paper too, where layers in other modes join the composite under the pen.
        auto sameWhicheverIsCurrent = [&] {
            for (const bool paper : {false, true}) {
                QVERIFY(picture.setCurrentLayer(0));
                const QImage alone = picture.flatten(paper)->qimage();
                for (int current : {1, int(picture.layers().size()) - 1}) {
                    QVERIFY(picture.setCurrentLayer(current));
                    QCOMPARE(differingPixels(picture.flatten(paper)->qimage(), alone, 1), 0);
                }
            }
        };
        sameWhicheverIsCurrent();
        const QImage before = picture.flatten(false)->qimage();
        fill(*picture.layers()[1], {100, 50, 40, 40}, {1, 1, 0, 1});
        QVERIFY(differingPixels(picture.flatten(false)->qimage(), before) > 0);
        sameWhicheverIsCurrent();
        LayerProperties p = picture.layers()[0]->properties();
        p.opacity = 0.3f;
        QVERIFY(picture.setLayerProperties(0, p));
        sameWhicheverIsCurrent();
        for (const auto &[index, mode] : {std::pair {1, BlendMode::Multiply},
                                          std::pair {2, BlendMode::Screen}}) {
            p = picture.layers()[std::size_t(index)]->properties();
            p.mode = mode;
            QVERIFY(picture.setLayerProperties(index, p));
            sameWhicheverIsCurrent();
        }
        QVERIFY(picture.undoNewest() && picture.undoNewest() && picture.undoNewest());
        sameWhicheverIsCurrent(); // the green stroke undone
    }

    // An alpha-locked layer takes paint only where it is painted.
    void alphaLockedLayerKeepsItsShape()
    {
        Picture picture({64, 64}, BgType::Plain);
        fill(*picture.currentLayer(), {0, 0, 32, 64}, {0, 0, 0, 1});
        LayerProperties p = picture.currentLayer()->properties();
        p.alphaLocked = true;
        QVERIFY(picture.setLayerProperties(0, p));
        const Color red {1, 0, 0, 1};
        QVERIFY(strokeOnce(picture, {4, 32}, {60, 32}, 8, &red));
        const QImage shown = picture.flatten(false)->qimage();
        QVERIFY(shown.pixel(10, 31) == kRed && shown.pixel(50, 31) == kClear);
    }

    // The text form, as recordings keep rectangles, reads back exactly; unreadable text is the
    // zero rectangle. (The arithmetic and the flip to Qt's coordinates are in every pixel test.)
    void rectangleTextReadsBackExactly()
    {
        for (const Rect &r :
             {Rect(0.1f, -50.25f, 640.7f, 480.2f), Rect(-1e7f, 3.3333333f, 1e-3f, 32767), Rect()})
            QCOMPARE(rectFromString(stringFromRect(r)), r);
        QCOMPARE(rectFromString(QStringLiteral("hello")), Rect());
        QCOMPARE(rectFromString(QString()), Rect());
    }
};

QTEST_MAIN(TestLayer)
#include "tst_layer.moc"
