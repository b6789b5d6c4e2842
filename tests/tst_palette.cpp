// The pen without chords: the Tools menu's single keys, the colour picker and the pop-up palette
// of the right button or the pen's upper button. Each drives the operation its toolbar control
// or menu item drives, and a session using them replays.
#include "Beep.h"
#include "DocumentController.h"
#include "InkpondDocument.h"
#include "PenSettings.h"
#include "PopupPalette.h"
#include "SessionRecorder.h"
#include "SessionReplayer.h"
#include "SessionWriter.h"
#include "StrokeDriver.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QSlider>
#include <QtTest>
#include <optional>

namespace {
bool near(const Color &a, const Color &b)
{
    const float d = 2.5f / 255.0f;
    return std::abs(a.red - b.red) <= d && std::abs(a.green - b.green) <= d
        && std::abs(a.blue - b.blue) <= d && std::abs(a.alpha - b.alpha) <= d;
}

// The right button there; the palette it opens.
PopupPalette *openPalette(WTView &canvas, Point at = {300, 300})
{
    strokes::sendMouse(canvas, QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
    auto *palette = canvas.window()->findChild<PopupPalette *>();
    return palette && palette->isVisible() ? palette : nullptr;
}

void choose(WTView &canvas, const char *entry)
{
    canvas.window()->findChild<PopupPalette *>()->findChild<QAbstractButton *>(entry)->click();
}

QImage exported(WTView &canvas)
{
    return canvas.core().getImageWithBG(false)->qimage();
}
} // namespace

class PaletteTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { mCase.emplace(); }
    void cleanup() { mCase.reset(); }

    // The press takes what the sheet shows: ink, translucent ink over the paper, the paper (a
    // ruled line too); a beep on see-through paper's clear parts. Dragged, it paints nothing and
    // the history stays. While erasing it fills the last slot; Escape or a tool disarms it.
    void pickerTakesWhatTheSheetShows()
    {
        WTView &canvas = *newDocument()->canvas();
        const Color red {0.8f, 0.1f, 0.15f, 1.0f};
        const Color glaze {0.1f, 0.2f, 0.9f, 0.5f};
        canvas.setColor(&red);
        strokes::drag(canvas, {100, 100}, {140, 100});
        canvas.setActiveColor(2);
        canvas.setColor(&glaze);
        strokes::drag(canvas, {100, 200}, {140, 200});
        canvas.setActiveColor(4);
        const QImage before = exported(canvas);
        const Color marker {0.0f, 1.0f, 0.0f, 1.0f};
        const std::tuple<Point, BgType, Color> cases[] = {
            {{120, 100}, BgType::Plain, red},
            {{120, 200}, BgType::Plain, {0.55f, 0.6f, 0.94f, 1.0f}},
            {{300, 300}, BgType::Plain, {1.0f, 1.0f, 0.98f, 1.0f}},
            {{300, 560.5f}, BgType::Ruled, {0.0f, 0.6f, 0.8f, 1.0f}},
            {{300, 300}, BgType::SeeThrough, marker}, // unchanged, with a beep
            {{120, 200}, BgType::SeeThrough, glaze},
        };
        for (const auto &[at, paper, expected] : cases) {
            canvas.setProperty("bgType", float(paper));
            canvas.setColor(&marker);
            const int beeps = systemBeepCount();
            canvas.core().pickColor();
            strokes::drag(canvas, at, {at.x + 30, at.y + 20});
            QVERIFY(!canvas.core().isPicking()
                    && near(canvas.core().penSettings().color(3), expected));
            QCOMPARE(systemBeepCount(), beeps + (expected == marker ? 1 : 0));
        }
        QCOMPARE(canvas.picture().undoLayers().size(), std::size_t(2));
        QCOMPARE(differingPixels(exported(canvas), before), 0);

        canvas.setActiveColor(0);
        canvas.core().pickColor();
        strokes::click(canvas, {120, 100});
        QVERIFY(canvas.activeColor() == 4 && near(canvas.core().penSettings().color(3), red));

        // Space pans and hands the picker its cursor back; Escape disarms it.
        canvas.core().pickColor();
        QTest::keyPress(&canvas, Qt::Key_Space);
        QTest::keyRelease(&canvas, Qt::Key_Space);
        QCOMPARE(canvas.cursor().shape(), Qt::BitmapCursor);
        QTest::keyClick(&canvas, Qt::Key_Escape);
        QCOMPARE(canvas.cursor().shape(), Qt::CrossCursor);
        strokes::drag(canvas, {50, 50}, {90, 50});
        canvas.core().pickColor();
        canvas.setActiveColor(3);
        strokes::drag(canvas, {50, 80}, {90, 80});
        QCOMPARE(canvas.picture().undoLayers().size(), std::size_t(4));
    }

