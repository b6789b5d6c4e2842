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

