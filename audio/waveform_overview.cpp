// The waveform's summary, the pass that builds it and the reads finer than it (see
// waveform_overview.h).
#include "waveform_overview.h"

#include <algorithm>
#include <array>
#include <span>

#if defined(__SSE2__)
#    include <emmintrin.h>
#endif

namespace {

// Values per read: a few pages, as the conversion reads.
constexpr uint32_t kRunValues = 8192;
// Running minima and maxima a fold keeps: a vector register's 16-bit values.
constexpr uint32_t kFoldLanes = 8;

// Folds `frames` interleaved frames into a column: per channel for stereo, all channels
// together otherwise. A column's first frames set it rather than widen it. kFoldLanes running
// minima and maxima, which the compiler keeps in vector registers, take the samples in
// their interleaved order (vectorised by hand where the compiler would not); for stereo the
// even ones are the left channel's.
void Fold(const int16_t *samples, uint32_t frames, uint32_t channels, bool first,
          OverviewColumn &col)
{
    const uint32_t count = frames * channels;
    std::array<int16_t, kFoldLanes> lo, hi;
    lo.fill(INT16_MAX);
    hi.fill(INT16_MIN);
    uint32_t i = 0;
#if defined(__SSE2__)
    static_assert(sizeof lo == sizeof(__m128i));
    __m128i vlo = _mm_set1_epi16(INT16_MAX), vhi = _mm_set1_epi16(INT16_MIN);
    for (; i + kFoldLanes <= count; i += kFoldLanes) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(samples + i));
        vlo = _mm_min_epi16(vlo, v);
        vhi = _mm_max_epi16(vhi, v);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i *>(lo.data()), vlo);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(hi.data()), vhi);
#else
    for (; i + kFoldLanes <= count; i += kFoldLanes)
        for (uint32_t k = 0; k < kFoldLanes; ++k) {
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
        for (uint32_t k = lane; k < kFoldLanes; k += lanes) {
            low = std::min(low, lo[k]);
            high = std::max(high, hi[k]);
        }
        col.min[lane] = low;
        col.max[lane] = high;
    }
}

// Widens `into` by `col`, or sets it to `col` when it is the first.
void Merge(OverviewColumn &into, const OverviewColumn &col, bool first)
{
    if (first) {
        into = col;
        return;
    }
    for (int lane = 0; lane < 2; ++lane) {
        into.min[lane] = std::min(into.min[lane], col.min[lane]);
        into.max[lane] = std::max(into.max[lane], col.max[lane]);
    }
    into.clipped
            = col.clipped > UINT32_MAX - into.clipped ? UINT32_MAX : into.clipped + col.clipped;
}

uint64_t RunFrames(uint32_t channels)
{
    return kRunValues / channels; // at most 1024 channels
}

// Gives the samples that a read of several blocks clipped to the blocks that hold them: the
// blocks are read again one by one. Where the input cannot go back, they go to the first
// block that reaches a limit of 16 bits, where a clipped sample is held.
void Attribute(CSixteenBitReader &reader, uint64_t frame, uint64_t frames, uint64_t block,
               uint32_t clipped, std::vector<OverviewColumn> &blocks, int16_t *samples)
{
    if (blocks.size() > 1 && reader.Seek(frame)) {
        for (uint64_t at = 0; at < frames; at += block) {
            const uint64_t before = reader.ClippedSamples();
            reader.Read(samples, uint32_t(std::min(block, frames - at)));
            blocks[at / block].clipped = uint32_t(reader.ClippedSamples() - before);
        }
        return;
    }
    auto atLimit = [](const OverviewColumn &b) {
        return std::min(b.min[0], b.min[1]) == INT16_MIN
                || std::max(b.max[0], b.max[1]) == INT16_MAX;
    };
    const auto holder = std::find_if(blocks.begin(), blocks.end(), atLimit);
    (holder == blocks.end() ? blocks.front() : *holder).clipped = clipped;
}

} // namespace

// ---- The summary -------------------------------------------------------------------------

