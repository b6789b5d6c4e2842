// The Tools menu: the tool keys and the colour picker.
#include "MainMenu.h"

#include "DocumentWindow.h"
#include "PenSettings.h"
#include "WTView.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

// Single keys, as painting programs have them, so that a hand on the pen needs no chord. The
// names have no colon: a recording keeps the pen changes the canvas reports instead.
void MainMenu::buildToolsMenu()
{
    QMenu *tools = mWindow->menuBar()->addMenu(tr("&Tools"));
    auto command = [this, tools](const QString &title, const char *name, Qt::Key key,
                                 std::function<void(WTView &)> change) {
        return addCommand(tools, title, name, QKeySequence(key),
                          [this, change = std::move(change)](QAction *) {
                              if (WTView *c = mWindow->canvas())
                                  change(*c);
                          });
    };
    static constexpr const char *kSlotNames[] = {"selectTool1", "selectTool2", "selectTool3",
                                                 "selectTool4"};
    for (int tool = PenSettings::kEraserTool + 1; tool <= PenSettings::kSlots; ++tool)
        command(tr("Color &%1").arg(tool), kSlotNames[tool - 1], Qt::Key(Qt::Key_0 + tool),
                [tool](WTView &c) { c.setActiveColor(tool); });
    command(tr("&Eraser"), "toggleEraser", Qt::Key_E, [](WTView &c) { c.core().toggleEraser(); });
    tools->addSeparator();
    command(tr("&Smaller Brush"), "smallerBrush", Qt::Key_BracketLeft,
            [](WTView &c) { c.core().stepBrushSize(-1); });
    command(tr("&Larger Brush"), "largerBrush", Qt::Key_BracketRight,
            [](WTView &c) { c.core().stepBrushSize(1); });
    tools->addSeparator();
    command(tr("&Pick Color"), "pickColor", Qt::Key_I, [](WTView &c) { c.core().pickColor(); });
}
