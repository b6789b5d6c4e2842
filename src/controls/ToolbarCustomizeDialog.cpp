#include "ToolbarCustomizeDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
bool isStandardItem(const QString &itemIdentifier)
{
    return itemIdentifier == kToolbarSpaceItemIdentifier
        || itemIdentifier == kToolbarFlexibleSpaceItemIdentifier
        || itemIdentifier == kToolbarSeparatorItemIdentifier;
}

QListWidgetItem *makeEntry(const QString &text, const QString &itemIdentifier)
{
    auto *entry = new QListWidgetItem(text);
    entry->setData(Qt::UserRole, itemIdentifier);
    return entry;
}
} // namespace

ToolbarCustomizeDialog::ToolbarCustomizeDialog(CustomizableToolbar *toolbar, QWidget *parent)
    : QDialog(parent)
    , mToolbar(toolbar)
    , mAllowed(new QListWidget(this))
    , mShown(new QListWidget(this))
    , mAdd(new QPushButton(tr("&Add"), this))
    , mRemove(new QPushButton(tr("&Remove"), this))
    , mUp(new QPushButton(tr("Move &Up"), this))
    , mDown(new QPushButton(tr("Move &Down"), this))
{
    setObjectName(QStringLiteral("ToolbarCustomizeDialog"));
    setWindowTitle(tr("Customize Toolbar"));
    mAllowed->setObjectName(QStringLiteral("allowedItems"));
    mShown->setObjectName(QStringLiteral("toolbarItems"));
    mShown->setDragDropMode(QAbstractItemView::InternalMove);
    mShown->setDefaultDropAction(Qt::MoveAction);
    for (const QString &id : toolbar->allowedItemIdentifiers())
        mAllowed->addItem(makeEntry(toolbar->paletteLabelForIdentifier(id), id));

    auto *defaults = new QPushButton(tr("Use &Default Set"), this);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(tr("Done"));
    buttons->addButton(defaults, QDialogButtonBox::ResetRole);

    auto *commands = new QVBoxLayout;
    for (QPushButton *b : {mAdd, mRemove, mUp, mDown}) {
        b->setAutoDefault(false);
        commands->addWidget(b);
    }
    commands->addStretch();
    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Items you can add:"), this), 0, 0);
    grid->addWidget(new QLabel(tr("Toolbar, from left to right:"), this), 0, 2);
    grid->addWidget(mAllowed, 1, 0);
    grid->addLayout(commands, 1, 1);
    grid->addWidget(mShown, 1, 2);
    grid->addWidget(buttons, 2, 0, 1, 3);

    connect(mAdd, &QPushButton::clicked, this, &ToolbarCustomizeDialog::addSelectedItem);
    connect(mRemove, &QPushButton::clicked, this, &ToolbarCustomizeDialog::removeSelectedItem);
    connect(mUp, &QPushButton::clicked, this, [this] { moveSelectedItem(-1); });
    connect(mDown, &QPushButton::clicked, this, [this] { moveSelectedItem(1); });
    connect(defaults, &QPushButton::clicked, this, &ToolbarCustomizeDialog::restoreDefaults);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    connect(mAllowed, &QListWidget::itemDoubleClicked, this,
            &ToolbarCustomizeDialog::addSelectedItem);
    connect(mShown, &QListWidget::itemDoubleClicked, this,
            &ToolbarCustomizeDialog::removeSelectedItem);
    connect(mAllowed, &QListWidget::currentRowChanged, this,
            &ToolbarCustomizeDialog::updateButtons);
    connect(mShown, &QListWidget::currentRowChanged, this, &ToolbarCustomizeDialog::updateButtons);
    // A drag within the toolbar's list reorders the toolbar.
    connect(
        mShown->model(), &QAbstractItemModel::rowsMoved, this,
        [this] { apply(shownIdentifiers(), mShown->currentRow()); }, Qt::QueuedConnection);
    refresh(-1);
}

QStringList ToolbarCustomizeDialog::shownIdentifiers() const
{
    QStringList ids;
    for (int i = 0; i < mShown->count(); ++i)
        ids << mShown->item(i)->data(Qt::UserRole).toString();
    return ids;
}

bool ToolbarCustomizeDialog::isOnToolbar(const QString &itemIdentifier) const
{
    return mToolbar->itemIdentifiers().contains(itemIdentifier);
}

void ToolbarCustomizeDialog::addSelectedItem()
{
    const QListWidgetItem *chosen = mAllowed->currentItem();
    if (!chosen)
        return;
    const QString id = chosen->data(Qt::UserRole).toString();
    // Spaces and separators may repeat; an item with a view exists once.
    if (!isStandardItem(id) && isOnToolbar(id))
        return;
    QStringList ids = mToolbar->itemIdentifiers();
    const int at = mShown->currentRow() < 0 ? int(ids.size()) : mShown->currentRow() + 1;
    ids.insert(at, id);
    apply(ids, at);
}

void ToolbarCustomizeDialog::removeSelectedItem()
{
    const int row = mShown->currentRow();
    QStringList ids = mToolbar->itemIdentifiers();
    if (row < 0 || row >= ids.size())
        return;
    ids.removeAt(row);
    apply(ids, std::min(row, int(ids.size()) - 1));
}

void ToolbarCustomizeDialog::moveSelectedItem(int by)
{
    const int row = mShown->currentRow();
    QStringList ids = mToolbar->itemIdentifiers();
    if (row < 0 || row >= ids.size() || row + by < 0 || row + by >= ids.size())
        return;
    ids.move(row, row + by);
    apply(ids, row + by);
}

void ToolbarCustomizeDialog::restoreDefaults()
{
    mToolbar->restoreDefaultItems();
    refresh(-1);
}

void ToolbarCustomizeDialog::apply(const QStringList &identifiers, int selectRow)
{
    mToolbar->setItemIdentifiers(identifiers);
    refresh(selectRow);
}

void ToolbarCustomizeDialog::refresh(int selectRow)
{
    // What the toolbar shows, which may leave out what it cannot show.
    mShown->clear();
    for (const QString &id : mToolbar->itemIdentifiers())
        mShown->addItem(makeEntry(mToolbar->paletteLabelForIdentifier(id), id));
    mShown->setCurrentRow(std::min(selectRow, mShown->count() - 1));
    updateButtons();
}

void ToolbarCustomizeDialog::updateButtons()
{
    const QListWidgetItem *chosen = mAllowed->currentItem();
    const QString id = chosen ? chosen->data(Qt::UserRole).toString() : QString();
    mAdd->setEnabled(chosen && (isStandardItem(id) || !isOnToolbar(id)));
    const int row = mShown->currentRow();
    mRemove->setEnabled(row >= 0);
    mUp->setEnabled(row > 0);
    mDown->setEnabled(row >= 0 && row < mShown->count() - 1);
}
