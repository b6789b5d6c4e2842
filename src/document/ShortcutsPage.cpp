#include "ShortcutsPage.h"

#include <QFont>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int kIdRole = Qt::UserRole;

QString keyText(const QList<QKeySequence> &keys)
{
    return QKeySequence::listToString(keys, QKeySequence::NativeText);
}
} // namespace

ShortcutsPage::ShortcutsPage(const QList<QAction *> &commands, Preferences &store,
                             std::function<void()> applied, QWidget *parent)
    : QWidget(parent)
    , mMap(ShortcutMap::fromActions(commands))
    , mStore(store)
    , mApplied(std::move(applied))
    , mFilter(new QLineEdit(this))
    , mTree(new QTreeWidget(this))
    , mKeyEdit(new QKeySequenceEdit(this))
    , mClear(new QPushButton(tr("&Clear"), this))
{
    setObjectName(QStringLiteral("shortcutsPage"));
    mMap.load(store);
    mFilter->setObjectName(QStringLiteral("shortcutFilter"));
    mFilter->setPlaceholderText(tr("Filter by command or key"));
    mFilter->setClearButtonEnabled(true);
    mTree->setObjectName(QStringLiteral("shortcutTree"));
    mTree->setColumnCount(2);
    mTree->setHeaderLabels({tr("Command"), tr("Shortcut")});
    mTree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    mKeyEdit->setObjectName(QStringLiteral("shortcutEdit"));
    auto *restore = new QPushButton(tr("Restore &Defaults"), this);
    restore->setObjectName(QStringLiteral("restoreShortcuts"));

    auto *keyRow = new QHBoxLayout;
    keyRow->addWidget(new QLabel(tr("Shortcut:"), this));
    keyRow->addWidget(mKeyEdit, 1);
    keyRow->addWidget(mClear);
    keyRow->addStretch();
    keyRow->addWidget(restore);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(mFilter);
    layout->addWidget(mTree, 1);
    layout->addLayout(keyRow);
    fill();

    connect(mFilter, &QLineEdit::textChanged, this, &ShortcutsPage::filter);
    connect(mTree, &QTreeWidget::currentItemChanged, this, &ShortcutsPage::showSelected);
    connect(mKeyEdit, &QKeySequenceEdit::editingFinished, this, [this] {
        // One chord is a shortcut; the edit would go on collecting up to four.
        const QKeySequence typed = mKeyEdit->keySequence();
        if (!selectedId().isEmpty() && !typed.isEmpty())
            assign(selectedId(), QKeySequence(typed[0]));
    });
    connect(mClear, &QPushButton::clicked, this, [this] {
        if (!selectedId().isEmpty())
            assign(selectedId(), QKeySequence());
    });
    connect(restore, &QPushButton::clicked, this, [this] {
        mMap.restoreDefaults();
        saveAndApply();
    });
}

void ShortcutsPage::fill()
{
    QHash<QString, QTreeWidgetItem *> sections; // a submenu's commands may come between
    for (const ShortcutMap::Command &c : mMap.commands()) {
        QTreeWidgetItem *&section = sections[c.menu];
        if (!section) {
            section = new QTreeWidgetItem(mTree, {c.menu});
            section->setFirstColumnSpanned(true);
            section->setFlags(Qt::ItemIsEnabled);
        }
        auto *item = new QTreeWidgetItem(section, {c.title});
        item->setData(0, kIdRole, c.id);
    }
    mTree->expandAll();
    showKeys();
}

void ShortcutsPage::showKeys()
{
    for (int s = 0; s < mTree->topLevelItemCount(); ++s) {
        QTreeWidgetItem *section = mTree->topLevelItem(s);
        for (int i = 0; i < section->childCount(); ++i) {
            QTreeWidgetItem *item = section->child(i);
            const QString id = item->data(0, kIdRole).toString();
            item->setText(1, keyText(mMap.keys(id)));
            QFont font = item->font(0);
            font.setBold(mMap.isChanged(id)); // the user's, apart from the menu's own
            item->setFont(0, font);
            item->setFont(1, font);
        }
    }
    showSelected();
    filter(mFilter->text());
}

void ShortcutsPage::filter(const QString &text)
{
    for (int s = 0; s < mTree->topLevelItemCount(); ++s) {
        QTreeWidgetItem *section = mTree->topLevelItem(s);
        bool any = false;
        for (int i = 0; i < section->childCount(); ++i) {
            QTreeWidgetItem *item = section->child(i);
            const bool shown = item->text(0).contains(text, Qt::CaseInsensitive)
                || item->text(1).contains(text, Qt::CaseInsensitive);
            item->setHidden(!shown);
            any = any || shown;
        }
        section->setHidden(!any);
    }
}

QString ShortcutsPage::selectedId() const
{
    const QTreeWidgetItem *item = mTree->currentItem();
    return item ? item->data(0, kIdRole).toString() : QString();
}

void ShortcutsPage::showSelected()
{
    const QString id = selectedId();
    const QList<QKeySequence> keys = mMap.keys(id);
    mKeyEdit->setEnabled(!id.isEmpty());
    mClear->setEnabled(!id.isEmpty() && !keys.isEmpty());
    mKeyEdit->setKeySequence(keys.value(0));
}

void ShortcutsPage::assign(const QString &id, const QKeySequence &key)
{
    const QString holder = mMap.setKey(id, key);
    if (holder.isEmpty()) {
        saveAndApply();
        return;
    }
    const ShortcutMap::Command *taker = mMap.command(id);
    const ShortcutMap::Command *owner = mMap.command(holder);
    auto *box = new QMessageBox(
        QMessageBox::Question, QString(),
        tr("%1 is already the shortcut of “%2” (%3).")
            .arg(key.toString(QKeySequence::NativeText), owner->title, owner->menu),
        QMessageBox::Cancel, this);
    box->setObjectName(QStringLiteral("shortcutConflictAlert"));
    box->setInformativeText(tr("Do you want to give it to “%1” instead?").arg(taker->title));
    QPushButton *take = box->addButton(tr("Take It Over"), QMessageBox::AcceptRole);
    box->setDefaultButton(QMessageBox::Cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QMessageBox::finished, this, [this, box, take, id, key] {
        if (box->clickedButton() == take)
            mMap.setKey(id, key, true);
        saveAndApply(); // shows the keys as they are, taken or not
    });
    box->open();
}

void ShortcutsPage::saveAndApply()
{
    mMap.save(mStore);
    if (mApplied)
        mApplied();
    showKeys();
}
