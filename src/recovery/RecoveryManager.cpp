#include "RecoveryManager.h"

#include "DocumentController.h"
#include "InkpondDocument.h"
#include "Logging.h"
#include "Picture.h"
#include "RecoveryRecord.h"
#include "RecoveryTap.h"
#include "ReplayCommand.h"
#include "SessionReplayer.h"
#include "WTView.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace {
void tell(const QString &text)
{
    qCWarning(lcRecovery).noquote() << text;
}
} // namespace

RecoveryManager::RecoveryManager(const QString &root, DocumentController &documents,
                                 QObject *parent)
    : QObject(parent)
    , mRoot(root)
    , mDocuments(documents)
{
    mWorker.setMaxThreadCount(1); // tasks in the order they were given
    mWorker.setExpiryTimeout(-1);
    connect(&documents, &DocumentController::documentAdded, this, [this](Document *added) {
        if (auto *document = qobject_cast<InkpondDocument *>(added))
            connect(document, &InkpondDocument::windowMade, this,
                    [this, document] { watch(document); });
    });
}

RecoveryManager::~RecoveryManager()
{
    for (const QPointer<RecoveryTap> &tap : mTaps)
        if (tap)
            tap->detach();
    mWorker.waitForDone();
}

void RecoveryManager::watch(InkpondDocument *document)
{
    WTView *canvas = document->canvas();
    if (!canvas || canvas->findChild<RecoveryTap *>(QString(), Qt::FindDirectChildrenOnly))
        return;
    std::erase_if(mTaps, [](const QPointer<RecoveryTap> &tap) { return tap.isNull(); });
    mTaps.emplace_back(
        new RecoveryTap(canvas, document, mRoot, &mWorker, [this] { return isRestoring(); }));
}

void RecoveryManager::waitUntilWritten()
{
    for (const QPointer<RecoveryTap> &tap : mTaps)
        if (tap)
            tap->waitUntilDurable();
    mWorker.waitForDone();
}

QString RecoveryManager::displayName(const RecoveredRecord &record)
{
    return record.start.path.isEmpty() ? tr("Untitled") : QFileInfo(record.start.path).fileName();
}

// Records with nothing unsaved in them go without a word; one with anything unreadable stays.
std::vector<std::unique_ptr<RecoveredRecord>> RecoveryManager::claimUnsaved()
{
    std::vector<std::unique_ptr<RecoveredRecord>> records = claimOrphanedRecords(mRoot);
    std::erase_if(records, [](const std::unique_ptr<RecoveredRecord> &record) {
        if (record->damaged || record->hasUnsavedWork())
            return false;
        record->remove();
        return true;
    });
    return records;
}

InkpondDocument *RecoveryManager::restore(RecoveredRecord &record, QString *error)
{
    DocumentController *controller = &mDocuments;
    if (!record.readable) {
        if (error)
            *error = record.problem;
        return nullptr;
    }
    const QSize size = record.start.hasPicture() ? record.start.pictureSize() : record.start.size;
    // The record's tiles, shared until the canvas paints one; a blank start costs no pixels.
    auto tiles = record.start.base ? std::make_unique<TiledImage>(record.start.base->sharedCopy())
                                   : std::make_unique<TiledImage>(Size {float(size.width()),
                                                                        float(size.height())});
    if (!Image::isValidSize(tiles->size())) {
        if (error)
            *error = tr("There is not enough memory for a picture of %1 × %2 pixels.")
                         .arg(size.width())
                         .arg(size.height());
        return nullptr;
    }
    QPointer<InkpondDocument> document
        = qobject_cast<InkpondDocument *>(controller->openUntitledDocumentAndDisplay(false, error));
    if (!document)
        return nullptr;
    if (const Picture *layered = record.start.layered.get()) {
        std::vector<std::unique_ptr<Layer>> layers;
        for (const auto &layer : layered->layers())
            layers.push_back(layer->frozenCopy());
        document->setStartingLayers(std::move(layers), layered->currentLayerIndex());
    } else {
        document->setStartingImage(std::move(tiles));
    }
    if (!record.start.path.isEmpty())
        document->setFileURL(QUrl::fromLocalFile(record.start.path));
    if (!record.start.type.isEmpty())
        document->setFileType(record.start.type);
    // Edited from the start, so that its own record keeps it even before another stroke.
    document->updateChangeCount(Document::ChangeReadOtherContents);
    document->makeWindowControllers();
    document->showWindows();
    QPointer<WTView> canvas = document->canvas();
    if (!canvas) {
        if (error)
            *error = tr("The document's window could not be made.");
        if (document)
            document->close();
        return nullptr;
    }
    RecoveryTap::applyPenSettings(*canvas, record.start.pen);
    QCoreApplication::processEvents(); // the window shown and laid out

    mRestoring = true;
    SessionReplayer replayer(record.events, canvas);
    replayer.replayAll();
    mRestoring = false;
    for (const QString &warning : replayer.warnings())
        tell(QStringLiteral("%1: %2").arg(displayName(record), warning));
    if (!document || !canvas) {
        if (error)
            *error = tr("The document was closed while it was being restored.");
        return nullptr;
    }
    // A line left pending or chaining is not part of the picture; the view is, where it was
    // kept and reads as one (a damaged one is left out: the picture matters, not the view).
    canvas->core().setLineMode(CanvasCore::LineMode::Off);
    if (const auto view = ViewTransform::fromJson(record.start.view))
        canvas->viewport().setView(*view);
    // Its new record holds everything before the old one may go.
    if (auto *tap = canvas->findChild<RecoveryTap *>(QString(), Qt::FindDirectChildrenOnly))
        tap->waitUntilDurable();
    mWorker.waitForDone();
    return document;
}

