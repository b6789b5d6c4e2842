#pragma once

#include "Document.h"
#include "DocumentTypes.h"
#include "Image.h"
#include "ImageCodec.h"
#include "Layer.h"
#include "TiledImage.h"
#include "Toolbar.h"

#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class CanvasQuestions;
class DocumentController;
class DocumentWindow;
class Preferences;
class Picture;
class WTView;

// One picture as a document: saved and opened as an ordinary image file of the chosen type.
// Its window (InkpondDocumentWindow.cpp) has the canvas and a toolbar of pen settings, whose
// items the document makes (InkpondToolbar.cpp).
class InkpondDocument : public Document, public ToolbarDelegate
{
    Q_OBJECT

public:
    explicit InkpondDocument(QObject *parent = nullptr);
    ~InkpondDocument() override;

    // The document-types table built into the application.
    static DocumentTypes documentTypes();
    // A document controller of Inkpond documents of those types, each keeping its settings in
    // the store that store() gives as it is made, and asking its questions through questions.
    // Both outlive the documents.
    static std::unique_ptr<DocumentController>
    newDocumentController(std::function<Preferences &()> store, CanvasQuestions &questions);

    void setCanvas(WTView *canvas);
    WTView *canvas() const;

    // The canvas's picture without its background, encoded by the writer that the type's
    // first extension names.
    QByteArray dataOfType(const QString &typeName, QString *error) override;
    SaveWork saveWork(const QString &typeName, QString *error) override;
    // The picture as it is now, to be written later on any thread as a file of that extension
    // (at that quality, where the format takes one); what is painted meanwhile does not reach
    // it. onTransparent runs, on the writing thread, when transparent parts were written on white.
    static SaveWork pictureWork(const Picture &picture, const QByteArray &extension, bool withBG,
                                int quality = ImageCodec::kQuality,
                                std::function<void()> onTransparent = {});
    // The quality of JPEG and WebP files: the one last chosen, else the usual one.
    int saveQuality() const;
    // Above this many pixels a PNG is written a band of rows at a time: always, since that is
    // also faster than Qt's writer for small pictures; tests raise it to compare with Qt's.
    static inline double sBandedPixels = 0.0;
    // Reads the file on a thread of its own, straight into tiles, with progress and Cancel once
    // it lasts; whatever the result, the document then counts as unedited.
    bool readFromURL(const QUrl &url, const QString &typeName, QString *error) override;
    // Decodes by content, whatever type the data was offered under; the picture becomes the
    // starting picture and the document counts as edited.
    bool readFromData(const QByteArray &data, const QString &typeName, QString *error) override;
    // The picture read from a file or data, for the canvas when the window is made, which takes
    // its tiles; nullptr while none was read, and once the canvas has it.
    const TiledImage *startingImage() const { return mStartingImage.get(); }
    // Whether the document started from a picture rather than a blank sheet.
    bool hasStartingPicture() const { return mHasStartingPicture; }
    // Where the window keeps its settings (the canvas's pen, the toolbar, the recent files);
    // given before the window is made, and outliving the document.
    void setSettingsStore(Preferences *store) { mSettingsStore = store; }
    // What the window's canvas asks the user through (crops, refused sheets); given before the
    // window is made, and outliving the document.
    void setCanvasQuestions(CanvasQuestions *questions) { mQuestions = questions; }
    // The picture the window will start with, for a document made without a file.
    void setStartingImage(std::unique_ptr<TiledImage> image);
    // The same with several layers, bottom first, the current one at index.
    void setStartingLayers(std::vector<std::unique_ptr<Layer>> layers, int current);
    // Gives the canvas the file's picture; on failure the canvas keeps its own.
    bool revertToContentsOfURL(const QUrl &url, const QString &typeName, QString *error) override;

    // The interface file of the document window.
    QString windowNibName() const;
    // Loads the window, starts its canvas and shows the document in it.
    void makeWindowControllers() override;
    // The window is loaded: puts the toolbar on it.
    void windowControllerDidLoadNib(DocumentWindow *windowController);
    // The views the window's interface file gives the document; it does not own them.
    void setWindowViews(QWidget *colorWell, QWidget *penView, QWidget *brushSizeSlider,
                        QWidget *bgTypeSlider);
    // The buttons of the window's Undo and Redo, for the toolbar's items of those names.
    void setHistoryViews(QWidget *undoButton, QWidget *redoButton);

    // The toolbar's items (InkpondToolbar.cpp).
    QStringList toolbarAllowedItemIdentifiers(Toolbar *toolbar) override;
    QStringList toolbarDefaultItemIdentifiers(Toolbar *toolbar) override;
    std::unique_ptr<ToolbarItem> toolbar(Toolbar *toolbar, const QString &itemIdentifier,
                                         bool flag) override;

    // The zoom rule: the frame that shows the whole sheet as the view shows it, within
    // defaultFrame (screen points, y up).
    Rect windowWillUseStandardFrame(QWidget *window, const Rect &defaultFrame) const override;

signals:
    // The window and its canvas were made.
    void windowMade();

private:
    // The owning controller's extensions of the type, the first naming its files.
    QStringList extensionsOfType(const QString &typeName) const;
    QByteArray formatHintForType(const QString &typeName) const;
    // A note on the window's status bar that asks nothing and goes by itself.
    void tellInPassing(const QString &note);
    // Said once a document: a flat file was written from a layered picture.
    void tellFlattened(const QString &typeName);
    // Said once a document: a file without transparency was written from one with it.
    void tellTransparent(const QString &typeName);
    // Save As asks for the quality of JPEG and WebP files, and remembers it.
    void chooseSaveOptions(const QString &typeName, std::function<void(bool)> proceed) override;
    // A layered file's layers, bottom first, read in the background; empty on failure.
    std::vector<std::unique_ptr<Layer>> readLayers(const QUrl &url, int *current,
                                                   QStringList *notes, QString *error);
    // The file's picture, read once it is known to be a picture file of a size that can be one,
    // in the background.
    std::unique_ptr<TiledImage> readPicture(const QUrl &url, const QString &typeName,
                                            QString *error);

    std::unique_ptr<TiledImage> mStartingImage;
    std::vector<std::unique_ptr<Layer>> mStartingLayers;
    int mStartingCurrentLayer = 0;
    QStringList mReadNotes;
    bool mToldFlattened = false;
    bool mToldTransparent = false;
    bool mHasStartingPicture = false;
    Preferences *mSettingsStore = nullptr;
    CanvasQuestions *mQuestions = nullptr;
    // Not owned: they live in the document's window.
    QPointer<WTView> mCanvasView;
    QPointer<QWidget> mCurrColorWell;
    QPointer<QWidget> mCurrPenView;
    QPointer<QWidget> mBrushSizeSlider;
    QPointer<QWidget> mBgTypeSlider;
    QPointer<QWidget> mUndoButton;
    QPointer<QWidget> mRedoButton;
};
