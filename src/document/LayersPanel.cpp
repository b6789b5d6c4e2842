#include "LayersPanel.h"

#include "CanvasCore.h"
#include "LayerCommands.h"
#include "LayerPropertiesDialog.h"
#include "LayerThumbnail.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>
#include <functional>

namespace {
constexpr QSize kThumbnailBox(40, 30);
constexpr int kThumbnailDelayMs = 300; // thumbnails wait until painting pauses a little
constexpr int kIconSide = 16;

// Drawn rather than taken from the icon theme, which a bare desktop may lack. Off, an icon is
// faint, so that the place to click shows.
QIcon drawnIcon(bool on, const std::function<void(QPainter &)> &draw)
{
    QPixmap pixmap(kIconSide * 2, kIconSide * 2);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink(60, 60, 60, on ? 255 : 50);
    painter.setPen(QPen(ink, 1.3));
    painter.setBrush(ink);
    draw(painter);
    return QIcon(pixmap);
}

QIcon eyeIcon(bool open)
{
    static const auto draw = [](QPainter &p) {
        QPainterPath lid;
        lid.moveTo(1.5, 8);
        lid.quadTo(8, 1, 14.5, 8);
        lid.quadTo(8, 15, 1.5, 8);
        p.save();
        p.setBrush(Qt::NoBrush);
        p.drawPath(lid);
        p.restore();
        p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
    };
    static const QIcon icons[] = {drawnIcon(false, draw), drawnIcon(true, draw)};
    return icons[open ? 1 : 0];
}

QIcon lockIcon(bool locked)
{
    static const auto draw = [](QPainter &p) {
        p.save();
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4.5, 2, 7, 8), 0, 180 * 16);
        p.drawLine(QPointF(4.5, 6), QPointF(4.5, 8));
        p.drawLine(QPointF(11.5, 6), QPointF(11.5, 8));
        p.restore();
        p.drawRoundedRect(QRectF(3, 8, 10, 7), 1.5, 1.5);
    };
    static const QIcon icons[] = {drawnIcon(false, draw), drawnIcon(true, draw)};
    return icons[locked ? 1 : 0];
}

QIcon duplicateIcon()
{
    static const QIcon icon = drawnIcon(true, [](QPainter &p) {
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(2.5, 2.5, 8, 8));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5.5, 5.5, 8, 8));
    });
    return icon;
}

// Transparency shows as a light checkerboard under the layer's pixels.
QPixmap framedThumbnail(const QImage &pixels)
{
    QImage framed(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&framed);
    const int square = 5;
    for (int y = 0; y < framed.height(); y += square)
        for (int x = 0; x < framed.width(); x += square)
            painter.fillRect(x, y, square, square,
                             (x / square + y / square) % 2 ? QColor(204, 204, 204) : Qt::white);
    painter.drawImage(0, 0, pixels);
    return QPixmap::fromImage(framed);
}

// A list whose drop asks for the move instead of moving its rows itself: the rows follow the
// core. Only the current row is dragged, since a press selects its layer first.
class LayerList : public QTreeWidget
{
public:
    explicit LayerList(QWidget *parent)
        : QTreeWidget(parent)
    {
    }
    std::function<void(int row)> moveTo; // the current row to end at that row

protected:
    // Its own rows only: a drag from another window's list would move this one's current layer.
    void dragEnterEvent(QDragEnterEvent *event) override
    {
        if (event->source() && event->source() != this)
            event->ignore();
        else
            QTreeWidget::dragEnterEvent(event);
    }
    void dragMoveEvent(QDragMoveEvent *event) override
    {
        if (event->source() && event->source() != this)
            event->ignore();
        else
            QTreeWidget::dragMoveEvent(event);
    }
    // Ignored once done, so that the drag does not take the rows away as a move would.
    void dropEvent(QDropEvent *event) override
    {
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
        const int from = currentIndex().row();
        if (from < 0 || !event->mimeData()->hasFormat(model()->mimeTypes().value(0)))
            return;
        // Between rows: before the row under the pointer, or after it in its lower half.
        const QPoint at = event->position().toPoint();
        const QModelIndex under = indexAt(at);
        int before = topLevelItemCount();
        if (under.isValid()) {
            const QRect r = visualRect(under);
            before = under.row() + (at.y() >= r.center().y() ? 1 : 0);
        }
        const int to = before > from ? before - 1 : before;
        if (to != from && moveTo)
            moveTo(to);
    }
};
} // namespace