    // The right button and the pen's upper button ask for the palette and paint nothing; a
    // pending line stays. Each entry does what its control or menu item does (through the menu's
    // own action); tools, views and the picker close the palette, the others keep it open.
    void paletteOpensAndDrivesTheCommands()
    {
        InkpondDocument *document = newDocument();
        WTView &canvas = *document->canvas();
        strokes::click(canvas, {50, 50}, Qt::ShiftModifier);
        PopupPalette *palette = openPalette(canvas);
        QVERIFY(palette);
        palette->close();
        strokes::sendTablet(canvas, QEvent::TabletPress, {300, 300}, 0.7f, Qt::RightButton,
                            Qt::RightButton);
        strokes::sendTablet(canvas, QEvent::TabletMove, {320, 310}, 0.7f, Qt::NoButton,
                            Qt::RightButton);
        QVERIFY(palette->isVisible() && canvas.core().isDrawingLine());
        QCOMPARE(strokes::paintedPixels(strokes::picture(canvas)), 0);
        QCOMPARE(canvas.picture().undoLayers().size(), std::size_t(1));

        choose(canvas, "paletteTool3");
        QVERIFY(canvas.activeColor() == 3 && !palette->isVisible());
        QVERIFY(openPalette(canvas));
        choose(canvas, "paletteTool0");
        QVERIFY(canvas.erasing());
        openPalette(canvas);
        choose(canvas, "paletteTool1");
        const float width = canvas.brushSize();
        openPalette(canvas);
        choose(canvas, "paletteLarger");
        QCOMPARE(canvas.brushSize(), PenSettings::largerWidth(width));
        choose(canvas, "paletteSmaller");
        QCOMPARE(canvas.brushSize(), width);
        choose(canvas, "palettePaper2");
        QCOMPARE(canvas.bgType(), 2.0f);
        // A nib is the active slot's; while erasing, the slot's it goes back to.
        choose(canvas, "paletteBrush1");
        QVERIFY(canvas.core().penSettings().brushKind(0) == BrushKind::Pencil
                && palette->isVisible());
        canvas.setActiveColor(2);
        canvas.setActiveColor(0);
        choose(canvas, "paletteBrush3");
        QVERIFY(canvas.activeColor() == 2 && canvas.core().brushKind() == BrushKind::Marker);
        QVERIFY(palette->findChild<QAbstractButton *>(QStringLiteral("paletteBrush3"))->isChecked());
        strokes::drag(canvas, {50, 50}, {90, 60});
        QSignalSpy undone(document->window()->findChild<QAction *>("undo:"), &QAction::triggered);
        choose(canvas, "paletteUndo");
        QVERIFY(undone.size() == 1 && canvas.picture().undoLayers().size() == 1);
        choose(canvas, "paletteRedo");
        QCOMPARE(canvas.picture().undoLayers().size(), std::size_t(2));
        QVERIFY(palette->isVisible());

        canvas.viewport().zoomIn();
        choose(canvas, "paletteActualSize");
        QVERIFY(canvas.viewport().displayZoom() == 1.0 && !palette->isVisible());
        openPalette(canvas);
        choose(canvas, "palettePick");
        QVERIFY(canvas.core().isPicking() && !palette->isVisible());
        openPalette(canvas);
        QTest::keyClick(palette, Qt::Key_Escape);
        QVERIFY(!palette->isVisible());
        const QRect screen(0, 0, 1280, 800);
        QCOMPARE(PopupPalette::placed({1200, 750, 300, 200}, screen), QRect(980, 600, 300, 200));
        QCOMPARE(PopupPalette::placed({-20, -5, 300, 200}, screen), QRect(0, 0, 300, 200));
    }

