#include "PenSettings.h"

#include "Assert.h"
#include "PreferenceKeys.h"
#include "Preferences.h"

#include <cmath>

namespace {
const char *const kSlotOutOfBound = "color index out of bound";

// A stored number that cannot serve falls back to the registered default.
float storedWidth(const Preferences &store, const QString &key)
{
    const auto v = Preferences::toFloat(store.objectForKey(key));
    if (v && std::isfinite(*v))
        return *v;
    return Preferences::toFloat(store.registeredDefault(key)).value_or(10.0f);
}
} // namespace

void PenSettings::registerDefaults(Preferences &store)
{
    if (store.registeredDefault(PreferenceKeys::kBgType).isValid())
        return;
    store.registerDefaults(PreferenceKeys::registeredDefaults());
}

PenSettings::PenSettings(Preferences &store, QObject *parent)
    : QObject(parent)
    , mStore(store)
{
    registerDefaults(store);
    for (int i = 0; i < kSlots; ++i) {
        const auto stored = unarchiveColor(store.dataForKey(PreferenceKeys::colorKey(i)));
        mColors[size_t(i)] = stored.value_or(PreferenceKeys::defaultColor());
        mBrushSize[size_t(i)] = storedWidth(store, PreferenceKeys::brushSizeKey(i));
    }
    mRubberSize = storedWidth(store, PreferenceKeys::kRubberSize);
}

const Color &PenSettings::color(int slot) const
{
    INK_ASSERT(slot >= 0 && slot < kSlots);
    return mColors.at(size_t(slot));
}

void PenSettings::setColor(int slot, const Color &color)
{
    INK_CHECK(slot >= 0 && slot < kSlots, kSlotOutOfBound);
    mColors.at(size_t(slot)) = color;
    mStore.setData(archiveColor(color), PreferenceKeys::colorKey(slot));
    emit changed();
}

float PenSettings::brushSize(int slot) const
{
    INK_ASSERT(slot >= 0 && slot < kSlots);
    return mBrushSize.at(size_t(slot));
}

void PenSettings::setBrushSize(int slot, float size)
{
    INK_CHECK(slot >= 0 && slot < kSlots, kSlotOutOfBound);
    mBrushSize.at(size_t(slot)) = size;
    mStore.setFloat(size, PreferenceKeys::brushSizeKey(slot));
    emit changed();
}

void PenSettings::setRubberSize(float size)
{
    mRubberSize = size;
    mStore.setFloat(size, PreferenceKeys::kRubberSize);
    emit changed();
}

// A damaged stored number would fail every later arrival of its pointer and be written back
// each time; the registered default serves instead.
int PenSettings::rememberedTool(PointerType type) const
{
    const QString key = PreferenceKeys::toolKeyForPointerType(type);
    const auto stored = Preferences::toInteger(mStore.objectForKey(key));
    if (stored && *stored >= kEraserTool && *stored <= kSlots)
        return int(*stored);
    return int(Preferences::toInteger(mStore.registeredDefault(key)).value_or(1));
}

void PenSettings::rememberTool(PointerType type, int tool)
{
    mStore.setInteger(tool, PreferenceKeys::toolKeyForPointerType(type));
}

// A stored type no window can show can only come from outside the program; the registered
// default serves instead.
BgType PenSettings::bgType() const
{
    const auto v = Preferences::toInteger(mStore.objectForKey(PreferenceKeys::kBgType));
    if (const auto type = v ? bgTypeOf(*v) : std::nullopt)
        return *type;
    const auto fallback = Preferences::toInteger(mStore.registeredDefault(PreferenceKeys::kBgType));
    return bgTypeOf(fallback.value_or(1)).value_or(BgType::Ruled);
}

void PenSettings::setBgType(BgType type)
{
    mStore.setInteger(int(type), PreferenceKeys::kBgType);
}
