// Recovery records: journals, owner locks, what a dead process left, what open documents' records
// hold through saves, clears, closes and redos, and the question that restores them.
#include "Answering.h"
#include "DocumentController.h"
#include "InkpondDocument.h"
#include "JournalLine.h"
#include "MainMenu.h"
#include "PenSettings.h"
#include "Preferences.h"
#include "RecoveryManager.h"
#include "RecoveryRecord.h"
#include "RecoveryTap.h"
#include "StrokeDriver.h"
#include "TestSupport.h"
#include "TiledImage.h"
#include "WTView.h"

#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>
#include <optional>

using Kind = SessionEvent::Kind;

namespace {

// Starting pictures as records hold them, and back.
std::shared_ptr<const TiledImage> tilesOf(const QImage &picture)
{
    auto tiles = std::make_shared<TiledImage>(Size {float(picture.width()), float(picture.height())});
    tiles->setPixels(picture.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    return tiles;
}

QImage pixelsOf(const TiledImage &tiles)
{
    QImage out(tiles.pixelWidth(), tiles.pixelHeight(), QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    tiles.readPixels(out.rect(), out, 0, 0);
    return out;
}

QStringList recordFolders(const QString &root)
{
    return QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

SessionEvent pointer(Kind kind, float x, float y)
{
    SessionEvent e;
    e.kind = kind;
    e.pointer = QStringLiteral("pen");
    e.x = x;
    e.y = y;
    e.pressure = 0.5f;
    return e;
}

std::vector<SessionEvent> stroke(float x)
{
    return {pointer(Kind::Press, x, 10), pointer(Kind::Move, x + 5, 20),
            pointer(Kind::Release, x + 5, 20)};
}

RecoveryStart blankStart()
{
    RecoveryStart start;
    start.size = QSize(64, 48);
    start.pen = QJsonObject {{QStringLiteral("brushSize"), 7.5}};
    return start;
}

QList<QByteArray> jsonLines(const std::vector<SessionEvent> &events)
{
    return sessionLines(events).split('\n').mid(0, qsizetype(events.size()));
}

QList<float> pressXs(const std::vector<SessionEvent> &events)
{
    QList<float> xs;
    for (const SessionEvent &e : events)
        if (e.kind == Kind::Press)
            xs << e.x;
    return xs;
}

qint64 differing(WTView &a, WTView &b)
{
    return differingPixels(strokes::picture(a).qimage(), strokes::picture(b).qimage());
}

const QList<QPointF> kTilts {{30, -15}, {31.5, 0}, {0, 0}};

QList<QPointF> journalledTilts(const RecoveredRecord &record)
{
    QList<QPointF> out;
    for (const SessionEvent &e : record.events)
        if (e.kind == Kind::Press || e.kind == Kind::Move || e.kind == Kind::Release)
            out << QPointF(e.tiltX, e.tiltY);
    return out;
}

// The one record a dead process left under root, or null.
std::unique_ptr<RecoveredRecord> claimOne(const QString &root)
{
    auto records = claimOrphanedRecords(root);
    return records.size() == 1 ? std::move(records.front()) : nullptr;
}

// A record whose owner is gone: its lock released with it, its folder left as a crash leaves it.
QString orphanedRecord(const QString &root, int strokes)
{
    auto record = RecoveryRecord::create(root, blankStart());
    for (int i = 0; record && i < strokes; ++i)
        record->append(stroke(float(10 * i)));
    return record ? record->folder() : QString();
}
} // namespace

class RestoreTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        mCase.emplace();
        mRecovery = std::make_unique<RecoveryManager>(mCase->path("records"), *mCase->documents);
    }

    void cleanup()
    {
        mRecovery.reset();
        mCase.reset();
    }

    // Saved with nothing to undo, the picture is the new start; with strokes undoable, the older
    // start stays so that an undo after the save restores alike. Cleared: blank and untitled.
    void savedRecordRestoresTheSameUndo()
    {
        InkpondDocument *document = mCase->newDocument();
        WTView &canvas = *document->canvas();
        const Image picture(testPicture(300, 200));
        QVERIFY(canvas.core().setImage(&picture));
        QVERIFY(saveAndWait(*document, mCase->path("b.png")));
        strokes::drag(canvas, {10, 10}, {200, 150});
        strokes::drag(canvas, {100, 30}, {250, 180});
        QVERIFY(saveAndWait(*document, mCase->path("a.png")));
        auto record = crashCopy(document);
        QVERIFY(record && !record->hasUnsavedWork());
        QCOMPARE(record->start.path, mCase->path(QStringLiteral("a.png")));
        QCOMPARE(differingPixels(pixelsOf(*record->start.base), picture.qimage()), 0);

        canvas.undo();
        record = crashCopy(document);
        QVERIFY(record && record->hasUnsavedWork());
        InkpondDocument *restored = restore(*record);
        QVERIFY(restored);
        QVERIFY(restored->isDocumentEdited());
        QCOMPARE(restored->fileURL(), document->fileURL());
        QVERIFY(restoredAlike(*restored->canvas(), canvas));
        restored->close();

        canvas.clear(); // asks first: the picture has unsaved changes
        QVERIFY(answer("saveChangesAlert", document->window(), QMessageBox::Discard));
        record = crashCopy(document);
        QVERIFY(record && record->events.empty());
        QVERIFY(!record->start.base);
        QVERIFY(record->start.path.isEmpty());
        QCOMPARE(record->start.size, QSize(300, 200));
    }

    void restoreGivesTheLivePicture_data()
    {
        QTest::addColumn<QString>("session");
        for (const char *session :
             {"layer steps", "layers saved as its start", "tilted pen",
              "redone through the menu after a save", "sheet of another size"})
            QTest::newRow(session) << QString::fromLatin1(session);
    }

    // Whatever reached the journal, a crash then gives back the same layers, pixels and history.
    void restoreGivesTheLivePicture()
    {
        QFETCH(QString, session);
        InkpondDocument *document = mCase->newDocument();
        WTView &canvas = *document->canvas();
        auto command = [&](const char *name) {
            documentWindowFor(document)->mainMenu()->action(QLatin1String(name))->trigger();
        };
        if (session == "layer steps") {
            strokes::layeredSession(canvas);
        } else if (session == "layers saved as its start") {
            // Saved with nothing to undo, the record starts again as the layers.
            QVERIFY(canvas.core().adoptLayers(threeLayers(240, 160), 0));
            QVERIFY(saveAndWait(*document, mCase->path("l.ora"), "OpenRaster image"));
            strokes::drag(canvas, {20, 20}, {200, 140});
        } else if (session == "tilted pen") {
            const QEvent::Type types[]
                = {QEvent::TabletPress, QEvent::TabletMove, QEvent::TabletRelease};
            const Qt::MouseButton button[] = {Qt::LeftButton, Qt::NoButton, Qt::LeftButton};
            const Qt::MouseButtons held[] = {Qt::LeftButton, Qt::LeftButton, Qt::NoButton};
            for (int i = 0; i < 3; ++i)
                strokes::sendTablet(canvas, types[i], {20.0f + 30 * i, 20}, 0.5f, button[i],
                                    held[i], {}, strokes::pen(), kTilts[i]);
        } else if (session == "redone through the menu after a save") {
            for (int i = 0; i < 4; ++i)
                strokes::drag(canvas, {50.0f + 100 * i, 100}, {90.0f + 100 * i, 400});
            for (int i = 0; i < 4; ++i)
                command("undo:");
            // Saved with nothing left to undo, but all to redo: the record keeps its start.
            QVERIFY(saveAndWait(*document, mCase->path("a.png")));
            QVERIFY(!document->isDocumentEdited());
            for (const char *name : {"redo:", "redo:", "undo:", "redo:", "redo:"})
                command(name);
            QVERIFY(canvas.canRedo());
        } else { // as --replay --sheet gives it
            QVERIFY(canvas.setSheetSize({1000, 800}));
            strokes::drag(canvas, {700, 600}, {950, 750});
        }
        auto record = crashCopy(document);
        QVERIFY(record);
        QCOMPARE(record->start.layered && !record->start.base,
                 session == "layers saved as its start");
        // Each sample with its tilt, an upright pen's 0, 0; the restored journal the same.
        if (session == "tilted pen")
            QCOMPARE(journalledTilts(*record), kTilts);
        InkpondDocument *restored = restore(*record);
        QVERIFY(restored);
        if (session == "tilted pen") {
            record = crashCopy(restored);
            QVERIFY(record);
            QCOMPARE(journalledTilts(*record), kTilts);
        }
        QVERIFY(restoredAlike(*restored->canvas(), canvas));
    }

    // The depth and the nibs the record started with and those chosen since come back, so that
    // undo and redo after a restore reach as far as before and strokes paint alike, whatever the
    // store says by then. A record from before the depth was kept restores at 10, one from
    // before nibs with the pen.
    void undoDepthAndBrushesAreRestored()
    {
        PenSettings(Preferences::standard()).setUndoDepth(30);
        PenSettings(Preferences::standard()).setBrushKind(3, BrushKind::Marker);
        InkpondDocument *document = mCase->newDocument();
        WTView &canvas = *document->canvas();
        QCOMPARE(canvas.core().undoDepth(), 30);
        canvas.core().setBrushKind(BrushKind::Pencil);
        canvas.core().setAirbrushHardness(60);
        for (int i = 0; i < 14; ++i) {
            if (i == 7) {
                canvas.setActiveColor(2);
                canvas.core().setBrushKind(BrushKind::Airbrush);
            } else if (i == 10) {
                canvas.setActiveColor(4); // the marker
            } else if (i == 13) {
                canvas.setActiveColor(0);
                canvas.core().setEraserShape(BrushKind::Airbrush);
            }
            strokes::drag(canvas, {20.0f + 25 * i, 100}, {30.0f + 25 * i, 300});
        }
        for (int i = 0; i < 12; ++i)
            canvas.undo();
        canvas.core().setUndoDepth(5); // two strokes kept, three of those undone still to redo
        auto record = crashCopy(document);
        QVERIFY(record);
        QCOMPARE(record->start.pen.value(QStringLiteral("undoDepth")).toInt(), 30);
        PenSettings(Preferences::standard()).setUndoDepth(50);
        for (int slot = 0; slot < PenSettings::kSlots; ++slot)
            PenSettings(Preferences::standard()).setBrushKind(slot, BrushKind::Pencil);
        PenSettings(Preferences::standard()).setEraserShape(BrushKind::Pen);
        PenSettings(Preferences::standard()).setAirbrushHardness(0.0f);

        InkpondDocument *restored = restore(*record);
        QVERIFY(restored);
        WTView &again = *restored->canvas();
        QCOMPARE(again.core().undoDepth(), 5);
        for (int slot = 0; slot < PenSettings::kSlots; ++slot)
            QCOMPARE(again.core().penSettings().brushKind(slot),
                     canvas.core().penSettings().brushKind(slot));
        QVERIFY(again.erasing() && again.core().eraserShape() == BrushKind::Airbrush);
        QCOMPARE(again.core().airbrushHardness(), 60.0f);
        QCOMPARE(differing(again, canvas), 0);
        QCOMPARE(again.picture().undoLayers().size(), std::size_t(2));
        for (int i = 0; i < 3; ++i) {
            again.redo();
            canvas.redo();
        }
        QCOMPARE(differing(again, canvas), 0);
        QVERIFY(!again.canRedo() && !canvas.canRedo());
        restored->close();

        record = crashCopy(document);
        QVERIFY(record);
        for (const char *key : {"undoDepth", "brushes", "eraserShape", "airbrushHardness"})
            record->start.pen.remove(QLatin1String(key));
        const QStringList newer {
            "setUndoDepth:", "setBrushKind:", "setEraserShape:", "setAirbrushHardness:"};
        std::erase_if(record->events,
                      [&newer](const SessionEvent &e) { return newer.contains(e.name); });
        restored = restore(*record);
        QVERIFY(restored);
        QCOMPARE(restored->canvas()->core().undoDepth(), 10);
        for (int slot = 0; slot < PenSettings::kSlots; ++slot)
            QCOMPARE(restored->canvas()->core().penSettings().brushKind(slot), BrushKind::Pen);
        QCOMPARE(restored->canvas()->core().eraserShape(), BrushKind::Pen);
        // Of the fourteen strokes ten could be undone, and three were redone.
        QCOMPARE(restored->canvas()->picture().undoLayers().size(), std::size_t(3));
        QVERIFY(differing(*restored->canvas(), canvas) > 0);
    }

    void question_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("documents");
        QTest::addColumn<int>("recordsLeft");
        // The restored ones' own, and the damaged one until its picture is saved.
        QTest::newRow("restore") << QStringLiteral("Restore") << 2 << 3;
        QTest::newRow("discard") << QStringLiteral("Discard") << 0 << 0;
        QTest::newRow("later") << QStringLiteral("Later") << 0 << 2;
    }

