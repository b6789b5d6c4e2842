// The ink as a painter sees it: even edges, smooth tapers, one coverage per stroke, and each
// brush's own profile, driven through the canvas core as a pen would drive it; and strokes a
// point wide or less at the far edges of the widest sheets, alike in tiles and on a plain image.
#include "CanvasCore.h"
#include "PenSettings.h"
#include "Picture.h"
#include "Preferences.h"
#include "StrokeGeometry.h"
#include "StrokeRaster.h"
#include "TestSupport.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <set>

namespace {

struct Sample
{
    Point at;
    float pressure = 1.0f;
    float tiltX = 0.0f;
    float tiltY = 0.0f;
};

class Canvas
{
public:
    explicit Canvas(Size sheet = {300, 200})
        : mStore(mDir.filePath(QStringLiteral("ink.conf")))
        , core(sheet, mStore)
    {
    }

    void use(BrushKind kind, float width, const QColor &colour = Qt::black)
    {
        core.setActiveColor(1);
        core.penSettings().setBrushKind(0, kind);
        core.setBrushSize(width);
        const Color c = Color::fromQColor(colour);
        core.setColor(&c);
    }

    void stroke(const std::vector<Sample> &samples, bool tablet = true)
    {
        auto sample = [&](const Sample &s) {
            return PointerSample {s.at, s.pressure, tablet, {}, PointerType::Pen, s.tiltX, s.tiltY};
        };
        core.take(SampleKind::Press, sample(samples.front()));
        for (const Sample &s : samples)
            core.take(SampleKind::Move, sample(s));
        core.take(SampleKind::Release, sample(samples.back()));
    }

    // Alpha of sheet pixel (x, y), y up, as the picture shows it.
    int alpha(int x, int y)
    {
        if (mFlat.isNull())
            mFlat = core.getImageWithBG(false)->qimage();
        return qAlpha(mFlat.pixel(x, mFlat.height() - 1 - y));
    }

private:
    QTemporaryDir mDir;
    Preferences mStore;

public:
    CanvasCore core;

private:
    QImage mFlat;
};

std::vector<Sample> line(Point from, Point step, int count, float p0 = 1.0f, float p1 = 1.0f)
{
    std::vector<Sample> samples;
    for (int i = 0; i < count; ++i) {
        const float t = count > 1 ? float(i) / float(count - 1) : 0.0f;
        samples.push_back(
            {{from.x + step.x * float(i), from.y + step.y * float(i)}, p0 + (p1 - p0) * t});
    }
    return samples;
}

// Painted pixels of column x, in alphas summed to whole pixels.
float columnWidth(Canvas &c, int x, int y0, int y1)
{
    float sum = 0;
    for (int y = y0; y < y1; ++y)
        sum += float(c.alpha(x, y)) / 255.0f;
    return sum;
}

} // namespace

class TestInk : public QObject
{
    Q_OBJECT

private slots:
    // Between two samples the width follows the pressure, without a plateau and a jump.
    void pressureTaperRisesSmoothly()
    {
        Canvas c;
        c.use(BrushKind::Pen, 40);
        c.stroke(line({20, 100}, {12, 0}, 20, 0.1f, 1.0f));
        const int x0 = 32, x1 = 220; // past the round start, before the round end
        const float mean
            = (columnWidth(c, x1, 40, 160) - columnWidth(c, x0, 40, 160)) / float(x1 - x0);
        QVERIFY(mean > 0.1f);
        for (int x = x0; x + 3 <= x1; ++x) {
            const float rise = columnWidth(c, x + 3, 40, 160) - columnWidth(c, x, 40, 160);
            QVERIFY(rise <= 2 * 3 * mean);
        }
    }

