#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

class Document;
class QProgressBar;
class QPushButton;

// How far a document's background save got, with a button to cancel it; the document window's
// status bar shows it once a save has run for a moment, so that quick saves do not flicker.
class SaveProgress : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kShowAfterMs = 500;

    explicit SaveProgress(QWidget *parent = nullptr);
    void setDocument(Document *document);

    QProgressBar *bar() const { return mBar; }
    QPushButton *cancelButton() const { return mCancel; }

private:
    void savingChanged(bool saving);

    QPointer<Document> mDocument;
    QProgressBar *mBar; // a child
    QPushButton *mCancel; // a child
    QTimer mShowTimer;
};
