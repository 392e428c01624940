// CAudioFileInfo: the description of one audio file (its format, sample rate, length,
// channels and bit width as display texts) and its conversion to a 16-bit PCM WAV file.
// It owns the binding handles it opens.
#pragma once

#include "audio_library_binding.h"
#include "level.h"
#include "output_placement.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

// A count with its thousands set apart, as the window and orvex-cli show counts: "12,624".
std::string GroupedDecimal(uint64_t value);

// How long `frames` last at `rate`, in milliseconds rounded to the nearest (0 at no rate).
uint64_t DurationMilliseconds(uint64_t frames, uint32_t rate);
// How long `frames` last at `rate`, to the millisecond or to `decimals` places of a second
// (up to nine): "3:25.120", "1:02:03.004", "0:02.99088".
std::string DurationText(uint64_t frames, uint32_t rate, int decimals = 3);
// The fewest decimals of a second that tell every frame at `rate` apart: a time shown with
// them has that frame as its nearest.
int DecimalsForFrames(uint32_t rate);

class CSixteenBitReader;
namespace orvex {
struct InputExtent;
}

// A place in a file: a frame, or a time that the file's rate turns into the nearest frame.
struct FramePlace
{
    uint64_t value = 0; // frames, or nanoseconds when `isTime`
    bool isTime = false;
    uint64_t Frame(uint32_t rate) const;
};

// A part of a file to convert: from `start` up to `end`, or for `length`; neither: to the
// file's end.
struct FrameRange
{
    FramePlace start;
    std::optional<FramePlace> end, length;
};

class CAudioFileInfo
{
public:
    CAudioFileInfo();
    virtual ~CAudioFileInfo();
    CAudioFileInfo(const CAudioFileInfo &) = delete;
    CAudioFileInfo &operator=(const CAudioFileInfo &) = delete;

    void SetInputPath(std::string path);
    void SetOutputPath(std::string path);

    // Opens the input and fills the description's texts; false (texts unchanged, no input held)
    // when the path is empty or the binding cannot open the file.
    bool Describe();

    // Writes the input as a 16-bit PCM WAV file at the output path.
    bool Convert();
    // The same from an input that is already open, from where it stands; the input path
    // still names the file, if any, that the output must not replace.
    bool ConvertFrom(CSixteenBitReader &input);

    // The part of the input that Convert writes, a frame range of its conversion of the whole
    // byte for byte; none: the whole input. A part that is empty, reversed or beyond the
    // input's end fails the conversion (AudioError::RangeOutside) before any output exists.
    void SetFrameRange(std::optional<FrameRange> range) { m_range = std::move(range); }

    // The level of what Convert writes: as it is (the default), a gain, or the peak of what
    // is converted normalised to a level; dither or not.
    void SetLevel(const LevelChoice &choice) { m_level = choice; }
    // The peak (FoldPeak's) of what Convert writes, the part if one is set, where the caller
    // has measured it (the window's overview): normalising then reads the input once. Without
    // it, Convert reads what it converts twice, first for the peak: the input must be a file,
    // not a pipe (AudioError::SeekFailed).
    void SetKnownPeak(std::optional<double> peak) { m_knownPeak = peak; }

    // Called by Convert after each block with the frames written so far and the frames
    // the input describes; returning false cancels the conversion, which then leaves
    // nothing behind and fails with AudioError::Cancelled. Runs on Convert's thread.
    // Where Convert reads the frames twice (normalising without a known peak), the total
    // counts them twice, and the first reading's frames come before those written.
    using ProgressHandler = std::function<bool(uint64_t framesDone, uint64_t framesTotal)>;
    void SetProgressHandler(ProgressHandler handler) { m_progress = std::move(handler); }

    // Where Convert says "Not able to open output file PATH." when the output cannot be
    // created: standard output unless set (null: nowhere).
    void SetDiagnosticStream(std::FILE *stream) { m_diagnostics = stream; }

    // What the binding last reported: the input after Describe, the output after Convert.
    const AudioInfo &GetInfo() const { return m_info; }

    // Why the last Describe or Convert failed (None after a success, or when Describe
    // had no path to open), in the binding's code and in plain words, and what the last
    // Convert did that the user should know: clipped float samples, an input that ended
    // before its described length.
    struct Outcome
    {
        AudioError code = AudioError::None;
        bool onOutput = false; // the code concerns the output path, not the input
        std::string detected; // what a refused file is ("MP3"), when its bytes say so
        std::string explanation; // a plain sentence on the failure, or empty
        uint64_t clippedSamples = 0;
        uint64_t framesWritten = 0;
        // The frames the input's header promised (more than it holds, in a file cut short),
        // and those its bytes hold: after Describe and Convert.
        uint64_t framesDescribed = 0;
        uint64_t framesHeld = 0;
        // After Convert: the peak of what was converted where normalising measured it (or was
        // given it), at 16-bit scale; the gain applied; and whether normalising found
        // nothing but silence, which it left as it was.
        std::optional<double> peak;
        double gain = 1.0;
        bool silent = false;
    };
    const Outcome &GetOutcome() const { return m_outcome; }

    // The five display texts, read directly by the window after a successful Describe.
    std::string m_strFormat;
    std::string m_strBitWidth;
    std::string m_strChannels;
    std::string m_strSamples;
    std::string m_strSampleRate;
    // Two more texts of the description: the encoding in words, and the duration.
    std::string m_strEncoding;
    std::string m_strDuration;

private:
    void FillDescription();
    // Fails the last Describe or Convert with `code`, and explains it.
    bool Fail(AudioError code, bool onOutput);
    // Copies at most `frames` frames; false when the progress handler cancelled the copy.
    // Without an output the frames are read to be skipped or, given `peak`, measured.
    bool CopySamples(AudioHandle *output, CSixteenBitReader &input, uint64_t frames,
                     float *peak = nullptr);
    // The level of the part from `first` to `end`: the chosen gain, or the one that
    // normalises its peak, which it measures where it is not known, leaving the input at
    // `first` again. False, with the conversion failed, where it cannot.
    bool ResolveLevel(CSixteenBitReader &input, uint64_t first, uint64_t end);
    // The first and the end frame of the part to convert, checked against the input; false,
    // with the conversion failed, when the part is not one of the input's.
    bool ResolveRange(const orvex::InputExtent &extent, uint64_t &first, uint64_t &end);
    // Closes the handle in `slot`, if any, and empties the slot.
    static void CloseSlot(AudioHandle *&slot);

    std::string m_strOutputPath;
    std::string m_strInputPath;
    AudioHandle *m_hInput = nullptr;
    AudioHandle *m_hOutput = nullptr;
    AudioInfo m_info;
    Outcome m_outcome;
    ProgressHandler m_progress;
    std::FILE *m_diagnostics = stdout;
    orvex::OutputTrouble m_trouble; // why the last output could not be made
    std::optional<FrameRange> m_range;
    LevelChoice m_level;
    std::optional<double> m_knownPeak;
    // Progress over two readings: the frames of the readings before this one, and of all.
    uint64_t m_progressBefore = 0, m_progressTotal = 0;
};
