// The window side of the document: the interface file of its window, the toolbar it puts on
// it, and the zoom rule.
#include "InkpondDocument.h"

#include "DocumentWindow.h"
#include "InkpondToolbar.h"
#include "RecoveryManager.h"
#include "WTView.h"
#include "ZoomRule.h"

QString InkpondDocument::windowNibName() const
{
    return QStringLiteral("InkpondDocument");
}

void InkpondDocument::makeWindowControllers()
{
    if (window())
        return;
    auto *windowController = new DocumentWindow(this);
    windowControllerDidLoadNib(windowController);
    setWindow(windowController);
    if (RecoveryManager *recovery = RecoveryManager::instance())
        recovery->watch(this);
}

void InkpondDocument::windowControllerDidLoadNib(DocumentWindow *windowController)
{
    // Every document window's toolbar has this identifier, so all share one configuration.
    auto *toolbar = new Toolbar(kInkpondToolbarIdentifier);
    toolbar->setDisplayMode(Toolbar::DisplayModeIconOnly);
    toolbar->setAutosavesConfiguration(true);
    toolbar->setAllowsUserCustomization(true);
    toolbar->setDelegate(this);
    windowController->setToolbar(toolbar);
}

void InkpondDocument::setWindowViews(QWidget *colorWell, QWidget *penView, QWidget *brushSizeSlider,
                                     QWidget *bgTypeSlider)
{
    mCurrColorWell = colorWell;
    mCurrPenView = penView;
    mBrushSizeSlider = brushSizeSlider;
    mBgTypeSlider = bgTypeSlider;
}

Rect InkpondDocument::windowWillUseStandardFrame(QWidget *window, const Rect &defaultFrame) const
{
    const auto *documentWindow = qobject_cast<DocumentWindow *>(window);
    if (!documentWindow || !mCanvasView)
        return defaultFrame;
    return ::windowWillUseStandardFrame(documentWindow->zoomFrame(), defaultFrame,
                                        mCanvasView->visibleRect().size, mCanvasView->sheetSize());
}
