// Help ▸ Inkpond Help: the user guide, built into the program so that it needs no network and no
// installed files, in a window of its own beside the document's.
#include "MainMenu.h"

#include "DocumentWindow.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

// Outside any namespace, as Q_INIT_RESOURCE must be.
static QUrl guideUrl()
{
    Q_INIT_RESOURCE(Guide);
    return QUrl(QStringLiteral("qrc:/help/guide.html"));
}

void MainMenu::showHelp()
{
    showPanel(QStringLiteral("helpPanel"), tr("Inkpond Help"), {640, 600}, [](QWidget *panel) {
        auto *guide = new QTextBrowser(panel);
        guide->setObjectName(QStringLiteral("guide"));
        guide->setSource(guideUrl());
        return guide;
    });
}
