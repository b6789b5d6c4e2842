#pragma once

#include <QObject>

// A document of a document-based application. This part keeps the change count that says
// whether the document has unsaved changes.
class Document : public QObject
{
    Q_OBJECT

public:
    enum ChangeType {
        ChangeDone = 0, // an edit
        ChangeUndone = 1, // an edit taken back
        ChangeCleared = 2, // saved, opened, reverted or cleared: nothing unsaved
        ChangeReadOtherContents = 3, // contents replaced: unsaved until saved or cleared
    };
    Q_ENUM(ChangeType)

    explicit Document(QObject *parent = nullptr);
    ~Document() override;

    void updateChangeCount(ChangeType change);
    // True while the count is not zero or other contents were read since the last clear.
    bool isDocumentEdited() const { return m_changeCount != 0 || m_readOtherContents; }
    int changeCount() const { return m_changeCount; }

signals:
    void documentEditedChanged(bool edited);

private:
    int m_changeCount = 0;
    bool m_readOtherContents = false;
};
