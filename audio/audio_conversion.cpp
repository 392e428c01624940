// CAudioFileInfo::Convert: writes the input as a 16-bit PCM WAV file, every value
// brought from the input's width to 16 bits by the level chain (by a power of two, unless a
// gain, a normalisation or dither is chosen). The output is written to a temporary file in
// its folder and put in place only when complete, so a failed or interrupted conversion
// leaves whatever stood at the output path as it was.
#include "audio_file_info.h"
#include "audio_handle.h"
#include "output_placement.h"
#include "sixteen_bit_reader.h"
#include "wav_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

namespace {

// Frames that pass between two calls of the progress handler: a few milliseconds of work,
// so that a cancellation is seen at once and the calls cost nothing.
constexpr uint64_t kFramesPerProgressCall = 16384;
// Samples per block of a conversion: enough for several whole ADPCM blocks and few calls,
// few enough for the processor's cache (measured fastest for plain values and ADPCM alike).
constexpr uint32_t kBlockValues = 32768;

} // namespace

// ---------------------------------------------------------------- conversion

bool CAudioFileInfo::Convert()
{
    m_outcome = Outcome{};
    CloseSlot(m_hInput);
    CSixteenBitReader input;
    if (AudioError e = input.Open(m_strInputPath); e != AudioError::None) {
        m_info = AudioInfo{};
        return Fail(e, false);
    }
    return ConvertFrom(input);
}

uint64_t FramePlace::Frame(uint32_t rate) const
{
    if (!isTime)
        return value;
    // Whole seconds and the rest apart, so that nothing overflows: the nearest frame.
    const uint64_t seconds = value / 1000000000, rest = value % 1000000000;
    return seconds * rate + (rest * rate + 500000000) / 1000000000;
}

bool CAudioFileInfo::ResolveRange(const orvex::InputExtent &extent, uint64_t &first, uint64_t &end)
{
    const uint32_t rate = m_info.sampleRate;
    first = m_range->start.Frame(rate);
    end = m_range->end        ? m_range->end->Frame(rate)
            : m_range->length ? first + m_range->length->Frame(rate)
                              : extent.promised;
    const std::string from = DurationText(first, rate), to = DurationText(end, rate);
    std::string why;
    if (end < first)
        why = "The part ends (" + to + ") before it starts (" + from + ").";
    else if (end == first)
        why = "The part from " + from + " to " + to + " holds no frames.";
    else if (!extent.unknown && end > extent.promised)
        why = "The part from " + from + " to " + to + " goes past the end of the file, at "
                + DurationText(extent.promised, rate) + ".";
    if (why.empty())
        return true;
    m_outcome.code = AudioError::RangeOutside;
    m_outcome.explanation = why;
    return false;
}

bool CAudioFileInfo::ConvertFrom(CSixteenBitReader &input)
{
    m_outcome = Outcome{};
    m_trouble = orvex::OutputTrouble{};
    m_info = input.GetInfo();
    orvex::InputExtent extent = input.Extent();
    uint64_t first = 0, end = UINT64_MAX;
    if (m_range && !ResolveRange(extent, first, end))
        return false;
    if (m_range) {
        // The part is what the output holds, and what may end early.
        extent.promised = end - first;
        extent.held = std::min(extent.held, end) - std::min(extent.held, first);
    }
    // A stream whose length no header states is read to its end, and then the writer's own
    // limit is the only one. Otherwise the output holds the frames the input's bytes hold,
    // which the header written first states where it cannot be written again (a pipe).
    const bool lengthKnown = !extent.unknown;
    const uint64_t dataBytes = extent.held * m_info.channels * 2;
    m_outcome.framesDescribed = extent.promised;
    m_outcome.framesHeld = extent.held;

    // The output's description: 16-bit PCM WAV at the input's rate and channels.
    m_info.format = AudioFormatWord(FormatKind::WAV, SampleEncoding::PCM);
    m_info.bitWidth = 16;
    m_info.samples = lengthKnown ? uint32_t(std::min<uint64_t>(extent.held, UINT32_MAX)) : 0;

    orvex::OutputPlacement placement;
    AudioError refusal = lengthKnown && dataBytes > orvex::kWavMaxDataBytes
            ? AudioError::OutputTooLarge
            : placement.Prepare(m_strInputPath, m_strOutputPath);
    m_trouble = placement.Trouble();
    const bool refusedBeforeOpening = refusal != AudioError::None;
    if (!refusedBeforeOpening) {
        // A normalisation's first reading comes once the output is known to be possible.
        if (!ResolveLevel(input, first, end))
            return false;
        m_hOutput = AudioOpenWrite(placement.WritePath(), m_info);
        m_trouble.error = m_hOutput ? 0 : errno;
        refusal = m_hOutput ? AudioError::None : AudioLastError();
    }
    if (refusal != AudioError::None) {
        // An output refused for what it is (the input itself, too large) was never opened.
        if (m_diagnostics && (refusal == AudioError::OpenFailed || !refusedBeforeOpening)) {
            std::fprintf(m_diagnostics, "Not able to open output file %s.\n",
                         m_strOutputPath.c_str());
            std::fflush(m_diagnostics);
        }
        return Fail(refusal, true);
    }

    // The start is found by seeking where the input can; else, as a codec whose every frame
    // depends on those before it must be, by reading up to it.
    uint64_t skipped = first;
    if (first > 0 && input.Seek(first))
        skipped = 0;
    const bool completed = (skipped == 0 || CopySamples(nullptr, input, skipped))
            && CopySamples(m_hOutput, input, end - first);
    input.Close();
    // The output's close writes what is buffered and its final header; a failure of
    // any write since its creation shows here.
    const AudioError written = static_cast<AudioError>(AudioClose(m_hOutput));
    m_hOutput = nullptr;
    if (!completed)
        return Fail(AudioError::Cancelled, true);
    const AudioError placed = written != AudioError::None ? written : placement.Commit();
    m_trouble = placement.Trouble();
    if (placed != AudioError::None)
        return Fail(placed, true);
    if (!lengthKnown)
        m_outcome.framesDescribed = m_outcome.framesHeld = m_outcome.framesWritten;
    return true;
}

