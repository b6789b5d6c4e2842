// Guarded crops: a change of the sheet that cannot be undone is confirmed while the document
// has unsaved changes.
#include "CanvasCore.h"

#include "Document.h"

#include <QJsonArray>

void CanvasCore::cropResizeToRect(const Rect &r)
{
    if (isEmptyRect(r))
        return;
    // Refused before anything is asked: a sheet this size could not be made after a "Yes".
    if (!Image::isValidSize(r.size)) {
        emit sheetRefused(r.size);
        return;
    }
    if (!mDocument || !mDocument->isDocumentEdited()) {
        applyResize(r);
        return;
    }
    if (mConfirmCrop)
        mConfirmCrop(r); // a canvas without a window has no one to ask
}

void CanvasCore::cropResizeToSize(Size s, const Rect &v)
{
    if (s.width < 1.0f || s.height < 1.0f)
        return;
    if (s == mPicture->sheetSize())
        return;
    // Centred, not rounded.
    cropResizeToRect({v.x() + v.width() * 0.5f - s.width * 0.5f,
                      v.y() + v.height() * 0.5f - s.height * 0.5f, s.width, s.height});
}

void CanvasCore::cropResizeToChosenSize(Size s, const Rect &around)
{
    emit commandChosen(QStringLiteral("cropResizeToCustomSize:"),
                       QJsonArray {double(s.width), double(s.height)});
    if (s != mPicture->sheetSize())
        cropResizeToSize(s, around);
}
