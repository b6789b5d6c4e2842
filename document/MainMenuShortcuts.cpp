// Help's list of keyboard and pen shortcuts.
#include "MainMenu.h"

void MainMenu::showShortcuts()
{
}
