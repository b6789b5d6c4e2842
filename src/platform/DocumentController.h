#pragma once

#include "DocumentTypes.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

class Document;

// Keeps the application's open documents and opens new and existing ones; it owns every
// document it holds, which reach it through Document::controller().
class DocumentController : public QObject
{
    Q_OBJECT

public:
    using DocumentFactory = std::function<std::unique_ptr<Document>()>;

    DocumentController(DocumentTypes types, DocumentFactory makeDocument,
                       QObject *parent = nullptr);
    ~DocumentController() override;

    const DocumentTypes &documentTypes() const { return mTypes; }
    // The extensions of a type, in the table's order; none for an unknown type.
    QStringList fileExtensionsFromType(const QString &typeName) const;
    QString defaultType() const { return mTypes.defaultType(); }
    // By the file's extension, else by its content, else the default type.
    QString typeForContentsOfURL(const QUrl &url) const;

    std::vector<Document *> documents() const;
    Document *documentForURL(const QUrl &url) const;
    void addDocument(std::unique_ptr<Document> document);
    // Stops holding the document and hands it to Qt's deferred deletion, so that it may be
    // removed from inside one of its own answers.
    void removeDocument(Document *document);
    // "Untitled" for the first untitled document, then "Untitled 2", "Untitled 3", ...: the
    // lowest number no other open document uses.
    QString untitledNameFor(const Document *document) const;

    // A new document of the default type; shown with its window when display is true.
    Document *openUntitledDocumentAndDisplay(bool display, QString *error);
    // The same with a document the caller made.
    Document *openUntitledDocument(std::unique_ptr<Document> document, bool display);
    // The document of that file: the open one, or one read from the file. nullptr and a reason
    // in *error when the file cannot be read, none when the user cancelled the read.
    Document *openDocumentWithContentsOfURL(const QUrl &url, bool display, QString *error);
    // The last open ended by the user's Cancel: nothing to tell.
    bool wasOpenCancelled() const { return mOpenCancelled; }
    // Opens each file, telling the user about each one that cannot be opened.
    void openFiles(const QStringList &paths);

    // Commands.
    void newDocument();
    void openDocument(); // asks for files of the readable types
    // Quit: asks about every document with unsaved changes in turn, then closes them all and
    // quits; a Cancel stops it there.
    void terminate();
    // Asks about every edited document in turn; completion(false) as soon as one is cancelled.
    void reviewUnsavedDocuments(std::function<void(bool)> completion);

signals:
    void documentAdded(Document *document);
    void documentRemoved(Document *document);

private:
    void reviewNext(std::shared_ptr<std::vector<QPointer<Document>>> pending,
                    std::function<void(bool)> completion);
    void presentOpenError(const QString &path, const QString &error);

    DocumentTypes mTypes;
    DocumentFactory mMakeDocument;
    std::vector<std::unique_ptr<Document>> mDocuments;
    bool mOpenCancelled = false;
};
