// CSixteenBitReader (see sixteen_bit_reader.h).
#include "sixteen_bit_reader.h"

#include "audio_handle.h"

#include <algorithm>

namespace {

// Values per block through the level chain: a conversion's block, whose stored bytes are
// read straight into place, and whose floats stay in the processor's nearer caches.
constexpr uint32_t kLevelBlockValues = 8192;

} // namespace

AudioError CSixteenBitReader::Open(const std::string &path)
{
    Close();
    m_path = path;
    m_bytes = nullptr;
    return Opened(AudioOpenRead(path, m_info));
}

AudioError CSixteenBitReader::OpenMemory(const void *bytes, size_t size, const std::string &name)
{
    Close();
    m_path = name;
    m_bytes = bytes;
    m_size = size;
    return Opened(orvex::OpenReadMemory(bytes, size, name, m_info));
}

AudioError CSixteenBitReader::Opened(AudioHandle *handle)
{
    m_handle = handle;
    if (!m_handle)
        return AudioLastError();
    m_clipped = 0;
    m_frame = 0;
    m_wide = orvex::CarriesMoreThanSixteenBits(m_handle);
    return AudioError::None;
}

void CSixteenBitReader::Close()
{
    AudioClose(m_handle);
    m_handle = nullptr;
}

bool CSixteenBitReader::Rewind()
{
    if (!m_handle || Extent().stream)
        return false;
    const AudioError e = m_bytes ? OpenMemory(m_bytes, m_size, m_path) : Open(m_path);
    return e == AudioError::None;
}

bool CSixteenBitReader::Seek(uint64_t frame)
{
    if (!AudioSeekFrame(m_handle, frame))
        return false;
    m_frame = frame;
    return true;
}

uint32_t CSixteenBitReader::ReadThroughLevel(int16_t *out, uint32_t frames, float *peak)
{
    const uint32_t channels = m_info.channels;
    // A block holds at least one frame, however many channels the file has.
    if (m_valuesSize < std::max(kLevelBlockValues, channels)) {
        m_valuesSize = std::max(kLevelBlockValues, channels);
        m_values.reset(new float[m_valuesSize]);
    }
    const uint32_t block = std::max<uint32_t>(kLevelBlockValues / channels, 1);
    // Dither where it changes something: values of more than 16 bits, or any gain.
    SixteenBitLevel level = m_level;
    level.dither = level.dither && (m_wide || level.gain != 1.0);
    uint32_t done = 0;
    while (done < frames) {
        const uint32_t want = std::min(block, frames - done);
        const uint32_t n = orvex::ReadScaled(m_handle, m_values.get(), want * channels);
        if (peak)
            *peak = FoldPeak(m_values.get(), n, *peak);
        if (out)
            m_clipped += ApplyLevel(m_values.get(), n, m_frame * channels, level,
                                    out + size_t(done) * channels);
        m_frame += n / channels;
        done += n / channels;
        if (n != want * channels)
            break;
    }
    return done;
}
