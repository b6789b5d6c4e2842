#pragma once

#include "Geometry.h"

#include <QString>
#include <functional>

class WTView;

// What the canvas asks or tells the user through its window: the window side shows the
// dialogs; the canvas only learns the answers.
class CanvasQuestions
{
public:
    virtual ~CanvasQuestions() = default;

    // The document has unsaved changes: asks whether the sheet may become r, a change that
    // cannot be undone. answered(true) when it may; never called when the question goes away
    // unanswered.
    virtual void confirmCropResize(WTView &canvas, const Rect &r,
                                   std::function<void(bool)> answered)
        = 0;
    // Asks for a sheet size, starting from the canvas's; chosen(size) on OK only. False when
    // the question cannot be shown.
    virtual bool chooseCustomSize(WTView &canvas, std::function<void(Size)> chosen) = 0;
    // A sheet of that size was refused: it cannot be held.
    virtual void tellSheetRefused(WTView &canvas, Size size) = 0;
    // Copy was refused: encoding the picture for the clipboard would need about `needed` bytes
    // of memory, more than the `available` left.
    virtual void tellCopyRefused(WTView &canvas, qint64 needed, qint64 available) = 0;
    // See-through paper was chosen where the window cannot show what lies behind it.
    virtual void tellNotSeeThrough(WTView &canvas) = 0;
    // A paste or a drop was refused, for the reason given.
    virtual void tellPasteRefused(WTView &, const QString &) { }
};