void RecoveryManager::keepUntilSaved(std::unique_ptr<RecoveredRecord> record,
                                     InkpondDocument *document)
{
    // Held, locked, while the document is open: its end leaves the record to a later start, a
    // save removes it.
    auto *keeper = new QObject(document);
    const std::shared_ptr<RecoveredRecord> kept = std::move(record);
    connect(document, &Document::changesCleared, keeper, [keeper, kept] {
        kept->remove();
        keeper->deleteLater();
    });
}

bool RecoveryManager::restoreAll(std::vector<std::unique_ptr<RecoveredRecord>> &records)
{
    bool restoredAny = false;
    for (auto &record : records) {
        if (!record->readable)
            continue; // nothing in it can be shown; kept until it is discarded
        QString error;
        if (InkpondDocument *document = restore(*record, &error)) {
            // What could not be read stays on the disk until the restored picture is saved.
            if (record->damaged)
                keepUntilSaved(std::move(record), document);
            else
                record->remove();
            restoredAny = true;
            continue;
        }
        // Kept for a later start: nothing is thrown away that could not be shown.
        QMessageBox box(QMessageBox::Warning, tr("Inkpond"),
                        tr("“%1” could not be restored.").arg(displayName(*record)));
        box.setInformativeText(error);
        box.exec();
    }
    return restoredAny;
}

bool RecoveryManager::offerRestore()
{
    std::vector<std::unique_ptr<RecoveredRecord>> records = claimUnsaved();
    if (records.empty())
        return false;
    const bool one = records.size() == 1;
    QMessageBox box(QMessageBox::Warning, tr("Inkpond"),
                    one ? tr("Inkpond did not quit normally, and a picture had unsaved changes.")
                        : tr("Inkpond did not quit normally, and %1 pictures had unsaved changes.")
                              .arg(records.size()));
    QStringList details;
    details << (one ? tr("Restore it to go on where you left off: it opens as it was after its "
                         "last finished stroke.")
                    : tr("Restore them to go on where you left off: each opens as it was after "
                         "its last finished stroke."));
    for (const auto &record : records) {
        if (!record->readable)
            details << tr("“%1” cannot be restored: %2 It is kept until you discard it.")
                           .arg(displayName(*record), record->problem);
        else if (record->damaged)
            details << tr("“%1” is damaged: %2 What can be read will be restored, and the record "
                          "is kept until the picture is saved.")
                           .arg(displayName(*record), record->problem);
    }
    box.setObjectName(QStringLiteral("restoreQuestion"));
    box.setInformativeText(details.join(QStringLiteral("\n\n")));
    QPushButton *restoreButton = box.addButton(tr("Restore"), QMessageBox::AcceptRole);
    QPushButton *discardButton = box.addButton(tr("Discard"), QMessageBox::DestructiveRole);
    QPushButton *laterButton = box.addButton(tr("Later"), QMessageBox::RejectRole);
    box.setDefaultButton(restoreButton);
    box.setEscapeButton(laterButton);
    box.exec();

    if (box.clickedButton() == restoreButton)
        return restoreAll(records);
    if (box.clickedButton() == discardButton)
        for (auto &record : records)
            record->remove();
    // Later: the locks go with the records, which stay for the next start.
    return false;
}

int RecoveryManager::recoverTo(const QString &folder)
{
    std::vector<std::unique_ptr<RecoveredRecord>> records = claimUnsaved();
    if (records.empty()) {
        tell(tr("nothing to recover"));
        return 0;
    }
    if (!QDir().mkpath(folder)) {
        tell(tr("cannot make the folder %1").arg(folder));
        return 1;
    }
    int status = 0;
    int number = 0;
    for (auto &record : records) {
        const QString name = displayName(*record);
        if (record->damaged)
            tell(tr("“%1” is damaged: %2").arg(name, record->problem));
        QString error;
        QPointer<InkpondDocument> document = restore(*record, &error);
        if (!document) {
            tell(tr("“%1” could not be restored: %2").arg(name, error));
            status = 1;
            continue;
        }
        const QString path
            = QDir(folder).filePath(QStringLiteral("recovered-%1.png").arg(++number));
        if (exportPicture(*document->canvas(), path, false, &error)) {
            tell(tr("“%1” restored to %2").arg(name, path));
            // What could not be read is kept for another try.
            if (record->damaged)
                tell(tr("“%1” is kept in %2").arg(name, record->folder));
            else
                record->remove();
        } else {
            tell(tr("“%1” could not be saved to %2: %3").arg(name, path, error));
            status = 1;
        }
        document->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
