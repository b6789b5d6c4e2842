#pragma once

#include <QColor>
#include <QList>
#include <QStringList>
#include <QWidget>

// Colours as a grid of swatches, row by row; a tap on one tells its colour. As many columns as
// fit the width, at most the given count; it grows downwards as the list does.
class SwatchGrid : public QWidget
{
    Q_OBJECT

public:
    explicit SwatchGrid(int cell, QWidget *parent = nullptr);

    // Names, when given, show as the swatches' tool tips.
    void setColors(const QList<QColor> &colors, const QStringList &names = {});
    QList<QColor> colors() const { return mColors; }
    // 0: as many as fit.
    void setMostColumns(int columns);
    // Where the swatch of an index is drawn; empty past the last.
    QRect swatchRect(int index) const;
    int indexAt(QPoint p) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void colorClicked(const QColor &color);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int columnsFor(int width) const;

    int mCell;
    int mMostColumns = 0;
    QList<QColor> mColors;
    QStringList mNames;
};