    // A dead process's records: one whole, one damaged after its stroke, one with nothing unsaved.
    void question()
    {
        QFETCH(QString, button);
        QFETCH(int, documents);
        QFETCH(int, recordsLeft);
        const QString root = mRecovery->root();
        orphanedRecord(root, 1);
        orphanedRecord(root, 0);
        const QString journal = orphanedRecord(root, 1) + QStringLiteral("/journal-1.jsonl");
        QVERIFY(writeFile(
            journal,
            readFile(journal)
                + sessionLines({pointer(Kind::Press, 30, 10), pointer(Kind::Move, 35, 20)})
                + "{not json}\n"));
        QVERIFY(offer(button).contains(QStringLiteral("damaged")));
        QCOMPARE(int(mCase->documents->documents().size()), documents);
        mRecovery->waitUntilWritten();
        QCOMPARE(int(recordFolders(root).size()), recordsLeft);
    }

    // A tool number outside 0 to 4, in the start's pen or in a line, once ended the program.
    void outOfRangeToolNoLongerStopsTheRestore()
    {
        RecoveryStart start = blankStart();
        start.pen = QJsonObject {{QStringLiteral("tool"), 9}};
        auto written = RecoveryRecord::create(mRecovery->root(), start);
        const auto tool = parseSessionEvent(
            R"({"t":0,"event":"action","name":"setActiveColor:","value":9})", nullptr);
        QVERIFY(tool && written->append({*tool}) && written->waitUntilDurable());
        written.reset();
        auto record = claimOne(mRecovery->root());
        QVERIFY(record);
        InkpondDocument *restored = restore(*record);
        QVERIFY(restored);
        QCOMPARE(restored->canvas()->activeColor(), 1);
    }

