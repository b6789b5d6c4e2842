// The commands that belong to no document: a new picture from the clipboard, another launch's
// files, bringing the windows forward, and when their menu items can be chosen.
#include "TabletApplication.h"

#include "Document.h"
#include "DocumentController.h"
#include "PastedImage.h"

#include <QAction>
#include <QClipboard>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace {
// In order of preference, for the command and its menu item alike: TIFF keeps what the copying
// program had best; PNG is what browsers and most other programs offer.
const char *const kClipboardImageTypes[] = {"image/tiff", "image/x-pict", "image/png"};

// The accepted image types on offer, in order of preference.
QStringList availableImageTypes(const QMimeData *data)
{
    QStringList types;
    if (!data)
        return types;
    for (const char *type : kClipboardImageTypes)
        if (data->hasFormat(QLatin1String(type)))
            types << QLatin1String(type);
    return types;
}
} // namespace

void TabletApplication::newDocumentFromClipboard(QObject *)
{
    const QMimeData *clip = clipboard()->mimeData();
    const QStringList types = availableImageTypes(clip);
    if (types.isEmpty())
        return;
    DocumentController *documents = mDocuments;
    if (!documents)
        return;
    Document *document = documents->openUntitledDocumentAndDisplay(false, nullptr);
    if (!document)
        return;
    // A program may offer a type it encodes badly beside one that reads: take the first that does.
    for (const QString &type : types) {
        const QByteArray data = clip->data(type);
        if (!data.isEmpty() && document->readFromData(data, type, nullptr)) {
            document->makeWindowControllers();
            document->showWindows();
            return;
        }
    }
    document->close();
}

void TabletApplication::openHandedFiles(const QStringList &paths)
{
    DocumentController *documents = mDocuments;
    if (!documents)
        return;
    if (paths.isEmpty())
        documents->newDocument();
    else
        documents->openFiles(paths);
    // The last one named, or the new picture; a file open already is brought forward too.
    const QUrl last = paths.isEmpty() ? QUrl() : QUrl::fromLocalFile(paths.last());
    const std::vector<Document *> open = documents->documents();
    for (auto d = open.rbegin(); d != open.rend(); ++d) {
        if (!last.isEmpty() && (*d)->fileURL() != last)
            continue;
        if (QWidget *w = (*d)->window()) {
            w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
            w->raise();
            w->activateWindow();
        }
        return;
    }
}

void TabletApplication::arrangeInFront(QObject *)
{
    const DocumentController *documents = mDocuments;
    if (!documents)
        return;
    QWidget *front = nullptr;
    for (const Document *document : documents->documents()) {
        QWidget *w = document->window();
        if (!w || !w->isVisible() || w->isMinimized())
            continue;
        w->raise();
        front = w;
    }
    // The window the user works in stays in front of the others.
    if (QWidget *active = activeWindow()) {
        active->raise();
        front = active;
    }
    if (front)
        front->activateWindow();
}

bool TabletApplication::validateUserInterfaceItem(const QAction *item) const
{
    const QString action = item ? item->objectName() : QString();
    if (action == QLatin1String("newDocumentFromClipboard:"))
        return !availableImageTypes(clipboard()->mimeData()).isEmpty();
    if (action == QLatin1String("paste:"))
        return PastedImage::isOffered(clipboard()->mimeData());
    if (action == QLatin1String("arrangeInFront:")) {
        return mDocuments && !mDocuments->documents().empty();
    }
    return true;
}

void TabletApplication::observeDocuments(DocumentController *controller)
{
    if (mDocuments)
        disconnect(mDocuments, nullptr, this, nullptr);
    mDocuments = controller;
    connect(controller, &DocumentController::documentAdded, this,
            &TabletApplication::validationChanged);
    connect(controller, &DocumentController::documentRemoved, this,
            &TabletApplication::validationChanged);
}

QMetaObject::Connection TabletApplication::onValidationChanged(QObject *context,
                                                               std::function<void()> changed)
{
    return connect(this, &TabletApplication::validationChanged, context, std::move(changed));
}
