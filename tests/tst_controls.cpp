// The window's controls: the paper on the toolbar and in the View menu, the brush width in points
// with steps a user can follow, Undo and Redo on the toolbar, stored pen settings, palettes.
#include "BrushSizeSlider.h"
#include "ColorWheel.h"
#include "GimpPalette.h"
#include "MainMenu.h"
#include "PenControls.h"
#include "PenSettings.h"
#include "PreferenceKeys.h"
#include "Preferences.h"
#include "ProgramKeys.h"
#include "TestSupport.h"
#include "ToolbarItems.h"
#include "WTView.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QStyleFactory>
#include <QToolButton>
#include <QtTest>
#include <cmath>

namespace {
int checkedPaper(const Opened &o)
{
    for (QAction *a : o.window->mainMenu()->actions(QStringLiteral("setBgType:")))
        if (a->isChecked())
            return a->property("tag").toInt();
    return -1;
}

} // namespace

class TestControls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion"))); }
    void init() { mSettings = std::make_unique<IsolatedSettings>(); }
    void cleanup() { mSettings.reset(); }

    void paperComboAndViewMenuFollowTheCanvas()
    {
        Opened o;
        QComboBox *combo = o.window->bgTypeSlider();
        o.canvas->setProperty("bgType", 2.0f); // as a replay sets it
        QVERIFY(combo->currentIndex() == 2 && checkedPaper(o) == 2);
        QTest::keyClick(combo, Qt::Key_Down);
        QVERIFY(o.canvas->bgType() == 3.0f && checkedPaper(o) == 3);
        QAction *plain = o.window->mainMenu()->actions(QStringLiteral("setBgType:"))[0];
        plain->trigger();
        plain->trigger(); // the paper it has: still checked
        QVERIFY(o.canvas->bgType() == 0.0f && combo->currentIndex() == 0 && checkedPaper(o) == 0);
    }

    void brushStepsByPointsAndTrackClicksByRungs()
    {
        BrushSizeSlider brush;
        brush.resize(140, 28);
        brush.show();
        QVERIFY(QTest::qWaitForWindowExposed(&brush));
        QList<float> chosen;
        connect(&brush, &BrushSizeSlider::brushSizeChosen, &brush, [&](float w) {
            chosen << w;
            brush.showBrushSize(w); // the canvas shows each width back
        });
        QSlider *track = brush.slider();
        brush.showBrushSize(10.0f);
        QCOMPARE(brush.valueLabel()->text(), QStringLiteral("10 pt"));
        for (int key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Left})
            QTest::keyClick(track, Qt::Key(key));
        QCOMPARE(chosen, (QList<float> {11, 12, 13, 12}));
        brush.showBrushSize(1.0f);
        QTest::keyClick(track, Qt::Key_Left);
        QCOMPARE(brush.valueLabel()->text(), QStringLiteral("0.9 pt"));
        QTest::keyClick(track, Qt::Key_Right);
        QTest::keyClick(track, Qt::Key_Right);
        QCOMPARE(brush.brushSize(), 2.0f);

        chosen.clear();
        brush.showBrushSize(10.0f);
        const int y = track->height() / 2;
        QTest::mouseClick(track, Qt::LeftButton, {}, QPoint(track->width() - 3, y));
        QTest::mouseClick(track, Qt::LeftButton, {}, QPoint(3, y));
        QCOMPARE(chosen, (QList<float> {PenSettings::largerWidth(10.0f), 10.0f}));
    }

    // The toolbar's Undo and Redo are the menu's own actions (enabled as the history allows:
    // tst_stroke's historyHoldsItsDepth).
    void toolbarUndoAndRedoAreTheMenus()
    {
        Opened o;
        for (const auto &[id, name] : {std::pair {UndoTBId, "undo:"}, {RedoTBId, "redo:"}}) {
            const auto item = o.document.toolbar(o.window->toolbar(), id, true);
            QCOMPARE(qobject_cast<QToolButton *>(item->view())->defaultAction(),
                     o.window->mainMenu()->action(QLatin1String(name)));
        }
    }

    // Each number the program keeps, as another program or a damaged file may leave it: the
    // ends of its range serve, anything else reads as its default.
    void storedNumbersServeWithinTheirRangesOnly_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<bool>("serves");
        QTest::newRow("lowest") << QStringLiteral("lowest") << true;
        QTest::newRow("highest") << QStringLiteral("highest") << true;
        QTest::newRow("between") << QStringLiteral("between") << true;
        QTest::newRow("below") << QStringLiteral("below") << false;
        QTest::newRow("above") << QStringLiteral("above") << false;
        QTest::newRow("not a number") << QStringLiteral("text") << false;
    }
    void storedNumbersServeWithinTheirRangesOnly()
    {
        QFETCH(QString, place);
        QFETCH(bool, serves);
        using namespace PreferenceKeys;
        QByteArray ini = "[General]\n";
        QMap<QString, double> stored;
        for (const NumberKey &k : ProgramKeys::numberKeys()) {
            const double step = k.whole ? 1.0 : 0.25;
            const double middle = (k.lowest + k.highest) / 2;
            const double v = place == u"lowest" ? k.lowest
                : place == u"highest"           ? k.highest
                : place == u"between"           ? (k.whole ? std::floor(middle) : middle)
                : place == u"below"             ? k.lowest - step
                                                : k.highest + step;
            QVERIFY2(k.defaultValue >= k.lowest && k.defaultValue <= k.highest, qPrintable(k.key));
            stored[k.key] = serves ? v : k.defaultValue;
            ini += k.key.toUtf8() + '='
                + (place == u"text" ? QByteArray("ten") : QByteArray::number(v, 'g', 9)) + '\n';
        }
        const QString path = QFileInfo(mSettings->filePath()).dir().filePath("numbers.conf");
        QVERIFY(writeFile(path, ini));
        Preferences store(path);
        const PenSettings pen(store);
        for (const NumberKey &k : ProgramKeys::numberKeys())
            QVERIFY2(ProgramKeys::storedNumber(store, k.key) == stored.value(k.key), qPrintable(k.key));
        for (const NumberKey &k : PreferenceKeys::numberKeys())
            QCOMPARE(Preferences::toFloat(store.registeredDefault(k.key)),
                     std::optional<float>(float(k.defaultValue)));

        // The pen reads each of its numbers through the table.
        QMap<QString, double> read {{kRubberSize, pen.rubberSize()},
                                    {kBgType, int(pen.bgType())},
                                    {kPressureCurve, int(pen.pressureCurvePreset())},
                                    {kMinimumWidth, pen.minimumWidth()},
                                    {kSmoothing, pen.smoothing()},
                                    {kUndoDepth, pen.undoDepth()},
                                    {kTreatEveryPointerAsTip, pen.treatsEveryPointerAsTip()},
                                    {kAirbrushHardness, pen.airbrushHardness() * 100.0f},
                                    {kHoverOutline, int(pen.hoverMark())}};
        for (int slot = 0; slot < PenSettings::kSlots; ++slot)
            read[brushSizeKey(slot)] = pen.brushSize(slot);
        for (PointerType type : {PointerType::Unknown, PointerType::Pen, PointerType::Cursor,
                                 PointerType::Eraser})
            read[toolKeyForPointerType(type)] = pen.rememberedTool(type);
        QCOMPARE(read.size(), int(PreferenceKeys::numberKeys().size()));
        for (auto it = read.cbegin(); it != read.cend(); ++it)
            QVERIFY2(it.value() == stored.value(it.key()), qPrintable(it.key()));
    }

    // A number written beyond its range is kept at the nearer end, and in the table's kind.
    void storedNumbersAreWrittenWithinTheirRanges()
    {
        Preferences store(QFileInfo(mSettings->filePath()).dir().filePath("written.conf"));
        for (const NumberKey &k : ProgramKeys::numberKeys()) {
            ProgramKeys::storeNumber(store, k.key, k.highest + 7.5);
            QCOMPARE(ProgramKeys::storedNumber(store, k.key), k.highest);
            ProgramKeys::storeNumber(store, k.key, k.lowest - 7.5);
            QCOMPARE(ProgramKeys::storedNumber(store, k.key), k.lowest);
            QCOMPARE(store.objectForKey(k.key).typeId() == QMetaType::Float, !k.whole);
        }
    }

    // Each slot's nib and the eraser's shape are kept by name; a name of another nib, in another
    // case or damaged reads as the pen, and the eraser takes no nib but the pen's and the
    // airbrush's. What is set is kept.
    void storedBrushesReadBackByNameOnly_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<BrushKind>("slot");
        QTest::addColumn<BrushKind>("eraser");
        QTest::newRow("pencil") << QByteArray("pencil") << BrushKind::Pencil << BrushKind::Pen;
        QTest::newRow("airbrush") << QByteArray("airbrush") << BrushKind::Airbrush
                                  << BrushKind::Airbrush;
        QTest::newRow("case") << QByteArray("Pencil") << BrushKind::Pen << BrushKind::Pen;
        QTest::newRow("list") << QByteArray("pencil, marker") << BrushKind::Pen << BrushKind::Pen;
        QTest::newRow("empty") << QByteArray() << BrushKind::Pen << BrushKind::Pen;
    }
    void storedBrushesReadBackByNameOnly()
    {
        QFETCH(QByteArray, stored);
        QFETCH(BrushKind, slot);
        QFETCH(BrushKind, eraser);
        using namespace PreferenceKeys;
        QByteArray ini = "[General]\n";
        for (int i = 0; i < PenSettings::kSlots; ++i)
            ini += brushKindKey(i).toUtf8() + '=' + stored + '\n';
        ini += kEraserShape.toUtf8() + '=' + stored + '\n';
        const QString path = QFileInfo(mSettings->filePath()).dir().filePath("brushes.conf");
        QVERIFY(writeFile(path, ini));
        {
            Preferences store(path);
            PenSettings pen(store);
            for (int i = 0; i < PenSettings::kSlots; ++i)
                QCOMPARE(pen.brushKind(i), slot);
            QCOMPARE(pen.eraserShape(), eraser);
            pen.setBrushKind(2, BrushKind::Marker);
            pen.setEraserShape(BrushKind::Pencil); // no eraser shape: the pen's
            pen.setAirbrushHardness(0.35f);
            store.synchronize();
        }
        Preferences store(path);
        const PenSettings pen(store);
        QVERIFY(pen.brushKind(2) == BrushKind::Marker && pen.brushKind(1) == slot);
        QVERIFY(pen.eraserShape() == BrushKind::Pen && pen.airbrushHardness() == 0.35f);
    }

    // GIMP's palettes: its own sample reads, ours reads back exactly, and damaged files are
    // refused or read as far as they are sound, with a note.
    void gimpPalettes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("swatches"); // -1: refused
        QTest::addColumn<bool>("noted");
        QTest::newRow("GIMP's own") << QByteArray("GIMP Palette\nName: Bears\nColumns: 4\n#\n"
                                                  " 8  8  8\tgrey 3\n255 0 0\nSome text\n")
                                    << 2 << true;
        QTest::newRow("no header") << QByteArray("255 0 0 red\n") << -1 << false;
        QTest::newRow("out of range")
            << QByteArray("GIMP Palette\n256 0 0 x\n1 2 3 y\n-1 2 3\n") << 1 << true;
        QTest::newRow("latin-1 name") << QByteArray("GIMP Palette\n1 2 3 caf\xe9\n") << 1 << false;
        QByteArray many = "GIMP Palette\n";
        for (int i = 0; i < 100000; ++i)
            many += "1 2 3\n";
        QTest::newRow("100000 rows") << many << GimpPalette::kMostSwatches << true;
        QTest::newRow("too large")
            << QByteArray("GIMP Palette\n") + QByteArray(GimpPalette::kLargestFile, '#') << -1
            << false;
    }
    void gimpPalettes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, swatches);
        QFETCH(bool, noted);
        QStringList notes;
        QString error;
        const auto palette = GimpPalette::read(bytes, &notes, &error);
        QCOMPARE(palette.has_value(), swatches >= 0);
        QCOMPARE(error.isEmpty(), swatches >= 0);
        if (!palette)
            return;
        QCOMPARE(int(palette->swatches.size()), swatches);
        QCOMPARE(!notes.isEmpty(), noted);
        QCOMPARE(GimpPalette::read(palette->write(), nullptr, nullptr), palette);
        if (QTest::currentDataTag() == QByteArray("latin-1 name"))
            QCOMPARE(palette->swatches[0].name, QStringLiteral("caf\u00e9"));
    }
    // The wheel's points and colours map both ways over the ring and the square, and the keys
    // nudge it one step, chosen once per key.
    void colourWheelMapsBothWays()
    {
        ColorWheel wheel;
        wheel.resize(200, 200);
        for (int i = 0; i < 36; ++i)
            for (const float sat : {0.2f, 0.7f, 1.0f})
                for (const float val : {0.1f, 0.5f, 1.0f}) {
                    const QColor c = QColor::fromHsvF(i / 36.0f, sat, val);
                    const auto onRing = wheel.colorAt(wheel.ringPoint(c), c);
                    const auto inSquare = wheel.colorAt(wheel.squarePoint(c), c);
                    QVERIFY(onRing && inSquare);
                    const float hueApart = std::abs(onRing->hsvHueF() - c.hsvHueF());
                    QVERIFY(std::min(hueApart, 1 - hueApart) <= 0.01f);
                    QVERIFY(std::abs(inSquare->hsvSaturationF() - sat) <= 0.01f);
                    QVERIFY(std::abs(inSquare->valueF() - val) <= 0.01f);
                }
        QVERIFY(!wheel.colorAt({1, 1}, Qt::red)); // a corner: neither ring nor square
        wheel.setColor(QColor::fromHsvF(0.5f, 0.5f, 0.5f, 0.25f));
        QSignalSpy chosen(&wheel, &ColorWheel::colorChosen);
        QTest::keyClick(&wheel, Qt::Key_Right);
        QTest::keyClick(&wheel, Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(chosen.size(), 2);
        const QColor c = wheel.color();
        QVERIFY(std::abs(c.hsvHueF() - 0.51f) < 0.002f && std::abs(c.valueF() - 0.51f) < 0.002f
                && std::abs(c.alphaF() - 0.25f) < 0.001f);
    }

private:
    std::unique_ptr<IsolatedSettings> mSettings;
};

INKPOND_TEST_MAIN(TestControls)
#include "tst_controls.moc"
