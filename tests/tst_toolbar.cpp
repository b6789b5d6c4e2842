// The document window's toolbar: its items, their sizes, the configuration every window shares,
// and the dialog that customises it.
#include "DocumentWindow.h"
#include "InkpondDocument.h"
#include "Localizable.h"
#include "PreferenceKeys.h"
#include "Preferences.h"
#include "TabletApplication.h"
#include "TestSupport.h"
#include "ToolbarCustomizeDialog.h"
#include "ToolbarItems.h"

#include <QListWidget>
#include <QMenu>
#include <QtTest>

namespace {
const QStringList kDefault {CurrentPenTBId, CurrentColorTBId, BrushSizeTBId,
                            kToolbarFlexibleSpaceItemIdentifier, BackgroundTypeTBId};

Toolbar *toolbarOf(const Opened &o)
{
    return o.window->toolbar();
}

ToolbarItem *shownItem(Toolbar *toolbar, const QString &identifier)
{
    for (ToolbarItem *item : toolbar->items())
        if (item->itemIdentifier() == identifier)
            return item;
    return nullptr;
}

int rowOf(const QListWidget *list, const QString &identifier)
{
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->data(Qt::UserRole).toString() == identifier)
            return i;
    return -1;
}
} // namespace

class TestToolbar : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_settings = std::make_unique<IsolatedSettings>(); }
    void cleanup() { m_settings.reset(); }
    void defaultsShowLeftToRightAndViewsComeBackUnchanged();
    void configurationIsSharedByEveryWindow();
    void storedConfigurationKeepsOnlyWhatCanBeShown();
    void configurationSurvivesARestart_data();
    void configurationSurvivesARestart();
    void customizeDialogEditsTheSharedConfiguration();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
};

void TestToolbar::defaultsShowLeftToRightAndViewsComeBackUnchanged()
{
    Opened o;
    o.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(o.window));
    QCOMPARE(toolbarOf(o)->itemIdentifiers(), kDefault);
    QCOMPARE(o.window->toolBarArea(toolbarOf(o)), Qt::TopToolBarArea);
    const char *order[] = {"mCurrPenView", "mCurrColorWell", "mBrushSizeSlider", "mBgTypeSlider"};
    int right = -1;
    for (const char *name : order) {
        QWidget *view = o.child(name);
        QVERIFY(view->isVisible());
        const int left = view->mapTo(toolbarOf(o), QPoint(0, 0)).x();
        QVERIFY2(left > right, name);
        right = left + view->width();
    }
    // The flexible space pushes the background slider to the far end.
    QVERIFY(toolbarOf(o)->width() - right < 24);

    QPointer<QWidget> brush = o.child("mBrushSizeSlider");
    QCOMPARE(brush->width(), 140);
    QWidget *home = o.child("mToolbarViews"); // where the views wait, hidden
    QVERIFY(home && !home->isVisible());
    QVERIFY(brush->parentWidget() != home);
    toolbarOf(o)->setItemIdentifiers(kDefault); // shown once more
    QTRY_VERIFY(brush && brush->isVisible());
    // A narrow window narrows the slider on the toolbar...
    o.window->resize(260, o.window->height());
    QTRY_VERIFY(brush->width() < 140);
    QVERIFY(brush->width() >= 30);
    // ...but not the slider itself: taken off, it is its own size again.
    toolbarOf(o)->setItemIdentifiers({CurrentColorTBId});
    QVERIFY(brush);
    QCOMPARE(brush->parentWidget(), home);
    QCOMPARE(brush->size(), QSize(140, 28));
    QVERIFY(!brush->isVisible());
    toolbarOf(o)->setItemIdentifiers(kDefault);
    QCOMPARE(shownItem(toolbarOf(o), BrushSizeTBId)->maxSize(), QSize(140, 28));
}

void TestToolbar::configurationIsSharedByEveryWindow()
{
    Opened first;
    Opened second;
    const QStringList chosen {BackgroundTypeTBId, kToolbarSeparatorItemIdentifier,
                              CurrentColorTBId};
    toolbarOf(first)->setItemIdentifiers(chosen);
    QCOMPARE(toolbarOf(first)->itemIdentifiers(), chosen);
    QCOMPARE(toolbarOf(second)->itemIdentifiers(), chosen);
    QCOMPARE(shownItem(toolbarOf(second), CurrentColorTBId)->view(),
             second.child("mCurrColorWell"));
    QVERIFY(!shownItem(toolbarOf(second), CurrentPenTBId));
    Opened later;
    QCOMPARE(toolbarOf(later)->itemIdentifiers(), chosen);
}

