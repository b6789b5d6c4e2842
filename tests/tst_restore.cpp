// Recovery in the application: what the records of open documents hold through saves, clears
// and closes, and the question that restores what a dead process left.
#include "Answering.h"
#include "DocumentController.h"
#include "InkpondDocument.h"
#include "RecoveryManager.h"
#include "RecoveryRecord.h"
#include "RecoveryTap.h"
#include "StrokeDriver.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QDir>
#include <QTimer>
#include <QtTest>

namespace {

QStringList recordFolders(const QString &root)
{
    return QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

} // namespace

class RestoreTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void savedRecordRestoresTheSameUndo();
    void cleanStartsAgain();
    void closeAndQuitLeaveNothing();
    void question_data();
    void question();
    void outOfRangeToolNoLongerStopsTheRestore();
    void unwritableRecordsAreToldOnce();

private:
    InkpondDocument *newDocument();
    // What a SIGKILL would leave of the document's record now: a copy without its owner's lock.
    std::unique_ptr<RecoveredRecord> crashCopy(InkpondDocument *document);

    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DocumentController> m_controller;
    std::unique_ptr<RecoveryManager> m_recovery;
};

void RestoreTest::init()
{
    m_settings = std::make_unique<IsolatedSettings>();
    m_dir = std::make_unique<QTemporaryDir>();
    m_controller = InkpondDocument::newDocumentController();
    m_recovery = std::make_unique<RecoveryManager>(m_dir->filePath(QStringLiteral("records")),
                                                   *m_controller);
}

void RestoreTest::cleanup()
{
    m_recovery.reset();
    m_controller.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_dir.reset();
    m_settings.reset();
}

InkpondDocument *RestoreTest::newDocument()
{
    auto *document = qobject_cast<InkpondDocument *>(
        m_controller->openUntitledDocumentAndDisplay(true, nullptr));
    QCoreApplication::processEvents();
    return document;
}

std::unique_ptr<RecoveredRecord> RestoreTest::crashCopy(InkpondDocument *document)
{
    m_recovery->waitUntilWritten();
    const auto *tap = document->canvas()->findChild<RecoveryTap *>();
    const QDir from(tap->folder());
    const QString crashed = m_dir->filePath(QStringLiteral("crashed"));
    QDir(crashed).removeRecursively();
    QDir().mkpath(crashed + QStringLiteral("/record"));
    for (const QString &name : from.entryList(QDir::Files))
        if (name != QLatin1String("owner.lock"))
            QFile::copy(from.filePath(name), crashed + QStringLiteral("/record/") + name);
    auto records = claimOrphanedRecords(crashed);
    return records.size() == 1 ? std::move(records.front()) : nullptr;
}

// A save with strokes still undoable keeps the older start, so that an undo after the save,
// restored, takes back the same stroke; until then nothing in the record is unsaved.
void RestoreTest::savedRecordRestoresTheSameUndo()
{
    InkpondDocument *document = newDocument();
    WTView &canvas = *document->canvas();
    strokes::drag(canvas, {100, 100}, {300, 200});
    strokes::drag(canvas, {100, 300}, {300, 250});
    bool saved = false;
    document->saveToURL(QUrl::fromLocalFile(m_dir->filePath(QStringLiteral("a.png"))),
                        document->fileType(), [&saved](bool ok) { saved = ok; });
    QVERIFY(saved);
    auto record = crashCopy(document);
    QVERIFY(record);
    QVERIFY(!record->hasUnsavedWork());
    QCOMPARE(record->start.path, m_dir->filePath(QStringLiteral("a.png")));

    canvas.undo();
    record = crashCopy(document);
    QVERIFY(record && record->hasUnsavedWork());
    QString error;
    InkpondDocument *restored = m_recovery->restore(*record, &error);
    QVERIFY2(restored, qPrintable(error));
    QVERIFY(restored->isDocumentEdited());
    QCOMPARE(restored->fileURL(), document->fileURL());
    QCOMPARE(differingPixels(strokes::picture(*restored->canvas()).qimage(),
                             strokes::picture(canvas).qimage()),
             0);
    QCOMPARE(restored->canvas()->undoLayers().size(), size_t(1));
}

// Opened, cleared, or saved with nothing to undo: the picture of that moment is the new start,
// and a cleared document starts blank and untitled.
void RestoreTest::cleanStartsAgain()
{
    InkpondDocument *document = newDocument();
    WTView &canvas = *document->canvas();
    const Image picture(testPicture(300, 200));
    QVERIFY(canvas.setImage(&picture));
    document->saveToURL(QUrl::fromLocalFile(m_dir->filePath(QStringLiteral("b.png"))),
                        document->fileType());
    auto record = crashCopy(document);
    QVERIFY(record && record->events.empty() && !record->hasUnsavedWork());
    QCOMPARE(differingPixels(record->start.base, picture.qimage()), 0);

    strokes::drag(canvas, {10, 10}, {200, 150});
    record = crashCopy(document);
    QVERIFY(record && record->hasUnsavedWork());
    QVERIFY(!record->start.base.isNull());
    QString error;
    InkpondDocument *restored = m_recovery->restore(*record, &error);
    QVERIFY2(restored, qPrintable(error));
    QCOMPARE(differingPixels(strokes::picture(*restored->canvas()).qimage(),
                             strokes::picture(canvas).qimage()),
             0);
    restored->close();

    canvas.clear(); // asks first: the picture has unsaved changes
    QVERIFY(answer("saveChangesAlert", document->window(), QMessageBox::Discard));
    record = crashCopy(document);
    QVERIFY(record && record->events.empty());
    QVERIFY(record->start.base.isNull());
    QVERIFY(record->start.path.isEmpty());
    QCOMPARE(record->start.size, QSize(300, 200));
}

