#pragma once

#include "Geometry.h"
#include "ProximityEvent.h"

#include <Qt>

// One pen or mouse sample as the canvas sees it, whichever device produced it.
struct PointerSample
{
    Point position; // canvas coordinates
    float pressure = 1.0f; // 0..1 for a tablet, 1.0 for a plain mouse
    bool isTablet = false;
    Qt::KeyboardModifiers modifiers;
    PointerType tool = PointerType::Pen; // the tablet's pointer; a mouse has none
    // The pen's tilt in degrees as Qt reports it (x to the right, y towards the user); 0, 0 for
    // a mouse or a pen that reports none.
    float tiltX = 0.0f;
    float tiltY = 0.0f;
};

// What a sample is to a canvas: the painting button going down, moving held, coming up, or a
// move without it.
enum class SampleKind { Press, Move, Release, Hover };
