#pragma once

#include "Geometry.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class DocumentController;
class DocumentTypes;
class QDialog;
class QIODevice;
class QMessageBox;

// A document of a document-based application: its file, its type, whether it has unsaved
// changes, and the commands that save, revert and close it. Subclasses say how their contents
// become file data and back (dataOfType, readFromData).
//
// Questions and reports are message boxes opened with open(): window-modal on the document's
// window when it has one, application-modal otherwise. The commands return at once and finish
// when the user has answered; their completions say whether they went through.
class Document : public QObject
{
    Q_OBJECT

public:
    enum ChangeType {
        ChangeDone = 0, // an edit
        ChangeUndone = 1, // an edit taken back
        ChangeCleared = 2, // saved, opened, reverted or cleared: nothing unsaved
        ChangeReadOtherContents = 3, // contents replaced: unsaved until saved or cleared
        ChangeRedone = 4, // an edit taken back, then made again
    };
    Q_ENUM(ChangeType)

    // The answer to canCloseDocumentWithDelegate: the document, whether it may be closed (its
    // changes were saved or the user chose to discard them), and the caller's context.
    using ShouldCloseHandler
        = std::function<void(Document *document, bool shouldClose, void *contextInfo)>;
    using Completion = std::function<void(bool succeeded)>;

    explicit Document(QObject *parent = nullptr);
    ~Document() override;

    void updateChangeCount(ChangeType change);
    // True while the count is not zero or other contents were read since the last clear.
    bool isDocumentEdited() const { return mChangeCount != 0 || mReadOtherContents; }
    int changeCount() const { return mChangeCount; }

    // The file the document is saved in; an empty URL makes it untitled.
    QUrl fileURL() const { return mFileURL; }
    void setFileURL(const QUrl &url);
    // The name of its type in the document-types table.
    QString fileType() const { return mFileType; }
    void setFileType(const QString &typeName) { mFileType = typeName; }
    // The file's name, or "Untitled", "Untitled 2", ... while it has none.
    QString displayName() const;

    // The document's window, not owned. Its title shows the display name and Qt's modified
    // marker; closing it from the window system asks about unsaved changes first.
    QWidget *window() const { return mWindow; }
    void setWindow(QWidget *window);
    // Makes the document's window; the default makes none.
    virtual void makeWindowControllers();
    void showWindows();
    // The window's zoomed frame, within defaultFrame (screen points, y up); the default is
    // defaultFrame.
    virtual Rect windowWillUseStandardFrame(QWidget *window, const Rect &defaultFrame) const;
    // The file types the owning controller offers; nullptr while no controller owns it.
    const DocumentTypes *documentTypes() const { return mTypes; }
    // The controller that owns the document; nullptr while none does.
    DocumentController *controller() const { return mController; }

    // Contents as file data of a type and back. On failure: no data or false, and possibly a
    // sentence for the user in *error. The defaults fail.
    virtual QByteArray dataOfType(const QString &typeName, QString *error);
    virtual bool readFromData(const QByteArray &data, const QString &typeName, QString *error);
    // The whole file through readFromData, once it is known to be a regular file; one that does
    // not fit in memory is refused.
    virtual bool readFromURL(const QUrl &url, const QString &typeName, QString *error);
    // Reads the file again and counts as unedited when that worked.
    virtual bool revertToContentsOfURL(const QUrl &url, const QString &typeName, QString *error);
    // Writes the contents, made on the calling thread from the contents as they are now and run
    // on any thread: into out, telling how far it got (0 to 1) and stopping when progress answers
    // false. False, with a sentence for the user in *error, when it failed or was stopped.
    using SaveWork = std::function<bool(QIODevice &out,
                                        const std::function<bool(double fraction)> &progress,
                                        QString *error)>;
    // The default encodes with dataOfType at once; the work writes what it gave.
    virtual SaveWork saveWork(const QString &typeName, QString *error);
    // Saves with saveWork and replaces the file in one step: when anything fails, the file that
    // was there stays as it was.
    bool writeToURL(const QUrl &url, const QString &typeName, QString *error);
    // The same for any work: what is not a regular file is refused, and the file is replaced only
    // once the work is complete on disk.
    static bool writeWorkToFile(const QString &path, const SaveWork &work,
                                const std::function<bool(double fraction)> &progress,
                                QString *error);

