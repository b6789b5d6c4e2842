#pragma once

#include "Geometry.h"
#include "SessionEvent.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <vector>

class QAction;
class QMessageBox;
class QPointingDevice;
class WTView;

// Feeds a recording to a canvas through the paths real input takes: Qt tablet and mouse events
// sent to the canvas at the widget position of each sheet point, proximity through the
// application, keys to the window's focus widget, commands through the window's actions of
// those names (the canvas's own commands where the window has none), and answers to the message
// box that is open. Everything goes through QApplication::notify, as a real event does.
class SessionReplayer : public QObject
{
    Q_OBJECT

public:
    enum class Pace {
        AsFastAsPossible,
        Realtime, // the recorded intervals between events
    };

    struct Statistics
    {
        int events = 0;
        int samples = 0; // press, move, release and hover events
        qint64 wallNanoseconds = 0;
        std::vector<qint64> sampleNanoseconds; // delivery of each sample, in order
        // The longest dispatch of any one event; slowestEvent is 1-based, 0 before the first.
        qint64 slowestNanoseconds = 0;
        int slowestEvent = 0;
        SessionEvent::Kind slowestKind = SessionEvent::Kind::Move;
        double slowestMilliseconds() const { return double(slowestNanoseconds) / 1e6; }
        double samplesPerSecond() const;
        // Nearest-rank percentile of the delivery times, in milliseconds.
        double percentileMilliseconds(double percent) const;
        QString summary() const;
    };

    SessionReplayer(std::vector<SessionEvent> events, WTView *canvas, QObject *parent = nullptr);
    ~SessionReplayer() override;

    void setPace(Pace pace) { mPace = pace; }
    // Starts on the event loop; finished() follows the last event. In a batch as fast as
    // possible, the loop runs (and paints) about once per display frame.
    void start();
    // Runs the whole replay in a local event loop and returns when it is done.
    void replayAll();
    bool isFinished() const { return mFinished; }

    const Statistics &statistics() const { return mStats; }
    // Lines that could not be replayed as recorded: no question open, no panel to fill, a
    // refused command. One each, with the number of its event (1 for the first).
    const QStringList &warnings() const { return mWarnings; }

    // The widget position whose sheet point is exactly p, for any p the canvas gave a recording.
    static QPointF widgetPointFor(const WTView &canvas, Point p);

signals:
    void finished();

private:
    void step();
    void dispatch(const SessionEvent &event);
    void sendProximity(const SessionEvent &event);
    void sendPointer(const SessionEvent &event);
    void sendKey(const SessionEvent &event);
    void performAction(const SessionEvent &event);
    bool performLayerCommand(const SessionEvent &e);
    bool performPenInputSetting(const SessionEvent &event); // false for another action
    void fillCustomSize(const SessionEvent &event);
    void answer(const SessionEvent &event);
    QAction *windowAction(const QString &name, const QJsonValue &tag) const;
    QMessageBox *openQuestion() const;
    void warn(const QString &what);
    void finish();

    std::vector<SessionEvent> mEvents;
    QPointer<WTView> mCanvas;
    Pace mPace = Pace::AsFastAsPossible;
    std::size_t mNext = 0;
    bool mStarted = false;
    bool mFinished = false;
    QElapsedTimer mWall;
    Statistics mStats;
    QStringList mWarnings;
};
