// The View menu's papers.
#include "MainMenu.h"

#include "Document.h"
#include "DocumentWindow.h"
#include "WTView.h"

#include <QActionGroup>
#include <QMenu>

void MainMenu::addPaperItems(QMenu *view)
{
    view->addSection(tr("Paper"));
    auto *papers = new QActionGroup(view);
    papers->setExclusive(true);
    // Tagged with their types. The change is recorded from the canvas, as the toolbar's is, so
    // the name has no value a recording would take from the action itself.
    const QString titles[] = {tr("&Plain"), tr("R&uled"), tr("&Grid"), tr("&See-through")};
    for (int type = 0; type < 4; ++type) {
        QAction *paper
            = addCommand(view, titles[type], "setBgType:", QKeySequence(), [this](QAction *sender) {
                  if (WTView *c = mWindow->canvas())
                      c->setProperty("bgType", float(sender->property("tag").toInt()));
                  showPaper();
              });
        paper->setProperty("tag", type);
        paper->setCheckable(true);
        papers->addAction(paper);
    }
    showPaper();
}

void MainMenu::showPaper()
{
    const WTView *canvas = mWindow->canvas();
    for (QAction *paper : actions(QStringLiteral("setBgType:")))
        paper->setChecked(canvas && paper->property("tag").toInt() == int(canvas->bgType()));
}