    // The zoom slider zooms about where the palette opened, the turns turn about it, Mirror's
    // check follows the view however it changed, and Reset View closes the palette upright.
    void paletteZoomsTurnsAndMirrorsTheView()
    {
        WTView &canvas = *newDocument()->canvas();
        const Point at {200, 150};
        PopupPalette *palette = openPalette(canvas, at);
        QVERIFY(palette);
        const QPointF widgetAt = strokes::widgetPoint(canvas, at);
        auto stillUnder = [&] {
            const Point p = canvas.viewport().sheetPoint(widgetAt);
            return std::hypot(p.x - at.x, p.y - at.y) < 0.5;
        };
        auto *zoom = palette->findChild<QSlider *>(QStringLiteral("paletteZoom"));
        QCOMPARE(zoom->value(), 0);
        zoom->setValue(zoom->value() + 4); // an octave
        QVERIFY(canvas.viewport().view().zoom() == 2.0 && stillUnder());
        choose(canvas, "paletteRotateRight");
        QVERIFY(canvas.viewport().view().rotation() == 15.0 && stillUnder());
        choose(canvas, "paletteRotateLeft");
        choose(canvas, "paletteRotateLeft");
        QVERIFY(canvas.viewport().view().rotation() == -15.0 && stillUnder());
        zoom->setValue(zoom->minimum());
        QCOMPARE(canvas.viewport().view().zoom(), ViewTransform::kMinZoom);
        canvas.viewport().zoomIn();
        QCOMPARE(zoom->value(), int(std::lround(std::log2(canvas.viewport().view().zoom()) * 4)));
        auto *mirror = palette->findChild<QAbstractButton *>(QStringLiteral("paletteMirror"));
        mirror->click();
        QVERIFY(canvas.viewport().view().isMirrored() && mirror->isChecked()
                && palette->isVisible());
        canvas.viewport().toggleMirror();
        QVERIFY(!mirror->isChecked());
        canvas.viewport().toggleMirror();
        choose(canvas, "paletteResetView");
        QVERIFY(canvas.viewport().view().rotation() == 0.0
                && !canvas.viewport().view().isMirrored());
        QVERIFY(!palette->isVisible());
    }

