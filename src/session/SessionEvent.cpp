#include "SessionEvent.h"

#include "Brush.h"
#include "LayerCommands.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace {

using Kind = SessionEvent::Kind;

const std::pair<Kind, const char *> kKinds[] = {
    {Kind::Proximity, "proximity"}, {Kind::Press, "press"},   {Kind::Move, "move"},
    {Kind::Release, "release"},     {Kind::Hover, "hover"},   {Kind::Key, "key"},
    {Kind::Action, "action"},       {Kind::Answer, "answer"},
};

const QStringList kTabletPointers = {QStringLiteral("pen"), QStringLiteral("eraser"),
                                     QStringLiteral("cursor"), QStringLiteral("unknown")};
const QStringList kModifiers
    = {QStringLiteral("shift"), QStringLiteral("alt"), QStringLiteral("ctrl")};
const QStringList kAnswers
    = {QStringLiteral("default"), QStringLiteral("alternate"), QStringLiteral("other")};

// Field readers: each says what is wrong in *error and returns false.
struct Reader
{
    const QJsonObject &o;
    QString *error;

    bool fail(const QString &why) const
    {
        if (error)
            *error = why;
        return false;
    }
    bool has(const char *key) const { return o.contains(QLatin1String(key)); }
    bool number(const char *key, double *out) const
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return fail(QStringLiteral("missing field \"%1\"").arg(QLatin1String(key)));
        if (!v.isDouble() || !std::isfinite(v.toDouble()))
            return fail(QStringLiteral("field \"%1\" must be a number").arg(QLatin1String(key)));
        *out = v.toDouble();
        return true;
    }
    bool string(const char *key, QString *out, const QStringList &allowed = {}) const
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return fail(QStringLiteral("missing field \"%1\"").arg(QLatin1String(key)));
        if (!v.isString())
            return fail(QStringLiteral("field \"%1\" must be a string").arg(QLatin1String(key)));
        if (!allowed.isEmpty() && !allowed.contains(v.toString()))
            return fail(QStringLiteral("field \"%1\" has unknown value \"%2\"")
                            .arg(QLatin1String(key), v.toString()));
        *out = v.toString();
        return true;
    }
    bool boolean(const char *key, bool *out) const
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return fail(QStringLiteral("missing field \"%1\"").arg(QLatin1String(key)));
        if (!v.isBool())
            return fail(
                QStringLiteral("field \"%1\" must be true or false").arg(QLatin1String(key)));
        *out = v.toBool();
        return true;
    }
};

bool isWhole(double d)
{
    return std::isfinite(d) && d == std::trunc(d) && std::abs(d) <= 2147483647.0;
}

bool validValue(ActionValue shape, const QJsonValue &v)
{
    auto numbers = [&v](int n) {
        if (!v.isArray() || v.toArray().size() != n)
            return false;
        for (const QJsonValue &e : v.toArray())
            if (!e.isDouble() || !std::isfinite(e.toDouble()))
                return false;
        return true;
    };
    switch (shape) {
    case ActionValue::None:
        return v.isUndefined() || v.isNull();
    case ActionValue::Integer:
        return v.isDouble() && isWhole(v.toDouble());
    case ActionValue::Number:
        return v.isDouble() && std::isfinite(v.toDouble());
    case ActionValue::Colour:
        return numbers(4);
    case ActionValue::Size:
        return numbers(2);
    case ActionValue::Rect:
        return numbers(4);
    case ActionValue::RectOrNone:
        return v.isUndefined() || v.isNull() || numbers(4);
    case ActionValue::View:
        return numbers(5);
    case ActionValue::Points: {
        const qsizetype n = v.toArray().size();
        return n >= 4 && n % 2 == 0 && numbers(int(n));
    }
    case ActionValue::Brush:
        return v.isString() && Brush::fromName(v.toString());
    case ActionValue::EraserShape: {
        const auto shape = v.isString() ? Brush::fromName(v.toString()) : std::nullopt;
        return shape == BrushKind::Pen || shape == BrushKind::Airbrush;
    }
    case ActionValue::Percent:
        return v.isDouble() && v.toDouble() >= 0.0 && v.toDouble() <= 100.0;
    case ActionValue::LayerProperties:
        return LayerCommands::fromJson(v).has_value();
    case ActionValue::Offset:
        return LayerCommands::offsetFromJson(v).has_value();
    case ActionValue::PastedImage:
        return LayerCommands::pasteFromJson(v).has_value();
    }
    return false;
}

