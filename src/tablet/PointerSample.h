#pragma once

#include "Geometry.h"

#include <Qt>

// One pen or mouse sample as the canvas sees it, whichever device produced it.
struct PointerSample
{
    Point position; // canvas coordinates
    float pressure = 1.0f; // 0..1 for a tablet, 1.0 for a plain mouse
    bool isTablet = false;
    Qt::KeyboardModifiers modifiers;
};
