// Records the demo session (resources/demo/demo.jsonl): a document window driven at a hand's pace
// through the canvas's real event paths, with the recorder that --record starts. Tablet events
// carry pressure, which no X test tool can give.
//
//   record_demo OUT.jsonl
#include "CanvasDialogs.h"
#include "DocumentController.h"
#include "InkpondDocument.h"
#include "Preferences.h"
#include "SessionRecorder.h"
#include "SessionWriter.h"
#include "TabletApplication.h"
#include "WTView.h"

#include <QAction>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabletEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>

namespace {
const QPointingDevice *device(QPointingDevice::PointerType type)
{
    return new QPointingDevice(
        QStringLiteral("demo stylus"), 7000 + int(type), QInputDevice::DeviceType::Stylus, type,
        QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 3, QString(),
        QPointingDeviceUniqueId(), qApp);
}

// Lets the event loop run (and paint) for that long, as between two samples of a real pen.
void pause(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

class Hand
{
public:
    explicit Hand(WTView *canvas)
        : mCanvas(canvas)
        , mPen(device(QPointingDevice::PointerType::Pen))
        , mEraser(device(QPointingDevice::PointerType::Eraser))
    {
    }

    void proximity(bool enter, bool eraser)
    {
        QTabletEvent event(enter ? QEvent::TabletEnterProximity : QEvent::TabletLeaveProximity,
                           eraser ? mEraser : mPen, QPointF(), QPointF(), 0, 0, 0, 0, 0, 0,
                           Qt::NoModifier, Qt::NoButton, Qt::NoButton);
        QApplication::sendEvent(qApp, &event);
        pause(120);
    }

    // A tablet stroke along f(s), s from 0 to 1, with pressure p(s), at 200 samples a second.
    template<typename Path, typename Pressure>
    void stroke(bool eraser, int samples, Path f, Pressure p)
    {
        const QPointingDevice *d = eraser ? mEraser : mPen;
        for (int i = 0; i < 6; ++i) // coming down
            tablet(d, QEvent::TabletMove, f(0.0), 0.0, Qt::NoButton, Qt::NoButton);
        tablet(d, QEvent::TabletPress, f(0.0), p(0.0), Qt::LeftButton, Qt::LeftButton);
        for (int i = 1; i <= samples; ++i) {
            const double s = double(i) / samples;
            tablet(d, QEvent::TabletMove, f(s), p(s), Qt::NoButton, Qt::LeftButton);
        }
        tablet(d, QEvent::TabletRelease, f(1.0), 0.0, Qt::LeftButton, Qt::NoButton);
        pause(250);
    }

    void click(QPointF p, Qt::KeyboardModifiers modifiers)
    {
        mouse(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton, modifiers);
        pause(90);
        mouse(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton, modifiers);
        pause(60);
    }

    // The mouse gliding with no button, as the line preview follows it.
    void glide(QPointF from, QPointF to, Qt::KeyboardModifiers modifiers)
    {
        for (int i = 1; i <= 24; ++i) {
            const double s = i / 24.0;
            mouse(QEvent::MouseMove, from + (to - from) * s, Qt::NoButton, Qt::NoButton, modifiers);
            pause(16);
        }
    }

private:
    QPointF widget(QPointF sheet) const
    {
        const Point o = mCanvas->viewport().boundsOrigin();
        return {sheet.x() - o.x, mCanvas->height() - (sheet.y() - o.y)};
    }

    void tablet(const QPointingDevice *d, QEvent::Type type, QPointF p, double pressure,
                Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        const QPointF local = widget(p);
        QTabletEvent event(type, d, local, mCanvas->mapToGlobal(local), pressure, 0, 0, 0, 0, 0,
                           Qt::NoModifier, button, buttons);
        QApplication::sendEvent(mCanvas, &event);
        pause(5);
    }

    void mouse(QEvent::Type type, QPointF p, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers)
    {
        const QPointF local = widget(p);
        QMouseEvent event(type, local, local, mCanvas->mapToGlobal(local), button, buttons,
                          modifiers);
        QApplication::sendEvent(mCanvas, &event);
    }

    WTView *mCanvas;
    const QPointingDevice *mPen;
    const QPointingDevice *mEraser;
};

// Pressure that swells in the middle of a stroke and tapers at both ends.
double swell(double s)
{
    return 0.15 + 0.85 * std::sin(M_PI * s);
}

void drawDemo(InkpondDocument &document)
{
    WTView *canvas = document.canvas();
    Hand hand(canvas);
    hand.proximity(true, false);

    // Three waves of the first slot, each fuller than the last.
    for (int row = 0; row < 3; ++row) {
        const double y = 470 - row * 55;
        hand.stroke(
            false, 110,
            [y, row](double s) {
                return QPointF(70 + 460 * s, y + (18 + 8 * row) * std::sin(s * 4 * M_PI));
            },
            [row](double s) { return (0.4 + 0.3 * row) * swell(s); });
    }
    // A blue loop, wider, as the colour well and the slider set them.
    const Color blue {0.1f, 0.35f, 0.85f, 1.0f};
    canvas->setColor(&blue);
    canvas->setBrushSize(16);
    hand.stroke(
        false, 160,
        [](double s) {
            const double a = s * 2.2 * M_PI;
            return QPointF(300 + 150 * std::cos(a) * (1 - 0.3 * s), 230 + 90 * std::sin(a));
        },
        [](double s) { return 0.3 + 0.7 * std::sin(M_PI * std::min(1.0, s * 1.3)); });

    // The second slot, orange, for a quick flourish.
    canvas->setActiveColor(2);
    const Color orange {0.95f, 0.5f, 0.1f, 1.0f};
    canvas->setColor(&orange);
    hand.stroke(
        false, 90,
        [](double s) { return QPointF(120 + 360 * s, 120 + 60 * std::sin(s * 3 * M_PI) * s); },
        swell);

    // The pen turned over: the eraser cuts a gap through the waves and the loop.
    hand.proximity(false, false);
    hand.proximity(true, true);
    canvas->setBrushSize(26);
    hand.stroke(
        true, 80, [](double s) { return QPointF(330 + 40 * s, 520 - 360 * s); },
        [](double) { return 0.9; });
    hand.proximity(false, true);
    hand.proximity(true, false);

    // A chained line with the mouse in the third slot: Shift anchors it, Ctrl chains each
    // corner, the last click ends it.
    canvas->setActiveColor(3);
    const Color green {0.1f, 0.5f, 0.25f, 1.0f};
    canvas->setColor(&green);
    canvas->setBrushSize(6);
    hand.click({90, 60}, Qt::ShiftModifier);
    hand.glide({90, 60}, {250, 150}, Qt::NoModifier);
    hand.click({250, 150}, Qt::ControlModifier);
    hand.glide({250, 150}, {410, 60}, Qt::NoModifier);
    hand.click({410, 60}, Qt::ControlModifier);
    hand.glide({410, 60}, {540, 150}, Qt::ShiftModifier);
    hand.click({540, 150}, Qt::ShiftModifier);

    // A slip of the pen, taken back from the Edit menu.
    hand.stroke(
        false, 40, [](double s) { return QPointF(500 - 200 * s, 540 - 20 * s); }, swell);
    if (QAction *undo = document.window()->findChild<QAction *>(QStringLiteral("undo:")))
        undo->trigger();
    else
        canvas->undo();
    pause(300);
    hand.proximity(false, false);
}
} // namespace

int main(int argc, char **argv)
{
    TabletApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: record_demo OUT.jsonl\n");
        return 2;
    }
    // The demo starts from a fresh store, as every replay does.
    QTemporaryDir settings;
    Preferences::resetStandard(settings.filePath(QStringLiteral("Inkpond.conf")));
    CanvasDialogs dialogs;
    const std::unique_ptr<DocumentController> controller
        = InkpondDocument::newDocumentController(&Preferences::standard, dialogs);
    DocumentController &documents = *controller;
    auto *document
        = qobject_cast<InkpondDocument *>(documents.openUntitledDocumentAndDisplay(true, nullptr));
    if (!document || !document->canvas())
        return 1;
    pause(200);
    auto writer = std::make_unique<SessionWriter>();
    if (!writer->open(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "record_demo: %s\n", qPrintable(writer->errorString()));
        return 2;
    }
    {
        SessionRecorder recorder(std::move(writer));
        drawDemo(*document);
    }
    document->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