    // Where no record can be kept, the documents still open, and the user hears of it once.
    void unwritableRecordsAreToldOnce()
    {
        QVERIFY(writeFile(mRecovery->root(), "a file where the folder should be"));
        InkpondDocument *first = mCase->newDocument();
        QVERIFY(first && first->canvas());
        QVERIFY(openBox("recoveryOffAlert", first->window()));
        InkpondDocument *second = mCase->newDocument();
        QVERIFY(!openBox("recoveryOffAlert", second->window()));
        strokes::drag(*second->canvas(), {10, 10}, {100, 100});
        QVERIFY(second->isDocumentEdited());
    }

    void damagedJournal_data()
    {
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::addColumn<QString>("tamper"); // done to the line at `at`, 0-based
        QTest::addColumn<int>("at");
        QTest::addColumn<QList<float>>("presses");
        QTest::addColumn<int>("damagedFrom"); // 1-based; 0: whole

        const QList<QByteArray> whole = jsonLines(stroke(0)) + jsonLines(stroke(10));
        const QByteArray nextPress = formatSessionEvent(pointer(Kind::Press, 20, 10));
        const QList<float> both {0, 10};
        QTest::newRow("intact") << whole << "" << -1 << both << 0;
        QTest::newRow("last line cut in its middle") << whole + QList {nextPress} << "cut" << 6
                                                     << both << 0;
        // Whole but damaged: a crash cannot do that.
        QTest::newRow("last line damaged") << whole + QList {nextPress} << "digit" << 6 << both
                                           << 7;
        QTest::newRow("stroke without its release")
            << whole + QList {nextPress, formatSessionEvent(pointer(Kind::Move, 21, 11))} << ""
            << -1 << both << 0;
        QTest::newRow("tilt out of range")
            << jsonLines(stroke(0)) + QList {nextPress.chopped(1) + ",\"tiltX\":400}"}
                + jsonLines(stroke(10))
            << "" << -1 << QList<float> {0} << 4;
        QTest::newRow("empty") << QList<QByteArray> {} << "" << -1 << QList<float> {} << 0;
        QTest::newRow("a digit changed") << whole << "digit" << 4 << QList<float> {0} << 5;
        QTest::newRow("spliced from another record") << whole << "splice" << 3 << QList<float> {0}
                                                     << 4;
        QTest::newRow("a line without its checksum") << whole << "unsealed" << 4
                                                     << QList<float> {0} << 5;
        QTest::newRow("previous version") << whole << "old" << -1 << both << 0;
        QTest::newRow("previous version, a sealed line") << whole << "old" << 4 << QList<float> {0}
                                                         << 5;
    }

