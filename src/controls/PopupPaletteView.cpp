// The pop-up palette's view and line entries: the zoom about where the palette opened, the turn,
// the mirror, the reset, and straight lines drawn without a key held.
#include "PopupPalette.h"

#include "CanvasCore.h"
#include "WTView.h"

#include <QBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <cmath>

namespace {
constexpr int kZoomStepsPerOctave = 4;

int zoomStep(double zoom)
{
    return int(std::lround(std::log2(zoom) * kZoomStepsPerOctave));
}
} // namespace

void PopupPalette::addViewSection(QBoxLayout *rows)
{
    auto button = [this](const QString &text, const QString &tip, const char *name) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setToolTip(tip);
        b->setAccessibleName(tip);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        return b;
    };

    auto *zoom = new QHBoxLayout;
    mZoom = new QSlider(Qt::Horizontal, this);
    mZoom->setObjectName(QStringLiteral("paletteZoom"));
    mZoom->setToolTip(tr("Zoom"));
    mZoom->setAccessibleName(tr("Zoom"));
    mZoom->setRange(zoomStep(ViewTransform::kMinZoom), zoomStep(ViewTransform::kMaxZoom));
    mZoom->setPageStep(kZoomStepsPerOctave);
    connect(mZoom, &QSlider::valueChanged, this, [this](int step) {
        if (mCanvas)
            mCanvas->viewport().zoomAbout(std::exp2(double(step) / kZoomStepsPerOctave),
                                          zoomCentre());
    });
    zoom->addWidget(mZoom, 1);
    mZoomLabel = new QLabel(this);
    mZoomLabel->setObjectName(QStringLiteral("paletteZoomValue"));
    mZoomLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    mZoomLabel->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("6400 %")) + 4);
    zoom->addWidget(mZoomLabel);
    rows->addLayout(zoom);

    auto *turns = new QHBoxLayout;
    for (const auto &[text, tip, name, steps] :
         {std::tuple(tr("−15°"), tr("Rotate Left"), "paletteRotateLeft", -1),
          std::tuple(tr("+15°"), tr("Rotate Right"), "paletteRotateRight", 1)}) {
        QToolButton *turn = button(text, tip, name);
        connect(turn, &QToolButton::clicked, this, [this, steps = steps] {
            if (mCanvas)
                mCanvas->viewport().rotateStepAbout(steps, zoomCentre());
        });
        turns->addWidget(turn);
    }
    mMirror = button(tr("Mirror"), tr("Mirror"), "paletteMirror");
    mMirror->setCheckable(true);
    connect(mMirror, &QToolButton::clicked, this, [this] {
        if (mCanvas)
            mCanvas->viewport().toggleMirror();
    });
    turns->addWidget(mMirror);
    QToolButton *reset = button(tr("Reset View"), tr("Reset View"), "paletteResetView");
    connect(reset, &QToolButton::clicked, this, [this] {
        if (mCanvas)
            mCanvas->viewport().resetView();
        close();
    });
    turns->addWidget(reset);
    rows->addLayout(turns);

    // Shift's straight line and Alt's chain, for a hand that holds only the pen.
    auto *lines = new QHBoxLayout;
    using LineMode = CanvasCore::LineMode;
    mLine = button(tr("Line"), tr("The next two clicks draw a straight line"), "paletteLine");
    mLineChain = button(tr("Line Chain"),
                        tr("Each click draws a straight line on from the last; Esc ends"),
                        "paletteLineChain");
    for (const auto &[entry, mode] : {std::pair(mLine, LineMode::Line),
                                      std::pair(mLineChain, LineMode::Chain)}) {
        entry->setCheckable(true);
        connect(entry, &QToolButton::clicked, this, [this, mode = mode](bool on) {
            if (mCanvas)
                mCanvas->core().setLineMode(on ? mode : LineMode::Off);
            if (on)
                close();
        });
        lines->addWidget(entry);
    }
    rows->addLayout(lines);

    if (mCanvas) {
        connect(mCanvas, &WTView::viewChanged, this, &PopupPalette::refreshViewSection);
        connect(&mCanvas->core(), &CanvasCore::lineModeChanged, this,
                &PopupPalette::refreshViewSection);
    }
}

void PopupPalette::refreshViewSection()
{
    if (!mCanvas || !mZoom)
        return;
    const ViewTransform &view = mCanvas->viewport().view();
    {
        const QSignalBlocker quiet(mZoom);
        mZoom->setValue(zoomStep(view.zoom()));
    }
    const double percent = mCanvas->viewport().displayZoom() * 100.0;
    mZoomLabel->setText(tr("%1 %").arg(QString::number(percent, 'f', percent < 10.0 ? 1 : 0)));
    mMirror->setChecked(view.isMirrored());
    const CanvasCore::LineMode mode = mCanvas->core().lineMode();
    mLine->setChecked(mode == CanvasCore::LineMode::Line);
    mLineChain->setChecked(mode == CanvasCore::LineMode::Chain);
}

QPointF PopupPalette::zoomCentre() const
{
    if (!mCanvas)
        return {};
    if (mOpenedAt)
        return mCanvas->mapFromGlobal(QPointF(*mOpenedAt));
    return mCanvas->viewport().centre();
}
