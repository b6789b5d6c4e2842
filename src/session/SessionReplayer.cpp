#include "SessionReplayer.h"

#include "Assert.h"
#include "LayerCommands.h"
#include "MyResizePanel.h"
#include "NotificationCenter.h"
#include "PenSettings.h"
#include "ProximityEvent.h"
#include "SessionRecorder.h"
#include "TabletProximityRecord.h"
#include "WTView.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaEnum>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabletEvent>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
using Kind = SessionEvent::Kind;

// About one display frame: in a fast replay the event loop runs (and paints) this often.
constexpr qint64 kBatchMilliseconds = 16;

// Commands and answers may open a question or leave work for the event loop, which is to run
// before the next line. Settings, keys and pointer events need no turn of it (and a turn after
// each setting would write the preferences file after each).
bool wantsEventLoop(const SessionEvent &e)
{
    return e.kind == Kind::Answer
        || (e.kind == Kind::Action && !e.name.startsWith(QLatin1String("set")));
}

PointerType pointerType(const QString &name)
{
    if (name == QLatin1String("pen"))
        return PointerType::Pen;
    if (name == QLatin1String("eraser"))
        return PointerType::Eraser;
    if (name == QLatin1String("cursor"))
        return PointerType::Cursor;
    return PointerType::Unknown;
}

// One device per kind of tablet pointer, owned by the application, which outlives every event
// that names it.
const QPointingDevice *tabletDevice(const QString &pointer)
{
    static const QPointingDevice *devices[4] = {};
    const auto type = quint8(pointerType(pointer));
    if (!devices[type]) {
        static const QPointingDevice::PointerType kQtTypes[4]
            = {QPointingDevice::PointerType::Unknown, QPointingDevice::PointerType::Pen,
               QPointingDevice::PointerType::Cursor, QPointingDevice::PointerType::Eraser};
        devices[type] = new QPointingDevice(
            QStringLiteral("replayed ") + pointer, 0x1e0700 + type,
            type == quint8(PointerType::Cursor) ? QInputDevice::DeviceType::Puck
                                                : QInputDevice::DeviceType::Stylus,
            kQtTypes[type],
            QInputDevice::Capability::Position | QInputDevice::Capability::Pressure
                | QInputDevice::Capability::XTilt | QInputDevice::Capability::YTilt,
            1, 3, QString(), QPointingDeviceUniqueId(), qApp);
    }
    return devices[type];
}

Qt::KeyboardModifiers modifiersFrom(const QStringList &names)
{
    Qt::KeyboardModifiers m;
    if (names.contains(QLatin1String("shift")))
        m |= Qt::ShiftModifier;
    if (names.contains(QLatin1String("alt")))
        m |= Qt::AltModifier;
    if (names.contains(QLatin1String("ctrl")))
        m |= Qt::ControlModifier;
    return m;
}

} // namespace

double SessionReplayer::Statistics::samplesPerSecond() const
{
    return wallNanoseconds > 0 ? samples * 1e9 / double(wallNanoseconds) : 0.0;
}

double SessionReplayer::Statistics::percentileMilliseconds(double percent) const
{
    if (sampleNanoseconds.empty())
        return 0.0;
    std::vector<qint64> sorted = sampleNanoseconds;
    std::sort(sorted.begin(), sorted.end());
    const auto rank = std::size_t(std::ceil(percent / 100.0 * double(sorted.size())));
    return double(sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1]) / 1e6;
}

QString SessionReplayer::Statistics::summary() const
{
    QString text
        = QStringLiteral("replayed %1 events, %2 samples in %3 s: %4 samples/s, per sample "
                         "median %5 ms, 99th percentile %6 ms")
              .arg(events)
              .arg(samples)
              .arg(double(wallNanoseconds) / 1e9, 0, 'f', 3)
              .arg(samplesPerSecond(), 0, 'f', 0)
              .arg(percentileMilliseconds(50), 0, 'f', 3)
              .arg(percentileMilliseconds(99), 0, 'f', 3);
    if (slowestEvent > 0)
        text += QStringLiteral(", slowest event %1 ms (#%2 %3)")
                    .arg(slowestMilliseconds(), 0, 'f', 1)
                    .arg(slowestEvent)
                    .arg(SessionEvent::kindName(slowestKind));
    return text;
}

