#pragma once

#include "Document.h"
#include "Geometry.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class ColorWell;
class BrushSizeSlider;
class CanvasQuestions;
class PenControls;
class Preferences;
class LayersPanel;
class ColorsPanel;
class RecentColors;
class QComboBox;
class QLabel;
class QToolButton;
class MainMenu;
class Toolbar;
class WTView;
class SaveProgress;
class ZoomIndicator;
namespace Ui {
class InkpondDocument;
}

// A document's window, loaded from the interface file "InkpondDocument": the canvas in its
// clipping container, the pen-setting views that the toolbar shows, the menu bar, and the zoom
// in the status bar. Its
// object name is the interface file's, so tests and recordings can find it.
class DocumentWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Loads the interface file and connects its views to the canvas, which keeps its settings in
    // the store and asks its questions through questions (none: it asks nothing); the document
    // then starts the canvas (awakeFromNib). The window deletes itself when closed.
    // makeMenus builds the menu bar, a child of the window, before the canvas is made.
    using MenuBuilder = std::function<MainMenu *(DocumentWindow *)>;
    DocumentWindow(Document *document, const MenuBuilder &makeMenus, Preferences *store,
                   CanvasQuestions *questions);
    ~DocumentWindow() override;

    Document *document() const { return mDocument; }
    // The pen-setting views that the toolbar shows.
    ColorWell *colorWell() const;
    PenControls *penView() const;
    BrushSizeSlider *brushSizeSlider() const;
    // The paper: "Plain", "Ruled", "Grid", "See-through", in the order of their types.
    QComboBox *bgTypeSlider() const;
    // Buttons that send the menu's Undo and Redo, for the toolbar.
    QToolButton *undoButton() const;
    QToolButton *redoButton() const;
    WTView *canvas() const { return mCanvas; }
    Toolbar *toolbar() const { return mToolbar; }
    void setToolbar(Toolbar *toolbar);
    MainMenu *mainMenu() const { return mMainMenu; }
    ZoomIndicator *zoomIndicator() const { return mZoomIndicator; }
    SaveProgress *saveProgress() const { return mSaveProgress; }
    // How to draw lines, in the status bar while the pointer is over the canvas.
    QLabel *canvasHint() const { return mCanvasHint; }
    // The Layers dock, shown as the store last kept it; showing or hiding it is kept there.
    LayersPanel *layersPanel() const { return mLayersPanel; }
    bool isLayersPanelShown() const;
    void setLayersPanelShown(bool shown);
    // The Colours dock, kept as the Layers dock is; the toolbar's colour well shows it.
    ColorsPanel *colorsPanel() const { return mColorsPanel; }
    bool isColorsPanelShown() const;
    void setColorsPanelShown(bool shown);
    // The colours that last painted, shared through the store with every window on it.
    RecentColors *recentColors() const { return mRecentColors.get(); }

    // Window ▸ Zoom: to the frame that shows the whole sheet on the window's screen, and back
    // to the frame it had before when zoomed already.
    void performZoom(QObject *sender = nullptr);
    // Once shown and laid out, a sheet larger than the window is fitted to it, unless its view
    // was changed by then: what an opened picture wants.
    void fitSheetWhenShown() { mFitSheetWhenShown = true; }
    // The window's frame on its screen, decorations included, in the zoom rule's y-up terms.
    Rect zoomFrame() const;
    void setZoomFrame(const Rect &frame);

    // The toolbar's context menu: Customize Toolbar….
    QMenu *createPopupMenu() override;

signals:
    void layersPanelShownChanged(bool shown);
    void colorsPanelShownChanged(bool shown);

protected:
    void showEvent(QShowEvent *event) override;
    // Files dropped beside the canvas open as documents; the canvas takes drops on itself.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void bindControls();
    void addLayersPanel();
    void addColorsPanel();
    void placePanels();
    void bindHistoryButtons();
    // The window system's decorations around the window, as far as it has told them.
    QMargins decorations() const;

    std::unique_ptr<Ui::InkpondDocument> mUi;
    QPointer<Document> mDocument;
    WTView *mCanvas = nullptr; // a child of the canvas container
    Toolbar *mToolbar = nullptr; // a child
    MainMenu *mMainMenu = nullptr; // a child
    ZoomIndicator *mZoomIndicator = nullptr; // a child of the status bar
    SaveProgress *mSaveProgress = nullptr; // a child of the status bar
    QLabel *mCanvasHint = nullptr; // a child of the status bar
    LayersPanel *mLayersPanel = nullptr; // a child
    ColorsPanel *mColorsPanel = nullptr; // a child
    std::unique_ptr<RecentColors> mRecentColors;
    Preferences *mStore = nullptr; // outlives the window
    // Zooming remembers where it came from, and where it went.
    std::optional<Rect> mUserFrame;
    std::optional<Rect> mZoomedFrame;
    bool mFitted = false; // to its screen, when first shown
    bool mFitSheetWhenShown = false;
};

// The window of a document; nullptr while it has none.
DocumentWindow *documentWindowFor(const Document *document);
