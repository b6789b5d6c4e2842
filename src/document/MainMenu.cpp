#include "MainMenu.h"

#include "ApplicationMenuCommands.h"
#include "Document.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "FixedSizes.h"
#include "PreferencesDialog.h"
#include "RecentDocuments.h"
#include "ShortcutMap.h"
#include "ShortcutsPage.h"
#include "WTView.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QHash>
#include <QMenuBar>
#include <QMessageBox>

namespace {
ApplicationMenuCommands *application()
{
    return ApplicationMenuCommands::current();
}
// The desktop's bindings; where it has none (no desktop environment, a bare window manager, the
// offscreen platform), the one GNOME and KDE applications use.
QList<QKeySequence> standardOr(QKeySequence::StandardKey key, const QKeySequence &usual)
{
    const QList<QKeySequence> bindings = QKeySequence::keyBindings(key);
    return bindings.isEmpty() ? QList<QKeySequence> {usual} : bindings;
}
// The desktop's bindings with `usual` first, which some desktops leave out.
QList<QKeySequence> withUsual(QKeySequence::StandardKey key, const QKeySequence &usual)
{
    QList<QKeySequence> bindings = QKeySequence::keyBindings(key);
    bindings.removeAll(usual);
    bindings.prepend(usual);
    return bindings;
}
} // namespace

MainMenu::MainMenu(DocumentWindow *window, Preferences &store)
    : QObject(window)
    , mWindow(window)
    , mStore(store)
{
    setObjectName(QStringLiteral("MainMenu"));
    buildFileMenu();
    buildEditMenu();
    buildViewMenu();
    buildImageMenu();
    buildLayerMenu();
    buildToolsMenu();
    buildWindowMenu();
    buildHelpMenu();
    identifyCommands();
    applyShortcuts();

    if (ApplicationMenuCommands *app = application())
        app->onValidationChanged(this, [this] { validate(); });
    if (Document *document = mWindow->document()) {
        connect(document, &Document::documentEditedChanged, this, &MainMenu::validate);
        connect(document, &Document::displayNameChanged, this, &MainMenu::validate);
        // A file the document comes from or is saved to becomes a recent one.
        auto noteFile = [this, document] {
            if (!document->fileURL().isEmpty())
                RecentDocuments::noteNewRecentDocumentPath(mStore,
                                                           document->fileURL().toLocalFile());
        };
        connect(document, &Document::displayNameChanged, this, noteFile);
        noteFile();
    }
    connect(mWindow, &DocumentWindow::layersPanelShownChanged, this, &MainMenu::showViewState);
    connect(mWindow, &DocumentWindow::colorsPanelShownChanged, this, &MainMenu::showViewState);
    mWindow->installEventFilter(this);
    validate();
}

DocumentController *MainMenu::documents() const
{
    const Document *document = mWindow->document();
    return document ? document->controller() : nullptr;
}

QAction *MainMenu::addCommand(QMenu *menu, const QString &title, const char *name,
                              const QKeySequence &shortcut, std::function<void(QAction *)> command)
{
    QAction *action = menu->addAction(title);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    action->setProperty(ShortcutMap::kMenuProperty, QString(menu->title()).remove(u'&'));
    connect(action, &QAction::triggered, this,
            [action, command = std::move(command)] { command(action); });
    mCommands << action;
    return action;
}

// A command's identifier is its name; those that share one (the papers, the fixed sizes) add
// their tag. The keys it has now, once built, are its own.
void MainMenu::identifyCommands()
{
    QHash<QString, int> uses;
    for (const QAction *a : std::as_const(mCommands))
        ++uses[a->objectName()];
    for (QAction *a : std::as_const(mCommands)) {
        const QString id = uses.value(a->objectName()) > 1
            ? a->objectName() + a->property("tag").toString()
            : a->objectName();
        a->setProperty(ShortcutMap::kIdProperty, id);
        a->setProperty(ShortcutMap::kDefaultsProperty, QVariant::fromValue(a->shortcuts()));
    }
}

void MainMenu::applyShortcuts()
{
    ShortcutMap map = ShortcutMap::fromActions(mCommands);
    map.load(mStore);
    map.applyTo(mCommands);
}

void MainMenu::applyShortcutsEverywhere()
{
    for (QWidget *top : QApplication::topLevelWidgets())
        for (MainMenu *menu : top->findChildren<MainMenu *>())
            menu->applyShortcuts();
}

QAction *MainMenu::action(const QString &name) const
{
    const QList<QAction *> found = actions(name);
    return found.isEmpty() ? nullptr : found.first();
}

QList<QAction *> MainMenu::actions(const QString &name) const
{
    QList<QAction *> found;
    for (QAction *a : mWindow->menuBar()->findChildren<QAction *>())
        if (a->objectName() == name)
            found << a;
    return found;
}