QString shapeText(ActionValue shape)
{
    switch (shape) {
    case ActionValue::None:
        return QStringLiteral("no value");
    case ActionValue::Integer:
        return QStringLiteral("a whole number");
    case ActionValue::Number:
        return QStringLiteral("a number");
    case ActionValue::Colour:
        return QStringLiteral("[r, g, b, a]");
    case ActionValue::Size:
        return QStringLiteral("[w, h]");
    case ActionValue::Rect:
        return QStringLiteral("[x, y, w, h]");
    case ActionValue::RectOrNone:
        return QStringLiteral("[x, y, w, h] or no value");
    case ActionValue::View:
        return QStringLiteral("[zoom, rotation, mirrored, panX, panY]");
    case ActionValue::Points:
        return QStringLiteral("[x0, y0, x1, y1, …]");
    case ActionValue::Brush:
        return QStringLiteral("\"pen\", \"pencil\", \"airbrush\" or \"marker\"");
    case ActionValue::EraserShape:
        return QStringLiteral("\"pen\" or \"airbrush\"");
    case ActionValue::Percent:
        return QStringLiteral("a number from 0 to 100");
    case ActionValue::LayerProperties:
        return QStringLiteral("{index, name, visible, opacity 0 to 1, mode, locked, alphaLocked}");
    case ActionValue::Offset:
        return QStringLiteral("[dx, dy] in whole pixels");
    case ActionValue::PastedImage:
        return QStringLiteral("{x, y, png: a base64 PNG of at most 64 MiB}");
    }
    return {};
}

} // namespace

QString SessionEvent::kindName(Kind kind)
{
    for (const auto &[k, name] : kKinds)
        if (k == kind)
            return QLatin1String(name);
    return {};
}

QJsonArray colorValue(const Color &c)
{
    return {double(c.red), double(c.green), double(c.blue), double(c.alpha)};
}

Color colorFromValue(const QJsonValue &value)
{
    const QJsonArray c = value.toArray();
    if (c.size() != 4)
        return {};
    return {float(c[0].toDouble()), float(c[1].toDouble()), float(c[2].toDouble()),
            float(c[3].toDouble())};
}

std::optional<ActionValue> actionValueShape(const QString &name)
{
    static const std::pair<const char *, ActionValue> kActions[] = {
        {"undo:", ActionValue::None},
        {"redo:", ActionValue::None},
        {"copy:", ActionValue::None},
        {"copyWithBG:", ActionValue::None},
        {"clear:", ActionValue::None},
        // The sheet rectangle that was visible; recordings before views had none.
        {"cropResize:", ActionValue::RectOrNone},
        {"cropResizeToFixedSize:", ActionValue::Integer},
        {"cropResizeToCustomSize:", ActionValue::Size},
        {"setActiveColor:", ActionValue::Integer},
        {"setColor:", ActionValue::Colour},
        {"setBrushSize:", ActionValue::Number},
        {"setBgType:", ActionValue::Number},
        // Tablet pressure and stroke input: the curve preset, the custom curve's points, the
        // minimum width fraction, the smoothing strength, every pointer as the tip (0 or 1).
        {"setPressureCurve:", ActionValue::Integer},
        {"setCustomPressureCurve:", ActionValue::Points},
        {"setMinimumWidth:", ActionValue::Number},
        {"setSmoothing:", ActionValue::Integer},
        {"setTreatEveryPointerAsTip:", ActionValue::Integer},
        // How many strokes can be undone; recordings before it had 10.
        {"setUndoDepth:", ActionValue::Integer},
        // The active slot's nib, the eraser's shape and the airbrush's hardness; recordings
        // before nibs painted with the pen.
        {"setBrushKind:", ActionValue::Brush},
        {"setEraserShape:", ActionValue::EraserShape},
        {"setAirbrushHardness:", ActionValue::Percent},
        // The canvas's view: zoom, degrees clockwise, mirrored (0 or 1), pan in widget pixels.
        {"setView:", ActionValue::View},
        // Lines without a key: 0 off, 1 the next line, 2 a chain of lines.
        {"setLineMode:", ActionValue::Integer},
        // The rectangle a crop or resize came to, whatever the window showed.
        {"resizeSheet:", ActionValue::Rect},
        // The user's layers, counted from the bottom; each acts on the current one.
        {"selectLayer:", ActionValue::Integer},
        {"newLayer:", ActionValue::None},
        {"duplicateLayer:", ActionValue::None},
        {"deleteLayer:", ActionValue::None},
        {"moveLayer:", ActionValue::Integer},
        {"mergeLayerDown:", ActionValue::None},
        {"flattenLayers:", ActionValue::None},
        {"setLayerProperties:", ActionValue::LayerProperties},
        // The current layer's pixels moved; a pasted image placed as a new layer above it.
        {"moveLayerPixels:", ActionValue::Offset},
        {"pasteLayer:", ActionValue::PastedImage},
        // Everything before it was saved; it changes nothing.
        {"changesCleared:", ActionValue::None},
    };
    for (const auto &[n, shape] : kActions)
        if (name == QLatin1String(n))
            return shape;
    return std::nullopt;
}

