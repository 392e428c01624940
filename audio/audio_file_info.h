// CAudioFileInfo: the description of one audio file (its format, sample rate, length,
// channels and bit width as display texts) and its conversion to a 16-bit PCM WAV file.
// It owns the binding handles it opens.
#pragma once

#include "audio_library_binding.h"

#include <cstdint>
#include <string>

class CAudioFileInfo
{
public:
    CAudioFileInfo();
    virtual ~CAudioFileInfo();
    CAudioFileInfo(const CAudioFileInfo &) = delete;
    CAudioFileInfo &operator=(const CAudioFileInfo &) = delete;

    void SetInputPath(std::string path);
    void SetOutputPath(std::string path);

    // Opens the input and fills the five texts; false (texts unchanged, no input held)
    // when the path is empty or the binding cannot open the file.
    bool Describe();

    // Writes the input as a 16-bit PCM WAV file at the output path.
    bool Convert();

    // What the binding last reported: the input after Describe, the output after Convert.
    const AudioInfo &GetInfo() const { return m_info; }

    // Why the last Describe or Convert failed (None after a success, or when Describe
    // had no path to open), and how many float samples the last Convert clipped, for
    // callers that tell the user more than success or failure.
    struct Outcome
    {
        AudioError code = AudioError::None;
        bool onOutput = false; // the code concerns the output path, not the input
        uint64_t clippedSamples = 0;
    };
    const Outcome &GetOutcome() const { return m_outcome; }

    // The five display texts, read directly by the window after a successful Describe.
    std::string m_strFormat;
    std::string m_strBitWidth;
    std::string m_strChannels;
    std::string m_strSamples;
    std::string m_strSampleRate;

private:
    void FillDescription();
    void CopySamples(AudioHandle *output, AudioHandle *input, uint32_t samplesPerBlock,
                     double scale);
    // Closes the handle in `slot`, if any, and empties the slot.
    static void CloseSlot(AudioHandle *&slot);

    std::string m_strOutputPath;
    std::string m_strInputPath;
    AudioHandle *m_hInput = nullptr;
    AudioHandle *m_hOutput = nullptr;
    AudioInfo m_info;
    Outcome m_outcome;
    bool m_clampToSixteenBits = false; // float input: hold scaled values within 16 bits
};
