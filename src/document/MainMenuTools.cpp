// The Tools menu: the tool keys, the active slot's nib, the colour picker and the Move tool.
#include "MainMenu.h"

#include "BrushIcons.h"
#include "DocumentWindow.h"
#include "PenSettings.h"
#include "WTView.h"

#include <QAction>
#include <QActionGroup>
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
    addBrushItems(tools);
    tools->addSeparator();
    command(tr("&Smaller Brush"), "smallerBrush", Qt::Key_BracketLeft,
            [](WTView &c) { c.core().stepBrushSize(-1); });
    command(tr("&Larger Brush"), "largerBrush", Qt::Key_BracketRight,
            [](WTView &c) { c.core().stepBrushSize(1); });
    tools->addSeparator();
    command(tr("&Pick Color"), "pickColor", Qt::Key_I, [](WTView &c) { c.core().pickColor(); });
    command(tr("&Move Layer"), "selectMoveTool", Qt::Key_V,
            [](WTView &c) { c.core().chooseMoveTool(); });
}

// The active slot's nib, checked as the canvas has it; while erasing, the slot's the eraser
// gives back, which a choice goes back to.
void MainMenu::addBrushItems(QMenu *tools)
{
    QMenu *menu = tools->addMenu(tr("&Brush"));
    menu->setObjectName(QStringLiteral("brushMenu"));
    auto *group = new QActionGroup(menu);
    group->setExclusive(true);
    struct Item
    {
        BrushKind kind;
        QString title;
        const char *name;
        Qt::Key key;
    };
    const Item items[] = {
        {BrushKind::Pen, tr("&Pen"), "selectBrushPen", Qt::Key_P},
        {BrushKind::Pencil, tr("Pe&ncil"), "selectBrushPencil", Qt::Key_N},
        {BrushKind::Airbrush, tr("&Airbrush"), "selectBrushAirbrush", Qt::Key_A},
        {BrushKind::Marker, tr("&Marker"), "selectBrushMarker", Qt::Key_K},
    };
    for (const Item &i : items) {
        const BrushKind kind = i.kind;
        QAction *item
            = addCommand(menu, i.title, i.name, QKeySequence(i.key), [this, kind](QAction *) {
                  if (WTView *c = mWindow->canvas())
                      c->core().setBrushKind(kind);
                  showBrush();
              });
        item->setProperty("tag", int(kind));
        item->setIcon(BrushIcons::icon(kind));
        item->setToolTip(BrushIcons::toolTip(kind));
        item->setCheckable(true);
        group->addAction(item);
        mBrushItems << item;
    }
    menu->setToolTipsVisible(true);
    showBrush();
}

void MainMenu::showBrush()
{
    const WTView *canvas = mWindow->canvas();
    for (QAction *item : std::as_const(mBrushItems))
        item->setChecked(canvas
                         && item->property("tag").toInt() == int(canvas->core().brushKind()));
}
