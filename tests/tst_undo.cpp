// The undo history: ten snapshots at most, merging of the oldest, undo, and snapshots that
// hold only what their strokes painted.
#include "Beep.h"
#include "InkpondDocument.h"
#include "StrokeDriver.h"
#include "TestSupport.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

using namespace strokes;

namespace {
// A random stroke of a few samples: paint in slot 1 or the eraser, pressures 0.2 to 1.
void randomStroke(WTView &canvas, QRandomGenerator &rng)
{
    canvas.setActiveColor(rng.bounded(3) == 0 ? 0 : 1);
    const Size s = canvas.sheetSize();
    Point p {float(rng.bounded(s.width)), float(rng.bounded(s.height))};
    canvas.mouseDown({p, 1.0f, true, {}});
    const int n = rng.bounded(1, 8);
    for (int i = 0; i < n; ++i) {
        if (rng.bounded(4) != 0)
            p = {p.x + uniform(rng, -40.0, 40.0), p.y + uniform(rng, -40.0, 40.0)};
        canvas.drawCurrentDataFromEvent({p, uniform(rng, 0.2, 1.0), true, {}});
    }
    canvas.mouseUp({p, 1.0f, true, {}});
}
} // namespace

class TestUndo : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_settings = std::make_unique<IsolatedSettings>(); }
    void cleanup() { m_settings.reset(); }

    void twelveStrokesKeepTenAndMergeTheFirstTwo();
    void mergeEqualsWholeSheetMerge();
    void mergeWithoutMemoryKeepsTheHistory();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
};

void TestUndo::twelveStrokesKeepTenAndMergeTheFirstTwo()
{
    WTView canvas(Rect(0, 0, 300, 100));
    InkpondDocument document;
    canvas.setDocument(&document);
    auto x = [](int stroke) { return 10.0f + 22.0f * float(stroke); };
    for (int i = 0; i < 12; ++i)
        dab(canvas, x(i), 50);
    QCOMPARE(canvas.undoLayers().size(), std::size_t(10));
    QCOMPARE(document.changeCount(), 12);
    const TiledImage &base = *canvas.currentLayer()->image();
    for (int i = 0; i < 12; ++i)
        QCOMPARE(alphaAt(base, int(x(i)) + 2, 50) != 0, i < 2);

    for (int k = 0; k < 10; ++k) {
        canvas.undo();
        QCOMPARE(document.changeCount(), 11 - k);
        const Image shown = picture(canvas);
        for (int i = 0; i < 12; ++i)
            QCOMPARE(alphaAt(shown, int(x(i)) + 2, 50) != 0, i < 11 - k);
    }
    const int beeps = systemBeepCount();
    canvas.undo();
    QCOMPARE(systemBeepCount(), beeps + 1);
    QCOMPARE(document.changeCount(), 2);
    const Image shown = picture(canvas);
    QVERIFY(alphaAt(shown, int(x(0)) + 2, 50) != 0);
    QVERIFY(alphaAt(shown, int(x(1)) + 2, 50) != 0);
}

void TestUndo::mergeEqualsWholeSheetMerge()
{
    WTView canvas(Rect(0, 0, 240, 160));
    QRandomGenerator rng(4711);
    for (int i = 0; i < 10; ++i)
        randomStroke(canvas, rng);
    for (int round = 0; round < 15; ++round) {
        const UndoLayer &oldest = *canvas.undoLayers().front();
        // The merge as it would be over the whole sheet, painted independently.
        QImage expected = canvas.currentLayer()->toQImage();
        {
            QPainter p(&expected);
            p.setCompositionMode(oldest.blitType() == BlitType::Erase
                                     ? QPainter::CompositionMode_DestinationOut
                                     : QPainter::CompositionMode_SourceOver);
            p.drawImage(0, 0, oldest.toQImage());
        }
        randomStroke(canvas, rng); // merges the oldest first
        // The new stroke is in its snapshot, so the layer shows exactly the merge.
        QCOMPARE(differingPixels(canvas.currentLayer()->toQImage(), expected), qint64(0));
    }
}

void TestUndo::mergeWithoutMemoryKeepsTheHistory()
{
    WTView canvas(Rect(0, 0, 300, 100));
    for (int i = 0; i < 10; ++i)
        dab(canvas, 10.0f + 25.0f * float(i), 50);
    const int beeps = systemBeepCount();
    TiledImage::setTileLimit(TiledImage::liveTiles()); // the merge needs tiles of the layer
    canvas.mouseDown({{200, 80}, 1.0f, true, {}});
    TiledImage::setTileLimit(-1);
    QCOMPARE(systemBeepCount(), beeps + 1);
    QVERIFY(!canvas.isTrackingStroke());
    QCOMPARE(canvas.undoLayers().size(), std::size_t(10));
    QVERIFY(alphaAt(picture(canvas), 12, 50) != 0); // the oldest stroke is still undoable
    canvas.undo();
    QCOMPARE(canvas.undoLayers().size(), std::size_t(9));
}

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
