#pragma once

#include <QByteArray>
#include <QString>
#include <limits>

class QFile;

// Local files as the file system has them: names of any bytes, and files opened for reading
// only once they are known to be regular files of a size that can be read.
namespace LocalFile {

// Linux file names are bytes. Qt 6 reads them all as UTF-8 and puts U+FFFD for the bytes that are
// not, so a name in another encoding (Latin-1 "é" is the byte 0xE9) could never be found again.
// Such a byte is kept as U+DC80 + byte, a lone surrogate that no UTF-8 text decodes to, and
// encodeName gives it back.
QString decodeName(const QByteArray &bytes);
QByteArray encodeName(const QString &name);
// The name made absolute against the current folder, and clean, without going through Qt's file
// engine, which would lose kept bytes of a relative name (of the name or of the folder).
QString absoluteName(const QString &name);
// The name for people to read: kept bytes show as U+FFFD.
QString displayName(const QString &name);

constexpr qint64 kNoSizeLimit = std::numeric_limits<qint64>::max();

// Opens path for reading, never blocking. Refuses what is not a regular file (a FIFO would block
// until a writer came, a device may never end), a file of more than maxBytes, and what cannot be
// opened, with a sentence naming the file in *error. file must not be open.
bool openForReading(QFile &file, const QString &path, qint64 maxBytes, QString *error);

// "Not enough memory to open “name”.", for a read that could not allocate.
QString notEnoughMemory(const QString &path);

} // namespace LocalFile