void CWaveformSummary::Reset(uint32_t lanes, uint64_t frames, uint64_t maxBlocks)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_lanes = lanes;
    m_blockFrames = 1;
    while ((frames + m_blockFrames - 1) / m_blockFrames > std::max<uint64_t>(maxBlocks, 1))
        m_blockFrames *= 2;
    m_frames = m_clipped = 0;
    m_peak = 0;
    m_valuePeak = 0;
    m_levels.assign(1, {});
    // Room for the promised length at once: a vector that grows by doubling holds up to
    // twice what it needs.
    m_levels[0].reserve((frames + m_blockFrames - 1) / m_blockFrames);
}

void CWaveformSummary::Append(const OverviewColumn *blocks, size_t count, uint64_t frames,
                              float peak)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_valuePeak = std::max(m_valuePeak, peak);
    for (const OverviewColumn &block : std::span(blocks, count)) {
        m_levels[0].push_back(block);
        AddToLevels(0);
        m_clipped += block.clipped;
        m_peak = std::max({m_peak, -int(block.min[0]), -int(block.min[1]), int(block.max[0]),
                           int(block.max[1])});
    }
    m_frames = frames;
}

void CWaveformSummary::AddToLevels(size_t level)
{
    if (m_levels[level].size() % kFanOut != 0)
        return;
    OverviewColumn run;
    const auto last = m_levels[level].end() - kFanOut;
    for (auto it = last; it != m_levels[level].end(); ++it)
        Merge(run, *it, it == last);
    if (m_levels.size() == level + 1) { // room for all it will hold, as for the finest
        m_levels.emplace_back();
        m_levels.back().reserve(m_levels[level].capacity() / kFanOut);
    }
    m_levels[level + 1].push_back(run);
    AddToLevels(level + 1);
}

uint64_t CWaveformSummary::BlockFrames() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_blockFrames;
}

uint64_t CWaveformSummary::Frames() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_frames;
}

uint64_t CWaveformSummary::Clipped() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_clipped;
}

int CWaveformSummary::Peak() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_peak;
}

float CWaveformSummary::ValuePeak() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_valuePeak;
}

size_t CWaveformSummary::Bytes() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    size_t bytes = 0;
    for (const std::vector<OverviewColumn> &level : m_levels)
        bytes += level.capacity() * sizeof(OverviewColumn);
    return bytes;
}

OverviewColumn CWaveformSummary::Fold(uint64_t first, uint64_t end) const
{
    // The coarsest entries that fit, so that a column costs a few entries per level.
    OverviewColumn column;
    for (bool fresh = true; first < end; fresh = false) {
        size_t level = 0;
        uint64_t step = 1;
        while (level + 1 < m_levels.size() && first % (step * kFanOut) == 0
               && first + step * kFanOut <= end
               && first / (step * kFanOut) < m_levels[level + 1].size()) {
            step *= kFanOut;
            ++level;
        }
        Merge(column, m_levels[level][first / step], fresh);
        first += step;
    }
    return column;
}

std::optional<uint32_t> CWaveformSummary::Columns(const WaveformSpan &view,
                                                  std::vector<OverviewColumn> &out,
                                                  bool &exact) const
{
    std::unique_lock<std::mutex> hold(m_lock, std::try_to_lock);
    if (!hold.owns_lock())
        return std::nullopt;
    exact = m_blockFrames == 1 || (view.columns > 0 && view.span / view.columns >= m_blockFrames);
    out.assign(view.columns, OverviewColumn{});
    const uint64_t block = m_blockFrames, held = m_levels[0].size();
    for (uint32_t c = 0; c < view.columns; ++c) {
        const uint64_t first = exact ? (view.Begin(c) + block - 1) / block : view.Begin(c) / block;
        const uint64_t end = (view.End(c) + block - 1) / block;
        if (end > held)
            return c;
        out[c] = Fold(first, end);
    }
    return view.columns;
}

// ---- The pass ----------------------------------------------------------------------------

