// The document window's menu bar: every command by its action name, with its shortcut, sent to
// the window's own document and canvas, and enabled as the application decides; the
// application's own commands: a new picture from the clipboard, and when it can be chosen; the
// toolbar: its items, their sizes, the configuration every window shares, and the dialog that
// customises it; the zoom the status bar shows and takes; and Help's guide.
#include "Answering.h"
#include "Beep.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "InkpondDocument.h"
#include "MainMenu.h"
#include "PenSettings.h"
#include "ProgramKeys.h"
#include "Preferences.h"
#include "PreferencesDialog.h"
#include "RecentDocuments.h"
#include "ShortcutMap.h"
#include "ShortcutsPage.h"
#include "TabletApplication.h"
#include "TestSupport.h"
#include "ToolbarCustomizeDialog.h"
#include "ToolbarItems.h"
#include "WTView.h"
#include "ZoomIndicator.h"

#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QtTest>
#include <optional>

using Offer = QList<std::pair<QString, QByteArray>>;
Q_DECLARE_METATYPE(Offer)

namespace {
QAction *command(DocumentWindow *window, const char *name)
{
    return window->mainMenu()->action(QLatin1String(name));
}

QMenu *menuTitled(DocumentWindow *window, const QString &title)
{
    for (QAction *a : window->menuBar()->actions())
        if (a->menu() && a->text().remove(QLatin1Char('&')) == title)
            return a->menu();
    return nullptr;
}

// The texts of the menu's items of that name as it shows them now; only the checked ones if asked.
QStringList shownItems(QMenu *menu, const char *name, bool checkedOnly = false)
{
    emit menu->aboutToShow();
    QStringList texts;
    for (QAction *a : menu->findChildren<QAction *>(QLatin1String(name)))
        if (!checkedOnly || a->isChecked())
            texts << a->text();
    return texts;
}

QByteArray encoded(const QColor &color, QSize size, const char *format)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    return encodedImage(image, format);
}

// The clipboard holding exactly these types and bytes.
void offer(const Offer &items)
{
    auto *mime = new QMimeData;
    for (const auto &[type, bytes] : items)
        mime->setData(type, bytes);
    QGuiApplication::clipboard()->setMimeData(mime);
}

int visibleTopLevels()
{
    int n = 0;
    for (const QWidget *w : QApplication::topLevelWidgets())
        n += w->isVisible();
    return n;
}

const QStringList kDefault {CurrentPenTBId, CurrentColorTBId, BrushSizeTBId,
                            kToolbarFlexibleSpaceItemIdentifier, BackgroundTypeTBId};

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

