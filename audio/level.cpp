// The level chain (see level.h). Its loops are written for the vectoriser; its two builds
// give the same samples, since neither fuses a multiply with an add (-ffp-contract=off).
#include "level.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>

namespace {

// A 32-bit integer hash with full avalanche (Chris Wellons's "lowbias32"): a bijection, so
// that neighbouring places get unrelated noise, and two multiplies, which vectorise.
inline uint32_t Mix(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

// 1.5 x 2^23: adding and then subtracting it rounds a float below 2^22 in magnitude to the
// nearest whole number, ties to even, at any vector width. Anything larger is clipped anyway.
constexpr float kRounder = 12582912.0f;

// The power-of-two rule: held within 16 bits, truncated toward zero.
ORVEX_VECTOR_CLONES uint32_t TruncateRun(const float *values, size_t n, int16_t *out)
{
    uint32_t clipped = 0;
    for (size_t i = 0; i < n; ++i) {
        const float x = values[i];
        clipped += (x >= 32768.0f) | (x < -32768.0f);
        out[i] = static_cast<int16_t>(
                static_cast<int32_t>(std::min(std::max(x, -32768.0f), 32767.0f)));
    }
    return clipped;
}

// Gain, then (with Dither) the noise of the places `low` on, keyed by `key`, then rounding;
// a sample is clipped where the rounded value lies beyond 16 bits. The noise is the sum of
// two uniform 16-bit numbers, the two halves of one hash, centred: triangular, within +-1.
template<bool Dither>
ORVEX_VECTOR_CLONES uint32_t LevelRun(const float *values, size_t n, uint32_t low, uint32_t key,
                                      float gain, int16_t *out)
{
    uint32_t clipped = 0;
    for (size_t i = 0; i < n; ++i) {
        float y = values[i] * gain;
        if constexpr (Dither) {
            const uint32_t h = Mix((low + static_cast<uint32_t>(i)) ^ key);
            y += static_cast<float>(static_cast<int32_t>(h & 0xFFFF) + static_cast<int32_t>(h >> 16)
                                    - 65535)
                    * (1.0f / 65536.0f);
        }
        const float rounded = (y + kRounder) - kRounder;
        const float held = std::min(std::max(rounded, -32768.0f), 32767.0f);
        clipped += held != rounded;
        out[i] = static_cast<int16_t>(static_cast<int32_t>(held));
    }
    return clipped;
}

} // namespace

double GainFromDecibels(double db)
{
    return std::pow(10.0, db / 20.0);
}

double DecibelsFromGain(double gain)
{
    return 20.0 * std::log10(gain);
}

ORVEX_VECTOR_CLONES float FoldPeak(const float *values, size_t n, float peak)
{
    // The magnitudes of finite floats are ordered as their bit patterns are, and integer
    // maxima vectorise where float ones (which must mind not-a-number) do not.
    int32_t top = std::bit_cast<int32_t>(peak);
    for (size_t i = 0; i < n; ++i) {
        int32_t bits = std::bit_cast<int32_t>(values[i]) & 0x7FFFFFFF;
        bits = bits < 0x7F800000 ? bits : 0;
        top = top > bits ? top : bits;
    }
    return std::bit_cast<float>(top);
}

double NormalizingGain(double peak, double targetDbfs, bool dither)
{
    if (!(peak > 0))
        return 1.0;
    // Rounding takes up to 32767.5 to 32767; the dither may add almost a whole step.
    const double highest = dither ? 32766.0 : 32767.0;
    return std::min(32768.0 * GainFromDecibels(targetDbfs), highest) / peak;
}

uint64_t ApplyLevel(const float *values, size_t n, uint64_t first, const SixteenBitLevel &level,
                    int16_t *out)
{
    if (level.gain == 1.0 && !level.dither)
        return TruncateRun(values, n, out);
    // A gain past float's range would turn silence into not-a-number (0 x infinity).
    const auto gain = static_cast<float>(std::min(level.gain, double(FLT_MAX)));
    uint64_t clipped = 0;
    while (n > 0) {
        // The noise is keyed by the place's low 32 bits, mixed with its high ones: a run
        // ends where those change.
        const auto low = static_cast<uint32_t>(first);
        const size_t run = static_cast<size_t>(std::min<uint64_t>(n, (uint64_t(1) << 32) - low));
        const uint32_t key = Mix(static_cast<uint32_t>(first >> 32) ^ 0x9E3779B9u);
        clipped += level.dither ? LevelRun<true>(values, run, low, key, gain, out)
                                : LevelRun<false>(values, run, low, key, gain, out);
        values += run;
        out += run;
        first += run;
        n -= run;
    }
    return clipped;
}
