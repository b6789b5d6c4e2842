#include "LayerCommands.h"

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
