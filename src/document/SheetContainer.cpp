#include "SheetContainer.h"

#include "WTView.h"

#include <QEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>

namespace {
// Less than this beyond the container is rounding, not something to scroll to.
constexpr double kScrollSlack = 0.5;
} // namespace

SheetContainer::SheetContainer(QWidget *parent)
    : QWidget(parent)
    , mHorizontal(new QScrollBar(Qt::Horizontal, this))
    , mVertical(new QScrollBar(Qt::Vertical, this))
{
    // The canvas always covers the container, which therefore paints nothing itself.
    setAttribute(Qt::WA_NoSystemBackground);
    for (QScrollBar *bar : {mHorizontal, mVertical}) {
        bar->hide();
        bar->setFocusPolicy(Qt::NoFocus); // keys stay with the canvas
        connect(bar, &QScrollBar::valueChanged, this,
                [this, bar](int value) { scrolled(bar->orientation(), value); });
    }
    mHorizontal->setObjectName(QStringLiteral("horizontalScrollBar"));
    mVertical->setObjectName(QStringLiteral("verticalScrollBar"));
}

void SheetContainer::setCanvas(WTView *canvas)
{
    if (mCanvas) {
        mCanvas->removeEventFilter(this);
        disconnect(mCanvas, nullptr, this, nullptr);
    }
    mCanvas = canvas;
    if (canvas) {
        connect(canvas, &WTView::viewChanged, this, &SheetContainer::updateScrollBars);
        // A new sheet size re-frames the canvas; its matrices follow after the move.
        canvas->installEventFilter(this);
    }
    mHorizontal->raise();
    mVertical->raise();
    updateScrollBars();
}

void SheetContainer::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!mCanvas)
        return;
    // The canvas keeps its y-up origin, as a window system keeps a view's, but only as far as it
    // still covers the container: a sheet that became smaller than the container ends up
    // centred (origin 0), and a larger one never shows an uncovered strip.
    const float container[2] = {float(width()), float(height())};
    const float sheet[2] = {mCanvas->sheetSize().width, mCanvas->sheetSize().height};
    const float origin[2] = {mCanvas->frame().x(), mCanvas->frame().y()};
    float kept[2];
    for (int axis = 0; axis < 2; ++axis) {
        const float hidden = std::max(sheet[axis] - container[axis], 0.0f);
        kept[axis] = std::clamp(origin[axis], -hidden, 0.0f);
    }
    mCanvas->setFrame({kept[0], kept[1], mCanvas->frame().width(), mCanvas->frame().height()});
    updateScrollBars();
}

bool SheetContainer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mCanvas && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        updateScrollBarsLater();
    return QWidget::eventFilter(watched, event);
}

void SheetContainer::updateScrollBarsLater()
{
    if (mUpdateQueued)
        return;
    mUpdateQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            mUpdateQueued = false;
            updateScrollBars();
        },
        Qt::QueuedConnection);
}

// The pan keeps the container's middle on the sheet as shown: a bar's value is where that
// middle lies across the sheet's bounding box, its page the container.
void SheetContainer::updateScrollBars()
{
    if (!mCanvas) {
        mHorizontal->hide();
        mVertical->hide();
        return;
    }
    const QRectF area = mCanvas->viewport().containerRect();
    const QRectF shown = mCanvas->viewport().shownSheetRect();
    // Whatever lies beyond an edge can be scrolled to, also when the sheet as shown is smaller
    // than the container.
    const bool across = shown.left() < area.left() - kScrollSlack
        || shown.right() > area.right() + kScrollSlack;
    const bool down
        = shown.top() < area.top() - kScrollSlack || shown.bottom() > area.bottom() + kScrollSlack;
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, mHorizontal);
    mHorizontal->setGeometry(0, height() - extent, width() - (down ? extent : 0), extent);
    mVertical->setGeometry(width() - extent, 0, extent, height() - (across ? extent : 0));
    auto show = [](QScrollBar *bar, bool needed, double middle, double start, double length,
                   double page) {
        const QSignalBlocker quiet(bar);
        bar->setRange(0, qRound(length));
        bar->setPageStep(std::max(1, qRound(page)));
        bar->setSingleStep(std::max(1, qRound(page / 20.0)));
        bar->setValue(qRound(middle - start));
        bar->setVisible(needed);
    };
    show(mHorizontal, across, area.center().x(), shown.left(), shown.width(), area.width());
    show(mVertical, down, area.center().y(), shown.top(), shown.height(), area.height());
}

void SheetContainer::scrolled(Qt::Orientation orientation, int value)
{
    if (!mCanvas)
        return;
    const QPointF middle = mCanvas->viewport().containerRect().center();
    const QRectF shown = mCanvas->viewport().shownSheetRect();
    // The sheet moves against the bar.
    if (orientation == Qt::Horizontal)
        mCanvas->viewport().panBy({-(value - (middle.x() - shown.left())), 0.0});
    else
        mCanvas->viewport().panBy({0.0, -(value - (middle.y() - shown.top()))});
}
