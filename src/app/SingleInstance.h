#pragma once

#include <QByteArrayList>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// One running Inkpond per user and display. The first launch listens on a local socket in a
// folder only its user can enter; a later one hands its files over (as the bytes of their
// absolute names) and ends. A socket or folder that someone else owns, or that others may
// open, is never used: the launch then runs on its own.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        HandedOff, // a running instance took the files: this process is done
        Serving, // this process is the running instance now
        Standalone, // no usable socket: this process runs on its own, unreachable
    };

    // The longest message taken: a few thousand long names.
    static constexpr qint64 kMaxMessage = 1 << 20;

    explicit SingleInstance(QObject *parent = nullptr);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR, else /tmp/inkpond-UID (made 0700 when missing).
    static QString socketFolder();
    // The socket's path: in socketFolder(), named after the display.
    static QString socketPath();

    // Hands the files (absolute names as bytes; none: a new picture) to a running instance, or
    // becomes the one. A stale socket, left by an instance that crashed, is replaced.
    Outcome start(const QByteArrayList &files);

signals:
    // A later launch's files, decoded; empty for a new picture.
    void filesReceived(const QStringList &paths);

private:
    enum class Handoff { Delivered, NoServer, Failed };
    Handoff sendTo(const QString &path, const QByteArrayList &files);
    bool listenAt(const QString &path);
    void receive(QLocalSocket *socket);

    QLocalServer *mServer = nullptr; // a child
};
