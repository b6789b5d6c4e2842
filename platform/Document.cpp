#include "Document.h"

#include "LocalFile.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QWidget>
#include <new>

Document::Document(QObject *parent)
    : QObject(parent)
{
}

Document::~Document()
{
    if (m_window)
        m_window->removeEventFilter(this);
}

void Document::updateChangeCount(ChangeType change)
{
    const bool wasEdited = isDocumentEdited();
    switch (change) {
    case ChangeDone:
        ++m_changeCount;
        break;
    case ChangeUndone:
        --m_changeCount; // below zero: undone past the saved state, which is a change too
        break;
    case ChangeRedone:
        ++m_changeCount; // back at zero: redone up to the saved state, clean again
        break;
    case ChangeCleared:
        m_changeCount = 0;
        m_readOtherContents = false;
        break;
    case ChangeReadOtherContents:
        m_readOtherContents = true;
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
    if (url == m_fileURL)
        return;
    m_fileURL = url;
    m_untitledName.clear();
    synchronizeWindowTitleWithDocumentName();
    emit displayNameChanged();
}

QString Document::displayName() const
{
    if (!m_fileURL.isEmpty())
        return LocalFile::displayName(QFileInfo(m_fileURL.toLocalFile()).fileName());
    if (m_untitledName.isEmpty())
        m_untitledName = m_untitledNamer ? m_untitledNamer(this) : tr("Untitled");
    return m_untitledName;
}

void Document::setWindow(QWidget *window)
{
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = window;
    if (m_window)
        m_window->installEventFilter(this);
    synchronizeWindowTitleWithDocumentName();
}

void Document::makeWindowControllers() { }

Rect Document::windowWillUseStandardFrame(QWidget *, const Rect &defaultFrame) const
{
    return defaultFrame;
}

void Document::showWindows()
{
    if (!m_window)
        return;
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void Document::synchronizeWindowTitleWithDocumentName()
{
    if (!m_window)
        return;
    // "[*]" is where Qt puts the modified marker; a literal one in a file name is doubled.
    QString name = displayName();
    name.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    m_window->setWindowTitle(name + QLatin1String("[*]"));
    m_window->setWindowModified(isDocumentEdited());
}

bool Document::eventFilter(QObject *watched, QEvent *event)
{
    // The window system's close button is the Close command: unsaved changes are asked about.
    if (watched == m_window && event->type() == QEvent::Close && !m_closing) {
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

bool Document::writeToURL(const QUrl &url, const QString &typeName, QString *error)
{
    QString why;
    const QByteArray data = dataOfType(typeName, &why);
    if (data.isEmpty()) {
        if (error)
            *error = why.isEmpty() ? tr("Its contents could not be written as %1.").arg(typeName)
                                   : why;
        return false;
    }
    // Renaming over a device or pipe, even one reached through a link, would replace it.
    const QFileInfo target(url.toLocalFile());
    if (target.exists() && !target.isFile()) {
        if (error)
            *error = tr("It is not a regular file.");
        return false;
    }
    // The data goes to a temporary file that replaces the old one only once it is complete on
    // disk, so a failed or interrupted save never leaves half a file.
    QSaveFile file(url.toLocalFile());
    // Unbuffered, so a write the disk refuses fails here: QSaveFile does not see a failure
    // in the flush at commit and would put the empty file in place of the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(data) != data.size()
        || !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}
