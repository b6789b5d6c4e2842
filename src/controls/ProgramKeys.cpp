#include "ProgramKeys.h"

#include "ImageCodec.h"
#include "PreferenceKeys.h"


namespace ProgramKeys {

namespace {
std::vector<NumberKey> makeNumberKeys()
{
    const auto onOff = [](const QString &key) { return NumberKey {key, 0.0, 0.0, 1.0, true}; };
    std::vector<NumberKey> keys = PreferenceKeys::numberKeys();
    keys.push_back(onOff(kTabletMonitor)); // off: opening /dev/input exposes keyboards too
    keys.push_back(onOff(kShowLayersPanel)); // off: a new sheet keeps the window's room
    keys.push_back(onOff(kShowColorsPanel));
    keys.push_back({kSaveQuality, double(ImageCodec::kQuality), 1.0, 100.0, true});
    return keys;
}
} // namespace

QString toolbarConfigurationKey(const QString &toolbarIdentifier)
{
    return QStringLiteral("ToolbarItems.%1").arg(toolbarIdentifier);
}

const std::vector<NumberKey> &numberKeys()
{
    static const std::vector<NumberKey> keys = makeNumberKeys();
    return keys;
}

double storedNumber(const Preferences &store, const QString &key)
{
    return store.number(findNumberKey(numberKeys(), key));
}

void storeNumber(Preferences &store, const QString &key, double value)
{
    store.setNumber(value, findNumberKey(numberKeys(), key));
}

} // namespace ProgramKeys
