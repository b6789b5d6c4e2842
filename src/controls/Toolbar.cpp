#include "Toolbar.h"

#include "NotificationCenter.h"
#include "ProgramKeys.h"
#include "Preferences.h"
#include "ToolbarCustomizeDialog.h"

#include <QResizeEvent>

namespace {
const QString kToolbarConfigurationChanged = QStringLiteral("ToolbarConfigurationChanged");
const QString kIdentifierKey = QStringLiteral("identifier");

// Holds an item's view on the toolbar, in the sizes the item allows.
class ToolbarItemHolder : public QWidget
{
public:
    ToolbarItemHolder(QWidget *view, QSize viewSize, QWidget *parent)
        : QWidget(parent)
        , mView(view)
        , mViewSize(viewSize)
    {
        view->setParent(this);
        view->move(0, 0);
        view->show();
    }
    QSize sizeHint() const override { return mViewSize; }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        if (mView && mView->parentWidget() == this)
            mView->resize(event->size());
    }

private:
    QPointer<QWidget> mView;
    QSize mViewSize;
};

QWidget *makeSpace(QWidget *parent, bool flexible)
{
    auto *space = new QWidget(parent);
    space->setFixedHeight(1);
    if (flexible)
        space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    else
        space->setFixedWidth(16);
    return space;
}
} // namespace

ToolbarItem::ToolbarItem(const QString &itemIdentifier, QObject *parent)
    : QWidgetAction(parent)
    , mItemIdentifier(itemIdentifier)
{
}

QWidget *ToolbarItem::createWidget(QWidget *parent)
{
    if (!mView)
        return nullptr;
    mViewHome = mView->parentWidget();
    mViewSize = mView->size();
    auto *holder = new ToolbarItemHolder(mView, mViewSize, parent);
    holder->setMinimumSize(mMinSize);
    holder->setMaximumSize(mMaxSize.isValid() ? mMaxSize : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    if (mMinSize.width() < mMaxSize.width())
        holder->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    else
        holder->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    holder->setToolTip(toolTip());
    return holder;
}

void ToolbarItem::deleteWidget(QWidget *widget)
{
    // The view is not the item's: it goes home, as it was, before its holder goes. Without a
    // home (its window is being destroyed) it goes with the holder.
    if (mView && mViewHome && mView->parentWidget() == widget) {
        mView->hide();
        mView->setParent(mViewHome);
        mView->resize(mViewSize);
    }
    QWidgetAction::deleteWidget(widget);
}

Toolbar::Toolbar(const QString &identifier, Preferences &store, QWidget *parent)
    : QToolBar(parent)
    , mIdentifier(identifier)
    , mStore(store)
{
    setObjectName(identifier);
    setMovable(false);
    setFloatable(false);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    NotificationCenter::defaultCenter().addObserver(
        this, kToolbarConfigurationChanged,
        [this](const Notification &n) {
            if (mAutosavesConfiguration && n.userInfo.value(kIdentifierKey) == mIdentifier)
                loadConfiguration();
        },
        &mStore);
}

Toolbar::~Toolbar()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

std::optional<QStringList> Toolbar::storedItemIdentifiers(const Preferences &store,
                                                          const QString &identifier)
{
    return store.stringArrayForKey(ProgramKeys::toolbarConfigurationKey(identifier));
}

void Toolbar::loadConfiguration()
{
    if (!mDelegate)
        return;
    std::optional<QStringList> stored;
    if (mAutosavesConfiguration)
        stored = storedItemIdentifiers(mStore, mIdentifier);
    showItems(stored ? *stored : mDelegate->toolbarDefaultItemIdentifiers(this));
}

void Toolbar::setItemIdentifiers(const QStringList &identifiers)
{
    if (!mAutosavesConfiguration) {
        showItems(identifiers);
        return;
    }
    mStore.setStringArray(identifiers, ProgramKeys::toolbarConfigurationKey(mIdentifier));
    // Every toolbar of this identifier on this store shows it, this one included.
    NotificationCenter::defaultCenter().post(kToolbarConfigurationChanged, &mStore,
                                             {{kIdentifierKey, mIdentifier}});
}

void Toolbar::restoreDefaultItems()
{
    if (mDelegate)
        setItemIdentifiers(mDelegate->toolbarDefaultItemIdentifiers(this));
}

std::vector<ToolbarItem *> Toolbar::items() const
{
    std::vector<ToolbarItem *> result;
    for (QAction *action : mShownActions)
        if (auto *item = qobject_cast<ToolbarItem *>(action))
            result.push_back(item);
    return result;
}

void Toolbar::removeShownItems()
{
    // Removing an action first gives its view back; only then is the action deleted.
    for (QAction *action : mShownActions) {
        removeAction(action);
        delete action;
    }
    mShownActions.clear();
    mShownIdentifiers.clear();
}

void Toolbar::showItems(const QStringList &identifiers)
{
    removeShownItems();
    const QStringList allowed
        = mDelegate ? mDelegate->toolbarAllowedItemIdentifiers(this) : QStringList();
    QStringList shownViews;
    for (const QString &id : identifiers) {
        // A stored configuration may come from another version, or from a hand edit.
        if (!allowed.contains(id))
            continue;
        QAction *action = makeStandardItem(id);
        if (!action) {
            // A view can be in one place only: an item is shown once.
            if (shownViews.contains(id))
                continue;
            std::unique_ptr<ToolbarItem> item = mDelegate->toolbar(this, id, true);
            if (!item)
                continue;
            item->setParent(this);
            shownViews << id;
            action = item.release();
        }
        addAction(action);
        mShownActions.push_back(action);
        mShownIdentifiers << id;
    }
}

QAction *Toolbar::makeStandardItem(const QString &itemIdentifier)
{
    if (itemIdentifier == kToolbarSeparatorItemIdentifier) {
        auto *separator = new QAction(this);
        separator->setSeparator(true);
        return separator;
    }
    const bool flexible = itemIdentifier == kToolbarFlexibleSpaceItemIdentifier;
    if (!flexible && itemIdentifier != kToolbarSpaceItemIdentifier)
        return nullptr;
    auto *space = new QWidgetAction(this);
    space->setDefaultWidget(makeSpace(nullptr, flexible));
    return space;
}

QString Toolbar::paletteLabelForIdentifier(const QString &itemIdentifier)
{
    if (itemIdentifier == kToolbarSpaceItemIdentifier)
        return tr("Space");
    if (itemIdentifier == kToolbarFlexibleSpaceItemIdentifier)
        return tr("Flexible Space");
    if (itemIdentifier == kToolbarSeparatorItemIdentifier)
        return tr("Separator");
    const std::unique_ptr<ToolbarItem> item
        = mDelegate ? mDelegate->toolbar(this, itemIdentifier, false) : nullptr;
    return item ? item->paletteLabel() : itemIdentifier;
}

QStringList Toolbar::allowedItemIdentifiers()
{
    return mDelegate ? mDelegate->toolbarAllowedItemIdentifiers(this) : QStringList();
}

void Toolbar::runCustomizationPalette(QObject *)
{
    if (!mAllowsUserCustomization || !mDelegate)
        return;
    if (auto *open = findChild<ToolbarCustomizeDialog *>()) {
        open->raise();
        open->activateWindow();
        return;
    }
    auto *dialog = new ToolbarCustomizeDialog(this, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}
