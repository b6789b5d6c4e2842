// The Layer menu: each item calls the canvas's own layer step, which the history and recordings
// take from there; the names have no colon, so that a recording does not take them twice.
#include "MainMenu.h"

#include "CanvasCore.h"
#include "DocumentWindow.h"
#include "LayerPropertiesDialog.h"
#include "WTView.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

// Rotating the view has Ctrl+[ and Ctrl+]; the layers move with Ctrl+Page Up and Down.
void MainMenu::buildLayerMenu()
{
    QMenu *layer = mWindow->menuBar()->addMenu(tr("&Layer"));
    auto command = [this, layer](const QString &title, const char *name,
                                 const QKeySequence &shortcut, void (*step)(CanvasCore &)) {
        return addCommand(layer, title, name, shortcut, [this, step](QAction *) {
            if (WTView *c = mWindow->canvas())
                step(c->core());
        });
    };
    command(tr("&New Layer"), "newLayer", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N),
            [](CanvasCore &c) { c.newLayer(); });
    command(tr("Dupli&cate Layer"), "duplicateLayer", QKeySequence(),
            [](CanvasCore &c) { c.duplicateLayer(); });
    command(tr("&Delete Layer"), "deleteLayer", QKeySequence(),
            [](CanvasCore &c) { c.deleteLayer(); });
    layer->addSeparator();
    command(tr("Move Layer &Up"), "moveLayerUp", QKeySequence(Qt::CTRL | Qt::Key_PageUp),
            [](CanvasCore &c) { c.moveLayer(c.currentLayerIndex() + 1); });
    command(tr("Move Layer D&own"), "moveLayerDown", QKeySequence(Qt::CTRL | Qt::Key_PageDown),
            [](CanvasCore &c) { c.moveLayer(c.currentLayerIndex() - 1); });
    layer->addSeparator();
    command(tr("&Merge Down"), "mergeLayerDown", QKeySequence(Qt::CTRL | Qt::Key_E),
            [](CanvasCore &c) { c.mergeLayerDown(); });
    command(tr("&Flatten Image"), "flattenLayers", QKeySequence(),
            [](CanvasCore &c) { c.flattenLayers(); });
    layer->addSeparator();
    addCommand(layer, tr("Layer &Properties…"), "showLayerProperties", QKeySequence(),
               [this](QAction *) {
                   if (WTView *c = mWindow->canvas())
                       LayerPropertiesDialog::showFor(mWindow, c->core());
               });
}

void MainMenu::showLayers()
{
    const WTView *canvas = mWindow->canvas();
    const int count = canvas ? canvas->core().layerCount() : 0;
    const int current = canvas ? canvas->core().currentLayerIndex() : 0;
    const std::pair<const char *, bool> items[] = {
        {"newLayer", canvas != nullptr}, {"duplicateLayer", canvas != nullptr},
        {"deleteLayer", count > 1},      {"moveLayerUp", current < count - 1},
        {"moveLayerDown", current > 0},  {"mergeLayerDown", current > 0},
        {"flattenLayers", count > 1},    {"showLayerProperties", canvas != nullptr},
    };
    for (const auto &[name, enabled] : items)
        if (QAction *item = action(QLatin1String(name)))
            item->setEnabled(enabled);
}
