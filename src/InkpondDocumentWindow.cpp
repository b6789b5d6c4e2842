// The document's window, for now a plain one: the canvas in its container and the document
// commands in a menu bar.
#include "InkpondDocument.h"

#include "DocumentController.h"
#include "PreferenceKeys.h"
#include "Preferences.h"
#include "SheetContainer.h"
#include "WTView.h"

#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>

namespace {
template<typename F>
void addCommand(QMenu *menu, const QString &title, const QKeySequence &shortcut, QObject *context,
                F &&slot)
{
    QAction *action = menu->addAction(title);
    action->setShortcut(shortcut);
    QObject::connect(action, &QAction::triggered, context, std::forward<F>(slot));
}
} // namespace

void InkpondDocument::makeWindowControllers()
{
    if (window())
        return;
    // The window deletes itself when closed; the document only refers to it.
    auto *w = new QMainWindow;
    w->setAttribute(Qt::WA_DeleteOnClose);
    auto *container = new SheetContainer(w);
    w->setCentralWidget(container);
    w->resize(760, 700);
    w->layout()->activate(); // the container has its real size before the canvas is placed
    auto *canvas
        = new WTView(Rect(0, 0, float(container->width()), float(container->height())), container);
    container->setCanvas(canvas);
    canvas->setDocument(this);
    setCanvas(canvas);
    if (!canvas->setImage(startingImage()))
        canvas->setSheetSize({600, 600});
    const int stored = int(Preferences::standard().integerForKey(PreferenceKeys::kBgType));
    canvas->setBgType(float(stored >= 0 && stored <= 3 ? stored : 1));
    canvas->startFollowingProximity();

    DocumentController *documents = DocumentController::sharedDocumentController();
    QMenu *file = w->menuBar()->addMenu(tr("&File"));
    if (documents) {
        addCommand(file, tr("&New"), QKeySequence::New, documents,
                   [documents] { documents->newDocument(); });
        addCommand(file, tr("&Open…"), QKeySequence::Open, documents,
                   [documents] { documents->openDocument(); });
    }
    file->addSeparator();
    addCommand(file, tr("&Close"), QKeySequence::Close, this, [this] { performClose(); });
    addCommand(file, tr("&Save"), QKeySequence::Save, this, [this] { saveDocument(); });
    addCommand(file, tr("Save &As…"), QKeySequence(tr("Ctrl+Shift+S")), this,
               [this] { saveDocumentAs(); });
    addCommand(file, tr("&Revert to Saved"), QKeySequence(), this,
               [this] { revertDocumentToSaved(); });
    if (documents) {
        file->addSeparator();
        addCommand(file, tr("&Quit"), QKeySequence::Quit, documents,
                   [documents] { documents->terminate(); });
    }
    QMenu *edit = w->menuBar()->addMenu(tr("&Edit"));
    addCommand(edit, tr("&Undo"), QKeySequence::Undo, canvas, [canvas] { canvas->undo(); });
    edit->addSeparator();
    addCommand(edit, tr("&Copy"), QKeySequence::Copy, canvas, [canvas] { canvas->copy(); });
    addCommand(edit, tr("Copy with &Background"), QKeySequence(tr("Ctrl+Shift+C")), canvas,
               [canvas] { canvas->copyWithBG(); });
    addCommand(edit, tr("C&lear"), QKeySequence(), canvas, [canvas] { canvas->clear(); });

    setWindow(w);
    canvas->setFocus();
}
