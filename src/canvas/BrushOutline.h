#pragma once

// The outline of what a press would paint, drawn under the hovering pen or mouse. It works in
// widget pixels and says which pixels need repainting as it moves or changes shape.
#include <QPainterPath>
#include <QPointF>
#include <QRect>
#include <QRegion>

class QPainter;

class BrushOutline
{
public:
    // Narrower than this on screen, in device pixels, it is shown as a small cross instead.
    static constexpr qreal kLeastAcross = 4.0;
    static constexpr qreal kCrossArm = 3.0; // widget pixels from the cross's centre to its ends

    bool isShown() const { return mShown; }
    bool isCross() const { return mCross; }
    QPointF position() const { return mPosition; }
    // Where it is drawn: the dark line with the light one beside it.
    QRect rect() const { return mRect; }
    // nib: the outline in widget pixels, around position; dpr: device pixels a widget pixel.
    // Each returns the pixels to repaint: the old place and the new.
    QRegion show(QPointF position, const QPainterPath &nib, qreal dpr);
    QRegion hide();
    void paint(QPainter &painter) const;

private:
    QPainterPath mNib; // as given
    QPainterPath mPath; // what is drawn: the nib, or the cross standing in for it
    QPointF mPosition;
    qreal mDpr = 1.0;
    QRect mRect;
    bool mCross = false;
    bool mShown = false;
};
