// CAudioFileInfo::Convert: writes the input as a 16-bit PCM WAV file, every value
// brought from the input's width to 16 bits by a power of two. The output is written to a
// temporary file in its folder and put in place only when complete, so a failed or
// interrupted conversion leaves whatever stood at the output path as it was.
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
// Samples per block of a conversion.
constexpr uint32_t kBlockValues = 8192;

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

bool CAudioFileInfo::ConvertFrom(CSixteenBitReader &input)
{
    m_outcome = Outcome{};
    m_trouble = orvex::OutputTrouble{};
    m_info = input.GetInfo();
    const orvex::InputExtent extent = input.Extent();
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

    const bool completed = CopySamples(m_hOutput, input);
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

bool CAudioFileInfo::CopySamples(AudioHandle *output, CSixteenBitReader &input)
{
    const uint32_t channels = m_info.channels;
    // Blocks of whole frames, as large as a few pages: large reads and writes are cheap.
    const uint32_t block = std::max<uint32_t>(kBlockValues / channels, 1);
    // Left uninitialised: the reads fill what is written.
    const std::unique_ptr<int16_t[]> samples(new int16_t[size_t(block) * channels]);
    uint64_t frames = 0, nextCall = kFramesPerProgressCall;
    for (;;) {
        const uint32_t n = input.Read(samples.get(), block);
        frames += AudioWriteSamples(output, samples.get(), n * channels) / channels;
        m_outcome.framesWritten = frames;
        m_outcome.clippedSamples = input.ClippedSamples();
        if (m_progress && (frames >= nextCall || n != block)) {
            nextCall = frames + kFramesPerProgressCall;
            if (!m_progress(frames, m_outcome.framesDescribed))
                return false;
        }
        if (n != block)
            return true;
    }
}
