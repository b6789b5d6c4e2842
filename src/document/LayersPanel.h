#pragma once

#include <QDockWidget>
#include <QPointer>

class CanvasCore;
class QCheckBox;
class QComboBox;
class QSlider;
class QSpinBox;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
struct LayerProperties;

// The Layers dock: the canvas's layers top first, each with its thumbnail, an eye and a lock to
// toggle and its name (renamed in place); a row selects its layer and a drag moves it. Below,
// the current layer's opacity, mode and alpha lock, and buttons for the common steps. Every
// change goes through the core's layer functions, one step of the history each, and the panel
// shows again what the core then has, so undo and replays show here as well.
class LayersPanel : public QDockWidget
{
    Q_OBJECT

public:
    enum Column { EyeColumn, LockColumn, NameColumn };

    LayersPanel(CanvasCore &core, QWidget *parent);
    ~LayersPanel() override;

    QTreeWidget *list() const { return mList; }
    // Redraws the thumbnails that are out of date now rather than after the delay.
    void refreshThumbnails();

signals:
    // Closed from its own title bar, so that whoever keeps its state knows.
    void closedByUser();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void refresh();
    void showCurrent();
    void changeLayer(int index, LayerProperties properties);
    void changeCurrent(void (*change)(LayerProperties &, int), int value);
    void rowClicked(QTreeWidgetItem *item, int column);
    void renamed(QTreeWidgetItem *item, int column);
    void moveTo(int row);
    void thumbnailsOutOfDate(bool all);
    int layerOfRow(int row) const;

    QPointer<CanvasCore> mCore;
    QTreeWidget *mList = nullptr;
    QSlider *mOpacity = nullptr;
    QSpinBox *mOpacityValue = nullptr;
    QComboBox *mMode = nullptr;
    QCheckBox *mAlphaLock = nullptr;
    QToolButton *mDelete = nullptr;
    QToolButton *mUp = nullptr;
    QToolButton *mDown = nullptr;
    QTimer *mThumbnailTimer = nullptr;
    bool mAllThumbnailsStale = true;
    bool mCurrentThumbnailStale = false;
};
