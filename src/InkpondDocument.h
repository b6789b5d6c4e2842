#pragma once

#include "Document.h"
#include "DocumentTypes.h"
#include "Image.h"

#include <QPointer>
#include <memory>

class WTView;

// One picture as a document: saved and opened as an ordinary image file of the chosen type.
class InkpondDocument : public Document
{
    Q_OBJECT

public:
    explicit InkpondDocument(QObject *parent = nullptr);
    ~InkpondDocument() override;

    // The document-types table built into the application.
    static DocumentTypes documentTypes();

    void setCanvas(WTView *canvas);
    WTView *canvas() const;

    // The canvas's picture without its background, encoded by the writer that the type's
    // first extension names.
    QByteArray dataOfType(const QString &typeName, QString *error) override;
    // Reads the file; whatever the result, the document then counts as unedited.
    bool readFromURL(const QUrl &url, const QString &typeName, QString *error) override;
    // Decodes by content, whatever type the data was offered under; the picture becomes the
    // starting image and the document counts as edited.
    bool readFromData(const QByteArray &data, const QString &typeName, QString *error) override;
    // The picture read from a file or data, for the canvas when the window is made; nullptr
    // while none was read.
    const Image *startingImage() const { return mStartingImage.get(); }
    // Gives the canvas the file's picture; on failure the canvas keeps its own.
    bool revertToContentsOfURL(const QUrl &url, const QString &typeName, QString *error) override;

    // A plain window with the canvas (InkpondDocumentWindow.cpp).
    void makeWindowControllers() override;

private:
    QByteArray formatHintForType(const QString &typeName) const;

    std::unique_ptr<Image> mStartingImage;
    QPointer<WTView> mCanvasView; // not owned: it lives in the document's window
};
