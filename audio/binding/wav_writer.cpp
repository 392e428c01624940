// The 16-bit PCM WAV writer (see wav_writer.h). The file is written here directly,
// not through libsndfile, whose own writer rounds to nearest and clips.
// Reference: Microsoft "Multimedia Programming Interface and Data Specifications 1.0".
#include "wav_writer.h"

#include "audio_handle.h"
#include "byte_order.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <unistd.h>

// Samples go out in the host's byte order, which must be the file's.
static_assert(std::endian::native == std::endian::little, "WAV data is little-endian");

namespace orvex {

using namespace orvex::bytes;

void MakeWavHeader(unsigned char (&h)[kWavHeaderBytes], uint32_t channels, uint32_t sampleRate,
                   uint32_t riffSize, uint32_t dataSize)
{
    std::memcpy(h + 0, "RIFF", 4);
    StoreLE32(h + 4, riffSize); // file length - 8
    std::memcpy(h + 8, "WAVE", 4);
    std::memcpy(h + 12, "fmt ", 4);
    StoreLE32(h + 16, 16); // size of the format chunk
    StoreLE16(h + 20, 1); // integer PCM
    StoreLE16(h + 22, static_cast<uint16_t>(channels));
    StoreLE32(h + 24, sampleRate);
    StoreLE32(h + 28, sampleRate * channels * 2); // bytes per second
    StoreLE16(h + 32, static_cast<uint16_t>(channels * 2)); // bytes per frame
    StoreLE16(h + 34, 16); // bits per sample
    std::memcpy(h + 36, "data", 4);
    StoreLE32(h + 40, dataSize); // sample bytes
}

namespace {

