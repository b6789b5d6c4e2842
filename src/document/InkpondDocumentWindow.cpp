// The window side of the document: the interface file of its window, the toolbar it puts on
// it, and the zoom rule.
#include "InkpondDocument.h"

#include "Assert.h"
#include "BrushSizeSlider.h"
#include "CanvasCore.h"
#include "ColorWell.h"
#include "DocumentWindow.h"
#include "MainMenu.h"
#include "PenControls.h"
#include "ToolbarItems.h"
#include "WTView.h"
#include "ZoomRule.h"

#include <QComboBox>
#include <QStatusBar>
#include <QToolButton>

QString InkpondDocument::windowNibName() const
{
    return QStringLiteral("InkpondDocument");
}

void InkpondDocument::makeWindowControllers()
{
    if (window())
        return;
    INK_ASSERT(mSettingsStore);
    if (!mSettingsStore)
        return;
    Preferences &store = *mSettingsStore;
    auto *windowController = new DocumentWindow(
        this, [&store](DocumentWindow *window) { return new MainMenu(window, store); }, &store,
        mQuestions);
    INK_ASSERT(windowController->objectName() == windowNibName());
    setCanvas(windowController->canvas());
    // The menus were made before the canvas whose redo they follow.
    if (MainMenu *menu = windowController->mainMenu()) {
        connect(windowController->canvas(), &WTView::canRedoChanged, menu, &MainMenu::validate);
        connect(windowController->canvas(), &WTView::viewChanged, menu, &MainMenu::showViewState);
        connect(windowController->canvas(), &WTView::bgTypeChanged, menu, &MainMenu::showPaper);
        connect(windowController->canvas(), &WTView::penChanged, menu, &MainMenu::showBrush);
        connect(&windowController->canvas()->core(), &CanvasCore::layersChanged, menu,
                &MainMenu::showLayers);
        menu->validate();
    }
    setWindowViews(windowController->colorWell(), windowController->penView(),
                   windowController->brushSizeSlider(), windowController->bgTypeSlider());
    setHistoryViews(windowController->undoButton(), windowController->redoButton());
    if (!mStartingLayers.empty())
        mCanvasView->awakeFromNib(std::move(mStartingLayers), mStartingCurrentLayer);
    else
        mCanvasView->awakeFromNib(std::move(mStartingImage));
    mStartingLayers.clear();
    if (MainMenu *menu = windowController->mainMenu()) {
        menu->showPaper();
        menu->showBrush();
    }
    // An opened or restored picture larger than the window is seen whole at first.
    if (mHasStartingPicture)
        windowController->fitSheetWhenShown();
    mCanvasView->setFocus();
    windowControllerDidLoadNib(windowController);
    setWindow(windowController);
    // What the file held that could only be read approximately, said once as it opens.
    if (!mReadNotes.isEmpty())
        tellInPassing(mReadNotes.join(u' '));
    mReadNotes.clear();
    emit windowMade();
}

void InkpondDocument::tellInPassing(const QString &note)
{
    constexpr int kNoteMilliseconds = 15000;
    if (DocumentWindow *window = documentWindowFor(this))
        window->statusBar()->showMessage(note, kNoteMilliseconds);
}

void InkpondDocument::windowControllerDidLoadNib(DocumentWindow *windowController)
{
    // Every document window's toolbar has this identifier, so all share one configuration.
    INK_ASSERT(mSettingsStore);
    auto *toolbar = new Toolbar(kInkpondToolbarIdentifier, *mSettingsStore);
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

void InkpondDocument::setHistoryViews(QWidget *undoButton, QWidget *redoButton)
{
    mUndoButton = undoButton;
    mRedoButton = redoButton;
}

Rect InkpondDocument::windowWillUseStandardFrame(QWidget *window, const Rect &defaultFrame) const
{
    const auto *documentWindow = qobject_cast<DocumentWindow *>(window);
    if (!documentWindow || !mCanvasView)
        return defaultFrame;
    if (mCanvasView->viewport().view().isDefault())
        return ::windowWillUseStandardFrame(documentWindow->zoomFrame(), defaultFrame,
                                            mCanvasView->viewport().visibleRect().size,
                                            mCanvasView->sheetSize());
    // The sheet as the view shows it, against the whole container.
    const QSizeF container = mCanvasView->viewport().containerRect().size();
    const QSizeF shown = mCanvasView->viewport().shownSheetRect().size();
    return ::windowWillUseStandardFrame(documentWindow->zoomFrame(), defaultFrame,
                                        {float(container.width()), float(container.height())},
                                        {float(shown.width()), float(shown.height())});
}
