#include "SaveProgress.h"

#include "Document.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <cmath>

SaveProgress::SaveProgress(QWidget *parent)
    : QWidget(parent)
    , mBar(new QProgressBar(this))
    , mCancel(new QPushButton(tr("Cancel"), this))
{
    setObjectName(QStringLiteral("saveProgress"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    mBar->setRange(0, 100);
    mBar->setFormat(tr("Saving… %p %"));
    mBar->setMaximumWidth(240);
    layout->addWidget(mBar);
    mCancel->setObjectName(QStringLiteral("cancelSave"));
    mCancel->setToolTip(tr("Stop saving; the file stays as it was"));
    layout->addWidget(mCancel);
    hide();
    mShowTimer.setSingleShot(true);
    mShowTimer.setInterval(kShowAfterMs);
    connect(&mShowTimer, &QTimer::timeout, this, [this] {
        if (mDocument && mDocument->isSaving())
            show();
    });
    connect(mCancel, &QPushButton::clicked, this, [this] {
        if (mDocument)
            mDocument->cancelSave();
    });
}

void SaveProgress::setDocument(Document *document)
{
    mDocument = document;
    if (!document)
        return;
    connect(document, &Document::savingChanged, this, &SaveProgress::savingChanged);
    connect(document, &Document::saveProgressed, this,
            [this](double fraction) { mBar->setValue(int(std::lround(fraction * 100))); });
}

void SaveProgress::savingChanged(bool saving)
{
    if (saving) {
        mBar->setValue(0);
        mShowTimer.start();
    } else {
        mShowTimer.stop();
        hide();
    }
}
