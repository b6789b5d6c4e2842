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
    mEntries.push_back({observer, name, sender, std::move(handler), mNextSerial++});
}

void NotificationCenter::addObserverFirst(const void *observer, const QString &name,
                                          Handler handler)
{
    mEntries.insert(mEntries.begin(),
                     {observer, name, nullptr, std::move(handler), mNextSerial++});
}

void NotificationCenter::removeObserver(const void *observer)
{
    std::erase_if(mEntries, [observer](const Entry &e) { return e.observer == observer; });
}

void NotificationCenter::post(const QString &name, const void *object, const QVariantMap &userInfo)
{
    const Notification n {name, object, userInfo};
    // Handlers may subscribe or unsubscribe; deliver to those subscribed at the time of posting
    // that are still subscribed when their turn comes.
    std::vector<quint64> serials;
    for (const Entry &e : mEntries)
        if (e.name == name && (!e.sender || e.sender == object))
            serials.push_back(e.serial);
    for (quint64 serial : serials) {
        auto it = std::find_if(mEntries.begin(), mEntries.end(),
                               [serial](const Entry &e) { return e.serial == serial; });
        if (it == mEntries.end())
            continue;
        Handler h = it->handler; // the entry may go away while it runs
        h(n);
    }
}

int NotificationCenter::observerCount(const QString &name) const
{
    return int(std::count_if(mEntries.begin(), mEntries.end(),
                             [&name](const Entry &e) { return e.name == name; }));
}
