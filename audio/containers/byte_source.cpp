// Buffered reading of an input file or of standard input (see byte_source.h).
#include "byte_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace orvex {

ByteSource::OpenStatus ByteSource::Open(const std::string &path, std::unique_ptr<ByteSource> &out)
{
    const bool standardInput = path == "-";
    int fd = STDIN_FILENO;
    struct stat st
    {
    };
    if (!standardInput) {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return OpenStatus::CannotOpen;
        // A directory opens on Linux but cannot be read; anything that is not a regular
        // file (a FIFO, a device) is read as a stream.
        if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
            ::close(fd);
            return OpenStatus::CannotOpen;
        }
    }
    // Standard input redirected from a file is that file, from where it stands, and can be
    // read at any place.
    int64_t base = 0;
    if (standardInput && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        base = std::clamp<int64_t>(::lseek(fd, 0, SEEK_CUR), 0, st.st_size);
        st.st_size -= base;
    } else if (standardInput) {
        st.st_mode = 0;
    }
    const bool regular = S_ISREG(st.st_mode);
    if (regular)
        ::posix_fadvise(fd, base, 0, POSIX_FADV_SEQUENTIAL);
    const size_t capacity = regular
            ? std::clamp<size_t>(static_cast<size_t>(st.st_size), kSmallestBuffer, kBufferSize)
            : kBufferSize;
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[capacity]);
    if (buffer)
        out.reset(new (std::nothrow)
                          ByteSource(fd, !standardInput, !regular, regular ? st.st_size : -1,
                                     std::move(buffer), capacity));
    if (!out) {
        if (!standardInput)
            ::close(fd);
        return OpenStatus::NoMemory;
    }
    out->m_base = base;
    return OpenStatus::Ok;
}

std::unique_ptr<ByteSource> ByteSource::FromMemory(const void *bytes, size_t size)
{
    std::unique_ptr<ByteSource> source(new (std::nothrow)
                                               ByteSource(-1, false, false, int64_t(size), {}, 0));
    if (source)
        source->m_memory = static_cast<const unsigned char *>(bytes);
    return source;
}

ByteSource::ByteSource(int fd, bool ownsFd, bool stream, int64_t size,
                       std::unique_ptr<unsigned char[]> buffer, size_t capacity)
    : m_fd(fd)
    , m_ownsFd(ownsFd)
    , m_stream(stream)
    , m_size(size)
    , m_buffer(std::move(buffer))
    , m_capacity(capacity)
{ }

ByteSource::~ByteSource()
{
    if (m_ownsFd)
        ::close(m_fd);
}

static ssize_t ReadRetrying(int fd, void *dst, size_t n, int64_t offset, bool positioned)
{
    for (;;) {
        ssize_t got = positioned ? ::pread(fd, dst, n, offset) : ::read(fd, dst, n);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

bool ByteSource::FillFileBuffer(int64_t offset)
{
    ssize_t got = ReadRetrying(m_fd, m_buffer.get(), m_capacity, m_base + offset, true);
    m_bufferStart = offset;
    m_bufferLength = got > 0 ? static_cast<size_t>(got) : 0;
    return m_bufferLength > 0;
}

// Reads the next block of the stream into the buffer, keeping a copy of the
// stream's beginning in m_head.
bool ByteSource::AdvanceStream()
{
    if (m_streamEnded)
        return false;
    size_t filled = 0;
    // Fill the whole buffer where the stream allows, so that a pipe's small writes
    // do not turn into many small blocks.
    while (filled < m_capacity) {
        ssize_t got = ReadRetrying(m_fd, m_buffer.get() + filled, m_capacity - filled, 0, false);
        if (got <= 0) {
            m_streamEnded = true;
            break;
        }
        filled += static_cast<size_t>(got);
    }
    m_bufferStart = m_streamPos;
    m_bufferLength = filled;
    if (m_head.size() < kKeptHead && filled > 0) {
        size_t keep = std::min(filled, kKeptHead - m_head.size());
        m_head.insert(m_head.end(), m_buffer.get(), m_buffer.get() + keep);
    }
    m_streamPos += static_cast<int64_t>(filled);
    return filled > 0;
}

size_t ByteSource::ReadAt(int64_t offset, void *dst, size_t n)
{
    if (offset < 0)
        return 0;
    if (m_memory) {
        // From past the end as from the end: nothing.
        const int64_t at = std::min(offset, m_size);
        const size_t take = std::min<size_t>(n, static_cast<size_t>(m_size - at));
        if (take != 0)
            std::memcpy(dst, m_memory + at, take);
        return take;
    }
    auto *out = static_cast<unsigned char *>(dst);
    size_t done = 0;
    while (done < n) {
        const int64_t at = offset + static_cast<int64_t>(done);
        const size_t want = n - done;
        if (m_stream && at < static_cast<int64_t>(m_head.size())) {
            size_t take = std::min(want, m_head.size() - static_cast<size_t>(at));
            std::memcpy(out + done, m_head.data() + at, take);
            done += take;
            continue;
        }
        if (at >= m_bufferStart && at < m_bufferStart + static_cast<int64_t>(m_bufferLength)) {
            size_t from = static_cast<size_t>(at - m_bufferStart);
            size_t take = std::min(want, m_bufferLength - from);
            std::memcpy(out + done, m_buffer.get() + from, take);
            done += take;
            continue;
        }
        if (m_stream) {
            // Only forward: what lies behind the buffer and the kept head is gone.
            if (at < m_bufferStart || !AdvanceStream())
                break;
            continue;
        }
        if (m_size >= 0 && at >= m_size)
            break;
        if (want >= std::min(m_capacity, kDirectRead)) {
            // A large request bypasses the buffer, and the copy out of it.
            ssize_t got = ReadRetrying(m_fd, out + done, want, m_base + at, true);
            if (got <= 0)
                break;
            done += static_cast<size_t>(got);
            continue;
        }
        if (!FillFileBuffer(at))
            break;
    }
    return done;
}

} // namespace orvex
