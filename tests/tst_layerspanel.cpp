// The Layers panel, the Layer menu, the properties dialog and the pop-up palette's layer row:
// each shows the core's layers as they are, also after undo, and each change reaches the core as
// one step of the history.
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
#include "TestSupport.h"
#include "WTView.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
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

    // Each item is enabled where it applies, with its keys (none another's: tst_mainmenu); the
    // properties dialog changes every property in one step.
    void layerMenuEnablesWhatApplies()
    {
        Opened a;
        CanvasCore &core = a.canvas->core();
        QCOMPARE(enabledLayerItems(a.window),
                 QStringList({"newLayer", "duplicateLayer", "showLayerProperties"}));
        command(a.window, "newLayer")->trigger();
        QCOMPARE(core.layerCount(), 2);
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

        QCOMPARE(command(a.window, "newLayer")->shortcut(), QKeySequence("Ctrl+Shift+N"));
        QCOMPARE(command(a.window, "mergeLayerDown")->shortcut(), QKeySequence("Ctrl+E"));
        QCOMPARE(command(a.window, "toggleLayersPanel")->shortcut(), QKeySequence("F7"));

        command(a.window, "showLayerProperties")->trigger();
        auto *dialog = a.window->findChild<LayerPropertiesDialog *>();
        QVERIFY(dialog);
        dialog->findChild<QLineEdit *>("layerName")->setText(QStringLiteral("  Ink  "));
        dialog->findChild<QSpinBox *>("layerOpacity")->setValue(50);
        dialog->findChild<QComboBox *>("layerMode")->setCurrentIndex(int(BlendMode::Multiply));
        dialog->findChild<QCheckBox *>("layerLocked")->setChecked(true);
        QSignalSpy steps(&core, &CanvasCore::pictureChanged);
        dialog->accept();
        QCOMPARE(steps.size(), 1);
        const LayerProperties p = core.layerProperties(1);
        QCOMPARE(p.name, QStringLiteral("Ink"));
        QCOMPARE(p.opacity, 0.5f);
        QCOMPARE(p.mode, BlendMode::Multiply);
        QVERIFY(p.locked && p.visible && !p.alphaLocked);
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
        QCOMPARE(mCase->settings->storedValue(ProgramKeys::kShowLayersPanel), QStringLiteral("1"));
        Opened b;
        QVERIFY(b.window->isLayersPanelShown());
        QVERIFY(command(b.window, "toggleLayersPanel")->isChecked());
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
        QCOMPARE(core.layerCount(), 2);
        QCOMPARE(label->text(), QStringLiteral("Layer 2"));
        button("paletteLayerBelow")->click();
        QCOMPARE(core.currentLayerIndex(), 0);
        QCOMPARE(label->text(), CanvasCore::backgroundLayerName());
        QVERIFY(!button("paletteLayerBelow")->isEnabled());
        button("paletteLayerAbove")->click();
        QCOMPARE(core.currentLayerIndex(), 1);
        QVERIFY(!button("paletteLayerAbove")->isEnabled());
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
        QCOMPARE(small.pixel(3, 3), qRgb(255, 0, 0));
        QCOMPARE(small.pixel(37, 17), qRgb(0, 0, 255));
        QCOMPARE(qAlpha(small.pixel(3, 17)), 0);
        QCOMPARE(qAlpha(small.pixel(30, 3)), 0);
        const QImage above = layerThumbnail(picture, 1, QSize(40, 30));
        QCOMPARE(qAlpha(above.pixel(37, 17)), 0);
        QVERIFY(layerThumbnail(picture, 2, QSize(40, 30)).isNull());
    }

private:
    std::optional<DocumentsCase> mCase;
};

INKPOND_TEST_MAIN(TestLayersPanel)

#include "tst_layerspanel.moc"
