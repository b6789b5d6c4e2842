// The document window's menu bar: every command by its action name, with its shortcut, sent to
// the window's own document and canvas, and enabled as the application decides.
#include "Beep.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "InkpondDocument.h"
#include "MainMenu.h"
#include "RecentDocuments.h"
#include "TabletApplication.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

namespace {
std::unique_ptr<DocumentController> makeController()
{
    auto controller = InkpondDocument::newDocumentController();
    TabletApplication::instance()->observeDocuments(controller.get());
    return controller;
}

DocumentWindow *windowOf(Document *document)
{
    return documentWindowFor(qobject_cast<InkpondDocument *>(document));
}

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

void closeAll(DocumentController &controller)
{
    for (Document *d : controller.documents())
        d->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
} // namespace

class TestMainMenu : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_settings = std::make_unique<IsolatedSettings>(); }
    void cleanup() { m_settings.reset(); }
    void canvasCommandsGoToTheirOwnWindow();
    void revertNeedsAnEditedFile();
    void applicationItemsFollowTheClipboardAndTheDocuments();
    void windowMenuListsTheOpenDocuments();
    void openRecentListsFilesOpenedAndSaved();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
};

void TestMainMenu::canvasCommandsGoToTheirOwnWindow()
{
    Opened a;
    Opened b;
    DocumentWindow *wa = a.window;
    DocumentWindow *wb = b.window;
    const QList<QAction *> sizes
        = wb->mainMenu()->actions(QStringLiteral("cropResizeToFixedSize:"));
    QCOMPARE(sizes.size(), 5);
    sizes[1]->trigger();
    QCOMPARE(wb->canvas()->sheetSize(), (Size {400, 300}));
    QCOMPARE(wa->canvas()->sheetSize(), (Size {600, 600}));

    QGuiApplication::clipboard()->clear();
    command(wb, "copyWithBG:")->trigger();
    const QImage copied = QImage::fromData(
        QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/png")), "PNG");
    QCOMPARE(copied.size(), QSize(400, 300));
    QCOMPARE(qAlpha(copied.pixel(200, 150)), 255); // with the paper

    const int beeps = systemBeepCount();
    command(wa, "undo:")->trigger();
    QCOMPARE(systemBeepCount(), beeps + 1);
}

void TestMainMenu::revertNeedsAnEditedFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture.png"));
    QImage(20, 10, QImage::Format_ARGB32).save(path);
    auto controller = makeController();
    Document *untitled = controller->openUntitledDocumentAndDisplay(true, nullptr);
    QVERIFY(!command(windowOf(untitled), "revertDocumentToSaved:")->isEnabled());
    untitled->updateChangeCount(Document::ChangeDone);
    QVERIFY(!command(windowOf(untitled), "revertDocumentToSaved:")->isEnabled());

    Document *opened
        = controller->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true, nullptr);
    QAction *revert = command(windowOf(opened), "revertDocumentToSaved:");
    QVERIFY(!revert->isEnabled());
    opened->updateChangeCount(Document::ChangeDone);
    QVERIFY(revert->isEnabled());
    opened->updateChangeCount(Document::ChangeUndone);
    QVERIFY(!revert->isEnabled());
    closeAll(*controller);
}

void TestMainMenu::applicationItemsFollowTheClipboardAndTheDocuments()
{
    auto controller = makeController();
    Document *first = controller->openUntitledDocumentAndDisplay(true, nullptr);
    QAction *fromClipboard = command(windowOf(first), "newDocumentFromClipboard:");
    QAction *bringAll = command(windowOf(first), "arrangeInFront:");
    QVERIFY(bringAll->isEnabled());

    QGuiApplication::clipboard()->setText(QStringLiteral("no picture"));
    QVERIFY(!fromClipboard->isEnabled());
    auto *mime = new QMimeData;
    mime->setData(QStringLiteral("image/png"), encodedImage(testPicture(8, 8), "png"));
    QGuiApplication::clipboard()->setMimeData(mime);
    QVERIFY(fromClipboard->isEnabled());

    // A window made later starts with the current state.
    Document *second = controller->openUntitledDocumentAndDisplay(true, nullptr);
    QVERIFY(command(windowOf(second), "newDocumentFromClipboard:")->isEnabled());
    QGuiApplication::clipboard()->clear();
    QVERIFY(!fromClipboard->isEnabled());
    QVERIFY(!command(windowOf(second), "newDocumentFromClipboard:")->isEnabled());
    closeAll(*controller);
}

void TestMainMenu::windowMenuListsTheOpenDocuments()
{
    auto controller = makeController();
    Document *first = controller->openUntitledDocumentAndDisplay(true, nullptr);
    Document *second = controller->openUntitledDocumentAndDisplay(true, nullptr);
    QMenu *menu = menuTitled(windowOf(first), QStringLiteral("Window"));
    emit menu->aboutToShow();
    QStringList names;
    for (QAction *a : menu->actions()) {
        if (a->objectName() != QLatin1String("makeKeyAndOrderFront:"))
            continue;
        names << a->text();
        QCOMPARE(a->isChecked(), a->text() == first->displayName());
    }
    QCOMPARE(names, QStringList({QStringLiteral("Untitled"), QStringLiteral("Untitled 2")}));
    emit menu->aboutToShow(); // shown again: the list is not repeated
    QCOMPARE(menu->findChildren<QAction *>(QStringLiteral("makeKeyAndOrderFront:")).size(), 2);
    second->window()->hide();
    QAction *other = nullptr;
    for (QAction *a : menu->actions())
        if (a->text() == second->displayName())
            other = a;
    QVERIFY(other);
    other->trigger();
    QVERIFY(second->window()->isVisible());
    closeAll(*controller);
}

void TestMainMenu::openRecentListsFilesOpenedAndSaved()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sketch.png"));
    QImage(20, 10, QImage::Format_ARGB32).save(path);
    auto controller = makeController();
    controller->openFiles({path});
    QCOMPARE(RecentDocuments::paths(), QStringList {path});

    Document *untitled = controller->openUntitledDocumentAndDisplay(true, nullptr);
    const QString saved = dir.filePath(QStringLiteral("notes.png"));
    untitled->saveToURL(QUrl::fromLocalFile(saved), QStringLiteral("PNG image"));
    QCOMPARE(RecentDocuments::paths(), QStringList({saved, path}));

    QMenu *file = menuTitled(windowOf(untitled), QStringLiteral("File"));
    QMenu *recent = file->findChild<QMenu *>(QStringLiteral("openRecentMenu"));
    emit recent->aboutToShow();
    QStringList shown;
    for (QAction *a : recent->actions())
        if (a->objectName() == QLatin1String("openRecentDocument:"))
            shown << a->text();
    QCOMPARE(shown, QStringList({QStringLiteral("notes.png"), QStringLiteral("sketch.png")}));
    recent->findChild<QAction *>(QStringLiteral("clearRecentDocuments:"))->trigger();
    QVERIFY(RecentDocuments::paths().isEmpty());
    closeAll(*controller);
}

int main(int argc, char **argv)
{
    TabletApplication app(argc, argv);
    TestMainMenu test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainmenu.moc"
