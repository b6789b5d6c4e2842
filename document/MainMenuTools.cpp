// The Tools menu: the tool keys and the colour picker.
#include "MainMenu.h"

void MainMenu::buildToolsMenu()
{
}
