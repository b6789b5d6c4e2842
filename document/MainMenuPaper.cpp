// The View menu's papers.
#include "MainMenu.h"

void MainMenu::addPaperItems(QMenu *)
{
}
