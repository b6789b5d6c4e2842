#include "JournalLine.h"

#include <QIODevice>
#include <QRandomGenerator>
#include <zlib.h>

namespace {

constexpr int kIdDigits = 8;
// ,"rec":"…" and ,"crc":"…"}
constexpr qsizetype kIdFieldSize = 8 + kIdDigits + 1;
constexpr qsizetype kCrcFieldSize = 8 + 8 + 2;

quint32 checksum(const char *bytes, qsizetype size)
{
    return quint32(::crc32(0L, reinterpret_cast<const Bytef *>(bytes), uInt(size)));
}

QByteArray hex8(quint32 value)
{
    return QByteArray::number(value, 16).rightJustified(8, '0');
}

bool mentionsChecksum(const QByteArray &line)
{
    return line.contains("\"crc\":");
}

enum class Seal { Valid, Missing, Broken };

// Whether the line is whole as written; its record's id in id.
Seal unseal(const QByteArray &line, QByteArray *id)
{
    const qsizetype body = line.size() - kCrcFieldSize;
    if (body < kIdFieldSize + 1 || !line.endsWith("\"}")
        || line.mid(body, 8) != QByteArrayLiteral(",\"crc\":\""))
        return mentionsChecksum(line) ? Seal::Broken : Seal::Missing;
    bool ok = false;
    const quint32 written = line.mid(body + 8, 8).toUInt(&ok, 16);
    if (!ok || written != checksum(line.constData(), body))
        return Seal::Broken;
    const qsizetype idAt = body - kIdFieldSize;
    if (line.mid(idAt, 8) != QByteArrayLiteral(",\"rec\":\"") || line.at(body - 1) != '"')
        return Seal::Broken;
    *id = line.mid(idAt + 8, kIdDigits);
    return Seal::Valid;
}

} // namespace

QByteArray newJournalId()
{
    return hex8(QRandomGenerator::system()->generate());
}

QByteArray sealedJournalLine(const QByteArray &event, const QByteArray &id)
{
    QByteArray line;
    line.reserve(event.size() + kIdFieldSize + kCrcFieldSize);
    line.append(event.constData(), event.size() - 1); // without its closing brace
    line += ",\"rec\":\"" + id + '"';
    const quint32 sum = checksum(line.constData(), line.size());
    line += ",\"crc\":\"" + hex8(sum) + "\"}";
    return line;
}

SessionReadResult readJournal(QIODevice &device, const QByteArray &id)
{
    enum class Format { Undecided, Unsealed, Sealed };
    Format format = id.isEmpty() ? Format::Undecided : Format::Sealed;
    QByteArray expected = id;
    // A crash may cut the last line short; that is no damage.
    return readSession(device, true, [&](const QByteArray &line) -> QString {
        QByteArray lineId;
        const Seal seal = format == Format::Unsealed
            ? (mentionsChecksum(line) ? Seal::Broken : Seal::Missing)
            : unseal(line, &lineId);
        if (format == Format::Undecided) {
            format = seal == Seal::Missing ? Format::Unsealed : Format::Sealed;
            expected = lineId;
        }
        if (format == Format::Unsealed && seal != Seal::Missing)
            return QStringLiteral("a sealed line among unsealed ones");
        if (format == Format::Sealed && seal == Seal::Missing)
            return QStringLiteral("a line without its checksum");
        if (seal == Seal::Broken)
            return QStringLiteral("the line does not match its checksum");
        if (format == Format::Sealed && lineId != expected)
            return QStringLiteral("a line of another record");
        return {};
    });
}
