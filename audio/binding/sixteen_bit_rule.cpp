// The two forms of the 16-bit rule (see sixteen_bit_rule.h). The direct form must give
// what the double form gives for every value: truncation toward zero of a value divided by
// a power of two is an arithmetic shift of the value plus the divisor less one when it is
// negative; a float times 2^15 is exact in float arithmetic, so its clamp and truncation
// are too; u-law and A-law are the ITU-T G.711 tables that libsndfile decodes with.
#include "sixteen_bit_rule.h"

#include "byte_order.h"
#include "level.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#    include <emmintrin.h>
#endif

namespace orvex {

namespace {

    // Values already within 16 bits (scaled by a power of two, floats held) truncated toward
    // zero; not a number is 0. Four at a time where the processor allows.
    void ToSixteenBit(const double *values, size_t n, int16_t *out)
    {
        size_t i = 0;
#if defined(__SSE2__)
        const __m128d lowest = _mm_set1_pd(-32768.0), highest = _mm_set1_pd(32767.0);
        const auto held = [&](__m128d v) {
            v = _mm_and_pd(v, _mm_cmpord_pd(v, v));
            return _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(v, lowest), highest));
        };
        for (; i + 4 <= n; i += 4) {
            const __m128i four = _mm_unpacklo_epi64(held(_mm_loadu_pd(values + i)),
                                                    held(_mm_loadu_pd(values + i + 2)));
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out + i), _mm_packs_epi32(four, four));
        }
