// The document's commands: save, save as, revert and close, with their questions and reports.
#include "Document.h"

#include "DocumentTypes.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

namespace {
// Calls a completion that may be empty.
void finish(const Document::Completion &done, bool succeeded)
{
    if (done)
        done(succeeded);
}

const DocumentTypes *typesOf(const Document *document)
{
    return document->documentTypes();
}

// The file name with the type's extension: kept when it has one of the type's, added otherwise.
QString withExtension(const QString &path, const DocumentType &type)
{
    if (type.extensions.contains(QFileInfo(path).suffix().toLower()))
        return path;
    return path + QLatin1Char('.') + type.extensions.first();
}
} // namespace

QMessageBox *Document::makeAlert(int icon, const QString &text, const QString &informativeText)
{
    auto *box = new QMessageBox(QMessageBox::Icon(icon), QString(), text, QMessageBox::NoButton,
                                mWindow);
    box->setInformativeText(informativeText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(mWindow ? Qt::WindowModal : Qt::ApplicationModal);
    return box;
}

void Document::present(QDialog *dialog)
{
    // open() makes a dialog window-modal, which blocks nothing without a window.
    if (mWindow)
        dialog->open();
    else
        dialog->show();
}

void Document::presentError(const QString &message, const QString &informativeText,
                            std::function<void()> done)
{
    QMessageBox *box = makeAlert(QMessageBox::Warning, message, informativeText);
    box->setObjectName(QStringLiteral("errorAlert"));
    box->setStandardButtons(QMessageBox::Ok);
    connect(box, &QMessageBox::finished, this, [done = std::move(done)] {
        if (done)
            done();
    });
    present(box);
}

void Document::saveDocument(Completion done)
{
    const DocumentTypes *types = typesOf(this);
    const DocumentType *type = types ? types->typeNamed(mFileType) : nullptr;
    if (mFileURL.isEmpty() || !type || !type->isWritable()) {
        saveDocumentAs(std::move(done));
        return;
    }
    saveToURL(mFileURL, mFileType, std::move(done));
}

void Document::saveDocumentAs(Completion done)
{
    const DocumentTypes *types = typesOf(this);
    const auto writable = types ? types->writableTypes() : std::vector<const DocumentType *> {};
    if (writable.empty()) {
        finish(done, false);
        return;
    }
    const DocumentType *chosen = types->typeNamed(mFileType);
    if (!chosen || !chosen->isWritable())
        chosen = types->typeNamed(types->defaultType());
    QStringList filters;
    for (const DocumentType *t : writable)
        filters << DocumentTypes::nameFilter(*t);

    auto *dialog = new QFileDialog(mWindow, tr("Save As"));
    dialog->setObjectName(QStringLiteral("saveAsDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(mWindow ? Qt::WindowModal : Qt::ApplicationModal);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters(filters);
    dialog->selectNameFilter(DocumentTypes::nameFilter(*chosen));
    dialog->setDefaultSuffix(chosen->extensions.first());
    dialog->setDirectory(mFileURL.isEmpty()
                             ? QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)
                             : QFileInfo(mFileURL.toLocalFile()).absolutePath());
    dialog->selectFile(QFileInfo(displayName()).completeBaseName() + QLatin1Char('.')
                       + chosen->extensions.first());
    // Qt adds the default suffix before it asks about replacing a file: keep it the chosen type's.
    connect(dialog, &QFileDialog::filterSelected, dialog,
            [dialog, writable, filters](const QString &f) {
                if (const auto i = filters.indexOf(f); i >= 0)
                    dialog->setDefaultSuffix(writable[size_t(i)]->extensions.first());
            });
    connect(dialog, &QFileDialog::finished, this,
            [this, dialog, writable, filters, done](int result) {
                const QStringList files = dialog->selectedFiles();
                const auto i = filters.indexOf(dialog->selectedNameFilter());
                if (result == QDialog::Accepted && !files.isEmpty() && i >= 0)
                    saveToChosenFile(files.first(), writable[size_t(i)]->name, done);
                else
                    finish(done, false);
            });
    present(dialog);
}

void Document::chooseSaveOptions(const QString &, std::function<void(bool)> proceed)
{
    proceed(true);
}

void Document::saveToChosenFile(const QString &chosenPath, const QString &typeName, Completion done)
{
    const DocumentType *typed = typesOf(this)->typeForFileName(chosenPath);
    const QString chosen = typed && typed->isWritable() ? typed->name : typeName;
    chooseSaveOptions(chosen, [this, guard = QPointer<Document>(this), chosenPath, chosen,
                               done](bool proceed) {
        if (!guard)
            return;
        if (proceed)
            writeChosenFile(chosenPath, chosen, done);
        else
            finish(done, false);
    });
}

void Document::writeChosenFile(const QString &chosenPath, const QString &typeName, Completion done)
{
    const DocumentTypes &types = *typesOf(this);
    // An extension the user typed that names a type we can write chooses that type, whatever
    // filter is selected: the file's name then tells the truth about its contents.
    const DocumentType *typed = types.typeForFileName(chosenPath);
    const DocumentType &type
        = typed && typed->isWritable() ? *typed : *types.typeNamed(typeName);
    const QString path = withExtension(chosenPath, type);
    const QUrl url = QUrl::fromLocalFile(path);
    if (path == chosenPath || !QFileInfo::exists(path)) {
        saveToURL(url, type.name, std::move(done));
        return;
    }
    // The added extension names a file that the dialog did not ask about.
    QMessageBox *box = makeAlert(
        QMessageBox::Warning,
        tr("“%1” already exists. Do you want to replace it?").arg(QFileInfo(path).fileName()),
        tr("Replacing it will overwrite its current contents."));
    box->setObjectName(QStringLiteral("replaceAlert"));
    box->setStandardButtons(QMessageBox::Cancel);
    QPushButton *replace = box->addButton(tr("Replace"), QMessageBox::AcceptRole);
    box->setDefaultButton(QMessageBox::Cancel);
    connect(box, &QMessageBox::finished, this, [this, box, replace, url, name = type.name, done] {
        if (box->clickedButton() == replace)
            saveToURL(url, name, done);
        else
            finish(done, false);
    });
    present(box);
}

void Document::revertDocumentToSaved()
{
    if (mFileURL.isEmpty())
        return;
    QMessageBox *box = makeAlert(
        QMessageBox::Question,
        tr("Do you want to revert to the most recently saved version of the document “%1”?")
            .arg(displayName()),
        tr("Your current changes will be lost."));
    box->setObjectName(QStringLiteral("revertAlert"));
    box->setStandardButtons(QMessageBox::Cancel);
    QPushButton *revert = box->addButton(tr("Revert"), QMessageBox::AcceptRole);
    box->setDefaultButton(revert);
    connect(box, &QMessageBox::finished, this, [this, box, revert] {
        if (box->clickedButton() != revert || mFileURL.isEmpty())
            return;
        QString error;
        if (!revertToContentsOfURL(mFileURL, mFileType, &error))
            presentError(tr("The document “%1” could not be reverted to its saved version.")
                             .arg(displayName()),
                         error);
    });
    present(box);
}

void Document::performClose()
{
    if (isSaving()) { // asked once the save has ended, when the answer may have changed
        mAfterSave.push_back([this] { performClose(); });
        return;
    }
    canCloseDocumentWithDelegate(
        this,
        [](Document *document, bool shouldClose, void *) {
            if (shouldClose)
                document->close();
        },
        nullptr);
}

void Document::close()
{
    if (mClosing)
        return;
    mClosing = true;
    if (mWindow) {
        mWindow->removeEventFilter(this);
        mWindow->close();
    }
    emit closed(this);
}

void Document::canCloseDocumentWithDelegate(QObject *delegate,
                                            ShouldCloseHandler shouldCloseSelector,
                                            void *contextInfo)
{
    const QPointer<QObject> guard(delegate);
    auto answer = [this, guard, hadDelegate = delegate != nullptr, shouldCloseSelector,
                   contextInfo](bool shouldClose) {
        if (hadDelegate && !guard)
            return;
        if (shouldCloseSelector)
            shouldCloseSelector(this, shouldClose, contextInfo);
    };
    if (isSaving()) {
        mAfterSave.push_back([this, guard, hadDelegate = delegate != nullptr, shouldCloseSelector,
                               contextInfo] {
            if (!hadDelegate || guard)
                canCloseDocumentWithDelegate(guard, shouldCloseSelector, contextInfo);
        });
        return;
    }
    if (!isDocumentEdited()) {
        answer(true);
        return;
    }
    if (mCloseQuestion) {
        // The user is being asked already; a second question would answer for the first.
        mCloseQuestion->raise();
        answer(false);
        return;
    }
    QMessageBox *box = makeAlert(
        QMessageBox::Warning,
        tr("Do you want to save the changes made to the document “%1”?").arg(displayName()),
        tr("Your changes will be lost if you don't save them."));
    box->setObjectName(QStringLiteral("saveChangesAlert"));
    box->setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box->button(QMessageBox::Discard)->setText(tr("Don't Save"));
    box->setDefaultButton(QMessageBox::Save);
    box->setEscapeButton(QMessageBox::Cancel);
    mCloseQuestion = box;
    connect(box, &QMessageBox::finished, this, [this, answer](int result) {
        if (result == QMessageBox::Save)
            saveDocument(answer);
        else
            answer(result == QMessageBox::Discard);
    });
    present(box);
}
