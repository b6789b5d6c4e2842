#pragma once

#include "PenSettings.h"

#include <QWidget>

class QLabel;
class QSlider;

// A slider of widths in points, on a logarithmic scale so that thin pens can be set finely,
// with the width written beside it. Showing a width never changes it: a width off the scale or
// between two steps is displayed at the nearest position, and only the user's moves produce new
// widths. The arrow keys and the wheel step by whole points (tenths below one point); a click on
// the track or a Page key moves one rung of the pen's width ladder.
class BrushSizeSlider : public QWidget
{
    Q_OBJECT

public:
    static constexpr float kMinWidth = PenSettings::kMinWidth;
    static constexpr float kMaxWidth = PenSettings::kMaxWidth;
    static constexpr int kSteps = 1000;

    explicit BrushSizeSlider(QWidget *parent = nullptr);

    // The width shown; the one set by showBrushSize() until the user moves the slider.
    float brushSize() const { return mWidth; }
    void showBrushSize(float width);

    // The track itself and the width as written beside it.
    QSlider *slider() const { return mSlider; }
    QLabel *valueLabel() const { return mValue; }

    // The scale, both ways.
    static int positionForWidth(float width);
    static float widthForPosition(int position);
    // One step of the keys from width: a whole point, or a tenth below one point.
    static float stepWidth(float width, int direction);

signals:
    // The user moved the slider to this width.
    void brushSizeChosen(float width);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void userMoved(int position);
    void stepped(int action);
    void choose(float width);
    void showValue();

    QSlider *mSlider; // a child
    QLabel *mValue; // a child
    float mWidth = 10.0f;
    int mWheelDelta = 0; // eighths of a degree not yet turned into steps
};
