#include "PopupPalette.h"

#include "BrushIcons.h"
#include "CanvasCore.h"
#include "ColorWheel.h"
#include "PenControls.h"
#include "PenSettings.h"
#include "RecentColors.h"
#include "SwatchGrid.h"
#include "WTView.h"

#include <QAction>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QToolButton>

PopupPalette::PopupPalette(WTView *canvas, const Commands &commands, QWidget *parent)
    : QFrame(parent, Qt::Popup)
    , mCanvas(canvas)
{
    setObjectName(QStringLiteral("popupPalette"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    setAutoFillBackground(true);
    auto *rows = new QVBoxLayout(this);

    auto *tools = new QHBoxLayout;
    for (int tool = PenSettings::kEraserTool; tool <= PenSettings::kSlots; ++tool) {
        auto *button = new PenButton(this);
        button->setObjectName(QStringLiteral("paletteTool%1").arg(tool));
        button->setProperty("tag", tool);
        button->setMinimumSize(36, 36);
        connect(button, &QAbstractButton::clicked, this, [this, tool] {
            if (mCanvas)
                mCanvas->setActiveColor(tool);
            close();
        });
        tools->addWidget(button);
        mTools << button;
    }
    rows->addLayout(tools);

    // Through the core's choice, which a recording keeps; while erasing it goes back to the slot.
    auto *brushes = new QHBoxLayout;
    mBrushes = new QButtonGroup(this);
    for (BrushKind kind : BrushIcons::kKinds) {
        auto *button = new QToolButton(this);
        button->setObjectName(QStringLiteral("paletteBrush%1").arg(int(kind)));
        button->setIcon(BrushIcons::icon(kind));
        button->setToolTip(BrushIcons::toolTip(kind));
        button->setAccessibleName(BrushIcons::title(kind));
        button->setCheckable(true);
        mBrushes->addButton(button, int(kind));
        brushes->addWidget(button);
    }
    connect(mBrushes, &QButtonGroup::idClicked, this, [this](int kind) {
        if (mCanvas)
            mCanvas->core().setBrushKind(BrushKind(kind));
    });
    rows->addLayout(brushes);

    auto *width = new QHBoxLayout;
    auto step = [this, width](const QString &text, const char *name, int steps) {
        auto *button = new QToolButton(this);
        button->setObjectName(QLatin1String(name));
        button->setText(text);
        button->setAutoRepeat(true);
        connect(button, &QToolButton::clicked, this, [this, steps] {
            if (mCanvas)
                mCanvas->core().stepBrushSize(steps);
        });
        width->addWidget(button);
    };
    step(QStringLiteral("−"), "paletteSmaller", -1);
    mWidth = new QLabel(this);
    mWidth->setObjectName(QStringLiteral("paletteWidth"));
    mWidth->setAlignment(Qt::AlignCenter);
    mWidth->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("100.0 pt")) + 8);
    width->addWidget(mWidth, 1);
    step(QStringLiteral("+"), "paletteLarger", 1);
    rows->addLayout(width);

    auto *papers = new QHBoxLayout;
    mPapers = new QButtonGroup(this);
    const QString paperNames[] = {tr("Plain"), tr("Ruled"), tr("Grid"), tr("See-through")};
    for (int type = 0; type < 4; ++type) {
        auto *button = new QToolButton(this);
        button->setObjectName(QStringLiteral("palettePaper%1").arg(type));
        button->setText(paperNames[type]);
        button->setCheckable(true);
        mPapers->addButton(button, type);
        papers->addWidget(button);
    }
    connect(mPapers, &QButtonGroup::idClicked, this, [this](int type) {
        if (mCanvas)
            mCanvas->setProperty("bgType", float(type));
    });
    rows->addLayout(papers);

    // The layer painted on, stepped through without the keyboard.
    auto *layers = new QHBoxLayout;
    auto stepLayer
        = [this, layers](const QString &text, const QString &tip, const char *name, int steps) {
              auto *button = new QToolButton(this);
              button->setObjectName(QLatin1String(name));
              button->setText(text);
              button->setToolTip(tip);
              button->setAccessibleName(tip);
              connect(button, &QToolButton::clicked, this, [this, steps] {
                  if (mCanvas)
                      mCanvas->core().selectLayer(mCanvas->core().currentLayerIndex() + steps);
              });
              layers->addWidget(button);
              return button;
          };
    mLayerBelow = stepLayer(QStringLiteral("‹"), tr("Layer Below"), "paletteLayerBelow", -1);
    mLayer = new QLabel(this);
    mLayer->setObjectName(QStringLiteral("paletteLayer"));
    mLayer->setAlignment(Qt::AlignCenter);
    mLayer->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Background")) + 8);
    layers->addWidget(mLayer, 1);
    mLayerAbove = stepLayer(QStringLiteral("›"), tr("Layer Above"), "paletteLayerAbove", 1);
    if (commands.newLayer) {
        auto *add = new QToolButton(this);
        add->setObjectName(QStringLiteral("paletteNewLayer"));
        add->setText(QStringLiteral("+"));
        add->setToolTip(commands.newLayer->text().remove(QLatin1Char('&')));
        add->setAccessibleName(add->toolTip());
        // The menu's item, as the other commands; its text stays the short "+".
        connect(add, &QToolButton::clicked, commands.newLayer, &QAction::trigger);
        layers->addWidget(add);
    }
    rows->addLayout(layers);

    auto *history = new QHBoxLayout;
    history->addWidget(commandButton(commands.undo, "paletteUndo", false));
    history->addWidget(commandButton(commands.redo, "paletteRedo", false));
    history->addWidget(commandButton(commands.pick, "palettePick", true));
    history->addWidget(commandButton(commands.move, "paletteMove", true));
    rows->addLayout(history);
    auto *views = new QHBoxLayout;
    views->addWidget(commandButton(commands.fit, "paletteFit", true));
    views->addWidget(commandButton(commands.actualSize, "paletteActualSize", true));
    rows->addLayout(views);
    addViewSection(rows);

    if (canvas) {
        connect(canvas, &WTView::penChanged, this, &PopupPalette::refresh);
        connect(canvas, &WTView::bgTypeChanged, this, &PopupPalette::refresh);
        connect(&canvas->core(), &CanvasCore::layersChanged, this, &PopupPalette::refresh);
    }
    refresh();
}