namespace {
// A process open for longer than the latest readable time still writes lines that read back.
qint64 writtenTime(qint64 t)
{
    return std::clamp<qint64>(t, 0, kLatestSessionTime);
}

bool isPlainWord(const QString &s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'a' && c <= u'z'; });
}

// A pointer line written as QJsonDocument writes it (keys in order, numbers in their shortest
// form), without building a JSON object: a journal writes hundreds of these at a stroke's end.
std::optional<QByteArray> formatPointerEvent(const SessionEvent &e)
{
    if (!isPlainWord(e.pointer)
        || !std::all_of(e.modifiers.begin(), e.modifiers.end(), isPlainWord))
        return std::nullopt;
    auto number
        = [](double v) { return QByteArray::number(v, 'g', QLocale::FloatingPointShortest); };
    QByteArray line;
    line.reserve(128);
    line += "{\"event\":\"";
    line += SessionEvent::kindName(e.kind).toLatin1();
    line += '"';
    if (!e.modifiers.isEmpty()) {
        line += ",\"modifiers\":[";
        for (qsizetype i = 0; i < e.modifiers.size(); ++i)
            line += (i ? ",\"" : "\"") + e.modifiers[i].toLatin1() + '"';
        line += ']';
    }
    line += ",\"pointer\":\"" + e.pointer.toLatin1() + '"';
    if (e.pressure && e.pointer != QLatin1String("mouse"))
        line += ",\"pressure\":" + number(double(*e.pressure));
    line += ",\"t\":" + number(double(writtenTime(e.t)));
    if (e.tiltX != 0.0f)
        line += ",\"tiltX\":" + number(double(e.tiltX));
    if (e.tiltY != 0.0f)
        line += ",\"tiltY\":" + number(double(e.tiltY));
    line += ",\"x\":" + number(double(e.x));
    line += ",\"y\":" + number(double(e.y));
    line += '}';
    return line;
}
} // namespace