void RestoreTest::closeAndQuitLeaveNothing()
{
    const QString root = m_recovery->root();
    InkpondDocument *first = newDocument();
    strokes::drag(*first->canvas(), {10, 10}, {50, 50});
    newDocument();
    m_recovery->waitUntilWritten();
    QCOMPARE(recordFolders(root).size(), 2);
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_recovery->waitUntilWritten();
    QCOMPARE(recordFolders(root).size(), 1);
    m_recovery.reset(); // a clean quit, with a window still open
    QVERIFY(recordFolders(root).isEmpty());
}

void RestoreTest::question_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("documents");
    QTest::addColumn<int>("recordsLeft");
    QTest::newRow("restore") << QStringLiteral("Restore") << 2 << 2; // the restored ones' own
    QTest::newRow("discard") << QStringLiteral("Discard") << 0 << 0;
    QTest::newRow("later") << QStringLiteral("Later") << 0 << 2;
}

// Records of a dead process (their locks released with them): one whole, one damaged after its
// stroke, and one with nothing unsaved, which goes without a question.
void RestoreTest::question()
{
    QFETCH(QString, button);
    QFETCH(int, documents);
    QFETCH(int, recordsLeft);
    const QString root = m_recovery->root();
    RecoveryStart start;
    start.size = QSize(200, 200);
    SessionEvent press;
    press.kind = SessionEvent::Kind::Press;
    press.pointer = QStringLiteral("mouse");
    press.x = press.y = 50;
    SessionEvent move = press;
    move.kind = SessionEvent::Kind::Move;
    move.x = 150;
    SessionEvent release = move;
    release.kind = SessionEvent::Kind::Release;
    for (int i = 0; i < 3; ++i) {
        auto record = RecoveryRecord::create(root, start);
        if (i < 2)
            QVERIFY(record->append({press, move, release}) && record->waitUntilDurable());
        if (i == 1)
            QVERIFY(record->append({press, move}));
        if (i == 1) {
            QFile journal(record->folder() + QStringLiteral("/journal-1.jsonl"));
            QVERIFY(journal.open(QIODevice::Append));
            journal.write("{not json}\n");
        }
    }

    QString informative;
    QTimer::singleShot(0, this, [&] {
        if (QMessageBox *box = openBox("restoreQuestion"))
            informative = box->informativeText();
        answer("restoreQuestion", nullptr, button);
    });
    m_recovery->offerRestore();
    QVERIFY(informative.contains(QStringLiteral("damaged")));
    QCOMPARE(int(m_controller->documents().size()), documents);
    for (Document *document : m_controller->documents()) {
        auto *restored = qobject_cast<InkpondDocument *>(document);
        QVERIFY(restored->isDocumentEdited());
        QVERIFY(strokes::paintedPixels(strokes::picture(*restored->canvas())) > 0);
    }
    m_recovery->waitUntilWritten();
    QCOMPARE(int(recordFolders(root).size()), recordsLeft);
}

// A tool number outside 0 to 4, in the start's pen or in a line, once ended the program.
void RestoreTest::outOfRangeToolNoLongerStopsTheRestore()
{
    RecoveryStart start;
    start.size = QSize(200, 200);
    start.pen = QJsonObject {{QStringLiteral("tool"), 9}};
    auto written = RecoveryRecord::create(m_recovery->root(), start);
    SessionEvent tool;
    tool.kind = SessionEvent::Kind::Action;
    tool.name = QStringLiteral("setActiveColor:");
    tool.value = 9;
    QVERIFY(written->append({tool}) && written->waitUntilDurable());
    written.reset();
    auto records = claimOrphanedRecords(m_recovery->root());
    QCOMPARE(records.size(), size_t(1));
    QString error;
    InkpondDocument *restored = m_recovery->restore(*records.front(), &error);
    QVERIFY2(restored, qPrintable(error));
    QCOMPARE(restored->canvas()->activeColor(), 1);
}

// Where no record can be kept, the documents still open, and the user hears of it once.
void RestoreTest::unwritableRecordsAreToldOnce()
{
    QVERIFY(writeFile(m_recovery->root(), "a file where the folder should be"));
    InkpondDocument *first = newDocument();
    QVERIFY(first && first->canvas());
    QVERIFY(openBox("recoveryOffAlert", first->window()));
    InkpondDocument *second = newDocument();
    QVERIFY(!openBox("recoveryOffAlert", second->window()));
    strokes::drag(*second->canvas(), {10, 10}, {100, 100});
    QVERIFY(second->isDocumentEdited());
}

QTEST_MAIN(RestoreTest)
#include "tst_restore.moc"
