#include "SheetContainer.h"

#include "WTView.h"

#include <algorithm>

SheetContainer::SheetContainer(QWidget *parent)
    : QWidget(parent)
{
    // The canvas always covers the container, which therefore paints nothing itself.
    setAttribute(Qt::WA_NoSystemBackground);
}

void SheetContainer::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_canvas)
        return;
    // The canvas keeps its y-up origin, as a window system keeps a view's, but only as far as it
    // still covers the container: a sheet that became smaller than the container ends up
    // centred (origin 0), and a larger one never shows an uncovered strip.
    const float container[2] = {float(width()), float(height())};
    const float sheet[2] = {m_canvas->sheetSize().width, m_canvas->sheetSize().height};
    const float origin[2] = {m_canvas->frame().x(), m_canvas->frame().y()};
    float kept[2];
    for (int axis = 0; axis < 2; ++axis) {
        const float hidden = std::max(sheet[axis] - container[axis], 0.0f);
        kept[axis] = std::clamp(origin[axis], -hidden, 0.0f);
    }
    m_canvas->setFrame({kept[0], kept[1], m_canvas->frame().width(), m_canvas->frame().height()});
}
