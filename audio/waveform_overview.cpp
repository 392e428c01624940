// CWaveformOverview (see waveform_overview.h).
#include "waveform_overview.h"

#include "sixteen_bit_reader.h"

#include <algorithm>

#if defined(__SSE2__)
#    include <emmintrin.h>
#endif

namespace {

// Folds `frames` interleaved frames into a column: per channel for stereo, all channels
// together otherwise. A column's first frames set it rather than widen it. Eight running
// minima and maxima, which the compiler keeps in vector registers, take the samples in
// their interleaved order (vectorised by hand where the compiler would not); for stereo the
// even ones are the left channel's.
void Fold(const int16_t *samples, uint32_t frames, uint32_t channels, bool first,
          OverviewColumn &col)
{
    const uint32_t count = frames * channels;
    int16_t lo[8], hi[8];
    std::fill(lo, lo + 8, INT16_MAX);
    std::fill(hi, hi + 8, INT16_MIN);
    uint32_t i = 0;
#if defined(__SSE2__)
    __m128i vlo = _mm_set1_epi16(INT16_MAX), vhi = _mm_set1_epi16(INT16_MIN);
    for (; i + 8 <= count; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(samples + i));
        vlo = _mm_min_epi16(vlo, v);
        vhi = _mm_max_epi16(vhi, v);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i *>(lo), vlo);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(hi), vhi);
#else
    for (; i + 8 <= count; i += 8)
        for (uint32_t k = 0; k < 8; ++k) {
            lo[k] = std::min(lo[k], samples[i + k]);
            hi[k] = std::max(hi[k], samples[i + k]);
        }
#endif
    for (uint32_t k = 0; i < count; ++i, ++k) {
        lo[k] = std::min(lo[k], samples[i]);
        hi[k] = std::max(hi[k], samples[i]);
    }
    const uint32_t lanes = CWaveformOverview::LanesFor(channels);
    for (uint32_t lane = 0; lane < lanes; ++lane) {
        int16_t low = first ? INT16_MAX : col.min[lane], high = first ? INT16_MIN : col.max[lane];
        for (uint32_t k = lane; k < 8; k += lanes) {
            low = std::min(low, lo[k]);
            high = std::max(high, hi[k]);
        }
        col.min[lane] = low;
        col.max[lane] = high;
    }
}

} // namespace

AudioError CWaveformOverview::Compute(const std::string &path, uint32_t columns,
                                      std::vector<OverviewColumn> &out, const Progress &progress)
{
    out.assign(columns, OverviewColumn{});
    CSixteenBitReader reader;
    if (AudioError e = reader.Open(path); e != AudioError::None)
        return e;
    const uint32_t channels = reader.GetInfo().channels;
    const uint64_t total = reader.GetInfo().samples;
    if (columns == 0 || total == 0)
        return AudioError::None;
    // Column c holds the frames from First(c) up to First(c + 1): frame f in column
    // f * columns / total, so that the columns split the file evenly.
    auto first = [&](uint64_t c) { return (c * total + columns - 1) / columns; };
    int16_t block[4096];
    const uint32_t blockFrames = std::max<uint32_t>(4096 / channels, 1);
    uint64_t frame = 0, end = first(1);
    uint32_t column = 0, reported = 0;
    bool fresh = true; // nothing in the current column yet
    while (column < columns) {
        // A read ends where the column does, so that its clipped samples are the column's.
        const uint64_t clippedBefore = reader.ClippedSamples();
        const uint32_t n
                = reader.Read(block, uint32_t(std::min<uint64_t>(blockFrames, end - frame)));
        if (n == 0)
            break;
        out[column].clipped += uint32_t(reader.ClippedSamples() - clippedBefore);
        Fold(block, n, channels, fresh, out[column]);
        fresh = false;
        frame += n;
        while (frame == end && column < columns) {
            end = first(++column + 1);
            fresh = true;
        }
        if (progress && column >= reported + 8) {
            reported = column;
            if (!progress(column))
                return AudioError::Cancelled;
        }
    }
    return progress && !progress(columns) ? AudioError::Cancelled : AudioError::None;
}
