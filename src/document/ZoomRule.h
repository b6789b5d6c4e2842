#pragma once

#include "Geometry.h"

#include <QRect>

class QScreen;

// The frame a document window zooms to: big enough to show the whole sheet, no bigger than
// defaultFrame, centred where the window is unless that pushes an edge out of defaultFrame.
// Frames are in screen points with y up; the result has whole-number edges.
Rect windowWillUseStandardFrame(const Rect &currentFrame, const Rect &defaultFrame,
                                Size visibleSize, Size sheetSize);

// Qt's screen rectangles (y down from the top of the virtual desktop) in the zoom rule's y-up
// terms and back; the bottom of the virtual desktop is y = 0.
Rect screenRectToZoomTerms(const QRect &r, const QScreen *screen);
QRect zoomTermsToScreenRect(const Rect &r, const QScreen *screen);
