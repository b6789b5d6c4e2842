#pragma once

#include <QString>
#include <QVariantMap>
#include <functional>
#include <vector>

struct Notification
{
    QString name;
    const void *object = nullptr;
    QVariantMap userInfo;
};

// Synchronous, by-name notifications on the main thread.
class NotificationCenter
{
public:
    using Handler = std::function<void(const Notification &)>;

    static NotificationCenter &defaultCenter();

    // Observers of a name, in the order they subscribed; a null sender means any.
    void addObserver(const void *observer, const QString &name, Handler handler,
                     const void *sender = nullptr);
    // Handled before the observers that subscribed earlier: for a recorder, which must note a
    // notification before the changes it causes.
    void addObserverFirst(const void *observer, const QString &name, Handler handler);
    // Every subscription of the observer.
    void removeObserver(const void *observer);
    // Every subscribed observer has handled it when this returns.
    void post(const QString &name, const void *object, const QVariantMap &userInfo = {});

    int observerCount(const QString &name) const;

private:
    struct Entry
    {
        const void *observer;
        QString name;
        const void *sender;
        Handler handler;
        quint64 serial;
    };
    std::vector<Entry> mEntries;
    quint64 mNextSerial = 0;
};