AudioError CWaveformOverview::Compute(const std::string &path, CWaveformSummary &summary,
                                      const Progress &progress, uint64_t maxBlocks)
{
    CSixteenBitReader reader;
    if (AudioError e = reader.Open(path); e != AudioError::None) {
        summary.Reset(1, 0);
        return e;
    }
    const uint32_t channels = reader.GetInfo().channels;
    summary.Reset(LanesFor(channels), reader.GetInfo().samples, maxBlocks);
    const uint64_t run = RunFrames(channels);
    std::vector<int16_t> samples(run * channels);
    std::vector<OverviewColumn> blocks;
    OverviewColumn pending; // of a block longer than a read
    uint64_t frame = 0, pendingFrames = 0;
    float peak = 0; // of the values, for normalising
    const uint64_t block = summary.BlockFrames();
    for (;;) {
        // A read of part of a block ends where the block does, and one of several blocks holds
        // them whole, so that the samples it clipped are its blocks'.
        const uint64_t want
                = block >= run ? std::min(run, block - pendingFrames) : run / block * block;
        const uint64_t clippedBefore = reader.ClippedSamples();
        const uint32_t n = reader.Read(samples.data(), uint32_t(want), &peak);
        const auto clipped = uint32_t(reader.ClippedSamples() - clippedBefore);
        blocks.clear();
        if (block >= run) {
            if (n > 0) {
                Fold(samples.data(), n, channels, pendingFrames == 0, pending);
                pending.clipped += clipped;
                pendingFrames += n;
            }
            if (pendingFrames == block || (n < want && pendingFrames > 0)) {
                blocks.push_back(pending);
                pending = OverviewColumn{};
                pendingFrames = 0;
            }
        } else if (n > 0) {
            for (uint64_t at = 0; at < n; at += block)
                Fold(samples.data() + at * channels, uint32_t(std::min<uint64_t>(block, n - at)),
                     channels, true, blocks.emplace_back());
            if (clipped > 0)
                Attribute(reader, frame, n, block, clipped, blocks, samples.data());
        }
        frame += n;
        if (!blocks.empty())
            summary.Append(blocks.data(), blocks.size(), frame, peak);
        if (n < want) // the data ends
            break;
        if (progress && !progress(frame))
            return AudioError::Cancelled;
    }
    return progress && !progress(frame) ? AudioError::Cancelled : AudioError::None;
}

// ---- Reads finer than the summary --------------------------------------------------------

bool CWaveformReader::MoveTo(uint64_t frame, const std::function<bool()> &goOn)
{
    if (m_open && (m_at == frame || m_reader.Seek(frame))) {
        m_at = frame;
        return true;
    }
    if (!m_open || frame < m_at) {
        m_open = m_reader.Open(m_path) == AudioError::None;
        m_at = 0;
        if (!m_open)
            return false;
        if (m_reader.Seek(frame)) {
            m_at = frame;
            return true;
        }
    }
    // A codec that cannot seek is read up to the frame.
    const uint64_t run = RunFrames(m_reader.GetInfo().channels);
    m_samples.resize(run * m_reader.GetInfo().channels);
    while (m_at < frame) {
        const uint32_t n = goOn()
                ? m_reader.Read(m_samples.data(), uint32_t(std::min(run, frame - m_at)))
                : 0;
        if (n == 0)
            return false;
        m_at += n;
    }
    return true;
}

bool CWaveformReader::Read(const WaveformSpan &view, std::vector<OverviewColumn> &out,
                           const std::function<bool()> &goOn)
{
    out.assign(view.columns, OverviewColumn{});
    if (view.span == 0 || !MoveTo(view.first, goOn))
        return false;
    const uint32_t channels = m_reader.GetInfo().channels;
    const uint64_t run = RunFrames(channels);
    m_samples.resize(run * channels);
    for (uint32_t c = 0; c < view.columns; ++c) {
        if (c > 0 && view.Begin(c) == view.Begin(c - 1)) { // the same frame, a column further
            out[c] = out[c - 1];
            continue;
        }
        // The shares follow each other, so the reader stands at this one's first frame.
        for (bool fresh = true; m_at < view.End(c); fresh = false) {
            const uint64_t before = m_reader.ClippedSamples();
            const uint32_t n = goOn()
                    ? m_reader.Read(m_samples.data(), uint32_t(std::min(run, view.End(c) - m_at)))
                    : 0;
            if (n == 0)
                return false;
            Fold(m_samples.data(), n, channels, fresh, out[c]);
            out[c].clipped += uint32_t(m_reader.ClippedSamples() - before);
            m_at += n;
        }
    }
    return true;
}
