#include "DocumentWindow.h"

#include "Assert.h"
#include "BrushSizeSlider.h"
#include "ColorWell.h"
#include "ColorsPanel.h"
#include "Document.h"
#include "DocumentController.h"
#include "LayersPanel.h"
#include "PaletteBinding.h"
#include "PenControls.h"
#include "ProgramKeys.h"
#include "Preferences.h"
#include "RecentColors.h"
#include "SaveProgress.h"
#include "SheetContainer.h"
#include "Toolbar.h"
#include "WTView.h"
#include "ZoomIndicator.h"
#include "ZoomRule.h"
#include "ui_InkpondDocument.h"

#include <QAction>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <algorithm>

namespace {
// A one-line hint that shortens itself with an ellipsis rather than widen the window or be cut.
// It keeps its place while it says nothing, so that the widgets beside it stay where they are.
class HintLabel : public QLabel
{
public:
    explicit HintLabel(const QString &hint, QWidget *parent = nullptr)
        : QLabel(parent)
        , mHint(hint)
    {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setToolTip(hint);
    }
    void showHint(bool on)
    {
        mShown = on;
        fit();
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QLabel::resizeEvent(event);
        fit();
    }

private:
    void fit()
    {
        setText(mShown ? fontMetrics().elidedText(mHint, Qt::ElideRight, contentsRect().width())
                       : QString());
    }

    QString mHint;
    bool mShown = false;
};
} // namespace

DocumentWindow::DocumentWindow(Document *document, const MenuBuilder &makeMenus, Preferences *store,
                               CanvasQuestions *questions)
    : mUi(std::make_unique<Ui::InkpondDocument>())
    , mDocument(document)
    , mStore(store ? store : &Preferences::standard())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(true);
    mUi->setupUi(this);
    // The toolbar's views wait here while the toolbar does not show them.
    mUi->mToolbarViews->hide();
    if (makeMenus)
        mMainMenu = makeMenus(this);
    mSaveProgress = new SaveProgress;
    mSaveProgress->setDocument(document);
    statusBar()->addWidget(mSaveProgress);
    // Beside the save's progress, never over it: the hint gives way when room runs short.
    mCanvasHint = new HintLabel(tr("Line: Shift-click, then click · Shift: snap to 45° · Alt/Ctrl "
                                   "with the click: chain · Esc: cancel"));
    mCanvasHint->setObjectName(QStringLiteral("canvasHint"));
    statusBar()->addWidget(mCanvasHint, 1);
    mZoomIndicator = new ZoomIndicator;
    statusBar()->addPermanentWidget(mZoomIndicator);

    // The canvas's first sheet is the container's size, so the container needs its real size.
    layout()->activate();
    SheetContainer *container = mUi->mCanvasContainer;
    mCanvas = new WTView(Rect(0, 0, float(container->width()), float(container->height())),
                         container, store);
    container->setCanvas(mCanvas);
    mZoomIndicator->setCanvas(mCanvas);
    mCanvas->setDocument(document);
    mCanvas->setQuestions(questions);
    mCanvas->setRubberButton(mUi->mRubberButton);
    mCanvas->installEventFilter(this);
    mRecentColors = std::make_unique<RecentColors>(*mStore);
    mRecentColors->follow(mCanvas->core());
    bindControls();
    bindHistoryButtons();
    addLayersPanel();
    addColorsPanel();
    placePanels();
}

void DocumentWindow::placePanels()
{
    // Where they were last docked; whether they show stays with their own settings.
    const bool layers = isLayersPanelShown(), colours = isColorsPanelShown();
    restoreState(mStore->dataForKey(ProgramKeys::kPanelPlaces));
    mLayersPanel->setVisible(layers);
    mColorsPanel->setVisible(colours);
    const auto remember = [this] { mStore->setData(saveState(), ProgramKeys::kPanelPlaces); };
    for (QDockWidget *panel : {static_cast<QDockWidget *>(mLayersPanel),
                               static_cast<QDockWidget *>(mColorsPanel)}) {
        connect(panel, &QDockWidget::dockLocationChanged, this, remember);
        connect(panel, &QDockWidget::topLevelChanged, this, remember);
    }
}

DocumentWindow::~DocumentWindow()
{
    // Before the menus and the canvas go: what it does as it goes must not reach them.
    delete mLayersPanel;
    delete mColorsPanel;
}

ColorWell *DocumentWindow::colorWell() const
{
    return mUi->mCurrColorWell;
}

PenControls *DocumentWindow::penView() const
{
    return mUi->mCurrPenView;
}

BrushSizeSlider *DocumentWindow::brushSizeSlider() const
{
    return mUi->mBrushSizeSlider;
}

QComboBox *DocumentWindow::bgTypeSlider() const
{
    return mUi->mBgTypeSlider;
}

