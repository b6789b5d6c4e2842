#pragma once

#include "Document.h"

class WTView;

// One picture as a document.
class InkpondDocument : public Document
{
    Q_OBJECT

public:
    explicit InkpondDocument(QObject *parent = nullptr);
    ~InkpondDocument() override;

    void setCanvas(WTView *canvas) { m_canvas = canvas; }
    WTView *canvas() const { return m_canvas; }

private:
    WTView *m_canvas = nullptr; // not owned: it lives in the document's window
};
