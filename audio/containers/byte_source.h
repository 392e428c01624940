// Buffered reading of an input for the header readers and for libsndfile: a regular
// file read with pread() through one large buffer, standard input read forward once, with
// its first bytes kept so that headers can be looked at again, or bytes held in memory (as
// the fuzz targets hand them over).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvex {

class ByteSource
{
public:
    enum class OpenStatus { Ok, CannotOpen, NoMemory };

    // Opens `path` for reading; "-" is standard input. On success `out` holds the source.
    static OpenStatus Open(const std::string &path, std::unique_ptr<ByteSource> &out);
    // Reads `size` bytes at `bytes`, which must outlive the source; null without memory.
    static std::unique_ptr<ByteSource> FromMemory(const void *bytes, size_t size);

    ~ByteSource();
    ByteSource(const ByteSource &) = delete;
    ByteSource &operator=(const ByteSource &) = delete;

    // Length in bytes, or -1 when it cannot be measured (standard input).
    int64_t Size() const { return m_size; }
    bool IsStream() const { return m_stream; }

    // Copies up to `n` bytes from `offset` into `dst` and returns how many were copied:
    // fewer at the end of the data, or on a stream when `offset` lies behind what was
    // kept. Never reads outside the source.
    size_t ReadAt(int64_t offset, void *dst, size_t n);

    // How much of a stream's beginning stays readable after the stream has moved on.
    static constexpr size_t kKeptHead = 64 * 1024;

private:
    ByteSource(int fd, bool ownsFd, bool stream, int64_t size,
               std::unique_ptr<unsigned char[]> buffer, size_t capacity);
    bool FillFileBuffer(int64_t offset);
    bool AdvanceStream();

    // The largest buffer; a small file gets one of its own size.
    static constexpr size_t kBufferSize = 16 * 1024;
    static constexpr size_t kSmallestBuffer = 4096;
    // Requests of this size or more are read straight into the caller's memory.
    static constexpr size_t kDirectRead = 16 * 1024;

    int m_fd;
    bool m_ownsFd;
    const unsigned char *m_memory = nullptr; // the bytes of a source in memory
    int64_t m_base = 0; // where the source starts in its file (standard input from a file)
    bool m_stream;
    int64_t m_size;
    std::unique_ptr<unsigned char[]> m_buffer;
    size_t m_capacity;
    int64_t m_bufferStart = 0; // offset of m_buffer[0] in the source
    size_t m_bufferLength = 0;
    // Stream only: the first kKeptHead bytes, and how far the stream has been read.
    std::vector<unsigned char> m_head;
    int64_t m_streamPos = 0;
    bool m_streamEnded = false;
};

} // namespace orvex
