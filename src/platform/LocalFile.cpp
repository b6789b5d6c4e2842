#include "LocalFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The texts of this file, in the string table under "LocalFile".
struct LocalFileTexts
{
    Q_DECLARE_TR_FUNCTIONS(LocalFile)
};

constexpr char16_t kKeptByte = 0xDC00; // + the byte, for bytes 0x80 to 0xFF

bool isKeptByte(const QString &s, qsizetype i)
{
    const QChar c = s.at(i);
    return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF
        && (i == 0 || !s.at(i - 1).isHighSurrogate());
}

// The length of the well-formed UTF-8 sequence at i, or 0.
int utf8SequenceAt(const QByteArray &b, qsizetype i)
{
    const auto at = [&](qsizetype k) { return k < b.size() ? uchar(b.at(k)) : 0; };
    const auto tail = [&](qsizetype k) { return (at(k) & 0xC0) == 0x80; };
    const uchar lead = at(i);
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return tail(i + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const uchar second = at(i + 1);
        // No overlong forms, no surrogates.
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F))
            return 0;
        return tail(i + 1) && tail(i + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const uchar second = at(i + 1);
        if ((lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
            return 0;
        return tail(i + 1) && tail(i + 2) && tail(i + 3) ? 4 : 0;
    }
    return 0;
}

QString quoted(const QString &path)
{
    return LocalFile::displayName(QFileInfo(path).fileName());
}

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

QString notRegular(const QString &path, mode_t mode)
{
    const QString name = quoted(path);
    if (S_ISFIFO(mode))
        return LocalFileTexts::tr("“%1” is a FIFO, not a picture file.").arg(name);
    if (S_ISDIR(mode))
        return LocalFileTexts::tr("“%1” is a folder, not a picture file.").arg(name);
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return LocalFileTexts::tr("“%1” is a device, not a picture file.").arg(name);
    if (S_ISSOCK(mode))
        return LocalFileTexts::tr("“%1” is a socket, not a picture file.").arg(name);
    return LocalFileTexts::tr("“%1” is not a regular file.").arg(name);
}

bool refuses(const QString &path, const struct stat &st, qint64 maxBytes, QString *error)
{
    if (!S_ISREG(st.st_mode))
        return !fail(error, notRegular(path, st.st_mode));
    if (st.st_size > maxBytes)
        return !fail(
            error,
            LocalFileTexts::tr("“%1” is larger than any picture Inkpond can open (%2).")
                .arg(quoted(path),
                     QLocale().formattedDataSize(maxBytes, 1, QLocale::DataSizeTraditionalFormat)));
    return false;
}

bool failWithErrno(QString *error, const QString &path)
{
    return fail(error,
                LocalFileTexts::tr("“%1” cannot be read: %2.")
                    .arg(quoted(path), QString::fromLocal8Bit(std::strerror(errno))));
}
} // namespace

namespace LocalFile {

QString decodeName(const QByteArray &bytes)
{
    const QString plain = QFile::decodeName(bytes);
    if (QFile::encodeName(plain) == bytes)
        return plain;
    QString name;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const int n = utf8SequenceAt(bytes, i);
        if (n > 0) {
            name += QString::fromUtf8(bytes.constData() + i, n);
            i += n;
        } else {
            name += QChar(char16_t(kKeptByte + uchar(bytes.at(i))));
            ++i;
        }
    }
    return name;
}

QByteArray encodeName(const QString &name)
{
    QByteArray bytes;
    qsizetype from = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!isKeptByte(name, i))
            continue;
        bytes += QFile::encodeName(name.mid(from, i - from));
        bytes += char(name.at(i).unicode() - kKeptByte);
        from = i + 1;
    }
    return bytes + QFile::encodeName(name.mid(from));
}

QString absoluteName(const QString &name)
{
    if (name.startsWith(u'/'))
        return QDir::cleanPath(name);
    QByteArray folder(PATH_MAX, '\0');
    if (!::getcwd(folder.data(), size_t(folder.size())))
        return QDir::cleanPath(QDir::currentPath() + u'/' + name); // deleted or too deep
    folder.truncate(qsizetype(std::strlen(folder.constData())));
    return QDir::cleanPath(decodeName(folder) + u'/' + name);
}

QString displayName(const QString &name)
{
    QString shown = name;
    for (qsizetype i = 0; i < shown.size(); ++i)
        if (isKeptByte(shown, i))
            shown[i] = QChar::ReplacementCharacter;
    return shown;
}

bool openForReading(QFile &file, const QString &path, qint64 maxBytes, QString *error)
{
    const QByteArray name = encodeName(path);
    struct stat st = {};
    // Looked at first: opening a FIFO for reading waits for a writer.
    if (::stat(name.constData(), &st) != 0)
        return failWithErrno(error, path);
    if (refuses(path, st, maxBytes, error))
        return false;
    // Non-blocking all the same, and looked at again once open: the name may have been given to
    // something else in between.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return failWithErrno(error, path);
    if (::fstat(fd, &st) != 0 || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        failWithErrno(error, path);
        ::close(fd);
        return false;
    }
    if (refuses(path, st, maxBytes, error)) {
        ::close(fd);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(
            error,
            LocalFileTexts::tr("“%1” cannot be read: %2.").arg(quoted(path), file.errorString()));
    }
    return true;
}

QString notEnoughMemory(const QString &path)
{
    return LocalFileTexts::tr("Not enough memory to open “%1”.").arg(quoted(path));
}

} // namespace LocalFile
