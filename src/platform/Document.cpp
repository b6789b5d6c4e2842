#include "Document.h"

#include "LocalFile.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QWidget>
#include <new>

void Document::updateChangeCount(ChangeType change)
{
    const bool wasEdited = isDocumentEdited();
    switch (change) {
    case ChangeDone:
        ++mChangeCount;
        break;
    case ChangeUndone:
        --mChangeCount; // below zero: undone past the saved state, which is a change too
        break;
    case ChangeRedone:
        ++mChangeCount; // back at zero: redone up to the saved state, clean again
        break;
    case ChangeCleared:
        mChangeCount = 0;
        mReadOtherContents = false;
        break;
    case ChangeReadOtherContents:
        mReadOtherContents = true;
        break;
    }
    if (wasEdited != isDocumentEdited()) {
        synchronizeWindowTitleWithDocumentName();
        emit documentEditedChanged(isDocumentEdited());
    }
    if (change == ChangeCleared)
        emit changesCleared();
}

void Document::setFileURL(const QUrl &url)
{
    if (url == mFileURL)
        return;
    mFileURL = url;
    mUntitledName.clear();
    synchronizeWindowTitleWithDocumentName();
    emit displayNameChanged();
}

QString Document::displayName() const
{
    if (!mFileURL.isEmpty())
        return LocalFile::displayName(QFileInfo(mFileURL.toLocalFile()).fileName());
    if (mUntitledName.isEmpty())
        mUntitledName = mUntitledNamer ? mUntitledNamer(this) : tr("Untitled");
    return mUntitledName;
}

void Document::setWindow(QWidget *window)
{
    if (mWindow)
        mWindow->removeEventFilter(this);
    mWindow = window;
    if (mWindow)
        mWindow->installEventFilter(this);
    synchronizeWindowTitleWithDocumentName();
}

void Document::makeWindowControllers() { }

Rect Document::windowWillUseStandardFrame(QWidget *, const Rect &defaultFrame) const
{
    return defaultFrame;
}

void Document::showWindows()
{
    if (!mWindow)
        return;
    mWindow->show();
    mWindow->raise();
    mWindow->activateWindow();
}

void Document::synchronizeWindowTitleWithDocumentName()
{
    if (!mWindow)
        return;
    // "[*]" is where Qt puts the modified marker; a literal one in a file name is doubled.
    QString name = displayName();
    name.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    mWindow->setWindowTitle(name + QLatin1String("[*]"));
    mWindow->setWindowModified(isDocumentEdited());
}

bool Document::eventFilter(QObject *watched, QEvent *event)
{
    // The window system's close button is the Close command: unsaved changes are asked about.
    if (watched == mWindow && event->type() == QEvent::Close && !mClosing) {
        event->ignore();
        performClose();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

QByteArray Document::dataOfType(const QString &, QString *)
{
    return {};
}

bool Document::readFromData(const QByteArray &, const QString &, QString *)
{
    return false;
}

bool Document::readFromURL(const QUrl &url, const QString &typeName, QString *error)
{
    QFile file;
    if (!LocalFile::openForReading(file, url.toLocalFile(), LocalFile::kNoSizeLimit, error))
        return false;
    try {
        return readFromData(file.readAll(), typeName, error);
    } catch (const std::bad_alloc &) {
        if (error)
            *error = LocalFile::notEnoughMemory(url.toLocalFile());
        return false;
    }
}

bool Document::revertToContentsOfURL(const QUrl &url, const QString &typeName, QString *error)
{
    if (!readFromURL(url, typeName, error))
        return false;
    updateChangeCount(ChangeCleared);
    return true;
}

