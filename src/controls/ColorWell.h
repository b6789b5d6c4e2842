#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPointer>

class QColorDialog;

// A swatch of a colour that opens Qt's colour dialog, with alpha, when clicked (unless told that
// its click shows something else). Disabled, it shows no colour.
class ColorWell : public QAbstractButton
{
    Q_OBJECT

public:
    explicit ColorWell(QWidget *parent = nullptr);

    QColor color() const { return mColor; }
    // Shows the colour; says nothing.
    void setColor(const QColor &color);

    // Off: a click only says so (clicked), for whoever shows colours another way.
    void setOpensDialog(bool opens) { mOpensDialog = opens; }
    // Qt's colour dialog, not modal; raised when open already.
    void openDialog();

    QSize sizeHint() const override { return {44, 26}; }

signals:
    // The user chose this colour in the dialog.
    void colorChosen(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor mColor;
    bool mOpensDialog = true;
    QPointer<QColorDialog> mDialog;
};
