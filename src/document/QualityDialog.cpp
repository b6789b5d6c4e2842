#include "QualityDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

QualityDialog::QualityDialog(int quality, const QString &typeName, QWidget *parent)
    : QDialog(parent)
    , mSlider(new QSlider(Qt::Horizontal, this))
{
    setObjectName(QStringLiteral("qualityDialog"));
    setWindowTitle(tr("%1 Quality").arg(typeName));
    auto *box = new QSpinBox(this);
    mSlider->setRange(1, 100);
    box->setRange(1, 100);
    box->setSuffix(QStringLiteral(" %"));
    mSlider->setValue(quality);
    box->setValue(quality);
    mSlider->setToolTip(tr("Higher keeps more detail in a larger file."));
    connect(mSlider, &QSlider::valueChanged, box, &QSpinBox::setValue);
    connect(box, &QSpinBox::valueChanged, mSlider, &QSlider::setValue);
    auto *row = new QHBoxLayout;
    row->addWidget(mSlider, 1);
    row->addWidget(box);
    auto *form = new QFormLayout;
    form->addRow(tr("&Quality:"), row);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(360, sizeHint().height());
}

int QualityDialog::quality() const
{
    return mSlider->value();
}
