#include "RecoveryRecord.h"

#include <QCoreApplication>
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
// The texts of the records, in the string table under "RecoveryRecord".
struct RecoveryRecordTexts
{
    Q_DECLARE_TR_FUNCTIONS(RecoveryRecord)
};
} // namespace

namespace {

const QString kMeta = QStringLiteral("meta.json");
const QRegularExpression kBaseName(QStringLiteral("^base-([0-9]+)\\.png$"));
const QRegularExpression kJournalName(QStringLiteral("^journal-([0-9]+)\\.jsonl$"));
const QString kLock = QStringLiteral("owner.lock");
// Light compression: while a start is encoding, the strokes made since are not yet restorable.
constexpr int kStartQuality = 80;

QString baseNameFor(int generation)
{
    return QStringLiteral("base-%1.png").arg(generation);
}

QString journalNameFor(int generation)
{
    return QStringLiteral("journal-%1.jsonl").arg(generation);
}

// The generation a file of the record belongs to; 0 for other files.
int generationOf(const QString &name)
{
    for (const QRegularExpression &pattern : {kBaseName, kJournalName}) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (m.hasMatch())
            return m.captured(1).toInt();
    }
    return 0;
}

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

bool RecoveryRecord::fail(const QString &why)
{
    std::lock_guard lock(m_errorMutex);
    m_error = why;
    return false;
}

QString RecoveryRecord::errorString() const
{
    std::lock_guard lock(m_errorMutex);
    return m_error;
}

std::unique_ptr<RecoveryRecord> RecoveryRecord::createEmpty(const QString &root, QString *error)
{
    std::unique_ptr<RecoveryRecord> record(new RecoveryRecord);
    record->m_folder = QDir(root).filePath(QUuid::createUuid().toString(QUuid::WithoutBraces));
    auto refuse = [&](const QString &why) {
        if (error)
            *error = why;
        QDir(record->m_folder).removeRecursively();
        return nullptr;
    };
    if (!QDir().mkpath(record->m_folder))
        return refuse(QStringLiteral("cannot make %1").arg(record->m_folder));
    record->m_lock = lockFor(record->m_folder);
    if (!record->m_lock)
        return refuse(QStringLiteral("cannot lock %1").arg(record->m_folder));
    return record;
}

std::unique_ptr<RecoveryRecord> RecoveryRecord::create(const QString &root,
                                                       const RecoveryStart &start, QString *error)
{
    auto record = createEmpty(root, error);
    if (record && !record->restart(start)) {
        if (error)
            *error = record->errorString();
        record->discard();
        return nullptr;
    }
    return record;
}

int RecoveryRecord::beginStart()
{
    const int generation = m_generation + 1;
    if (!m_journal.open(QDir(m_folder).filePath(journalNameFor(generation)))) {
        fail(m_journal.errorString());
        return 0;
    }
    m_generation = generation;
    return generation;
}

bool RecoveryRecord::writeStart(const RecoveryStart &start, int generation)
{
    const QDir dir(m_folder);
    QString baseName;
    if (!start.base.isNull()) {
        baseName = baseNameFor(generation);
        QSaveFile file(dir.filePath(baseName));
        if (!file.open(QIODevice::WriteOnly) || !start.base.save(&file, "PNG", kStartQuality)
            || !file.commit())
            return fail(QStringLiteral("cannot write the starting picture"));
    }
    QJsonObject meta;
    meta.insert(QStringLiteral("width"), start.size.width());
    meta.insert(QStringLiteral("height"), start.size.height());
    meta.insert(QStringLiteral("pen"), start.pen);
    meta.insert(QStringLiteral("path"), start.path);
    meta.insert(QStringLiteral("type"), start.type);
    meta.insert(QStringLiteral("edited"), start.edited);
    meta.insert(QStringLiteral("base"), baseName);
    meta.insert(QStringLiteral("journal"), journalNameFor(generation));
    if (!saveDurably(dir.filePath(kMeta), QJsonDocument(meta).toJson(QJsonDocument::Compact)))
        return fail(QStringLiteral("cannot write %1").arg(kMeta));
    m_meta = meta;
    // Only older starts go: a newer one may already be under way.
    for (const QString &name : dir.entryList(QDir::Files)) {
        const int g = generationOf(name);
        if (g > 0 && g < generation)
            QFile::remove(dir.filePath(name));
    }
    return true;
}

bool RecoveryRecord::restart(const RecoveryStart &start)
{
    const int generation = beginStart();
    return generation > 0 && writeStart(start, generation);
}

bool RecoveryRecord::writeDocumentInfo(const QString &path, const QString &type)
{
    if (m_meta.isEmpty())
        return true; // the start that is being written will say it
    QJsonObject meta = m_meta;
    meta.insert(QStringLiteral("path"), path);
    meta.insert(QStringLiteral("type"), type);
    if (meta == m_meta)
        return true;
    if (!saveDurably(QDir(m_folder).filePath(kMeta),
                     QJsonDocument(meta).toJson(QJsonDocument::Compact)))
        return fail(QStringLiteral("cannot write %1").arg(kMeta));
    m_meta = meta;
    return true;
}

bool RecoveryRecord::append(const std::vector<SessionEvent> &unit)
{
    QByteArray bytes;
    for (const SessionEvent &event : unit) {
        bytes += formatSessionEvent(event);
        bytes += '\n';
    }
    return m_journal.write(bytes) || fail(m_journal.errorString());
}

bool RecoveryRecord::waitUntilDurable()
{
    return m_journal.waitUntilDurable() || fail(m_journal.errorString());
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

bool RecoveredRecord::hasUnsavedWork() const
{
    if (!readable)
        return false;
    if (events.empty())
        return start.edited;
    const SessionEvent &last = events.back();
    return last.kind != SessionEvent::Kind::Action || last.name != QLatin1String("changesCleared:");
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
        problem(RecoveryRecordTexts::tr("The description of the picture is missing or damaged."));
        return record;
    }
    record->start.size = size;
    record->start.pen = meta.value(QStringLiteral("pen")).toObject();
    record->start.path = meta.value(QStringLiteral("path")).toString();
    record->start.type = meta.value(QStringLiteral("type")).toString();
    record->start.edited = meta.value(QStringLiteral("edited")).toBool();
    // Only names of our own making: the folder's contents are not to be trusted.
    const QString journalName = meta.value(QStringLiteral("journal")).toString();
    if (!kJournalName.match(journalName).hasMatch()) {
        problem(RecoveryRecordTexts::tr("The description of the picture is missing or damaged."));
        return record;
    }
    const QString baseName = meta.value(QStringLiteral("base")).toString();
    if (!baseName.isEmpty()) {
        if (kBaseName.match(baseName).hasMatch())
            record->start.base = QImage(dir.filePath(baseName));
        if (record->start.base.isNull()) {
            problem(RecoveryRecordTexts::tr(
                "The picture the document started from is missing or damaged."));
            return record;
        }
    }

    record->readable = true;
    QFile journal(dir.filePath(journalName));
    if (journal.open(QIODevice::ReadOnly)) {
        SessionReadResult read = readSession(journal, true);
        if (!read.ok())
            problem(RecoveryRecordTexts::tr("The record is damaged from line %1 on.")
                        .arg(read.errorLine));
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
        // Being made by another instance, which has yet to take its lock.
        if (QDir(info.absoluteFilePath()).isEmpty(QDir::Files | QDir::Hidden))
            continue;
        auto lock = lockFor(info.absoluteFilePath());
        if (!lock)
            continue; // its owner is still running
        records.push_back(readRecord(info.absoluteFilePath(), std::move(lock)));
    }
    return records;
}
