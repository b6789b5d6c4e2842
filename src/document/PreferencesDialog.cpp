#include "PreferencesDialog.h"

#include "BrushIcons.h"
#include "PenSettings.h"
#include "WTView.h"
#include "ui_PreferencesPanel.h"

#include <QDialog>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
const QString kPanelName = QStringLiteral("preferencesPanel");
} // namespace

QDialog *PreferencesDialog::showForWindow(QWidget *window, WTView *canvas,
                                          const std::function<QWidget *(QWidget *)> &shortcuts)
{
    if (!window || !canvas)
        return nullptr;
    auto *panel = window->findChild<QDialog *>(kPanelName, Qt::FindDirectChildrenOnly);
    if (!panel) {
        panel = new QDialog(window);
        panel->setObjectName(kPanelName);
        panel->setAttribute(Qt::WA_DeleteOnClose);
        new PreferencesDialog(panel, canvas, shortcuts);
    }
    panel->show();
    panel->raise();
    panel->activateWindow();
    return panel;
}

PreferencesDialog::PreferencesDialog(QDialog *panel, WTView *canvas,
                                     const std::function<QWidget *(QWidget *)> &shortcuts)
    : QObject(panel)
    , mPanel(panel)
    , mCanvas(canvas)
    , mUi(std::make_unique<Ui::PreferencesPanel>())
{
    mUi->setupUi(panel);
    panel->setObjectName(kPanelName); // setupUi names it after the form
    mUi->curvePresetBox->addItem(tr("Linear"), int(PressureCurve::Preset::Linear));
    mUi->curvePresetBox->addItem(tr("Soft"), int(PressureCurve::Preset::Soft));
    mUi->curvePresetBox->addItem(tr("Firm"), int(PressureCurve::Preset::Firm));
    mUi->curvePresetBox->addItem(tr("Custom"), int(PressureCurve::Preset::Custom));
    for (QComboBox *box : brushBoxes())
        for (BrushKind kind : BrushIcons::kKinds)
            box->addItem(BrushIcons::icon(kind), BrushIcons::title(kind), int(kind));
    for (BrushKind kind : {BrushKind::Pen, BrushKind::Airbrush})
        mUi->eraserShapeBox->addItem(BrushIcons::icon(kind), BrushIcons::title(kind), int(kind));
    mUi->hoverMarkBox->addItem(tr("Brush outline"), int(PenSettings::HoverMark::Outline));
    mUi->hoverMarkBox->addItem(tr("Crosshair"), int(PenSettings::HoverMark::Crosshair));
    mUi->hoverMarkBox->addItem(tr("Outline and crosshair"), int(PenSettings::HoverMark::Both));
    if (shortcuts)
        addShortcutsPage(shortcuts);
    refresh();

    connect(mUi->curvePresetBox, &QComboBox::currentIndexChanged, this,
            &PreferencesDialog::choosePreset);
    connect(mUi->curveView, &PressureCurveView::curveEdited, this, &PreferencesDialog::editCurve);
    connect(mUi->minimumWidthBox, &QSpinBox::valueChanged, this, [this](int percent) {
        if (mCanvas)
            mCanvas->core().penSettings().setMinimumWidth(float(percent) / 100.0f);
    });
    connect(mUi->smoothingSlider, &QSlider::valueChanged, mUi->smoothingBox, &QSpinBox::setValue);
    connect(mUi->smoothingBox, &QSpinBox::valueChanged, mUi->smoothingSlider, &QSlider::setValue);
    connect(mUi->smoothingBox, &QSpinBox::valueChanged, this, [this](int strength) {
        if (mCanvas)
            mCanvas->core().penSettings().setSmoothing(strength);
    });
    // Without keyboard tracking: typing 50 over 10 must not pass through 5 and merge strokes.
    connect(mUi->undoDepthBox, &QSpinBox::valueChanged, this, [this](int depth) {
        if (mCanvas)
            mCanvas->core().setUndoDepth(depth);
    });
    connect(mUi->everyPointerAsTipBox, &QCheckBox::toggled, this, [this](bool on) {
        if (mCanvas)
            mCanvas->core().setTreatsEveryPointerAsTip(on);
    });
    // Any slot's nib, not only the active one's; a recording keeps which.
    const auto boxes = brushBoxes();
    for (int slot = 0; slot < PenSettings::kSlots; ++slot)
        connect(boxes[size_t(slot)], &QComboBox::currentIndexChanged, this, [this, slot] {
            if (mCanvas)
                mCanvas->core().penSettings().setBrushKind(
                    slot, BrushKind(brushBoxes()[size_t(slot)]->currentData().toInt()));
        });
    connect(mUi->eraserShapeBox, &QComboBox::currentIndexChanged, this, [this] {
        if (mCanvas)
            mCanvas->core().setEraserShape(BrushKind(mUi->eraserShapeBox->currentData().toInt()));
    });
    connect(mUi->hardnessBox, &QSpinBox::valueChanged, this, [this](int percent) {
        if (mCanvas)
            mCanvas->core().setAirbrushHardness(float(percent));
    });
    connect(mUi->hoverMarkBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (mCanvas)
            mCanvas->core().penSettings().setHoverMark(
                PenSettings::HoverMark(mUi->hoverMarkBox->itemData(index).toInt()));
    });
    connect(mUi->buttonBox, &QDialogButtonBox::rejected, panel, &QDialog::close);
    // A replay or another control may change the settings while the panel is open.
    connect(canvas, &WTView::penChanged, this, &PreferencesDialog::refresh);
}

