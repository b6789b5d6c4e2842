#pragma once

#include "SheetQuestions.h"

// The sheet's questions as window-modal dialogs on the canvas's window: the confirmation of a
// crop or resize, and the custom-size panel. Both belong to the canvas while they are open.
class CanvasDialogs : public SheetQuestions
{
public:
    void confirmCropResize(WTView &canvas, const Rect &r,
                           std::function<void(bool)> answered) override;
    bool chooseCustomSize(WTView &canvas, std::function<void(Size)> chosen) override;

    // The one set of dialogs every window uses: they hold no state.
    static CanvasDialogs &shared();
};
