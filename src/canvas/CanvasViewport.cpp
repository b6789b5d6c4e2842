#include "CanvasViewport.h"

#include "PicturePyramid.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
constexpr double kWheelStep = 48.0; // widget pixels a wheel notch scrolls
constexpr double kWheelNotchesPerOctave = 4.0; // Ctrl+wheel: four notches double the zoom
constexpr double kFitMargin = 8.0; // pixels of surround left around a fitted sheet
constexpr double kPenButtonDeadZone = 3.0;

double degreesBetween(QPointF centre, QPointF from, QPointF to)
{
    const QPointF a = from - centre;
    const QPointF b = to - centre;
    return std::atan2(a.x() * b.y() - a.y() * b.x(), a.x() * b.x() + a.y() * b.y()) * 180.0
        / std::numbers::pi;
}

QRectF sheetArea(Size s)
{
    return QRectF(0, 0, s.width, s.height);
}
} // namespace

CanvasViewport::CanvasViewport(std::function<Size()> sheetSize, QObject *parent)
    : QObject(parent)
    , mSheetSize(std::move(sheetSize))
{
    rebuild();
}

void CanvasViewport::setFrame(const Rect &f, Size c)
{
    const Size s = mSheetSize();
    const float W = c.width > s.width ? c.width : s.width;
    const float H = c.height > s.height ? c.height : s.height;
    mFrame = {f.origin, {W, H}};
    const float bx = W - s.width > 0.0f ? std::roundf((W - s.width) * -0.5f) : 0.0f;
    const float by = H - s.height > 0.0f ? std::roundf((H - s.height) * -0.5f) : 0.0f;
    mBoundsOrigin = {bx, by};
    rebuild();
}

void CanvasViewport::setPlacement(const Placement &placement)
{
    mPlace = placement;
    rebuild();
}

QTransform CanvasViewport::unzoomed() const
{
    return sheetToDevice(mBoundsOrigin.x, mPlace.height + mBoundsOrigin.y);
}

void CanvasViewport::rebuild()
{
    mSheetToWidget = mView.isDefault()
        ? unzoomed()
        : ViewTransform::alignedToDevice(unzoomed() * mView.matrix(centre()),
                                         mPlace.devicePixelRatio);
    mWidgetToSheet = mSheetToWidget.inverted();
}

ViewTransform CanvasViewport::keptInView(ViewTransform view) const
{
    // The middle of the view stays on the sheet's bounding box, so some of it always shows.
    const QPointF c = centre();
    const QRectF shown = (unzoomed() * view.matrix(c)).mapRect(sheetArea(mSheetSize()));
    QPointF pan = view.pan();
    if (c.x() < shown.left())
        pan.rx() += c.x() - shown.left();
    else if (c.x() > shown.right())
        pan.rx() += c.x() - shown.right();
    if (c.y() < shown.top())
        pan.ry() += c.y() - shown.top();
    else if (c.y() > shown.bottom())
        pan.ry() += c.y() - shown.bottom();
    view.setPan(pan);
    return view;
}

void CanvasViewport::setView(const ViewTransform &view)
{
    const ViewTransform next = keptInView(view);
    if (next == mView)
        return;
    const QTransform before = mSheetToWidget;
    mView = next;
    rebuild();
    emit changed(before);
}

bool CanvasViewport::startPanOver()
{
    if (mView.pan().isNull())
        return false;
    mView.setPan({});
    rebuild();
    return true;
}

double CanvasViewport::displayZoom() const
{
    return mView.zoom() * mPlace.devicePixelRatio;
}

void CanvasViewport::setDisplayZoom(double zoom)
{
    zoomAbout(zoom / mPlace.devicePixelRatio, centre());
}

void CanvasViewport::zoomAbout(double zoom, QPointF widgetPoint)
{
    ViewTransform v = mView;
    v.setZoom(zoom);
    v.keepFixed(mView, widgetPoint, centre());
    setView(v);
}

void CanvasViewport::beginFreeTurn()
{
    mFreeRotation = mView.rotation();
}

void CanvasViewport::rotateAbout(double degrees, QPointF widgetPoint)
{
    // Turned freely, but shown upright near upright: the free angle is kept apart.
    if (std::abs(std::remainder(mFreeRotation - mView.rotation(), 360.0))
        > ViewTransform::kRotationSnap)
        mFreeRotation = mView.rotation();
    mFreeRotation = std::remainder(mFreeRotation + degrees, 360.0);
    ViewTransform v = mView;
    v.setRotation(mFreeRotation);
    v.keepFixed(mView, widgetPoint, centre());
    setView(v);
}

void CanvasViewport::rotateStepAbout(int steps, QPointF widgetPoint)
{
    ViewTransform v = mView;
    v.setRotation((std::round(mView.rotation() / ViewTransform::kRotationStep) + steps)
                  * ViewTransform::kRotationStep);
    v.keepFixed(mView, widgetPoint, centre());
    setView(v);
}

