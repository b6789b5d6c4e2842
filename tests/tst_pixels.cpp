// Pictures replayed through the real canvas against the same sessions painted on plain
// whole-sheet images: whatever way the canvas stores the sheet, the pixels must come out alike.
#include "ReferencePainter.h"
#include "SessionReplayer.h"
#include "TestSupport.h"
#include "WTView.h"

#include <QtTest>

using Kind = SessionEvent::Kind;

namespace {
// Random sessions of every kind of input the canvas paints from, on a sheet that is cropped and
// grown on the way. The same seed always gives the same session.
class SessionMaker
{
public:
    SessionMaker(quint32 seed, QSizeF sheet)
        : mRng(seed)
        , mSheet(sheet)
    {
    }

    std::vector<SessionEvent> make(int finalBgType)
    {
        for (int tool = 4; tool >= 0; --tool) {
            act("setActiveColor:", tool);
            if (tool > 0)
                colour();
            width();
        }
        for (int i = 0; i < 28; ++i) {
            if (i == 9)
                resize({-13, 7, 280, 250});
            if (i == 14) // more undos than the history holds: the merged strokes stay
                for (int n = 0; n < 12; ++n)
                    act("undo:");
            if (i == 20)
                resize({9, -11, 331, 262});
            if (i % 7 == 0)
                act("setBgType:", int(mRng.bounded(4)));
            step();
        }
        act("setBgType:", finalBgType);
        return std::move(mEvents);
    }

private:
    float real(double lo, double hi) { return float(lo + mRng.generateDouble() * (hi - lo)); }
    QPointF somewhere() { return {real(-8, mSheet.width() + 8), real(-8, mSheet.height() + 8)}; }
    SessionEvent &add(Kind kind)
    {
        mEvents.emplace_back().kind = kind;
        return mEvents.back();
    }
    void act(const char *name, const QJsonValue &value = {})
    {
        SessionEvent &e = add(Kind::Action);
        e.name = QLatin1String(name);
        e.value = value;
    }
    void paintTool() { act("setActiveColor:", 1 + int(mRng.bounded(4))); }
    void colour()
    {
        const double alphas[] = {1.0, 1.0, 0.8, 0.35};
        act("setColor:", QJsonArray {real(0, 1), real(0, 1), real(0, 1), alphas[mRng.bounded(4)]});
    }
    void width()
    {
        const double widths[] = {0.5, 1, 1.5, 3, 6.25, 12, 20, 30};
        act("setBrushSize:", mRng.bounded(2) ? widths[mRng.bounded(8)] : double(real(1, 30)));
    }
    void resize(const QRectF &r)
    {
        act("resizeSheet:", QJsonArray {r.x(), r.y(), r.width(), r.height()});
        mSheet = r.size();
    }
    void pointer(Kind kind, const QString &device, QPointF p, float pressure,
                 const QStringList &modifiers = {})
    {
        SessionEvent &e = add(kind);
        e.pointer = device;
        // Widget positions carry sheet points exactly only in steps a float holds at any origin.
        e.x = float(std::round(p.x() * 256) / 256);
        e.y = float(std::round(p.y() * 256) / 256);
        if (device != QLatin1String("mouse"))
            e.pressure = pressure;
        e.modifiers = modifiers;
    }
    void proximity(const char *device)
    {
        SessionEvent &e = add(Kind::Proximity);
        e.enter = true;
        e.pointer = QLatin1String(device);
    }

    // A random walk of 10 to 60 samples, with repeated points (dots) and samples without pressure.
    void freehand(const QString &device)
    {
        QPointF p = somewhere();
        pointer(Kind::Hover, device, p, 0);
        pointer(Kind::Press, device, p, real(0.1, 1));
        float pressure = real(0.1, 1);
        for (int n = mRng.bounded(10, 61); n > 0; --n) {
            if (mRng.bounded(8) != 0)
                p += QPointF(real(-9, 9), real(-9, 9));
            pressure = std::clamp(pressure + real(-0.2, 0.2), 0.1f, 1.0f);
            pointer(Kind::Move, device, p, mRng.bounded(25) == 0 ? 0 : pressure);
        }
        pointer(Kind::Release, device, p, 0);
    }

    void click(const QString &device, QPointF p, const QStringList &modifiers)
    {
        pointer(Kind::Press, device, p, real(0.1, 1), modifiers);
        pointer(Kind::Release, device, p, 0, modifiers);
        pointer(Kind::Hover, device, somewhere(), 0, modifiers); // the line's preview only
    }

