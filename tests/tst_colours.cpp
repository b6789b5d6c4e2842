// The Colours panel, the recent colours, the palettes and the pop-up palette's colours: a colour
// chosen reaches the active slot once, what painted is remembered across windows and runs, and
// palettes survive being imported, added to and exported.
#include "CanvasCore.h"
#include "ColorWell.h"
#include "ColorWheel.h"
#include "ColorsPanel.h"
#include "DocumentController.h"
#include "GimpPalette.h"
#include "HexColorField.h"
#include "PaletteLibrary.h"
#include "ProgramKeys.h"
#include "Preferences.h"
#include "RecentColors.h"
#include "SessionRecorder.h"
#include "SessionReplayer.h"
#include "SessionWriter.h"
#include "StrokeDriver.h"
#include "SwatchGrid.h"
#include "TestSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>
#include <optional>

namespace {
void paintWith(WTView &canvas, const QColor &color, float y)
{
    const Color c = Color::fromQColor(color);
    canvas.setColor(&c);
    strokes::dab(canvas, 40, y);
}

QColor opaque(int i)
{
    return QColor::fromRgba(QColor::fromHsv(i * 15, 200, 200).rgba());
}
} // namespace

class TestColours : public QObject
{
    Q_OBJECT

private slots:
    void init() { mCase.emplace(); }
    void cleanup() { mCase.reset(); }

    // Newest first, each once, at most 16; only strokes and lines that painted count, not the
    // eraser. Every window shows the same list, a new model over the store reads it back, and
    // stored values that are not colours are passed over.
    void recentColoursAreWhatPainted()
    {
        Opened a;
        Opened b;
        WTView &canvas = *a.canvas;
        const RecentColors &recent = *a.window->recentColors();
        const QColor red(200, 0, 0), blue(0, 0, 200, 128);
        paintWith(canvas, red, 100);
        paintWith(canvas, blue, 120);
        paintWith(canvas, red, 140);
        QCOMPARE(recent.colors(), (QList<QColor> {red, blue}));

        const Color green = Color::fromQColor(QColor(0, 160, 0));
        canvas.setColor(&green);
        strokes::freehand(canvas, {{60, 60}}); // a tap: nothing painted
        strokes::freehand(canvas, {{-400, -400}, {-300, -400}}); // off the sheet
        canvas.setActiveColor(0);
        strokes::dab(canvas, 40, 160);
        QCOMPARE(recent.colors(), (QList<QColor> {red, blue}));
        canvas.setActiveColor(1);
        strokes::click(canvas, {50, 200}, Qt::ShiftModifier);
        strokes::click(canvas, {150, 220});
        QCOMPARE(recent.colors().first(), QColor(0, 160, 0));

        for (int i = 0; i < 20; ++i)
            paintWith(canvas, opaque(i), 250 + i);
        QList<QColor> expected;
        for (int i = 19; i > 3; --i)
            expected << opaque(i);
        QCOMPARE(recent.colors(), expected);
        QVERIFY(b.window->colorsPanel()->recentSwatches()->colors() == expected
                && RecentColors(Preferences::standard()).colors() == expected);

        Preferences::standard().setStringArray(
            {"#zz0000", "red", "#0000ff80", "#0000FF80", "#ff0000ff"},
            ProgramKeys::kRecentColors);
        QCOMPARE(RecentColors(Preferences::standard()).colors(),
                 (QList<QColor> {QColor(0, 0, 255, 128), QColor(255, 0, 0)}));
    }

