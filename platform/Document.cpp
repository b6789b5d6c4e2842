#include "Document.h"

Document::Document(QObject *parent) : QObject(parent) { }

Document::~Document() = default;

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
    case ChangeCleared:
        m_changeCount = 0;
        m_readOtherContents = false;
        break;
    case ChangeReadOtherContents:
        m_readOtherContents = true;
        break;
    }
    if (wasEdited != isDocumentEdited())
        emit documentEditedChanged(isDocumentEdited());
}
