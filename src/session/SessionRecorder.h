#pragma once

#include "Color.h"
#include "PenSettings.h"
#include "PointerSample.h"
#include "ProximityEvent.h"
#include "SessionEvent.h"

#include <QElapsedTimer>
#include <QJsonValue>
#include <QObject>
#include <QSet>
#include <array>
#include <memory>
#include <optional>
#include <unordered_map>

class Preferences;
class QAction;
class QMessageBox;
class SessionWriter;
class WTView;
struct Notification;

// Records the input that reaches the canvases, as SessionEvent lines, from its construction
// until its destruction:
// - pointer samples as the canvases act on them (CanvasCore::sampleTaken), and key events as
//   they receive them (an application event filter);
// - tablet proximity as the canvases are told of it (kProximityNotification), by either route;
// - menu commands by their actions' object names ("undo:", "cropResizeToFixedSize:" with the
//   action's tag), whoever triggers them;
// - pen and background settings as the canvases take them, observed on the canvases, so that a
//   change made from any control is recorded once; each canvas's settings are written when it is
//   first shown, so a replay starts from the same pen and paper whatever its own preferences;
// - answers to message boxes, by the role of the button chosen.
// Commands whose value is known only when they run are recorded as the canvas reports them
// (WTView::commandChosen).
class SessionRecorder : public QObject
{
    Q_OBJECT

public:
    explicit SessionRecorder(std::unique_ptr<SessionWriter> writer, QObject *parent = nullptr);
    ~SessionRecorder() override;

    // Records the command with its value.
    void recordAction(const QString &name, const QJsonValue &value = {});

    SessionWriter &writer() const { return *mWriter; }
    // Writes the event, timed now.
    void record(SessionEvent event);

    // The tablet pointer names of the format, from Qt's types and the notification's numbers.
    static QString pointerName(PointerType pointerType);
    // Qt's name of a key without its "Key_" prefix ("Escape"); empty for a key Qt does not name.
    static QString keyName(int key);
    // "default", "alternate" or "other" for a button of a message box; empty for other roles.
    static QString answerName(int buttonRole);
    // A pointer sample as the canvas took it, in sheet coordinates.
    static SessionEvent sampleEvent(SampleKind kind, const PointerSample &sample);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct PenState
    {
        int tool = 1;
        std::array<Color, PenSettings::kSlots> colors;
        std::array<float, PenSettings::kSlots> widths {};
        std::array<BrushKind, PenSettings::kSlots> brushes {};
        float rubber = 0.0f;
        // Pen input settings, as recorded last; nothing before the first.
        std::optional<int> curvePreset;
        std::vector<float> customCurve;
        std::optional<float> minimumWidth;
        std::optional<int> smoothing;
        std::optional<bool> everyPointerIsTip;
        std::optional<int> undoDepth;
        std::optional<BrushKind> eraserShape;
        std::optional<float> airbrushHardness; // percent
    };

    void recordKey(QEvent *event);
    void recordProximity(const Notification &notification);
    void recordRememberedTools(const Preferences &prefs);
    void watchCanvas(WTView *canvas);
    void penChanged(WTView *canvas);
    void recordPenInput(const WTView &canvas, PenState &state);
    void recordBrushes(const WTView &canvas, PenState &state);
    void watchAction(QAction *action);
    void actionTriggered(QAction *action);
    void watchQuestion(QMessageBox *box);
    void questionClosing(QMessageBox *box);
    void recordSetting(const QString &name, const QJsonValue &value);
    void recordAnswer(const QString &answer);

    std::unique_ptr<SessionWriter> mWriter;
    QElapsedTimer mClock;
    bool mToldFailure = false;
    bool mRememberedToolsRecorded = false;
    std::unordered_map<const WTView *, PenState> mCanvases;
    QSet<QAction *> mActions;
    QSet<QMessageBox *> mQuestions;
};
