#pragma once

#include "Color.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class QIODevice;

// One input of a drawing session, as one line of a JSON Lines recording.
struct SessionEvent
{
    enum class Kind { Proximity, Press, Move, Release, Hover, Key, Action, Answer };

    Kind kind = Kind::Move;
    qint64 t = 0; // milliseconds since the recording started

    // Proximity: a tablet pointer arriving or leaving.
    bool enter = false;
    int id = 0;
    // Proximity and pointer events: "pen", "eraser", "cursor", "unknown", and for pointer events
    // also "mouse".
    QString pointer;

    // Pointer events, in sheet coordinates (points, origin bottom-left, y up).
    float x = 0.0f;
    float y = 0.0f;
    std::optional<float> pressure; // tablet pointers only
    // The pen's tilt in degrees, -90..90; left out of a line when 0.
    float tiltX = 0.0f;
    float tiltY = 0.0f;
    QStringList modifiers; // "shift", "alt", "ctrl"

    QString key; // Key: as Qt names it ("Escape")

    // Action: the command's name ("undo:", "setBrushSize:") and its value where it takes one.
    QString name;
    QJsonValue value;

    QString answer; // Answer: "default", "alternate" or "other"

    static QString kindName(Kind kind);
};

// The latest time a line may have: a year, in milliseconds. Later ones are refused when read,
// so that a replay at the recorded pace never waits for the unreachable.
inline constexpr qint64 kLatestSessionTime = 366LL * 24 * 60 * 60 * 1000;

// The line for an event, without its line break; its time is brought within 0 and
// kLatestSessionTime.
QByteArray formatSessionEvent(const SessionEvent &event);

// Reads one line strictly: nothing and a reason when it is not a well-formed event.
// Unknown keys are ignored so that the format can grow.
std::optional<SessionEvent> parseSessionEvent(const QByteArray &line, QString *error);

struct SessionReadResult
{
    std::vector<SessionEvent> events;
    int errorLine = 0; // 1-based line of the first malformed line; 0 when all were read
    QString error;
    bool ok() const { return errorLine == 0; }
};

// Every line of a recording; stops at the first malformed line. Blank lines are skipped. With
// tolerateCutLastLine, a last line without its line break that does not parse (a recording cut
// short by a crash) is dropped instead of reported.
// `check`, when given, sees each line first and names what is wrong with it, if anything.
using SessionLineCheck = std::function<QString(const QByteArray &line)>;
SessionReadResult readSession(QIODevice &device, bool tolerateCutLastLine = false,
                              const SessionLineCheck &check = {});

// A colour as the format writes it, [r, g, b, a], and back; black for a value of another shape.
QJsonArray colorValue(const Color &color);
Color colorFromValue(const QJsonValue &value);

// Whether the action takes a value, and of which shape. RectOrNone: a Rect that older recordings
// leave out. Brush: a nib's name; EraserShape: "pen" or "airbrush"; Percent: a number 0 to 100;
// LayerProperties: an object with the layer's index and what the user sees of it.
enum class ActionValue {
    None,
    Integer,
    Number,
    Colour,
    Size,
    Rect,
    RectOrNone,
    Points,
    View,
    Brush,
    EraserShape,
    Percent,
    LayerProperties,
    Offset,
    PastedImage
};
std::optional<ActionValue> actionValueShape(const QString &name);
