// The waveform of a file at any zoom: for each column, the smallest and largest of the 16-bit
// samples the conversion writes for the frames the column stands for, and how many of them the
// conversion clips, so that clipping and silence show as they will be imported. Mono and
// stereo get a lane per channel; more channels share one lane, their combined envelope.
//
// One pass over the file (CWaveformOverview::Compute) builds a summary: the same figures for
// every block of frames, and for every run of blocks at coarser resolutions. Any view of
// columns of a block or more is folded from it without reading the file again; finer views
// are read from the file (CWaveformReader).
#pragma once

#include "audio_library_binding.h"
#include "sixteen_bit_reader.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct OverviewColumn
{
    int16_t min[2] = {0, 0};
    int16_t max[2] = {0, 0};
    uint32_t clipped = 0; // samples held at the limits of 16 bits
};

// A view: `columns` columns over the frames [first, first + span). Column c covers the
// stretch [c * span / columns, (c + 1) * span / columns) of them and stands for the frames
// that begin in it, [Begin(c), End(c)); where frames are wider than columns, for the one frame
// it lies in, so that a frame is then a column or more wide.
struct WaveformSpan
{
    uint64_t first = 0, span = 0;
    uint32_t columns = 0;

    uint64_t Begin(uint64_t c) const
    {
        return first + (span >= columns ? (c * span + columns - 1) / columns : c * span / columns);
    }
    uint64_t End(uint64_t c) const { return span >= columns ? Begin(c + 1) : Begin(c) + 1; }
    bool operator==(const WaveformSpan &) const = default;
};

class CWaveformSummary
{
public:
    // A block is the smallest power of two of frames that keeps the file's length, as its
    // reader promises it (and never reads past), within this many blocks. At 12 bytes a block
    // (and a fifteenth more for the coarser levels) the summary holds at most 13 MB: 7.9 MB for
    // four hours at 44.1 kHz, in blocks of 1024 frames.
    static constexpr uint64_t kMaxBlocks = uint64_t(1) << 20;
    // Each coarser level folds this many entries of the level below.
    static constexpr uint32_t kFanOut = 16;

    CWaveformSummary() = default;
    CWaveformSummary(const CWaveformSummary &) = delete;
    CWaveformSummary &operator=(const CWaveformSummary &) = delete;

    // Empties the summary for a file of `frames` frames (as its header promises) in `lanes`
    // lanes, with blocks for at most `maxBlocks` of them.
    void Reset(uint32_t lanes, uint64_t frames, uint64_t maxBlocks = kMaxBlocks);
    // Adds the next `count` blocks of the file, which end `frames` frames in, and the peak
    // (FoldPeak's) of the file's values up to there.
    void Append(const OverviewColumn *blocks, size_t count, uint64_t frames, float peak = 0);

    uint32_t Lanes() const { return m_lanes; }
    uint64_t BlockFrames() const;
    // Frames summarised so far.
    uint64_t Frames() const;
    // Samples clipped in the whole file, and the largest magnitude of any sample, so far.
    uint64_t Clipped() const;
    int Peak() const;
    // The largest magnitude of the values before they are brought to 16 bits, as the level
    // chain takes them (FoldPeak's): what normalising the whole file brings to its level.
    float ValuePeak() const;
    // Bytes the summary holds.
    size_t Bytes() const;

    // Fills the columns of `view` and returns how many of them, from the first, the summary
    // holds yet; nothing, leaving `out` as it was, while the pass is adding to the summary at
    // that very moment, so that a window never waits for a thread that may be slow to run.
    // `exact` says whether the summary alone gives them, as it does where a column spans a
    // block or more (or blocks are single frames): a column then stands for the whole blocks
    // that begin in its share, so that every block is in exactly one column. Otherwise each
    // column folds the blocks its share touches: the shape at the summary's resolution, until
    // the file's own samples are read.
    std::optional<uint32_t> Columns(const WaveformSpan &view, std::vector<OverviewColumn> &out,
                                    bool &exact) const;

private:
    OverviewColumn Fold(uint64_t first, uint64_t end) const; // blocks [first, end)
    void AddToLevels(size_t level);

    // Written by the pass that reads the file while the window draws from it.
    mutable std::mutex m_lock;
    std::atomic<uint32_t> m_lanes = 1;
    uint64_t m_blockFrames = 1;
    uint64_t m_frames = 0;
    uint64_t m_clipped = 0;
    int m_peak = 0;
    float m_valuePeak = 0;
    std::vector<std::vector<OverviewColumn>> m_levels
            = std::vector<std::vector<OverviewColumn>>(1); // finest first
};

class CWaveformOverview
{
public:
    static uint32_t LanesFor(uint32_t channels) { return channels == 2 ? 2 : 1; }

    // Called after each run of blocks with how many frames are summarised; false stops.
    using Progress = std::function<bool(uint64_t framesDone)>;

    // Reads `path` once into `summary` (reset first, with `maxBlocks`), the values' peak with
    // it. Returns None, the
    // binding's code for a file that cannot be read, or Cancelled.
    static AudioError Compute(const std::string &path, CWaveformSummary &summary,
                              const Progress &progress,
                              uint64_t maxBlocks = CWaveformSummary::kMaxBlocks);
};

// Reads a view's columns from the file itself, for views finer than the summary. It keeps the
// file open and where it stopped, so that a codec that cannot seek (GSM 6.10, G721, G723)
// reads on from there, and from the start only for a view before it.
class CWaveformReader
{
public:
    explicit CWaveformReader(std::string path)
        : m_path(std::move(path))
    { }
    // Fills the columns of `view`, each folding exactly the frames it stands for. False where
    // the file cannot be read that far, or once `goOn` says to stop.
    bool Read(const WaveformSpan &view, std::vector<OverviewColumn> &out,
              const std::function<bool()> &goOn);

private:
    bool MoveTo(uint64_t frame, const std::function<bool()> &goOn);

    std::string m_path;
    CSixteenBitReader m_reader;
    bool m_open = false;
    uint64_t m_at = 0; // the frame the next read starts at
    std::vector<int16_t> m_samples;
};
