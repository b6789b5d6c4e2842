#include "Graphics.h"
#include "Layer.h"
#include "TestSupport.h"

#include <QtTest>

namespace {
constexpr QRgb kClear = 0;
const QRgb kRed = qRgba(255, 0, 0, 255);

// Paints a distinct colour at every pixel so that moved content can be traced.
void paintPattern(Layer &layer)
{
    layer.lockFocus();
    const Size s = layer.size();
    for (int y = 0; y < int(s.height); ++y)
        for (int x = 0; x < int(s.width); ++x) {
            Graphics::setColor({x / 255.0f, y / 255.0f, 0.5f, 1.0f});
            Graphics::fillRect(Rect(float(x), float(y), 1, 1));
        }
    layer.unlockFocus();
}

QRgb patternAt(int x, int y)
{
    return QColor::fromRgbF(x / 255.0f, y / 255.0f, 0.5f, 1.0f).rgba();
}

void fill(Layer &layer, const Rect &r, const Color &c)
{
    layer.lockFocus();
    Graphics::setColor(c);
    Graphics::fillRect(r);
    layer.unlockFocus();
}
// The layer as the canvas draws it into the target: with a snapshot over it, if any.
void render(Image &target, Layer &layer, const Rect &r, Layer *snapshot = nullptr)
{
    Graphics::lockFocus(target);
    layer.initRender(r);
    if (snapshot)
        snapshot->drawRect(r);
    layer.endRender();
    layer.renderToRect(r);
    Graphics::unlockFocus();
}
} // namespace

class TestLayer : public QObject
{
    Q_OBJECT

private slots:
    void enabledThresholds();
    void blitTypes();
    void reframe_data();
    void reframe();
    void renderImageReusedAcrossRectangles();
    void renderImageReplacedAfterReframe();
    void pixelRowsCountFromTheBottom();
    void eraseSnapshotNeverCutsTheBackground();
};

void TestLayer::enabledThresholds()
{
    Layer layer(Size {4, 4});
    layer.setOpacity(0.0009f);
    QVERIFY(!layer.isEnabled());
    layer.setOpacity(0.001f);
    QVERIFY(layer.isEnabled());
    layer.setEnabled(false);
    QVERIFY(!layer.isEnabled());
    QVERIFY(!Layer().isEnabled());
    QCOMPARE(Layer().size(), Size());
}

void TestLayer::blitTypes()
{
    // Every type but 2 lays half red over blue, premultiplied, all alike.
    QImage first;
    for (const int type : {0, 1, 3}) {
        Layer dest(Size {10, 10});
        fill(dest, Rect(0, 0, 10, 10), {0, 0, 1, 1});
        Layer src(Size {10, 10});
        fill(src, Rect(2, 2, 4, 4), {1, 0, 0, 0.5f});
        src.setBlitType(type);
        dest.lockFocus();
        src.drawRect(Rect(0, 0, 10, 10));
        dest.unlockFocus();
        if (first.isNull())
            first = dest.image()->qimage().copy();
        QCOMPARE(differingPixels(dest.image()->qimage(), first), 0);
    }
    QCOMPARE(qAlpha(first.pixel(3, 5)), 255);
    QVERIFY(qRed(first.pixel(3, 5)) > 100 && qBlue(first.pixel(3, 5)) > 100);
    // Type 2 erases where the stroke is, whatever its colour.
    for (const Color &strokeColour :
         {Color {0, 0, 0, 1}, Color {1, 1, 1, 1}, Color {0.2f, 0.9f, 0.1f, 1}}) {
        Layer dest(Size {10, 10});
        fill(dest, Rect(0, 0, 10, 10), {1, 0, 0, 1});
        Layer eraser(Size {10, 10});
        fill(eraser, Rect(0, 0, 5, 10), strokeColour);
        eraser.setBlitType(2);
        dest.lockFocus();
        eraser.drawRect(Rect(0, 0, 10, 10));
        dest.unlockFocus();
        QCOMPARE(dest.image()->pixel(2, 5), kClear);
        QCOMPARE(dest.image()->pixel(7, 5), kRed);
    }
}

void TestLayer::reframe_data()
{
    QTest::addColumn<Rect>("r");
    QTest::addColumn<bool>("painted"); // false: a layer that has no image yet
    // Old pixel (px, py) lands at (px − x, py − y) when inside the new image.
    QTest::newRow("own bounds") << Rect(0, 0, 100, 80) << true;
    QTest::newRow("grow") << Rect(0, 0, 200, 150) << true;
    QTest::newRow("negative origin") << Rect(-10, -20, 120, 100) << true;
    QTest::newRow("inner crop") << Rect(30, 40, 50, 20) << true;
    QTest::newRow("out of range") << Rect(200, 200, 50, 50) << true;
    QTest::newRow("shrink") << Rect(0, 0, 60, 30) << true;
    QTest::newRow("no image yet") << Rect(5, 5, 40, 30) << false;
}

