#pragma once

#include "WTView.h"

#include <QPointer>
#include <QWidget>

// The clipping view that holds the canvas in its window. The sheet stays centred when it is
// smaller and shows its middle when it is larger, so this is no scroll area.
class SheetContainer : public QWidget
{
    Q_OBJECT

public:
    explicit SheetContainer(QWidget *parent = nullptr);
    void setCanvas(WTView *canvas) { m_canvas = canvas; }
    WTView *canvas() const { return m_canvas; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QPointer<WTView> m_canvas; // a child, owned through Qt's parent
};