SessionReplayer::SessionReplayer(std::vector<SessionEvent> events, WTView *canvas, QObject *parent)
    : QObject(parent)
    , mEvents(std::move(events))
    , mCanvas(canvas)
{
}

SessionReplayer::~SessionReplayer() = default;

QPointF SessionReplayer::widgetPointFor(const WTView &canvas, Point p)
{
    return canvas.viewport().widgetPoint(p);
}

void SessionReplayer::start()
{
    if (mStarted)
        return;
    mStarted = true;
    mWall.start();
    QTimer::singleShot(0, this, &SessionReplayer::step);
}

void SessionReplayer::replayAll()
{
    if (mFinished)
        return;
    QEventLoop loop;
    connect(this, &SessionReplayer::finished, &loop, &QEventLoop::quit);
    start();
    if (!mFinished)
        loop.exec();
}

void SessionReplayer::step()
{
    QElapsedTimer batch;
    batch.start();
    while (!mFinished && mNext < mEvents.size()) {
        if (!mCanvas) {
            warn(QStringLiteral("the canvas was closed; the rest is not replayed"));
            break;
        }
        const SessionEvent &e = mEvents[mNext];
        if (mPace == Pace::Realtime) {
            // Events made in code may have any time; as read, times lie within these bounds.
            auto readable = [](qint64 t) { return std::clamp<qint64>(t, 0, kLatestSessionTime); };
            const qint64 due = readable(e.t) - readable(mEvents.front().t);
            const qint64 now = mWall.elapsed();
            if (due > now) {
                QTimer::singleShot(int(std::min<qint64>(due - now, 1 << 30)), Qt::PreciseTimer,
                                   this, &SessionReplayer::step);
                return;
            }
        }
        ++mNext;
        ++mStats.events;
        QElapsedTimer timer;
        timer.start();
        try {
            dispatch(e);
        } catch (const InternalInconsistency &failure) {
            // Refused as the application's event dispatch refuses it; the replay goes on.
            warn(QString::fromStdString(failure.report()));
        }
        if (const qint64 took = timer.nsecsElapsed(); took > mStats.slowestNanoseconds) {
            mStats.slowestNanoseconds = took;
            mStats.slowestEvent = mStats.events;
            mStats.slowestKind = e.kind;
        }
        if (wantsEventLoop(e) || batch.elapsed() >= kBatchMilliseconds) {
            if (mNext < mEvents.size())
                QTimer::singleShot(0, this, &SessionReplayer::step);
            else
                QTimer::singleShot(0, this, &SessionReplayer::finish);
            return;
        }
    }
    finish();
}

void SessionReplayer::finish()
{
    if (mFinished)
        return;
    mFinished = true;
    mStats.wallNanoseconds = mWall.nsecsElapsed();
    emit finished();
}

void SessionReplayer::warn(const QString &what)
{
    mWarnings << QStringLiteral("event %1: %2").arg(mNext).arg(what);
}

void SessionReplayer::dispatch(const SessionEvent &e)
{
    switch (e.kind) {
    case Kind::Proximity:
        sendProximity(e);
        break;
    case Kind::Press:
    case Kind::Move:
    case Kind::Release:
    case Kind::Hover: {
        QElapsedTimer sample;
        sample.start();
        sendPointer(e);
        mStats.sampleNanoseconds.push_back(sample.nsecsElapsed());
        ++mStats.samples;
        break;
    }
    case Kind::Key:
        sendKey(e);
        break;
    case Kind::Action:
        performAction(e);
        break;
    case Kind::Answer:
        answer(e);
        break;
    }
}

void SessionReplayer::sendProximity(const SessionEvent &e)
{
    if (e.id == 0) {
        // Qt's route: the event goes to the application, which tells every canvas; an
        // application that does not take it leaves the monitor's route.
        QTabletEvent event(e.enter ? QEvent::TabletEnterProximity : QEvent::TabletLeaveProximity,
                           tabletDevice(e.pointer), QPointF(), QPointF(), 0, 0, 0, 0, 0, 0,
                           Qt::NoModifier, Qt::NoButton, Qt::NoButton);
        if (QApplication::sendEvent(qApp, &event))
            return;
    }
    // Qt numbers no second pointer: the tablet monitor's route keeps the pointer's index.
    TabletProximityRec rec;
    rec.pointerID = quint16(std::clamp(e.id, 0, 0xffff));
    rec.pointerType = quint8(pointerType(e.pointer));
    rec.enterProximity = e.enter ? 1 : 0;
    NotificationCenter::defaultCenter().post(
        kProximityNotification, qApp, {{kProximityEventCarbonKey, writeTabletProximityRec(rec)}});
}