    // Lines are sealed as the record writes them, then tampered with.
    void damagedJournal()
    {
        QFETCH(QList<QByteArray>, lines);
        QFETCH(QString, tamper);
        QFETCH(int, at);
        QFETCH(QList<float>, presses);
        QFETCH(int, damagedFrom);

        QTemporaryDir root;
        const QString folder = orphanedRecord(root.path(), 0);
        QJsonObject meta = QJsonDocument::fromJson(readFile(folder + "/meta.json")).object();
        const QByteArray id = meta.value(QStringLiteral("id")).toString().toLatin1();
        QCOMPARE(id.size(), 8);
        if (tamper == "old") {
            meta.remove(QStringLiteral("id"));
            QVERIFY(writeFile(folder + QStringLiteral("/meta.json"), QJsonDocument(meta).toJson()));
        }
        QByteArray journal;
        for (int i = 0; i < lines.size(); ++i) {
            QByteArray line = lines[i];
            if (tamper == "old" ? i == at : !(tamper == "unsealed" && i == at))
                line = sealedJournalLine(line, tamper == "splice" && i >= at ? "0badf00d" : id);
            if (tamper == "digit" && i == at) {
                const qsizetype digit = line.indexOf("\"x\":") + 4;
                line[digit] = char('0' + (line[digit] - '0' + 1) % 10);
            }
            journal += line + '\n';
            if (tamper == "cut" && i == at)
                journal.chop(line.size() / 2 + 1);
        }
        QVERIFY(writeFile(folder + QStringLiteral("/journal-1.jsonl"), journal));
        auto record = claimOne(root.path());
        QVERIFY(record);
        QCOMPARE(pressXs(record->events), presses);
        QCOMPARE(record->damaged, damagedFrom > 0);
        QCOMPARE(record->problem.contains(QStringLiteral("line %1 ").arg(damagedFrom)),
                 damagedFrom > 0);
        // Whatever restores must end on a finished stroke.
        if (!record->events.empty())
            QCOMPARE(record->events.back().kind, Kind::Release);
    }

