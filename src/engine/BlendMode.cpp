#include "BlendMode.h"

#include <algorithm>
#include <array>

namespace {
struct Names
{
    BlendMode mode;
    const char *ora;
    const char *name;
};

constexpr std::array<Names, 6> kNames {{
    {BlendMode::Normal, "svg:src-over", "normal"},
    {BlendMode::Multiply, "svg:multiply", "multiply"},
    {BlendMode::Screen, "svg:screen", "screen"},
    {BlendMode::Overlay, "svg:overlay", "overlay"},
    {BlendMode::Darken, "svg:darken", "darken"},
    {BlendMode::Lighten, "svg:lighten", "lighten"},
}};

const Names &namesOf(BlendMode mode)
{
    for (const Names &n : kNames)
        if (n.mode == mode)
            return n;
    return kNames[0];
}

// x / 255 rounded, exact for the products of two bytes and their sums up to 255².
inline int div255(int x)
{
    x += 128;
    return (x + (x >> 8)) >> 8;
}

// The blend term αs·αb·B(Cb, Cs) in premultiplied bytes, scaled by 255: cs, cb are a channel
// of the source and backdrop, as, ab their alphas.
template<BlendMode M>
inline int blendTerm(int cs, int as, int cb, int ab)
{
    if constexpr (M == BlendMode::Normal)
        return cs * ab;
    else if constexpr (M == BlendMode::Multiply)
        return cs * cb;
    else if constexpr (M == BlendMode::Screen)
        return cs * ab + cb * as - cs * cb;
    else if constexpr (M == BlendMode::Darken)
        return std::min(cs * ab, cb * as);
    else if constexpr (M == BlendMode::Lighten)
        return std::max(cs * ab, cb * as);
    else // Overlay: hard light with the layers' roles swapped
        return 2 * cb <= ab ? 2 * cs * cb : as * ab - 2 * (ab - cb) * (as - cs);
}

template<BlendMode M>
void blend(quint32 *dst, const quint32 *src, int n, int opacity)
{
    for (int i = 0; i < n; ++i) {
        const quint32 s = src[i];
        const quint32 d = dst[i];
        const int as = div255(int(s >> 24) * opacity);
        const int ab = int(d >> 24);
        const int ao = as + div255(ab * (255 - as));
        quint32 out = quint32(ao) << 24;
        for (int shift = 0; shift < 24; shift += 8) {
            const int cs = div255(int((s >> shift) & 0xff) * opacity);
            const int cb = int((d >> shift) & 0xff);
            const int c = div255(cs * (255 - ab) + cb * (255 - as) + blendTerm<M>(cs, as, cb, ab));
            out |= quint32(std::clamp(c, 0, ao)) << shift;
        }
        dst[i] = out;
    }
}
} // namespace

QString oraCompositeOp(BlendMode mode)
{
    return QLatin1String(namesOf(mode).ora);
}

BlendMode blendModeFromOra(QStringView op, bool *known)
{
    for (const Names &n : kNames)
        if (op == QLatin1String(n.ora)) {
            if (known)
                *known = true;
            return n.mode;
        }
    if (known)
        *known = false;
    return BlendMode::Normal;
}

QString blendModeName(BlendMode mode)
{
    return QLatin1String(namesOf(mode).name);
}

std::optional<BlendMode> blendModeFromName(QStringView name)
{
    for (const Names &n : kNames)
        if (name == QLatin1String(n.name))
            return n.mode;
    return std::nullopt;
}

void blendRow(quint32 *dst, const quint32 *src, int n, BlendMode mode, int opacity)
{
    opacity = std::clamp(opacity, 0, 255);
    switch (mode) {
    case BlendMode::Normal:
        return blend<BlendMode::Normal>(dst, src, n, opacity);
    case BlendMode::Multiply:
        return blend<BlendMode::Multiply>(dst, src, n, opacity);
    case BlendMode::Screen:
        return blend<BlendMode::Screen>(dst, src, n, opacity);
    case BlendMode::Overlay:
        return blend<BlendMode::Overlay>(dst, src, n, opacity);
    case BlendMode::Darken:
        return blend<BlendMode::Darken>(dst, src, n, opacity);
    case BlendMode::Lighten:
        return blend<BlendMode::Lighten>(dst, src, n, opacity);
    }
}
