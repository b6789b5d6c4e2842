#pragma once

#include "Geometry.h"

#include <QString>
#include <functional>

class WTView;

// What the canvas asks its window before it changes the sheet. The window side shows the
// dialogs; the canvas only learns the answers.
class SheetQuestions
{
public:
    virtual ~SheetQuestions() = default;

    // The document has unsaved changes: asks whether the sheet may become r, a change that
    // cannot be undone. answered(true) when it may; never called when the question goes away
    // unanswered.
    virtual void confirmCropResize(WTView &canvas, const Rect &r,
                                   std::function<void(bool)> answered)
        = 0;
    // Asks for a sheet size, starting from the canvas's; chosen(size) on OK only. False when
    // the question cannot be shown.
    virtual bool chooseCustomSize(WTView &canvas, std::function<void(Size)> chosen) = 0;
};