void MainMenu::buildFileMenu()
{
    QMenu *file = mWindow->menuBar()->addMenu(tr("&File"));
    auto documents = [this] { return this->documents(); };
    addCommand(file, tr("&New"), "newDocument:", QKeySequence::New, [documents](QAction *) {
        if (DocumentController *d = documents())
            d->newDocument();
    });
    mApplicationItems << addCommand(file, tr("New from &Clipboard"), "newDocumentFromClipboard:",
                                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V),
                                    [](QAction *sender) {
                                        if (ApplicationMenuCommands *app = application())
                                            app->newDocumentFromClipboard(sender);
                                    });
    addCommand(file, tr("&Open…"), "openDocument:", QKeySequence::Open, [documents](QAction *) {
        if (DocumentController *d = documents())
            d->openDocument();
    });
    mRecentMenu = file->addMenu(tr("Open &Recent"));
    mRecentMenu->setObjectName(QStringLiteral("openRecentMenu"));
    connect(mRecentMenu, &QMenu::aboutToShow, this, &MainMenu::fillRecentMenu);
    fillRecentMenu();
    file->addSeparator();
    auto document = [this] { return mWindow->document(); };
    addCommand(file, tr("&Close"), "performClose:", QKeySequence::Close, [document](QAction *) {
        if (Document *d = document())
            d->performClose();
    });
    addCommand(file, tr("&Save"), "saveDocument:", QKeySequence::Save, [document](QAction *) {
        if (Document *d = document())
            d->saveDocument();
    });
    addCommand(file, tr("Save &As…"), "saveDocumentAs:", QKeySequence(),
               [document](QAction *) {
                   if (Document *d = document())
                       d->saveDocumentAs();
               })
        ->setShortcuts(
            standardOr(QKeySequence::SaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)));
    addCommand(file, tr("Re&vert to Saved"), "revertDocumentToSaved:", QKeySequence(),
               [document](QAction *) {
                   if (Document *d = document())
                       d->revertDocumentToSaved();
               });
    file->addSeparator();
    QAction *quit
        = addCommand(file, tr("&Quit"), "terminate:", QKeySequence::Quit, [documents](QAction *) {
              if (DocumentController *d = documents())
                  d->terminate();
          });
    quit->setMenuRole(QAction::QuitRole);
}

void MainMenu::buildEditMenu()
{
    QMenu *edit = mWindow->menuBar()->addMenu(tr("&Edit"));
    auto canvas = [this] { return mWindow->canvas(); };
    addCommand(edit, tr("&Undo"), "undo:", QKeySequence::Undo, [canvas](QAction *sender) {
        if (WTView *c = canvas())
            c->undo(sender);
    });
    // The desktop's Ctrl+Shift+Z, and Ctrl+Y as other programs on Linux take it too.
    QAction *redo
        = addCommand(edit, tr("&Redo"), "redo:", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                     [canvas](QAction *sender) {
                         if (WTView *c = canvas())
                             c->redo(sender);
                     });
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    edit->addSeparator();
    addCommand(edit, tr("&Copy"), "copy:", QKeySequence::Copy, [canvas](QAction *sender) {
        if (WTView *c = canvas())
            c->copy(sender);
    });
    addCommand(edit, tr("Copy with &Background"),
               "copyWithBG:", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
               [canvas](QAction *sender) {
                   if (WTView *c = canvas())
                       c->copyWithBG(sender);
               });
    // Enabled while the clipboard offers an image, as the application follows it.
    mApplicationItems << addCommand(edit, tr("&Paste"), "paste:", QKeySequence::Paste,
                                    [canvas](QAction *sender) {
                                        if (WTView *c = canvas())
                                            c->paste(sender);
                                    });
    addCommand(edit, tr("C&lear"), "clear:", QKeySequence(), [canvas](QAction *sender) {
        if (WTView *c = canvas())
            c->clear(sender);
    });
    edit->addSeparator();
    QAction *preferences = addCommand(
        edit, tr("&Preferences…"), "orderFrontPreferencesPanel:", QKeySequence(),
        [this, canvas](QAction *) {
            PreferencesDialog::showForWindow(mWindow, canvas(), [this](QWidget *parent) {
                return new ShortcutsPage(mCommands, mStore, &MainMenu::applyShortcutsEverywhere,
                                         parent);
            });
        });
    preferences->setShortcuts(
        standardOr(QKeySequence::Preferences, QKeySequence(Qt::CTRL | Qt::Key_Comma)));
    preferences->setMenuRole(QAction::PreferencesRole);
}

