#include "HexColorField.h"

#include <QKeyEvent>
#include <QRegularExpression>

namespace HexColor {

std::optional<QColor> parse(const QString &text)
{
    static const QRegularExpression kHex(QStringLiteral("^#([0-9a-fA-F]{6}|[0-9a-fA-F]{8})$"));
    const QString t = text.trimmed();
    if (!kHex.match(t).hasMatch())
        return std::nullopt;
    const auto channel = [&t](int i) { return t.mid(1 + 2 * i, 2).toInt(nullptr, 16); };
    return QColor(channel(0), channel(1), channel(2), t.size() == 9 ? channel(3) : 255);
}

QString format(const QColor &color)
{
    return color.alpha() == 255 ? color.name(QColor::HexRgb) : formatWithAlpha(color);
}

QString formatWithAlpha(const QColor &color)
{
    return color.name(QColor::HexRgb)
           + QStringLiteral("%1").arg(color.alpha(), 2, 16, QLatin1Char('0'));
}

} // namespace HexColor

HexColorField::HexColorField(QWidget *parent)
    : QLineEdit(parent)
{
    setMaxLength(12);
    setPlaceholderText(QStringLiteral("#rrggbb"));
    setToolTip(tr("A colour as #rrggbb, or #rrggbbaa with its opacity"));
    connect(this, &QLineEdit::textEdited, this, &HexColorField::check);
    connect(this, &QLineEdit::editingFinished, this, &HexColorField::choose);
}

void HexColorField::setColor(const QColor &color)
{
    mColor = color;
    // What the user is still correcting is kept.
    if (mRefused && hasFocus())
        return;
    showRefused(false);
    setText(color.isValid() ? HexColor::format(color) : QString());
}

void HexColorField::check()
{
    // Red goes as soon as the text is a colour again; it comes only when a text is entered.
    if (mRefused && HexColor::parse(text()))
        showRefused(false);
}

void HexColorField::choose()
{
    const auto color = HexColor::parse(text());
    showRefused(!color);
    if (!color || *color == mColor)
        return;
    mColor = *color;
    setText(HexColor::format(mColor));
    emit colorChosen(mColor);
}

void HexColorField::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && mRefused) {
        showRefused(false);
        setColor(mColor);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void HexColorField::showRefused(bool refused)
{
    if (refused == mRefused)
        return;
    mRefused = refused;
    QPalette p = palette();
    p.setColor(QPalette::Text, refused ? QColor(Qt::red) : QPalette().color(QPalette::Text));
    setPalette(p);
}
