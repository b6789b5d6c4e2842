#include "SessionRecorder.h"

#include "CanvasCore.h"
#include "Logging.h"
#include "MainMenu.h"
#include "NotificationCenter.h"
#include "PenSettings.h"
#include "PreferenceKeys.h"
#include "Preferences.h"
#include "ProximityEvent.h"
#include "SessionWriter.h"
#include "WTView.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QJsonArray>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMetaEnum>

namespace {
using Kind = SessionEvent::Kind;

QJsonArray viewValue(const ViewTransform &view)
{
    return view.toJson();
}

QStringList modifierNames(Qt::KeyboardModifiers m)
{
    QStringList names;
    if (m & Qt::ShiftModifier)
        names << QStringLiteral("shift");
    if (m & Qt::AltModifier)
        names << QStringLiteral("alt");
    if (m & Qt::ControlModifier)
        names << QStringLiteral("ctrl");
    return names;
}

// The button Escape or the close box would choose, as QMessageBox picks it.
QAbstractButton *escapeButtonOf(const QMessageBox *box)
{
    if (box->escapeButton())
        return box->escapeButton();
    const QList<QAbstractButton *> buttons = box->buttons();
    if (buttons.size() == 1)
        return buttons.first();
    for (QMessageBox::ButtonRole role : {QMessageBox::RejectRole, QMessageBox::NoRole}) {
        QAbstractButton *found = nullptr;
        int count = 0;
        for (QAbstractButton *b : buttons)
            if (box->buttonRole(b) == role) {
                found = b;
                ++count;
            }
        if (count == 1)
            return found;
    }
    return nullptr;
}
} // namespace

SessionRecorder::SessionRecorder(std::unique_ptr<SessionWriter> writer, QObject *parent)
    : QObject(parent)
    , mWriter(std::move(writer))
{
    mClock.start();
    // The arrival goes into the recording before the tool change it brings.
    NotificationCenter::defaultCenter().addObserverFirst(
        this, kProximityNotification, [this](const Notification &n) { recordProximity(n); });
    // Windows that are already there: their actions and their shown canvases.
    for (QWidget *top : QApplication::topLevelWidgets()) {
        for (QAction *action : top->findChildren<QAction *>())
            watchAction(action);
        for (WTView *canvas : top->findChildren<WTView *>())
            if (canvas->isVisible())
                watchCanvas(canvas);
    }
    QCoreApplication::instance()->installEventFilter(this);
}

SessionRecorder::~SessionRecorder()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    NotificationCenter::defaultCenter().removeObserver(this);
}

void SessionRecorder::recordAction(const QString &name, const QJsonValue &value)
{
    SessionEvent e;
    e.kind = Kind::Action;
    e.name = name;
    e.value = value;
    record(std::move(e));
}

void SessionRecorder::record(SessionEvent event)
{
    event.t = mClock.elapsed();
    if (mWriter->write(event) || mToldFailure)
        return;
    // The program goes on; only the recording stops.
    mToldFailure = true;
    qCWarning(lcSession).noquote().nospace()
        << "recording to " << mWriter->fileName() << " stopped: " << mWriter->errorString();
}

QString SessionRecorder::pointerName(PointerType pointerType)
{
    switch (pointerType) {
    case PointerType::Pen:
        return QStringLiteral("pen");
    case PointerType::Cursor:
        return QStringLiteral("cursor");
    case PointerType::Eraser:
        return QStringLiteral("eraser");
    default:
        return QStringLiteral("unknown");
    }
}

QString SessionRecorder::keyName(int key)
{
    const char *name = QMetaEnum::fromType<Qt::Key>().valueToKey(key);
    if (!name)
        return {};
    return QString::fromLatin1(name).mid(4); // "Key_"
}

QString SessionRecorder::answerName(int buttonRole)
{
    switch (buttonRole) {
    case QMessageBox::AcceptRole:
    case QMessageBox::YesRole:
    case QMessageBox::ApplyRole:
        return QStringLiteral("default");
    case QMessageBox::RejectRole:
    case QMessageBox::NoRole:
        return QStringLiteral("alternate");
    case QMessageBox::DestructiveRole:
        return QStringLiteral("other");
    default:
        return {};
    }
}