QByteArray formatSessionEvent(const SessionEvent &e)
{
    const bool pointer = e.kind == Kind::Press || e.kind == Kind::Move || e.kind == Kind::Release
        || e.kind == Kind::Hover;
    if (pointer && std::isfinite(e.x) && std::isfinite(e.y)
        && (!e.pressure || std::isfinite(*e.pressure)) && std::isfinite(e.tiltX)
        && std::isfinite(e.tiltY))
        if (auto line = formatPointerEvent(e))
            return *line;
    QJsonObject o;
    o.insert(QStringLiteral("t"), double(writtenTime(e.t)));
    o.insert(QStringLiteral("event"), SessionEvent::kindName(e.kind));
    switch (e.kind) {
    case Kind::Proximity:
        o.insert(QStringLiteral("enter"), e.enter);
        o.insert(QStringLiteral("pointer"), e.pointer);
        o.insert(QStringLiteral("id"), e.id);
        break;
    case Kind::Press:
    case Kind::Move:
    case Kind::Release:
    case Kind::Hover:
        o.insert(QStringLiteral("x"), double(e.x));
        o.insert(QStringLiteral("y"), double(e.y));
        o.insert(QStringLiteral("pointer"), e.pointer);
        if (e.pressure && e.pointer != QLatin1String("mouse"))
            o.insert(QStringLiteral("pressure"), double(*e.pressure));
        if (e.tiltX != 0.0f)
            o.insert(QStringLiteral("tiltX"), double(e.tiltX));
        if (e.tiltY != 0.0f)
            o.insert(QStringLiteral("tiltY"), double(e.tiltY));
        if (!e.modifiers.isEmpty())
            o.insert(QStringLiteral("modifiers"), QJsonArray::fromStringList(e.modifiers));
        break;
    case Kind::Key:
        o.insert(QStringLiteral("key"), e.key);
        break;
    case Kind::Action:
        o.insert(QStringLiteral("name"), e.name);
        if (!e.value.isUndefined() && !e.value.isNull())
            o.insert(QStringLiteral("value"), e.value);
        break;
    case Kind::Answer:
        o.insert(QStringLiteral("answer"), e.answer);
        break;
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<SessionEvent> parseSessionEvent(const QByteArray &line, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (error)
            *error = QStringLiteral("not valid JSON: %1").arg(parseError.errorString());
        return std::nullopt;
    }
    if (!doc.isObject()) {
        if (error)
            *error = QStringLiteral("not a JSON object");
        return std::nullopt;
    }
    const QJsonObject o = doc.object();
    const Reader r {o, error};
    SessionEvent e;
    double t = 0;
    QString kind;
    if (!r.number("t", &t) || !r.string("event", &kind))
        return std::nullopt;
    if (t < 0) {
        r.fail(QStringLiteral("field \"t\" must not be negative"));
        return std::nullopt;
    }
    if (t > double(kLatestSessionTime)) {
        r.fail(QStringLiteral("field \"t\" must be at most %1 (a year)").arg(kLatestSessionTime));
        return std::nullopt;
    }
    e.t = qint64(t);
    bool known = false;
    for (const auto &[k, name] : kKinds)
        if (kind == QLatin1String(name)) {
            e.kind = k;
            known = true;
        }
    if (!known) {
        r.fail(QStringLiteral("unknown event \"%1\"").arg(kind));
        return std::nullopt;
    }

    double d = 0;
    switch (e.kind) {
    case Kind::Proximity:
        if (!r.boolean("enter", &e.enter) || !r.string("pointer", &e.pointer, kTabletPointers)
            || !r.number("id", &d))
            return std::nullopt;
        if (!isWhole(d) || d < 0) {
            r.fail(QStringLiteral("field \"id\" must be a whole number"));
            return std::nullopt;
        }
        e.id = int(d);
        break;
    case Kind::Press:
    case Kind::Move:
    case Kind::Release:
    case Kind::Hover: {
        double x = 0, y = 0;
        if (!r.number("x", &x) || !r.number("y", &y)
            || !r.string("pointer", &e.pointer,
                         kTabletPointers + QStringList {QStringLiteral("mouse")}))
            return std::nullopt;
        e.x = float(x);
        e.y = float(y);
        if (r.has("pressure")) {
            if (!r.number("pressure", &d))
                return std::nullopt;
            if (e.pointer != QLatin1String("mouse"))
                e.pressure = float(d);
        }
        const std::pair<const char *, float *> tilts[] = {{"tiltX", &e.tiltX}, {"tiltY", &e.tiltY}};
        for (const auto &[key, tilt] : tilts) {
            if (!r.has(key))
                continue;
            if (!r.number(key, &d))
                return std::nullopt;
            if (d < -90.0 || d > 90.0) {
                r.fail(QStringLiteral("field \"%1\" must be between -90 and 90")
                           .arg(QLatin1String(key)));
                return std::nullopt;
            }
            *tilt = float(d);
        }
        if (r.has("modifiers")) {
            const QJsonValue m = o.value(QStringLiteral("modifiers"));
            if (!m.isArray()) {
                r.fail(QStringLiteral("field \"modifiers\" must be a list"));
                return std::nullopt;
            }
            for (const QJsonValue &v : m.toArray()) {
                if (!v.isString() || !kModifiers.contains(v.toString())) {
                    r.fail(QStringLiteral("field \"modifiers\" holds an unknown modifier"));
                    return std::nullopt;
                }
                e.modifiers << v.toString();
            }
        }
        break;
    }
    case Kind::Key:
        if (!r.string("key", &e.key))
            return std::nullopt;
        break;
    case Kind::Action: {
        if (!r.string("name", &e.name))
            return std::nullopt;
        const auto shape = actionValueShape(e.name);
        if (!shape) {
            r.fail(QStringLiteral("unknown action \"%1\"").arg(e.name));
            return std::nullopt;
        }
        e.value = o.value(QStringLiteral("value"));
        if (*shape != ActionValue::None && *shape != ActionValue::RectOrNone
            && e.value.isUndefined()) {
            r.fail(QStringLiteral("missing field \"value\""));
            return std::nullopt;
        }
        if (!validValue(*shape, e.value)) {
            r.fail(
                QStringLiteral("field \"value\" of %1 must be %2").arg(e.name, shapeText(*shape)));
            return std::nullopt;
        }
        if (e.value.isUndefined())
            e.value = QJsonValue();
        break;
    }
    case Kind::Answer:
        if (!r.string("answer", &e.answer, kAnswers))
            return std::nullopt;
        break;
    }
    return e;
}

SessionReadResult readSession(QIODevice &device, bool tolerateCutLastLine,
                              const SessionLineCheck &check)
{
    SessionReadResult result;
    int lineNumber = 0;
    while (!device.atEnd()) {
        const QByteArray read = device.readLine();
        ++lineNumber;
        const bool complete = read.endsWith('\n');
        const QByteArray line = read.trimmed();
        if (line.isEmpty())
            continue;
        QString error = check ? check(line) : QString();
        std::optional<SessionEvent> event;
        if (error.isEmpty())
            event = parseSessionEvent(line, &error);
        if (!event) {
            if (!complete && tolerateCutLastLine && device.atEnd())
                break;
            result.errorLine = lineNumber;
            result.error = error;
            return result;
        }
        result.events.push_back(std::move(*event));
    }
    return result;
}