    // The Line entry draws the Shift-click line with no key held, once; Line Chain chains as Alt
    // does until Escape. Snapping stays with Shift. A recording of them replays alike.
    void lineEntriesDrawLinesWithoutAKey_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QList<Point>>("clicks");
        QTest::addColumn<int>("keyed"); // modifiers of the clicks that make the same with keys
        QTest::newRow("line") << "paletteLine" << QList<Point> {{60, 80}, {400, 300}} << 0;
        QTest::newRow("chain") << "paletteLineChain"
                               << QList<Point> {{60, 80}, {400, 300}, {100, 420}, {420, 60}}
                               << int(Qt::AltModifier);
    }

    void lineEntriesDrawLinesWithoutAKey()
    {
        QFETCH(QString, entry);
        QFETCH(QList<Point>, clicks);
        QFETCH(int, keyed);
        WTView &keys = *newDocument()->canvas();
        for (qsizetype i = 0; i < clicks.size(); ++i)
            strokes::click(keys, clicks[i],
                           i == 0 ? Qt::ShiftModifier
                                  : Qt::KeyboardModifiers(i + 1 < clicks.size() ? keyed : 0));
        const QImage expected = exported(keys);
        QVERIFY(strokes::paintedPixels(strokes::picture(keys)) > 0);

        WTView &pen = *newDocument()->canvas();
        const QString path = mDir.filePath(QStringLiteral("lines.jsonl"));
        {
            auto writer = std::make_unique<SessionWriter>();
            QVERIFY(writer->open(path));
            SessionRecorder recorder(std::move(writer));
            openPalette(pen, {500, 500});
            choose(pen, qPrintable(entry));
            for (const Point &p : clicks)
                strokes::click(pen, p);
            const bool chains = entry == QLatin1String("paletteLineChain");
            QCOMPARE(pen.core().isDrawingLine(), chains);
            QCOMPARE(differingPixels(exported(pen), expected), 0);
            QCOMPARE(pen.picture().undoLayers().size(), std::size_t(1));
            QTest::keyClick(&pen, Qt::Key_Escape);
            QCOMPARE(pen.core().lineMode(), CanvasCore::LineMode::Off);
            // Back to freehand: a drag paints a stroke of its own.
            strokes::drag(pen, {300, 500}, {340, 520});
            QCOMPARE(pen.picture().undoLayers().size(), std::size_t(2));
            // Shift still snaps: a line nearly level ends level.
            pen.core().setLineMode(CanvasCore::LineMode::Line);
            strokes::click(pen, {100, 550});
            strokes::click(pen, {400, 580}, Qt::ShiftModifier);
            QCOMPARE(pen.core().lineMode(), CanvasCore::LineMode::Off);
        }
        const Image sheet = strokes::picture(pen);
        QVERIFY(strokes::alphaAt(sheet, 350, 550) > 0 && strokes::alphaAt(sheet, 350, 575) == 0);
        const QImage drawn = exported(pen);
        WTView &copy = *newDocument()->canvas();
        SessionReplayer replayer(readSessionFile(path), &copy);
        replayer.replayAll();
        QVERIFY2(replayer.warnings().isEmpty(), qPrintable(replayer.warnings().join('\n')));
        QCOMPARE(differingPixels(exported(copy), drawn), 0);
    }

    // The keys 1 to 4 and E choose the slots and the eraser (and back); ] and [ step the width
    // monotonically over the ladder within 0.5 to 100 points; N a nib; I arms the picker,
    // Escape disarms it. Keys, picks (one while erasing) and the palette's undo and redo:
    // the recording holds the pen changes and the commands but no pick press, and replays to the
    // same picture.
    void toolKeysDriveThePenAndReplay()
    {
        WTView &canvas = activeCanvas();
        QTest::keyClick(&canvas, Qt::Key_E);
        QVERIFY(canvas.erasing());
        QTest::keyClick(&canvas, Qt::Key_E);
        QCOMPARE(canvas.activeColor(), 1);
        for (const auto &[key, limit] : {std::pair {Qt::Key_BracketRight, PenSettings::kMaxWidth},
                                         std::pair {Qt::Key_BracketLeft, PenSettings::kMinWidth}}) {
            float last = canvas.brushSize();
            for (int i = 0; i < 60 && last != limit; ++i) {
                QTest::keyClick(&canvas, key);
                const float w = canvas.brushSize();
                QVERIFY((key == Qt::Key_BracketRight) == (w > last));
                QVERIFY(w == limit || PenSettings::largerWidth(PenSettings::smallerWidth(w)) == w);
                last = w;
            }
            QCOMPARE(last, limit);
        }
        QTest::keyClick(&canvas, Qt::Key_I);
        QVERIFY(canvas.core().isPicking());
        QTest::keyClick(&canvas, Qt::Key_Escape);
        QVERIFY(!canvas.core().isPicking());
        const QString path = mDir.filePath(QStringLiteral("keys.jsonl"));
        auto keys = [&](std::initializer_list<Qt::Key> ks) {
            for (Qt::Key k : ks)
                QTest::keyClick(&canvas, k);
        };
        {
            auto writer = std::make_unique<SessionWriter>();
            QVERIFY(writer->open(path));
            SessionRecorder recorder(std::move(writer));
            keys({Qt::Key_2, Qt::Key_N});
            strokes::drag(canvas, {60, 80}, {400, 120});
            keys({Qt::Key_BracketRight, Qt::Key_BracketRight, Qt::Key_E, Qt::Key_BracketRight});
            strokes::drag(canvas, {200, 60}, {220, 400});
            keys({Qt::Key_E, Qt::Key_4, Qt::Key_BracketLeft, Qt::Key_I});
            strokes::drag(canvas, {230, 100}, {310, 300}); // a pick of the first stroke's ink
            strokes::drag(canvas, {80, 500}, {500, 480});
            PopupPalette *palette = openPalette(canvas);
            for (const char *entry : {"paletteUndo", "paletteUndo", "paletteRedo", "paletteBrush2"})
                choose(canvas, entry);
            palette->close();
            keys({Qt::Key_E, Qt::Key_I});
            strokes::click(canvas, {100, 90});
            strokes::drag(canvas, {120, 420}, {460, 440});
        }
        const std::vector<SessionEvent> recorded = readSessionFile(path);
        QStringList commands;
        for (const SessionEvent &e : recorded)
            if (e.kind == SessionEvent::Kind::Press
                || (e.kind == SessionEvent::Kind::Action && !e.name.startsWith("set")))
                commands << (e.kind == SessionEvent::Kind::Press ? QString("press") : e.name);
        QCOMPARE(commands, QString("press press press undo: undo: redo: press").split(' '));
        QStringList brushes; // after each slot's as the recording opens
        for (const SessionEvent &e : recorded)
            if (e.name == QLatin1String("setBrushKind:"))
                brushes << e.value.toString();
        QCOMPARE(brushes.mid(PenSettings::kSlots), QStringList({"pencil", "airbrush"}));
        const QImage expected = exported(canvas);
        mCase->settings.reset();
        mCase->settings = std::make_unique<IsolatedSettings>();
        WTView &copy = *newDocument()->canvas();
        SessionReplayer replayer(recorded, &copy);
        replayer.replayAll();
        QVERIFY2(replayer.warnings().isEmpty(), qPrintable(replayer.warnings().join('\n')));
        QCOMPARE(differingPixels(exported(copy), expected), 0);
        for (int slot = 0; slot < PenSettings::kSlots; ++slot)
            QCOMPARE(copy.core().penSettings().brushKind(slot),
                     canvas.core().penSettings().brushKind(slot));
    }

private:
    InkpondDocument *newDocument() { return mCase->newDocument(); }

    // A canvas in an active window, where the menu's single keys reach it.
    WTView &activeCanvas()
    {
        InkpondDocument *document = newDocument();
        document->window()->activateWindow();
        [&] { QVERIFY(QTest::qWaitForWindowActive(document->window())); }();
        document->canvas()->setFocus();
        return *document->canvas();
    }

    std::optional<DocumentsCase> mCase;
    QTemporaryDir mDir;
};

INKPOND_TEST_MAIN(PaletteTest)
#include "tst_palette.moc"
