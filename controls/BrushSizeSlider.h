#pragma once

#include "PenSettings.h"

#include <QSlider>

// A slider of widths in points, on a logarithmic scale so that thin pens can be set finely.
// Showing a width never changes it: a width off the scale or between two steps is displayed at
// the nearest position, and only the user's moves produce new widths.
class BrushSizeSlider : public QSlider
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

    // The scale, both ways.
    static int positionForWidth(float width);
    static float widthForPosition(int position);

signals:
    // The user moved the slider to this width.
    void brushSizeChosen(float width);

private:
    void userMoved(int position);

    float mWidth = 10.0f;
};
