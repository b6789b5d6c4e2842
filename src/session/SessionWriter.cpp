#include "SessionWriter.h"

#include "SessionEvent.h"

SessionWriter::~SessionWriter()
{
    close();
}

bool SessionWriter::open(const QString &path)
{
    close();
    mFailed = false;
    mError.clear();
    mFile.setFileName(path);
    if (!mFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return fail(mFile.errorString());
    return true;
}

bool SessionWriter::write(const SessionEvent &event)
{
    if (mFailed || !mFile.isOpen())
        return false;
    const QByteArray line = formatSessionEvent(event) + '\n';
    if (mFile.write(line) != line.size() || !mFile.flush())
        return fail(mFile.errorString());
    return true;
}

void SessionWriter::close()
{
    if (mFile.isOpen())
        mFile.close();
}

bool SessionWriter::fail(const QString &why)
{
    mFailed = true;
    mError = why.isEmpty() ? QStringLiteral("write error") : why;
    return false;
}
