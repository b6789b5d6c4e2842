// Help's list of keyboard and pen shortcuts. The keys are read from the menus when the list
// opens, so it never disagrees with them; what the pen and mouse do has no menu and is listed here.
#include "MainMenu.h"

#include "Document.h"
#include "DocumentWindow.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QString plainTitle(QString title)
{
    title.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return title.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

void addMenuKeys(QTreeWidget *tree, const QMenu *menu)
{
    QTreeWidgetItem *section = nullptr;
    const QList<QAction *> items = menu->actions();
    for (const QAction *item : items) {
        if (item->menu()) {
            addMenuKeys(tree, item->menu()); // under a section of its own
            continue;
        }
        if (item->isSeparator() || item->shortcuts().isEmpty())
            continue;
        if (!section) {
            section = new QTreeWidgetItem(tree, {plainTitle(menu->title())});
            section->setFirstColumnSpanned(true);
        }
        QStringList keys;
        for (const QKeySequence &key : item->shortcuts())
            keys << key.toString(QKeySequence::NativeText);
        new QTreeWidgetItem(section,
                            {plainTitle(item->text()), keys.join(QStringLiteral(", "))});
    }
}

void addPointerGestures(QTreeWidget *tree)
{
    auto *section = new QTreeWidgetItem(tree, {MainMenu::tr("Pen and Mouse")});
    section->setFirstColumnSpanned(true);
    const std::pair<const char *, const char *> gestures[] = {
        {QT_TR_NOOP("Straight line"), QT_TR_NOOP("Shift+click, then click at its end")},
        {QT_TR_NOOP("Snap a line to 45°"), QT_TR_NOOP("Shift held at the line's end")},
        {QT_TR_NOOP("Chain another line"), QT_TR_NOOP("Alt or Ctrl held at the line's end")},
        {QT_TR_NOOP("Drop a pending line"), QT_TR_NOOP("Esc")},
        {QT_TR_NOOP("Place a paste"),
         QT_TR_NOOP("Drag it or the arrows (Shift: ten pixels), then Enter or a click outside; "
                    "Esc gives it up")},
        {QT_TR_NOOP("Pop-up palette"), QT_TR_NOOP("Right button, or the pen's upper button")},
        {QT_TR_NOOP("Erase"), QT_TR_NOOP("The pen's eraser end")},
        {QT_TR_NOOP("Pan"), QT_TR_NOOP("Space+drag, middle drag, the pen's lower button held")},
        {QT_TR_NOOP("Turn the view"), QT_TR_NOOP("Shift+Space+drag, Shift+middle drag")},
        {QT_TR_NOOP("Zoom about the pointer"), QT_TR_NOOP("Ctrl+wheel, pinch")},
        {QT_TR_NOOP("Scroll"), QT_TR_NOOP("Wheel; Shift+wheel sideways; arrow and Page keys")},
    };
    for (const auto &[what, how] : gestures)
        new QTreeWidgetItem(section, {MainMenu::tr(what), MainMenu::tr(how)});
}
} // namespace

void MainMenu::showPanel(const QString &name, const QString &title, QSize size,
                         const std::function<QWidget *(QWidget *panel)> &content)
{
    if (auto *open = mWindow->findChild<QDialog *>(name)) {
        open->raise();
        open->activateWindow();
        return;
    }
    auto *panel = new QDialog(mWindow);
    panel->setObjectName(name);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowTitle(title);
    QWidget *shown = content(panel);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, panel);
    connect(buttons, &QDialogButtonBox::rejected, panel, &QDialog::close);
    auto *layout = new QVBoxLayout(panel);
    layout->addWidget(shown);
    layout->addWidget(buttons);
    panel->resize(size);
    panel->show();
}

void MainMenu::showShortcuts()
{
    showPanel(QStringLiteral("shortcutsPanel"), tr("Keyboard and Pen Shortcuts"), {560, 520},
              [this](QWidget *panel) {
                  auto *tree = new QTreeWidget(panel);
                  tree->setColumnCount(2);
                  tree->setHeaderLabels({tr("Action"), tr("Keys")});
                  tree->setRootIsDecorated(false);
                  tree->setSelectionMode(QAbstractItemView::NoSelection);
                  tree->setFocusPolicy(Qt::NoFocus);
                  for (const QAction *top : mWindow->menuBar()->actions())
                      if (const QMenu *menu = top->menu())
                          addMenuKeys(tree, menu);
                  addPointerGestures(tree);
                  tree->expandAll();
                  tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
                  return tree;
              });
}
