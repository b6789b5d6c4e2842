#include "SheetContainer.h"

#include "WTView.h"

SheetContainer::SheetContainer(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
}

void SheetContainer::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The window system keeps the canvas's origin and lets the canvas choose its size.
    if (m_canvas)
        m_canvas->setFrame(m_canvas->frame());
}
