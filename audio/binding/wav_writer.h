// The writing half of the binding: a 16-bit PCM WAV file with a 44-byte header,
// placeholder sizes until it is finished, and each double turned into a sample by
// truncation toward zero, keeping the low 16 bits.
#pragma once

#include "audio_library_binding.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace orvex {

constexpr size_t kWavHeaderBytes = 44;
// The most sample data a WAV header can state: the whole file within 4 GiB.
constexpr uint64_t kWavMaxDataBytes = 0x100000000ull - kWavHeaderBytes;

// The 44-byte header for the given layout and sizes, field by field.
void MakeWavHeader(unsigned char (&header)[kWavHeaderBytes], uint32_t channels, uint32_t sampleRate,
                   uint32_t riffSize, uint32_t dataSize);

class WavWriter
{
public:
    // Creates the file ("-" is standard output) and writes the header with
    // placeholder sizes. Returns the failure's code, or None with `out` set.
    static AudioError Create(const std::string &path, const AudioInfo &info,
                             std::unique_ptr<WavWriter> &out);
    ~WavWriter();
    WavWriter(const WavWriter &) = delete;
    WavWriter &operator=(const WavWriter &) = delete;

    // Appends whole frames of samples; returns the values that reached the medium or its
    // buffer.
    uint32_t Write(const int16_t *samples, uint32_t count);
    // Writes what is buffered, fixes the header's sizes where the file can seek, and
    // closes the file. Returns the first failure of the writer's life, or None.
    AudioError Finish();

private:
    WavWriter(int fd, bool ownsFd, uint32_t channels, uint32_t sampleRate,
              std::unique_ptr<int16_t[]> buffer, size_t capacity);
    bool Flush();
    template<typename Fill>
    uint32_t WriteWith(uint32_t count, Fill fill);

    // The largest buffer; a short output (as the description's length foretells) gets
    // a smaller one.
    static constexpr size_t kBufferSamples = 32 * 1024;
    static constexpr size_t kSmallestBuffer = 2048;
    // Blocks of samples this large or larger are written without the buffer.
    static constexpr size_t kDirectWrite = 4096;

    int m_fd;
    bool m_ownsFd;
    uint32_t m_channels;
    uint32_t m_sampleRate;
    std::unique_ptr<int16_t[]> m_buffer; // samples in the file's byte order
    size_t m_capacity; // samples
    size_t m_buffered = 0; // samples
    uint64_t m_dataBytes = 0; // sample bytes accepted so far
    uint64_t m_maxDataBytes; // whole frames within kWavMaxDataBytes
    AudioError m_failure = AudioError::None;
    bool m_finished = false;
};

} // namespace orvex
