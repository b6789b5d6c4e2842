#pragma once

#include "Color.h"

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>
#include <optional>

class WTView;

// One of the pen controls: the eraser toggle (tag 0) or a colour slot (tags 1 to 4), showing
// the setting's colour and width. Its "tag" property is the tool number it chooses.
class PenButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit PenButton(QWidget *parent = nullptr);

    int tag() const;
    // What the button shows: a slot's colour, or the eraser when color is nullptr.
    void setTool(const Color *color, float width);

    QSize sizeHint() const override { return {28, 28}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::optional<Color> mColor;
    float mWidth = 0.0f;
};

// The pen view: the eraser toggle and the four slot buttons. Each button sends its tag to the
// canvas's setToolFromTag(); after every change of pen the buttons show the canvas's settings
// and which one is active.
class PenControls : public QWidget
{
    Q_OBJECT

public:
    explicit PenControls(QWidget *parent = nullptr);

    void setCanvas(WTView *canvas);
    // Shows the canvas's settings now.
    void refresh();

private:
    QPointer<WTView> mCanvas;
};
