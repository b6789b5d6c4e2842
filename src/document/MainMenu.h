#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <functional>

class DocumentController;
class DocumentWindow;
class Preferences;
class QAction;
class QMenu;

// Crop to Visible Area leaves on its action the sheet rectangle it cropped to (a QRectF in the
// sheet's y-up terms): what is visible depends on the view, which a replay need not have.
inline constexpr const char *kCroppedRectProperty = "croppedRect";

// The menu bar of a document window. Each command is a QAction whose object name is the name
// of the action it sends ("undo:", "saveDocument:", ...), so that scripts and tests can find
// and trigger it; the five fixed sizes also carry their "tag". Document commands go to the
// window's document, canvas commands to its canvas, the others to the application. The View
// menu's names have no colon: they are no recorded commands, since a recording keeps the view
// the canvas reports, whatever changed it. New, Open, Quit and the Window menu go to the
// controller that holds the window's document; the recent files are kept in the store.
class MainMenu : public QObject
{
    Q_OBJECT

public:
    // The store outlives the menu.
    MainMenu(DocumentWindow *window, Preferences &store);

    // The first action with that name, or nullptr.
    QAction *action(const QString &name) const;
    // Every action with that name, in menu order.
    QList<QAction *> actions(const QString &name) const;

    // Every command, in menu order; each carries its shortcut identifier (ShortcutMap.h).
    const QList<QAction *> &commands() const { return mCommands; }
    Preferences &store() const { return mStore; }
    // The commands get the keys the store holds for them, over their own.
    void applyShortcuts();
    // The same for the menus of every window.
    static void applyShortcutsEverywhere();

    // Enables each command that can be chosen now; called again when the document's edited
    // state, its name or what its canvas can redo changes.
    void validate();
    // Checks Mirror and Full Screen as the canvas and the window are now.
    void showViewState();
    // Checks the View menu's paper that the canvas has now (MainMenuPaper.cpp).
    void showPaper();
    // Checks the Tools menu's nib that the canvas's active slot has now (MainMenuTools.cpp).
    void showBrush();
    // Enables the Layer menu's items that apply to the canvas's layers now (MainMenuLayers.cpp).
    void showLayers();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *addCommand(QMenu *menu, const QString &title, const char *name,
                        const QKeySequence &shortcut, std::function<void(QAction *)> command);
    void identifyCommands();
    void buildFileMenu();
    void buildEditMenu();
    void buildViewMenu();
    void buildImageMenu();
    void buildToolsMenu(); // MainMenuTools.cpp
    void buildLayerMenu(); // MainMenuLayers.cpp
    void addPaperItems(QMenu *view); // MainMenuPaper.cpp
    void addBrushItems(QMenu *tools); // MainMenuTools.cpp
    void buildWindowMenu();
    void buildHelpMenu();
    void fillRecentMenu();
    void fillWindowMenu();
    void showAboutPanel();
    void showShortcuts(); // MainMenuShortcuts.cpp
    void showHelp(); // MainMenuHelp.cpp
    // A reference panel of the window showing content above a Close button; the open one of that
    // name is brought forward instead of a second being made.
    void showPanel(const QString &name, const QString &title, QSize size,
                   const std::function<QWidget *(QWidget *panel)> &content);
    // The controller holding the window's document; nullptr once it holds it no more.
    DocumentController *documents() const;

    DocumentWindow *mWindow; // the parent
    Preferences &mStore;
    QMenu *mRecentMenu = nullptr;
    QMenu *mWindowMenu = nullptr;
    QAction *mMirrorItem = nullptr;
    QAction *mFullScreenItem = nullptr;
    QAction *mLayersPanelItem = nullptr;
    QAction *mColorsPanelItem = nullptr;
    QList<QAction *> mDocumentItems; // the Window menu's list of documents
    QList<QAction *> mApplicationItems; // enabled as the application validates them
    QList<QAction *> mBrushItems; // the Tools menu's nibs, in BrushKind order
    QList<QAction *> mCommands;
};