    // A crash before the description names a new start leaves the previous start whole.
    void startingPictureNamedByTheDescriptionOnly()
    {
        QTemporaryDir root;
        RecoveryStart saved = blankStart();
        QImage red(64, 48, QImage::Format_ARGB32);
        red.fill(Qt::red);
        saved.base = tilesOf(red);
        auto record = RecoveryRecord::create(root.path(), saved);
        QVERIFY(record);
        QVERIFY(record->append(stroke(0)));
        const QDir dir(record->folder());
        QVERIFY(record->beginStart(saved) > 0);
        QVERIFY(record->append(stroke(10)));
        record.reset();

        auto claimed = claimOne(root.path());
        QVERIFY(claimed);
        QCOMPARE(claimed->start.base->pixel(0, 47), QColor(Qt::red).rgba());
        QCOMPARE(pressXs(claimed->events), QList<float> {0});
        // The newer start's strokes are told of, so that the record is kept.
        QVERIFY(claimed->damaged);
        claimed.reset();

        // A description naming a file outside its folder is damage, not a picture to load.
        QVERIFY(writeFile(dir.filePath(QStringLiteral("meta.json")),
            R"({"width":64,"height":48,"journal":"journal-1.jsonl","base":"../../elsewhere/base-1.png"})"));
        claimed = claimOne(root.path());
        QVERIFY(claimed && claimed->damaged);
        QVERIFY(!claimed->start.base);
    }