LayersPanel::LayersPanel(CanvasCore &core, QWidget *parent)
    : QDockWidget(tr("Layers"), parent)
    , mCore(&core)
{
    setObjectName(QStringLiteral("layersPanel"));
    auto *content = new QWidget(this);
    auto *rows = new QVBoxLayout(content);
    rows->setContentsMargins(4, 4, 4, 4);

    auto *list = new LayerList(content);
    mList = list;
    mList->setObjectName(QStringLiteral("layersList"));
    mList->setColumnCount(3);
    mList->setHeaderHidden(true);
    mList->setRootIsDecorated(false);
    mList->setIconSize(kThumbnailBox);
    mList->setSelectionMode(QAbstractItemView::SingleSelection);
    mList->setEditTriggers(QAbstractItemView::NoEditTriggers); // the name alone, by double-click
    // Not InternalMove, which takes only a drag it can see began here; the list keeps other
    // windows' rows out itself.
    mList->setDragDropMode(QAbstractItemView::DragDrop);
    mList->setDefaultDropAction(Qt::MoveAction);
    mList->header()->setStretchLastSection(true);
    mList->header()->setSectionResizeMode(EyeColumn, QHeaderView::ResizeToContents);
    mList->header()->setSectionResizeMode(LockColumn, QHeaderView::ResizeToContents);
    list->moveTo = [this](int row) { moveTo(row); };
    rows->addWidget(mList, 1);

    auto *opacity = new QHBoxLayout;
    opacity->addWidget(new QLabel(tr("Opacity:"), content));
    mOpacity = new QSlider(Qt::Horizontal, content);
    mOpacity->setObjectName(QStringLiteral("layersOpacity"));
    mOpacity->setRange(0, 100);
    opacity->addWidget(mOpacity, 1);
    mOpacityValue = new QSpinBox(content);
    mOpacityValue->setObjectName(QStringLiteral("layersOpacityValue"));
    mOpacityValue->setRange(0, 100);
    mOpacityValue->setSuffix(tr(" %"));
    mOpacityValue->setKeyboardTracking(false);
    opacity->addWidget(mOpacityValue);
    rows->addLayout(opacity);

    auto *mode = new QHBoxLayout;
    mode->addWidget(new QLabel(tr("Mode:"), content));
    mMode = new QComboBox(content);
    mMode->setObjectName(QStringLiteral("layersMode"));
    mMode->addItems(LayerPropertiesDialog::modeTitles());
    mode->addWidget(mMode, 1);
    mAlphaLock = new QCheckBox(tr("Lock alpha"), content);
    mAlphaLock->setObjectName(QStringLiteral("layersAlphaLock"));
    mode->addWidget(mAlphaLock);
    rows->addLayout(mode);

    auto *buttons = new QHBoxLayout;
    auto button = [this, content, buttons](const QString &text, const QString &tip,
                                           const char *name, std::function<void()> step) {
        auto *b = new QToolButton(content);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setToolTip(tip);
        b->setAccessibleName(tip);
        connect(b, &QToolButton::clicked, this, [this, step = std::move(step)] {
            if (mCore)
                step();
        });
        buttons->addWidget(b);
        return b;
    };
    button(QStringLiteral("+"), tr("New Layer"), "layersNew", [this] { mCore->newLayer(); });
    button(QString(), tr("Duplicate Layer"), "layersDuplicate", [this] {
        mCore->duplicateLayer();
    })->setIcon(duplicateIcon());
    mDelete = button(QStringLiteral("−"), tr("Delete Layer"), "layersDelete",
                     [this] { mCore->deleteLayer(); });
    buttons->addStretch(1);
    mUp = button(QStringLiteral("▲"), tr("Move Layer Up"), "layersUp",
                 [this] { mCore->moveLayer(mCore->currentLayerIndex() + 1); });
    mDown = button(QStringLiteral("▼"), tr("Move Layer Down"), "layersDown",
                   [this] { mCore->moveLayer(mCore->currentLayerIndex() - 1); });
    rows->addLayout(buttons);
    setWidget(content);

    connect(mList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (mCore && item)
            mCore->selectLayer(layerOfRow(mList->indexOfTopLevelItem(item)));
    });
    connect(mList, &QTreeWidget::itemClicked, this, &LayersPanel::rowClicked);
    connect(mList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item, int col) {
        if (col == NameColumn)
            mList->editItem(item, NameColumn);
    });
    connect(mList, &QTreeWidget::itemChanged, this, &LayersPanel::renamed);
    // One step per release of the slider; keys and the wheel move it without a press.
    connect(mOpacity, &QSlider::valueChanged, this, [this](int value) {
        const QSignalBlocker quiet(mOpacityValue);
        mOpacityValue->setValue(value);
        if (!mOpacity->isSliderDown())
            changeCurrent([](LayerProperties &p, int v) { p.opacity = float(v) / 100.0f; }, value);
    });
    connect(mOpacity, &QSlider::sliderReleased, this, [this] {
        changeCurrent([](LayerProperties &p, int v) { p.opacity = float(v) / 100.0f; },
                      mOpacity->value());
    });
    // The spin box's arrows move the slider at once; the change is made when editing ends.
    connect(mOpacityValue, &QSpinBox::valueChanged, this, [this](int value) {
        const QSignalBlocker quiet(mOpacity);
        mOpacity->setValue(value);
    });
    connect(mOpacityValue, &QSpinBox::editingFinished, this, [this] {
        changeCurrent([](LayerProperties &p, int v) { p.opacity = float(v) / 100.0f; },
                      mOpacityValue->value());
    });
    connect(mMode, &QComboBox::activated, this, [this](int mode) {
        changeCurrent([](LayerProperties &p, int v) { p.mode = BlendMode(v); }, mode);
    });
    connect(mAlphaLock, &QCheckBox::clicked, this, [this](bool on) {
        changeCurrent([](LayerProperties &p, int v) { p.alphaLocked = v != 0; }, on ? 1 : 0);
    });

    mThumbnailTimer = new QTimer(this);
    mThumbnailTimer->setSingleShot(true);
    mThumbnailTimer->setInterval(kThumbnailDelayMs);
    connect(mThumbnailTimer, &QTimer::timeout, this, &LayersPanel::refreshThumbnails);
    connect(&core, &CanvasCore::layersChanged, this, &LayersPanel::refresh);
    connect(&core, &CanvasCore::strokeDirtied, this, [this] { thumbnailsOutOfDate(false); });
    // Undo, redo and whole pictures: the layer changed need not be the current one.
    connect(&core, &CanvasCore::dirtied, this, [this] { thumbnailsOutOfDate(true); });
    connect(&core, &CanvasCore::dirtiedAll, this, [this] { thumbnailsOutOfDate(true); });
    refresh();
}

