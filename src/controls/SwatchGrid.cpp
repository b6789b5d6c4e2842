#include "SwatchGrid.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

SwatchGrid::SwatchGrid(int cell, QWidget *parent)
    : QWidget(parent)
    , mCell(cell)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void SwatchGrid::setColors(const QList<QColor> &colors, const QStringList &names)
{
    mColors = colors;
    mNames = names;
    updateGeometry();
    update();
}

void SwatchGrid::setMostColumns(int columns)
{
    mMostColumns = std::max(0, columns);
    updateGeometry();
    update();
}

int SwatchGrid::columnsFor(int width) const
{
    const int fit = std::max(1, width / mCell);
    return mMostColumns > 0 ? std::min(fit, mMostColumns) : fit;
}

QRect SwatchGrid::swatchRect(int index) const
{
    if (index < 0 || index >= mColors.size())
        return {};
    const int columns = columnsFor(width());
    return {index % columns * mCell, index / columns * mCell, mCell, mCell};
}

int SwatchGrid::indexAt(QPoint p) const
{
    if (p.x() < 0 || p.y() < 0)
        return -1;
    const int columns = columnsFor(width());
    const int column = p.x() / mCell;
    const int index = p.y() / mCell * columns + column;
    return column < columns && index < mColors.size() ? index : -1;
}

int SwatchGrid::heightForWidth(int width) const
{
    const int columns = columnsFor(width);
    // An empty grid keeps a row, so that the panel does not jump when the first colour comes.
    const int rows = std::max<int>(1, (mColors.size() + columns - 1) / columns);
    return rows * mCell;
}

QSize SwatchGrid::sizeHint() const
{
    const int columns = mMostColumns > 0 ? mMostColumns : 8;
    return {columns * mCell, heightForWidth(columns * mCell)};
}

QSize SwatchGrid::minimumSizeHint() const
{
    return {mCell * 4, mCell};
}

bool SwatchGrid::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int index = indexAt(help->pos());
        if (index < 0) {
            QToolTip::hideText();
        } else {
            const QString code = mColors[index].name(QColor::HexRgb);
            const QString name = index < mNames.size() ? mNames[index] : QString();
            QToolTip::showText(help->globalPos(),
                               name.isEmpty() ? code : QStringLiteral("%1 (%2)").arg(name, code),
                               this, swatchRect(index));
        }
        return true;
    }
    return QWidget::event(event);
}

void SwatchGrid::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QColor frame = palette().color(QPalette::Mid);
    for (int i = 0; i < mColors.size(); ++i) {
        const QRect r = swatchRect(i).adjusted(1, 1, -1, -1);
        // Half of a translucent swatch over white, half over black, shows its opacity.
        if (mColors[i].alpha() < 255) {
            p.fillRect(r, Qt::white);
            p.fillRect(QRect(r.x(), r.y() + r.height() / 2, r.width(), r.height() - r.height() / 2),
                       Qt::black);
        }
        p.fillRect(r, mColors[i]);
        p.setPen(frame);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
}

void SwatchGrid::mousePressEvent(QMouseEvent *event)
{
    // Taken, so that the release comes here.
    event->accept();
}

void SwatchGrid::mouseReleaseEvent(QMouseEvent *event)
{
    const int index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index >= 0)
        emit colorClicked(mColors[index]);
}