    void unreadableRecordIsKept_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QList<float>>("presses");
        QTest::newRow("a bad byte in the journal's first line") << "first line" << QList<float> {};
        QTest::newRow("damage right after a save") << "after save" << QList<float> {0};
        QTest::newRow("journal unreadable") << "journal" << QList<float> {};
        QTest::newRow("starting picture damaged") << "picture" << QList<float> {0, 10};
        // Its size is its picture's.
        QTest::newRow("description lost") << "description" << QList<float> {0, 10};
    }

    // Anything unreadable: what can be read is offered, the damage told, the record kept till
    // saved.
    void unreadableRecordIsKept()
    {
        QFETCH(QString, damage);
        QFETCH(QList<float>, presses);
        RecoveryStart start = blankStart();
        QImage blue(start.size, QImage::Format_ARGB32_Premultiplied);
        blue.fill(Qt::transparent);
        blue.setPixel(0, 0, qRgba(0, 0, 255, 255));
        start.base = tilesOf(blue);
        auto written = RecoveryRecord::create(mRecovery->root(), start);
        QVERIFY(written);
        const QDir dir(written->folder());
        QVERIFY(written->append(stroke(0)));
        if (damage == "after save")
            QVERIFY(written->append({*parseSessionEvent(
                R"({"t":0,"event":"action","name":"changesCleared:"})", nullptr)}));
        QVERIFY(written->append(stroke(10)) && written->waitUntilDurable());
        written.reset();

        const QString journal = dir.filePath(QStringLiteral("journal-1.jsonl"));
        QByteArray lines = readFile(journal);
        if (damage == "first line") {
            lines[0] = 'x';
        } else if (damage == "after save") {
            const qsizetype cleared = lines.indexOf("changesCleared:");
            lines[lines.indexOf('\n', cleared) + 1] = 'x';
        }
        QVERIFY(writeFile(journal, lines));
        if (damage == "journal")
            QVERIFY(QFile::remove(journal) && dir.mkdir(QStringLiteral("journal-1.jsonl")));
        if (damage == "picture")
            QVERIFY(writeFile(dir.filePath(QStringLiteral("base-1.png")), "\x89PNG garbage"));
        if (damage == "description")
            QVERIFY(QFile::remove(dir.filePath(QStringLiteral("meta.json"))));

        const QString informative = offer(QStringLiteral("Restore"));
        QVERIFY2(informative.contains(QStringLiteral("damaged")), qPrintable(informative));
        QCOMPARE(mCase->documents->documents().size(), size_t(1));
        auto *restored = qobject_cast<InkpondDocument *>(mCase->documents->documents().front());
        QCOMPARE(restored->canvas()->sheetSize(), (Size {64, 48}));
        QCOMPARE(strokes::paintedPixels(strokes::picture(*restored->canvas())) > 0,
                 !presses.isEmpty() || damage != "picture");
        mRecovery->waitUntilWritten();
        QVERIFY(dir.exists());
        QVERIFY(dir.exists(QStringLiteral("journal-1.jsonl")));

        // Saved, the restored picture holds all there was to hold.
        QVERIFY(saveAndWait(*restored, mCase->path("saved.png")));
        QVERIFY(!dir.exists(QStringLiteral("meta.json")));
        // Only what Inkpond made goes: a folder in its files' place keeps the record's.
        QCOMPARE(dir.exists(), damage == "journal");
    }

    // The disk refusing a stroke stops the record where it was whole; a crash then restores that.
    void fullDiskKeepsTheRecord()
    {
        InkpondDocument *document = mCase->newDocument();
        WTView &canvas = *document->canvas();
        strokes::drag(canvas, {10, 10}, {100, 100});
        strokes::drag(canvas, {20, 10}, {100, 200});
        mRecovery->waitUntilWritten();
        const QString folder = canvas.findChild<RecoveryTap *>()->folder();
        const QString journal = QDir(folder).filePath(QStringLiteral("journal-1.jsonl"));
        const qint64 whole = QFileInfo(journal).size();

        // Writes past a few more bytes fail as on a full disk, part-way through the next stroke.
        onAFullDisk(whole + 40, [&] { strokes::drag(canvas, {30, 10}, {100, 300}); });
        strokes::drag(canvas, {40, 10}, {100, 400});

        QCOMPARE(QFileInfo(journal).size(), whole);
        auto record = crashCopy(folder);
        QVERIFY(record);
        QVERIFY2(!record->damaged, qPrintable(record->problem));
        QCOMPARE(pressXs(record->events).size(), 2);
        // Closed, the document takes its record with it; a clean quit takes the others'.
        mCase->newDocument();
        document->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        mRecovery->waitUntilWritten();
        QVERIFY(!QFileInfo::exists(folder));
        const QString root = mRecovery->root();
        QCOMPARE(recordFolders(root).size(), 1);
        mRecovery.reset();
        QVERIFY(recordFolders(root).isEmpty());
    }

    void lockThatNamesNoOwner_data()
    {
        QTest::addColumn<QByteArray>("lock");
        QTest::addColumn<int>("folder"); // 1: a folder in the lock's place, 2: one holding a file
        QTest::newRow("garbled") << QByteArray("12\x01"
                                               "4\ninkpond\n")
                                 << 0;
        QTest::newRow("a folder") << QByteArray() << 1;
        QTest::newRow("a folder holding a file") << QByteArray() << 2;
    }

    // A lock that names no owner, or a folder in its place, is broken as a dead owner's is,
    // unless a live owner holds it. A folder still being made is left alone, and a record one
    // instance claimed is not offered to another until released.
    void lockThatNamesNoOwner()
    {
        QFETCH(QByteArray, lock);
        QFETCH(int, folder);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkdir(QStringLiteral("being-made")));
        auto garble = [&](const QString &record) {
            const QDir dir(record);
            if (folder > 0)
                return dir.mkdir(QStringLiteral("owner.lock"))
                    && (folder == 1
                        || writeFile(dir.filePath(QStringLiteral("owner.lock/x")), "x"));
            QFile file(dir.filePath(QStringLiteral("owner.lock")));
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
                || file.write(lock) != lock.size() || !file.flush())
                return false;
            // Made a while ago: not an owner about to write its name into it.
            return file.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                    QFileDevice::FileModificationTime);
        };
        std::unique_ptr<RecoveryRecord> live; // still running while the orphan is claimed
        if (folder == 0) {
            live = RecoveryRecord::create(root.path(), blankStart());
            QVERIFY(live && garble(live->folder()));
            QVERIFY(claimOrphanedRecords(root.path()).empty());
        }
        const QString orphan = orphanedRecord(root.path(), 1);
        QVERIFY(garble(orphan));
        auto record = claimOne(root.path());
        QVERIFY(record);
        QCOMPARE(pressXs(record->events), QList<float> {0});
        QVERIFY(QFileInfo(QDir(orphan).filePath(QStringLiteral("owner.lock"))).isFile());
        QVERIFY(claimOrphanedRecords(root.path()).empty());
        record.reset();
        QVERIFY(claimOne(root.path()));
    }

    // Killed while the picture just opened is still being copied into its record, before any
    // stroke: nothing is lost, nothing offered, the record goes. Strokes made meanwhile restore
    // onto the picture's file.
    void strokesBeforeTheStartingPictureIsWrittenRestore()
    {
        const QString path = mCase->path(QStringLiteral("opened.png"));
        QVERIFY(testPicture(300, 200, true).save(path));
        QSemaphore encode;
        QSemaphoreReleaser unblock(encode); // when a check fails too
        mRecovery->worker()->start([&encode] { encode.acquire(); }); // a slow encode
        QString error;
        InkpondDocument *document = mCase->open(path, &error);
        QVERIFY2(document, qPrintable(error));
        WTView &canvas = *document->canvas();
        auto *untouched = canvas.findChild<RecoveryTap *>();
        untouched->waitUntilDurable();
        auto record = crashCopy(untouched->folder());
        QVERIFY(record && !record->damaged && !record->hasUnsavedWork());
        record.reset();
        const QString crashed = mCase->path(QStringLiteral("crashed"));
        QVERIFY(writeFile(crashed + QStringLiteral("/record/base-1.png.Xy12Z3"), "\x89PNG\r\n"));
        {
            RecoveryManager later(crashed, *mCase->documents);
            QCOMPARE(offer(QStringLiteral("Restore"), &later), QString());
        }
        QCOMPARE(recordFolders(crashed), QStringList {});

        strokes::drag(canvas, {10, 10}, {200, 150});
        auto *tap = canvas.findChild<RecoveryTap *>();
        tap->waitUntilDurable();
        record = crashCopy(tap->folder());
        unblock.cancel();
        encode.release();
        QVERIFY(record);
        QVERIFY(record->problem.contains(QStringLiteral("opened.png")));
        InkpondDocument *restored = restore(*record);
        QVERIFY(restored);
        QCOMPARE(differing(*restored->canvas(), canvas), 0);
    }

    void symlinkedRecordIsNeverFollowed_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("restore") << QStringLiteral("Restore");
        QTest::newRow("discard") << QStringLiteral("Discard");
    }

    void symlinkedRecordIsNeverFollowed()
    {
        QFETCH(QString, button);
        QTemporaryDir elsewhere;
        QVERIFY(writeFile(elsewhere.filePath(QStringLiteral("keep.txt")), "mine"));
        QVERIFY(writeFile(elsewhere.filePath(QStringLiteral("journal-1.jsonl")),
                          sessionLines(stroke(0))));
        const QString root = mRecovery->root();
        orphanedRecord(root, 1); // so that there is a question
        QVERIFY(QFile::link(elsewhere.path(), QDir(root).filePath(QStringLiteral("linked"))));

        const QString informative = offer(button);
        QVERIFY(!informative.isEmpty());
        QVERIFY2(!informative.contains(QStringLiteral("cannot be restored")),
                 qPrintable(informative));
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList {"journal-1.jsonl", "keep.txt"}));
        QVERIFY(QFileInfo(QDir(root).filePath(QStringLiteral("linked"))).isSymLink());
    }

    // A picture larger than its window opens fitted. A restored document comes back with the view it had, and with the lines drawn without a key (whose
    // mode the journal keeps); a damaged view is left out, as in a record from before views.
    void openedAndRestoredDocumentsShowTheirView()
    {
        auto open = [this](const QString &name, QSize size) -> InkpondDocument * {
            QImage picture(size, QImage::Format_ARGB32_Premultiplied);
            picture.fill(Qt::transparent);
            return picture.save(mCase->path(name)) ? mCase->open(mCase->path(name)) : nullptr;
        };
        InkpondDocument *document = open(QStringLiteral("large.png"), {4000, 3000});
        QVERIFY(document);
        WTView &canvas = *document->canvas();
        QVERIFY(canvas.viewport().view().zoom() < 1.0
                && canvas.viewport().containerRect().contains(canvas.viewport().shownSheetRect()));
        const ViewTransform fitted = canvas.viewport().view();

        canvas.core().setLineMode(CanvasCore::LineMode::Line);
        strokes::click(canvas, {1500, 200});
        strokes::click(canvas, {1600, 1700});
        strokes::drag(canvas, {300, 1500}, {600, 1900}); // freehand again
        ViewTransform turned = canvas.viewport().view();
        turned.setZoom(2.5);
        turned.setRotation(30);
        turned.setMirrored(true);
        canvas.viewport().setView(turned);
        const ViewTransform shown = canvas.viewport().view();
        auto record = crashCopy(document);
        QVERIFY(record);
        InkpondDocument *restored = restore(*record);
        QVERIFY(restored);
        WTView &again = *restored->canvas();
        QCOMPARE(again.viewport().view(), shown);
        QCOMPARE(again.core().lineMode(), CanvasCore::LineMode::Off);
        QVERIFY(restoredAlike(again, canvas));
        restored->close();

        for (const QJsonValue &damaged : {QJsonValue(QStringLiteral("2.5")),
                                          QJsonValue(QJsonArray {0, 30, 1, 0, 0}),
                                          QJsonValue(QJsonArray {2.5, 30, 1})}) {
            record->start.view = damaged;
            restored = restore(*record);
            QVERIFY(restored);
            QCOMPARE(restored->canvas()->viewport().view(), fitted);
            QCOMPARE(differing(*restored->canvas(), canvas), 0);
            restored->close();
        }
    }

