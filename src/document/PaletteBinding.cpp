#include "PaletteBinding.h"

#include "PopupPalette.h"
#include "WTView.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>

namespace {
// The menu's own item, as MainMenu::action() finds it, so that the palette goes through it.
QAction *menuCommand(QMainWindow &window, const char *name)
{
    return window.menuBar()->findChild<QAction *>(QLatin1String(name));
}
} // namespace

void bindPopupPalette(WTView &canvas, QMainWindow &window, RecentColors *recent)
{
    QObject::connect(&canvas, &WTView::paletteRequested, &window, [&canvas, &window,
                                                                   recent](QPoint at) {
        auto *palette = window.findChild<PopupPalette *>(QString(), Qt::FindDirectChildrenOnly);
        if (!palette) {
            PopupPalette::Commands commands;
            commands.undo = menuCommand(window, "undo:");
            commands.redo = menuCommand(window, "redo:");
            commands.fit = menuCommand(window, "zoomToFit");
            commands.actualSize = menuCommand(window, "zoomToActualSize");
            commands.pick = menuCommand(window, "pickColor");
            commands.move = menuCommand(window, "selectMoveTool");
            commands.newLayer = menuCommand(window, "newLayer");
            palette = new PopupPalette(&canvas, commands, &window);
            if (recent)
                palette->addColourSection(*recent);
        }
        palette->popUp(at);
    });
}
