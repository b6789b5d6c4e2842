#pragma once

#include "CanvasQuestions.h"

#include <QCoreApplication>

// The canvas's questions and notes as window-modal dialogs on its window: the confirmation of a
// crop or resize, the custom-size panel, and why a sheet or a copy could not be had; why the
// window cannot be see-through is a message in its status bar. The application makes one for
// all its windows, a replay one of its own.
class CanvasDialogs : public CanvasQuestions
{
    Q_DECLARE_TR_FUNCTIONS(CanvasDialogs)

public:
    void confirmCropResize(WTView &canvas, const Rect &r,
                           std::function<void(bool)> answered) override;
    bool chooseCustomSize(WTView &canvas, std::function<void(Size)> chosen) override;
    void tellSheetRefused(WTView &canvas, Size size) override;
    void tellCopyRefused(WTView &canvas, qint64 needed, qint64 available) override;
    // Once per object, so once per run: the note would otherwise come back with every change
    // of paper and every new window.
    void tellNotSeeThrough(WTView &canvas) override;
    void tellPasteRefused(WTView &canvas, const QString &why) override;

private:
    bool mToldNotSeeThrough = false;
};
