#pragma once

#include "PressureCurve.h"

#include <QWidget>

// Shows a pressure curve, input pressure across and output up, with its control points to
// drag: the end points move up and down, the others anywhere between their neighbours.
// Double-clicking adds a point, right-clicking an inner one removes it.
class PressureCurveView : public QWidget
{
    Q_OBJECT

public:
    explicit PressureCurveView(QWidget *parent = nullptr);

    const PressureCurve &curve() const { return mCurve; }
    void setCurve(const PressureCurve &curve);

    QSize sizeHint() const override { return {220, 220}; }
    QSize minimumSizeHint() const override { return {120, 120}; }

signals:
    // The user changed the curve.
    void curveEdited(const PressureCurve &curve);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QRectF plotRect() const;
    QPointF toWidget(PressureCurve::Point p) const;
    PressureCurve::Point toCurve(QPointF p) const;
    int pointNear(QPointF p) const; // -1 for none
    void edit(std::vector<PressureCurve::Point> points);

    PressureCurve mCurve;
    int mDragged = -1;
};