bool CAudioFileInfo::ResolveLevel(CSixteenBitReader &input, uint64_t first, uint64_t end)
{
    const bool measure = m_level.normalizeDbfs && !m_knownPeak;
    m_progressBefore = 0;
    m_progressTotal = m_outcome.framesDescribed * (measure ? 2 : 1);
    float peak = m_knownPeak ? float(*m_knownPeak) : 0.0f;
    if (m_level.normalizeDbfs) {
        if (measure && input.Extent().stream) {
            m_outcome.code = AudioError::SeekFailed;
            m_outcome.explanation = "Normalising reads the input twice, and this one is a pipe, "
                                    "which can be read once: give the file itself.";
            return false;
        }
        if (measure) {
            // The part's peak, then back to its start: by seeking, or by opening it again.
            uint64_t skipped = first;
            if (first > 0 && input.Seek(first))
                skipped = 0;
            if (!(skipped == 0 || CopySamples(nullptr, input, skipped))
                || !CopySamples(nullptr, input, end - first, &peak))
                return Fail(AudioError::Cancelled, true);
            if (!input.Seek(first) && !input.Rewind())
                return Fail(AudioError::SeekFailed, false);
            m_progressBefore = m_outcome.framesDescribed;
        }
        m_outcome.peak = peak;
        m_outcome.silent = peak == 0;
    }
    const SixteenBitLevel level = LevelFor(m_level, peak);
    m_outcome.gain = level.gain;
    input.SetLevel(level);
    return true;
}

bool CAudioFileInfo::CopySamples(AudioHandle *output, CSixteenBitReader &input, uint64_t frames,
                                 float *peak)
{
    const uint32_t channels = m_info.channels;
    // Blocks of whole frames, as large as a few pages: large reads and writes are cheap.
    const uint32_t block = std::max<uint32_t>(kBlockValues / channels, 1);
    // Left uninitialised: the reads fill what is written.
    const std::unique_ptr<int16_t[]> samples(new int16_t[size_t(block) * channels]);
    // Samples clipped before the part count for none of it; without an output the frames
    // are read to be skipped.
    const uint64_t clippedBefore = input.ClippedSamples();
    uint64_t done = 0, nextCall = kFramesPerProgressCall;
    for (;;) {
        const auto want = static_cast<uint32_t>(std::min<uint64_t>(block, frames - done));
        const uint32_t n = want ? input.Read(peak ? nullptr : samples.get(), want, peak) : 0;
        done += output ? AudioWriteSamples(output, samples.get(), n * channels) / channels : n;
        if (output) {
            m_outcome.framesWritten = done;
            m_outcome.clippedSamples = input.ClippedSamples() - clippedBefore;
        }
        if (m_progress && (done >= nextCall || n != want || done == frames)) {
            nextCall = done + kFramesPerProgressCall;
            if (!m_progress(m_progressBefore + (output || peak ? done : 0), m_progressTotal))
                return false;
        }
        if (n != want || done == frames)
            return true; // the part, or the data, ended
    }
}
