#include "DocumentController.h"

#include "Document.h"
#include "LocalFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMessageBox>
#include <QPointer>
#include <QStandardPaths>

DocumentController::DocumentController(DocumentTypes types, DocumentFactory makeDocument,
                                       QObject *parent)
    : QObject(parent)
    , mTypes(std::move(types))
    , mMakeDocument(std::move(makeDocument))
{
}

DocumentController::~DocumentController() = default;

QStringList DocumentController::fileExtensionsFromType(const QString &typeName) const
{
    const DocumentType *type = mTypes.typeNamed(typeName);
    return type ? type->extensions : QStringList();
}

QString DocumentController::typeForContentsOfURL(const QUrl &url) const
{
    const QString path = url.toLocalFile();
    if (const DocumentType *type = mTypes.typeForFileName(path))
        return type->name;
    // Never by opening it by name: a FIFO would block until a writer came.
    QFile file;
    const QByteArray format
        = LocalFile::openForReading(file, path, LocalFile::kNoSizeLimit, nullptr)
        ? QImageReader::imageFormat(&file)
        : QByteArray();
    if (!format.isEmpty())
        if (const DocumentType *type
            = mTypes.typeForFileName(QStringLiteral("x.") + QString::fromLatin1(format)))
            return type->name;
    return mTypes.defaultType();
}

std::vector<Document *> DocumentController::documents() const
{
    std::vector<Document *> result;
    result.reserve(mDocuments.size());
    for (const auto &d : mDocuments)
        result.push_back(d.get());
    return result;
}

Document *DocumentController::documentForURL(const QUrl &url) const
{
    const QString path = QFileInfo(url.toLocalFile()).canonicalFilePath();
    if (path.isEmpty())
        return nullptr;
    for (const auto &d : mDocuments)
        if (!d->fileURL().isEmpty()
            && QFileInfo(d->fileURL().toLocalFile()).canonicalFilePath() == path)
            return d.get();
    return nullptr;
}

void DocumentController::addDocument(std::unique_ptr<Document> document)
{
    Document *d = document.get();
    d->mTypes = &mTypes;
    d->mController = this;
    d->mUntitledNamer = [this](const Document *named) { return untitledNameFor(named); };
    connect(d, &Document::closed, this, &DocumentController::removeDocument);
    mDocuments.push_back(std::move(document));
    emit documentAdded(d);
}

void DocumentController::removeDocument(Document *document)
{
    for (auto it = mDocuments.begin(); it != mDocuments.end(); ++it) {
        if (it->get() != document)
            continue;
        it->release()->deleteLater();
        mDocuments.erase(it);
        document->mTypes = nullptr;
        document->mController = nullptr;
        document->mUntitledNamer = nullptr;
        disconnect(document, &Document::closed, this, &DocumentController::removeDocument);
        emit documentRemoved(document);
        return;
    }
}

QString DocumentController::untitledNameFor(const Document *document) const
{
    auto nameFor = [](int n) { return n == 1 ? tr("Untitled") : tr("Untitled %1").arg(n); };
    for (int n = 1;; ++n) {
        const QString name = nameFor(n);
        bool used = false;
        for (const auto &d : mDocuments)
            used = used
                || (d.get() != document && d->fileURL().isEmpty() && d->mUntitledName == name);
        if (!used)
            return name;
    }
}

Document *DocumentController::openUntitledDocumentAndDisplay(bool display, QString *error)
{
    std::unique_ptr<Document> document = mMakeDocument ? mMakeDocument() : nullptr;
    if (!document) {
        if (error)
            *error = tr("A new document could not be made.");
        return nullptr;
    }
    return openUntitledDocument(std::move(document), display);
}

Document *DocumentController::openUntitledDocument(std::unique_ptr<Document> document, bool display)
{
    document->setFileType(defaultType());
    Document *d = document.get();
    addDocument(std::move(document));
    d->displayName(); // takes its number now, in the order documents are made
    if (display) {
        d->makeWindowControllers();
        d->showWindows();
    }
    return d;
}