private:
    // The restored canvas against the live one: sheet, layers, pixels and history alike, and
    // still after each undo of all there is and each redo of all there then is, in both; both
    // are left where they were.
    static bool restoredAlike(WTView &again, WTView &live)
    {
        auto alike = [&](const char *when) {
            const bool same = again.sheetSize() == live.sheetSize()
                && differingLayers(again.picture(), live.picture()) == 0
                && differing(again, live) == 0
                && again.picture().undoLayers().size() == live.picture().undoLayers().size()
                && again.canRedo() == live.canRedo();
            if (!same)
                qWarning("the restored picture differs from the live one %s", when);
            return same;
        };
        if (!alike("at once"))
            return false;
        int steps = 0; // from where they were
        for (; !live.picture().undoLayers().empty(); --steps) {
            live.undo();
            again.undo();
            if (!alike("after an undo"))
                return false;
        }
        for (; live.canRedo(); ++steps) {
            live.redo();
            again.redo();
            if (!alike("after a redo"))
                return false;
        }
        for (; steps > 0; --steps) { // back where they were
            live.undo();
            again.undo();
        }
        return alike("back where it was");
    }

    InkpondDocument *restore(RecoveredRecord &record)
    {
        QString error;
        InkpondDocument *restored = mRecovery->restore(record, &error);
        if (!restored)
            qWarning("not restored: %s", qPrintable(error));
        return restored;
    }

    // What a SIGKILL would leave of the document's record now: a copy without its owner's lock.
    std::unique_ptr<RecoveredRecord> crashCopy(InkpondDocument *document)
    {
        mRecovery->waitUntilWritten();
        const auto *tap = document->canvas()->findChild<RecoveryTap *>();
        return tap && !tap->folder().isEmpty() ? crashCopy(tap->folder()) : nullptr;
    }

    // The same of a record's folder as it is, without waiting for its pictures.
    std::unique_ptr<RecoveredRecord> crashCopy(const QString &folder)
    {
        const QDir from(folder);
        const QString crashed = mCase->path(QStringLiteral("crashed"));
        QDir(crashed).removeRecursively();
        QDir().mkpath(crashed + QStringLiteral("/record"));
        for (const QString &name : from.entryList(QDir::Files))
            if (name != QLatin1String("owner.lock"))
                QFile::copy(from.filePath(name), crashed + QStringLiteral("/record/") + name);
        return claimOne(crashed);
    }

    // Answers the question at start with the button; its informative text, empty if none came.
    QString offer(const QString &button, RecoveryManager *manager = nullptr)
    {
        QString informative;
        QTimer::singleShot(0, this, [&] {
            if (QMessageBox *box = openBox("restoreQuestion"))
                informative = box->informativeText();
            answer("restoreQuestion", nullptr, button);
        });
        (manager ? manager : mRecovery.get())->offerRestore();
        QCoreApplication::processEvents(); // the answer, had no question come
        return informative;
    }

    std::optional<DocumentsCase> mCase;
    std::unique_ptr<RecoveryManager> mRecovery;
};

QTEST_MAIN(RestoreTest)
#include "tst_restore.moc"