void PopupPalette::addColourSection(RecentColors &recent)
{
    auto *section = new QWidget(this);
    section->setObjectName(QStringLiteral("paletteColours"));
    auto *rows = new QVBoxLayout(section);
    rows->setContentsMargins(0, 0, 0, 0);
    auto *wheel = new ColorWheel(section);
    wheel->setObjectName(QStringLiteral("paletteWheel"));
    wheel->setFixedSize(132, 132);
    rows->addWidget(wheel, 0, Qt::AlignHCenter);
    auto *swatches = new SwatchGrid(18, section);
    swatches->setObjectName(QStringLiteral("paletteRecent"));
    swatches->setMostColumns(RecentColors::kMost / 2);
    rows->addWidget(swatches);
    static_cast<QBoxLayout *>(layout())->addWidget(section);

    // Once a choice is made (the wheel's release), as the canvas records each change of colour.
    auto choose = [this](const QColor &chosen) {
        if (!mCanvas || mCanvas->erasing())
            return;
        const Color c = Color::fromQColor(chosen);
        if (c != *mCanvas->color())
            mCanvas->setColor(&c);
    };
    connect(wheel, &ColorWheel::colorChosen, this, choose);
    connect(swatches, &SwatchGrid::colorClicked, this, [this, choose](const QColor &c) {
        choose(c);
        close();
    });
    auto showRecent = [swatches, &recent] { swatches->setColors(recent.colors()); };
    connect(&recent, &RecentColors::changed, swatches, showRecent);
    showRecent();
    auto showColour = [this, section, wheel] {
        if (!mCanvas)
            return;
        section->setEnabled(!mCanvas->erasing());
        if (const Color *c = mCanvas->color(); c && c->toQColor().rgba() != wheel->color().rgba())
            wheel->setColor(c->toQColor());
    };
    if (mCanvas)
        connect(mCanvas, &WTView::penChanged, section, showColour);
    showColour();
}

QToolButton *PopupPalette::commandButton(QAction *action, const char *name, bool closes)
{
    auto *button = new QToolButton(this);
    button->setObjectName(QLatin1String(name));
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    if (!action) {
        button->hide();
        return button;
    }
    // The action's own text, enabling and trigger: the palette is one more way to the menu item.
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    if (closes)
        connect(button, &QToolButton::triggered, this, &QWidget::close);
    return button;
}

void PopupPalette::refresh()
{
    if (!mCanvas)
        return;
    const PenSettings &pen = mCanvas->core().penSettings();
    for (int tool = 0; tool < mTools.size(); ++tool) {
        PenButton *button = mTools[tool];
        if (tool == PenSettings::kEraserTool)
            button->setTool(nullptr, pen.rubberSize());
        else
            button->setTool(&pen.color(PenSettings::slotOfTool(tool)),
                            pen.brushSize(PenSettings::slotOfTool(tool)));
        button->setChecked(mCanvas->activeColor() == tool);
    }
    if (QAbstractButton *brush = mBrushes->button(int(mCanvas->core().brushKind())))
        brush->setChecked(true);
    mWidth->setText(tr("%1 pt").arg(QString::number(double(mCanvas->brushSize()), 'g', 4)));
    if (QAbstractButton *paper = mPapers->button(int(mCanvas->bgType())))
        paper->setChecked(true);
    const CanvasCore &core = mCanvas->core();
    const int layer = core.currentLayerIndex();
    mLayer->setText(fontMetrics().elidedText(core.layerProperties(layer).name, Qt::ElideRight,
                                             mLayer->minimumWidth()));
    mLayer->setToolTip(core.layerProperties(layer).name);
    mLayerBelow->setEnabled(layer > 0);
    mLayerAbove->setEnabled(layer < core.layerCount() - 1);
    refreshViewSection();
}

void PopupPalette::popUp(QPoint globalPos)
{
    mOpenedAt = globalPos;
    refresh();
    adjustSize();
    const QScreen *screen = QGuiApplication::screenAt(globalPos);
    if (!screen)
        screen = this->screen();
    const QRect wanted(globalPos + QPoint(2, 2), size());
    move(placed(wanted, screen->availableGeometry()).topLeft());
    show();
}

QRect PopupPalette::placed(QRect wanted, const QRect &screen)
{
    if (wanted.right() > screen.right())
        wanted.moveRight(screen.right());
    if (wanted.bottom() > screen.bottom())
        wanted.moveBottom(screen.bottom());
    if (wanted.left() < screen.left())
        wanted.moveLeft(screen.left());
    if (wanted.top() < screen.top())
        wanted.moveTop(screen.top());
    return wanted;
}

void PopupPalette::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}