void MainMenu::buildViewMenu()
{
    QMenu *view = mWindow->menuBar()->addMenu(tr("&View"));
    auto command = [this, view](const QString &title, const char *name,
                                const QKeySequence &shortcut, void (CanvasViewport::*change)()) {
        return addCommand(view, title, name, shortcut, [this, change](QAction *) {
            if (WTView *c = mWindow->canvas())
                (c->viewport().*change)();
        });
    };
    // Ctrl+= as well: "+" is a shifted key on many keyboards.
    command(tr("Zoom &In"), "zoomIn", QKeySequence(), &CanvasViewport::zoomIn)
        ->setShortcuts(withUsual(QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)));
    command(tr("Zoom &Out"), "zoomOut", QKeySequence(Qt::CTRL | Qt::Key_Minus),
            &CanvasViewport::zoomOut);
    command(tr("&Actual Size"), "zoomToActualSize", QKeySequence(Qt::CTRL | Qt::Key_0),
            &CanvasViewport::zoomToActualSize);
    command(tr("&Fit to Window"), "zoomToFit", QKeySequence(Qt::CTRL | Qt::Key_9),
            &CanvasViewport::zoomToFit);
    command(tr("Reset &View"), "resetView", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_0),
            &CanvasViewport::resetView);
    view->addSeparator();
    command(tr("Rotate &Left"), "rotateLeft", QKeySequence(Qt::CTRL | Qt::Key_BracketLeft),
            &CanvasViewport::rotateLeft);
    command(tr("Rotate &Right"), "rotateRight", QKeySequence(Qt::CTRL | Qt::Key_BracketRight),
            &CanvasViewport::rotateRight);
    command(tr("R&eset Rotation"), "resetRotation", QKeySequence(), &CanvasViewport::resetRotation);
    mMirrorItem = command(tr("&Mirror"), "toggleMirror", QKeySequence(Qt::Key_M),
                          &CanvasViewport::toggleMirror);
    mMirrorItem->setCheckable(true);
    // The check follows the canvas, also when it has none.
    connect(mMirrorItem, &QAction::triggered, this, &MainMenu::showViewState);
    view->addSeparator();
    mFullScreenItem = addCommand(
        view, tr("F&ull Screen"), "toggleFullScreen", QKeySequence(), [this](QAction *sender) {
            mWindow->setWindowState(
                mWindow->windowState().setFlag(Qt::WindowFullScreen, sender->isChecked()));
        });
    mFullScreenItem->setShortcuts(withUsual(QKeySequence::FullScreen, QKeySequence(Qt::Key_F11)));
    mFullScreenItem->setCheckable(true);
    mLayersPanelItem = addCommand(
        view, tr("La&yers"), "toggleLayersPanel", QKeySequence(Qt::Key_F7),
        [this](QAction *sender) { mWindow->setLayersPanelShown(sender->isChecked()); });
    mLayersPanelItem->setCheckable(true);
    mColorsPanelItem = addCommand(
        view, tr("&Colours"), "toggleColorsPanel", QKeySequence(Qt::Key_F8),
        [this](QAction *sender) { mWindow->setColorsPanelShown(sender->isChecked()); });
    mColorsPanelItem->setCheckable(true);
    view->addSeparator();
    addPaperItems(view);
}

void MainMenu::buildImageMenu()
{
    QMenu *image = mWindow->menuBar()->addMenu(tr("&Image"));
    auto canvas = [this] { return mWindow->canvas(); };
    addCommand(image, tr("Crop to &Visible Area"), "cropResize:", QKeySequence(),
               [canvas](QAction *sender) {
                   WTView *c = canvas();
                   const Rect r = c ? c->viewport().visibleRect() : Rect();
                   sender->setProperty(kCroppedRectProperty,
                                       c ? QVariant(QRectF(r.x(), r.y(), r.width(), r.height()))
                                         : QVariant());
                   if (c)
                       c->core().cropResizeToRect(r);
               });
    image->addSeparator();
    for (int tag = 1; tag <= kFixedSizesCount; ++tag) {
        const Size s = kFixedSizes[std::size_t(tag - 1)];
        QAction *fixed
            = addCommand(image, tr("%1 × %2").arg(int(s.width)).arg(int(s.height)),
                         "cropResizeToFixedSize:", QKeySequence(), [canvas](QAction *sender) {
                             if (WTView *c = canvas())
                                 c->cropResizeToFixedSize(sender);
                         });
        fixed->setProperty("tag", tag);
    }
    image->addSeparator();
    addCommand(image, tr("C&ustom Size…"), "cropResizeToCustomSize:", QKeySequence(),
               [canvas](QAction *sender) {
                   if (WTView *c = canvas())
                       c->cropResizeToCustomSize(sender);
               });
}

