#include "NotificationCenter.h"

#include <algorithm>

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(const void *observer, const QString &name, Handler handler,
                                     const void *sender)
{
    m_entries.push_back({observer, name, sender, std::move(handler), m_nextSerial++});
}

void NotificationCenter::addObserverFirst(const void *observer, const QString &name,
                                          Handler handler)
{
    m_entries.insert(m_entries.begin(),
                     {observer, name, nullptr, std::move(handler), m_nextSerial++});
}

void NotificationCenter::removeObserver(const void *observer)
{
    std::erase_if(m_entries, [observer](const Entry &e) { return e.observer == observer; });
}

void NotificationCenter::post(const QString &name, const void *object, const QVariantMap &userInfo)
{
    const Notification n {name, object, userInfo};
    // Handlers may subscribe or unsubscribe; deliver to those subscribed at the time of posting
    // that are still subscribed when their turn comes.
    std::vector<quint64> serials;
    for (const Entry &e : m_entries)
        if (e.name == name && (!e.sender || e.sender == object))
            serials.push_back(e.serial);
    for (quint64 serial : serials) {
        auto it = std::find_if(m_entries.begin(), m_entries.end(),
                               [serial](const Entry &e) { return e.serial == serial; });
        if (it == m_entries.end())
            continue;
        Handler h = it->handler; // the entry may go away while it runs
        h(n);
    }
}

int NotificationCenter::observerCount(const QString &name) const
{
    return int(std::count_if(m_entries.begin(), m_entries.end(),
                             [&name](const Entry &e) { return e.name == name; }));
}
