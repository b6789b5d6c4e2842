#pragma once

#include <QFile>
#include <QString>

struct SessionEvent;

// Appends the lines of a recording to a file. Each line leaves the process as soon as it is
// written, so a crash loses at most the line being written.
class SessionWriter
{
public:
    SessionWriter() = default;
    ~SessionWriter();
    SessionWriter(const SessionWriter &) = delete;
    SessionWriter &operator=(const SessionWriter &) = delete;

    // Creates or truncates the file. False, with errorString(), when it cannot be written.
    bool open(const QString &path);
    QString fileName() const { return mFile.fileName(); }

    // One event as one line. After the first failure (a full disk) nothing more is written and
    // every call answers false.
    bool write(const SessionEvent &event);
    void close();

    QString errorString() const { return mError; }

private:
    bool fail(const QString &why);

    QFile mFile;
    bool mFailed = false;
    QString mError;
};
