#pragma once

#include "ToolbarCustomizeDialog.h"

#include <QPointer>
#include <QSize>
#include <QToolBar>
#include <QWidgetAction>
#include <memory>
#include <optional>
#include <vector>

class Preferences;
class Toolbar;

// One item of a toolbar: a view that the item shows without owning it, with its texts and the
// sizes the toolbar may give the view. While the item is on a toolbar the view lives in a holder
// there; when the item leaves, the view goes back to the widget it came from, at its own size.
class ToolbarItem : public QWidgetAction
{
    Q_OBJECT

public:
    explicit ToolbarItem(const QString &itemIdentifier, QObject *parent = nullptr);

    QString itemIdentifier() const { return mItemIdentifier; }
    QString label() const { return text(); }
    void setLabel(const QString &label) { setText(label); }
    QString paletteLabel() const { return mPaletteLabel; }
    void setPaletteLabel(const QString &label) { mPaletteLabel = label; }

    QWidget *view() const { return mView; }
    void setView(QWidget *view) { mView = view; }
    void setMinSize(QSize size) { mMinSize = size; }
    QSize maxSize() const { return mMaxSize; }
    void setMaxSize(QSize size) { mMaxSize = size; }

protected:
    QWidget *createWidget(QWidget *parent) override;
    void deleteWidget(QWidget *widget) override;

private:
    QString mItemIdentifier;
    QString mPaletteLabel;
    QPointer<QWidget> mView;
    QSize mMinSize;
    QSize mMaxSize;
    QPointer<QWidget> mViewHome; // where the view was before the toolbar took it
    QSize mViewSize;
};

// What a toolbar asks of its delegate.
class ToolbarDelegate
{
public:
    virtual ~ToolbarDelegate() = default;
    virtual QStringList toolbarAllowedItemIdentifiers(Toolbar *toolbar) = 0;
    virtual QStringList toolbarDefaultItemIdentifiers(Toolbar *toolbar) = 0;
    // A new item for the identifier, or nullptr for one the delegate does not know.
    virtual std::unique_ptr<ToolbarItem> toolbar(Toolbar *toolbar, const QString &itemIdentifier,
                                                 bool flag)
        = 0;
};

// A window's toolbar whose items its delegate makes and the user may choose and order. Toolbars
// with the same identifier and store share one configuration: when it is stored, a change made in
// one window reaches every open toolbar of that identifier on that store, and every later one.
class Toolbar : public QToolBar, public CustomizableToolbar
{
    Q_OBJECT

public:
    // The configuration is kept in the store, which outlives the toolbar.
    Toolbar(const QString &identifier, Preferences &store, QWidget *parent = nullptr);
    ~Toolbar() override;

    QString identifier() const { return mIdentifier; }
    void setAutosavesConfiguration(bool autosaves) { mAutosavesConfiguration = autosaves; }
    bool allowsUserCustomization() const { return mAllowsUserCustomization; }
    void setAllowsUserCustomization(bool allows) { mAllowsUserCustomization = allows; }
    ToolbarDelegate *delegate() const { return mDelegate; }
    void setDelegate(ToolbarDelegate *delegate) { mDelegate = delegate; }

    // Shows the stored configuration, or the delegate's default items when none is stored.
    void loadConfiguration();
    // The identifiers of the items shown, left to right.
    QStringList itemIdentifiers() const override { return mShownIdentifiers; }
    // The items shown that the delegate made, left to right.
    std::vector<ToolbarItem *> items() const;
    // Shows these items; when the configuration is autosaved, stores it for every toolbar of
    // this identifier.
    void setItemIdentifiers(const QStringList &identifiers) override;
    void restoreDefaultItems() override;
    QStringList allowedItemIdentifiers() override;

    // The palette text of any allowed identifier, the standard ones included.
    QString paletteLabelForIdentifier(const QString &itemIdentifier) override;
    // Opens the dialog in which the user chooses and orders the items.
    void runCustomizationPalette(QObject *sender = nullptr);

    // The stored configuration of an identifier; nothing while none is stored.
    static std::optional<QStringList> storedItemIdentifiers(const Preferences &store,
                                                            const QString &identifier);

private:
    void showItems(const QStringList &identifiers);
    void removeShownItems();
    QAction *makeStandardItem(const QString &itemIdentifier);

    QString mIdentifier;
    Preferences &mStore;
    bool mAutosavesConfiguration = false;
    bool mAllowsUserCustomization = false;
    ToolbarDelegate *mDelegate = nullptr; // not owned
    QStringList mShownIdentifiers;
    std::vector<QAction *> mShownActions; // children of the toolbar
};
