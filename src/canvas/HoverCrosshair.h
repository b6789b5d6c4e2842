#pragma once

// A crosshair the canvas draws under a hovering tablet tool, where the platform shows no cursor.
// It works in widget pixels and says which pixels need repainting as it moves.
#include <QPoint>
#include <QRect>
#include <QRegion>

class QPainter;

class HoverCrosshair
{
public:
    static constexpr int kArm = 8; // pixels from the centre to each end

    bool isShown() const { return mShown; }
    QPoint position() const { return mPosition; }
    // Where it is drawn: the arms with their light outline.
    QRect rect() const;
    // Each returns the pixels to repaint: the old place and the new.
    QRegion moveTo(QPoint position);
    QRegion hide();
    void paint(QPainter &painter) const;

private:
    QPoint mPosition;
    bool mShown = false;
};
