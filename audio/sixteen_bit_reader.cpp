// CSixteenBitReader (see sixteen_bit_reader.h): the scale for each encoding, and the rule
// by which a value becomes a sample.
#include "sixteen_bit_reader.h"

#include "wav_writer.h"

#include <algorithm>

namespace {

bool IsFloat(SampleEncoding encoding)
{
    return encoding == SampleEncoding::FLOAT || encoding == SampleEncoding::FLOAT_BE
            || encoding == SampleEncoding::FLOAT_LE;
}

bool IsIntegerPcm(SampleEncoding encoding)
{
    return encoding == SampleEncoding::PCM || encoding == SampleEncoding::PCM_BE
            || encoding == SampleEncoding::PCM_LE || encoding == SampleEncoding::PCM_S8
            || encoding == SampleEncoding::PCM_U8;
}

// 2^(16 - b), formed exactly from a whole power of two.
double PowerOfTwoScale(uint32_t b)
{
    if (b < 16)
        return static_cast<double>(uint64_t(1) << (16 - b));
    if (b > 16)
        return 1.0 / static_cast<double>(uint64_t(1) << std::min<uint32_t>(b - 16, 62));
    return 1.0;
}

// The scale that brings the input's values to 16 bits. Integer PCM reads in the range
// of its whole bytes whatever width the header declares (a 12-bit WAV reads as 16-bit
// values), so its scale follows those bytes; floats hold -1..1 and take 2^15.
double ScaleFor(const AudioInfo &input)
{
    const SampleEncoding encoding = AudioSampleEncoding(input.format);
    if (IsFloat(encoding))
        return 32768.0;
    if (IsIntegerPcm(encoding))
        return PowerOfTwoScale((input.bitWidth + 7) / 8 * 8);
    return PowerOfTwoScale(input.bitWidth);
}

} // namespace

AudioError CSixteenBitReader::Open(const std::string &path)
{
    Close();
    m_handle = AudioOpenRead(path, m_info);
    if (!m_handle)
        return AudioLastError();
    m_scale = ScaleFor(m_info);
    m_clamp = IsFloat(AudioSampleEncoding(m_info.format));
    m_clipped = 0;
    return AudioError::None;
}

void CSixteenBitReader::Close()
{
    AudioClose(m_handle);
    m_handle = nullptr;
}

uint32_t CSixteenBitReader::Read(int16_t *out)
{
    if (!m_handle)
        return 0;
    const uint32_t channels = m_info.channels;
    const uint32_t n = AudioReadDouble(m_handle, m_values, BlockFrames(channels) * channels);
    if (m_clamp) {
        // Float values beyond 16 bits are held at its limits, and counted.
        for (uint32_t i = 0; i < n; ++i) {
            const double v = m_scale * m_values[i];
            m_clipped += (v >= 32768.0) + (v < -32768.0);
            m_values[i] = v < -32768.0 ? -32768.0 : v > 32767.0 ? 32767.0 : v;
        }
    } else {
        // Integer input scaled by a power of two cannot leave the 16-bit range.
        for (uint32_t i = 0; i < n; ++i)
            m_values[i] *= m_scale;
    }
    orvex::ToSixteenBit(m_values, n, out);
    return n / channels;
}