    // A stroke that goes back over itself, or rests on one spot, is no darker than one pass.
    void oneStrokeCoversEachPixelOnce_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("onOneSpot");
        for (const BrushKind kind :
             {BrushKind::Pen, BrushKind::Pencil, BrushKind::Airbrush, BrushKind::Marker}) {
            const QByteArray name = Brush::name(kind).toLatin1();
            QTest::newRow(name + " back over itself") << int(kind) << false;
            QTest::newRow(name + " on one spot") << int(kind) << true;
        }
    }

    void oneStrokeCoversEachPixelOnce()
    {
        QFETCH(int, kind);
        QFETCH(bool, onOneSpot);
        Canvas once, many;
        const QColor ink(20, 40, 200, 128);
        once.use(BrushKind(kind), 14, ink);
        many.use(BrushKind(kind), 14, ink);
        if (onOneSpot) {
            once.stroke({{{150.3f, 100.6f}, 0.9f}});
            std::vector<Sample> samples;
            for (int i = 0; i < 200; ++i)
                samples.push_back({{150.3f, 100.6f}, 0.5f + float(i % 5) * 0.1f});
            many.stroke(samples);
        } else {
            const std::vector<Sample> there = line({30.2f, 100.3f}, {3.1f, 0.7f}, 70);
            std::vector<Sample> back = there;
            back.insert(back.end(), there.rbegin(), there.rend());
            once.stroke(there);
            many.stroke(back);
        }
        int painted = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 300; ++x) {
                QVERIFY(std::abs(many.alpha(x, y) - once.alpha(x, y)) <= 1);
                painted += once.alpha(x, y) > 0;
            }
        QVERIFY(painted > 50);
    }

    // A soft airbrush falls off from its middle to its edge in many small steps.
    void airbrushFallsOffSmoothly()
    {
        Canvas c;
        c.use(BrushKind::Airbrush, 40);
        c.core.penSettings().setAirbrushHardness(0);
        c.stroke(line({20, 100}, {5, 0}, 50), false);
        std::set<int> levels;
        int previous = 256;
        for (int y = 100; y < 125; ++y) {
            const int a = c.alpha(120, y);
            QVERIFY(a <= previous);
            previous = a;
            levels.insert(a);
        }
        QVERIFY(levels.size() >= 15);
        QCOMPARE(c.alpha(120, 121), 0);
        QVERIFY(c.alpha(120, 100) > 240);
    }

    // The pencil's grain belongs to the sheet: where a stroke lies on it decides its texture,
    // not where the stroke began or how the view shows it.
    void pencilGrainIsFixedToTheSheet()
    {
        Canvas a, b;
        a.use(BrushKind::Pencil, 20);
        b.use(BrushKind::Pencil, 20);
        a.stroke(line({20, 100}, {4, 0}, 60), false);
        b.stroke(line({240, 100}, {-4, 0}, 60), false); // the same place, drawn the other way
        std::set<int> levels;
        for (int x = 60; x < 200; ++x)
            for (int y = 96; y < 104; ++y) {
                QCOMPARE(a.alpha(x, y), b.alpha(x, y));
                levels.insert(a.alpha(x, y));
                QVERIFY(std::abs(a.alpha(x, y) - int(255 * StrokeRaster::grainAt(x, y) + 0.5f))
                        <= 1);
            }
        QVERIFY(levels.size() > 20); // grainy, not flat
    }

    // The chisel is wide across one diagonal and thin across the other, and the pen's tilt
    // turns it.
    void markerWidthFollowsDirectionAndTilt()
    {
        auto across = [](float dx, float dy, float tiltX, float tiltY) {
            Canvas c;
            c.use(BrushKind::Marker, 24);
            std::vector<Sample> samples
                = line({150.0f - 20 * dx, 100.0f - 20 * dy}, {2 * dx, 2 * dy}, 21);
            for (Sample &s : samples) {
                s.tiltX = tiltX;
                s.tiltY = tiltY;
            }
            c.stroke(samples);
            // Pixels painted on the perpendicular through the middle.
            float sum = 0;
            for (int i = -30; i <= 30; ++i)
                sum += float(c.alpha(int(150 - dy * float(i)), int(100 + dx * float(i)))) / 255.0f;
            return sum;
        };
        const float d = 0.70710678f;
        const float along = across(d, d, 0, 0), athwart = across(-d, d, 0, 0);
        QVERIFY(athwart > 2.5f * along);
        // Tilted so that the chisel lies along the first diagonal's direction instead.
        QVERIFY(across(d, d, 30, -30) > 2.5f * along);
    }

    // The pen's edge: even where two segments meet (not laid twice), the only partly covered
    // pixels however the stroke slopes, and round for a dot of the sample's width.
    void penEdgeIsEvenSharpAndRound()
    {
        Canvas c;
        c.use(BrushKind::Pen, 9);
        c.stroke(line({20.3f, 30.3f}, {15, 0}, 15), false);
        c.use(BrushKind::Pen, 12);
        c.stroke(line({20, 100.3f}, {3.7f, 0.4f}, 60), false);
        c.use(BrushKind::Pen, 10);
        c.stroke({{{250.5f, 170.5f}}}, false);
        int edgeRow = -1;
        for (int y = 30; y < 40 && edgeRow < 0; ++y)
            if (c.alpha(100, y) > 0 && c.alpha(100, y) < 255)
                edgeRow = y;
        QVERIFY(edgeRow > 0);
        int lowest = 255, highest = 0;
        for (int x = 40; x < 220; ++x) {
            lowest = std::min(lowest, c.alpha(x, edgeRow));
            highest = std::max(highest, c.alpha(x, edgeRow));
        }
        QVERIFY(highest - lowest <= 6);
        for (int x = 40; x < 220; x += 7) {
            int partial = 0;
            for (int y = 80; y < 130; ++y)
                partial += c.alpha(x, y) > 0 && c.alpha(x, y) < 255;
            QVERIFY(partial <= 4);
        }
        for (int y = 155; y < 185; ++y)
            for (int x = 235; x < 265; ++x) {
                const float d = std::hypot(float(x) - 250.0f, float(y) - 170.0f);
                if (d <= 4.5f)
                    QCOMPARE(c.alpha(x, y), 255);
                else if (d >= 5.5f)
                    QCOMPARE(c.alpha(x, y), 0);
            }
    }

    // On the widest and tallest sheets, at their far edges and across tiles: the pixels of the
    // same stroke drawn on a plain image of the whole sheet, each segment kept only inside the
    // rectangle it reaches. The rows run one after another, so the scratch each leaves behind
    // (wider, taller, of another sheet) serves the next.
    void hairlinesOnTheWidestSheets_data()
    {
        QTest::addColumn<Size>("sheet");
        QTest::addColumn<QList<QPointF>>("path");
        QTest::addColumn<float>("width");
        const auto row = [](const char *name, Size sheet, float width, QList<QPointF> path) {
            QTest::newRow(name) << sheet << path << width;
        };
        const Size wide {32767, 160};
        row("far right, off the sheet and back", wide, 1.0f,
            {{32755.3, 40.2}, {32766.6, 52.9}, {32771.0, 61.4}, {32760.2, 70.7}});
        row("far top, off the sheet and back", wide, 1.0f,
            {{16000.4, 150.3}, {16009.8, 158.6}, {16020.1, 163.2}, {16031.7, 155.5}});
        row("top right corner, thinner than a pixel", wide, 0.4f,
            {{32760.5, 150.5}, {32769.0, 162.0}, {32758.1, 159.7}});
        row("across tile borders", wide, 1.0f,
            {{32690.3, 58.1}, {32712.6, 70.4}, {32700.2, 129.9}, {32650.7, 127.3}, {32639.5, 3.2}});
        row("tallest sheet's top, long segments", {300, 32767}, 0.8f,
            {{250.2, 32750.1},
             {262.9, 32766.4},
             {270.3, 32770.0},
             {140.6, 32600.3},
             {299.5, 32767.0}});
        row("small sheet, off the bottom left", {250, 200}, 1.0f,
            {{3.2, 5.7}, {-4.1, -2.3}, {10.6, 1.2}, {0.5, 60.5}});
    }

    void hairlinesOnTheWidestSheets()
    {
        QFETCH(Size, sheet);
        QFETCH(QList<QPointF>, path);
        QFETCH(float, width);
        const int w = int(sheet.width), h = int(sheet.height);
        const Color colour {0.2f, 0.5f, 0.9f, 1.0f};
        Picture picture(sheet, BgType::Plain);
        UndoLayer &snapshot = *picture.createUndoLayer(picture.currentLayer());
        QImage plain(w, h, QImage::Format_ARGB32_Premultiplied);
        plain.fill(Qt::transparent);
        for (qsizetype i = 1; i < path.size(); ++i) {
            const Point from {float(path[i - 1].x()), float(path[i - 1].y())};
            const Point to {float(path[i].x()), float(path[i].y())};
            const Rect touched = lineTouchedRect(from, to, 1.0f);
            const Rect dot {to.x - width / 2, to.y - width / 2, width, width};
            QVERIFY(picture.paintSegment(snapshot, from, to, width, touched, dot, &colour));

            StrokeRaster::paint(plain, {0, 0}, Picture::roundSegment(from, to, width, dot),
                                colour.toQColor(), InkCombine::Max,
                                snapshot.image()->pixelRect(insetRect(touched, -2, -2)));
        }
        QVERIFY(!snapshot.image()->isEmpty());
        QCOMPARE(differingPixels(snapshot.toQImage(), plain), 0);
    }
};

QTEST_MAIN(TestInk)
#include "tst_ink.moc"
