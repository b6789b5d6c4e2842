// The line format of recorded drawing sessions; recording sessions and replaying them through
// the real canvas, in this process and through the inkpond program.
#include "Answering.h"
#include "DocumentController.h"
#include "ImageCodec.h"
#include "InkpondDocument.h"
#include "MyResizePanel.h"
#include "ProgramRun.h"
#include "SessionEvent.h"
#include "SessionRecorder.h"
#include "SessionReplayer.h"
#include "SessionWriter.h"
#include "StrokeDriver.h"
#include "TabletApplication.h"
#include "TestSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <optional>

using Kind = SessionEvent::Kind;

namespace {
const QPointingDevice *eraser()
{
    return strokes::tool(QPointingDevice::PointerType::Eraser);
}

void sendProximity(bool enter, const QPointingDevice *device)
{
    QTabletEvent event(enter ? QEvent::TabletEnterProximity : QEvent::TabletLeaveProximity, device,
                       QPointF(), QPointF(), 0, 0, 0, 0, 0, 0, Qt::NoModifier, Qt::NoButton,
                       Qt::NoButton);
    QApplication::sendEvent(qApp, &event);
}

void tabletStroke(WTView &canvas, const QPointingDevice *device, Point from, Point to, int steps)
{
    auto send = [&](QEvent::Type type, Point p, float pressure, Qt::MouseButton button,
                    Qt::MouseButtons buttons) {
        strokes::sendTablet(canvas, type, p, pressure, button, buttons, {}, device);
    };
    send(QEvent::TabletMove, from, 0.0f, Qt::NoButton, Qt::NoButton); // hovering in
    send(QEvent::TabletPress, from, 0.1f, Qt::LeftButton, Qt::LeftButton);
    for (int i = 1; i <= steps; ++i) {
        const float f = float(i) / float(steps);
        // Odd fractions and a pressure that rises and falls, as a hand gives them.
        const Point p {from.x + (to.x - from.x) * f + 0.37f * f, from.y + (to.y - from.y) * f};
        send(QEvent::TabletMove, p, 0.15f + 0.8f * std::sin(3.14159f * f), Qt::NoButton,
             Qt::LeftButton);
    }
    send(QEvent::TabletRelease, to, 0.0f, Qt::LeftButton, Qt::NoButton);
}

// A session with every kind of input: pressure strokes, a change of colour, width and nib, the
// eraser end with the airbrush's shape, a nib chosen while erasing and one for a slot not in
// use, a shorter history, undos and a redo, a clear that is cancelled and a custom size that is
// confirmed.
void driveSession(InkpondDocument &document)
{
    WTView &canvas = *document.canvas();
    QWidget *window = document.window();
    sendProximity(true, strokes::pen());
    tabletStroke(canvas, strokes::pen(), {60, 80}, {420, 300}, 40);
    const Color red {0.8f, 0.1f, 0.15f, 1.0f};
    canvas.setColor(&red);
    canvas.setBrushSize(18);
    canvas.core().setBrushKind(BrushKind::Pencil);
    tabletStroke(canvas, strokes::pen(), {100, 500}, {500, 120}, 30);
    sendProximity(false, strokes::pen());
    sendProximity(true, eraser());
    canvas.core().setEraserShape(BrushKind::Airbrush);
    canvas.core().setAirbrushHardness(40);
    canvas.core().penSettings().setBrushKind(3, BrushKind::Airbrush); // as the preferences do
    tabletStroke(canvas, eraser(), {80, 200}, {560, 260}, 25);
    canvas.core().setBrushKind(BrushKind::Pen); // back to the first slot
    sendProximity(false, eraser());
    sendProximity(true, strokes::pen());

    canvas.setActiveColor(4); // the airbrush, chosen from the preferences above
    tabletStroke(canvas, strokes::pen(), {120, 380}, {470, 330}, 20);
    canvas.setActiveColor(3);
    canvas.core().setBrushKind(BrushKind::Marker);
    tabletStroke(canvas, strokes::pen(), {50, 50}, {300, 420}, 10);
    // The redo left over is dropped by the next stroke.
    canvas.core().setUndoDepth(3); // the older strokes merged into the picture
    for (const char *name : {"undo:", "undo:", "undo:", "redo:"})
        window->findChild<QAction *>(QLatin1String(name))->trigger();
    // A mouse drag, then the clear that is cancelled.
    strokes::drag(canvas, {30, 550}, {90, 520});
    window->findChild<QAction *>(QStringLiteral("clear:"))->trigger();
    QVERIFY(answer("saveChangesAlert", window, QMessageBox::Cancel));

    window->findChild<QAction *>(QStringLiteral("cropResizeToCustomSize:"))->trigger();
    MyResizePanel *controller = canvas.findChild<MyResizePanel *>();
    QVERIFY(controller && controller->panel());
    QDialog *panel = controller->panel();
    panel->findChild<QLineEdit *>(QStringLiteral("widthField"))->setText(QStringLiteral("520"));
    panel->findChild<QLineEdit *>(QStringLiteral("heightField"))->setText(QStringLiteral("470"));
    panel->findChild<QPushButton *>(QStringLiteral("okButton"))->click();
    auto *confirmation = window->findChild<QMessageBox *>();
    QVERIFY(confirmation && confirmation->isVisible());
    confirmation->button(QMessageBox::Yes)->click();
    QCOMPARE(canvas.sheetSize(), (Size {520, 470}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The lines without their times.
QList<QByteArray> untimed(const std::vector<SessionEvent> &events, std::size_t from = 0)
{
    QList<QByteArray> lines;
    for (std::size_t i = from; i < events.size(); ++i) {
        SessionEvent e = events[i];
        e.t = 0;
        lines << formatSessionEvent(e);
    }
    return lines;
}

// Each slot's nib, the eraser's shape, the airbrush's hardness and the undo depth.
QStringList brushState(const WTView &canvas)
{
    QStringList state;
    for (int slot = 0; slot < PenSettings::kSlots; ++slot)
        state << Brush::name(canvas.core().penSettings().brushKind(slot));
    return state << Brush::name(canvas.core().eraserShape())
                 << QString::number(double(canvas.core().airbrushHardness()))
                 << QString::number(canvas.core().undoDepth());
}

// Where the recorded input starts, after the settings each recording opens with.
std::size_t firstInput(const std::vector<SessionEvent> &events)
{
    std::size_t i = 0;
    while (i < events.size() && events[i].kind == Kind::Action
           && events[i].name.startsWith(QLatin1String("set")))
        ++i;
    return i;
}

std::unique_ptr<SessionRecorder> startRecording(const QString &path)
{
    auto writer = std::make_unique<SessionWriter>();
    if (!writer->open(path))
        return nullptr;
    return std::make_unique<SessionRecorder>(std::move(writer));
}

// The recording replayed by the program into out, with its settings in configHome.
Run replay(const QString &recording, const QString &out, const QString &configHome,
           const QStringList &more = {})
{
    return runInkpond(
        QStringList {QStringLiteral("--replay"), recording, QStringLiteral("--export"), out} + more,
        configHome);
}

QString replayWarnings(const std::vector<SessionEvent> &events, WTView &canvas)
{
    SessionReplayer replayer(events, &canvas);
    replayer.replayAll();
    return replayer.warnings().join('\n');
}

// The picture as the exporter writes it, for comparing with a file it wrote.
QImage asExported(WTView &canvas, bool withBackground)
{
    const auto picture = canvas.core().getImageWithBG(withBackground);
    return QImage::fromData(ImageCodec::encode(picture->qimage(), "png", ImageCodec::kQuality));
}

} // namespace

class ReplayTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { mCase.emplace(); }
    void cleanup() { mCase.reset(); }

    // A driven session replays to the same pixels through the program, with and without its paper;
    // recording its replay in this process gives the recording back, line for line.
    void replayedSessionGivesTheSamePixelsAndLines()
    {
        InkpondDocument *original = mCase->newDocument();
        QVERIFY(original && original->canvas());
        const QString first = mCase->path(QStringLiteral("first.jsonl"));
        std::size_t whileRecording = 0;
        {
            auto recorder = startRecording(first);
            QVERIFY(recorder);
            driveSession(*original);
            // Read by another reader while the recorder still runs, as after a crash.
            whileRecording = readSessionFile(first).size();
        }
        const std::vector<SessionEvent> recorded = readSessionFile(first);
        QCOMPARE(whileRecording, recorded.size()); // every line reached the file at once

        for (const bool withBackground : {false, true}) {
            const QImage expected = asExported(*original->canvas(), withBackground);
            QVERIFY(strokes::paintedPixels(Image(expected)) > 5000);
            // The user's pen settings, other in each run, neither shape the replay nor get
            // overwritten by it: a bug report replays the same for everyone.
            const QString home = mCase->path(QStringLiteral("home-%1").arg(withBackground));
            const QString conf = home + QStringLiteral("/Inkpond/Inkpond.conf");
            const QByteArray stored = QByteArray("[General]\nBrushSize0=")
                + (withBackground ? "60" : "3") + "\nPenColor=2\n";
            QVERIFY(writeFile(conf, stored));
            const QString out = home + QStringLiteral("/replayed.png");
            const Run run
                = replay(first, out, home,
                         withBackground ? QStringList {QStringLiteral("--with-background")}
                                        : QStringList {});
            QVERIFY2(run.exitCode == 0, qPrintable(run.standardError));
            QVERIFY2(!run.standardError.contains(QLatin1String("inkpond:")),
                     qPrintable(run.standardError)); // nothing diverged
            QVERIFY(run.standardOutput.contains(QLatin1String("samples/s")));
            QCOMPARE(differingPixels(QImage(out), expected), 0);
            QCOMPARE(readFile(conf), stored);
            // Nothing else of the user's is touched: no lock or copy beside the settings, and no
            // recovery record, which a replay would once make and remove in the user's folder.
            const QDir settings(home + QStringLiteral("/Inkpond"));
            QCOMPARE(settings.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                     QStringList {QStringLiteral("Inkpond.conf")});
            QVERIFY(!QFileInfo::exists(home + QStringLiteral("/data/Inkpond")));
        }

        // A fresh start, as the replaying program has, with no other canvas to follow proximity.
        const QImage expected = asExported(*original->canvas(), false);
        const QStringList originalBrushes = brushState(*original->canvas());
        QCOMPARE(originalBrushes,
                 QStringList({"pen", "pen", "marker", "airbrush", "airbrush", "40", "3"}));
        original->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        mCase->settings.reset();
        mCase->settings = std::make_unique<IsolatedSettings>();
        InkpondDocument *copy = mCase->newDocument();
        QVERIFY(copy);
        const QString second = mCase->path(QStringLiteral("second.jsonl"));
        {
            auto recorder = startRecording(second);
            SessionReplayer replayer(recorded, copy->canvas());
            replayer.replayAll();
            QVERIFY2(replayer.warnings().isEmpty(), qPrintable(replayer.warnings().join('\n')));
            QCOMPARE(replayer.statistics().events, int(recorded.size()));
        }
        const QList<QByteArray> input = untimed(recorded, firstInput(recorded));
        const QList<QByteArray> again = untimed(readSessionFile(second));
        QCOMPARE(again.mid(again.size() - input.size()), input);
        QCOMPARE(differingPixels(asExported(*copy->canvas(), false), expected), 0);
        QCOMPARE(brushState(*copy->canvas()), originalBrushes);

        // Whatever nibs the replaying canvas had, the recording opens with its own.
        InkpondDocument *other = mCase->newDocument();
        for (int slot = 0; slot < PenSettings::kSlots; ++slot)
            other->canvas()->core().penSettings().setBrushKind(slot, BrushKind::Marker);
        other->canvas()->core().setEraserShape(BrushKind::Airbrush);
        other->canvas()->core().setAirbrushHardness(90);
        other->canvas()->core().setUndoDepth(30);
        const std::vector<SessionEvent> opening(
            recorded.begin(), recorded.begin() + std::ptrdiff_t(firstInput(recorded)));
        QCOMPARE(replayWarnings(opening, *other->canvas()), QString());
        QCOMPARE(brushState(*other->canvas()),
                 QStringList({"pen", "pen", "pen", "pen", "pen", "0", "10"}));
    }

    // Strokes drawn through a zoomed, turned, mirrored and panned view replay to the same
    // picture: the view is recorded as it changes, a view drag is no stroke, and a crop to the
    // visible area keeps the rectangle that was visible. A recording from before views, without
    // that rectangle, crops to what the replaying window shows.
    void viewChangesAreRecordedAndReplayed()
    {
        InkpondDocument *original = mCase->newDocument();
        WTView &canvas = *original->canvas();
        const std::vector<SessionEvent> recorded = record("view.jsonl", [&] {
            sendProximity(true, strokes::pen());
            tabletStroke(canvas, strokes::pen(), {60, 80}, {300, 200}, 20);
            canvas.viewport().zoomAbout(2.0, QPointF(100, 120));
            tabletStroke(canvas, strokes::pen(), {150, 150}, {260, 330}, 20);
            ViewTransform turned = canvas.viewport().view();
            turned.setRotation(30);
            turned.setMirrored(true);
            canvas.viewport().setView(turned);
            strokes::drag(canvas, {200, 210}, {240, 260});
            canvas.viewport().panBy({-40, 25});
            // Panned with the middle button: no stroke to replay (tst_core: none painted).
            strokes::sendMouse(canvas, QEvent::MouseButtonPress, {220, 220}, Qt::MiddleButton,
                               Qt::MiddleButton);
            strokes::sendMouse(canvas, QEvent::MouseMove, {250, 240}, Qt::NoButton,
                               Qt::MiddleButton);
            strokes::sendMouse(canvas, QEvent::MouseButtonRelease, {250, 240}, Qt::MiddleButton,
                               Qt::NoButton);
            tabletStroke(canvas, strokes::pen(), {180, 300}, {320, 240}, 20);
            original->window()->findChild<QAction *>(QStringLiteral("cropResize:"))->trigger();
            QVERIFY(answer("", original->window(), QMessageBox::Yes));
        });
        std::optional<SessionEvent> crop;
        for (const SessionEvent &e : recorded)
            if (e.kind == Kind::Action && e.name == QLatin1String("cropResize:"))
                crop = e;
        QVERIFY(crop);
        const QJsonArray r = crop->value.toArray();
        QCOMPARE(r.size(), 4);
        QCOMPARE(canvas.sheetSize(), (Size {float(r[2].toDouble()), float(r[3].toDouble())}));

        // In a smaller window, which shows less of the sheet than the original did.
        InkpondDocument *copy = mCase->newDocument();
        const Size shownBefore = copy->canvas()->viewport().visibleRect().size;
        copy->window()->resize(copy->window()->size() - QSize(150, 120));
        QTRY_VERIFY(copy->canvas()->viewport().visibleRect().size != shownBefore);
        QVERIFY(replaysAlike(recorded, canvas, copy));

        // Without the rectangle, and without the views that came before it.
        std::vector<SessionEvent> old;
        for (SessionEvent e : recorded) {
            if (e.kind == Kind::Action && e.name == QLatin1String("setView:"))
                continue;
            if (e.kind == Kind::Action && e.name == QLatin1String("cropResize:"))
                e.value = QJsonValue();
            old.push_back(e);
        }
        InkpondDocument *older = mCase->newDocument();
        const Size visible = older->canvas()->viewport().visibleRect().size;
        QCOMPARE(replayWarnings(old, *older->canvas()), QString());
        QCOMPARE(older->canvas()->sheetSize(), visible);
    }

    // Every layer step is recorded and replays to the same layers and pixels.
    void layersAreRecordedAndReplayed()
    {
        WTView &canvas = *mCase->newDocument()->canvas();
        QVERIFY(
            replaysAlike(record("layers.jsonl", [&] { strokes::layeredSession(canvas); }), canvas));
    }

    void failedReplayLeavesTheExportAlone_data()
    {
        QTest::addColumn<QByteArray>("recording"); // none: no such file
        QTest::addColumn<QString>("realtime");
        QTest::addColumn<qint64>("disk"); // bytes the program may write; 0: no limit
        QTest::addColumn<QString>("error"); // after the recording's name where it begins with ':'
        const QByteArray press = R"({"t":0,"event":"press","x":10,"y":10,"pointer":"mouse"})";
        auto dot = [&](const char *releaseTime) {
            return press + "\n" + R"({"t":)" + releaseTime
                + R"(,"event":"release","x":10,"y":10,"pointer":"mouse"})" + "\n";
        };
        // What makes a line malformed is the line format's concern; any one of them stops the
        // replay, the good lines before it unrun.
        QTest::newRow("malformed line") << press + "\n\n" + R"({"t":5,"event":"press","x":1,)"
                + "\n" + dot("9").mid(press.size() + 1)
                                        << "" << qint64(0) << ":3: not valid JSON";
        QTest::newRow("no recording") << QByteArray() << "" << qint64(0) << "";
        // At the recorded pace such a time once overflowed the wait for it.
        QTest::newRow("a time too far to wait for")
            << dot("1e300") << "--realtime" << qint64(0) << ":2: field \"t\"";
        // The program inherits the limit; the export is small enough to sit in a write buffer
        // until the file is closed.
        QTest::newRow("full disk") << dot("1") << "" << qint64(200) << "cannot export to ";
    }

    void failedReplayLeavesTheExportAlone()
    {
        QFETCH(QByteArray, recording);
        QFETCH(QString, realtime);
        QFETCH(qint64, disk);
        QFETCH(QString, error);
        const QString path = mCase->path(QStringLiteral("r.jsonl"));
        QVERIFY(recording.isEmpty() || writeFile(path, recording));
        const QString out = mCase->path(QStringLiteral("old.png"));
        QVERIFY(writeFile(out, "old picture"));
        const QStringList more = realtime.isEmpty() ? QStringList {} : QStringList {realtime};
        Run run;
        const auto replayIt = [&] { run = replay(path, out, mCase->path("config"), more); };
        if (disk > 0)
            onAFullDisk(disk, replayIt);
        else
            replayIt();
        QVERIFY2(disk > 0 ? run.exitCode > 0 : run.exitCode == 2, qPrintable(run.standardError));
        QVERIFY2(run.standardError.contains(error.startsWith(u':') ? path + error : error),
                 qPrintable(run.standardError));
        QVERIFY(run.standardOutput.isEmpty() || disk > 0);
        QCOMPARE(readFile(out), "old picture");
    }

    void widgetPointsGiveTheRecordedSheetPointsBack()
    {
        QRandomGenerator rng(8);
        for (const Size sheet : {Size {600, 600}, Size {333, 4097}, Size {3001, 17}}) {
            QWidget container;
            container.resize(761, 699);
            WTView canvas({0, 0, 761, 699}, &container);
            QVERIFY(canvas.setSheetSize(sheet));
            for (int i = 0; i < 2000; ++i) {
                // A sheet point as a recording has it: from some sub-pixel widget position.
                const Point p = canvas.viewport().sheetPoint(
                    {rng.bounded(double(canvas.width())), rng.bounded(double(canvas.height()))});
                const Point back
                    = canvas.viewport().sheetPoint(SessionReplayer::widgetPointFor(canvas, p));
                QCOMPARE(back, p); // Point's == is exact, unlike QCOMPARE on floats
            }
        }
    }

    void coordinatesAndPressureKeepTheirFloats()
    {
        // Replays must land on exactly the recorded points.
        SessionEvent move
            = *parseSessionEvent(R"({"event":"move","pointer":"pen","t":1,"x":0,"y":0})", nullptr);
        for (const float v : {0.1f, 1.0f / 3.0f, 4095.999f, -7.25e-3f, 32767.0f, 1e-7f, 70.0f}) {
            move.x = v;
            move.y = -v;
            move.pressure = v / 32767.0f;
            move.modifiers = v > 1 ? QStringList {"alt", "shift"} : QStringList {};
            move.tiltX = v / 400.0f;
            move.tiltY = v > 1 ? -v / 1000.0f : 0.0f;
            const QByteArray line = formatSessionEvent(move);
            // The fast pointer writer writes what Qt's JSON writer would.
            QCOMPARE(QJsonDocument::fromJson(line).toJson(QJsonDocument::Compact), line);
            const auto e = parseSessionEvent(line, nullptr);
            QVERIFY(e);
            QCOMPARE(e->x, v);
            QCOMPARE(e->y, -v);
            QCOMPARE(*e->pressure, v / 32767.0f);
            QCOMPARE(e->tiltX, v / 400.0f);
            QCOMPARE(e->tiltY, move.tiltY);
        }
    }

    void malformedLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("reason");
        // Each line, named by the words its error must contain.
        const char *const rows[][2] = {
            {R"({"t":1,"event":)", "not valid JSON"},
            {"[1,2]", "not a JSON object"},
            {R"({"t":1,"event":"jump"})", "unknown event \"jump\""},
            {R"({"event":"key","key":"A"})", "missing field \"t\""},
            {R"({"t":1,"event":"press","x":1,"pointer":"pen"})", "missing field \"y\""},
            {R"({"t":1,"event":"press","x":"1","y":2,"pointer":"pen"})",
             "field \"x\" must be a number"},
            {R"({"t":1,"event":"move","x":1,"y":2,"pointer":"finger"})",
             "unknown value \"finger\""},
            // The mouse is no proximity pointer.
            {R"({"t":1,"event":"proximity","enter":true,"pointer":"mouse","id":0})",
             "unknown value \"mouse\""},
            {R"({"t":1,"event":"proximity","enter":1,"pointer":"pen","id":0})", "true or false"},
            {R"({"t":1,"event":"move","x":1,"y":2,"pointer":"pen","modifiers":["meta"]})",
             "unknown modifier"},
            {R"({"t":1,"event":"move","x":1,"y":2,"pointer":"pen","tiltX":-90.01})",
             "field \"tiltX\" must be between -90 and 90"},
            {R"({"t":1,"event":"hover","x":1,"y":2,"pointer":"pen","tiltY":90.5})",
             "field \"tiltY\" must be between -90 and 90"},
            {R"({"t":1,"event":"action","name":"explode:"})", "unknown action"},
            {R"({"t":1,"event":"action","name":"moveLayerPixels:","value":[1.5,0]})",
             "[dx, dy]"},
            {R"({"t":1,"event":"action","name":"pasteLayer:","value":{"x":0,"y":0,"png":"AAAA"}})",
             "{x, y, png"},
            // A header claiming 200000 × 200000 pixels.
            {"{\"t\":1,\"event\":\"action\",\"name\":\"pasteLayer:\",\"value\":{\"x\":0,"
             "\"y\":0,\"png\":\"iVBORw0KGgoAAAANSUhEUgADDUAAAw1ACAYAAAD5O4gKAAAACElEQVR4nAMAAAAAA"
             "UgGidIAAAAASUVORK5CYII=\"}}",
             "{x, y, png"},
            {R"({"t":1,"event":"action","name":"setBrushSize:"})", "missing field \"value\""},
            {R"({"t":1,"event":"action","name":"setColor:","value":[1,0,0]})", "[r, g, b, a]"},
            {R"({"t":1,"event":"action","name":"setBrushKind:","value":"brush"})",
             R"("pen", "pencil", "airbrush" or "marker")"},
            {R"({"t":1,"event":"action","name":"setEraserShape:","value":"marker"})",
             R"("pen" or "airbrush")"},
            {R"({"t":1,"event":"action","name":"setAirbrushHardness:","value":100.5})",
             "from 0 to 100"},
            {R"({"t":1,"event":"action","name":"cropResizeToFixedSize:","value":2.5})",
             "whole number"},
            {R"({"t":1,"event":"action","name":"setView:","value":[2,0,0,0]})",
             "[zoom, rotation, mirrored, panX, panY]"},
            {R"({"t":1,"event":"action","name":"cropResize:","value":[0,0,"w",5]})",
             "[x, y, w, h] or no value"},
            {R"({"t":1,"event":"answer","answer":"maybe"})", "unknown value"},
            {R"({"t":-1,"event":"key","key":"A"})", "negative"},
            // Times over a year after the start (1e300: failedReplayLeavesTheExportAlone).
            {R"({"t":31622400001,"event":"key","key":"A"})", "at most 31622400000"},
        };
        for (const auto &[line, reason] : rows)
            QTest::addRow("%s", line) << QByteArray(line) << QString::fromUtf8(reason);
    }

    void malformedLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, reason);
        QString error;
        QVERIFY(!parseSessionEvent(line, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
    }

private:
    // The events recorded while drive runs.
    std::vector<SessionEvent> record(const QString &name, const std::function<void()> &drive)
    {
        {
            auto recorder = startRecording(mCase->path(name));
            drive();
        }
        return readSessionFile(mCase->path(name));
    }

    // The events replay without a warning on copy (a new document when none) to the original's
    // sheet, layers and pixels.
    bool replaysAlike(const std::vector<SessionEvent> &events, WTView &original,
                      InkpondDocument *copy = nullptr)
    {
        WTView &again = *(copy ? copy : mCase->newDocument())->canvas();
        const QString warnings = replayWarnings(events, again);
        if (!warnings.isEmpty())
            qWarning("%s", qPrintable(warnings));
        return warnings.isEmpty() && again.sheetSize() == original.sheetSize()
            && strokes::sameLayers(again, original)
            && differingPixels(asExported(again, false), asExported(original, false)) == 0;
    }

    std::optional<DocumentsCase> mCase;
};

INKPOND_TEST_MAIN(ReplayTest)

#include "tst_replay.moc"
