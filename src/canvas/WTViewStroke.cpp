// Pointer input at the Qt edge: view drags and the palette stay here; whatever paints or picks
// goes to the core as samples. The screen is brought up to date through Qt's paint cycle, one
// batch of samples at a time.
#include "WTView.h"

#include "Graphics.h"
#include "TabletPlatform.h"

#include <QMouseEvent>
#include <QTabletEvent>

namespace {

// A mouse event Qt made from a tablet event that nobody took: the tablet event was the sample.
bool madeFromTablet(const QMouseEvent *event)
{
    const QPointingDevice *device = event->pointingDevice();
    if (!device)
        return false;
    switch (device->type()) {
    case QInputDevice::DeviceType::Stylus:
    case QInputDevice::DeviceType::Airbrush:
    case QInputDevice::DeviceType::Puck:
        return true;
    default:
        return false;
    }
}

} // namespace

PointerSample WTView::sampleAt(QPointF position, Qt::KeyboardModifiers modifiers) const
{
    return {mViewport->sheetPoint(position), 1.0f, false, modifiers};
}

void WTView::mousePressEvent(QMouseEvent *event)
{
    hideHoverMarks(); // the mouse is in use: the platform's cursor shows
    if (beginViewDrag(event->button(), event->modifiers(), event->position(), false))
        return;
    if (requestsPalette(event->button())) {
        emit paletteRequested(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton || madeFromTablet(event)) {
        QWidget::mousePressEvent(event);
        return;
    }
    mCore->take(SampleKind::Press, sampleAt(event->position(), event->modifiers()));
}

void WTView::mouseMoveEvent(QMouseEvent *event)
{
    if (mViewport->dragMove(event->position()) || madeFromTablet(event)) {
        hideOutline();
        return;
    }
    const PointerSample sample = sampleAt(event->position(), event->modifiers());
    const bool hovering = event->buttons() == Qt::NoButton;
    if (hovering)
        hoverAt(event->position(), sample);
    else
        hideHoverMarks();
    // Followed for the outline alone, a hover is nothing to the core.
    if (hovering && !mHoverWanted)
        return;
    const bool held = event->buttons() & Qt::LeftButton;
    mCore->take(held ? SampleKind::Move : SampleKind::Hover, sample);
}

void WTView::mouseReleaseEvent(QMouseEvent *event)
{
    if (mViewport->drag() != CanvasViewport::Drag::None) {
        endViewDrag(event->button());
        return;
    }
    if (event->button() == Qt::LeftButton && !madeFromTablet(event))
        mCore->take(SampleKind::Release, sampleAt(event->position(), event->modifiers()));
}

void WTView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Qt has sent the second click's press already.
    event->accept();
}

void WTView::tabletEvent(QTabletEvent *event)
{
    // Accepted, so that Qt does not make a mouse event of it too and paint the sample twice.
    event->accept();
    const PointerSample sample {mViewport->sheetPoint(event->position()),
                                float(event->pressure()),
                                true,
                                TabletPlatform::modifiersOf(*event),
                                pointerTypeFromQt(event->pointerType()),
                                float(event->xTilt()),
                                float(event->yTilt())};
    const bool hovering = event->buttons() == Qt::NoButton;
    if (mViewport->drag() != CanvasViewport::Drag::None) {
        if (event->type() == QEvent::TabletRelease)
            endViewDrag(event->button());
        else if (event->type() == QEvent::TabletMove)
            mViewport->dragMove(event->position());
        if (hovering && !TabletPlatform::showsTabletCursor())
            update(mCrosshair.moveTo(event->position().toPoint()));
        hideOutline();
        return;
    }
    if (event->type() == QEvent::TabletPress
        && beginViewDrag(event->button(), sample.modifiers, event->position(), true))
        return;
    if (event->type() == QEvent::TabletPress && requestsPalette(event->button())) {
        hideHoverMarks();
        emit paletteRequested(event->globalPosition().toPoint());
        return;
    }
    switch (event->type()) {
    case QEvent::TabletPress:
        hideHoverMarks(); // the ink shows where the pen is
        if (event->button() == Qt::LeftButton)
            mCore->take(SampleKind::Press, sample);
        break;
    case QEvent::TabletMove: {
        const bool picking = mCore->isHoldingPick();
        if (hovering && !picking)
            hoverAt(event->position(), sample);
        else
            hideOutline();
        mCore->take((event->buttons() & Qt::LeftButton) ? SampleKind::Move : SampleKind::Hover,
                    sample);
        if (picking)
            hideHoverMarks();
        break;
    }
    case QEvent::TabletRelease:
        if (event->button() == Qt::LeftButton) {
            if (mCore->isHoldingPick())
                hideHoverMarks();
            mCore->take(SampleKind::Release, sample);
        }
        break;
    default:
        break;
    }
}

// The right button, or the pen's upper side button which platforms report as it, asks for the
// pop-up palette; not while a stroke or a pick is under way. A pending line stays pending.
bool WTView::requestsPalette(Qt::MouseButton button) const
{
    return button == Qt::RightButton && !mCore->isTrackingStroke() && !mCore->isHoldingPick();
}

void WTView::leaveEvent(QEvent *event)
{
    hideHoverMarks();
    QWidget::leaveEvent(event);
}

void WTView::drawLinePreviewInRect(const Rect &r, bool inPicture)
{
    const std::optional<Picture::PendingLine> line = mCore->pendingLine();
    if (!line || isEmptyRect(intersectionRect(r, line->touched))
        || (inPicture && Picture::showsThroughPicture(*line)))
        return;
    Graphics::saveGraphicsState();
    Graphics::clipRect(r);
    Picture::drawInk(Graphics::currentPainter(), line->segment, line->touched, line->colour);
    Graphics::restoreGraphicsState();
}
