#pragma once

#include <QColor>
#include <QLineEdit>
#include <optional>

// Colours written as painters paste them: "#rrggbb", or "#rrggbbaa" with the alpha last (not Qt's
// "#aarrggbb").
namespace HexColor {
std::optional<QColor> parse(const QString &text);
// "#rrggbb" when opaque, else "#rrggbbaa".
QString format(const QColor &color);
// Always "#rrggbbaa", as the settings keep colours.
QString formatWithAlpha(const QColor &color);
} // namespace HexColor

// A line for a colour's hex code. Enter or leaving it chooses what it holds; what is not a colour
// stays as typed, shown in red, until corrected or given up with Escape.
class HexColorField : public QLineEdit
{
    Q_OBJECT

public:
    explicit HexColorField(QWidget *parent = nullptr);

    // Shows the colour; tells no one.
    void setColor(const QColor &color);
    bool isRefused() const { return mRefused; }

signals:
    void colorChosen(const QColor &color);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void check();
    void choose();
    void showRefused(bool refused);

    QColor mColor;
    bool mRefused = false;
};
