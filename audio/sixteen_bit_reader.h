// CSixteenBitReader: an input read as the 16-bit samples its conversion writes, through the
// level chain (level.h). With no gain and no dither each value is brought from the input's
// width by a power of two, floats held within 16 bits, then truncated toward zero, straight
// from the stored bytes. The conversion, the waveform overview and the player all read
// through it, so what the user sees and hears is what will be imported.
#pragma once

#include "audio_library_binding.h"
#include "input_extent.h"
#include "level.h"

#include <cstdint>
#include <memory>
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
    // Opens the same input again, at its start; false for a stream, which cannot be read
    // twice, or where it no longer opens.
    bool Rewind();
    // The input as the binding describes it.
    const AudioInfo &GetInfo() const { return m_info; }

    // The gain and dither of the samples read from here on (kept across opens). Dither is
    // left out where the values carry no more than 16 bits and the gain is 1: it would
    // change nothing that rounding keeps.
    void SetLevel(const SixteenBitLevel &level) { m_level = level; }

    // Reads up to `frames` frames, interleaved, into `out`; fewer only where the data ends
    // (or its bytes run out), and 0 after that. With `peak`, the values' peak before the
    // gain is folded into it (FoldPeak); `out` may then be null, to measure only.
    uint32_t Read(int16_t *out, uint32_t frames, float *peak = nullptr)
    {
        if (peak || !IsPlain())
            return ReadThroughLevel(out, frames, peak);
        const uint32_t n = AudioReadSixteen(m_handle, out, frames * m_info.channels, &m_clipped)
                / m_info.channels;
        m_frame += n;
        return n;
    }
    // Moves to `frame`, where the next Read starts; false where the input cannot seek.
    bool Seek(uint64_t frame);
    // What the input's header promised and what its bytes hold.
    orvex::InputExtent Extent() const { return orvex::ExtentOf(m_handle); }
    // Samples held at the limits of 16 bits so far.
    uint64_t ClippedSamples() const { return m_clipped; }

private:
    bool IsPlain() const { return m_level.gain == 1.0 && !(m_level.dither && m_wide); }
    uint32_t ReadThroughLevel(int16_t *out, uint32_t frames, float *peak);
    AudioError Opened(AudioHandle *handle);

    AudioHandle *m_handle = nullptr;
    AudioInfo m_info;
    uint64_t m_clipped = 0;
    SixteenBitLevel m_level;
    bool m_wide = false; // values of more than 16 bits
    uint64_t m_frame = 0; // where the next Read starts
    std::unique_ptr<float[]> m_values; // a block on its way through the level chain
    uint32_t m_valuesSize = 0;
    // What opened, for Rewind.
    std::string m_path;
    const void *m_bytes = nullptr;
    size_t m_size = 0;
};
