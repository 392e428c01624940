// CSixteenBitReader: an input read as the 16-bit samples its conversion writes, each value
// brought from the input's width by a power of two, floats held within 16 bits, then
// truncated toward zero. The conversion, the waveform overview and the player all read
// through it, so what the user sees and hears is what will be imported.
#pragma once

#include "audio_library_binding.h"
#include "input_extent.h"

#include <cstdint>
#include <string>

class CSixteenBitReader
{
public:
    CSixteenBitReader() = default;
    ~CSixteenBitReader() { Close(); }
    CSixteenBitReader(const CSixteenBitReader &) = delete;
    CSixteenBitReader &operator=(const CSixteenBitReader &) = delete;

    // Opens the input (AudioOpenRead's path); None, or the binding's code.
    AudioError Open(const std::string &path);
    // Opens `size` bytes at `bytes`, which must outlive the reader; `name` stands for the
    // file's name where recognition looks at it.
    AudioError OpenMemory(const void *bytes, size_t size, const std::string &name);
    void Close();
    // The input as the binding describes it.
    const AudioInfo &GetInfo() const { return m_info; }

    // Reads up to `frames` frames, interleaved, into `out`; fewer only where the data ends
    // (or its bytes run out), and 0 after that.
    uint32_t Read(int16_t *out, uint32_t frames)
    {
        return AudioReadSixteen(m_handle, out, frames * m_info.channels, &m_clipped)
                / m_info.channels;
    }
    // Moves to `frame`, where the next Read starts; false where the input cannot seek.
    bool Seek(uint64_t frame) { return AudioSeekFrame(m_handle, frame); }
    // What the input's header promised and what its bytes hold.
    orvex::InputExtent Extent() const { return orvex::ExtentOf(m_handle); }
    // Float samples held at the limits of 16 bits so far.
    uint64_t ClippedSamples() const { return m_clipped; }

private:
    AudioHandle *m_handle = nullptr;
    AudioInfo m_info;
    uint64_t m_clipped = 0;
};
