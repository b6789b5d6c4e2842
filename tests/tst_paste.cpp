// Pastes, drops and the Move tool: what floats or is dragged changes the history only once it
// is placed, as one step that one undo takes back; what is given up leaves nothing.
#include "Beep.h"
#include "CanvasCore.h"
#include "DocumentWindow.h"
#include "MainMenu.h"
#include "Picture.h"
#include "StrokeDriver.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QClipboard>
#include <QMimeData>
#include <QPainter>
#include <QtTest>

namespace {
QImage layerImage(const WTView &canvas, int index)
{
    return canvas.picture().assembledLayer(index)->toQImage();
}

// image moved right by dx and up by dy on a sheet of its size.
QImage shifted(const QImage &image, int dx, int dy)
{
    QImage out(image.size(), QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(dx, -dy), image);
    return out;
}

void trigger(const Opened &a, const char *name)
{
    QAction *action = a.window->mainMenu()->action(QLatin1String(name));
    QVERIFY(action);
    action->trigger();
}
} // namespace

class TestPaste : public QObject
{
    Q_OBJECT

private slots:
    void init() { mSettings = std::make_unique<IsolatedSettings>(); }
    void cleanup() { mSettings.reset(); }

    // Paste floats a new layer centred in the view; arrows nudge it, Enter places it as one
    // step; Escape gives a second paste up without a trace.
    void pasteFloatsThenCommitsOrCancels()
    {
        Opened a;
        a.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(a.window));
        WTView &canvas = *a.canvas;
        CanvasCore &core = canvas.core();
        const QImage patch = testPicture(40, 30, true);
        QGuiApplication::clipboard()->setImage(patch);
        trigger(a, "paste:");
        QVERIFY(core.hasFloatingPaste());
        const Rect shown = canvas.viewport().visibleRect();
        const Rect r = core.floatingPasteRect();
        QCOMPARE(r.width(), 40.0f);
        QVERIFY(std::abs(r.x() + 20 - (shown.x() + shown.width() / 2)) <= 0.5f);
        QVERIFY(std::abs(r.y() + 15 - (shown.y() + shown.height() / 2)) <= 0.5f);
        QCOMPARE(core.layerCount(), 2); // shown, not yet in the history
        QVERIFY(canvas.picture().undoLayers().empty());

        QTest::keyClick(&canvas, Qt::Key_Right);
        QTest::keyClick(&canvas, Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(core.floatingPasteRect(), Rect(r.x() + 1, r.y() + 10, 40, 30));
        QTest::keyClick(&canvas, Qt::Key_Return);
        QVERIFY(!core.hasFloatingPaste());
        QCOMPARE(canvas.picture().undoLayers().size(), std::size_t(1));
        QCOMPARE(core.currentLayerIndex(), 1);
        const int sheetHeight = int(canvas.sheetSize().height);
        const QImage placed = layerImage(canvas, 1).copy(
            int(r.x()) + 1, sheetHeight - int(r.y()) - 10 - 30, 40, 30);
        QCOMPARE(differingPixels(placed, patch.convertToFormat(placed.format())), 0);
        canvas.undo();
        QCOMPARE(core.layerCount(), 1);

        const QImage before = layerImage(canvas, 0);
        trigger(a, "paste:");
        QTest::keyClick(&canvas, Qt::Key_Escape);
        QVERIFY(!core.hasFloatingPaste());
        QCOMPARE(core.layerCount(), 1);
        QVERIFY(canvas.picture().undoLayers().empty());
        QCOMPARE(differingPixels(layerImage(canvas, 0), before), 0);
        // Undo gives a floating paste up and nothing more.
        strokes::drag(canvas, {10, 10}, {90, 40});
        trigger(a, "paste:");
        canvas.undo();
        QCOMPARE(core.layerCount(), 1);
        QCOMPARE(canvas.picture().undoLayers().size(), std::size_t(1));
    }

    // An image file dropped on the canvas floats where it was dropped; other files are refused
    // with a beep and change nothing.
    void dropOfAnImageFileFloatsThere()
    {
        Opened a;
        WTView &canvas = *a.canvas;
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("patch.png"));
        const QString text = dir.filePath(QStringLiteral("notes.txt"));
        QVERIFY(testPicture(20, 10, true).save(png));
        QVERIFY(writeFile(text, "not a picture"));
        auto drop = [&](const QString &path, Point at) {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(path)});
            const QPointF p = strokes::widgetPoint(canvas, at);
            // The drop goes where the drag entered.
            QDragEnterEvent enter(p.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&canvas, &enter);
            QDropEvent event(p, Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&canvas, &event);
        };
        const int beeps = systemBeepCount();
        drop(text, {50, 50});
        QCOMPARE(systemBeepCount(), beeps + 1);
        QVERIFY(!canvas.core().hasFloatingPaste());
        drop(png, {100, 80});
        QVERIFY(canvas.core().hasFloatingPaste());
        QCOMPARE(canvas.core().floatingPasteRect(), Rect(90, 75, 20, 10));
        // Not yet part of the picture that recovery and saves read in the background...
        QCOMPARE(canvas.picture().frozenCopy()->layers().size(), std::size_t(1));
        // ...but what shows is what is copied: Copy places it first, as one step.
        trigger(a, "copy:");
        QVERIFY(!canvas.core().hasFloatingPaste());
        QCOMPARE(canvas.core().layerCount(), 2);
        QCOMPARE(canvas.picture().undoLayers().size(), std::size_t(1));
        QCOMPARE(canvas.picture().frozenCopy()->layers().size(), std::size_t(2));
    }

    // A drag of the Move tool moves the current layer's pixels as one step, undone at once; a
    // locked layer refuses; another tool or Escape leaves it.
    void moveToolMovesTheLayerInOneStep()
    {
        Opened a;
        WTView &canvas = *a.canvas;
        CanvasCore &core = canvas.core();
        strokes::drag(canvas, {30, 30}, {120, 70});
        const QImage before = layerImage(canvas, 0);
        trigger(a, "selectMoveTool");
        QVERIFY(core.isMoveTool());
        strokes::drag(canvas, {50, 50}, {70, 65});
        QCOMPARE(canvas.picture().undoLayers().size(), std::size_t(2));
        QCOMPARE(differingPixels(layerImage(canvas, 0), shifted(before, 20, 15)), 0);
        canvas.undo();
        QCOMPARE(differingPixels(layerImage(canvas, 0), before), 0);

        LayerProperties locked = core.layerProperties(0);
        locked.locked = true;
        core.setLayerProperties(0, locked);
        const int beeps = systemBeepCount();
        strokes::drag(canvas, {50, 50}, {70, 65});
        QCOMPARE(systemBeepCount(), beeps + 1);
        QCOMPARE(differingPixels(layerImage(canvas, 0), before), 0);

        QTest::keyClick(&canvas, Qt::Key_Escape);
        QVERIFY(!core.isMoveTool());
        trigger(a, "selectMoveTool");
        canvas.setActiveColor(2);
        QVERIFY(!core.isMoveTool());
    }

private:
    std::unique_ptr<IsolatedSettings> mSettings;
};

INKPOND_TEST_MAIN(TestPaste)
#include "tst_paste.moc"