    bool WriteAll(int fd, const unsigned char *data, size_t n, size_t &written)
    {
        written = 0;
        while (written < n) {
            ssize_t got = ::write(fd, data + written, n - written);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            written += static_cast<size_t>(got);
        }
        return true;
    }

} // namespace

AudioError WavWriter::Create(const std::string &path, const AudioInfo &info,
                             std::unique_ptr<WavWriter> &out)
{
    const uint64_t expected = uint64_t(info.samples) * info.channels;
    const size_t capacity = expected
            ? static_cast<size_t>(std::clamp<uint64_t>(expected, kSmallestBuffer, kBufferSamples))
            : kBufferSamples;
    std::unique_ptr<int16_t[]> buffer(new (std::nothrow) int16_t[capacity]);
    if (!buffer)
        return AudioError::MallocFailed;
    const bool toStdout = path == "-";
    int fd = toStdout ? STDOUT_FILENO
                      : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return AudioError::OpenFailed;
    out.reset(new (std::nothrow) WavWriter(fd, !toStdout, info.channels, info.sampleRate,
                                           std::move(buffer), capacity));
    if (!out) {
        if (!toStdout)
            ::close(fd);
        return AudioError::MallocFailed;
    }

    // Until the file is finished its sizes are placeholders: the largest a signed
    // 32-bit reader accepts, the data size a whole number of frames. An output that cannot
    // be written again (a pipe) gets the final sizes now, where the frames are known.
    const uint64_t frameBytes = info.channels * 2ull;
    const uint64_t known = uint64_t(info.samples) * frameBytes;
    const bool once
            = ::lseek(fd, 0, SEEK_CUR) < 0 && info.samples != 0 && known <= kWavMaxDataBytes;
    unsigned char header[kWavHeaderBytes];
    MakeWavHeader(header, info.channels, info.sampleRate,
                  once ? uint32_t(known + kWavHeaderBytes - 8) : 0x7FFFFFFF - 8,
                  once ? uint32_t(known) : uint32_t(0x7FFFFFFF / frameBytes * frameBytes));
    size_t written = 0;
    if (!WriteAll(fd, header, sizeof header, written))
        return AudioError::ShortWrite;
    return AudioError::None;
}

WavWriter::WavWriter(int fd, bool ownsFd, uint32_t channels, uint32_t sampleRate,
                     std::unique_ptr<int16_t[]> buffer, size_t capacity)
    : m_fd(fd)
    , m_ownsFd(ownsFd)
    , m_channels(channels)
    , m_sampleRate(sampleRate)
    , m_buffer(std::move(buffer))
    , m_capacity(capacity)
    , m_maxDataBytes(kWavMaxDataBytes / (channels * 2ull) * (channels * 2ull))
{ }

WavWriter::~WavWriter()
{
    if (!m_finished && m_ownsFd)
        ::close(m_fd);
}

bool WavWriter::Flush()
{
    size_t written = 0;
    bool ok = WriteAll(m_fd, reinterpret_cast<const unsigned char *>(m_buffer.get()),
                       m_buffered * sizeof(int16_t), written);
    m_buffered = 0;
    if (!ok && m_failure == AudioError::None)
        m_failure = AudioError::ShortWrite;
    return ok;
}

uint32_t WavWriter::Write(const int16_t *samples, uint32_t count)
{
    // A large block goes out as it is, when nothing waits before it in the buffer.
    if (m_buffered == 0 && count >= std::min<size_t>(m_capacity, kDirectWrite)
        && count % m_channels == 0 && m_failure == AudioError::None
        && m_dataBytes + 2 * uint64_t(count) <= m_maxDataBytes) {
        size_t written = 0;
        if (!WriteAll(m_fd, reinterpret_cast<const unsigned char *>(samples), 2 * size_t(count),
                      written)) {
            m_failure = AudioError::ShortWrite;
            count = static_cast<uint32_t>(written / (2 * m_channels) * m_channels);
        }
        m_dataBytes += 2 * uint64_t(count);
        return count;
    }
    return WriteWith(count, [samples](uint32_t from, uint32_t n, int16_t *out) {
        std::memcpy(out, samples + from, n * sizeof(int16_t));
    });
}

template<typename Fill>
uint32_t WavWriter::WriteWith(uint32_t count, Fill fill)
{
    if (count % m_channels != 0 || m_failure != AudioError::None)
        return 0;
    // A WAV header cannot state more data than fits 32 bits: stop at the last whole
    // frame that fits.
    uint64_t room = (m_maxDataBytes - m_dataBytes) / 2;
    uint32_t take = count;
    if (take > room) {
        // What passes the limit of the format is lost, and the file with it.
        take = static_cast<uint32_t>(room);
        m_failure = AudioError::OutputTooLarge;
    }
    uint32_t done = 0;
    while (done < take) {
        const uint32_t n
                = static_cast<uint32_t>(std::min<uint64_t>(m_capacity - m_buffered, take - done));
        fill(done, n, m_buffer.get() + m_buffered);
        m_buffered += n;
        done += n;
        if (m_buffered == m_capacity && !Flush())
            break;
    }
    m_dataBytes += 2 * uint64_t(done);
    return done;
}

AudioError WavWriter::Finish()
{
    m_finished = true;
    if (m_buffered > 0)
        Flush();
    // A file that can seek gets its final sizes; a pipe keeps the placeholders.
    const off_t length = ::lseek(m_fd, 0, SEEK_END);
    if (length >= static_cast<off_t>(kWavHeaderBytes)) {
        unsigned char header[kWavHeaderBytes];
        MakeWavHeader(header, m_channels, m_sampleRate, static_cast<uint32_t>(length - 8),
                      static_cast<uint32_t>(length - kWavHeaderBytes));
        if (::pwrite(m_fd, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header)
            && m_failure == AudioError::None)
            m_failure = AudioError::SeekFailed;
    }
    if (m_ownsFd && ::close(m_fd) != 0 && m_failure == AudioError::None)
        m_failure = AudioError::ShortWrite;
    return m_failure;
}

AudioError FinishWavWriter(WavWriter &writer)
{
    return writer.Finish();
}

} // namespace orvex