void SessionReplayer::sendPointer(const SessionEvent &e)
{
    const QPointF local = widgetPointFor(*mCanvas, {e.x, e.y});
    const QPointF global = mCanvas->mapToGlobal(local);
    const Qt::KeyboardModifiers modifiers = modifiersFrom(e.modifiers);
    Qt::MouseButton button = Qt::NoButton;
    Qt::MouseButtons buttons = Qt::NoButton;
    QEvent::Type mouseType = QEvent::MouseMove;
    QEvent::Type tabletType = QEvent::TabletMove;
    switch (e.kind) {
    case Kind::Press:
        button = Qt::LeftButton;
        buttons = Qt::LeftButton;
        mouseType = QEvent::MouseButtonPress;
        tabletType = QEvent::TabletPress;
        break;
    case Kind::Move:
        buttons = Qt::LeftButton;
        break;
    case Kind::Release:
        button = Qt::LeftButton;
        mouseType = QEvent::MouseButtonRelease;
        tabletType = QEvent::TabletRelease;
        break;
    default:
        break;
    }
    if (e.pointer == QLatin1String("mouse")) {
        QMouseEvent event(mouseType, local, local, global, button, buttons, modifiers);
        QApplication::sendEvent(mCanvas, &event);
        return;
    }
    QTabletEvent event(tabletType, tabletDevice(e.pointer), local, global,
                       double(e.pressure.value_or(e.kind == Kind::Hover ? 0.0f : 1.0f)),
                       double(e.tiltX), double(e.tiltY), 0, 0, 0, modifiers, button, buttons);
    event.ignore();
    QApplication::sendEvent(mCanvas, &event);
}