bool SessionRecorder::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (qobject_cast<WTView *>(watched))
            recordKey(event);
        break;
    case QEvent::Show:
        if (auto *canvas = qobject_cast<WTView *>(watched))
            watchCanvas(canvas);
        else if (auto *box = qobject_cast<QMessageBox *>(watched))
            watchQuestion(box);
        break;
    case QEvent::Close:
        if (auto *box = qobject_cast<QMessageBox *>(watched))
            questionClosing(box);
        break;
    case QEvent::ActionAdded:
        watchAction(static_cast<QActionEvent *>(event)->action());
        break;
    default:
        break;
    }
    return false;
}

SessionEvent SessionRecorder::sampleEvent(SampleKind kind, const PointerSample &sample)
{
    SessionEvent e;
    switch (kind) {
    case SampleKind::Press:
        e.kind = Kind::Press;
        break;
    case SampleKind::Move:
        e.kind = Kind::Move;
        break;
    case SampleKind::Release:
        e.kind = Kind::Release;
        break;
    case SampleKind::Hover:
        e.kind = Kind::Hover;
        break;
    }
    if (sample.isTablet) {
        e.pointer = pointerName(sample.tool);
        e.pressure = sample.pressure;
        e.tiltX = sample.tiltX;
        e.tiltY = sample.tiltY;
    } else {
        e.pointer = QStringLiteral("mouse");
    }
    e.modifiers = modifierNames(sample.modifiers);
    e.x = sample.position.x;
    e.y = sample.position.y;
    return e;
}

void SessionRecorder::recordKey(QEvent *event)
{
    SessionEvent e;
    e.kind = Kind::Key;
    e.key = keyName(static_cast<QKeyEvent *>(event)->key());
    if (!e.key.isEmpty())
        record(std::move(e));
}

void SessionRecorder::recordProximity(const Notification &notification)
{
    const auto p = proximityFromUserInfo(notification.userInfo);
    // Types beyond the four change no canvas and have no name in the format.
    const auto type = p ? pointerTypeOf(p->pointingDeviceType) : std::nullopt;
    if (!type)
        return;
    SessionEvent e;
    e.kind = Kind::Proximity;
    e.enter = p->isEnteringProximity;
    e.pointer = pointerName(*type);
    e.id = p->pointingDeviceID;
    record(std::move(e));
}

// The tool each tablet pointer brings back, where the user's preferences differ from a fresh
// store: announced by that pointer's arrival, then chosen.
void SessionRecorder::recordRememberedTools(const Preferences &prefs)
{
    mRememberedToolsRecorded = true;
    bool any = false;
    for (PointerType type : {PointerType::Eraser, PointerType::Cursor, PointerType::Unknown}) {
        const QString key = PreferenceKeys::toolKeyForPointerType(type);
        const auto stored = Preferences::toInteger(prefs.objectForKey(key));
        const auto fresh = Preferences::toInteger(prefs.registeredDefault(key));
        if (!stored || *stored < 0 || *stored > PenSettings::kSlots || stored == fresh)
            continue;
        SessionEvent arrival;
        arrival.kind = Kind::Proximity;
        arrival.enter = true;
        arrival.pointer = pointerName(type);
        record(arrival);
        recordSetting(QStringLiteral("setActiveColor:"), double(*stored));
        any = true;
    }
    if (any) {
        SessionEvent pen;
        pen.kind = Kind::Proximity;
        pen.enter = true;
        pen.pointer = pointerName(PointerType::Pen);
        record(pen);
    }
}

void SessionRecorder::recordSetting(const QString &name, const QJsonValue &value)
{
    recordAction(name, value); // a setting replays as the action that sets it
}

