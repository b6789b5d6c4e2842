#include "ZoomIndicator.h"

#include "WTView.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <cmath>

ZoomIndicator::ZoomIndicator(QWidget *parent)
    : QWidget(parent)
    , mZoomField(new QLineEdit(this))
    , mRotationLabel(new QLabel(this))
{
    setObjectName(QStringLiteral("zoomIndicator"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mRotationLabel);
    layout->addWidget(mZoomField);
    mRotationLabel->setObjectName(QStringLiteral("rotationLabel"));
    mRotationLabel->hide();
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
    // Left without Enter: what was typed goes.
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

void ZoomIndicator::showView()
{
    const double zoom = mCanvas ? mCanvas->displayZoom() : 1.0;
    mZoomField->setText(zoomText(zoom));
    const double rotation = mCanvas ? mCanvas->view().rotation() : 0.0;
    const long degrees = std::lround(rotation);
    mRotationLabel->setText(tr("%1°").arg(degrees));
    mRotationLabel->setVisible(degrees != 0);
}

void ZoomIndicator::applyTyped()
{
    if (const auto percent = percentFromText(mZoomField->text()); percent && mCanvas)
        mCanvas->setDisplayZoom(*percent / 100.0);
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
        showView();
        returnToCanvas();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