void SessionReplayer::sendKey(const SessionEvent &e)
{
    bool known = false;
    const int key = QMetaEnum::fromType<Qt::Key>().keyToValue(
        (QStringLiteral("Key_") + e.key).toLatin1().constData(), &known);
    if (!known) {
        warn(QStringLiteral("Qt has no key \"%1\"").arg(e.key));
        return;
    }
    // Recorded where the canvas received it: the canvas, or the window when it passes it on.
    const QString text = key == Qt::Key_Escape ? QStringLiteral("\x1b") : QString();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(mCanvas, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(mCanvas, &release);
}

QAction *SessionReplayer::windowAction(const QString &name, const QJsonValue &tag) const
{
    for (QAction *action : mCanvas->window()->findChildren<QAction *>(name)) {
        if (!action->isEnabled())
            continue;
        if (tag.isUndefined() || tag.isNull()
            || action->property("tag").toDouble() == tag.toDouble())
            return action;
    }
    return nullptr;
}

void SessionReplayer::performAction(const SessionEvent &e)
{
    WTView &canvas = *mCanvas;
    const QString &name = e.name;
    // Settings, as the window's controls give them to the canvas.
    if (name == QLatin1String("setActiveColor:")) {
        const int tool = int(e.value.toDouble());
        if (tool < PenSettings::kEraserTool || tool > PenSettings::kSlots)
            warn(QStringLiteral("there is no tool %1").arg(tool));
        else
            canvas.setActiveColor(tool);
        return;
    }
    if (name == QLatin1String("setColor:")) {
        const Color color = colorFromValue(e.value);
        canvas.setColor(&color);
        return;
    }
    if (name == QLatin1String("setBrushSize:")) {
        canvas.setBrushSize(float(e.value.toDouble()));
        return;
    }
    if (name == QLatin1String("setBgType:")) {
        canvas.setBgType(float(e.value.toDouble()));
        return;
    }
    if (performPenInputSetting(e))
        return;
    if (name == QLatin1String("setView:")) {
        const QJsonArray v = e.value.toArray();
        ViewTransform view;
        view.setZoom(v[0].toDouble());
        view.setRotation(v[1].toDouble());
        view.setMirrored(v[2].toDouble() != 0.0);
        view.setPan({v[3].toDouble(), v[4].toDouble()});
        canvas.viewport().setView(view);
        return;
    }
    if (name == QLatin1String("setLineMode:")) {
        const int mode = int(e.value.toDouble());
        if (mode < int(CanvasCore::LineMode::Off) || mode > int(CanvasCore::LineMode::Chain))
            warn(QStringLiteral("there is no line mode %1").arg(mode));
        else
            canvas.core().setLineMode(CanvasCore::LineMode(mode));
        return;
    }
    if (name == QLatin1String("changesCleared:"))
        return;
    if (performLayerCommand(e))
        return;
    if (name == QLatin1String("resizeSheet:")) {
        const QJsonArray r = e.value.toArray();
        if (!canvas.core().applyResize({float(r[0].toDouble()), float(r[1].toDouble()),
                                        float(r[2].toDouble()), float(r[3].toDouble())}))
            warn(QStringLiteral("the sheet could not be resized"));
        return;
    }
    // The rectangle that was visible, whatever this window shows; the menu would take its own.
    if (name == QLatin1String("cropResize:") && e.value.isArray()) {
        const QJsonArray r = e.value.toArray();
        canvas.core().cropResizeToRect({float(r[0].toDouble()), float(r[1].toDouble()),
                                        float(r[2].toDouble()), float(r[3].toDouble())});
        return;
    }
    // Commands, as the menu sends them.
    const bool fixed = name == QLatin1String("cropResizeToFixedSize:");
    if (QAction *action = windowAction(name, fixed ? e.value : QJsonValue())) {
        action->trigger();
    } else if (name == QLatin1String("undo:")) {
        canvas.undo();
    } else if (name == QLatin1String("redo:")) {
        canvas.redo(); // disabled in the menu: nothing to redo, and the canvas beeps
    } else if (name == QLatin1String("copy:")) {
        canvas.copy();
    } else if (name == QLatin1String("copyWithBG:")) {
        canvas.copyWithBG();
    } else if (name == QLatin1String("clear:")) {
        canvas.clear();
    } else if (name == QLatin1String("cropResize:")) {
        canvas.cropResize(nullptr);
    } else if (fixed) {
        QObject sender;
        sender.setProperty("tag", int(e.value.toDouble()));
        canvas.cropResizeToFixedSize(&sender);
    } else if (name == QLatin1String("cropResizeToCustomSize:")) {
        canvas.cropResizeToCustomSize(nullptr);
    }
    if (name == QLatin1String("cropResizeToCustomSize:"))
        fillCustomSize(e);
}

bool SessionReplayer::performLayerCommand(const SessionEvent &e)
{
    CanvasCore &core = mCanvas->core();
    const QString &name = e.name;
    const int index = int(e.value.toDouble());
    if (name == LayerCommands::kSelect || name == LayerCommands::kMove) {
        if (index < 0 || index >= core.layerCount())
            warn(QStringLiteral("there is no layer %1").arg(index));
        else if (name == LayerCommands::kSelect)
            core.selectLayer(index);
        else
            core.moveLayer(index);
    } else if (name == LayerCommands::kNew) {
        core.newLayer();
    } else if (name == LayerCommands::kDuplicate) {
        core.duplicateLayer();
    } else if (name == LayerCommands::kDelete) {
        core.deleteLayer();
    } else if (name == LayerCommands::kMergeDown) {
        core.mergeLayerDown();
    } else if (name == LayerCommands::kFlatten) {
        core.flattenLayers();
    } else if (name == LayerCommands::kMovePixels) {
        const auto offset = LayerCommands::offsetFromJson(e.value);
        if (!offset || !core.moveLayerPixels(offset->first, offset->second))
            warn(QStringLiteral("the layer's pixels could not be moved"));
    } else if (name == LayerCommands::kPaste) {
        const auto placed = LayerCommands::pasteFromJson(e.value);
        if (!placed || !core.pasteLayerAt(placed->image, placed->x, placed->y))
            warn(QStringLiteral("the pasted image could not be placed"));
    } else if (name == LayerCommands::kProperties) {
        const auto p = LayerCommands::fromJson(e.value);
        if (!p || p->index >= core.layerCount())
            warn(QStringLiteral("the layer's properties name no layer"));
        else
            core.setLayerProperties(p->index, p->properties);
    } else {
        return false;
    }
    return true;
}

bool SessionReplayer::performPenInputSetting(const SessionEvent &e)
{
    PenSettings &pen = mCanvas->core().penSettings();
    const QString &name = e.name;
    if (name == QLatin1String("setPressureCurve:")) {
        const int preset = int(e.value.toDouble());
        if (preset < 0 || preset > int(PressureCurve::Preset::Custom))
            warn(QStringLiteral("there is no pressure curve %1").arg(preset));
        else
            pen.setPressureCurvePreset(PressureCurve::Preset(preset));
    } else if (name == QLatin1String("setCustomPressureCurve:")) {
        std::vector<float> numbers;
        for (const QJsonValue &v : e.value.toArray())
            numbers.push_back(float(v.toDouble()));
        if (const auto curve = PressureCurve::fromNumbers(numbers))
            pen.setCustomPressureCurve(*curve);
        else
            warn(QStringLiteral("the pressure curve's points make no curve"));
    } else if (name == QLatin1String("setMinimumWidth:")) {
        pen.setMinimumWidth(float(e.value.toDouble()));
    } else if (name == QLatin1String("setSmoothing:")) {
        pen.setSmoothing(int(e.value.toDouble()));
    } else if (name == QLatin1String("setUndoDepth:")) {
        const double depth = e.value.toDouble();
        if (depth < Picture::kMinUndoDepth || depth > Picture::kMaxUndoDepth)
            warn(QStringLiteral("an undo depth of %1 cannot be had").arg(depth));
        else
            mCanvas->core().setUndoDepth(int(depth));
    } else if (name == QLatin1String("setTreatEveryPointerAsTip:")) {
        mCanvas->core().setTreatsEveryPointerAsTip(e.value.toDouble() != 0.0);
    } else if (name == QLatin1String("setBrushKind:") || name == QLatin1String("setEraserShape:")) {
        // Checked as the line was read; events made in code may hold anything.
        const auto kind = Brush::fromName(e.value.toString());
        if (!kind)
            warn(QStringLiteral("there is no brush \"%1\"").arg(e.value.toString()));
        else if (name == QLatin1String("setBrushKind:"))
            mCanvas->core().setBrushKind(*kind);
        else
            mCanvas->core().setEraserShape(*kind);
    } else if (name == QLatin1String("setAirbrushHardness:")) {
        mCanvas->core().setAirbrushHardness(float(e.value.toDouble()));
    } else {
        return false;
    }
    return true;
}

// The recorded size goes into the panel's fields as if typed, then OK is pressed.
void SessionReplayer::fillCustomSize(const SessionEvent &e)
{
    MyResizePanel *controller = nullptr;
    if (mCanvas)
        for (MyResizePanel *c : mCanvas->findChildren<MyResizePanel *>())
            if (c->panel() && c->panel()->isVisible())
                controller = c;
    if (!controller) {
        warn(QStringLiteral("no custom-size panel opened"));
        return;
    }
    const QJsonArray size = e.value.toArray();
    const QString width = QString::number(size[0].toDouble(), 'g', 10);
    const QString height = QString::number(size[1].toDouble(), 'g', 10);
    QDialog *panel = controller->panel();
    auto *widthField = panel->findChild<QLineEdit *>(QStringLiteral("widthField"));
    auto *heightField = panel->findChild<QLineEdit *>(QStringLiteral("heightField"));
    auto *ok = panel->findChild<QPushButton *>(QStringLiteral("okButton"));
    if (widthField && heightField && ok) {
        widthField->setText(width);
        heightField->setText(height);
        ok->click();
        return;
    }
    controller->setWidth(width);
    controller->setHeight(height);
    controller->closeWithOk();
}

QMessageBox *SessionReplayer::openQuestion() const
{
    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        box && box->isVisible())
        return box;
    QMessageBox *found = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
            found = box;
    return found;
}

void SessionReplayer::answer(const SessionEvent &e)
{
    QMessageBox *box = openQuestion();
    if (!box) {
        warn(QStringLiteral("no question is open to answer \"%1\"").arg(e.answer));
        return;
    }
    QAbstractButton *chosen = nullptr;
    for (QAbstractButton *b : box->buttons()) {
        if (SessionRecorder::answerName(box->buttonRole(b)) != e.answer)
            continue;
        if (!chosen || b == box->defaultButton())
            chosen = b;
    }
    if (!chosen) {
        warn(QStringLiteral("the open question has no \"%1\" answer").arg(e.answer));
        return;
    }
    chosen->click();
}