class TestMainMenu : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        mCase.emplace();
        TabletApplication::instance()->observeDocuments(mCase->documents.get());
        QGuiApplication::clipboard()->clear();
    }

    void cleanup()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            w->close();
        mCase.reset();
    }

    void canvasCommandsGoToTheirOwnWindow()
    {
        Opened a;
        Opened b;
        b.window->mainMenu()->actions(QStringLiteral("cropResizeToFixedSize:"))[1]->trigger();
        QCOMPARE(b.canvas->sheetSize(), (Size {400, 300}));
        QCOMPARE(a.canvas->sheetSize(), (Size {600, 600}));

        // This window's pixels, with its paper or without (every alpha: tst_clipboard).
        for (const bool withPaper : {true, false}) {
            command(b.window, withPaper ? "copyWithBG:" : "copy:")->trigger();
            const QImage png = QImage::fromData(
                QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/png")), "PNG");
            QCOMPARE(differingPixels(png, b.canvas->core().getImageWithBG(withPaper)->qimage()), 0);
        }

        const int beeps = systemBeepCount();
        command(a.window, "undo:")->trigger();
        QCOMPARE(systemBeepCount(), beeps + 1);
    }

    // Each View item changes its own window's view; no key is taken twice across the menus.
    void viewMenuChangesItsOwnCanvas()
    {
        Opened a;
        Opened b;
        QHash<QKeySequence, QString> taken;
        for (const QAction *item : b.window->menuBar()->findChildren<QAction *>())
            for (const QKeySequence &key : item->shortcuts()) {
                QVERIFY2(!taken.contains(key) || taken[key] == item->objectName(),
                         qPrintable(key.toString() + ' ' + item->objectName()));
                taken[key] = item->objectName();
            }
        command(b.window, "zoomIn")->trigger();
        QVERIFY(b.canvas->viewport().view().zoom() > 1.0);
        QCOMPARE(a.canvas->viewport().view(), ViewTransform());
        // Mirror's check follows the canvas, however it was mirrored.
        QAction *mirror = command(b.window, "toggleMirror");
        mirror->trigger();
        QVERIFY(b.canvas->viewport().view().isMirrored() && mirror->isChecked());
        b.canvas->viewport().toggleMirror();
        QVERIFY(!mirror->isChecked());
    }

    // Tools > Brush: one nib checked, that of the active slot however it was chosen; an item
    // sets its own window's active slot, and while erasing goes back to the slot the eraser
    // would give back.
    void brushMenuFollowsTheActiveSlot()
    {
        Opened a;
        Opened b;
        QMenu *brushes = b.window->menuBar()->findChild<QMenu *>(QStringLiteral("brushMenu"));
        QVERIFY(brushes);
        auto checked = [brushes] {
            QStringList on;
            for (const QAction *item : brushes->actions())
                if (item->isChecked())
                    on << item->objectName();
            return on;
        };
        QCOMPARE(checked(), QStringList {"selectBrushPen"});

        command(b.window, "selectBrushMarker")->trigger();
        QCOMPARE(b.canvas->core().penSettings().brushKind(0), BrushKind::Marker);
        QCOMPARE(a.canvas->core().brushKind(), BrushKind::Pen);
        b.canvas->setActiveColor(3);
        QCOMPARE(checked(), QStringList {"selectBrushPen"});
        b.canvas->core().setBrushKind(BrushKind::Airbrush);
        QCOMPARE(checked(), QStringList {"selectBrushAirbrush"});
        b.canvas->setActiveColor(1);
        QCOMPARE(checked(), QStringList {"selectBrushMarker"});

        b.canvas->core().toggleEraser();
        QCOMPARE(checked(), QStringList {"selectBrushMarker"}); // the slot the eraser gives back
        command(b.window, "selectBrushPencil")->trigger();
        QVERIFY(!b.canvas->erasing() && b.canvas->activeColor() == 1);
        QCOMPARE(b.canvas->core().brushKind(), BrushKind::Pencil);

        // Preferences shows every slot's nib as it changes, and sets any slot's, the eraser's
        // shape and the hardness.
        QDialog *panel = PreferencesDialog::showForWindow(b.window, b.canvas);
        auto box = [panel](const char *name) { return panel->findChild<QComboBox *>(name); };
        command(b.window, "selectBrushMarker")->trigger();
        QCOMPARE(box("brushBox1")->currentData().toInt(), int(BrushKind::Marker));
        box("brushBox3")->setCurrentIndex(box("brushBox3")->findData(int(BrushKind::Pencil)));
        QVERIFY(b.canvas->core().penSettings().brushKind(2) == BrushKind::Pencil
                && b.canvas->activeColor() == 1);
        QComboBox *shape = box("eraserShapeBox");
        shape->setCurrentIndex(shape->findData(int(BrushKind::Airbrush)));
        QCOMPARE(b.canvas->core().eraserShape(), BrushKind::Airbrush);
        panel->findChild<QSpinBox *>(QStringLiteral("hardnessBox"))->setValue(70);
        QCOMPARE(b.canvas->core().airbrushHardness(), 70.0f);
    }

    // The status bar shows the zoom and its turn as the view changes, and takes a typed zoom;
    // what is no zoom gives the shown one back.
    void zoomFieldFollowsAndSetsTheZoom()
    {
        Opened o;
        QLineEdit *field = o.window->zoomIndicator()->zoomField();
        QLabel *turn = o.window->zoomIndicator()->rotationLabel();
        QVERIFY(field->text() == QStringLiteral("100 %") && turn->isHidden());
        command(o.window, "zoomOut")->trigger();
        QCOMPARE(field->text(),
                 QStringLiteral("%1 %").arg(std::lround(o.canvas->viewport().displayZoom() * 100)));
        command(o.window, "rotateLeft")->trigger();
        QVERIFY(!turn->isHidden() && turn->text() == QStringLiteral("-15°"));

        field->setText(QStringLiteral(" 250% "));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(o.canvas->viewport().displayZoom(), 2.5);
        QCOMPARE(field->text(), QStringLiteral("250 %"));
        // What is no zoom the canvas can show (one of each refusal) beeps and stays, in red,
        // whatever the view does, until Escape puts the zoom back or a zoom replaces it.
        ZoomIndicator *indicator = o.window->zoomIndicator();
        const QColor usual = field->palette().color(QPalette::Text);
        for (const char *typed : {"abc", "0", "1 %", "6500", "1e999"}) {
            field->setText(QLatin1String(typed));
            const int beeps = systemBeepCount();
            QTest::keyClick(field, Qt::Key_Return);
            QVERIFY2(indicator->isRefusing() && systemBeepCount() == beeps + 1, typed);
            QVERIFY(field->palette().color(QPalette::Text) != usual);
            o.canvas->viewport().rotateRight();
            QVERIFY(field->text() == QLatin1String(typed)
                    && o.canvas->viewport().displayZoom() == 2.5);
            QTest::keyClick(field, Qt::Key_Escape);
            QVERIFY(!indicator->isRefusing() && field->palette().color(QPalette::Text) == usual);
            QCOMPARE(field->text(), QStringLiteral("250 %"));
        }
        field->setText(QStringLiteral("abc"));
        QTest::keyClick(field, Qt::Key_Return);
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("6400"));
        QVERIFY(!indicator->isRefusing());
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(o.canvas->viewport().displayZoom(), 64.0);

        QLabel *mirrored = indicator->mirroredLabel();
        command(o.window, "toggleMirror")->trigger();
        QVERIFY(!mirrored->isHidden());
        command(o.window, "resetView")->trigger();
        QVERIFY(mirrored->isHidden() && turn->isHidden());
    }

    // Open Recent lists the files opened and saved; revert needs a file, and edits to it; Window
    // lists the open documents.
    void menusFollowTheDocuments()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sketch.png"));
        QImage(20, 10, QImage::Format_ARGB32).save(path);
        mCase->documents->openFiles({path});
        Document *opened = mCase->documents->documents().front();
        QAction *revert = command(documentWindowFor(opened), "revertDocumentToSaved:");
        QVERIFY(!revert->isEnabled());
        opened->updateChangeCount(Document::ChangeDone);
        QVERIFY(revert->isEnabled());
        opened->updateChangeCount(Document::ChangeUndone);
        QVERIFY(!revert->isEnabled());
        Document *untitled = open();
        untitled->updateChangeCount(Document::ChangeDone);
        QVERIFY(!command(documentWindowFor(untitled), "revertDocumentToSaved:")->isEnabled());

        const QString saved = dir.filePath(QStringLiteral("notes.png"));
        untitled->saveToURL(QUrl::fromLocalFile(saved), QStringLiteral("PNG image"));
        QMenu *file = menuTitled(documentWindowFor(untitled), QStringLiteral("File"));
        QMenu *recent = file->findChild<QMenu *>(QStringLiteral("openRecentMenu"));
        QCOMPARE(shownItems(recent, "openRecentDocument:"),
                 QStringList({QStringLiteral("notes.png"), QStringLiteral("sketch.png")}));
        recent->findChild<QAction *>(QStringLiteral("clearRecentDocuments:"))->trigger();
        QVERIFY(RecentDocuments::paths(Preferences::standard()).isEmpty());

        QMenu *menu = menuTitled(documentWindowFor(opened), QStringLiteral("Window"));
        const QStringList names {opened->displayName(), untitled->displayName()};
        QCOMPARE(shownItems(menu, "makeKeyAndOrderFront:"), names);
        // Shown again, the list is not repeated; the window's own document is checked.
        QCOMPARE(shownItems(menu, "makeKeyAndOrderFront:", true), QStringList {names[0]});
        untitled->window()->hide();
        menu->findChildren<QAction *>(QStringLiteral("makeKeyAndOrderFront:")).last()->trigger();
        QVERIFY(untitled->window()->isVisible());
    }

    // Help's list holds every key the menus answer to.
    void shortcutsListFollowsTheMenus()
    {
        Opened a;
        command(a.window, "showShortcuts")->trigger();
        QStringList listed;
        const auto *tree = a.window->findChild<QDialog *>(QStringLiteral("shortcutsPanel"))
                               ->findChild<QTreeWidget *>();
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            for (int j = 0; j < tree->topLevelItem(i)->childCount(); ++j)
                listed += tree->topLevelItem(i)->child(j)->text(1).split(", ");
        int keyed = 0;
        for (QAction *item : a.window->menuBar()->findChildren<QAction *>()) {
            if (item->shortcut().isEmpty() || item->menu())
                continue;
            ++keyed;
            const QString key = item->shortcut().toString(QKeySequence::NativeText);
            QVERIFY2(listed.contains(key), qPrintable(item->text() + " " + key));
        }
        QVERIFY(keyed > 10);
    }

    // Help shows the guide built into the program, with no network, in a window of its own
    // whose contents lead to its sections; asked again, the open one comes forward.
    void helpShowsTheGuide()
    {
        Opened a;
        QAction *help = command(a.window, "showHelp");
        help->trigger();
        help->trigger();
        const QList<QDialog *> panels
            = a.window->findChildren<QDialog *>(QStringLiteral("helpPanel"));
        QCOMPARE(panels.size(), 1);
        QVERIFY(panels.front()->isVisible() && !panels.front()->isModal());
        const auto *guide = panels.front()->findChild<QTextBrowser *>(QStringLiteral("guide"));
        QCOMPARE(guide->source().scheme(), QStringLiteral("qrc"));
        QStringList targets;
        QStringList names;
        for (QTextBlock block = guide->document()->begin(); block.isValid(); block = block.next())
            for (auto f = block.begin(); !f.atEnd(); ++f) {
                const QTextCharFormat format = f.fragment().charFormat();
                names << format.anchorNames();
                if (format.anchorHref().startsWith(u'#'))
                    targets << format.anchorHref().mid(1);
            }
        QVERIFY(targets.size() > 5);
        for (const QString &target : std::as_const(targets))
            QVERIFY2(names.contains(target), qPrintable(target));
    }

    // A key given to a command in Preferences reaches every open window and the next one; a key
    // another command holds is taken only when the user agrees, that command named; the
    // defaults come back, and a damaged setting is passed over.
    void shortcutsAreChangedForEveryWindow()
    {
        Opened a;
        Opened b;
        Preferences &store = a.window->mainMenu()->store();
        const QKeySequence fitKey(Qt::CTRL | Qt::Key_9); // Fit to Window's own
        auto keysOf = [](const Opened &o, const char *name) {
            return command(o.window, name)->shortcuts();
        };
        auto *page = new ShortcutsPage(a.window->mainMenu()->commands(), store,
                                       &MainMenu::applyShortcutsEverywhere, a.window);
        page->assign(QStringLiteral("resetRotation"), QKeySequence(Qt::CTRL | Qt::Key_R));
        QCOMPARE(keysOf(b, "resetRotation"), QList<QKeySequence> {QKeySequence(Qt::CTRL | Qt::Key_R)});
        QCOMPARE(store.stringArrayForKey(ProgramKeys::kShortcuts),
                 QStringList {QStringLiteral("resetRotation=Ctrl+R")});

        page->assign(QStringLiteral("resetRotation"), fitKey);
        QMessageBox *box = openBox("shortcutConflictAlert", a.window);
        QVERIFY(box);
        QVERIFY2(box->text().contains(QStringLiteral("“Fit to Window”")), qPrintable(box->text()));
        QVERIFY(answer("shortcutConflictAlert", a.window, QMessageBox::Cancel));
        QCOMPARE(keysOf(b, "zoomToFit"), QList<QKeySequence> {fitKey});
        page->assign(QStringLiteral("resetRotation"), fitKey);
        QVERIFY(answer("shortcutConflictAlert", a.window, QStringLiteral("Take It Over")));
        Opened c; // reads them from the store
        for (const Opened *o : {&b, &c})
            QVERIFY(keysOf(*o, "resetRotation") == QList<QKeySequence> {fitKey}
                    && keysOf(*o, "zoomToFit").isEmpty());

        page->findChild<QPushButton *>(QStringLiteral("restoreShortcuts"))->click();
        QVERIFY(keysOf(c, "resetRotation").isEmpty()
                && !store.objectForKey(ProgramKeys::kShortcuts).isValid());
        QCOMPARE(keysOf(a, "zoomToFit"), QList<QKeySequence> {fitKey});

        store.setStringArray({QStringLiteral("nonsense"), QStringLiteral("zoomToFit=Ctrl+Frob"),
                              QStringLiteral("noSuchCommand=Ctrl+R"),
                              QStringLiteral("setBgType:2=G")},
                             ProgramKeys::kShortcuts);
        ShortcutMap map = ShortcutMap::fromActions(a.window->mainMenu()->commands());
        map.load(store);
        QCOMPARE(map.keys(QStringLiteral("zoomToFit")), QList<QKeySequence> {fitKey});
        QCOMPARE(map.keys(QStringLiteral("setBgType:2")), QList<QKeySequence> {QKeySequence(Qt::Key_G)});
        QCOMPARE(map.holderOf(QKeySequence(Qt::Key_G)), QStringLiteral("setBgType:2"));
    }

    // Where the platform has no Save As key (a bare window manager, the offscreen platform),
    // Ctrl+Shift+S asks where to save all the same.
    void saveAsHasItsKey()
    {
        if (!QKeySequence::keyBindings(QKeySequence::SaveAs).isEmpty())
            QSKIP("The platform has a Save As key of its own");
        DocumentWindow *window = documentWindowFor(open());
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        auto asked = [] {
            const QList<QWidget *> all = QApplication::allWidgets();
            for (QWidget *w : all)
                if (auto *d = qobject_cast<QFileDialog *>(w); d && d->isVisible())
                    return d;
            return static_cast<QFileDialog *>(nullptr);
        };
        QTRY_VERIFY(asked());
        QCOMPARE(asked()->acceptMode(), QFileDialog::AcceptSave);
        asked()->reject();
    }

    void newFromClipboard_data()
    {
        const QByteArray tiff = encoded(Qt::red, {30, 20}, "TIFF");
        const QColor glaze(0, 0, 255, 128); // what premultiplying on the way in changes
        const QByteArray png = encoded(glaze, {40, 10}, "PNG");
        QTest::addColumn<Offer>("items");
        QTest::addColumn<bool>("enabled"); // the item can be chosen
        QTest::addColumn<QSize>("size"); // of the new picture; none: no new document
        QTest::addColumn<QColor>("color");
        // The new document takes the first type in order.
        QTest::newRow("TIFF over PNG") << Offer {{"image/png", png}, {"image/tiff", tiff}} << true
                                       << QSize(30, 20) << QColor(Qt::red);
        QTest::newRow("PNG beside text") << Offer {{"text/plain", "hello"}, {"image/png", png}}
                                         << true << QSize(40, 10) << glaze;
        // An undecodable TIFF once hid the PNG beside it.
        QTest::newRow("bad TIFF over PNG")
            << Offer {{"image/png", png}, {"image/tiff", "not a picture at all"}} << true
            << QSize(40, 10) << glaze;
        // An accepted type whose bytes are no picture; PICT, which Qt cannot read at all.
        for (const char *type : {"image/png", "image/x-pict"})
            QTest::newRow(type) << Offer {{type, "not a picture at all"}} << true << QSize()
                                << QColor();
        // What cannot be chosen does nothing when sent anyway.
        QTest::newRow("image/jpeg")
            << Offer {{"image/jpeg", "bytes"}} << false << QSize() << QColor();
    }

    // The item follows the clipboard in every window, a window made later included.
    void newFromClipboard()
    {
        QFETCH(Offer, items);
        QFETCH(QSize, size);
        QFETCH(QColor, color);
        Document *first = open();
        QAction *fromClipboard = command(documentWindowFor(first), "newDocumentFromClipboard:");
        QVERIFY(command(documentWindowFor(first), "arrangeInFront:")->isEnabled());
        QVERIFY(!fromClipboard->isEnabled());
        offer(items);
        QTEST(fromClipboard->isEnabled(), "enabled");
        QTEST(command(documentWindowFor(open()), "newDocumentFromClipboard:")->isEnabled(),
              "enabled");
        const int windowsBefore = visibleTopLevels();
        TabletApplication::instance()->newDocumentFromClipboard();
        if (size.isEmpty()) { // nothing left behind, and a half-made document gave its name back
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCOMPARE(mCase->documents->documents().size(), size_t(2));
            QCOMPARE(visibleTopLevels(), windowsBefore);
            QCOMPARE(open()->displayName(), QStringLiteral("Untitled 3"));
        } else {
            QCOMPARE(mCase->documents->documents().size(), size_t(3));
            auto *document = static_cast<InkpondDocument *>(mCase->documents->documents().back());
            QCOMPARE(document->canvas()->sheetSize(),
                     (Size {float(size.width()), float(size.height())}));
            QCOMPARE(document->canvas()->core().getImageWithBG(false)->qimage().pixelColor(1, 1),
                     color);
            // Untitled and edited, so that closing asks first.
            QCOMPARE(document->displayName(), QStringLiteral("Untitled 3"));
            QVERIFY(document->isDocumentEdited() && document->window()->isWindowModified());
        }
        QGuiApplication::clipboard()->clear();
        QVERIFY(!fromClipboard->isEnabled());
    }

    // A view taken off the toolbar waits, hidden, at its own size, however narrow the toolbar
    // had made it.
    void viewsComeBackUnchanged()
    {
        Opened o;
        o.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(o.window));
        QCOMPARE(o.window->toolbar()->itemIdentifiers(), kDefault);
        QPointer<QWidget> brush = o.child("mBrushSizeSlider");
        QWidget *home = o.child("mToolbarViews");
        QVERIFY(brush->isVisible() && brush->width() == 140 && !home->isVisible());
        o.window->resize(260, o.window->height());
        QTRY_VERIFY(brush->width() < 140);
        QVERIFY(brush->width() >= 30);
        o.window->toolbar()->setItemIdentifiers({CurrentColorTBId});
        QVERIFY(brush && brush->parentWidget() == home && !brush->isVisible());
        QCOMPARE(brush->size(), QSize(140, 28));
        o.window->toolbar()->setItemIdentifiers(kDefault);
        QCOMPARE(shownItem(o.window->toolbar(), BrushSizeTBId)->maxSize(), QSize(140, 28));
    }

    void storedConfigurationKeepsOnlyWhatCanBeShown()
    {
        Preferences::standard().setStringArray(
            {QStringLiteral("PrintTBItem"), CurrentPenTBId, kToolbarSpaceItemIdentifier,
             CurrentPenTBId, kToolbarSpaceItemIdentifier, QStringLiteral("NSToolbarPrintItem")},
            ProgramKeys::toolbarConfigurationKey(QStringLiteral("InkPondToolbar")));
        Opened o;
        // A view can be in one place only; spaces may repeat.
        QCOMPARE(o.window->toolbar()->itemIdentifiers(),
                 QStringList(
                     {CurrentPenTBId, kToolbarSpaceItemIdentifier, kToolbarSpaceItemIdentifier}));
    }

    void configurationSurvivesARestart_data()
    {
        QTest::addColumn<QStringList>("chosen");
        // The settings file keeps an empty list and a one-element list in forms of their own.
        QTest::newRow("emptied") << QStringList();
        QTest::newRow("one item") << QStringList {CurrentColorTBId};
        QTest::newRow("three items") << QStringList {kToolbarSpaceItemIdentifier, BrushSizeTBId,
                                                     kToolbarSpaceItemIdentifier};
    }

    void configurationSurvivesARestart()
    {
        QFETCH(QStringList, chosen);
        {
            Opened o;
            o.window->toolbar()->setItemIdentifiers(chosen);
            QCOMPARE(o.window->toolbar()->actions().size(), chosen.size());
        }
        Preferences::standard().synchronize();
        Preferences::resetStandard(mCase->settings->filePath()); // as the next start reads it
        Opened later;
        QCOMPARE(later.window->toolbar()->itemIdentifiers(), chosen);
    }

    void customizeDialogEditsTheSharedConfiguration()
    {
        Opened o;
        Opened other;
        // From the window's context menu; asked again, the open one comes forward: there is one.
        std::unique_ptr<QMenu> menu(o.window->createPopupMenu());
        auto *customize
            = menu->findChild<QAction *>(QStringLiteral("runToolbarCustomizationPalette:"));
        QVERIFY(customize);
        customize->trigger();
        customize->trigger();
        QCOMPARE(o.window->toolbar()->findChildren<ToolbarCustomizeDialog *>().size(), 1);
        auto *dialog = o.window->toolbar()->findChild<ToolbarCustomizeDialog *>();
        auto *allowed = dialog->findChild<QListWidget *>(QStringLiteral("allowedItems"));
        auto *shown = dialog->findChild<QListWidget *>(QStringLiteral("toolbarItems"));
        QCOMPARE(shown->count(), kDefault.size());

        // An item with a view is there once: adding it again changes nothing.
        allowed->setCurrentRow(rowOf(allowed, CurrentColorTBId));
        dialog->addSelectedItem();
        QCOMPARE(o.window->toolbar()->itemIdentifiers(), kDefault);

        // A separator goes after the chosen item, and may repeat; a move up stops at the first.
        shown->setCurrentRow(0);
        allowed->setCurrentRow(rowOf(allowed, kToolbarSeparatorItemIdentifier));
        dialog->addSelectedItem();
        dialog->addSelectedItem();
        shown->setCurrentRow(rowOf(shown, BackgroundTypeTBId));
        dialog->moveSelectedItem(-1);
        shown->setCurrentRow(0);
        dialog->moveSelectedItem(-1);
        dialog->removeSelectedItem();
        const QStringList expected {kToolbarSeparatorItemIdentifier,
                                    kToolbarSeparatorItemIdentifier,
                                    CurrentColorTBId,
                                    BrushSizeTBId,
                                    BackgroundTypeTBId,
                                    kToolbarFlexibleSpaceItemIdentifier};
        QCOMPARE(o.window->toolbar()->itemIdentifiers(), expected);
        QCOMPARE(other.window->toolbar()->itemIdentifiers(), expected);
        QCOMPARE(shownItem(other.window->toolbar(), CurrentColorTBId)->view(),
                 other.child("mCurrColorWell"));

        dialog->restoreDefaults();
        QCOMPARE(other.window->toolbar()->itemIdentifiers(), kDefault);
        QCOMPARE(shown->count(), kDefault.size());
    }

private:
    Document *open() { return mCase->documents->openUntitledDocumentAndDisplay(true, nullptr); }

    std::optional<DocumentsCase> mCase;
};

INKPOND_TEST_MAIN(TestMainMenu)

#include "tst_mainmenu.moc"
