#include "CanvasDialogs.h"

#include "Image.h"
#include "Localizable.h"
#include "MyResizePanel.h"
#include "WTView.h"

#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>

namespace {
constexpr int kOKButton = MyResizePanel::kOKButton;
// Long enough to be read after the paper changes under the pointer.
constexpr int kNoteMilliseconds = 20000;

const char *const kConfirmCropResize = QT_TRANSLATE_NOOP(
    "Localizable",
    "The image will be resized or cropped to the size (%d, %d).\nThis action is not "
    "undoable.\n\nContinue?");
} // namespace

void CanvasDialogs::confirmCropResize(WTView &canvas, const Rect &r,
                                      std::function<void(bool)> answered)
{
    auto *alert = new QMessageBox(canvas.window());
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
    QObject::connect(
        alert, &QMessageBox::finished, &canvas,
        [answered = std::move(answered)](int result) { answered(result == QMessageBox::Yes); });
    alert->open();
}

bool CanvasDialogs::chooseCustomSize(WTView &canvas, std::function<void(Size)> chosen)
{
    auto *controller = new MyResizePanel(canvas.sheetSize(), &canvas);
    QPointer<WTView> target(&canvas);
    const bool shown = controller->runModalSheetForWindow(
        canvas.window(), controller,
        [target, chosen = std::move(chosen)](QDialog *panel, int returnCode, MyResizePanel *ended) {
            // The panel goes before a confirmation can appear on the same window.
            if (panel)
                panel->close();
            const Size s = ended->size();
            ended->deleteLater();
            if (target && returnCode == kOKButton)
                chosen(s);
        });
    if (!shown)
        delete controller;
    return shown;
}

void CanvasDialogs::tellSheetRefused(WTView &canvas, Size size)
{
    auto number = [](float v) { return QString::number(double(v), 'g', 10); };
    const float side = float(Image::kMaxSide);
    QString why;
    if (size.width > side || size.height > side)
        why = tr("A sheet can be at most %1 points wide and %1 points high.").arg(Image::kMaxSide);
    else if (Image::isValidSize(size))
        why = tr("There is not enough memory for a sheet of %1 × %2 points.")
                  .arg(number(size.width), number(size.height));
    else
        why = tr("A sheet of %1 × %2 points cannot be made.")
                  .arg(number(size.width), number(size.height));
    auto *box = new QMessageBox(QMessageBox::Warning, tr("Sheet Not Changed"), why, QMessageBox::Ok,
                                canvas.window());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

void CanvasDialogs::tellCopyRefused(WTView &canvas, qint64 needed, qint64 available)
{
    const QLocale locale;
    const QString why
        = tr("Copying this picture needs about %1 of memory, and only %2 is free. The clipboard "
             "was left as it was.")
              .arg(locale.formattedDataSize(needed), locale.formattedDataSize(available));
    auto *box = new QMessageBox(QMessageBox::Warning, tr("Picture Not Copied"), why,
                                QMessageBox::Ok, canvas.window());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

void CanvasDialogs::tellPasteRefused(WTView &canvas, const QString &why)
{
    auto *box = new QMessageBox(QMessageBox::Warning, tr("Nothing Pasted"), why, QMessageBox::Ok,
                                canvas.window());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

void CanvasDialogs::tellNotSeeThrough(WTView &canvas)
{
    if (mToldNotSeeThrough)
        return;
    mToldNotSeeThrough = true;
    // A note in passing, not a question: nothing waits for it, and the paper still works.
    auto *window = qobject_cast<QMainWindow *>(canvas.window());
    if (!window)
        return;
    window->statusBar()->showMessage(
        tr("No compositing manager runs, so the see-through paper is shown over grey."),
        kNoteMilliseconds);
}