void TestToolbar::storedConfigurationKeepsOnlyWhatCanBeShown()
{
    Preferences::standard().setStringArray(
        {QStringLiteral("PrintTBItem"), CurrentPenTBId, kToolbarSpaceItemIdentifier, CurrentPenTBId,
         kToolbarSpaceItemIdentifier, QStringLiteral("NSToolbarPrintItem")},
        PreferenceKeys::toolbarConfigurationKey(QStringLiteral("InkPondToolbar")));
    Opened o;
    // A view can be in one place only; spaces may repeat.
    QCOMPARE(
        toolbarOf(o)->itemIdentifiers(),
        QStringList({CurrentPenTBId, kToolbarSpaceItemIdentifier, kToolbarSpaceItemIdentifier}));
}

void TestToolbar::configurationSurvivesARestart_data()
{
    QTest::addColumn<QStringList>("chosen");
    // The settings file keeps an empty list and a one-element list in forms of their own.
    QTest::newRow("emptied") << QStringList();
    QTest::newRow("one item") << QStringList {CurrentColorTBId};
    QTest::newRow("three items") << QStringList {kToolbarSpaceItemIdentifier, BrushSizeTBId,
                                                 kToolbarSpaceItemIdentifier};
}

void TestToolbar::configurationSurvivesARestart()
{
    QFETCH(QStringList, chosen);
    {
        Opened o;
        toolbarOf(o)->setItemIdentifiers(chosen);
        QCOMPARE(toolbarOf(o)->actions().size(), chosen.size());
    }
    Preferences::standard().synchronize();
    Preferences::resetStandard(m_settings->filePath()); // as the next start reads it
    Opened later;
    QCOMPARE(toolbarOf(later)->itemIdentifiers(), chosen);
}

void TestToolbar::customizeDialogEditsTheSharedConfiguration()
{
    Opened o;
    Opened other;
    // From the window's context menu; asked again, the open one comes forward: there is one.
    std::unique_ptr<QMenu> menu(o.window->createPopupMenu());
    auto *customize = menu->findChild<QAction *>(QStringLiteral("runToolbarCustomizationPalette:"));
    QVERIFY(customize);
    customize->trigger();
    customize->trigger();
    QCOMPARE(toolbarOf(o)->findChildren<ToolbarCustomizeDialog *>().size(), 1);
    auto *dialog = toolbarOf(o)->findChild<ToolbarCustomizeDialog *>();
    auto *allowed = dialog->findChild<QListWidget *>(QStringLiteral("allowedItems"));
    auto *shown = dialog->findChild<QListWidget *>(QStringLiteral("toolbarItems"));
    QCOMPARE(shown->count(), kDefault.size());

    // An item with a view is there once: adding it again changes nothing.
    allowed->setCurrentRow(rowOf(allowed, CurrentColorTBId));
    dialog->addSelectedItem();
    QCOMPARE(toolbarOf(o)->itemIdentifiers(), kDefault);

    // A separator goes after the chosen item; spaces and separators may repeat.
    shown->setCurrentRow(0);
    allowed->setCurrentRow(rowOf(allowed, kToolbarSeparatorItemIdentifier));
    dialog->addSelectedItem();
    dialog->addSelectedItem();
    QStringList expected = kDefault;
    expected.insert(1, kToolbarSeparatorItemIdentifier);
    expected.insert(2, kToolbarSeparatorItemIdentifier);
    QCOMPARE(toolbarOf(o)->itemIdentifiers(), expected);

    shown->setCurrentRow(rowOf(shown, BackgroundTypeTBId));
    dialog->moveSelectedItem(-1);
    expected.swapItemsAt(expected.size() - 1, expected.size() - 2);
    QCOMPARE(toolbarOf(o)->itemIdentifiers(), expected);
    shown->setCurrentRow(0);
    dialog->moveSelectedItem(-1); // already first
    dialog->removeSelectedItem();
    expected.removeFirst();
    QCOMPARE(toolbarOf(o)->itemIdentifiers(), expected);
    QCOMPARE(toolbarOf(other)->itemIdentifiers(), expected);
    QCOMPARE(shown->count(), expected.size());

    dialog->restoreDefaults();
    QCOMPARE(toolbarOf(o)->itemIdentifiers(), kDefault);
    QCOMPARE(toolbarOf(other)->itemIdentifiers(), kDefault);
    QCOMPARE(shown->count(), kDefault.size());
}

int main(int argc, char **argv)
{
    TabletApplication app(argc, argv);
    TestToolbar test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_toolbar.moc"
