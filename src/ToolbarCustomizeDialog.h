#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;
class Toolbar;

// Chooses and orders a toolbar's items: the allowed ones on the left, the toolbar's on the
// right, from left to right. Every change shows at once on each toolbar sharing the
// configuration.
class ToolbarCustomizeDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ToolbarCustomizeDialog(Toolbar *toolbar);

    // Commands of the buttons, usable without them.
    void addSelectedItem();
    void removeSelectedItem();
    void moveSelectedItem(int by);
    void restoreDefaults();

private:
    void apply(const QStringList &identifiers, int selectRow);
    void refresh(int selectRow);
    void updateButtons();
    QStringList shownIdentifiers() const;
    bool isOnToolbar(const QString &itemIdentifier) const;

    Toolbar *mToolbar; // the parent
    QListWidget *mAllowed;
    QListWidget *mShown;
    QPushButton *mAdd;
    QPushButton *mRemove;
    QPushButton *mUp;
    QPushButton *mDown;
};