QToolButton *DocumentWindow::undoButton() const
{
    return mUi->mUndoButton;
}

QToolButton *DocumentWindow::redoButton() const
{
    return mUi->mRedoButton;
}

void DocumentWindow::bindControls()
{
    WTView *canvas = mCanvas;
    ColorWell *well = mUi->mCurrColorWell;
    BrushSizeSlider *brush = mUi->mBrushSizeSlider;
    QComboBox *bg = mUi->mBgTypeSlider;

    mUi->mCurrPenView->setCanvas(canvas);
    // The well and the slider show whatever setting becomes active; the eraser has no colour.
    auto showPen = [canvas, well, brush] {
        well->setEnabled(!canvas->erasing());
        well->setColor(canvas->erasing() ? QColor() : canvas->color()->toQColor());
        brush->showBrushSize(canvas->brushSize());
    };
    connect(canvas, &WTView::penChanged, well, showPen);
    showPen();
    connect(well, &ColorWell::colorChosen, canvas, [canvas](const QColor &chosen) {
        // The pen may have become the eraser while the colour dialog was open.
        if (canvas->erasing())
            return;
        const Color c = Color::fromQColor(chosen);
        canvas->setColor(&c);
    });
    connect(brush, &BrushSizeSlider::brushSizeChosen, canvas, &WTView::setBrushSize);

    // In the order of the paper types, so that an item's index is its type.
    bg->addItems({tr("Plain"), tr("Ruled"), tr("Grid"), tr("See-through")});
    auto showBgType = [bg](float type) {
        const QSignalBlocker quiet(bg);
        bg->setCurrentIndex(int(type));
    };
    connect(canvas, &WTView::bgTypeChanged, bg, showBgType);
    showBgType(canvas->bgType());
    // Through the property, as recordings and replays set it.
    connect(bg, &QComboBox::activated, canvas,
            [canvas](int type) { canvas->setProperty("bgType", float(type)); });
    bindPopupPalette(*canvas, *this, mRecentColors.get());
}

void DocumentWindow::addLayersPanel()
{
    mLayersPanel = new LayersPanel(mCanvas->core(), this);
    addDockWidget(Qt::RightDockWidgetArea, mLayersPanel);
    mLayersPanel->setVisible(ProgramKeys::storedNumber(*mStore, ProgramKeys::kShowLayersPanel)
                             != 0.0);
    connect(mLayersPanel, &LayersPanel::closedByUser, this, [this] { setLayersPanelShown(false); });
}

bool DocumentWindow::isLayersPanelShown() const
{
    return mLayersPanel && !mLayersPanel->isHidden();
}

void DocumentWindow::setLayersPanelShown(bool shown)
{
    if (!mLayersPanel)
        return;
    mLayersPanel->setVisible(shown);
    if (shown)
        mLayersPanel->refreshThumbnails();
    ProgramKeys::storeNumber(*mStore, ProgramKeys::kShowLayersPanel, shown ? 1 : 0);
    emit layersPanelShownChanged(shown);
}

void DocumentWindow::addColorsPanel()
{
    mColorsPanel = new ColorsPanel(*mCanvas, *mRecentColors, this);
    addDockWidget(Qt::RightDockWidgetArea, mColorsPanel);
    mColorsPanel->setVisible(ProgramKeys::storedNumber(*mStore, ProgramKeys::kShowColorsPanel)
                             != 0.0);
    connect(mColorsPanel, &ColorsPanel::closedByUser, this, [this] { setColorsPanelShown(false); });
    // The well brings the panel forward; Qt's dialog is still there, behind More….
    ColorWell *well = mUi->mCurrColorWell;
    well->setOpensDialog(false);
    connect(well, &QAbstractButton::clicked, this, [this] {
        setColorsPanelShown(true);
        mColorsPanel->raise();
    });
    connect(mColorsPanel, &ColorsPanel::moreColorsRequested, well, &ColorWell::openDialog);
}

bool DocumentWindow::isColorsPanelShown() const
{
    return mColorsPanel && !mColorsPanel->isHidden();
}

void DocumentWindow::setColorsPanelShown(bool shown)
{
    if (!mColorsPanel)
        return;
    mColorsPanel->setVisible(shown);
    ProgramKeys::storeNumber(*mStore, ProgramKeys::kShowColorsPanel, shown ? 1 : 0);
    emit colorsPanelShownChanged(shown);
}

