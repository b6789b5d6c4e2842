#pragma once

#include <QFrame>
#include <QList>
#include <QPointer>
#include <optional>

class PenButton;
class QAction;
class QBoxLayout;
class QButtonGroup;
class QLabel;
class QSlider;
class QToolButton;
class RecentColors;
class WTView;

// What a hand on the pen needs without the keyboard or the menus, opened where the pointer is:
// the four colour slots and the eraser, the active slot's nib, the width, the paper, the current
// layer with the layers below and above it and a new one, Undo and Redo, the two views, the
// colour picker and the Move tool; the view's zoom (about where it opened), turn, mirror and
// reset, and straight lines without a key. Choosing a tool, a view, the picker, the Move tool or
// a line closes it; the nib, the layers, undo, redo, the width, the paper, the zoom, the turn
// and the mirror keep it open for another step. A tap outside it or Escape closes it too.
class PopupPalette : public QFrame
{
    Q_OBJECT

public:
    // The window's own commands, so that an entry does exactly what its menu item does; an entry
    // whose command is missing is left out.
    struct Commands
    {
        QAction *undo = nullptr;
        QAction *redo = nullptr;
        QAction *fit = nullptr;
        QAction *actualSize = nullptr;
        QAction *pick = nullptr;
        QAction *move = nullptr;
        QAction *newLayer = nullptr;
    };

    PopupPalette(WTView *canvas, const Commands &commands, QWidget *parent);

    // A small colour wheel and the recent colours, below the rest: the active slot's colour
    // chosen without leaving the canvas. The wheel keeps the palette open; a recent colour closes
    // it, as choosing a tool does.
    void addColourSection(RecentColors &recent);

    // Shows the palette with its corner at globalPos, moved onto the screen where it would leave.
    void popUp(QPoint globalPos);
    // Where a palette wanted at `wanted` goes on a screen's available area.
    static QRect placed(QRect wanted, const QRect &screen);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QToolButton *commandButton(QAction *action, const char *name, bool closes);
    void refresh();
    // The view and line entries (PopupPaletteView.cpp).
    void addViewSection(QBoxLayout *rows);
    void refreshViewSection();
    QPointF zoomCentre() const; // where it opened, on the canvas

    QPointer<WTView> mCanvas;
    QList<PenButton *> mTools; // by tool number: the eraser first
    QLabel *mWidth = nullptr;
    QLabel *mLayer = nullptr;
    QToolButton *mLayerBelow = nullptr;
    QToolButton *mLayerAbove = nullptr;
    QButtonGroup *mBrushes = nullptr; // by BrushKind
    QButtonGroup *mPapers = nullptr;
    std::optional<QPoint> mOpenedAt; // global
    QSlider *mZoom = nullptr; // four steps an octave
    QLabel *mZoomLabel = nullptr;
    QToolButton *mMirror = nullptr;
    QToolButton *mLine = nullptr;
    QToolButton *mLineChain = nullptr;
};
