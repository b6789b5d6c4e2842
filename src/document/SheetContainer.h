#pragma once

#include "WTView.h"

#include <QPointer>
#include <QWidget>

class QScrollBar;

// The clipping view that holds the canvas in its window. The sheet stays centred when it is
// smaller and shows its middle when it is larger; the canvas's view zooms, turns and pans it.
// Scroll bars lie over the canvas's bottom and right edges while any of the sheet as shown lies
// beyond the container's edges across or down, and pan the view: they never move or resize the
// canvas, whose place the container's size alone decides.
class SheetContainer : public QWidget
{
    Q_OBJECT

public:
    explicit SheetContainer(QWidget *parent = nullptr);
    void setCanvas(WTView *canvas);
    WTView *canvas() const { return mCanvas; }
    QScrollBar *horizontalScrollBar() const { return mHorizontal; }
    QScrollBar *verticalScrollBar() const { return mVertical; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateScrollBars();
    void updateScrollBarsLater();
    void scrolled(Qt::Orientation orientation, int value);

    QPointer<WTView> mCanvas; // a child, owned through Qt's parent
    QScrollBar *mHorizontal; // a child
    QScrollBar *mVertical; // a child
    bool mUpdateQueued = false;
};
