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
    if (auto *open = mWindow->findChild<QDialog *>(QStringLiteral("helpPanel"))) {
        open->raise();
        open->activateWindow();
        return;
    }
    auto *panel = new QDialog(mWindow);
    panel->setObjectName(QStringLiteral("helpPanel"));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowTitle(tr("Inkpond Help"));
    auto *guide = new QTextBrowser(panel);
    guide->setObjectName(QStringLiteral("guide"));
    guide->setSource(guideUrl());
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, panel);
    connect(buttons, &QDialogButtonBox::rejected, panel, &QDialog::close);
    auto *layout = new QVBoxLayout(panel);
    layout->addWidget(guide);
    layout->addWidget(buttons);
    panel->resize(640, 600);
    panel->show();
}
