#include "RecoveryRecord.h"

#include "JournalLine.h"
#include "Picture.h"
#include "PictureFile.h"
#include "PictureOpenRaster.h"
#include "TiledImage.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The texts of the records, in the string table under "RecoveryRecord".
struct RecoveryRecordTexts
{
    Q_DECLARE_TR_FUNCTIONS(RecoveryRecord)
};
} // namespace

QSize RecoveryStart::pictureSize() const
{
    if (layered)
        return QSize(int(layered->sheetSize().width), int(layered->sheetSize().height));
    return base ? QSize(base->pixelWidth(), base->pixelHeight()) : QSize();
}

namespace {

const QString kMeta = QStringLiteral("meta.json");
const QRegularExpression kBaseName(QStringLiteral("^base-([0-9]+)\\.(png|ora)$"));
const QRegularExpression kJournalName(QStringLiteral("^journal-([0-9]+)\\.jsonl$"));
const QString kLock = QStringLiteral("owner.lock");
// In the description of a first start whose picture is still being written.
const QString kPictureUnderWay = QStringLiteral("pictureUnderWay");
// Every name Inkpond gives a file of a record: what a removal may take, and nothing else. The
// last ones are what a crash can leave of a lock being broken or a file being replaced.
const QRegularExpression kOwnName(QStringLiteral(
    "^(meta\\.json|base-[0-9]+\\.(png|ora)|journal-[0-9]+\\.jsonl|owner\\.lock"
    "|owner\\.lock\\.rmlock|(meta\\.json|base-[0-9]+\\.(png|ora))\\.[A-Za-z0-9]{6})$"));
// The sheet of a record whose size was lost: that of a new document.
constexpr QSize kBlankSheet(600, 600);
// A live owner writes its name into the lock just after making it.
constexpr qint64 kLockSettlingSeconds = 5;

QString baseNameFor(int generation, bool layered = false)
{
    return QStringLiteral("base-%1.%2")
        .arg(generation)
        .arg(layered ? QStringLiteral("ora") : QStringLiteral("png"));
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

// The lock of a record someone left. One that does not name its owner (empty, cut short,
// garbled) hides nothing for good: it is broken as a dead owner's is, through the file lock a
// live owner holds on it, once it is older than the moment an owner needs to write its name.
std::unique_ptr<QLockFile> claimLockFor(const QString &folder)
{
    const QString path = QDir(folder).filePath(kLock);
    const QFileInfo info(path);
    // A link, folder or anything but a file in its place names no owner either; it is taken
    // away unread (a FIFO would block a reader), and a folder with something in it moved aside.
    if (info.isSymLink() || (info.exists() && !info.isFile())) {
        const QByteArray name = QFile::encodeName(path);
        const bool gone = info.isDir() && !info.isSymLink()
            ? ::rmdir(name.constData()) == 0
                || ::rename(name.constData(),
                            QFile::encodeName(path + QStringLiteral(".stray")).constData())
                    == 0
            : ::unlink(name.constData()) == 0;
        if (!gone)
            return nullptr;
    }
    if (auto lock = lockFor(folder))
        return lock;
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    qint64 pid = 0;
    QString host;
    QString application;
    if (lock->getLockInfo(&pid, &host, &application))
        return nullptr; // a live owner, or one on another machine
    const qint64 age = QFileInfo(path).lastModified().secsTo(QDateTime::currentDateTime());
    if (std::abs(age) < kLockSettlingSeconds || !lock->removeStaleLockFile())
        return nullptr;
    return lockFor(folder);
}

// Removes the record's own files, never through a link: unlink takes the link itself.
void removeOwnFiles(const QString &folder, bool withLock)
{
    if (QFileInfo(folder).isSymLink())
        return;
    const QDir dir(folder);
    for (const QString &name :
         dir.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if ((withLock || !name.startsWith(kLock)) && kOwnName.match(name).hasMatch())
            ::unlink(QFile::encodeName(dir.filePath(name)).constData());
    }
}

// The folder, once nothing is left in it.
void removeEmptyFolder(const QString &folder)
{
    if (!QFileInfo(folder).isSymLink())
        ::rmdir(QFile::encodeName(folder).constData());
}

enum class Opened { Absent, Unreadable, Open };

// A file of a record, opened only when it is a regular file reached without a link: the
// folder's contents are not to be trusted, and a FIFO would block the reader.
Opened openOwnFile(const QDir &dir, const QString &name, QFile &file)
{
    const QByteArray path = QFile::encodeName(dir.filePath(name));
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? Opened::Absent : Opened::Unreadable;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Opened::Unreadable;
    }
    return Opened::Open;
}

// A record's picture through the decoder that opens files, so that every picture that opens
// can be restored.
std::shared_ptr<const TiledImage> readOwnPicture(const QDir &dir, const QString &name)
{
    QFile file;
    if (openOwnFile(dir, name, file) != Opened::Open)
        return {};
    auto picture = std::make_shared<TiledImage>(Size {});
    if (PictureFile::read(file, "png", picture.get()) != PictureFile::Outcome::Done)
        return {};
    return picture;
}

// A record's picture of several layers, in a picture of its own that no one paints.
std::shared_ptr<const Picture> readOwnLayers(const QDir &dir, const QString &name, int current)
{
    QFile file;
    if (openOwnFile(dir, name, file) != Opened::Open)
        return {};
    OraPicture read;
    if (OpenRaster::read(file, &read) != OpenRaster::Outcome::Done || read.layers.empty())
        return {};
    auto picture = std::make_shared<Picture>(Size {}, BgType::Plain);
    picture->replaceLayersWith(OpenRaster::takeLayers(read), current);
    return picture;
}

// The file a document was opened from or saved to, as it is now, when it holds a picture of the
// sheet's size.
std::shared_ptr<const TiledImage> pictureOfFile(const QString &path, QSize size)
{
    const QFileInfo info(path);
    if (!info.isAbsolute() || !info.isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    auto picture = std::make_shared<TiledImage>(Size {});
    if (PictureFile::read(file, info.suffix().toLatin1(), picture.get())
        != PictureFile::Outcome::Done)
        return {};
    if (QSize(picture->pixelWidth(), picture->pixelHeight()) != size)
        return {};
    return picture;
}

// The same for a layered file.
std::shared_ptr<const Picture> layersOfFile(const QString &path, QSize size)
{
    const QFileInfo info(path);
    OraPicture read;
    if (!info.isAbsolute() || !info.isFile()
        || OpenRaster::read(path, &read) != OpenRaster::Outcome::Done || read.layers.empty()
        || QSize(read.width, read.height) != size)
        return {};
    auto picture = std::make_shared<Picture>(Size {}, BgType::Plain);
    const int current = OpenRaster::selectedLayer(read);
    picture->replaceLayersWith(OpenRaster::takeLayers(read), current);
    return picture;
}

QJsonObject descriptionOf(const RecoveryStart &start, int generation, const QByteArray &id)
{
    QJsonObject meta;
    meta.insert(QStringLiteral("id"), QString::fromLatin1(id));
    meta.insert(QStringLiteral("width"), start.size.width());
    meta.insert(QStringLiteral("height"), start.size.height());
    meta.insert(QStringLiteral("pen"), start.pen);
    meta.insert(QStringLiteral("path"), start.path);
    meta.insert(QStringLiteral("type"), start.type);
    meta.insert(QStringLiteral("edited"), start.edited);
    meta.insert(QStringLiteral("base"),
                !start.hasPicture() ? QString()
                                    : baseNameFor(generation, start.layered != nullptr));
    meta.insert(QStringLiteral("journal"), journalNameFor(generation));
    // The layer the journal's strokes go to; the file does not say.
    if (start.layered)
        meta.insert(QStringLiteral("layer"), start.layered->currentLayerIndex());
    return meta;
}

bool syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
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
    mBroken = true;
    std::lock_guard lock(mErrorMutex);
    mError = why;
    return false;
}

QString RecoveryRecord::errorString() const
{
    std::lock_guard lock(mErrorMutex);
    return mError;
}

std::unique_ptr<RecoveryRecord> RecoveryRecord::createEmpty(const QString &root, QString *error)
{
    std::unique_ptr<RecoveryRecord> record(new RecoveryRecord);
    record->mFolder = QDir(root).filePath(QUuid::createUuid().toString(QUuid::WithoutBraces));
    record->mId = newJournalId();
    auto refuse = [&](const QString &why) {
        if (error)
            *error = why;
        removeOwnFiles(record->mFolder, true);
        removeEmptyFolder(record->mFolder);
        return nullptr;
    };
    if (!QDir().mkpath(record->mFolder))
        return refuse(QStringLiteral("cannot make %1").arg(record->mFolder));
    record->mLock = lockFor(record->mFolder);
    if (!record->mLock)
        return refuse(QStringLiteral("cannot lock %1").arg(record->mFolder));
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

int RecoveryRecord::beginStart(const RecoveryStart &start)
{
    const int generation = mGeneration + 1;
    if (!mJournal.open(QDir(mFolder).filePath(journalNameFor(generation)))) {
        fail(mJournal.errorString());
        return 0;
    }
    mJournalSize = 0;
    // The first start has no earlier one to fall back on: described now, its strokes can be
    // read even if the process ends before its picture is written. Until then the description
    // says the picture is still on its way, so that a crash before any stroke loses nothing.
    if (mGeneration == 0) {
        QJsonObject meta = descriptionOf(start, generation, mId);
        if (start.hasPicture())
            meta.insert(kPictureUnderWay, true);
        if (!saveDurably(QDir(mFolder).filePath(kMeta),
                         QJsonDocument(meta).toJson(QJsonDocument::Compact))) {
            fail(QStringLiteral("cannot write %1").arg(kMeta));
            return 0;
        }
    }
    mGeneration = generation;
    return generation;
}

bool RecoveryRecord::writeStart(const RecoveryStart &start, int generation)
{
    const QDir dir(mFolder);
    QString baseName;
    if (start.layered) {
        baseName = baseNameFor(generation, true);
        if (OpenRaster::writePicture(dir.filePath(baseName), *start.layered)
            != OpenRaster::Outcome::Done)
            return fail(QStringLiteral("cannot write the starting picture"));
    } else if (start.base) {
        baseName = baseNameFor(generation);
        QSaveFile file(dir.filePath(baseName));
        const TiledImage &base = *start.base;
        // A band of rows at a time: no plane of the whole picture is made.
        const PngBands::BandSource band = [&base](int top, int rows) {
            QImage out(base.pixelWidth(), rows, QImage::Format_ARGB32_Premultiplied);
            if (!out.isNull()) {
                out.fill(Qt::transparent);
                base.readPixels(QRect(0, base.pixelHeight() - top - rows, base.pixelWidth(), rows),
                                out, 0, 0);
            }
            return out;
        };
        PngBands::WriteOptions options;
        options.workers = 0; // on the journal's worker, beside the window
        if (!file.open(QIODevice::WriteOnly)
            || PngBands::write(file, base.pixelWidth(), base.pixelHeight(), band, options)
                != PngBands::Outcome::Done
            || !file.commit())
            return fail(QStringLiteral("cannot write the starting picture"));
    }
    // The picture's name is on the disk before the description names it.
    if (!baseName.isEmpty() && !syncFolder(mFolder))
        return fail(QStringLiteral("cannot write the starting picture"));
    QJsonObject meta = descriptionOf(start, generation, mId);
    if (!mView.isUndefined())
        meta.insert(QStringLiteral("view"), mView);
    if (!saveDurably(dir.filePath(kMeta), QJsonDocument(meta).toJson(QJsonDocument::Compact)))
        return fail(QStringLiteral("cannot write %1").arg(kMeta));
    mMeta = meta;
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
    const int generation = beginStart(start);
    return generation > 0 && writeStart(start, generation);
}

bool RecoveryRecord::writeDocumentInfo(const QString &path, const QString &type)
{
    return updateMeta({{QStringLiteral("path"), path}, {QStringLiteral("type"), type}});
}

bool RecoveryRecord::writeView(const QJsonValue &view)
{
    mView = view;
    return updateMeta({{QStringLiteral("view"), view}});
}

bool RecoveryRecord::updateMeta(const QJsonObject &changes)
{
    if (mMeta.isEmpty())
        return true; // the start that is being written will say it
    QJsonObject meta = mMeta;
    for (auto it = changes.begin(); it != changes.end(); ++it)
        meta.insert(it.key(), it.value());
    if (meta == mMeta)
        return true;
    if (!saveDurably(QDir(mFolder).filePath(kMeta),
                     QJsonDocument(meta).toJson(QJsonDocument::Compact)))
        return fail(QStringLiteral("cannot write %1").arg(kMeta));
    mMeta = meta;
    return true;
}

bool RecoveryRecord::append(const std::vector<SessionEvent> &unit)
{
    QByteArray bytes;
    for (const SessionEvent &event : unit) {
        bytes += sealedJournalLine(formatSessionEvent(event), mId);
        bytes += '\n';
    }
    if (mBroken)
        return false;
    if (mJournal.write(bytes)) {
        mJournalSize += bytes.size();
        return true;
    }
    // A full disk may have taken part of the unit: the journal ends on the last whole one.
    const QByteArray path = QFile::encodeName(QDir(mFolder).filePath(journalNameFor(mGeneration)));
    const int fd = ::open(path.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        if (::ftruncate(fd, mJournalSize) == 0)
            ::fsync(fd);
        ::close(fd);
    }
    return fail(mJournal.errorString());
}

bool RecoveryRecord::waitUntilDurable()
{
    return mJournal.waitUntilDurable() || fail(mJournal.errorString());
}

void RecoveryRecord::discard()
{
    mJournal.close();
    removeOwnFiles(mFolder, false);
    // The lock goes last, so that nobody claims a half-removed record.
    mLock.reset();
    removeEmptyFolder(mFolder);
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
    removeOwnFiles(folder, false);
    lock.reset();
    removeEmptyFolder(folder);
}

namespace {

// The newest generation the folder holds files of, by one of the two name patterns.
int newestGeneration(const QDir &dir, const QRegularExpression &pattern)
{
    int newest = 0;
    for (const QString &name : dir.entryList(QDir::Files | QDir::System | QDir::Hidden)) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (m.hasMatch())
            newest = std::max(newest, m.captured(1).toInt());
    }
    return newest;
}

// Reads all that can be read. Whatever cannot is said in problem, and the rest stands in: the
// folder's newest start for a lost description, a blank sheet (or the document's file, for a
// start that was that file) for a lost picture, the strokes before the damage of a journal.
std::unique_ptr<RecoveredRecord> readRecord(const QString &folder, std::unique_ptr<QLockFile> lock)
{
    auto record = std::make_unique<RecoveredRecord>();
    record->folder = folder;
    record->lock = std::move(lock);
    const QDir dir(folder);
    QStringList problems;
    auto problem = [&](const QString &why) {
        record->damaged = true;
        if (!problems.contains(why))
            problems << why;
    };
    const QString lostDescription
        = RecoveryRecordTexts::tr("The description of the picture is missing or damaged.");

    QFile metaFile;
    const Opened metaOpened = openOwnFile(dir, kMeta, metaFile);
    const QJsonObject meta = metaOpened == Opened::Open
        ? QJsonDocument::fromJson(metaFile.readAll()).object()
        : QJsonObject();
    QSize size(meta.value(QStringLiteral("width")).toInt(),
               meta.value(QStringLiteral("height")).toInt());
    record->start.pen = meta.value(QStringLiteral("pen")).toObject();
    record->start.path = meta.value(QStringLiteral("path")).toString();
    record->start.type = meta.value(QStringLiteral("type")).toString();
    record->start.edited = meta.value(QStringLiteral("edited")).toBool();
    record->start.view = meta.value(QStringLiteral("view"));
    QString journalName = meta.value(QStringLiteral("journal")).toString();
    QString baseName = meta.value(QStringLiteral("base")).toString();
    // Only names of our own making: the folder's contents are not to be trusted.
    if (meta.isEmpty() || !kJournalName.match(journalName).hasMatch()) {
        problem(lostDescription);
        const int newest = newestGeneration(dir, kJournalName);
        journalName = newest > 0 ? journalNameFor(newest) : QString();
        if (meta.isEmpty())
            baseName = newest > 0 && newestGeneration(dir, kBaseName) == newest
                ? baseNameFor(newest, dir.exists(baseNameFor(newest, true)))
                : QString();
    }
    if (!baseName.isEmpty() && !kBaseName.match(baseName).hasMatch()) {
        problem(lostDescription);
        baseName.clear();
    }

    if (!meta.isEmpty() && size.isEmpty())
        problem(lostDescription);

    if (!baseName.isEmpty()) {
        if (baseName.endsWith(QLatin1String(".ora")))
            record->start.layered = readOwnLayers(
                dir, baseName, meta.value(QStringLiteral("layer")).toInt(OpenRaster::kMostLayers));
        else
            record->start.base = readOwnPicture(dir, baseName);
        if (size.isEmpty() && record->start.hasPicture())
            size = record->start.pictureSize();
    }

    if (!journalName.isEmpty()) {
        QFile journal;
        if (openOwnFile(dir, journalName, journal) == Opened::Open) {
            SessionReadResult read
                = readJournal(journal, meta.value(QStringLiteral("id")).toString().toLatin1());
            if (!read.ok())
                problem(RecoveryRecordTexts::tr("The record is damaged from line %1 on: the "
                                                "strokes before it are kept.")
                            .arg(read.errorLine));
            record->events = std::move(read.events);
            dropUnfinishedStroke(record->events);
        } else {
            problem(RecoveryRecordTexts::tr("The strokes of the picture cannot be read."));
        }
    }

    if (!baseName.isEmpty() && !record->start.hasPicture()) {
        // Killed while the picture it was opened with was still being copied, before anything
        // changed it: the document is its file, and the record holds nothing to restore.
        if (meta.value(kPictureUnderWay).toBool() && !record->start.edited
            && record->events.empty() && problems.isEmpty())
            return record;
        // A start that was its document's file, lost before its own copy was written.
        if (!meta.isEmpty() && !record->start.edited) {
            if (record->start.path.endsWith(QLatin1String(".ora"), Qt::CaseInsensitive))
                record->start.layered = layersOfFile(record->start.path, size);
            else
                record->start.base = pictureOfFile(record->start.path, size);
            if (record->start.hasPicture())
                problem(RecoveryRecordTexts::tr("The picture the document started from was not "
                                                "kept: its file “%1”, as it is now, stands in for "
                                                "it.")
                            .arg(QFileInfo(record->start.path).fileName()));
        }
        if (!record->start.hasPicture())
            problem(RecoveryRecordTexts::tr("The picture the document started from is missing "
                                            "or damaged: a blank sheet stands in for it."));
    }

    // A newer start whose picture never reached the disk: its strokes have nothing to go on.
    const QRegularExpressionMatch named = kJournalName.match(journalName);
    const int newest = newestGeneration(dir, kJournalName);
    if (named.hasMatch() && newest > named.captured(1).toInt()) {
        QFile newer;
        if (openOwnFile(dir, journalNameFor(newest), newer) != Opened::Open || newer.size() > 0)
            problem(RecoveryRecordTexts::tr("The strokes made since the picture was last opened, "
                                            "saved or cleared cannot be placed; they are kept in "
                                            "the record."));
    }

    // A record whose owner ended before writing anything: nothing to restore, nothing lost.
    if (metaOpened == Opened::Absent && record->events.empty() && !record->start.hasPicture()
        && problems == QStringList {lostDescription}) {
        record->damaged = false;
        return record;
    }

    record->problem = problems.join(QLatin1Char(' '));
    record->readable = !size.isEmpty() || !record->events.empty() || record->start.hasPicture();
    record->start.size = size.isEmpty() ? kBlankSheet : size;
    return record;
}

} // namespace

std::vector<std::unique_ptr<RecoveredRecord>> claimOrphanedRecords(const QString &root)
{
    std::vector<std::unique_ptr<RecoveredRecord>> records;
    // A link is never followed: what it leads to was not made here.
    const QFileInfoList folders = QDir(root).entryInfoList(
        QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Time | QDir::Reversed);
    for (const QFileInfo &info : folders) {
        // Being made by another instance, which has yet to take its lock.
        if (QDir(info.absoluteFilePath()).isEmpty(QDir::Files | QDir::Hidden))
            continue;
        auto lock = claimLockFor(info.absoluteFilePath());
        if (!lock)
            continue; // its owner is still running
        records.push_back(readRecord(info.absoluteFilePath(), std::move(lock)));
    }
    return records;
}
