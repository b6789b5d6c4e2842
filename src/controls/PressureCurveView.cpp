#include "PressureCurveView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace {
constexpr double kMargin = 8.0;
constexpr double kGrab = 8.0; // how near a press must be to take a point, in pixels
// The least horizontal gap between points, so that x keeps rising.
constexpr float kGap = 0.02f;
} // namespace

PressureCurveView::PressureCurveView(QWidget *parent)
    : QWidget(parent)
{
    setAccessibleName(tr("Pressure curve"));
    setToolTip(tr("Drag a point to shape the curve; double-click adds a point, right-click "
                  "removes one."));
}

void PressureCurveView::setCurve(const PressureCurve &curve)
{
    if (curve == mCurve)
        return;
    mCurve = curve;
    update();
}

QRectF PressureCurveView::plotRect() const
{
    const double side = std::min(width(), height()) - 2 * kMargin;
    return {(width() - side) / 2, (height() - side) / 2, side, side};
}

QPointF PressureCurveView::toWidget(PressureCurve::Point p) const
{
    const QRectF r = plotRect();
    return {r.left() + double(p.x) * r.width(), r.bottom() - double(p.y) * r.height()};
}

PressureCurve::Point PressureCurveView::toCurve(QPointF p) const
{
    const QRectF r = plotRect();
    return {float(std::clamp((p.x() - r.left()) / r.width(), 0.0, 1.0)),
            float(std::clamp((r.bottom() - p.y()) / r.height(), 0.0, 1.0))};
}

int PressureCurveView::pointNear(QPointF p) const
{
    const auto &points = mCurve.points();
    for (size_t i = 0; i < points.size(); ++i) {
        const QPointF d = toWidget(points[i]) - p;
        if (QPointF::dotProduct(d, d) <= kGrab * kGrab)
            return int(i);
    }
    return -1;
}

void PressureCurveView::edit(std::vector<PressureCurve::Point> points)
{
    const auto curve = PressureCurve::fromPoints(points);
    if (!curve || *curve == mCurve)
        return;
    mCurve = *curve;
    update();
    emit curveEdited(mCurve);
}

void PressureCurveView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF r = plotRect();
    painter.fillRect(r, palette().base());
    painter.setPen(QPen(palette().mid(), 1, Qt::DotLine));
    for (int i = 1; i < 4; ++i) {
        const double x = r.left() + r.width() * i / 4;
        const double y = r.top() + r.height() * i / 4;
        painter.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
        painter.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
    painter.drawLine(r.bottomLeft(), r.topRight()); // linear, for comparison
    painter.setPen(QPen(palette().text(), 1));
    painter.drawRect(r);

    QPainterPath path;
    constexpr int kSteps = 64;
    for (int i = 0; i <= kSteps; ++i) {
        const float x = float(i) / kSteps;
        const QPointF p = toWidget({x, mCurve.map(x)});
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    painter.setPen(QPen(palette().highlight(), 2));
    painter.drawPath(path);
    painter.setBrush(palette().highlight());
    painter.setPen(QPen(palette().base(), 1));
    for (const auto &p : mCurve.points())
        painter.drawEllipse(toWidget(p), 4.0, 4.0);
}

void PressureCurveView::mousePressEvent(QMouseEvent *event)
{
    const int i = pointNear(event->position());
    const int last = int(mCurve.points().size()) - 1;
    if (event->button() == Qt::RightButton) {
        if (i > 0 && i < last) {
            auto points = mCurve.points();
            points.erase(points.begin() + i);
            edit(points);
        }
        return;
    }
    if (event->button() == Qt::LeftButton)
        mDragged = i;
}

void PressureCurveView::mouseMoveEvent(QMouseEvent *event)
{
    if (mDragged < 0)
        return;
    auto points = mCurve.points();
    const size_t i = size_t(mDragged);
    PressureCurve::Point p = toCurve(event->position());
    if (i == 0 || i + 1 == points.size())
        p.x = points[i].x; // the ends stay at no and full pressure
    else
        p.x = std::clamp(p.x, points[i - 1].x + kGap, points[i + 1].x - kGap);
    points[i] = p;
    edit(points);
}

void PressureCurveView::mouseReleaseEvent(QMouseEvent *)
{
    mDragged = -1;
}

void PressureCurveView::mouseDoubleClickEvent(QMouseEvent *event)
{
    auto points = mCurve.points();
    if (points.size() >= size_t(PressureCurve::kMaxPoints) || pointNear(event->position()) >= 0)
        return;
    const PressureCurve::Point p = toCurve(event->position());
    const auto after = std::find_if(points.begin(), points.end(),
                                    [&p](const PressureCurve::Point &q) { return q.x > p.x; });
    if (after == points.begin() || after == points.end() || after->x - p.x < kGap
        || p.x - (after - 1)->x < kGap)
        return;
    points.insert(after, p);
    edit(points);
}
