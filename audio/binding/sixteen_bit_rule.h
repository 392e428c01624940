// The rule by which stored values become the 16-bit samples a conversion writes, in two
// forms that give the same samples: through unnormalised doubles, as libsndfile decodes
// any encoding (scaled by a power of two, floats held within 16 bits, truncated toward
// zero), and straight from the stored bytes of plain values (integer PCM, 32-bit float,
// u-law, A-law), with integer arithmetic and no double in between. Also the stored values at
// 16-bit scale before the rule's truncation, for the level chain. Internal to the binding.
#pragma once

#include "container.h"

#include <cstddef>
#include <cstdint>

namespace orvex {

// The power of two that brings the layout's values to 16 bits.
double SixteenBitScale(const StreamLayout &layout);
// Whether the layout's values are floats, which are held within 16 bits.
bool IsFloatLayout(const StreamLayout &layout);

// `n` values as doubles, scaled (and held, for floats) into samples; returns how many
// floats were held at the limits.
uint64_t DoublesToSixteen(double *values, size_t n, double scale, bool clamp, int16_t *out);

// Whether DecodePlain can read the layout's stored values.
bool IsPlainLayout(const StreamLayout &layout);
// `n` stored values of a plain layout, read from `in`, as samples; returns how many floats
// were held at the limits.
uint64_t DecodePlain(const StreamLayout &layout, const unsigned char *in, size_t n, int16_t *out);

// The same values at 16-bit scale, before any truncation, for the level chain: exact for
// every width but 32 bits, whose values keep 24 significant bits (to 1/256 of a 16-bit step),
// cut toward zero so that truncating them still gives the samples above. Not a number is 0.
void DecodePlainScaled(const StreamLayout &layout, const unsigned char *in, size_t n, float *out);

} // namespace orvex