void DocumentWindow::bindHistoryButtons()
{
    const struct
    {
        QToolButton *button;
        const char *command;
        const char *themeIcon;
        QStyle::StandardPixmap fallback;
    } buttons[] = {{mUi->mUndoButton, "undo:", "edit-undo", QStyle::SP_ArrowBack},
                   {mUi->mRedoButton, "redo:", "edit-redo", QStyle::SP_ArrowForward}};
    for (const auto &b : buttons) {
        // The menu's own action, so that a press is the menu command, enabled as it is.
        QAction *action = menuBar()->findChild<QAction *>(QLatin1String(b.command));
        if (!action) {
            b.button->setEnabled(false);
            continue;
        }
        if (action->icon().isNull())
            action->setIcon(
                QIcon::fromTheme(QLatin1String(b.themeIcon), style()->standardIcon(b.fallback)));
        b.button->setDefaultAction(action);
    }
}

bool DocumentWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mCanvas && mCanvasHint) {
        if (event->type() == QEvent::Enter)
            static_cast<HintLabel *>(mCanvasHint)->showHint(true);
        else if (event->type() == QEvent::Leave)
            static_cast<HintLabel *>(mCanvasHint)->showHint(false);
    }
    return QMainWindow::eventFilter(watched, event);
}

void DocumentWindow::setToolbar(Toolbar *toolbar)
{
    if (mToolbar == toolbar)
        return;
    if (mToolbar) {
        removeToolBar(mToolbar);
        delete mToolbar;
    }
    mToolbar = toolbar;
    if (!toolbar)
        return;
    addToolBar(Qt::TopToolBarArea, toolbar);
    toolbar->loadConfiguration();
}

QMenu *DocumentWindow::createPopupMenu()
{
    if (!mToolbar || !mToolbar->allowsUserCustomization())
        return nullptr;
    auto *menu = new QMenu(this);
    QAction *customize = menu->addAction(tr("Customize Toolbar…"));
    customize->setObjectName(QStringLiteral("runToolbarCustomizationPalette:"));
    connect(customize, &QAction::triggered, mToolbar,
            [toolbar = mToolbar] { toolbar->runCustomizationPalette(); });
    return menu;
}

Rect DocumentWindow::zoomFrame() const
{
    return screenRectToZoomTerms(frameGeometry(), screen());
}

QMargins DocumentWindow::decorations() const
{
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

void DocumentWindow::setZoomFrame(const Rect &frame)
{
    if (isMaximized() || isFullScreen())
        showNormal();
    // The frame includes the window system's decorations; Qt places the inside.
    setGeometry(zoomTermsToScreenRect(frame, screen()).marginsRemoved(decorations()));
}

void DocumentWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (mFitted || event->spontaneous())
        return;
    mFitted = true;
    if (mFitSheetWhenShown) {
        // After the layout has given the container the window's size.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (mCanvas && mCanvas->viewport().view().isDefault())
                    mCanvas->viewport().fitIfLarger();
            },
            Qt::QueuedConnection);
    }
    // The interface file's size can be more than a small screen, or a large scale, has room for.
    // The window is made by now, so its decorations are known where the platform knows them.
    if (!screen() || isMaximized() || isFullScreen())
        return;
    const QRect available = screen()->availableGeometry();
    QRect frame = frameGeometry();
    if (available.contains(frame))
        return;
    frame.setSize(frame.size().boundedTo(available.size()));
    frame.moveTo(
        std::clamp(frame.x(), available.x(), available.x() + available.width() - frame.width()),
        std::clamp(frame.y(), available.y(), available.y() + available.height() - frame.height()));
    setGeometry(frame.marginsRemoved(decorations()));
}

void DocumentWindow::performZoom(QObject *)
{
    if (!mDocument || !screen())
        return;
    const Rect current = zoomFrame();
    const Rect available = screenRectToZoomTerms(screen()->availableGeometry(), screen());
    const Rect standard = mDocument->windowWillUseStandardFrame(this, available);
    // Zoomed already, and not moved or resized since: back to where it came from.
    if (mUserFrame && (current == standard || current == mZoomedFrame)) {
        const Rect previous = *mUserFrame;
        mUserFrame.reset();
        mZoomedFrame.reset();
        setZoomFrame(previous);
        return;
    }
    if (isEmptyRect(standard))
        return;
    mUserFrame = current;
    mZoomedFrame = standard;
    setZoomFrame(standard);
}

DocumentWindow *documentWindowFor(const Document *document)
{
    return document ? qobject_cast<DocumentWindow *>(document->window()) : nullptr;
}

namespace {
QStringList droppedFiles(const QMimeData *data)
{
    QStringList paths;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}
} // namespace

void DocumentWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void DocumentWindow::dropEvent(QDropEvent *event)
{
    const QStringList paths = droppedFiles(event->mimeData());
    DocumentController *documents = mDocument ? mDocument->controller() : nullptr;
    if (paths.isEmpty() || !documents)
        return;
    event->acceptProposedAction();
    // Each file that cannot be opened is told of; the others still open.
    documents->openFiles(paths);
}