#endif
        for (; i < n; ++i)
            out[i] = std::isnan(values[i])
                    ? 0
                    : static_cast<int16_t>(std::clamp(values[i], -32768.0, 32767.0));
    }

    bool IsFloat(SampleEncoding e)
    {
        return e == SampleEncoding::FLOAT || e == SampleEncoding::FLOAT_BE
                || e == SampleEncoding::FLOAT_LE;
    }

    bool IsIntegerPcm(SampleEncoding e)
    {
        return e == SampleEncoding::PCM || e == SampleEncoding::PCM_BE
                || e == SampleEncoding::PCM_LE || e == SampleEncoding::PCM_S8
                || e == SampleEncoding::PCM_U8;
    }

    // 2^(16 - b), formed exactly from a whole power of two.
    double PowerOfTwoScale(uint32_t b)
    {
        if (b < 16)
            return static_cast<double>(uint64_t(1) << (16 - b));
        if (b > 16)
            return 1.0 / static_cast<double>(uint64_t(1) << std::min<uint32_t>(b - 16, 62));
        return 1.0;
    }

    // G.711 expansion to 16-bit linear values.
    int16_t UlawToLinear(unsigned char u)
    {
        u = static_cast<unsigned char>(~u);
        const int t = (((u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4);
        return static_cast<int16_t>((u & 0x80) ? 0x84 - t : t - 0x84);
    }

    int16_t AlawToLinear(unsigned char a)
    {
        a ^= 0x55;
        int t = (a & 0x0F) << 4;
        const int segment = (a & 0x70) >> 4;
        t = segment == 0 ? t + 8 : segment == 1 ? t + 0x108 : (t + 0x108) << (segment - 1);
        return static_cast<int16_t>((a & 0x80) ? t : -t);
    }

    struct Tables
    {
        int16_t ulaw[256], alaw[256];
        Tables()
        {
            for (int i = 0; i < 256; ++i) {
                ulaw[i] = UlawToLinear(static_cast<unsigned char>(i));
                alaw[i] = AlawToLinear(static_cast<unsigned char>(i));
            }
        }
    };
    const Tables kTables;

    // Truncation toward zero of v / 2^shift, for the whole range of int32.
    inline int32_t TruncShift(int32_t v, int shift)
    {
        return (v + ((v >> 31) & ((1 << shift) - 1))) >> shift;
    }

    template<bool Big>
    void Decode16(const unsigned char *in, size_t n, int16_t *out)
    {
        for (size_t i = 0; i < n; ++i)
            out[i] = static_cast<int16_t>(Big ? bytes::LoadBE16(in + 2 * i)
                                              : bytes::LoadLE16(in + 2 * i));
    }

    template<bool Big>
    void Decode24(const unsigned char *in, size_t n, int16_t *out)
    {
        // The top two bytes are the value divided by 256 and rounded down; a negative value
        // with bits in its low byte rounds up instead, toward zero.
        for (size_t i = 0; i < n; ++i) {
            const unsigned char *p = in + 3 * i;
            const unsigned char low = Big ? p[2] : p[0];
            const auto top
                    = static_cast<int16_t>(Big ? bytes::LoadBE16(p) : bytes::LoadLE16(p + 1));
            out[i] = static_cast<int16_t>(top + (top < 0 && low != 0));
        }
    }

    template<bool Big>
    void Decode32(const unsigned char *in, size_t n, int16_t *out)
    {
        for (size_t i = 0; i < n; ++i)
            out[i] = static_cast<int16_t>(
                    TruncShift(static_cast<int32_t>(Big ? bytes::LoadBE32(in + 4 * i)
                                                        : bytes::LoadLE32(in + 4 * i)),
                               16));
    }

    template<bool Big>
    uint64_t DecodeFloat(const unsigned char *in, size_t n, int16_t *out)
    {
        uint64_t clipped = 0;
        for (size_t i = 0; i < n; ++i) {
            float f;
            const uint32_t u = Big ? bytes::LoadBE32(in + 4 * i) : bytes::LoadLE32(in + 4 * i);
            std::memcpy(&f, &u, 4);
            const float v = f * 32768.0f;
            clipped += (v >= 32768.0f) + (v < -32768.0f);
            // Not a number compares false both ways and becomes 0, as the writer makes it.
            out[i] = v < -32768.0f ? int16_t(-32768)
                    : v > 32767.0f ? int16_t(32767)
                    : v == v       ? static_cast<int16_t>(static_cast<int32_t>(v))
                                   : int16_t(0);
        }
        return clipped;
    }

    // Values of one byte (u-law, A-law, 8-bit PCM) as the whole samples they are; false for
    // wider ones.
    template<class T>
    bool DecodeBytes(const StreamLayout &layout, const unsigned char *in, size_t n, T *out)
    {
        if (layout.isUlaw || layout.isAlaw) {
            const int16_t *table = layout.isUlaw ? kTables.ulaw : kTables.alaw;
            for (size_t i = 0; i < n; ++i)
                out[i] = table[in[i]];
        } else if (layout.sampleBytes == 1) {
            for (size_t i = 0; i < n; ++i)
                out[i] = static_cast<T>((layout.signedBytes ? int(int8_t(in[i])) : int(in[i]) - 128)
                                        * 256);
        }
        return layout.isUlaw || layout.isAlaw || layout.sampleBytes == 1;
    }

    template<bool Big>
    ORVEX_VECTOR_CLONES void Scaled16(const unsigned char *in, size_t n, float *out)
    {
        for (size_t i = 0; i < n; ++i)
            out[i] = static_cast<int16_t>(Big ? bytes::LoadBE16(in + 2 * i)
                                              : bytes::LoadLE16(in + 2 * i));
    }

    template<bool Big>
    ORVEX_VECTOR_CLONES void Scaled24(const unsigned char *in, size_t n, float *out)
    {
        for (size_t i = 0; i < n; ++i) {
            const unsigned char *p = in + 3 * i;
            const uint32_t u = Big
                    ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8
                    : uint32_t(p[2]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 8;
            out[i] = static_cast<float>(static_cast<int32_t>(u) >> 8) * (1.0f / 256.0f);
        }
    }

    template<bool Big>
    ORVEX_VECTOR_CLONES void Scaled32(const unsigned char *in, size_t n, float *out)
    {
        for (size_t i = 0; i < n; ++i) {
            const auto v = static_cast<int32_t>(Big ? bytes::LoadBE32(in + 4 * i)
                                                    : bytes::LoadLE32(in + 4 * i));
            out[i] = static_cast<float>(TruncShift(v, 8)) * (1.0f / 256.0f);
        }
    }

    template<bool Big>
    ORVEX_VECTOR_CLONES void ScaledFloat(const unsigned char *in, size_t n, float *out)
    {
        for (size_t i = 0; i < n; ++i) {
            const uint32_t u = Big ? bytes::LoadBE32(in + 4 * i) : bytes::LoadLE32(in + 4 * i);
            // Told apart by its bits, since a comparison of floats would not vectorise.
            const int32_t magnitude = static_cast<int32_t>(u & 0x7FFFFFFFu);
            const uint32_t keep = magnitude > 0x7F800000 ? 0u : ~0u;
            out[i] = std::bit_cast<float>(u & keep) * 32768.0f;
        }
    }

} // namespace

double SixteenBitScale(const StreamLayout &layout)
{
    // Integer PCM reads in the range of the bytes it is stored in, whatever narrower width
    // the header declares (a 12-bit WAV, a NIST file of 8 significant bits in 2 bytes), as
    // libsndfile reads it, so its scale follows those bytes; floats hold -1..1 and take 2^15.
    // Values packed in blocks (24-bit PARIS) and codecs take their declared width.
    if (IsFloat(layout.encoding))
        return 32768.0;
    if (IsIntegerPcm(layout.encoding) && layout.sampleBytes != 0)
        return PowerOfTwoScale(8 * layout.sampleBytes);
    return PowerOfTwoScale(layout.bitWidth);
}

bool IsFloatLayout(const StreamLayout &layout)
{
    return IsFloat(layout.encoding);
}

uint64_t DoublesToSixteen(double *values, size_t n, double scale, bool clamp, int16_t *out)
{
    uint64_t clipped = 0;
    if (clamp) {
        // Float values beyond 16 bits are held at its limits, and counted.
        for (size_t i = 0; i < n; ++i) {
            const double v = scale * values[i];
            clipped += (v >= 32768.0) + (v < -32768.0);
            values[i] = v < -32768.0 ? -32768.0 : v > 32767.0 ? 32767.0 : v;
        }
    } else {
        // Integer input scaled by a power of two cannot leave the 16-bit range.
        for (size_t i = 0; i < n; ++i)
            values[i] *= scale;
    }
    ToSixteenBit(values, n, out);
    return clipped;
}

bool IsPlainLayout(const StreamLayout &layout)
{
    return layout.decoding == Decoding::RawWindow;
}

uint64_t DecodePlain(const StreamLayout &layout, const unsigned char *in, size_t n, int16_t *out)
{
    const bool big = layout.order == ByteOrder::Big;
    if (layout.isFloat)
        return big ? DecodeFloat<true>(in, n, out) : DecodeFloat<false>(in, n, out);
    if (DecodeBytes(layout, in, n, out))
        return 0;
    switch (layout.sampleBytes) {
    case 2:
        big ? Decode16<true>(in, n, out) : Decode16<false>(in, n, out);
        break;
    case 3:
        big ? Decode24<true>(in, n, out) : Decode24<false>(in, n, out);
        break;
    default:
        big ? Decode32<true>(in, n, out) : Decode32<false>(in, n, out);
        break;
    }
    return 0;
}

void DecodePlainScaled(const StreamLayout &layout, const unsigned char *in, size_t n, float *out)
{
    const bool big = layout.order == ByteOrder::Big;
    if (layout.isFloat)
        return big ? ScaledFloat<true>(in, n, out) : ScaledFloat<false>(in, n, out);
    if (DecodeBytes(layout, in, n, out))
        return;
    switch (layout.sampleBytes) {
    case 2:
        big ? Scaled16<true>(in, n, out) : Scaled16<false>(in, n, out);
        break;
    case 3:
        big ? Scaled24<true>(in, n, out) : Scaled24<false>(in, n, out);
        break;
    default:
        big ? Scaled32<true>(in, n, out) : Scaled32<false>(in, n, out);
        break;
    }
}

} // namespace orvex
