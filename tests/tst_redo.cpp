// Redo: what undo set aside comes back exactly, until the history is rewritten; and it goes
// through recordings and recovery journals as undo does.
#include "Answering.h"
#include "Beep.h"
#include "DocumentController.h"
#include "MainMenu.h"
#include "RecoveryManager.h"
#include "RecoveryRecord.h"
#include "RecoveryTap.h"
#include "SessionRecorder.h"
#include "SessionReplayer.h"
#include "SessionWriter.h"
#include "StrokeDriver.h"
#include "TestSupport.h"

#include <QDir>
#include <QtTest>

using namespace strokes;

class TestRedo : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_settings = std::make_unique<IsolatedSettings>(); }
    void cleanup() { m_settings.reset(); }
    void tenUndoneStrokesComeBackExactly();
    void rewritingTheHistoryDropsTheRedo_data();
    void rewritingTheHistoryDropsTheRedo();
    void recordingAndJournalGiveTheSameHistory();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
};

void TestRedo::tenUndoneStrokesComeBackExactly()
{
    Opened o;
    WTView &canvas = *o.canvas;
    QAction *undo = o.window->mainMenu()->action(QStringLiteral("undo:"));
    QAction *redo = o.window->mainMenu()->action(QStringLiteral("redo:"));
    for (int i = 0; i < 12; ++i)
        freehand(canvas, {{20.0f + 40 * i, 100}, {40.0f + 40 * i, 300 + 10.0f * i}});
    o.document.updateChangeCount(Document::ChangeCleared); // as a save does
    const QImage before = picture(canvas).qimage();
    QVERIFY(!redo->isEnabled());
    for (int i = 0; i < 10; ++i)
        undo->trigger();
    QVERIFY(o.document.isDocumentEdited());
    int beeps = systemBeepCount();
    undo->trigger(); // past the tenth: the first two are merged for good
    QCOMPARE(systemBeepCount(), beeps + 1);
    QVERIFY(redo->isEnabled());
    for (int i = 0; i < 10; ++i)
        redo->trigger();
    QCOMPARE(differingPixels(picture(canvas).qimage(), before), 0);
    QVERIFY(!o.document.isDocumentEdited());
    QVERIFY(!redo->isEnabled());
    beeps = systemBeepCount();
    canvas.redo();
    QCOMPARE(systemBeepCount(), beeps + 1);
}

void TestRedo::rewritingTheHistoryDropsTheRedo_data()
{
    QTest::addColumn<int>("rewrite");
    QTest::newRow("stroke") << 0;
    QTest::newRow("line") << 1;
    QTest::newRow("crop") << 2;
    QTest::newRow("clear") << 3;
}

void TestRedo::rewritingTheHistoryDropsTheRedo()
{
    QFETCH(int, rewrite);
    Opened o;
    WTView &canvas = *o.canvas;
    dab(canvas, 100, 100);
    dab(canvas, 200, 200);
    canvas.undo();
    switch (rewrite) {
    case 0:
        dab(canvas, 300, 300);
        break;
    case 1:
        click(canvas, {50, 400}, Qt::ShiftModifier);
        click(canvas, {250, 450});
        break;
    case 2:
        QVERIFY(canvas.applyResize(Rect(10, 10, 400, 400)));
        break;
    case 3:
        o.window->mainMenu()->action(QStringLiteral("clear:"))->trigger();
        QVERIFY(answer("saveChangesAlert", o.window, QMessageBox::Discard));
        break;
    }
    QVERIFY(!o.window->mainMenu()->action(QStringLiteral("redo:"))->isEnabled());
    const QImage after = picture(canvas).qimage();
    const int beeps = systemBeepCount();
    canvas.redo();
    QCOMPARE(systemBeepCount(), beeps + 1);
    QCOMPARE(differingPixels(picture(canvas).qimage(), after), 0);
}

// Strokes, undos, a save and redos through the menu, recorded as a session and journalled for
// recovery: the replay gives the same pixels, the restore the same pixels and the same history.
void TestRedo::recordingAndJournalGiveTheSameHistory()
{
    QTemporaryDir dir;
    auto controller = InkpondDocument::newDocumentController();
    RecoveryManager recovery(dir.filePath(QStringLiteral("records")), *controller);
    auto open = [&] {
        auto *d = qobject_cast<InkpondDocument *>(
            controller->openUntitledDocumentAndDisplay(true, nullptr));
        QCoreApplication::processEvents();
        return d;
    };
    InkpondDocument *document = open();
    WTView &canvas = *document->canvas();
    auto command = [&](const char *name) {
        documentWindowFor(document)->mainMenu()->action(QLatin1String(name))->trigger();
    };
    const QString session = dir.filePath(QStringLiteral("s.jsonl"));
    {
        auto writer = std::make_unique<SessionWriter>();
        QVERIFY(writer->open(session));
        SessionRecorder recorder(std::move(writer));
        for (int i = 0; i < 4; ++i)
            drag(canvas, {50.0f + 100 * i, 100}, {90.0f + 100 * i, 400});
        for (int i = 0; i < 4; ++i)
            command("undo:");
        // Saved with nothing left to undo, but all to redo: the record keeps its start.
        document->saveToURL(QUrl::fromLocalFile(dir.filePath(QStringLiteral("a.png"))),
                            document->fileType());
        QVERIFY(!document->isDocumentEdited());
        for (const char *name : {"redo:", "redo:", "undo:", "redo:", "redo:"})
            command(name);
    }
    QCOMPARE(canvas.undoLayers().size(), std::size_t(3));
    QVERIFY(canvas.canRedo());
    const QImage expected = picture(canvas).qimage();

    // What a SIGKILL leaves: the record without its owner's lock.
    recovery.waitUntilWritten();
    const QString crashed = dir.filePath(QStringLiteral("crashed/record"));
    QDir().mkpath(crashed);
    const QDir from(canvas.findChild<RecoveryTap *>()->folder());
    for (const QString &name : from.entryList(QDir::Files))
        if (name != QLatin1String("owner.lock"))
            QFile::copy(from.filePath(name), crashed + QLatin1Char('/') + name);
    auto records = claimOrphanedRecords(dir.filePath(QStringLiteral("crashed")));
    QCOMPARE(records.size(), std::size_t(1));
    QString error;
    InkpondDocument *restored = recovery.restore(*records.front(), &error);
    QVERIFY2(restored, qPrintable(error));
    WTView &again = *restored->canvas();
    QCOMPARE(differingPixels(picture(again).qimage(), expected), 0);
    QCOMPARE(again.undoLayers().size(), std::size_t(3));
    again.redo();
    canvas.redo();
    QCOMPARE(differingPixels(picture(again).qimage(), picture(canvas).qimage()), 0);
    QVERIFY(!again.canRedo());

    QFile file(session);
    QVERIFY(file.open(QIODevice::ReadOnly));
    SessionReadResult read = readSession(file);
    QVERIFY(read.ok());
    InkpondDocument *replayed = open();
    SessionReplayer replayer(read.events, replayed->canvas());
    replayer.replayAll();
    QVERIFY2(replayer.warnings().isEmpty(), qPrintable(replayer.warnings().join('\n')));
    QCOMPARE(differingPixels(picture(*replayed->canvas()).qimage(), expected), 0);
    for (Document *d : controller->documents())
        d->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QTEST_MAIN(TestRedo)
#include "tst_redo.moc"
