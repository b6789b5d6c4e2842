#include "LayerCommands.h"

#include "Image.h"

#include <QBuffer>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonObject>
#include <cmath>

QJsonValue LayerCommands::toJson(int index, const LayerProperties &p)
{
    return QJsonObject {{QStringLiteral("index"), index},
                        {QStringLiteral("name"), p.name},
                        {QStringLiteral("visible"), p.visible},
                        {QStringLiteral("opacity"), double(p.opacity)},
                        {QStringLiteral("mode"), blendModeName(p.mode)},
                        {QStringLiteral("locked"), p.locked},
                        {QStringLiteral("alphaLocked"), p.alphaLocked}};
}

std::optional<LayerCommands::IndexedProperties> LayerCommands::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    const QJsonValue index = o.value(QStringLiteral("index"));
    const QJsonValue name = o.value(QStringLiteral("name"));
    const QJsonValue opacity = o.value(QStringLiteral("opacity"));
    const auto mode = blendModeFromName(o.value(QStringLiteral("mode")).toString());
    if (!index.isDouble() || index.toDouble() < 0 || index.toDouble() > 1e6
        || std::floor(index.toDouble()) != index.toDouble() || !name.isString()
        || name.toString().size() > kLongestName || !opacity.isDouble()
        || !(opacity.toDouble() >= 0.0 && opacity.toDouble() <= 1.0) || !mode)
        return std::nullopt;
    IndexedProperties r;
    r.index = int(index.toDouble());
    r.properties.name = name.toString();
    r.properties.visible = o.value(QStringLiteral("visible")).toBool(true);
    r.properties.opacity = float(opacity.toDouble());
    r.properties.mode = *mode;
    r.properties.locked = o.value(QStringLiteral("locked")).toBool(false);
    r.properties.alphaLocked = o.value(QStringLiteral("alphaLocked")).toBool(false);
    return r;
}

namespace {
std::optional<int> wholeNumber(const QJsonValue &v)
{
    const double d = v.toDouble(std::nan(""));
    if (!(std::abs(d) <= 1e6) || std::floor(d) != d)
        return std::nullopt;
    return int(d);
}
} // namespace

QJsonValue LayerCommands::pasteToJson(const QImage &image, int x, int y)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QJsonObject {{QStringLiteral("x"), x},
                        {QStringLiteral("y"), y},
                        {QStringLiteral("png"), QString::fromLatin1(png.toBase64())}};
}

std::optional<LayerCommands::PlacedImage> LayerCommands::pasteFromJson(const QJsonValue &value)
{
    const QJsonObject o = value.toObject();
    const auto x = wholeNumber(o.value(QStringLiteral("x")));
    const auto y = wholeNumber(o.value(QStringLiteral("y")));
    const QJsonValue png = o.value(QStringLiteral("png"));
    if (!x || !y || !png.isString() || png.toString().size() > kLongestPastedData)
        return std::nullopt;
    const QByteArray data = QByteArray::fromBase64(png.toString().toLatin1());
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer, "png");
    const QSize size = reader.size();
    if (!size.isValid() || !Image::isValidSize({float(size.width()), float(size.height())}))
        return std::nullopt;
    PlacedImage placed {reader.read(), *x, *y};
    if (placed.image.isNull())
        return std::nullopt;
    return placed;
}

std::optional<std::pair<int, int>> LayerCommands::offsetFromJson(const QJsonValue &value)
{
    const QJsonArray a = value.toArray();
    const auto dx = a.size() == 2 ? wholeNumber(a[0]) : std::nullopt;
    const auto dy = a.size() == 2 ? wholeNumber(a[1]) : std::nullopt;
    if (!dx || !dy)
        return std::nullopt;
    return std::pair(*dx, *dy);
}