    void hexField_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QColor>("chosen"); // invalid: refused
        QTest::newRow("rgb") << "#ff8000" << QColor(255, 128, 0);
        QTest::newRow("rgba, capitals") << "#FF800040" << QColor(255, 128, 0, 64);
        QTest::newRow("no hash") << "ff8000" << QColor();
        QTest::newRow("short form") << "#f80" << QColor();
        QTest::newRow("nine digits") << "#ff8000401" << QColor();
        QTest::newRow("not hex") << "#gg8000" << QColor();
    }

    // A colour is chosen on Enter; anything else stays as typed, in red, until Escape gives the
    // colour shown before back.
    void hexField()
    {
        QFETCH(QString, typed);
        QFETCH(QColor, chosen);
        HexColorField field;
        field.setColor(Qt::blue);
        QSignalSpy spy(&field, &HexColorField::colorChosen);
        field.clear();
        QTest::keyClicks(&field, typed);
        QTest::keyClick(&field, Qt::Key_Return);
        QCOMPARE(field.isRefused(), !chosen.isValid());
        if (chosen.isValid()) {
            QVERIFY(spy.size() == 1 && spy.first().first().value<QColor>() == chosen);
            QCOMPARE(HexColor::parse(HexColor::formatWithAlpha(chosen)), chosen);
            return;
        }
        QVERIFY(spy.isEmpty() && field.text() == typed);
        QTest::keyClick(&field, Qt::Key_Escape);
        QVERIFY(!field.isRefused());
        QCOMPARE(field.text(), QStringLiteral("#0000ff"));
    }

    // In a data folder of its own: the shipped palette is put there; a file with a damaged row is
    // imported as far as it is sound, the note naming the row; no palette is refused; the current
    // colour is added and saved; the palette exported reads back as shown; a swatch chosen is the
    // slot's colour.
    void palettesRoundTrip()
    {
        QTemporaryDir data;
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", oldData); });
        Opened a;
        ColorsPanel &panel = *a.window->colorsPanel();
        QVERIFY(!QFileInfo::exists(data.path() + QStringLiteral("/Inkpond"))); // until shown
        a.window->show();
        a.window->setColorsPanelShown(true);
        const QString folder = data.path() + QStringLiteral("/Inkpond/palettes");
        QCOMPARE(PaletteLibrary().files(), QStringList {folder + QStringLiteral("/Default.gpl")});
        QVERIFY(panel.paletteNote()->isHidden());

        const QString damaged = data.filePath(QStringLiteral("earth.gpl"));
        QVERIFY(writeFile(damaged,
                          "GIMP Palette\nName: Earth\n10 20 30 Soil\n300 1 2 Bad\n"
                          "40 50 60\n"));
        QVERIFY(panel.importPalette(damaged));
        QCOMPARE(panel.palettes()->currentText(), QStringLiteral("Earth"));
        QVERIFY(panel.paletteNote()->text().contains(QLatin1String("4"))); // the row
        QCOMPARE(panel.paletteSwatches()->colors(),
                 (QList<QColor> {QColor(10, 20, 30), QColor(40, 50, 60)}));
        QStringList notes;
        QVERIFY(PaletteLibrary::load(folder + QStringLiteral("/Earth.gpl"), &notes, nullptr));
        QVERIFY(notes.isEmpty()); // kept without the damaged row
        QVERIFY(panel.importPalette(damaged)); // again, beside the first
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/Earth 2.gpl")));

        const QString notPalette = data.filePath(QStringLiteral("photo.gpl"));
        QVERIFY(writeFile(notPalette, "\x89PNG\r\n"));
        QVERIFY(!panel.importPalette(notPalette));
        QVERIFY(!panel.paletteNote()->text().isEmpty());
        QCOMPARE(int(PaletteLibrary().files().size()), 3);

        const Color pen = Color::fromQColor(QColor(90, 30, 120));
        a.canvas->setColor(&pen);
        QVERIFY(panel.addCurrentColor());
        QCOMPARE(panel.paletteSwatches()->colors().last(), QColor(90, 30, 120));
        const QString exported = data.filePath(QStringLiteral("out/earth.gpl"));
        QVERIFY(panel.exportPalette(exported));
        const auto written = PaletteLibrary::load(exported, nullptr, nullptr);
        QVERIFY(written);
        QCOMPARE(written, PaletteLibrary::load(panel.currentPaletteFile(), nullptr, nullptr));

        SwatchGrid &grid = *panel.paletteSwatches();
        QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.swatchRect(0).center());
        QCOMPARE(a.canvas->color()->toQColor().rgba(), QColor(10, 20, 30).rgba());
    }

    // A panel docked elsewhere is docked there in the windows opened after.
    void panelPlaceIsRemembered()
    {
        auto open = [this] { return documentWindowFor(mCase->newDocument()); };
        DocumentWindow *first = open();
        QCOMPARE(first->dockWidgetArea(first->colorsPanel()), Qt::RightDockWidgetArea);
        first->addDockWidget(Qt::LeftDockWidgetArea, first->colorsPanel());
        DocumentWindow *second = open();
        QCOMPARE(second->dockWidgetArea(second->colorsPanel()), Qt::LeftDockWidgetArea);
        QVERIFY(second->colorsPanel()->isHidden()); // shown or not is its own setting
    }

    // A drag across the wheel and a spin box step (and an opacity drag) are one recorded change
    // each; replayed, the recording paints the same picture.
    void panelChoicesAreRecordedOnceAndReplay()
    {
        InkpondDocument *document = mCase->newDocument();
        auto *window = documentWindowFor(document);
        WTView &canvas = *document->canvas();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("colours.jsonl"));
        {
            auto writer = std::make_unique<SessionWriter>();
            QVERIFY(writer->open(path));
            SessionRecorder recorder(std::move(writer));
            window->colorWell()->click(); // shows the panel
            ColorsPanel &panel = *window->colorsPanel();
            QCoreApplication::processEvents(); // laid out
            QVERIFY(panel.isVisible());
            strokes::drag(canvas, {40, 40}, {90, 50});
            ColorWheel &wheel = *panel.wheel();
            const QPoint from = wheel.squarePoint(QColor::fromHsvF(0.0f, 0.2f, 0.9f)).toPoint();
            QTest::mousePress(&wheel, Qt::LeftButton, {}, from);
            for (int i = 1; i <= 10; ++i)
                QTest::mouseMove(&wheel, from + QPoint(3 * i, 2 * i));
            QTest::mouseRelease(&wheel, Qt::LeftButton, {}, from + QPoint(30, 20));
            QCOMPARE(canvas.color()->toQColor().rgba(), wheel.color().rgba());
            strokes::drag(canvas, {40, 80}, {90, 90});
            auto *red = panel.findChild<QSpinBox *>(QStringLiteral("colorsRed"));
            red->stepUp();
            strokes::drag(canvas, {40, 120}, {90, 130});
            auto *alpha = panel.findChild<QSlider *>(QStringLiteral("colorsAlpha"));
            alpha->setSliderDown(true);
            for (int percent : {90, 70, 50})
                alpha->setSliderPosition(percent); // a drag: nothing chosen yet
            alpha->setSliderDown(false);
            QCOMPARE(qRound(canvas.color()->toQColor().alphaF() * 100), 50);
            strokes::drag(canvas, {40, 160}, {90, 170});
        }
        const std::vector<SessionEvent> events = readSessionFile(path);
        // After the settings the recording opens with.
        const auto firstDab = std::find_if(events.begin(), events.end(), [](const auto &e) {
            return e.kind != SessionEvent::Kind::Action;
        });
        QCOMPARE(std::count_if(
                     firstDab, events.end(),
                     [](const SessionEvent &e) { return e.name == QLatin1String("setColor:"); }),
                 3);

        InkpondDocument *copy = mCase->newDocument();
        SessionReplayer replayer(events, copy->canvas());
        replayer.replayAll();
        QCOMPARE(replayer.warnings(), QStringList());
        QCOMPARE(differingPixels(strokes::picture(*copy->canvas()).qimage(),
                                 strokes::picture(canvas).qimage()),
                 0);
    }

private:
    std::optional<DocumentsCase> mCase;
};

INKPOND_TEST_MAIN(TestColours)
#include "tst_colours.moc"