void TestLayer::reframe()
{
    QFETCH(Rect, r);
    QFETCH(bool, painted);
    Layer layer(painted ? Size {100, 80} : Size());
    if (painted)
        paintPattern(layer);
    layer.viewBoundsDidChange(r);
    QCOMPARE(layer.size(), r.size);
    const Image &img = *layer.image();
    for (int ny = 0; ny < int(r.height()); ++ny)
        for (int nx = 0; nx < int(r.width()); ++nx) {
            const int ox = nx + int(r.x());
            const int oy = ny + int(r.y());
            const bool inside = painted && ox >= 0 && ox < 100 && oy >= 0 && oy < 80;
            const QRgb expected = inside ? patternAt(ox, oy) : kClear;
            if (img.pixel(nx, ny) != expected)
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) wrong").arg(nx).arg(ny)));
        }
}

void TestLayer::renderImageReusedAcrossRectangles()
{
    // Layer red on the left half; a snapshot paints green over the whole top row band.
    Layer layer(Size {20, 20});
    fill(layer, Rect(0, 0, 10, 20), {1, 0, 0, 1});
    Layer snapshot(Size {20, 20});
    fill(snapshot, Rect(0, 15, 20, 5), {0, 1, 0, 1});

    Image target(Size {20, 20});
    render(target, layer, Rect(0, 0, 20, 20), &snapshot);
    const Image *renderImage = layer.renderImage();
    // Change the layer, then render two small rectangles with the reused render image.
    fill(layer, Rect(10, 0, 10, 20), {0, 0, 1, 1});
    Graphics::lockFocus(target);
    Graphics::fillRect(Rect(0, 0, 20, 20), CompositeOp::Clear);
    Graphics::unlockFocus();
    render(target, layer, Rect(12, 2, 4, 4), &snapshot);
    render(target, layer, Rect(0, 16, 4, 4), &snapshot);
    QCOMPARE(layer.renderImage(), renderImage);
    QCOMPARE(target.pixel(13, 3), qRgba(0, 0, 255, 255)); // new blue, not the stale transparent
    QCOMPARE(target.pixel(1, 17), qRgba(0, 255, 0, 255)); // green snapshot over red
    QCOMPARE(target.pixel(8, 8), kClear); // outside both rectangles: untouched
}

void TestLayer::renderImageReplacedAfterReframe()
{
    Layer layer(Size {20, 20});
    fill(layer, Rect(0, 0, 20, 20), {1, 0, 0, 1});
    Image before(Size {20, 20});
    render(before, layer, Rect(0, 0, 20, 20));
    layer.viewBoundsDidChange(Rect(-10, -10, 40, 40));
    Image target(Size {40, 40});
    render(target, layer, Rect(0, 0, 40, 40));
    QCOMPARE(layer.renderImage()->size(), (Size {40, 40}));
    QCOMPARE(target.pixel(5, 5), kClear);
    QCOMPARE(target.pixel(15, 15), kRed);
    QCOMPARE(target.pixel(35, 35), kClear);
}

void TestLayer::pixelRowsCountFromTheBottom()
{
    // A fill at y = 0 must land on the bottom row of Qt's top-down storage.
    Layer layer(Size {10, 10});
    fill(layer, Rect(0, 0, 10, 1), {1, 0, 0, 1});
    QCOMPARE(layer.image()->qimage().pixel(0, 9), kRed);
    QCOMPARE(layer.image()->qimage().pixel(0, 0), kClear);
    // Fractional heights take a whole row more; y = 0 is still the bottom row.
    Layer odd(Size {10.5f, 10.5f});
    fill(odd, Rect(0, 0, 10, 1), {1, 0, 0, 1});
    QCOMPARE(odd.image()->qimage().height(), 11);
    QCOMPARE(odd.image()->qimage().pixel(0, 10), kRed);
}

void TestLayer::eraseSnapshotNeverCutsTheBackground()
{
    // Paper below, a red layer, an eraser stroke over its left half: the paper shows through.
    const Color paper {1.0f, 1.0f, 0.98f, 1.0f};
    Image view(Size {10, 10});
    Graphics::lockFocus(view);
    Graphics::setColor(paper);
    Graphics::fillRect(Rect(0, 0, 10, 10));
    Graphics::unlockFocus();
    const QRgb paperPixel = view.pixel(0, 0);

    Layer layer(Size {10, 10});
    fill(layer, Rect(0, 0, 10, 10), {1, 0, 0, 1});
    UndoLayer eraser(Size {10, 10});
    eraser.setLayer(&layer);
    eraser.setBlitType(2);
    fill(eraser, Rect(0, 0, 5, 10), {0, 0, 0, 1});

    render(view, layer, Rect(0, 0, 10, 10), &eraser);
    QCOMPARE(view.pixel(2, 5), paperPixel);
    QCOMPARE(view.pixel(7, 5), kRed);
    // The layer itself is untouched while the stroke is only a snapshot.
    QCOMPARE(layer.image()->pixel(2, 5), kRed);
}

QTEST_MAIN(TestLayer)
#include "tst_layer.moc"