void SessionRecorder::watchCanvas(WTView *canvas)
{
    if (mCanvases.count(canvas))
        return;
    if (!mRememberedToolsRecorded)
        recordRememberedTools(canvas->core().penSettings().store());
    PenState &state = mCanvases[canvas];
    for (int slot = 0; slot < PenSettings::kSlots; ++slot) {
        state.colors[size_t(slot)] = canvas->core().penSettings().color(slot);
        state.widths[size_t(slot)] = canvas->core().penSettings().brushSize(slot);
        recordSetting(QStringLiteral("setActiveColor:"), slot + 1);
        recordSetting(QStringLiteral("setColor:"), colorValue(state.colors[size_t(slot)]));
        recordSetting(QStringLiteral("setBrushSize:"), double(state.widths[size_t(slot)]));
        state.brushes[size_t(slot)] = canvas->core().penSettings().brushKind(slot);
        recordSetting(QStringLiteral("setBrushKind:"), Brush::name(state.brushes[size_t(slot)]));
    }
    state.rubber = canvas->core().penSettings().rubberSize();
    recordSetting(QStringLiteral("setActiveColor:"), 0);
    recordSetting(QStringLiteral("setBrushSize:"), double(state.rubber));
    recordSetting(QStringLiteral("setBgType:"), double(canvas->bgType()));
    state.tool = canvas->activeColor();
    recordSetting(QStringLiteral("setActiveColor:"), state.tool);
    recordPenInput(*canvas, state);
    // A replay starts from the default view; only another one needs telling.
    if (!canvas->viewport().view().isDefault())
        recordSetting(QStringLiteral("setView:"), viewValue(canvas->viewport().view()));

    // Pointer samples as the canvas acts on them.
    connect(&canvas->core(), &CanvasCore::sampleTaken, this,
            [this](SampleKind kind, const PointerSample &sample) {
                record(sampleEvent(kind, sample));
            });
    connect(canvas, &WTView::penChanged, this, [this, canvas] { penChanged(canvas); });
    connect(canvas, &WTView::bgTypeChanged, this,
            [this](float type) { recordSetting(QStringLiteral("setBgType:"), double(type)); });
    connect(canvas, &WTView::commandChosen, this, &SessionRecorder::recordAction);
    // The view however it changed (menus, keys, wheel, drags, scroll bars), since what a crop to
    // the visible area keeps depends on it.
    connect(canvas, &WTView::viewChanged, this, [this, canvas] {
        recordSetting(QStringLiteral("setView:"), viewValue(canvas->viewport().view()));
    });
    connect(&canvas->core(), &CanvasCore::lineModeChanged, this, [this](CanvasCore::LineMode mode) {
        recordSetting(QStringLiteral("setLineMode:"), int(mode));
    });
    connect(canvas, &QObject::destroyed, this, [this, canvas] { mCanvases.erase(canvas); });
}

// A setting changes through one setter at a time; comparing with what was recorded last tells
// which, and leaves out the setters' own re-application of unchanged values.
void SessionRecorder::penChanged(WTView *canvas)
{
    const auto found = mCanvases.find(canvas);
    if (found == mCanvases.end())
        return;
    PenState &state = found->second;
    recordPenInput(*canvas, state);
    const int tool = canvas->activeColor();
    if (tool != state.tool) {
        state.tool = tool;
        recordSetting(QStringLiteral("setActiveColor:"), tool);
    }
    if (tool == 0) {
        if (canvas->core().penSettings().rubberSize() != state.rubber) {
            state.rubber = canvas->core().penSettings().rubberSize();
            recordSetting(QStringLiteral("setBrushSize:"), double(state.rubber));
        }
        recordBrushes(*canvas, state);
        return;
    }
    const auto slot = size_t(PenSettings::slotOfTool(tool));
    if (slot >= size_t(PenSettings::kSlots))
        return;
    if (canvas->core().penSettings().color(int(slot)) != state.colors[slot]) {
        state.colors[slot] = canvas->core().penSettings().color(int(slot));
        recordSetting(QStringLiteral("setColor:"), colorValue(state.colors[slot]));
    }
    if (canvas->core().penSettings().brushSize(int(slot)) != state.widths[slot]) {
        state.widths[slot] = canvas->core().penSettings().brushSize(int(slot));
        recordSetting(QStringLiteral("setBrushSize:"), double(state.widths[slot]));
    }
    recordBrushes(*canvas, state);
}

// The active slot's nib, as a replay sets it; another slot's (from the preferences) by
// choosing that slot for the while, then the slot the eraser gives back and the tool in use.
void SessionRecorder::recordBrushes(const WTView &canvas, PenState &state)
{
    const PenSettings &pen = canvas.core().penSettings();
    const bool erasing = canvas.core().erasing();
    const int active = erasing ? -1 : PenSettings::slotOfTool(state.tool);
    for (int slot = 0; slot < PenSettings::kSlots; ++slot) {
        BrushKind &recorded = state.brushes[size_t(slot)];
        if (pen.brushKind(slot) == recorded)
            continue;
        recorded = pen.brushKind(slot);
        if (slot != active)
            recordSetting(QStringLiteral("setActiveColor:"), slot + 1);
        recordSetting(QStringLiteral("setBrushKind:"), Brush::name(recorded));
        if (slot == active)
            continue;
        if (erasing && canvas.core().toolBeforeEraser() != slot + 1)
            recordSetting(QStringLiteral("setActiveColor:"), canvas.core().toolBeforeEraser());
        recordSetting(QStringLiteral("setActiveColor:"), state.tool);
    }
}