    // A straight line, or a chain of them; Shift on the last click snaps it to 45°.
    void line(bool chain)
    {
        const QString device = mRng.bounded(2) ? QStringLiteral("mouse") : QStringLiteral("pen");
        const QPointF start = somewhere();
        click(device, start, {QStringLiteral("shift")});
        if (mRng.bounded(8) == 0) {
            add(Kind::Key).key = QStringLiteral("Escape");
            return;
        }
        if (chain) {
            click(device, somewhere(), {QStringLiteral("alt")});
            click(device, start, {QStringLiteral("ctrl")}); // back to the start: a closed path
            click(device, somewhere(), {QStringLiteral("ctrl")});
        }
        QStringList last;
        if (mRng.bounded(2))
            last << QStringLiteral("shift");
        // Ending where it began leaves a dot.
        click(device, !chain && mRng.bounded(5) == 0 ? start : somewhere(), last);
    }

    void step()
    {
        const int kind = int(mRng.bounded(20));
        const QString pen = QStringLiteral("pen");
        if (kind <= 10) {
            paintTool();
            if (mRng.bounded(4) == 0)
                colour();
            if (mRng.bounded(4) == 0)
                width();
            freehand(pen);
        } else if (kind <= 13) {
            act("setActiveColor:", 0);
            if (mRng.bounded(3) == 0)
                width();
            freehand(pen);
        } else if (kind == 14) {
            // The eraser end brings back its own tool, the pen tip then its own.
            proximity("eraser");
            freehand(QStringLiteral("eraser"));
            proximity("pen");
        } else if (kind <= 17) {
            paintTool();
            line(kind == 17);
        } else if (kind == 18) {
            paintTool();
            freehand(QStringLiteral("mouse"));
        } else {
            for (int n = 1 + int(mRng.bounded(3)); n > 0; --n)
                act("undo:");
        }
    }

    QRandomGenerator mRng;
    QSizeF mSheet;
    std::vector<SessionEvent> mEvents;
};

} // namespace

class TestPixels : public QObject
{
    Q_OBJECT

private slots:
    void replayedPictureMatchesWholeSheetPainting_data()
    {
        QTest::addColumn<quint32>("seed"); // 0: the demo session
        QTest::addColumn<QSizeF>("sheet");
        QTest::addColumn<int>("finalBgType");
        QTest::newRow("plain paper") << 11u << QSizeF(300, 240) << 0;
        QTest::newRow("ruled paper") << 23u << QSizeF(300, 240) << 1;
        QTest::newRow("grid paper") << 37u << QSizeF(300, 240) << 2;
        QTest::newRow("see-through paper") << 41u << QSizeF(300, 240) << 3;
        QTest::newRow("odd sheet") << 53u << QSizeF(257, 129) << 2;
        QTest::newRow("demo session") << 0u << QSizeF(600, 600) << -1;
    }

    void replayedPictureMatchesWholeSheetPainting()
    {
        QFETCH(quint32, seed);
        QFETCH(QSizeF, sheet);
        QFETCH(int, finalBgType);
        const std::vector<SessionEvent> events = seed
            ? SessionMaker(seed, sheet).make(finalBgType)
            : readSessionFile(QStringLiteral(INKPOND_DEMO_SESSION));
        QVERIFY(!events.empty());

        const IsolatedSettings settings;
        Opened opened;
        QVERIFY(opened.canvas);
        opened.window->show();
        QVERIFY(opened.canvas->setSheetSize({float(sheet.width()), float(sheet.height())}));
        QCoreApplication::processEvents();
        SessionReplayer replayer(events, opened.canvas);
        replayer.replayAll();
        QCoreApplication::processEvents();
        QVERIFY2(replayer.warnings().isEmpty(), qPrintable(replayer.warnings().join(u'\n')));

        const ReferencePainter reference(sheet, events);
        for (const bool withBG : {false, true}) {
            const std::unique_ptr<Image> picture = opened.canvas->core().getImageWithBG(withBG);
            QVERIFY(picture);
            const QImage &actual = picture->qimage();
            const QImage expected = reference.picture(withBG);
            // A session that leaves (almost) nothing would prove nothing.
            QImage empty(expected.size(), expected.format());
            empty.fill(Qt::transparent);
            QVERIFY(differingPixels(expected, empty) > expected.width() * expected.height() / 50);
            // A channel may differ by one step of rounding, and an antialiased edge by a step
            // of coverage; paint may not.
            QCOMPARE(differingPixelsAwayFromEdges(actual, expected, 1), qint64(0));
        }
    }
};

QTEST_MAIN(TestPixels)
#include "tst_pixels.moc"
