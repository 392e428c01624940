// OutputPlacement (see output_placement.h).
#include "output_placement.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvex {

AudioError OutputPlacement::Prepare(const std::string &input, const std::string &output)
{
    m_final = m_writePath = output;
    if (output.empty())
        return AudioError::OpenFailed; // no path: nothing can be created
    if (output == "-")
        return AudioError::None;
    struct stat st
    {
    }, in{};
    m_replacing = ::stat(output.c_str(), &st) == 0;
    // Creating the output would destroy an input that is the same file.
    if (m_replacing && input != "-" && ::stat(input.c_str(), &in) == 0 && in.st_dev == st.st_dev
        && in.st_ino == st.st_ino)
        return AudioError::OutputIsInput;
    if (m_replacing && !S_ISREG(st.st_mode))
        return AudioError::None;
    // Through a link the file it names is replaced, not the link.
    struct stat link
    {
    };
    if (m_replacing && ::lstat(output.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(output.c_str(), resolved))
            m_final = resolved;
    }
    const size_t slash = m_final.rfind('/');
    m_folder = slash == std::string::npos ? "./" : m_final.substr(0, slash + 1);
    m_name = slash == std::string::npos ? m_final : m_final.substr(slash + 1);

    // An unnamed file is reached again through /proc, which a container may not have.
    static const bool procFds = ::access("/proc/self/fd", X_OK) == 0;
    m_unnamed = procFds ? ::open(m_folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666) : -1;
    if (m_unnamed >= 0) {
        m_writePath = "/proc/self/fd/" + std::to_string(m_unnamed);
        // A replaced file keeps its permissions.
        if (m_replacing)
            ::fchmod(m_unnamed, st.st_mode & 07777);
        return AudioError::None;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        TempName(attempt);
        const int fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (m_replacing)
                ::fchmod(fd, st.st_mode & 07777);
            ::close(fd);
            m_writePath = m_temp;
            return AudioError::None;
        }
        m_temp.clear();
        m_guard.Release();
        if (errno != EEXIST)
            break;
    }
    return AudioError::OpenFailed;
}

void OutputPlacement::TempName(int attempt)
{
    // Registered before it exists, so that no moment passes in which an interruption would
    // leave it behind.
    static std::atomic<unsigned> counter{0};
    m_temp = m_folder + "." + m_name.substr(0, 200) + ".orvex-" + std::to_string(::getpid()) + "-"
            + std::to_string(counter++) + "-" + std::to_string(attempt);
    m_guard = TempFileGuard(m_temp.c_str());
}

AudioError OutputPlacement::Commit()
{
    if (m_unnamed >= 0) {
        // Linked straight to the output when there is none; otherwise to a named file that
        // then replaces the output in one step.
        int attempt = 0;
        do {
            if (!m_replacing) {
                if (::linkat(AT_FDCWD, m_writePath.c_str(), AT_FDCWD, m_final.c_str(),
                             AT_SYMLINK_FOLLOW)
                    == 0) {
                    Abandon();
                    return AudioError::None;
                }
                m_replacing = errno == EEXIST; // one came meanwhile
                if (!m_replacing)
                    return AudioError::OpenFailed;
            }
            TempName(attempt);
            if (::linkat(AT_FDCWD, m_writePath.c_str(), AT_FDCWD, m_temp.c_str(), AT_SYMLINK_FOLLOW)
                == 0)
                break;
            m_temp.clear();
            m_guard.Release();
            if (errno != EEXIST)
                return AudioError::OpenFailed;
        } while (++attempt < 100);
        if (m_temp.empty())
            return AudioError::OpenFailed;
    }
    if (!m_temp.empty() && ::rename(m_temp.c_str(), m_final.c_str()) != 0)
        return AudioError::OpenFailed;
    m_temp.clear();
    m_guard.Release();
    Abandon();
    return AudioError::None;
}

void OutputPlacement::Abandon()
{
    if (m_unnamed >= 0)
        ::close(m_unnamed);
    m_unnamed = -1;
    if (!m_temp.empty())
        ::unlink(m_temp.c_str());
    m_temp.clear();
    m_guard.Release();
}

} // namespace orvex
