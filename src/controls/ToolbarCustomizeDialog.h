#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QListWidget;
class QPushButton;
// The identifiers of the items every toolbar offers besides its delegate's.
inline const QString kToolbarSpaceItemIdentifier = QStringLiteral("ToolbarSpaceItem");
inline const QString kToolbarFlexibleSpaceItemIdentifier
    = QStringLiteral("ToolbarFlexibleSpaceItem");
inline const QString kToolbarSeparatorItemIdentifier = QStringLiteral("ToolbarSeparatorItem");

// What the dialog edits: the items a toolbar shows, left to right, and those it may show.
class CustomizableToolbar
{
public:
    virtual QStringList itemIdentifiers() const = 0;
    virtual void setItemIdentifiers(const QStringList &identifiers) = 0;
    virtual void restoreDefaultItems() = 0;
    virtual QStringList allowedItemIdentifiers() = 0;
    virtual QString paletteLabelForIdentifier(const QString &itemIdentifier) = 0;

protected:
    ~CustomizableToolbar() = default;
};

// Chooses and orders a toolbar's items: the allowed ones on the left, the toolbar's on the
// right, from left to right. Every change shows at once on each toolbar sharing the
// configuration.
class ToolbarCustomizeDialog : public QDialog
{
    Q_OBJECT

public:
    // parent: the toolbar's widget, which outlives the dialog.
    ToolbarCustomizeDialog(CustomizableToolbar *toolbar, QWidget *parent);

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

    CustomizableToolbar *mToolbar; // the parent's
    QListWidget *mAllowed;
    QListWidget *mShown;
    QPushButton *mAdd;
    QPushButton *mRemove;
    QPushButton *mUp;
    QPushButton *mDown;
};