Document *DocumentController::openDocumentWithContentsOfURL(const QUrl &url, bool display,
                                                            QString *error)
{
    mOpenCancelled = false;
    if (Document *open = documentForURL(url)) {
        if (display)
            open->showWindows();
        return open;
    }
    std::unique_ptr<Document> document = mMakeDocument ? mMakeDocument() : nullptr;
    if (!document) {
        if (error)
            *error = tr("A new document could not be made.");
        return nullptr;
    }
    const QString type = typeForContentsOfURL(url);
    if (!document->readFromURL(url, type, error)) {
        mOpenCancelled = document->wasReadCancelled();
        return nullptr;
    }
    document->setFileURL(url);
    document->setFileType(type);
    Document *d = document.get();
    addDocument(std::move(document));
    if (display) {
        d->makeWindowControllers();
        d->showWindows();
    }
    return d;
}

void DocumentController::openFiles(const QStringList &paths)
{
    for (const QString &path : paths) {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        QString error;
        if (!openDocumentWithContentsOfURL(QUrl::fromLocalFile(absolute), true, &error)
            && !mOpenCancelled)
            presentOpenError(absolute, error);
    }
}

void DocumentController::presentOpenError(const QString &path, const QString &error)
{
    auto *box = new QMessageBox(QMessageBox::Warning, QString(),
                                tr("The document “%1” could not be opened.")
                                    .arg(LocalFile::displayName(QFileInfo(path).fileName())),
                                QMessageBox::Ok);
    box->setObjectName(QStringLiteral("openErrorAlert"));
    box->setInformativeText(error.isEmpty() ? tr("The file could not be read.") : error);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}

void DocumentController::newDocument()
{
    openUntitledDocumentAndDisplay(true, nullptr);
}

void DocumentController::openDocument()
{
    QStringList patterns;
    for (const QString &ext : mTypes.readableExtensions())
        patterns << QStringLiteral("*.") + ext;
    QStringList filters {tr("Readable pictures (%1)").arg(patterns.join(QLatin1Char(' ')))};
    for (const DocumentType &t : mTypes.types())
        filters << DocumentTypes::nameFilter(t);
    filters << tr("All files (*)");

    auto *dialog = new QFileDialog(QApplication::activeWindow(), tr("Open"));
    dialog->setObjectName(QStringLiteral("openDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setNameFilters(filters);
    dialog->setDirectory(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
    connect(dialog, &QFileDialog::filesSelected, this, &DocumentController::openFiles);
    dialog->show();
}

void DocumentController::terminate()
{
    reviewUnsavedDocuments([this](bool mayQuit) {
        if (!mayQuit)
            return;
        for (Document *d : documents())
            d->close();
        QCoreApplication::quit();
    });
}

void DocumentController::reviewUnsavedDocuments(std::function<void(bool)> completion)
{
    auto pending = std::make_shared<std::vector<QPointer<Document>>>();
    for (const auto &d : mDocuments)
        if (d->isDocumentEdited())
            pending->push_back(d.get());
    reviewNext(std::move(pending), std::move(completion));
}

void DocumentController::reviewNext(std::shared_ptr<std::vector<QPointer<Document>>> pending,
                                    std::function<void(bool)> completion)
{
    while (!pending->empty() && (!pending->front() || !pending->front()->isDocumentEdited()))
        pending->erase(pending->begin());
    if (pending->empty()) {
        completion(true);
        return;
    }
    Document *d = pending->front();
    pending->erase(pending->begin());
    d->showWindows();
    d->canCloseDocumentWithDelegate(
        this,
        [this, pending, completion](Document *, bool shouldClose, void *) {
            if (shouldClose)
                reviewNext(pending, completion);
            else
                completion(false);
        },
        nullptr);
}
