// The guarded resizes, with their confirmation, and the crop and resize commands.
#include "WTView.h"

#include "FixedSizes.h"
#include "InkpondDocument.h"
#include "Localizable.h"
#include "MyResizePanel.h"
#include "Preferences.h"
#include "SessionRecorder.h"

#include <QDialog>
#include <QJsonArray>
#include <QMessageBox>
#include <QPushButton>

namespace {
// Answers of the confirmation, and of the custom-size sheet.
constexpr int kAlertDefaultReturn = 1;
constexpr int kAlertAlternateReturn = 0;
constexpr int kOKButton = 1;

const char *const kConfirmCropResize = QT_TRANSLATE_NOOP(
    "Localizable",
    "The image will be resized or cropped to the size (%d, %d).\nThis action is not "
    "undoable.\n\nContinue?");
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
    if (!mDocument || !mDocument->isDocumentEdited()) {
        applyResize(r);
        return;
    }

    auto *alert = new QMessageBox(window());
    alert->setIcon(QMessageBox::Warning);
    // Valid sizes lie within Image::kMaxSide, so the truncation to int cannot overflow.
    alert->setInformativeText(
        formatIntegers(localizedString(kConfirmCropResize), {int(r.width()), int(r.height())}));
    alert->setStandardButtons(QMessageBox::Yes | QMessageBox::Cancel);
    alert->button(QMessageBox::Yes)
        ->setText(localizedString(QT_TRANSLATE_NOOP("Localizable", "Yes")));
    alert->button(QMessageBox::Cancel)
        ->setText(localizedString(QT_TRANSLATE_NOOP("Localizable", "Cancel")));
    alert->setDefaultButton(QMessageBox::Yes);
    alert->setEscapeButton(QMessageBox::Cancel);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    const QString pending = stringFromRect(r);
    connect(alert, &QMessageBox::finished, this, [this, alert, pending](int result) {
        doCropResize(alert,
                     result == QMessageBox::Yes ? kAlertDefaultReturn : kAlertAlternateReturn,
                     pending);
    });
    alert->open();
}

void WTView::doCropResize(QMessageBox *, int returnCode, const QString &contextInfo)
{
    if (returnCode != kAlertDefaultReturn)
        return;
    const Rect r = rectFromString(contextInfo);
    if (!isEmptyRect(r))
        applyResize(r);
}

bool WTView::applyResize(const Rect &r)
{
    if (!resizeSheet(r))
        return false;
    if (mDocument)
        mDocument->updateChangeCount(Document::ChangeReadOtherContents);
    emit pictureChanged(QStringLiteral("resizeSheet:"),
                        QJsonArray {double(r.x()), double(r.y()), double(r.width()),
                                    double(r.height())});
    return true;
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
    if (isEmptyRect({{0, 0}, sheetSize()}))
        return;
    auto *controller = new MyResizePanel(sheetSize(), this);
    if (!controller->runModalSheetForWindow(window(), this, &WTView::doCustomCropResize))
        delete controller;
}

void WTView::doCustomCropResize(QDialog *panel, int returnCode, MyResizePanel *contextInfo)
{
    // The panel goes before a confirmation can appear on the same window.
    if (panel)
        panel->close();
    const Size s = contextInfo->size();
    contextInfo->deleteLater();
    if (returnCode == kOKButton)
        SessionRecorder::recordAction(QStringLiteral("cropResizeToCustomSize:"),
                                      QJsonArray {double(s.width), double(s.height)});
    if (returnCode == kOKButton && s != sheetSize())
        cropResizeToSize(s);
}