// Each pen input setting that differs from what was recorded last.
void SessionRecorder::recordPenInput(const WTView &canvas, PenState &state)
{
    const PenSettings &pen = canvas.core().penSettings();
    const int preset = int(pen.pressureCurvePreset());
    if (state.curvePreset != preset) {
        state.curvePreset = preset;
        recordSetting(QStringLiteral("setPressureCurve:"), preset);
    }
    const std::vector<float> custom = pen.customPressureCurve().numbers();
    if (state.customCurve != custom) {
        state.customCurve = custom;
        QJsonArray numbers;
        for (float v : custom)
            numbers.append(double(v));
        recordSetting(QStringLiteral("setCustomPressureCurve:"), numbers);
    }
    if (state.minimumWidth != pen.minimumWidth()) {
        state.minimumWidth = pen.minimumWidth();
        recordSetting(QStringLiteral("setMinimumWidth:"), double(pen.minimumWidth()));
    }
    if (state.smoothing != pen.smoothing()) {
        state.smoothing = pen.smoothing();
        recordSetting(QStringLiteral("setSmoothing:"), pen.smoothing());
    }
    if (state.undoDepth != pen.undoDepth()) {
        state.undoDepth = pen.undoDepth();
        recordSetting(QStringLiteral("setUndoDepth:"), pen.undoDepth());
    }
    if (state.eraserShape != pen.eraserShape()) {
        state.eraserShape = pen.eraserShape();
        recordSetting(QStringLiteral("setEraserShape:"), Brush::name(pen.eraserShape()));
    }
    if (state.airbrushHardness != canvas.core().airbrushHardness()) {
        state.airbrushHardness = canvas.core().airbrushHardness();
        recordSetting(QStringLiteral("setAirbrushHardness:"), double(*state.airbrushHardness));
    }
    if (state.everyPointerIsTip != pen.treatsEveryPointerAsTip()) {
        state.everyPointerIsTip = pen.treatsEveryPointerAsTip();
        recordSetting(QStringLiteral("setTreatEveryPointerAsTip:"),
                      pen.treatsEveryPointerAsTip() ? 1 : 0);
    }
}

void SessionRecorder::watchAction(QAction *action)
{
    if (!action || mActions.contains(action))
        return;
    mActions.insert(action);
    connect(action, &QAction::triggered, this, [this, action] { actionTriggered(action); });
    connect(action, &QObject::destroyed, this, [this, action] { mActions.remove(action); });
}

void SessionRecorder::actionTriggered(QAction *action)
{
    const QString name = action->objectName();
    const auto shape = actionValueShape(name);
    if (shape == ActionValue::None) {
        recordAction(name);
    } else if (shape == ActionValue::RectOrNone) {
        // The rectangle the command found visible, left on it by the menu.
        const QVariant cropped = action->property(kCroppedRectProperty);
        if (cropped.typeId() == QMetaType::QRectF) {
            const QRectF r = cropped.toRectF();
            recordAction(name, QJsonArray {r.x(), r.y(), r.width(), r.height()});
        } else {
            recordAction(name);
        }
    } else if (name == QLatin1String("cropResizeToFixedSize:")) {
        if (const auto tag = Preferences::toInteger(action->property("tag")))
            recordAction(name, double(*tag));
    }
    // The custom size is recorded by its command once the size is chosen; the pen and paper
    // settings are observed on the canvas.
}

void SessionRecorder::watchQuestion(QMessageBox *box)
{
    if (mQuestions.contains(box))
        return;
    mQuestions.insert(box);
    connect(box, &QMessageBox::buttonClicked, this, [this, box](QAbstractButton *button) {
        recordAnswer(answerName(box->buttonRole(button)));
    });
    connect(box, &QObject::destroyed, this, [this, box] { mQuestions.remove(box); });
}

// Closed from the window system rather than by a button: Qt answers with the escape button.
void SessionRecorder::questionClosing(QMessageBox *box)
{
    if (!box->isVisible() || box->clickedButton())
        return;
    QAbstractButton *escape = escapeButtonOf(box);
    if (escape)
        recordAnswer(answerName(box->buttonRole(escape)));
}

void SessionRecorder::recordAnswer(const QString &answer)
{
    if (answer.isEmpty())
        return;
    SessionEvent e;
    e.kind = Kind::Answer;
    e.answer = answer;
    record(std::move(e));
}
