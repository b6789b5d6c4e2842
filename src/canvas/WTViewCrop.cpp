// The crop and resize commands, with the questions the window asks; the core decides and
// resizes.
#include "WTView.h"

#include "CanvasQuestions.h"
#include "FixedSizes.h"
#include "Preferences.h"

namespace {
// Answers of the confirmation.
constexpr int kAlertDefaultReturn = 1;
constexpr int kAlertAlternateReturn = 0;
} // namespace

void WTView::confirmCropResize(const Rect &r)
{
    if (!mQuestions)
        return;
    const QString pending = stringFromRect(r);
    mQuestions->confirmCropResize(*this, r, [this, pending](bool yes) {
        doCropResize(nullptr, yes ? kAlertDefaultReturn : kAlertAlternateReturn, pending);
    });
}

void WTView::doCropResize(QMessageBox *, int returnCode, const QString &contextInfo)
{
    if (returnCode != kAlertDefaultReturn)
        return;
    const Rect r = rectFromString(contextInfo);
    if (!isEmptyRect(r))
        mCore->applyResize(r);
}

void WTView::cropResizeToSize(Size s)
{
    mCore->cropResizeToSize(s, mViewport->visibleRect());
}

void WTView::cropResize(QObject *)
{
    mCore->cropResizeToRect(mViewport->visibleRect());
}

void WTView::cropResizeToFixedSize(QObject *sender)
{
    if (!sender)
        return;
    const auto tag = Preferences::toInteger(sender->property("tag"));
    if (tag && *tag >= 1 && *tag <= kFixedSizesCount)
        cropResizeToSize(kFixedSizes[size_t(*tag - 1)]);
}

void WTView::cropResizeToCustomSize(QObject *)
{
    if (isEmptyRect({{0, 0}, sheetSize()}) || !mQuestions)
        return;
    mQuestions->chooseCustomSize(*this, [this](Size s) { doCustomCropResize(s); });
}

void WTView::doCustomCropResize(Size s)
{
    mCore->cropResizeToChosenSize(s, mViewport->visibleRect());
}