PreferencesDialog::~PreferencesDialog() = default;

// The pen's settings and the menus' keys, a tab each.
void PreferencesDialog::addShortcutsPage(const std::function<QWidget *(QWidget *)> &shortcuts)
{
    auto *layout = qobject_cast<QBoxLayout *>(mPanel->layout());
    if (!layout)
        return;
    auto *tabs = new QTabWidget(mPanel);
    tabs->setObjectName(QStringLiteral("preferencesTabs"));
    auto *pen = new QWidget(tabs);
    auto *penLayout = new QVBoxLayout(pen);
    for (QWidget *group :
         {mUi->pressureGroup, mUi->strokeGroup, mUi->brushGroup, mUi->pointerGroup}) {
        layout->removeWidget(group);
        penLayout->addWidget(group);
    }
    tabs->addTab(pen, tr("Pen"));
    tabs->addTab(shortcuts(tabs), tr("Keyboard Shortcuts"));
    layout->insertWidget(0, tabs);
    mPanel->resize(qMax(mPanel->width(), 480), mPanel->height());
}

void PreferencesDialog::refresh()
{
    if (!mCanvas)
        return;
    const PenSettings &pen = mCanvas->core().penSettings();
    const QSignalBlocker presetBlocker(mUi->curvePresetBox);
    const QSignalBlocker minimumBlocker(mUi->minimumWidthBox);
    const QSignalBlocker sliderBlocker(mUi->smoothingSlider);
    const QSignalBlocker smoothingBlocker(mUi->smoothingBox);
    const QSignalBlocker depthBlocker(mUi->undoDepthBox);
    const QSignalBlocker tipBlocker(mUi->everyPointerAsTipBox);
    const QSignalBlocker hoverBlocker(mUi->hoverMarkBox);
    mUi->curvePresetBox->setCurrentIndex(
        mUi->curvePresetBox->findData(int(pen.pressureCurvePreset())));
    mUi->curveView->setCurve(pen.pressureCurve());
    mUi->minimumWidthBox->setValue(int(std::lround(pen.minimumWidth() * 100.0f)));
    mUi->smoothingSlider->setValue(pen.smoothing());
    mUi->smoothingBox->setValue(pen.smoothing());
    mUi->undoDepthBox->setValue(pen.undoDepth());
    mUi->everyPointerAsTipBox->setChecked(pen.treatsEveryPointerAsTip());
    const auto boxes = brushBoxes();
    for (int slot = 0; slot < PenSettings::kSlots; ++slot) {
        QComboBox *box = boxes[size_t(slot)];
        const QSignalBlocker brushBlocker(box);
        box->setCurrentIndex(box->findData(int(pen.brushKind(slot))));
    }
    const QSignalBlocker shapeBlocker(mUi->eraserShapeBox);
    const QSignalBlocker hardnessBlocker(mUi->hardnessBox);
    mUi->eraserShapeBox->setCurrentIndex(mUi->eraserShapeBox->findData(int(pen.eraserShape())));
    mUi->hardnessBox->setValue(int(std::lround(mCanvas->core().airbrushHardness())));
    mUi->hoverMarkBox->setCurrentIndex(mUi->hoverMarkBox->findData(int(pen.hoverMark())));
}

std::array<QComboBox *, PenLimits::kSlots> PreferencesDialog::brushBoxes() const
{
    return {mUi->brushBox1, mUi->brushBox2, mUi->brushBox3, mUi->brushBox4};
}

void PreferencesDialog::choosePreset(int index)
{
    if (!mCanvas)
        return;
    const auto preset = PressureCurve::Preset(mUi->curvePresetBox->itemData(index).toInt());
    mCanvas->core().penSettings().setPressureCurvePreset(preset);
}

// Shaping a preset's curve makes it the custom one.
void PreferencesDialog::editCurve()
{
    if (!mCanvas)
        return;
    PenSettings &pen = mCanvas->core().penSettings();
    pen.setCustomPressureCurve(mUi->curveView->curve());
    if (pen.pressureCurvePreset() != PressureCurve::Preset::Custom)
        pen.setPressureCurvePreset(PressureCurve::Preset::Custom);
}
