// The Layers panel, the Layer menu, the properties dialog and the pop-up palette's layer row:
// each shows the core's layers as they are, also after undo, and each change reaches the core as
// one step of the history. Pastes, drops and the Move tool: what floats or is dragged changes
// the history only once it is placed, as one step; what is given up leaves nothing.
#include "Beep.h"
#include "CanvasCore.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "LayerPropertiesDialog.h"
#include "LayerThumbnail.h"
#include "LayersPanel.h"
#include "MainMenu.h"
#include "Picture.h"
#include "PopupPalette.h"
#include "ProgramKeys.h"
#include "Preferences.h"
#include "StrokeDriver.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QSlider>
#include <QSpinBox>
#include <QTreeWidget>
#include <QtTest>
#include <optional>

namespace {
QStringList rowNames(const LayersPanel &panel)
{
    QStringList names;
    for (int row = 0; row < panel.list()->topLevelItemCount(); ++row)
        names << panel.list()->topLevelItem(row)->text(LayersPanel::NameColumn);
    return names;
}

QAction *command(DocumentWindow *window, const char *name)
{
    return window->mainMenu()->action(QLatin1String(name));
}

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
    command(a.window, name)->trigger();
}

QStringList enabledLayerItems(DocumentWindow *window)
{
    QStringList enabled;
    for (const char *name :
         {"newLayer", "duplicateLayer", "deleteLayer", "moveLayerUp", "moveLayerDown",
          "mergeLayerDown", "flattenLayers", "showLayerProperties"})
        if (command(window, name)->isEnabled())
            enabled << QLatin1String(name);
    return enabled;
}
} // namespace

class TestLayersPanel : public QObject
{
    Q_OBJECT

private slots:
    void init() { mCase.emplace(); }
    void cleanup() { mCase.reset(); }

