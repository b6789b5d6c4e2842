#include "ZoomIndicator.h"

#include "Beep.h"
#include "WTView.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <cmath>

namespace {
const QColor kRefusedText(0xd0, 0x10, 0x10);
} // namespace

ZoomIndicator::ZoomIndicator(QWidget *parent)
    : QWidget(parent)
    , mZoomField(new QLineEdit(this))
    , mRotationLabel(new QLabel(this))
    , mMirroredLabel(new QLabel(tr("Mirrored"), this))
{
    setObjectName(QStringLiteral("zoomIndicator"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mMirroredLabel);
    layout->addWidget(mRotationLabel);
    layout->addWidget(mZoomField);
    mRotationLabel->setObjectName(QStringLiteral("rotationLabel"));
    mRotationLabel->hide();
    mMirroredLabel->setObjectName(QStringLiteral("mirroredLabel"));
    mMirroredLabel->hide();
    mZoomField->setObjectName(QStringLiteral("zoomField"));
    mZoomField->setAccessibleName(tr("Zoom"));
    mZoomField->setToolTip(tr("Type a zoom in percent and press Enter"));
    mZoomField->setAlignment(Qt::AlignRight);
    // Tab and the pen stay with the canvas; a click reaches the field.
    mZoomField->setFocusPolicy(Qt::ClickFocus);
    const QMargins margins = mZoomField->textMargins();
    mZoomField->setFixedWidth(mZoomField->fontMetrics().horizontalAdvance(zoomText(64.0))
                              + margins.left() + margins.right() + 16);
    mZoomField->installEventFilter(this);
    connect(mZoomField, &QLineEdit::returnPressed, this, &ZoomIndicator::applyTyped);
    connect(mZoomField, &QLineEdit::textEdited, this, [this](const QString &text) {
        setRefusing(!text.trimmed().isEmpty() && !zoomFromText(text));
    });
    // Left without Enter: a zoom typed goes, what is no zoom stays in red.
    connect(mZoomField, &QLineEdit::editingFinished, this, &ZoomIndicator::showView);
    // No wider than its contents, so that a status-bar message has the room the hint leaves.
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    showView();
}

void ZoomIndicator::setCanvas(WTView *canvas)
{
    if (mCanvas)
        disconnect(mCanvas, nullptr, this, nullptr);
    mCanvas = canvas;
    if (canvas)
        connect(canvas, &WTView::viewChanged, this, &ZoomIndicator::showView);
    showView();
}

QString ZoomIndicator::zoomText(double zoom) const
{
    QLocale numbers = locale();
    numbers.setNumberOptions(QLocale::OmitGroupSeparator);
    const double percent = zoom * 100.0;
    // The smallest zooms would all read "2 %" without their decimal.
    return tr("%1 %").arg(numbers.toString(percent, 'f', percent < 10.0 ? 1 : 0));
}

std::optional<double> ZoomIndicator::percentFromText(QString text) const
{
    text = text.trimmed();
    if (text.endsWith(QLatin1Char('%')))
        text = text.chopped(1).trimmed();
    bool ok = false;
    double percent = locale().toDouble(text, &ok);
    if (!ok)
        percent = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(percent) || percent <= 0.0)
        return std::nullopt;
    return percent;
}

std::optional<double> ZoomIndicator::zoomFromText(const QString &text) const
{
    const auto percent = percentFromText(text);
    if (!percent)
        return std::nullopt;
    // Within what the canvas shows, rounding of the shown percentage included.
    const double perPoint = mCanvas ? mCanvas->devicePixelRatioF() : 1.0;
    const double zoom = *percent / 100.0;
    constexpr double kRounding = 1e-9;
    if (zoom < ViewTransform::kMinZoom * perPoint * (1.0 - kRounding)
        || zoom > ViewTransform::kMaxZoom * perPoint * (1.0 + kRounding))
        return std::nullopt;
    return zoom;
}

void ZoomIndicator::setRefusing(bool refusing)
{
    if (refusing == mRefusing)
        return;
    mRefusing = refusing;
    QPalette colours = mZoomField->palette();
    colours.setColor(QPalette::Text,
                     refusing ? kRefusedText : palette().color(QPalette::Text));
    mZoomField->setPalette(colours);
    if (refusing) {
        const double perPoint = mCanvas ? mCanvas->devicePixelRatioF() : 1.0;
        mZoomField->setToolTip(tr("Not a zoom: type a percentage from %1 to %2, or press Esc")
                                   .arg(zoomText(ViewTransform::kMinZoom * perPoint),
                                        zoomText(ViewTransform::kMaxZoom * perPoint)));
    } else {
        mZoomField->setToolTip(tr("Type a zoom in percent and press Enter"));
    }
}

void ZoomIndicator::showView()
{
    const double zoom = mCanvas ? mCanvas->viewport().displayZoom() : 1.0;
    if (!mRefusing)
        mZoomField->setText(zoomText(zoom));
    mMirroredLabel->setVisible(mCanvas && mCanvas->viewport().view().isMirrored());
    const double rotation = mCanvas ? mCanvas->viewport().view().rotation() : 0.0;
    const long degrees = std::lround(rotation);
    mRotationLabel->setText(tr("%1°").arg(degrees));
    mRotationLabel->setVisible(degrees != 0);
}

void ZoomIndicator::applyTyped()
{
    const auto zoom = zoomFromText(mZoomField->text());
    setRefusing(!zoom);
    if (!zoom) {
        systemBeep();
        return;
    }
    if (mCanvas)
        mCanvas->viewport().setDisplayZoom(*zoom);
    showView(); // also when nothing changed: "250" reads "250 %"
    returnToCanvas();
}

void ZoomIndicator::returnToCanvas()
{
    if (mCanvas && mZoomField->hasFocus())
        mCanvas->setFocus();
}

bool ZoomIndicator::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mZoomField && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        setRefusing(false);
        showView();
        returnToCanvas();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
