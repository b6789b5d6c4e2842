#pragma once

#include <QColor>
#include <QWidget>
#include <optional>

// A hue ring around a saturation/value square, the colour picker every painting program keeps
// open beside the canvas. Drawn with vectors, so it is crisp at any device pixel ratio; the arrow
// keys nudge it (left/right the hue, up/down the value, with Shift the saturation).
class ColorWheel : public QWidget
{
    Q_OBJECT

public:
    explicit ColorWheel(QWidget *parent = nullptr);

    QColor color() const;
    // Shows the colour; tells no one.
    void setColor(const QColor &color);

    // The colour under a point of the widget, and the point showing a colour: the ring's for its
    // hue, or the square's for its saturation and value. Nothing outside both.
    std::optional<QColor> colorAt(QPointF p, const QColor &current) const;
    QPointF ringPoint(const QColor &color) const;
    QPointF squarePoint(const QColor &color) const;

    QSize sizeHint() const override { return {180, 180}; }
    QSize minimumSizeHint() const override { return {96, 96}; }

signals:
    // While dragging, at every step; chosen once, when the drag or key ends.
    void colorChanged(const QColor &color);
    void colorChosen(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    enum class Part { None, Ring, Square };
    QPointF centre() const;
    qreal outerRadius() const;
    qreal innerRadius() const;
    QRectF square() const;
    Part partAt(QPointF p) const;
    void dragTo(QPointF p);
    void change(float hue, float saturation, float value);

    float mHue = 0.0f; // 0..1, kept when the colour is grey
    float mSaturation = 0.0f;
    float mValue = 0.0f;
    float mAlpha = 1.0f;
    Part mDragging = Part::None;
};
