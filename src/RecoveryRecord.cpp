#include "RecoveryRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUuid>
#include <algorithm>

namespace {

const QString kMeta = QStringLiteral("meta.json");
// Each starting picture gets a new name, and meta.json is switched to it atomically, so that a
// crash while restarting leaves either the old start or the new one, never a mix.
const QRegularExpression kBaseName(QStringLiteral("^base-[0-9]+\\.png$"));
const QString kJournal = QStringLiteral("journal.jsonl");
const QString kLock = QStringLiteral("owner.lock");

std::unique_ptr<QLockFile> lockFor(const QString &folder)
{
    auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(kLock));
    // Only a dead owner makes a lock stale, never its age: editing may go on for days.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

bool saveDurably(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

// A stroke whose release never reached the journal was in progress: it is not part of the picture.
void dropUnfinishedStroke(std::vector<SessionEvent> &events)
{
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
        if (it->kind == SessionEvent::Kind::Release)
            return;
        if (it->kind == SessionEvent::Kind::Press) {
            events.erase(std::prev(it.base()), events.end());
            return;
        }
    }
}

} // namespace

QString defaultRecoveryRoot()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Inkpond/recovery"));
}

RecoveryRecord::~RecoveryRecord() = default;

std::unique_ptr<RecoveryRecord> RecoveryRecord::create(const QString &root,
                                                       const RecoveryStart &start, QString *error)
{
    std::unique_ptr<RecoveryRecord> record(new RecoveryRecord);
    record->m_folder = QDir(root).filePath(QUuid::createUuid().toString(QUuid::WithoutBraces));
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        QDir(record->m_folder).removeRecursively();
        return nullptr;
    };
    if (!QDir().mkpath(record->m_folder))
        return fail(QStringLiteral("cannot make %1").arg(record->m_folder));
    record->m_lock = lockFor(record->m_folder);
    if (!record->m_lock)
        return fail(QStringLiteral("cannot lock %1").arg(record->m_folder));
    if (!record->m_journal.open(QDir(record->m_folder).filePath(kJournal))
        || !record->writeStart(start))
        return fail(record->m_error.isEmpty() ? record->m_journal.errorString() : record->m_error);
    return record;
}

bool RecoveryRecord::writeStart(const RecoveryStart &start)
{
    const QDir dir(m_folder);
    // The journal empties first: a base picture must never meet strokes made on an older one.
    if (!m_journal.truncate()) {
        m_error = m_journal.errorString();
        return false;
    }
    QString baseName;
    if (!start.base.isNull()) {
        baseName = QStringLiteral("base-%1.png").arg(++m_generation);
        QSaveFile file(dir.filePath(baseName));
        if (!file.open(QIODevice::WriteOnly) || !start.base.save(&file, "PNG") || !file.commit()) {
            m_error = QStringLiteral("cannot write the starting picture");
            return false;
        }
    }
    QJsonObject meta;
    meta.insert(QStringLiteral("width"), start.size.width());
    meta.insert(QStringLiteral("height"), start.size.height());
    meta.insert(QStringLiteral("pen"), start.pen);
    meta.insert(QStringLiteral("path"), start.path);
    meta.insert(QStringLiteral("type"), start.type);
    meta.insert(QStringLiteral("base"), baseName);
    if (!saveDurably(dir.filePath(kMeta), QJsonDocument(meta).toJson(QJsonDocument::Compact))) {
        m_error = QStringLiteral("cannot write %1").arg(kMeta);
        return false;
    }
    for (const QString &old : dir.entryList({QStringLiteral("base-*.png")}, QDir::Files))
        if (old != baseName)
            QFile::remove(dir.filePath(old));
    return true;
}

bool RecoveryRecord::append(const std::vector<SessionEvent> &unit)
{
    QByteArray bytes;
    for (const SessionEvent &event : unit) {
        bytes += formatSessionEvent(event);
        bytes += '\n';
    }
    if (!m_journal.append(bytes)) {
        m_error = m_journal.errorString();
        return false;
    }
    return true;
}

bool RecoveryRecord::restart(const RecoveryStart &start)
{
    return writeStart(start);
}

void RecoveryRecord::discard()
{
    m_journal.close();
    QDir dir(m_folder);
    for (const QString &name : dir.entryList(QDir::Files))
        if (name != kLock)
            QFile::remove(dir.filePath(name));
    // The lock goes last, so that nobody claims a half-removed record.
    m_lock.reset();
    dir.removeRecursively();
}

void RecoveredRecord::remove()
{
    lock.reset();
    QDir(folder).removeRecursively();
}

namespace {

std::unique_ptr<RecoveredRecord> readRecord(const QString &folder, std::unique_ptr<QLockFile> lock)
{
    auto record = std::make_unique<RecoveredRecord>();
    record->folder = folder;
    record->lock = std::move(lock);
    const QDir dir(folder);
    auto problem = [&record](const QString &why) {
        record->damaged = true;
        if (record->problem.isEmpty())
            record->problem = why;
    };

    QFile metaFile(dir.filePath(kMeta));
    QJsonParseError parseError;
    const QJsonObject meta = metaFile.open(QIODevice::ReadOnly)
        ? QJsonDocument::fromJson(metaFile.readAll(), &parseError).object()
        : QJsonObject();
    const QSize size(meta.value(QStringLiteral("width")).toInt(),
                     meta.value(QStringLiteral("height")).toInt());
    if (size.isEmpty()) {
        // Without a size there is no sheet to replay onto.
        problem(QObject::tr("The description of the picture is missing or damaged."));
        return record;
    }
    record->start.size = size;
    record->start.pen = meta.value(QStringLiteral("pen")).toObject();
    record->start.path = meta.value(QStringLiteral("path")).toString();
    record->start.type = meta.value(QStringLiteral("type")).toString();
    const QString baseName = meta.value(QStringLiteral("base")).toString();
    if (!baseName.isEmpty()) {
        // Only a name of our own making: the folder's contents are not to be trusted.
        if (kBaseName.match(baseName).hasMatch())
            record->start.base = QImage(dir.filePath(baseName));
        if (record->start.base.isNull()) {
            problem(QObject::tr("The picture the document started from is missing or damaged."));
            return record;
        }
    }

    QFile journal(dir.filePath(kJournal));
    if (journal.open(QIODevice::ReadOnly)) {
        SessionReadResult read = readSession(journal, true);
        if (!read.ok())
            problem(QObject::tr("The record is damaged from line %1 on.").arg(read.errorLine));
        record->events = std::move(read.events);
        dropUnfinishedStroke(record->events);
    }
    return record;
}

} // namespace

std::vector<std::unique_ptr<RecoveredRecord>> claimOrphanedRecords(const QString &root)
{
    std::vector<std::unique_ptr<RecoveredRecord>> records;
    const QFileInfoList folders
        = QDir(root).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Time | QDir::Reversed);
    for (const QFileInfo &info : folders) {
        auto lock = lockFor(info.absoluteFilePath());
        if (!lock)
            continue; // its owner is still running
        records.push_back(readRecord(info.absoluteFilePath(), std::move(lock)));
    }
    return records;
}