LayersPanel::~LayersPanel()
{
    // A name being edited is committed as its editor goes: not into a canvas closing.
    mCore = nullptr;
    mList->blockSignals(true);
}

int LayersPanel::layerOfRow(int row) const
{
    return mCore ? mCore->layerCount() - 1 - row : -1;
}

void LayersPanel::refresh()
{
    if (!mCore)
        return;
    const QSignalBlocker quiet(mList);
    const int count = mCore->layerCount();
    // The rows are kept and only their contents change, so that a drag begun survives it.
    while (mList->topLevelItemCount() > count)
        delete mList->takeTopLevelItem(mList->topLevelItemCount() - 1);
    while (mList->topLevelItemCount() < count) {
        auto *item = new QTreeWidgetItem(mList);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled
                       | Qt::ItemIsEditable);
    }
    for (int row = 0; row < count; ++row) {
        const LayerProperties p = mCore->layerProperties(layerOfRow(row));
        QTreeWidgetItem *item = mList->topLevelItem(row);
        item->setIcon(EyeColumn, eyeIcon(p.visible));
        item->setToolTip(EyeColumn, p.visible ? tr("Visible") : tr("Hidden"));
        item->setIcon(LockColumn, lockIcon(p.locked));
        item->setToolTip(LockColumn, p.locked ? tr("Locked") : tr("Not locked"));
        item->setSizeHint(EyeColumn, QSize(kIconSide + 8, kThumbnailBox.height() + 4));
        item->setSizeHint(LockColumn, QSize(kIconSide + 8, kThumbnailBox.height() + 4));
        item->setText(NameColumn, p.name);
    }
    mList->setCurrentItem(mList->topLevelItem(count - 1 - mCore->currentLayerIndex()), NameColumn);
    showCurrent();
    thumbnailsOutOfDate(true);
}

