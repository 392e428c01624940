// The level chain (see level.h). Its loops are written for the vectoriser; its two builds
// give the same samples, since neither fuses a multiply with an add (-ffp-contract=off).
#include "level.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>

#if defined(__x86_64__) && defined(__GNUC__)
#    include <immintrin.h>
#    define ORVEX_AVX2_KERNEL 1
#endif

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
// (The place counts in 32 bits, which the vectoriser keeps in 32-bit lanes.)
template<bool Dither>
ORVEX_VECTOR_CLONES uint32_t LevelRun(const float *values, uint32_t n, uint32_t low, uint32_t key,
                                      float gain, int16_t *out)
{
    uint32_t clipped = 0;
    for (uint32_t i = 0; i < n; ++i) {
        float y = values[i] * gain;
        if constexpr (Dither) {
            const uint32_t h = Mix((low + i) ^ key);
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

#ifdef ORVEX_AVX2_KERNEL
// LevelRun<true> eight values at a time, with the same operations in the same order, so the
// same samples: the vectoriser's own version of it spills and takes half as long again.
__attribute__((target("avx2"))) uint32_t DitheredRunAvx2(const float *values, uint32_t n,
                                                         uint32_t low, uint32_t key, float gain,
                                                         int16_t *out)
{
    const __m256i key8 = _mm256_set1_epi32(int(key)), step = _mm256_set1_epi32(8);
    const __m256i m1 = _mm256_set1_epi32(0x7feb352d), m2 = _mm256_set1_epi32(int(0x846ca68bU));
    const __m256i half = _mm256_set1_epi32(0xFFFF), centre = _mm256_set1_epi32(65535);
    const __m256 gain8 = _mm256_set1_ps(gain), unit = _mm256_set1_ps(1.0f / 65536.0f);
    const __m256 rounder = _mm256_set1_ps(kRounder), lowest = _mm256_set1_ps(-32768.0f),
                 highest = _mm256_set1_ps(32767.0f);
    __m256i place = _mm256_add_epi32(_mm256_set1_epi32(int(low)),
                                     _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    __m256i clipped = _mm256_setzero_si256();
    uint32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256i h = _mm256_xor_si256(place, key8);
        place = _mm256_add_epi32(place, step);
        h = _mm256_mullo_epi32(_mm256_xor_si256(h, _mm256_srli_epi32(h, 16)), m1);
        h = _mm256_mullo_epi32(_mm256_xor_si256(h, _mm256_srli_epi32(h, 15)), m2);
        h = _mm256_xor_si256(h, _mm256_srli_epi32(h, 16));
        const __m256i sum = _mm256_sub_epi32(
                _mm256_add_epi32(_mm256_and_si256(h, half), _mm256_srli_epi32(h, 16)), centre);
        const __m256 y = _mm256_add_ps(_mm256_mul_ps(_mm256_loadu_ps(values + i), gain8),
                                       _mm256_mul_ps(_mm256_cvtepi32_ps(sum), unit));
        const __m256 rounded = _mm256_sub_ps(_mm256_add_ps(y, rounder), rounder);
        const __m256 held = _mm256_min_ps(_mm256_max_ps(rounded, lowest), highest);
        clipped = _mm256_sub_epi32(clipped,
                                   _mm256_castps_si256(_mm256_cmp_ps(held, rounded, _CMP_NEQ_UQ)));
        const __m256i whole = _mm256_cvttps_epi32(held);
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(whole, whole), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm256_castsi256_si128(packed));
    }
    alignas(32) uint32_t counts[8];
    _mm256_store_si256(reinterpret_cast<__m256i *>(counts), clipped);
    uint32_t total = 0;
    for (uint32_t count : counts)
        total += count;
    return total + LevelRun<true>(values + i, n - i, low + i, key, gain, out + i);
}
#endif

uint32_t DitheredRun(const float *values, uint32_t n, uint32_t low, uint32_t key, float gain,
                     int16_t *out)
{
#ifdef ORVEX_AVX2_KERNEL
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        return DitheredRunAvx2(values, n, low, key, gain, out);
#endif
    return LevelRun<true>(values, n, low, key, gain, out);
}

} // namespace

double GainFromDecibels(double db)
{
    return std::pow(10.0, db / 20.0);
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

SixteenBitLevel LevelFor(const LevelChoice &choice, double peak)
{
    if (!choice.normalizeDbfs)
        return {GainFromDecibels(choice.gainDb), choice.dither};
    if (!(peak > 0))
        return {};
    // Rounding takes up to 32767.5 to 32767; the dither may add almost a whole step.
    const double highest = choice.dither ? 32766.0 : 32767.0;
    return {std::min(32768.0 * GainFromDecibels(*choice.normalizeDbfs), highest) / peak,
            choice.dither};
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
        const auto run = static_cast<uint32_t>(
                std::min<uint64_t>({n, (uint64_t(1) << 32) - low, UINT32_MAX}));
        const uint32_t key = Mix(static_cast<uint32_t>(first >> 32) ^ 0x9E3779B9u);
        clipped += level.dither ? DitheredRun(values, run, low, key, gain, out)
                                : LevelRun<false>(values, run, low, key, gain, out);
        values += run;
        out += run;
        first += run;
        n -= run;
    }
    return clipped;
}
