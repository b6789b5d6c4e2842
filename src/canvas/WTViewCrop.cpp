// The guarded resizes, with their confirmation, and the crop and resize commands.
#include "WTView.h"

#include "CanvasQuestions.h"
#include "Document.h"
#include "FixedSizes.h"
#include "Preferences.h"

#include <QJsonArray>

namespace {
// Answers of the confirmation.
constexpr int kAlertDefaultReturn = 1;
constexpr int kAlertAlternateReturn = 0;
} // namespace

void WTView::cropResizeToRect(const Rect &r)
{
    if (isEmptyRect(r))
        return;
    // Refused before anything is asked: a sheet this size could not be made after a "Yes".
    if (!Image::isValidSize(r.size)) {
        refuseSheetSize(r.size);
        return;
    }
    if (!document() || !document()->isDocumentEdited()) {
        applyResize(r);
        return;
    }

    if (!mQuestions)
        return; // a canvas without a window has no one to ask
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
        applyResize(r);
}

void WTView::cropResizeToSize(Size s)
{
    if (s.width < 1.0f || s.height < 1.0f)
        return;
    if (s == sheetSize())
        return;
    // Centred on the centre of what the user sees, not rounded.
    const Rect v = visibleRect();
    cropResizeToRect({v.x() + v.width() * 0.5f - s.width * 0.5f,
                      v.y() + v.height() * 0.5f - s.height * 0.5f, s.width, s.height});
}

void WTView::cropResize(QObject *)
{
    cropResizeToRect(visibleRect());
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
    emit commandChosen(QStringLiteral("cropResizeToCustomSize:"),
                       QJsonArray {double(s.width), double(s.height)});
    if (s != sheetSize())
        cropResizeToSize(s);
}
