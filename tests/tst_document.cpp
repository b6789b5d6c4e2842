// The document framework: the types table, untitled names, atomic saving, the questions asked
// before closing, reverting and quitting, and opening.
#include "Answering.h"
#include "Document.h"
#include "DocumentController.h"
#include "SaveProgress.h"
#include "TestSupport.h"

#include <QFileDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QSemaphore>
#include <QtTest>
#include <optional>
#include <sys/stat.h>

namespace {
const char *const kTable = R"({"types": [
    {"name": "Text", "extensions": ["txt", "text"], "role": "editor"},
    {"name": "Markdown", "extensions": ["md"], "role": "editor"},
    {"name": "Log", "extensions": ["log"], "role": "viewer"}]})";

// A document whose contents are its file's bytes; only data starting with "text:" reads.
class TextDocument : public Document
{
public:
    QByteArray contents = "text:";
    bool refuseToEncode = false;

    QByteArray dataOfType(const QString &, QString *error) override
    {
        if (refuseToEncode)
            *error = QStringLiteral("Refused for the test.");
        return refuseToEncode ? QByteArray() : contents;
    }
    // While set, a save writes its contents in four parts, each once the gate lets it, and ends
    // with a fifth.
    QSemaphore *gate = nullptr;

    SaveWork saveWork(const QString &typeName, QString *error) override
    {
        if (!gate)
            return Document::saveWork(typeName, error);
        return [data = contents, gate = gate](QIODevice &out,
                                              const std::function<bool(double)> &progress,
                                              QString *) {
            const qsizetype part = (data.size() + 3) / 4;
            for (int i = 0; i <= 4; ++i) {
                while (!gate->tryAcquire(1, 5))
                    if (!progress(i / 4.0))
                        return false;
                if (i < 4 && out.write(data.mid(i * part, part)) < 0)
                    return false;
                progress((i + 1) / 4.0);
            }
            return true;
        };
    }
    bool readFromData(const QByteArray &data, const QString &, QString *error) override
    {
        if (!data.startsWith("text:")) {
            *error = QStringLiteral("Not text.");
            return false;
        }
        contents = data;
        return true;
    }
};

std::unique_ptr<DocumentController> makeController()
{
    return std::make_unique<DocumentController>(DocumentTypes::fromJson(kTable),
                                                [] { return std::make_unique<TextDocument>(); });
}

// An edited document of the controller, with a window, belonging to a file with old contents;
// untitled when there are none.
struct Fixture
{
    QTemporaryDir dir;
    std::unique_ptr<DocumentController> controller = makeController();
    QWidget window;
    TextDocument *doc = nullptr;
    QString path = dir.filePath(QStringLiteral("notes.txt"));
    QSemaphore gate;
    std::optional<bool> saved;

    explicit Fixture(const QByteArray &old = "text:old")
    {
        if (old.isEmpty()) {
            doc = static_cast<TextDocument *>(
                controller->openUntitledDocumentAndDisplay(false, nullptr));
        } else {
            writeFile(path, old);
            QString error;
            doc = static_cast<TextDocument *>(controller->openDocumentWithContentsOfURL(
                QUrl::fromLocalFile(path), false, &error));
        }
        doc->setWindow(&window);
        doc->contents = "text:new";
        doc->updateChangeCount(Document::ChangeDone);
    }
    ~Fixture()
    {
        Document::setForegroundSaveWait(-1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Saves run in the background at once, writing as the gate lets them.
    void gateSaves()
    {
        doc->gate = &gate;
        Document::setForegroundSaveWait(0);
    }

    void save()
    {
        saved.reset();
        doc->saveDocument([this](bool ok) { saved = ok; });
    }

    // Nothing beside the file: no temporary copy left behind.
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
};
} // namespace

class DocumentTest : public QObject
{
    Q_OBJECT

private slots:
    void malformedTablesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("defaultType"); // empty: refused
        auto table = [](const QByteArray &types, const QByteArray &defaultType = {}) {
            const QByteArray named
                = defaultType.isEmpty() ? "" : "\"defaultType\": \"" + defaultType + "\", ";
            return "{" + named + "\"types\": [" + types + "]}";
        };
        const QByteArray a = R"({"name": "A", "extensions": ["a"], "role": "editor"})";
        const QByteArray v = R"({"name": "V", "extensions": ["v"], "role": "viewer"})";
        QTest::newRow("valid; default is the first editor") << QByteArray(kTable) << "Text";
        QTest::newRow("explicit default")
            << table(a + R"(, {"name": "B", "extensions": ["b"], "role": "editor"})", "B") << "B";
        QTest::newRow("not JSON") << QByteArray("{types") << "";
        QTest::newRow("nameless type") << table(R"({"extensions": ["a"], "role": "editor"})") << "";
        QTest::newRow("writable without extension")
            << table(R"({"name": "A", "extensions": [], "role": "editor"})") << "";
        QTest::newRow("extension with a dot")
            << table(R"({"name": "A", "extensions": [".a"], "role": "editor"})") << "";
        QTest::newRow("unknown role")
            << table(R"({"name": "A", "extensions": ["a"], "role": "x"})") << "";
        QTest::newRow("twice the same name")
            << table(a + R"(, {"name": "A", "extensions": ["b"], "role": "editor"})") << "";
        QTest::newRow("default cannot be written") << table(a + ", " + v, "V") << "";
        QTest::newRow("nothing can be written") << table(v) << "";
    }