void CanvasViewport::panBy(QPointF widgetDelta)
{
    // Whole pixels, so that what is on screen can be moved rather than drawn again.
    const QPointF total = widgetDelta + mPanRemainder;
    const QPointF whole(std::trunc(total.x()), std::trunc(total.y()));
    mPanRemainder = total - whole;
    if (whole.isNull())
        return;
    ViewTransform v = mView;
    v.setPan(v.pan() + whole);
    setView(v);
}

bool CanvasViewport::panForKey(int key)
{
    const QSizeF view = mPlace.container.size();
    const double step = 0.1 * std::min(view.width(), view.height());
    const double page = std::trunc(view.height() * 0.9);
    QPointF d;
    switch (key) {
    case Qt::Key_Left:
        d = {step, 0};
        break;
    case Qt::Key_Right:
        d = {-step, 0};
        break;
    case Qt::Key_Up:
        d = {0, step};
        break;
    case Qt::Key_Down:
        d = {0, -step};
        break;
    case Qt::Key_PageUp:
        d = {0, page};
        break;
    case Qt::Key_PageDown:
        d = {0, -page};
        break;
    default:
        return false;
    }
    panBy(d);
    return true;
}

void CanvasViewport::wheel(QPoint angle, QPoint pixels, Qt::KeyboardModifiers modifiers,
                           QPointF widgetPoint)
{
    if (modifiers & Qt::ControlModifier) {
        const double notches = (angle.y() != 0 ? angle.y() : angle.x()) / 120.0;
        if (notches != 0.0)
            zoomAbout(mView.zoom() * std::exp2(notches / kWheelNotchesPerOctave), widgetPoint);
        return;
    }
    QPointF d = !pixels.isNull() ? QPointF(pixels) : QPointF(angle) / 120.0 * kWheelStep;
    if ((modifiers & Qt::ShiftModifier) && d.x() == 0.0)
        d = QPointF(d.y(), 0.0);
    panBy(d);
}

void CanvasViewport::zoomIn()
{
    zoomAbout(ViewTransform::zoomInStep(mView.zoom()), centre());
}

void CanvasViewport::zoomOut()
{
    zoomAbout(ViewTransform::zoomOutStep(mView.zoom()), centre());
}

void CanvasViewport::zoomToActualSize()
{
    zoomAbout(1.0 / mPlace.devicePixelRatio, centre());
}

ViewTransform CanvasViewport::centred(ViewTransform v) const
{
    const Size s = mSheetSize();
    v.setPan({});
    const QPointF c = centre();
    const QPointF middle = (unzoomed() * v.matrix(c)).map(QPointF(s.width / 2, s.height / 2));
    v.setPan(c - middle);
    return v;
}

std::optional<ViewTransform> CanvasViewport::fitted(ViewTransform v) const
{
    const Size s = mSheetSize();
    const QSizeF room = mPlace.container.size();
    if (isEmptyRect({{0, 0}, s}) || room.isEmpty())
        return std::nullopt;
    v.setZoom(1.0);
    v.setPan({});
    const QRectF turned = (unzoomed() * v.matrix(centre())).mapRect(sheetArea(s));
    const double fit = std::min((room.width() - 2 * kFitMargin) / turned.width(),
                                (room.height() - 2 * kFitMargin) / turned.height());
    v.setZoom(std::max(fit, 0.0));
    return centred(v);
}

bool CanvasViewport::sheetOutgrowsContainer() const
{
    const Size s = mSheetSize();
    const QSizeF room = mPlace.container.size() * mPlace.devicePixelRatio;
    return s.width > room.width() || s.height > room.height();
}

void CanvasViewport::zoomToFit()
{
    if (const auto v = fitted(mView))
        setView(*v);
}

void CanvasViewport::resetView()
{
    ViewTransform upright;
    upright.setZoom(1.0 / mPlace.devicePixelRatio);
    if (sheetOutgrowsContainer()) {
        if (const auto v = fitted(upright))
            setView(*v);
    } else {
        setView(centred(upright));
    }
}

void CanvasViewport::fitIfLarger()
{
    if (sheetOutgrowsContainer())
        zoomToFit();
}

void CanvasViewport::rotateLeft()
{
    rotateStepAbout(-1, centre());
}

void CanvasViewport::rotateRight()
{
    rotateStepAbout(1, centre());
}

void CanvasViewport::resetRotation()
{
    ViewTransform v = mView;
    v.setRotation(0.0);
    v.keepFixed(mView, centre(), centre());
    setView(v);
}

void CanvasViewport::toggleMirror()
{
    ViewTransform v = mView;
    v.setMirrored(!mView.isMirrored());
    v.keepFixed(mView, centre(), centre());
    setView(v);
}

