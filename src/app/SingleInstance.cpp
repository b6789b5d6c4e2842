#include "SingleInstance.h"

#include "LocalFile.h"
#include "Logging.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QtEndian>

#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// How long one read or connect may wait: long enough for a busy instance, short enough that a
// hung one does not keep a launch waiting for good.
constexpr int kWaitMs = 5000;
constexpr char kAck = 'K';

enum class Entry { Missing, Usable, Refused };

// Ours alone: of our user, and nobody else may enter or open it.
Entry entryAt(const QString &path, bool folder)
{
    struct stat st = {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? Entry::Missing : Entry::Refused;
    const bool kind = folder ? S_ISDIR(st.st_mode) : S_ISSOCK(st.st_mode);
    return kind && st.st_uid == ::getuid() && (st.st_mode & 077) == 0 ? Entry::Usable
                                                                        : Entry::Refused;
}

QByteArray bigEndian(quint32 n)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(n, bytes.data());
    return bytes;
}

// A length-prefixed list of length-prefixed names.
QByteArray message(const QByteArrayList &files)
{
    QByteArray body;
    for (const QByteArray &file : files)
        body += bigEndian(quint32(file.size())) + file;
    return bigEndian(quint32(body.size())) + body;
}

// Reads until data holds n bytes; false when the peer goes quiet or away first.
bool readUpTo(QLocalSocket &socket, QByteArray &data, qint64 n)
{
    while (data.size() < n) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(kWaitMs))
            return false;
        data += socket.read(n - data.size());
    }
    return true;
}

// The names of a message's body; nullopt when it is malformed or names a relative path.
std::optional<QByteArrayList> parseBody(const QByteArray &body)
{
    QByteArrayList files;
    qsizetype at = 0;
    while (at < body.size()) {
        if (body.size() - at < 4)
            return std::nullopt;
        const quint32 n = qFromBigEndian<quint32>(body.constData() + at);
        at += 4;
        if (n == 0 || n > quint32(body.size() - at) || body.at(at) != '/')
            return std::nullopt;
        files << body.mid(at, n);
        at += n;
    }
    return files;
}
} // namespace

SingleInstance::SingleInstance(QObject *parent)
    : QObject(parent)
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime;
    const QString own = QStringLiteral("/tmp/inkpond-%1").arg(::getuid());
    ::mkdir(QFile::encodeName(own).constData(), 0700); // checked before use, made or not
    return own;
}

QString SingleInstance::socketPath()
{
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("DISPLAY");
    display.replace(u'/', u'_'); // a Wayland display may be a path
    return socketFolder() + QStringLiteral("/inkpond-") + display;
}

SingleInstance::Outcome SingleInstance::start(const QByteArrayList &files)
{
    const QString folder = socketFolder();
    if (entryAt(folder, true) != Entry::Usable) {
        qCWarning(lcInstance).noquote()
            << "not sharing one window set:" << folder
            << "is not a folder of this user's alone; running on its own";
        return Outcome::Standalone;
    }
    const QString path = socketPath();
    // A launch that loses the race to listen finds the winner on its next try.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const Entry socket = entryAt(path, false);
        if (socket == Entry::Refused) {
            qCWarning(lcInstance).noquote()
                << "not using" << path
                << ": it is not a socket of this user's alone; running on its own";
            return Outcome::Standalone;
        }
        if (socket == Entry::Usable) {
            switch (sendTo(path, files)) {
            case Handoff::Delivered:
                return Outcome::HandedOff;
            case Handoff::Failed:
                qCWarning(lcInstance).noquote()
                    << "the running Inkpond did not answer; running on its own";
                return Outcome::Standalone;
            case Handoff::NoServer:
                QLocalServer::removeServer(path); // left by an instance that ended abruptly
                break;
            }
        }
        if (listenAt(path))
            return Outcome::Serving;
    }
    qCWarning(lcInstance).noquote() << "cannot listen at" << path << "; running on its own";
    return Outcome::Standalone;
}

SingleInstance::Handoff SingleInstance::sendTo(const QString &path, const QByteArrayList &files)
{
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(kWaitMs))
        return socket.error() == QLocalSocket::SocketTimeoutError ? Handoff::Failed
                                                                  : Handoff::NoServer;
    socket.write(message(files));
    QByteArray answer;
    if (!socket.waitForBytesWritten(kWaitMs) || !readUpTo(socket, answer, 1)
        || answer.at(0) != kAck)
        return Handoff::Failed;
    return Handoff::Delivered;
}

bool SingleInstance::listenAt(const QString &path)
{
    if (!mServer) {
        mServer = new QLocalServer(this);
        connect(mServer, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket *socket = mServer->nextPendingConnection())
                receive(socket);
        });
    }
    // Made without the group's and others' bits from the start: bind() refuses an existing
    // name, so of two launches at once exactly one listens. (Qt's access options would rename
    // a socket into place over the other's.)
    const mode_t previous = ::umask(077);
    const bool listening = mServer->listen(path);
    ::umask(previous);
    return listening;
}

void SingleInstance::receive(QLocalSocket *socket)
{
    QByteArray header;
    QByteArray body;
    std::optional<QByteArrayList> files;
    if (readUpTo(*socket, header, 4)) {
        const quint32 size = qFromBigEndian<quint32>(header.constData());
        if (size > kMaxMessage)
            qCWarning(lcInstance) << "refused a message of" << size << "bytes from a launch";
        else if (readUpTo(*socket, body, size) && !(files = parseBody(body)))
            qCWarning(lcInstance) << "refused a malformed message from a launch";
    }
    if (files) {
        socket->write(QByteArray(1, kAck));
        socket->waitForBytesWritten(kWaitMs);
    }
    socket->disconnectFromServer();
    socket->deleteLater();
    if (!files)
        return;
    QStringList paths;
    for (const QByteArray &file : *files)
        paths << LocalFile::decodeName(file);
    emit filesReceived(paths);
}