    void malformedTablesAreRefused()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, defaultType);
        QString error;
        const DocumentTypes table = DocumentTypes::fromJson(json, &error);
        QCOMPARE(table.defaultType(), defaultType);
        QCOMPARE(table.isEmpty(), defaultType.isEmpty());
        QCOMPARE(error.isEmpty(), !defaultType.isEmpty());
    }

    void failedSaveLeavesTheOldFile_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::newRow("encoding refused") << "encode";
        QTest::newRow("disk full part-way") << "interrupted";
        // Small enough to sit in a write buffer until the file is closed.
        QTest::newRow("disk full, small file") << "small";
    }

    void failedSaveLeavesTheOldFile()
    {
        QFETCH(QString, failure);
        const QByteArray old = "text:old contents that must survive";
        Fixture f(old);
        f.doc->contents = "text:" + QByteArray(failure == "small" ? 1024 : 256 * 1024, 'x');
        f.doc->refuseToEncode = failure == "encode";

        // Writes beyond a few kilobytes fail as on a full disk, part-way through the save.
        if (failure == "encode")
            f.save();
        else
            onAFullDisk(failure == "small" ? 100 : 16 * 1024, [&] { f.save(); });

        QMessageBox *box = openBox("errorAlert", &f.window);
        QVERIFY(box && !box->informativeText().isEmpty());
        QVERIFY(!f.saved); // the completion waits for the user to read the report
        QVERIFY(answer("errorAlert", &f.window, QMessageBox::Ok));
        QCOMPARE(f.saved, false);

        QCOMPARE(readFile(f.path), old);
        QCOMPARE(f.files(), QStringList {"notes.txt"});
        QVERIFY(f.doc->isDocumentEdited());
        QCOMPARE(f.doc->fileURL(), QUrl::fromLocalFile(f.path));

        // The same save succeeds once the cause is gone.
        f.doc->refuseToEncode = false;
        f.save();
        QCOMPARE(f.saved, true);
        QCOMPARE(readFile(f.path), f.doc->contents);
        QVERIFY(!f.doc->isDocumentEdited());
    }

    // A long save runs while the user works on: it writes the contents as they were when it
    // began, and what was done meanwhile stays unsaved.
    void editsDuringABackgroundSaveStayUnsaved()
    {
        Fixture f;
        f.gateSaves();
        QSignalSpy saving(f.doc, &Document::savingChanged);
        f.save();
        QVERIFY(f.doc->isSaving());
        QCOMPARE(saving.count(), 1);
        f.doc->contents = "text:newer";
        f.doc->updateChangeCount(Document::ChangeDone);
        f.gate.release(5);
        QTRY_COMPARE(f.saved, true);
        QCOMPARE(saving.count(), 2);
        QCOMPARE(readFile(f.path), "text:new");
        QVERIFY(f.doc->isDocumentEdited());
        QCOMPARE(f.doc->changeCount(), 1);

        // Nothing done during the next one: the document is saved.
        f.gate.release(5);
        f.save();
        QTRY_COMPARE(f.saved, true);
        QCOMPARE(readFile(f.path), "text:newer");
        QVERIFY(!f.doc->isDocumentEdited());
    }

    // Cancelled before it wrote, part-way and after its last byte: the old file stays byte for
    // byte, nothing is left beside it, the document stays edited and nothing is reported. The
    // status bar shows the save once it has run a while, and its button cancels it.
    void cancelledSaveLeavesTheOldFile_data()
    {
        QTest::addColumn<int>("parts"); // written before the cancel
        for (int parts : {0, 2, 4})
            QTest::addRow("after %d of 4 parts", parts) << parts;
    }

    void cancelledSaveLeavesTheOldFile()
    {
        QFETCH(int, parts);
        const QByteArray old = "text:old contents that must survive";
        Fixture f(old);
        f.doc->contents = "text:" + QByteArray(64 * 1024, 'x');
        SaveProgress progress;
        progress.setDocument(f.doc);
        f.gateSaves();
        QSignalSpy progressed(f.doc, &Document::saveProgressed);
        f.save();
        f.gate.release(parts);
        if (parts > 0)
            QTRY_VERIFY(!progressed.isEmpty()
                        && progressed.last().first().toDouble() == parts / 4.0);
        QTRY_VERIFY(!progress.isHidden());
        QCOMPARE(progress.bar()->value(), parts * 25);
        QVERIFY(!f.saved);
        QTest::mouseClick(progress.cancelButton(), Qt::LeftButton);
        QTRY_COMPARE(f.saved, false);
        QVERIFY(progress.isHidden());
        QVERIFY(!openBox("errorAlert", &f.window));
        QCOMPARE(readFile(f.path), old);
        QCOMPARE(f.files(), QStringList {"notes.txt"});
        QVERIFY(f.doc->isDocumentEdited());
    }

    // Closing during a save asks nothing until the save has ended; saved, the document closes.
    void closingDuringASaveWaitsForIt()
    {
        Fixture f;
        f.gateSaves();
        QSignalSpy closed(f.doc, &Document::closed);
        f.doc->saveDocument();
        f.doc->performClose();
        QCoreApplication::processEvents();
        QVERIFY(!openBox("saveChangesAlert", &f.window));
        QCOMPARE(closed.count(), 0);
        f.gate.release(5);
        QTRY_COMPARE(closed.count(), 1);
        QCOMPARE(readFile(f.path), "text:new");
    }

    // A name kept with a byte that is not UTF-8 cannot reach Qt's writer as it is: the save is
    // refused instead of writing a file of another name.
    void saveUnderANameThatIsNotUtf8IsRefused()
    {
        Fixture f;
        const QString name = f.dir.filePath(QStringLiteral("caf") + QChar(0xDCE9) + ".txt");
        QString error;
        QVERIFY(!f.doc->writeToURL(QUrl::fromLocalFile(name), f.doc->fileType(), &error));
        QVERIFY(error.contains(QLatin1String("Save As")));
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList {"notes.txt"});
    }

    void saveThroughALinkLeavesASpecialFile()
    {
        Fixture f;
        const QString fifo = f.dir.filePath(QStringLiteral("pipe"));
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString link = f.dir.filePath(QStringLiteral("link.txt"));
        QVERIFY(QFile::link(fifo, link));
        QString error;
        QVERIFY(!f.doc->writeToURL(QUrl::fromLocalFile(link), f.doc->fileType(), &error));
        QVERIFY(!error.isEmpty());
        struct stat st;
        QCOMPARE(stat(QFile::encodeName(fifo).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QVERIFY(QFileInfo(link).isSymLink());
    }

    void saveAsAddsTheTypesExtension_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("replace"); // the answer when the file written exists already
        const char *const rows[][5] = {
            {"no extension", "picture", "picture.txt", "Text", ""},
            {"another of its extensions, upper case", "picture.TEXT", "picture.TEXT", "Text", ""},
            // Typing out2.webp with the BMP filter selected once wrote out2.bmp.
            {"a typed writable extension chooses the type", "picture.md", "picture.md",
             "Markdown", ""},
            {"a read-only type's extension", "picture.log", "picture.log.txt", "Text", ""},
            // The dialog asked about "picture.log"; the file written would be "picture.log.txt".
            {"added extension over a file, Cancel", "picture.log", "picture.log.txt", "Text",
             "Cancel"},
            {"added extension over a file, Replace", "picture.log", "picture.log.txt", "Text",
             "Replace"},
        };
        for (const auto &r : rows)
            QTest::newRow(r[0]) << r[1] << r[2] << r[3] << r[4];
    }

    void saveAsAddsTheTypesExtension()
    {
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QFETCH(QString, type);
        QFETCH(QString, replace);
        Fixture f {QByteArray()}; // untitled
        const QString path = f.dir.filePath(saved);
        if (!replace.isEmpty())
            QVERIFY(writeFile(path, "text:keep me"));

        std::optional<bool> done;
        f.doc->saveDocumentAs([&](bool ok) { done = ok; });
        auto *dialog = openDialog<QFileDialog>("saveAsDialog", &f.window);
        QVERIFY(dialog);
        dialog->setDirectory(f.dir.path());
        dialog->selectFile(typed);
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept(), as the Save button does
        if (!replace.isEmpty()) {
            QVERIFY(!done);
            QVERIFY(openBox("replaceAlert", &f.window)->text().contains("“" + saved + "”"));
            QVERIFY(answer("replaceAlert", &f.window, replace));
        }
        QCOMPARE(done, replace != "Cancel");
        if (replace == "Cancel") {
            QCOMPARE(readFile(path), "text:keep me");
            return;
        }
        QCOMPARE(readFile(path), f.doc->contents);
        QCOMPARE(f.doc->fileURL(), QUrl::fromLocalFile(path));
        QCOMPARE(f.doc->fileType(), type);
        QVERIFY(!f.doc->isDocumentEdited());
    }

    // The window system's close button asks as the Close command does.
    void closeButtonAsksAboutUnsavedChanges()
    {
        Fixture f;
        f.window.show();
        QVERIFY(!f.window.close());
        QVERIFY(answer("saveChangesAlert", &f.window, QMessageBox::Cancel));
        QVERIFY(f.window.isVisible());
        QVERIFY(!f.window.close());
        QVERIFY(answer("saveChangesAlert", &f.window, QMessageBox::Discard));
        QVERIFY(!f.window.isVisible());
        QCOMPARE(readFile(f.path), "text:old");
    }

    void revertAsksFirst_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("fileReadable");
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("Cancel") << "Cancel" << true << QByteArray("text:new");
        QTest::newRow("Revert") << "Revert" << true << QByteArray("text:old");
        QTest::newRow("Revert to a file that no longer reads")
            << "Revert" << false << QByteArray("text:new");
    }

    void revertAsksFirst()
    {
        QFETCH(QString, button);
        QFETCH(bool, fileReadable);
        QFETCH(QByteArray, contents);
        Fixture f;
        if (!fileReadable)
            QVERIFY(writeFile(f.path, "garbage"));

        f.doc->revertDocumentToSaved();
        QVERIFY(answer("revertAlert", &f.window, button));

        QCOMPARE(f.doc->contents, contents);
        QCOMPARE(f.doc->isDocumentEdited(), contents != "text:old");
        QCOMPARE(answer("errorAlert", &f.window, QMessageBox::Ok), !fileReadable);
    }

    void quitReviewsEveryEditedDocument()
    {
        const auto controller = makeController();
        QWidget windows[3];
        std::vector<QPointer<Document>> docs;
        for (QWidget &w : windows) {
            docs.push_back(controller->openUntitledDocumentAndDisplay(false, nullptr));
            docs.back()->setWindow(&w);
        }
        docs[0]->updateChangeCount(Document::ChangeDone);
        docs[2]->updateChangeCount(Document::ChangeReadOtherContents);

        // Asked in turn, only about edited documents; a Cancel stops the quit with nothing closed.
        controller->terminate();
        QVERIFY(answer("saveChangesAlert", &windows[0], QMessageBox::Discard));
        QVERIFY(!openBox("saveChangesAlert", &windows[1]));
        QVERIFY(answer("saveChangesAlert", &windows[2], QMessageBox::Cancel));
        QCOMPARE(controller->documents().size(), size_t(3));

        controller->terminate();
        QVERIFY(answer("saveChangesAlert", &windows[0], QMessageBox::Discard));
        QVERIFY(answer("saveChangesAlert", &windows[2], QMessageBox::Discard));
        QVERIFY(controller->documents().empty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (const auto &d : docs)
            QVERIFY(d.isNull());
    }

    void openingAFileThatDoesNotReadLeavesNoDocument()
    {
        QTemporaryDir dir;
        const auto controller = makeController();
        const QString bad = dir.filePath(QStringLiteral("bad.txt"));
        QVERIFY(writeFile(bad, "binary"));
        QString error;
        QVERIFY(
            !controller->openDocumentWithContentsOfURL(QUrl::fromLocalFile(bad), false, &error));
        QCOMPARE(error, "Not text.");
        QVERIFY(controller->documents().empty());

        // One document per file, whatever way the file is named.
        const QString good = dir.filePath(QStringLiteral("good.log"));
        QVERIFY(writeFile(good, "text:fine"));
        Document *doc
            = controller->openDocumentWithContentsOfURL(QUrl::fromLocalFile(good), false, &error);
        QVERIFY(doc);
        QCOMPARE(doc->fileType(), "Log");
        QCOMPARE(
            controller->openDocumentWithContentsOfURL(
                QUrl::fromLocalFile(dir.path() + QStringLiteral("/./good.log")), false, &error),
            doc);
        QCOMPARE(controller->documents().size(), size_t(1));
    }
};

QTEST_MAIN(DocumentTest)
#include "tst_document.moc"
