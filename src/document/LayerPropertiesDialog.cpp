#include "LayerPropertiesDialog.h"

#include "CanvasCore.h"
#include "LayerCommands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPointer>
#include <QSpinBox>
#include <cmath>

namespace {
const QString kDialogName = QStringLiteral("layerPropertiesDialog");
} // namespace

QStringList LayerPropertiesDialog::modeTitles()
{
    return {tr("Normal"), tr("Multiply"), tr("Screen"), tr("Overlay"), tr("Darken"), tr("Lighten")};
}

LayerPropertiesDialog *LayerPropertiesDialog::showFor(QWidget *window, CanvasCore &core)
{
    if (auto *open = window->findChild<LayerPropertiesDialog *>(kDialogName)) {
        open->raise();
        open->activateWindow();
        return open;
    }
    const int index = core.currentLayerIndex();
    auto *dialog = new LayerPropertiesDialog(window, core.layerProperties(index));
    const QPointer<CanvasCore> target(&core);
    const int count = core.layerCount();
    connect(dialog, &QDialog::accepted, dialog, [dialog, target, index, count] {
        // A replay may have changed the layers under a dialog left open.
        if (target && target->layerCount() == count)
            target->setLayerProperties(index, dialog->properties());
    });
    dialog->open();
    return dialog;
}

LayerPropertiesDialog::LayerPropertiesDialog(QWidget *parent, const LayerProperties &properties)
    : QDialog(parent)
    , mOriginal(properties)
{
    setObjectName(kDialogName);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Layer Properties"));
    setWindowModality(Qt::WindowModal);
    auto *form = new QFormLayout(this);
    mName = new QLineEdit(properties.name, this);
    mName->setObjectName(QStringLiteral("layerName"));
    mName->setMaxLength(LayerCommands::kLongestName);
    form->addRow(tr("&Name:"), mName);
    mOpacity = new QSpinBox(this);
    mOpacity->setObjectName(QStringLiteral("layerOpacity"));
    mOpacity->setRange(0, 100);
    mOpacity->setSuffix(tr(" %"));
    mOpacity->setValue(int(std::lround(properties.opacity * 100.0f)));
    form->addRow(tr("&Opacity:"), mOpacity);
    mMode = new QComboBox(this);
    mMode->setObjectName(QStringLiteral("layerMode"));
    mMode->addItems(modeTitles());
    mMode->setCurrentIndex(int(properties.mode));
    form->addRow(tr("&Mode:"), mMode);
    auto check = [this, form](const QString &title, const char *name, bool on) {
        auto *box = new QCheckBox(title, this);
        box->setObjectName(QLatin1String(name));
        box->setChecked(on);
        form->addRow(box);
        return box;
    };
    mVisible = check(tr("&Visible"), "layerVisible", properties.visible);
    mLocked = check(tr("&Locked"), "layerLocked", properties.locked);
    mAlphaLocked = check(tr("Lock &alpha"), "layerAlphaLocked", properties.alphaLocked);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

LayerProperties LayerPropertiesDialog::properties() const
{
    LayerProperties p = mOriginal;
    // A name cleared by mistake keeps the old one: a layer is always called something.
    if (const QString name = mName->text().trimmed(); !name.isEmpty())
        p.name = name;
    // Unchanged, the opacity keeps its exact value rather than the percent shown.
    if (mOpacity->value() != int(std::lround(mOriginal.opacity * 100.0f)))
        p.opacity = float(mOpacity->value()) / 100.0f;
    p.mode = BlendMode(mMode->currentIndex());
    p.visible = mVisible->isChecked();
    p.locked = mLocked->isChecked();
    p.alphaLocked = mAlphaLocked->isChecked();
    return p;
}
