#pragma once

#include "ShortcutMap.h"

#include <QWidget>
#include <functional>

class Preferences;
class QKeySequenceEdit;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The Preferences page of keyboard shortcuts: every menu command with its keys, by menu, with a
// filter. A key another command holds is given only when the user agrees to take it from that
// command. Each change is stored and reaches the menus of every window at once.
class ShortcutsPage : public QWidget
{
    Q_OBJECT

public:
    // commands: a window's menu commands (MainMenu::commands()); the store outlives the page.
    // applied runs once a change is stored, to give the menus their keys.
    ShortcutsPage(const QList<QAction *> &commands, Preferences &store,
                  std::function<void()> applied, QWidget *parent);

    const ShortcutMap &map() const { return mMap; }
    // Gives the command the key (empty: none). When another command holds it, asks first in a
    // window-modal box ("shortcutConflictAlert") naming that command.
    void assign(const QString &id, const QKeySequence &key);

private:
    void fill();
    void showKeys();
    void filter(const QString &text);
    void showSelected();
    void saveAndApply();
    QString selectedId() const;

    ShortcutMap mMap;
    Preferences &mStore;
    std::function<void()> mApplied;
    QLineEdit *mFilter;
    QTreeWidget *mTree;
    QKeySequenceEdit *mKeyEdit;
    QPushButton *mClear;
};