bool CanvasViewport::dragPress(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at,
                               bool fromPen)
{
    if (mDrag != Drag::None)
        return false;
    const bool middle = button == Qt::MiddleButton;
    if (!middle && !(button == Qt::LeftButton && mSpaceHeld))
        return false;
    if (modifiers & Qt::ShiftModifier)
        mDrag = Drag::Turn;
    else
        mDrag = middle && fromPen ? Drag::PenButtonPan : Drag::Pan;
    mDragButton = button;
    mDragStart = mDragLast = at;
    mDragMoved = mDrag != Drag::PenButtonPan;
    beginFreeTurn();
    return true;
}

bool CanvasViewport::dragMove(QPointF at)
{
    if (mDrag == Drag::None)
        return false;
    if (!mDragMoved) {
        const QPointF d = at - mDragStart;
        if (std::hypot(d.x(), d.y()) < kPenButtonDeadZone)
            return true;
        mDragMoved = true;
    }
    if (mDrag == Drag::Turn)
        rotateAbout(degreesBetween(centre(), mDragLast, at), centre());
    else
        panBy(at - mDragLast);
    mDragLast = at;
    return true;
}

bool CanvasViewport::dragRelease(Qt::MouseButton button)
{
    if (mDrag == Drag::None)
        return false;
    if (button == mDragButton) {
        mDrag = Drag::None;
        mDragButton = Qt::NoButton;
    }
    return true;
}

Point CanvasViewport::sheetPoint(QPointF p) const
{
    if (!mView.isDefault()) {
        const QPointF q = mWidgetToSheet.map(p);
        return {float(q.x()), float(q.y())};
    }
    const Point q = fromQtPoint(p, float(mPlace.height));
    return {q.x + mBoundsOrigin.x, q.y + mBoundsOrigin.y};
}

QPointF CanvasViewport::widgetPoint(Point p) const
{
    if (!mView.isDefault())
        return mSheetToWidget.map(QPointF(p.x, p.y));
    // sheetPoint computes x = float(wx) + ox and y = float(h - wy) + oy in floats. The origin
    // is whole, so p - o, taken in doubles, is the very float that gave p.
    const double fx = float(double(p.x) - double(mBoundsOrigin.x));
    const double fy = float(double(p.y) - double(mBoundsOrigin.y));
    return {fx, mPlace.height - fy};
}

QRectF CanvasViewport::widgetRect(const Rect &r) const
{
    if (!mView.isDefault())
        return mSheetToWidget.mapRect(QRectF(r.x(), r.y(), r.width(), r.height()));
    return toQtRect({r.x() - mBoundsOrigin.x, r.y() - mBoundsOrigin.y, r.width(), r.height()},
                    float(mPlace.height));
}

Rect CanvasViewport::sheetRect(const QRectF &r) const
{
    if (!mView.isDefault()) {
        const QRectF q = mWidgetToSheet.mapRect(r);
        return {float(q.x()), float(q.y()), float(q.width()), float(q.height())};
    }
    const Rect q = fromQtRect(r, float(mPlace.height));
    return {q.x() + mBoundsOrigin.x, q.y() + mBoundsOrigin.y, q.width(), q.height()};
}

QRect CanvasViewport::dirtyRect(const Rect &r) const
{
    const QRect q = widgetRect(r).toAlignedRect();
    // Filtering spreads a changed pixel onto its neighbours on screen.
    return mView.isDefault() ? q : q.adjusted(-2, -2, 2, 2);
}

Rect CanvasViewport::visibleRect() const
{
    if (!mView.isDefault()) {
        const QRectF shown = mWidgetToSheet.mapRect(mPlace.container);
        return integralRect(
            {float(shown.x()), float(shown.y()), float(shown.width()), float(shown.height())});
    }
    if (!mPlace.contained)
        return bounds();
    const QSizeF c = mPlace.container.size();
    const Rect shown = intersectionRect(mFrame, {0, 0, float(c.width()), float(c.height())});
    if (isEmptyRect(shown))
        return {};
    return {shown.x() - mFrame.x() + mBoundsOrigin.x, shown.y() - mFrame.y() + mBoundsOrigin.y,
            shown.width(), shown.height()};
}

QRectF CanvasViewport::shownSheetRect() const
{
    return mSheetToWidget.mapRect(sheetArea(mSheetSize())).translated(mPlace.position);
}

CanvasViewport::Level CanvasViewport::levelFor(const QTransform &sheetToPainter) const
{
    // The rest of the zoom is one resampling of what is shown.
    const double scale
        = std::sqrt(std::abs(sheetToPainter.determinant())) * mPlace.devicePixelRatio;
    Level v;
    // The level nearest the zoom: what is composed is never much larger than the view.
    v.level = scale >= 1.0
        ? 0
        : std::clamp(int(std::lround(std::log2(1.0 / scale))), 0, PicturePyramid::kMaxLevels);
    v.step = std::exp2(v.level);
    v.scale = scale;
    // Zoomed in, pixels show as pixels; upright at a whole scale, nothing needs resampling.
    v.crisp = scale >= 2.0 || (mView.isRightAngled() && scale * v.step == 1.0);
    return v;
}