void MainMenu::buildWindowMenu()
{
    mWindowMenu = mWindow->menuBar()->addMenu(tr("&Window"));
    addCommand(mWindowMenu, tr("&Zoom"), "performZoom:", QKeySequence(),
               [this](QAction *sender) { mWindow->performZoom(sender); });
    mWindowMenu->addSeparator();
    mApplicationItems << addCommand(mWindowMenu, tr("&Bring All to Front"),
                                    "arrangeInFront:", QKeySequence(), [](QAction *sender) {
                                        if (ApplicationMenuCommands *app = application())
                                            app->arrangeInFront(sender);
                                    });
    mWindowMenu->addSeparator();
    connect(mWindowMenu, &QMenu::aboutToShow, this, &MainMenu::fillWindowMenu);
}

void MainMenu::buildHelpMenu()
{
    QMenu *help = mWindow->menuBar()->addMenu(tr("&Help"));
    addCommand(help, tr("Inkpond &Help"), "showHelp", QKeySequence(), [this](QAction *) {
        showHelp();
    })->setShortcuts(standardOr(QKeySequence::HelpContents, QKeySequence(Qt::Key_F1)));
    addCommand(help, tr("&Keyboard and Pen Shortcuts"), "showShortcuts", QKeySequence(),
               [this](QAction *) { showShortcuts(); });
    QAction *about
        = addCommand(help, tr("&About Inkpond"), "orderFrontStandardAboutPanel:", QKeySequence(),
                     [this](QAction *) { showAboutPanel(); });
    about->setMenuRole(QAction::AboutRole);
}

void MainMenu::validate()
{
    if (ApplicationMenuCommands *app = application())
        for (QAction *a : std::as_const(mApplicationItems))
            a->setEnabled(app->validateUserInterfaceItem(a));
    // Reverting needs a file, and something to take back.
    const Document *document = mWindow->document();
    if (QAction *revert = action(QStringLiteral("revertDocumentToSaved:")))
        revert->setEnabled(document && !document->fileURL().isEmpty()
                           && document->isDocumentEdited());
    // Undo stays enabled and beeps when there is nothing; a disabled Redo says there is none.
    if (QAction *redo = action(QStringLiteral("redo:")))
        redo->setEnabled(mWindow->canvas() && mWindow->canvas()->canRedo());
    showViewState();
    showLayers();
}

void MainMenu::showViewState()
{
    const WTView *canvas = mWindow->canvas();
    mMirrorItem->setChecked(canvas && canvas->viewport().view().isMirrored());
    mFullScreenItem->setChecked(mWindow->isFullScreen());
    mLayersPanelItem->setChecked(mWindow->isLayersPanelShown());
    mColorsPanelItem->setChecked(mWindow->isColorsPanelShown());
}

bool MainMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mWindow && event->type() == QEvent::WindowStateChange)
        showViewState();
    return QObject::eventFilter(watched, event);
}

void MainMenu::fillRecentMenu()
{
    mRecentMenu->clear();
    const QStringList paths = RecentDocuments::paths(mStore);
    for (const QString &path : paths) {
        QAction *item = mRecentMenu->addAction(QFileInfo(path).fileName());
        item->setObjectName(QStringLiteral("openRecentDocument:"));
        item->setToolTip(path);
        connect(item, &QAction::triggered, this, [this, path] {
            if (DocumentController *d = documents())
                d->openFiles({path});
        });
    }
    if (!paths.isEmpty())
        mRecentMenu->addSeparator();
    QAction *clear = mRecentMenu->addAction(tr("Clear Menu"));
    clear->setObjectName(QStringLiteral("clearRecentDocuments:"));
    clear->setEnabled(!paths.isEmpty());
    connect(clear, &QAction::triggered, this,
            [this] { RecentDocuments::clearRecentDocuments(mStore); });
}

void MainMenu::fillWindowMenu()
{
    qDeleteAll(mDocumentItems);
    mDocumentItems.clear();
    const DocumentController *controller = documents();
    if (!controller)
        return;
    for (Document *document : controller->documents()) {
        if (!document->window())
            continue;
        QAction *item = mWindowMenu->addAction(document->displayName());
        item->setObjectName(QStringLiteral("makeKeyAndOrderFront:"));
        item->setCheckable(true);
        item->setChecked(document->window() == mWindow);
        const QPointer<Document> target(document);
        connect(item, &QAction::triggered, this, [target] {
            if (target)
                target->showWindows();
        });
        mDocumentItems << item;
    }
}

void MainMenu::showAboutPanel()
{
    auto *box = new QMessageBox(mWindow);
    box->setObjectName(QStringLiteral("aboutPanel"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(tr("About Inkpond"));
    box->setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
    box->setText(tr("<b>Inkpond</b> %1").arg(QCoreApplication::applicationVersion()));
    box->setInformativeText(tr("A painting program for pen tablets."));
    box->setTextFormat(Qt::RichText);
    box->setStandardButtons(QMessageBox::Ok);
    box->open();
}
