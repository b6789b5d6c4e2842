#include "HeldInput.h"

#include <QCoreApplication>
#include <QEvent>

HeldInput::HeldInput(QObject *parent)
    : QObject(parent)
{
}

HeldInput::~HeldInput()
{
    if (mHolding && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

void HeldInput::hold()
{
    if (mHolding || !QCoreApplication::instance())
        return;
    mHolding = true;
    QCoreApplication::instance()->installEventFilter(this);
}

void HeldInput::release()
{
    if (!mHolding)
        return;
    mHolding = false;
    QCoreApplication::instance()->removeEventFilter(this);
    // What runs now may hold again (a new stroke from a nested event loop); it keeps its own list.
    std::deque<Held> held;
    held.swap(mHeld);
    for (Held &h : held) {
        if (h.command)
            h.command();
        else if (h.receiver)
            QCoreApplication::sendEvent(h.receiver, h.event.get());
    }
}

void HeldInput::defer(std::function<void()> command)
{
    if (!mHolding) {
        command();
        return;
    }
    mHeld.push_back({nullptr, nullptr, std::move(command)});
}

bool HeldInput::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut: // keyboard shortcuts of actions, menu items included
        mHeld.push_back({watched, std::shared_ptr<QEvent>(event->clone()), {}});
        return true;
    default:
        return false;
    }
}
