#pragma once

#include <QObject>
#include <QPointer>
#include <deque>
#include <functional>
#include <memory>

class QEvent;

// Keeps keyboard input, shortcuts and menu commands back while the pen paints a freehand stroke,
// and runs them in their order once the stroke has ended, so that nothing (an undo, a clear)
// acts on the stroke that is being painted.
class HeldInput : public QObject
{
    Q_OBJECT

public:
    explicit HeldInput(QObject *parent = nullptr);
    ~HeldInput() override;

    void hold();
    // Stops holding and runs what was held.
    void release();
    bool isHolding() const { return mHolding; }

    // Runs the command now, or after the release while holding.
    void defer(std::function<void()> command);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Held
    {
        QPointer<QObject> receiver;
        std::shared_ptr<QEvent> event; // null for a deferred command
        std::function<void()> command;
    };

    std::deque<Held> mHeld;
    bool mHolding = false;
};
