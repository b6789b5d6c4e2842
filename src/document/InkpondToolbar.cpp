// The document as its toolbar's delegate: which items the toolbar may have, which it starts
// with, and the items themselves, each wrapping one of the window's views. Undo and Redo may be
// added from the customise palette; a new window starts without them.
#include "InkpondDocument.h"

#include "Localizable.h"
#include "ToolbarItems.h"

namespace {
struct ItemTexts
{
    const char *label;
    const char *paletteLabel;
    const char *toolTip;
};

const ItemTexts kColorTexts {QT_TRANSLATE_NOOP("Localizable", "Color"),
                             QT_TRANSLATE_NOOP("Localizable", "Current color"),
                             QT_TRANSLATE_NOOP("Localizable", "Current pen color")};
const ItemTexts kPenTexts {QT_TRANSLATE_NOOP("Localizable", "Pen"),
                           QT_TRANSLATE_NOOP("Localizable", "Current pen"),
                           QT_TRANSLATE_NOOP("Localizable", "Curret pen")};
const ItemTexts kBrushSizeTexts {QT_TRANSLATE_NOOP("Localizable", "Brush size"),
                                 QT_TRANSLATE_NOOP("Localizable", "Current brush size"),
                                 QT_TRANSLATE_NOOP("Localizable", "Current pen's brush size")};
const ItemTexts kBackgroundTexts {QT_TRANSLATE_NOOP("Localizable", "Background"),
                                  QT_TRANSLATE_NOOP("Localizable", "Background type"),
                                  QT_TRANSLATE_NOOP("Localizable", "Window background type")};
const ItemTexts kUndoTexts {QT_TRANSLATE_NOOP("Localizable", "Undo"),
                            QT_TRANSLATE_NOOP("Localizable", "Undo"),
                            QT_TRANSLATE_NOOP("Localizable", "Undo the last stroke")};
const ItemTexts kRedoTexts {QT_TRANSLATE_NOOP("Localizable", "Redo"),
                            QT_TRANSLATE_NOOP("Localizable", "Redo"),
                            QT_TRANSLATE_NOOP("Localizable", "Redo the stroke undone last")};
} // namespace

QStringList InkpondDocument::toolbarAllowedItemIdentifiers(Toolbar *)
{
    return {CurrentColorTBId,
            CurrentPenTBId,
            BrushSizeTBId,
            BackgroundTypeTBId,
            UndoTBId,
            RedoTBId,
            kToolbarFlexibleSpaceItemIdentifier,
            kToolbarSpaceItemIdentifier,
            kToolbarSeparatorItemIdentifier};
}

QStringList InkpondDocument::toolbarDefaultItemIdentifiers(Toolbar *)
{
    return {CurrentPenTBId, CurrentColorTBId, BrushSizeTBId, kToolbarFlexibleSpaceItemIdentifier,
            BackgroundTypeTBId};
}

std::unique_ptr<ToolbarItem> InkpondDocument::toolbar(Toolbar *, const QString &itemIdentifier,
                                                      bool)
{
    // The palette's item and the toolbar's are made alike and wrap the same view.
    const ItemTexts *texts = nullptr;
    QWidget *view = nullptr;
    bool narrowable = false;
    if (itemIdentifier == CurrentColorTBId) {
        texts = &kColorTexts;
        view = mCurrColorWell;
    } else if (itemIdentifier == CurrentPenTBId) {
        texts = &kPenTexts;
        view = mCurrPenView;
    } else if (itemIdentifier == BrushSizeTBId) {
        texts = &kBrushSizeTexts;
        view = mBrushSizeSlider;
        narrowable = true;
    } else if (itemIdentifier == BackgroundTypeTBId) {
        texts = &kBackgroundTexts;
        view = mBgTypeSlider;
    } else if (itemIdentifier == UndoTBId) {
        texts = &kUndoTexts;
        view = mUndoButton;
    } else if (itemIdentifier == RedoTBId) {
        texts = &kRedoTexts;
        view = mRedoButton;
    } else {
        return nullptr;
    }
    auto item = std::make_unique<ToolbarItem>(itemIdentifier);
    item->setLabel(localizedString(texts->label));
    item->setPaletteLabel(localizedString(texts->paletteLabel));
    item->setToolTip(localizedString(texts->toolTip));
    item->setView(view);
    const QSize frame = view ? view->size() : QSize();
    item->setMinSize(narrowable ? QSize(kBrushSizeItemMinWidth, frame.height()) : frame);
    item->setMaxSize(frame);
    return item;
}
