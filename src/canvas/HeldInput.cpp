#include "HeldInput.h"

#include <QCoreApplication>
#include <QEvent>

HeldInput::HeldInput(QObject *parent)
    : QObject(parent)
{
}

HeldInput::~HeldInput()
{
    if (m_holding && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

void HeldInput::hold()
{
    if (m_holding || !QCoreApplication::instance())
        return;
    m_holding = true;
    QCoreApplication::instance()->installEventFilter(this);
}

void HeldInput::release()
{
    if (!m_holding)
        return;
    m_holding = false;
    QCoreApplication::instance()->removeEventFilter(this);
    // What runs now may hold again (a new stroke from a nested event loop); it keeps its own list.
    std::deque<Held> held;
    held.swap(m_held);
    for (Held &h : held) {
        if (h.command)
            h.command();
        else if (h.receiver)
            QCoreApplication::sendEvent(h.receiver, h.event.get());
    }
}

void HeldInput::defer(std::function<void()> command)
{
    if (!m_holding) {
        command();
        return;
    }
    m_held.push_back({nullptr, nullptr, std::move(command)});
}

bool HeldInput::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut: // keyboard shortcuts of actions, menu items included
        m_held.push_back({watched, std::shared_ptr<QEvent>(event->clone()), {}});
        return true;
    default:
        return false;
    }
}