    // A save in the background (saveToURL): what it saves is the document as it was when it
    // began; the user may go on working meanwhile. Cancelling leaves the file as it was.
    bool isSaving() const { return mSave != nullptr; }
    void cancelSave();
    // How long saveToURL waits for a save before it lets it go on in the background; tests that
    // want every save finished when the command returns make it negative (no limit).
    static void setForegroundSaveWait(int milliseconds);

    // Reading in the background (DocumentReading.cpp): the work runs on a thread of its own while
    // the event loop goes on; one that lasts shows its progress and Cancel in an
    // application-modal dialog saying label. False with a sentence in *error when the work
    // failed; false with none when the user cancelled it (wasReadCancelled()).
    using ReadWork = std::function<bool(const std::function<bool(double fraction)> &progress,
                                        QString *error)>;
    bool readInBackground(const QString &label, const ReadWork &work, QString *error);
    bool wasReadCancelled() const { return mReadCancelled; }
    // How long a read blocks before the event loop runs again; negative: until it ends.
    static void setForegroundReadWait(int milliseconds);

    // Commands (DocumentCommands.cpp).
    // Saves to the document's file, or asks for one when it has none or cannot write its type.
    void saveDocument(Completion done = {});
    // Asks for a file and a type that can be written, adding the type's extension to the name.
    void saveDocumentAs(Completion done = {});
    // Writes to url as that type; on success the document belongs to that file and is unedited.
    // A failure is reported to the user and changes nothing.
    void saveToURL(const QUrl &url, const QString &typeName, Completion done = {});
    // Asks, then reads the file again.
    void revertDocumentToSaved();
    // The Close command: asks about unsaved changes, then closes.
    void performClose();
    // Closes the window and leaves the controller, which deletes the document later.
    void close();
    // When the document has unsaved changes asks whether to save them (Save, Don't Save,
    // Cancel) and saves if so chosen; then calls shouldCloseSelector, unless delegate has been
    // destroyed meanwhile. Without unsaved changes it answers at once.
    void canCloseDocumentWithDelegate(QObject *delegate, ShouldCloseHandler shouldCloseSelector,
                                      void *contextInfo);
    // Tells the user what failed (message) and why (informativeText); done runs once the user
    // has read it.
    void presentError(const QString &message, const QString &informativeText,
                      std::function<void()> done = {});

signals:
    void documentEditedChanged(bool edited);
    // Saved, opened, reverted or cleared: what the document holds now is its new starting point.
    void changesCleared();
    void displayNameChanged();
    // Closed: the owning controller lets it go.
    void closed(Document *document);
    // A background save began or ended, and how far it got (0 to 1).
    void savingChanged(bool saving);
    void saveProgressed(double fraction);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Once Save As has a file and a type: asks for what the type leaves open, then calls
    // proceed (false: the save is given up). The default proceeds at once.
    virtual void chooseSaveOptions(const QString &typeName, std::function<void(bool)> proceed);

private:
    friend class DocumentController;

    void synchronizeWindowTitleWithDocumentName();
    QMessageBox *makeAlert(int icon, const QString &text, const QString &informativeText);
    void present(QDialog *dialog);
    void saveToChosenFile(const QString &chosenPath, const QString &typeName, Completion done);
    void writeChosenFile(const QString &chosenPath, const QString &typeName, Completion done);
    void saveEnded(const QUrl &url, const QString &typeName, Completion done);
    void runAfterSave();

    int mChangeCount = 0;
    bool mReadOtherContents = false;
    QUrl mFileURL;
    QString mFileType;
    mutable QString mUntitledName; // given on first use while untitled
    QPointer<QWidget> mWindow;
    // Set while a controller owns the document; the controller's, not the document's.
    const DocumentTypes *mTypes = nullptr;
    DocumentController *mController = nullptr;
    std::function<QString(const Document *)> mUntitledNamer;
    QPointer<QWidget> mCloseQuestion;
    bool mClosing = false;
    bool mReadCancelled = false;
    struct SaveInProgress;
    std::unique_ptr<SaveInProgress> mSave;
    // What waits for the save to end: closing, a second save.
    std::vector<std::function<void()>> mAfterSave;
};