void LayersPanel::showCurrent()
{
    const int index = mCore->currentLayerIndex();
    const int count = mCore->layerCount();
    const LayerProperties p = mCore->layerProperties(index);
    const int percent = int(std::lround(p.opacity * 100.0f));
    {
        const QSignalBlocker a(mOpacity), b(mOpacityValue), c(mMode), d(mAlphaLock);
        if (!mOpacity->isSliderDown())
            mOpacity->setValue(percent);
        mOpacityValue->setValue(percent);
        mMode->setCurrentIndex(int(p.mode));
        mAlphaLock->setChecked(p.alphaLocked);
    }
    mDelete->setEnabled(count > 1);
    mUp->setEnabled(index < count - 1);
    mDown->setEnabled(index > 0);
}

void LayersPanel::changeLayer(int index, LayerProperties properties)
{
    if (!mCore)
        return;
    if (mCore->layerProperties(index) == properties)
        return;
    mCore->setLayerProperties(index, properties);
    // A refusal (mid-stroke) leaves the controls showing what the layer still has.
    refresh();
}

void LayersPanel::changeCurrent(void (*change)(LayerProperties &, int), int value)
{
    if (!mCore)
        return;
    const int index = mCore->currentLayerIndex();
    LayerProperties p = mCore->layerProperties(index);
    // The opacity unchanged at the percent shown keeps its exact value.
    const LayerProperties before = p;
    change(p, value);
    if (std::lround(p.opacity * 100.0f) == std::lround(before.opacity * 100.0f))
        p.opacity = before.opacity;
    changeLayer(index, p);
}

void LayersPanel::rowClicked(QTreeWidgetItem *item, int column)
{
    if (!mCore || (column != EyeColumn && column != LockColumn))
        return;
    const int index = layerOfRow(mList->indexOfTopLevelItem(item));
    LayerProperties p = mCore->layerProperties(index);
    if (column == EyeColumn)
        p.visible = !p.visible;
    else
        p.locked = !p.locked;
    changeLayer(index, p);
}

void LayersPanel::renamed(QTreeWidgetItem *item, int column)
{
    if (!mCore || column != NameColumn)
        return;
    const int index = layerOfRow(mList->indexOfTopLevelItem(item));
    LayerProperties p = mCore->layerProperties(index);
    const QString name = item->text(NameColumn).trimmed().left(LayerCommands::kLongestName);
    // An empty name is no name: the old one comes back.
    if (!name.isEmpty())
        p.name = name;
    changeLayer(index, p);
    refresh();
}

void LayersPanel::moveTo(int row)
{
    if (mCore)
        mCore->moveLayer(layerOfRow(row));
}

void LayersPanel::thumbnailsOutOfDate(bool all)
{
    mAllThumbnailsStale = mAllThumbnailsStale || all;
    mCurrentThumbnailStale = true;
    if (!mThumbnailTimer->isActive())
        mThumbnailTimer->start();
}

void LayersPanel::refreshThumbnails()
{
    mThumbnailTimer->stop();
    if (!mCore || (!mAllThumbnailsStale && !mCurrentThumbnailStale))
        return;
    const QSignalBlocker quiet(mList);
    const int current = mCore->currentLayerIndex();
    for (int row = 0; row < mList->topLevelItemCount(); ++row) {
        const int index = layerOfRow(row);
        if (!mAllThumbnailsStale && index != current)
            continue;
        const QImage pixels = layerThumbnail(mCore->picture(), index, kThumbnailBox);
        if (!pixels.isNull())
            mList->topLevelItem(row)->setIcon(NameColumn, framedThumbnail(pixels));
    }
    mAllThumbnailsStale = false;
    mCurrentThumbnailStale = false;
}

void LayersPanel::closeEvent(QCloseEvent *event)
{
    QDockWidget::closeEvent(event);
    emit closedByUser();
}