    // Top first, the current row selected, following undo and redo. Renaming in place, the eye,
    // the lock, the opacity slider dragged through several values, the spin box, the mode, the
    // alpha lock and a drag to another row: one step each, which one undo takes back.
    void eachEditIsOneStep()
    {
        Opened a;
        a.window->setLayersPanelShown(true);
        a.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(a.window));
        CanvasCore &core = a.canvas->core();
        core.newLayer();
        core.newLayer();
        LayersPanel *panel = a.window->layersPanel();
        QTreeWidget *list = panel->list();
        QCOMPARE(rowNames(*panel), QStringList({"Layer 3", "Layer 2", "Background"}));
        QCOMPARE(list->currentIndex().row(), 0);
        command(a.window, "undo:")->trigger();
        QCOMPARE(rowNames(*panel), QStringList({"Layer 2", "Background"}));
        command(a.window, "redo:")->trigger();
        QCOMPARE(list->currentIndex().row(), 0);
        auto *slider = panel->findChild<QSlider *>("layersOpacity");
        auto *spin = panel->findChild<QSpinBox *>("layersOpacityValue");
        auto clickIn = [list](int row, int column) {
            const QRect r = list->visualRect(list->model()->index(row, column));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
        };
        const std::pair<const char *, std::function<void()>> edits[] = {
            {"rename",
             [&] {
                 list->editItem(list->topLevelItem(0), LayersPanel::NameColumn);
                 auto *editor = list->viewport()->findChild<QLineEdit *>();
                 QVERIFY(editor);
                 editor->selectAll();
                 QTest::keyClicks(editor, QStringLiteral("Sky"));
                 QTest::keyClick(editor, Qt::Key_Return);
                 // The editor commits once back in the event loop.
                 QTRY_COMPARE(core.layerProperties(2).name, QStringLiteral("Sky"));
             }},
            {"eye",
             [&] {
                 clickIn(0, LayersPanel::EyeColumn);
                 QVERIFY(!core.layerProperties(2).visible);
             }},
            {"lock",
             [&] {
                 clickIn(0, LayersPanel::LockColumn);
                 QVERIFY(core.layerProperties(2).locked);
             }},
            {"slider",
             [&] {
                 slider->setSliderDown(true);
                 for (int v : {90, 70, 40})
                     slider->setValue(v);
                 QCOMPARE(spin->value(), 40);
                 slider->setSliderDown(false);
                 QCOMPARE(core.layerProperties(2).opacity, 0.4f);
             }},
            {"spin box",
             [&] {
                 spin->setValue(25);
                 emit spin->editingFinished();
                 QCOMPARE(core.layerProperties(2).opacity, 0.25f);
                 QCOMPARE(slider->value(), 25);
             }},
            {"mode",
             [&] {
                 auto *mode = panel->findChild<QComboBox *>("layersMode");
                 mode->setCurrentIndex(int(BlendMode::Screen));
                 emit mode->activated(int(BlendMode::Screen));
                 QCOMPARE(core.layerProperties(2).mode, BlendMode::Screen);
             }},
            {"alpha lock",
             [&] {
                 panel->findChild<QCheckBox *>("layersAlphaLock")->click();
                 QVERIFY(core.layerProperties(2).alphaLocked);
             }},
            {"drag",
             [&] {
                 // The top row dropped in the lower half of the bottom one: it ends at the bottom.
                 const QModelIndex from = list->model()->index(0, LayersPanel::NameColumn);
                 std::unique_ptr<QMimeData> mime(list->model()->mimeData({from}));
                 const QRect bottom = list->visualRect(list->model()->index(2, 2));
                 const QPoint at(bottom.center().x(), bottom.bottom() - 1);
                 // The drop goes where the drag entered.
                 QDragEnterEvent enter(at, Qt::MoveAction, mime.get(), Qt::LeftButton, {});
                 QCoreApplication::sendEvent(list->viewport(), &enter);
                 QDropEvent drop(at, Qt::MoveAction, mime.get(), Qt::LeftButton, {});
                 QCoreApplication::sendEvent(list->viewport(), &drop);
                 QCOMPARE(core.layerProperties(0).name, QStringLiteral("Layer 3"));
                 QCOMPARE(core.currentLayerIndex(), 0);
                 QCOMPARE(rowNames(*panel).last(), QStringLiteral("Layer 3"));
             }},
        };
        for (const auto &[what, edit] : edits) {
            const QStringList before = rowNames(*panel);
            const LayerProperties top = core.layerProperties(2);
            QSignalSpy steps(&core, &CanvasCore::pictureChanged);
            edit();
            if (QTest::currentTestFailed())
                QFAIL(what);
            QVERIFY2(steps.size() == 1, what);
            command(a.window, "undo:")->trigger();
            QVERIFY2(core.layerProperties(2) == top && rowNames(*panel) == before, what);
            QCOMPARE(core.currentLayerIndex(), 2);
        }
    }

    // Each item is enabled where it applies; the properties dialog changes every property in
    // one step.
    void layerMenuEnablesWhatApplies()
    {
        Opened a;
        CanvasCore &core = a.canvas->core();
        QCOMPARE(enabledLayerItems(a.window),
                 QStringList({"newLayer", "duplicateLayer", "showLayerProperties"}));
        command(a.window, "newLayer")->trigger();
        QCOMPARE(enabledLayerItems(a.window),
                 QStringList({"newLayer", "duplicateLayer", "deleteLayer", "moveLayerDown",
                              "mergeLayerDown", "flattenLayers", "showLayerProperties"}));
        command(a.window, "moveLayerDown")->trigger();
        QCOMPARE(core.currentLayerIndex(), 0);
        QCOMPARE(enabledLayerItems(a.window),
                 QStringList({"newLayer", "duplicateLayer", "deleteLayer", "moveLayerUp",
                              "flattenLayers", "showLayerProperties"}));
        command(a.window, "undo:")->trigger();
        QVERIFY(command(a.window, "mergeLayerDown")->isEnabled());

        command(a.window, "showLayerProperties")->trigger();
        auto *dialog = a.window->findChild<LayerPropertiesDialog *>();
        dialog->findChild<QLineEdit *>("layerName")->setText(QStringLiteral("  Ink  "));
        dialog->findChild<QSpinBox *>("layerOpacity")->setValue(50);
        dialog->findChild<QComboBox *>("layerMode")->setCurrentIndex(int(BlendMode::Multiply));
        dialog->findChild<QCheckBox *>("layerLocked")->setChecked(true);
        QSignalSpy steps(&core, &CanvasCore::pictureChanged);
        dialog->accept();
        QCOMPARE(steps.size(), 1);
        const LayerProperties p = core.layerProperties(1);
        QVERIFY(p.name == QStringLiteral("Ink") && p.opacity == 0.5f
                && p.mode == BlendMode::Multiply && p.locked && p.visible && !p.alphaLocked);
    }

    // View ▸ Layers shows and hides the panel, and the store keeps it for the next window; its
    // own close button counts as hiding it.
    void viewItemShowsThePanelAndIsRemembered()
    {
        Opened a;
        QAction *item = command(a.window, "toggleLayersPanel");
        QVERIFY(!item->isChecked() && !a.window->isLayersPanelShown());
        item->trigger();
        QVERIFY(item->isChecked() && a.window->isLayersPanelShown());
        Opened b;
        QVERIFY(b.window->isLayersPanelShown()
                && command(b.window, "toggleLayersPanel")->isChecked());
        b.window->layersPanel()->close();
        QVERIFY(!command(b.window, "toggleLayersPanel")->isChecked());
        QCOMPARE(mCase->settings->storedValue(ProgramKeys::kShowLayersPanel), QStringLiteral("0"));
    }

    // ‹ and › step to the layers below and above, as far as there are any; + adds one.
    void paletteRowStepsLayers()
    {
        Opened a;
        CanvasCore &core = a.canvas->core();
        a.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(a.window));
        emit a.canvas->paletteRequested(a.window->mapToGlobal(QPoint(200, 200)));
        auto *palette = a.window->findChild<PopupPalette *>();
        QVERIFY(palette && palette->isVisible());
        auto button
            = [palette](const char *name) { return palette->findChild<QAbstractButton *>(name); };
        auto *label = palette->findChild<QLabel *>("paletteLayer");
        QVERIFY(!button("paletteLayerBelow")->isEnabled());
        button("paletteNewLayer")->click();
        QVERIFY(core.layerCount() == 2 && label->text() == QStringLiteral("Layer 2"));
        button("paletteLayerBelow")->click();
        QVERIFY(core.currentLayerIndex() == 0 && !button("paletteLayerBelow")->isEnabled());
        QCOMPARE(label->text(), CanvasCore::backgroundLayerName());
        button("paletteLayerAbove")->click();
        QVERIFY(core.currentLayerIndex() == 1 && !button("paletteLayerAbove")->isEnabled());
        QVERIFY(palette->isVisible());
    }

    // The thumbnail keeps the sheet's proportions and its top at the top, and shows the strokes
    // the history still holds over the layer, only over theirs.
    void thumbnailShowsTheLayerUpright()
    {
        Picture picture(Size {200, 100}, BgType::Plain);
        QVERIFY(picture.addLayer(1, {}));
        Layer &bottom = *picture.layers()[0];
        QVERIFY(bottom.paint(Rect(0, 60, 80, 40), Rect(0, 60, 80, 40), [](QPainter &p) {
            p.fillRect(QRectF(0, 60, 80, 40), Qt::red); // the top-left corner, y up
        }));
        UndoLayer *stroke = picture.createUndoLayer(&bottom);
        QVERIFY(stroke);
        QVERIFY(stroke->paint(Rect(160, 0, 40, 40), Rect(160, 0, 40, 40), [](QPainter &p) {
            p.fillRect(QRectF(160, 0, 40, 40), Qt::blue); // the bottom-right corner
        }));
        const QImage small = layerThumbnail(picture, 0, QSize(40, 30));
        QCOMPARE(small.size(), QSize(40, 20));
        QVERIFY(small.pixel(3, 3) == qRgb(255, 0, 0) && small.pixel(37, 17) == qRgb(0, 0, 255));
        QVERIFY(qAlpha(small.pixel(3, 17)) == 0 && qAlpha(small.pixel(30, 3)) == 0);
        QCOMPARE(qAlpha(layerThumbnail(picture, 1, QSize(40, 30)).pixel(37, 17)), 0);
        QVERIFY(layerThumbnail(picture, 2, QSize(40, 30)).isNull());
    }

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
        // Shown, not yet in the history.
        QVERIFY(core.layerCount() == 2 && canvas.picture().undoLayers().empty());

        QTest::keyClick(&canvas, Qt::Key_Right);
        QTest::keyClick(&canvas, Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(core.floatingPasteRect(), Rect(r.x() + 1, r.y() + 10, 40, 30));
        QTest::keyClick(&canvas, Qt::Key_Return);
        QVERIFY(!core.hasFloatingPaste() && canvas.picture().undoLayers().size() == 1
                && core.currentLayerIndex() == 1);
        const int sheetHeight = int(canvas.sheetSize().height);
        const QImage placed = layerImage(canvas, 1).copy(
            int(r.x()) + 1, sheetHeight - int(r.y()) - 10 - 30, 40, 30);
        QCOMPARE(differingPixels(placed, patch.convertToFormat(placed.format())), 0);
        canvas.undo();
        QCOMPARE(core.layerCount(), 1);

        const QImage before = layerImage(canvas, 0);
        trigger(a, "paste:");
        QTest::keyClick(&canvas, Qt::Key_Escape);
        QVERIFY(!core.hasFloatingPaste() && core.layerCount() == 1
                && canvas.picture().undoLayers().empty());
        QCOMPARE(differingPixels(layerImage(canvas, 0), before), 0);
        // Undo gives a floating paste up and nothing more.
        strokes::drag(canvas, {10, 10}, {90, 40});
        trigger(a, "paste:");
        canvas.undo();
        QVERIFY(core.layerCount() == 1 && canvas.picture().undoLayers().size() == 1);
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
        QVERIFY(!canvas.core().hasFloatingPaste() && canvas.core().layerCount() == 2
                && canvas.picture().undoLayers().size() == 1);
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
    std::optional<DocumentsCase> mCase;
};

INKPOND_TEST_MAIN(TestLayersPanel)

#include "tst_layerspanel.moc"
