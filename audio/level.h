// The level chain that brings values to 16 bits: each value at 16-bit scale (a 24-bit value
// divided by 256, a float times 2^15), times a gain, plus triangular dither, rounded to the
// nearest step and held within 16 bits. With no gain and no dither it is the power-of-two
// rule with truncation toward zero, bit for bit. The conversion, the waveform overview and
// the player all reach it through CSixteenBitReader, so what is seen and heard is what is
// written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// The chain's loops, and the decoding that feeds them, are built twice: for AVX2 and for the
// x86-64 baseline (SSE2); the processor chooses at load time. Not under ThreadSanitizer, whose
// instrumented choice would run before the sanitizer is set up.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#    define ORVEX_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#    define ORVEX_VECTOR_CLONES
#endif

// How far a gain, and a normalisation's level, may go: beyond +60 dB the noise floor of a
// good 24-bit recording comes up to a clearly audible level; below -60 dB a 16-bit output
// keeps fewer than six bits of the signal. A value beyond is taken for a typing mistake.
constexpr double kMaxGainDb = 60.0;
constexpr double kLowestNormalizeDbfs = -60.0;

// What the user chose for the level of a conversion.
struct LevelChoice
{
    // Normalise: the gain that brings the peak of what is converted to this level (dBFS);
    // or, without it, `gainDb`.
    std::optional<double> normalizeDbfs;
    double gainDb = 0.0;
    // Triangular dither of +-1 step before rounding, where the values carry more than 16 bits.
    bool dither = false;
};

// The chain's settings for a reader: a gain factor and dither.
struct SixteenBitLevel
{
    double gain = 1.0;
    bool dither = false;
};

double GainFromDecibels(double db);

// Folds `n` values at 16-bit scale into a running peak, the largest magnitude: infinities
// count for nothing (they are clipped whatever the gain). The peak relative to 32768 is the
// level in dBFS. The CLI measures a part's peak with it and the window's overview may fold
// the same values, so that both normalise alike.
float FoldPeak(const float *values, size_t n, float peak);

// The chain's settings for a choice, given the peak (FoldPeak's) of what it applies to, which
// only normalising looks at: the gain that brings the peak to the level asked, leaving room,
// so that nothing is clipped, for the positive limit 32767 and for the dither's step. Silence
// (a peak of 0) is left as it is: no gain, and no dither to stir it.
SixteenBitLevel LevelFor(const LevelChoice &choice, double peak);

// The chain over `n` interleaved values at 16-bit scale, `first` being the place in the file
// of the first one (frame x channels + channel), from which the dither is drawn: the same
// value at the same place always gives the same sample. Returns how many were clipped. The
// plain form (gain 1, no dither) truncates toward zero and counts clipping as floats always
// have been counted (beyond -32768 or from 32768 on).
uint64_t ApplyLevel(const float *values, size_t n, uint64_t first, const SixteenBitLevel &level,
                    int16_t *out);
