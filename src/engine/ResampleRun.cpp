// The resampler's inner loop, built once for each instruction set Highway knows and chosen by
// what the processor has: a baseline build still runs anywhere, AVX2 takes eight pixels a step.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "ResampleRun.cpp"
#include <hwy/foreach_target.h> // before highway.h
#include <hwy/highway.h>

#include "ResampleRun.h"

#include <cstring>

HWY_BEFORE_NAMESPACE();
namespace inkpond_resample {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET == HWY_SCALAR
// One pixel a step: no lanes to split a pixel's channels over.
inline quint32 lerpChannels(quint32 a, quint32 b, quint32 w)
{
    return ((a * (256 - w) + b * w + 0x00800080u) >> 8) & 0x00ff00ffu;
}

inline quint32 scaled(quint32 p, quint32 w) // p · w / 255, rounded, each channel
{
    auto half = [w](quint32 c) {
        const quint32 x = (c & 0x00ff00ffu) * w + 0x00800080u;
        return ((x + ((x >> 8) & 0x00ff00ffu)) >> 8) & 0x00ff00ffu;
    };
    return half(p) | (half(p >> 8) << 8);
}

inline quint32 over(quint32 s, quint32 d)
{
    return s + scaled(d, 255 - (s >> 24));
}

void runImpl(const ResampleRun &r)
{
    for (int i = 0; i < r.count; ++i) {
        const qint32 u = r.u + i * r.du, v = r.v + i * r.dv;
        quint32 s = 0;
        if (r.bottom) {
            const quint32 *p = r.bottom + (u >> 16) + (v >> 16) * r.up;
            s = p[0];
            if (!r.nearest) {
                const quint32 wx = quint32(u >> 8) & 0xff, wy = quint32(v >> 8) & 0xff;
                auto mix = [&](int shift) {
                    auto c = [&](quint32 q) { return (q >> shift) & 0x00ff00ffu; };
                    return lerpChannels(lerpChannels(c(p[0]), c(p[1]), wx),
                                        lerpChannels(c(p[r.up]), c(p[r.up + 1]), wx), wy)
                        << shift;
                };
                s = mix(0) | mix(8);
            }
        }
        if ((s >> 24) == 255) {
            r.dst[i] = s;
            continue;
        }
        if (r.paper)
            s = over(s, r.paper);
        r.dst[i] = over(s, r.dst[i]);
    }
}
#else
using D32 = hn::ScalableTag<uint32_t>;
using DI = hn::RebindToSigned<D32>;
using D16 = hn::Repartition<uint16_t, D32>;
using V32 = hn::Vec<D32>;
using VI = hn::Vec<DI>;
using V16 = hn::Vec<D16>;

// Two channels of each pixel on 16-bit lanes: room for a channel times a weight of 256.
HWY_INLINE V16 lowChannels(V32 p)
{
    return hn::BitCast(D16(), hn::And(p, hn::Set(D32(), 0x00ff00ffu)));
}

HWY_INLINE V16 highChannels(V32 p)
{
    return hn::BitCast(D16(), hn::And(hn::ShiftRight<8>(p), hn::Set(D32(), 0x00ff00ffu)));
}

HWY_INLINE V32 joined(V16 low, V16 high)
{
    return hn::Or(hn::BitCast(D32(), low), hn::ShiftLeft<8>(hn::BitCast(D32(), high)));
}

// A pixel's weight (of 256) on both of its lanes.
HWY_INLINE V16 weights(V32 w)
{
    return hn::BitCast(D16(), hn::Or(w, hn::ShiftLeft<16>(w)));
}

// (a · (256 − w) + b · w) / 256, rounded.
HWY_INLINE V16 lerp(V16 a, V16 b, V16 w)
{
    const D16 d16;
    return hn::ShiftRight<8>(a * (hn::Set(d16, 256) - w) + b * w + hn::Set(d16, 128));
}

// x / 255 rounded, for x up to 255 · 255.
HWY_INLINE V16 div255(V16 x)
{
    x = x + hn::Set(D16(), 128);
    return hn::ShiftRight<8>(x + hn::ShiftRight<8>(x));
}

// s over d, premultiplied.
HWY_INLINE V32 over(V32 s, V32 d)
{
    const V16 rest = weights(hn::Set(D32(), 255) - hn::ShiftRight<24>(s));
    return s + joined(div255(lowChannels(d) * rest), div255(highChannels(d) * rest));
}

HWY_INLINE V32 bilinear(V32 p00, V32 p10, V32 p01, V32 p11, V16 wx, V16 wy)
{
    const V16 low = lerp(lerp(lowChannels(p00), lowChannels(p10), wx),
                         lerp(lowChannels(p01), lowChannels(p11), wx), wy);
    const V16 high = lerp(lerp(highChannels(p00), highChannels(p10), wx),
                          lerp(highChannels(p01), highChannels(p11), wx), wy);
    return joined(low, high);
}

// The samples at positions (u, v) of the tile.
HWY_INLINE V32 sample(const ResampleRun &r, VI u, VI v)
{
    const D32 d;
    const DI di;
    const VI at = hn::ShiftRight<16>(u) + hn::ShiftRight<16>(v) * hn::Set(di, r.up);
    // Loaded one by one: gathers are slower on many processors, and much slower in some
    // virtual machines. Each pixel's lower and upper pairs of neighbours lie side by side.
    HWY_ALIGN int32_t index[64];
    HWY_ALIGN uint64_t lower[64], upper[64];
    hn::Store(at, di, index);
    const int n = int(hn::Lanes(d));
    if (r.nearest) {
        HWY_ALIGN uint32_t p[64];
        for (int j = 0; j < n; ++j)
            p[j] = r.bottom[index[j]];
        return hn::Load(d, p);
    }
    for (int j = 0; j < n; ++j) {
        const uint32_t *p = r.bottom + index[j];
        std::memcpy(&lower[j], p, 8);
        std::memcpy(&upper[j], p + r.up, 8);
    }
    const V32 l0 = hn::Load(d, reinterpret_cast<const uint32_t *>(lower));
    const V32 l1 = hn::Load(d, reinterpret_cast<const uint32_t *>(lower) + n);
    const V32 u0 = hn::Load(d, reinterpret_cast<const uint32_t *>(upper));
    const V32 u1 = hn::Load(d, reinterpret_cast<const uint32_t *>(upper) + n);
    const V32 p00 = hn::ConcatEven(d, l1, l0), p10 = hn::ConcatOdd(d, l1, l0);
    const V32 p01 = hn::ConcatEven(d, u1, u0), p11 = hn::ConcatOdd(d, u1, u0);
    const VI fraction = hn::Set(di, 0xff);
    const V16 wx = weights(hn::BitCast(d, hn::And(hn::ShiftRight<8>(u), fraction)));
    const V16 wy = weights(hn::BitCast(d, hn::And(hn::ShiftRight<8>(v), fraction)));
    // Much of a painting is flat: nothing to weigh.
    if (hn::AllTrue(d, hn::And(hn::Eq(p00, p10), hn::And(hn::Eq(p00, p01), hn::Eq(p00, p11)))))
        return p00;
    return bilinear(p00, p10, p01, p11, wx, wy);
}

// s over the paper, then over what dst holds.
HWY_INLINE void put(const ResampleRun &r, uint32_t *dst, V32 s)
{
    const D32 d;
    if (hn::AllTrue(d, hn::Eq(hn::ShiftRight<24>(s), hn::Set(d, 255u)))) {
        hn::StoreU(s, d, dst);
        return;
    }
    if (r.paper) {
        s = over(s, hn::Set(d, r.paper));
        if ((r.paper >> 24) == 255) {
            hn::StoreU(s, d, dst);
            return;
        }
    }
    hn::StoreU(over(s, hn::LoadU(d, dst)), d, dst);
}

void runImpl(const ResampleRun &r)
{
    const D32 d;
    const DI di;
    const int n = int(hn::Lanes(d));
    if (!r.bottom) { // nothing painted: the paper alone
        if (!r.paper)
            return;
        const V32 paper = hn::Set(d, r.paper);
        for (int i = 0; i < r.count; ++i)
            r.dst[i] = hn::GetLane(over(paper, hn::Set(d, r.dst[i])));
        return;
    }
    const VI lane = hn::Iota(di, 0);
    const VI stepU = hn::Set(di, r.du * n), stepV = hn::Set(di, r.dv * n);
    VI u = hn::Set(di, r.u) + lane * hn::Set(di, r.du);
    VI v = hn::Set(di, r.v) + lane * hn::Set(di, r.dv);
    int i = 0;
    for (; i + n <= r.count; i += n) {
        put(r, r.dst + i, sample(r, u, v));
        u = u + stepU;
        v = v + stepV;
    }
    if (const int k = r.count - i; k > 0) {
        // Lanes past the end repeat the last pixel, read and written on the side.
        const VI last = hn::Min(lane, hn::Set(di, k - 1));
        u = hn::Set(di, r.u + i * r.du) + last * hn::Set(di, r.du);
        v = hn::Set(di, r.v + i * r.dv) + last * hn::Set(di, r.dv);
        HWY_ALIGN uint32_t kept[64];
        std::memcpy(kept, r.dst + i, std::size_t(k) * 4);
        put(r, kept, sample(r, u, v));
        std::memcpy(r.dst + i, kept, std::size_t(k) * 4);
    }
}
#endif

} // namespace HWY_NAMESPACE
} // namespace inkpond_resample
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace inkpond_resample {
HWY_EXPORT(runImpl);

void run(const ResampleRun &r)
{
    HWY_DYNAMIC_DISPATCH(runImpl)(r);
}
} // namespace inkpond_resample

void resampleRun(const ResampleRun &run)
{
    inkpond_resample::run(run);
}
#endif
