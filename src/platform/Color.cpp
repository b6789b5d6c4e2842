#include "Color.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
const QByteArray kMagic("IPAR", 4); // Inkpond archive
const QByteArray kColorTag("color");
constexpr char kVersion = 1;

QByteArray header(const QByteArray &tag)
{
    QByteArray out = kMagic;
    out.append(kVersion);
    out.append(char(tag.size()));
    out.append(tag);
    return out;
}

float clamp01(float v)
{
    return std::clamp(v, 0.0f, 1.0f);
}
} // namespace

QColor Color::toQColor() const
{
    return QColor::fromRgbF(clamp01(red), clamp01(green), clamp01(blue), clamp01(alpha));
}

Color Color::fromQColor(const QColor &c)
{
    const QColor rgb = c.toRgb();
    return {rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()};
}

QByteArray archiveOther(const QByteArray &typeTag, const QByteArray &payload)
{
    return header(typeTag.left(255)) + payload;
}

QByteArray archiveColor(const Color &c)
{
    QByteArray payload(16, Qt::Uninitialized);
    const float v[4] = {c.red, c.green, c.blue, c.alpha};
    for (int i = 0; i < 4; ++i) {
        quint32 bits;
        std::memcpy(&bits, &v[i], 4);
        qToLittleEndian(bits, payload.data() + 4 * i);
    }
    return archiveOther(kColorTag, payload);
}

std::optional<Color> unarchiveColor(const QByteArray &data)
{
    const QByteArray expected = header(kColorTag);
    if (data.size() != expected.size() + 16 || !data.startsWith(expected))
        return std::nullopt;
    float v[4];
    for (int i = 0; i < 4; ++i) {
        const quint32 bits = qFromLittleEndian<quint32>(data.constData() + expected.size() + 4 * i);
        std::memcpy(&v[i], &bits, 4);
    }
    for (float f : v)
        if (!std::isfinite(f))
            return std::nullopt;
    return Color {v[0], v[1], v[2], v[3]};
}
