// OutputPlacement (see output_placement.h).
#include "output_placement.h"

#include "path_names.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvex {

namespace {

    std::atomic<unsigned> g_counter; // from 0

} // namespace

std::optional<std::string> PathThroughLinks(const std::string &path)
{
    std::string at = path;
    // As the kernel does, at most 40 links; more means a circle. The 41st look finds
    // what the 40th link names.
    for (int hops = 0; hops <= 40; ++hops) {
        struct stat st
        {
        };
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return at;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(at.c_str(), target, sizeof target - 1);
        if (n <= 0)
            return at;
        const std::string next(target, size_t(n));
        at = next[0] == '/' ? next : FolderOf(at) + "/" + next;
    }
    return std::nullopt;
}

bool FolderIgnoresCase(const std::string &folder)
{
    // A probe whose name has both cases, asked for in the other case: a file system that
    // finds it does not tell the two names apart. Named per process and call, and
    // registered, so that nothing of it outlives an interruption.
    const std::string tail = std::to_string(::getpid()) + "-" + std::to_string(g_counter++);
    const std::string base = folder + "/.orvex-Case-" + tail;
    TempFileGuard guard(base.c_str());
    const int fd = ::open(base.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false; // nothing can be written there, so nothing will collide
    ::close(fd);
    const bool ignores = ::access((folder + "/.ORVEX-cASE-" + tail).c_str(), F_OK) == 0;
    ::unlink(base.c_str());
    return ignores;
}

bool SameNameIn(const std::string &folder, const std::string &a, const std::string &b)
{
    return a == b || (FoldedCase(a) == FoldedCase(b) && FolderIgnoresCase(folder));
}

AudioError OutputPlacement::Failed(int error)
{
    m_trouble.error = error;
    return AudioError::OpenFailed;
}

AudioError OutputPlacement::Prepare(const std::string &input, const std::string &output)
{
    m_final = m_writePath = output;
    m_trouble = OutputTrouble{};
    if (output.empty())
        return AudioError::OpenFailed; // no path: nothing can be created
    if (output == "-") {
        // A WAV file starts with its header: appended to a file it would not be one, and
        // on a terminal it is noise.
        const int flags = ::fcntl(STDOUT_FILENO, F_GETFL);
        m_trouble.appending = flags >= 0 && (flags & O_APPEND) != 0;
        m_trouble.terminal = ::isatty(STDOUT_FILENO) == 1;
        return m_trouble.appending || m_trouble.terminal ? AudioError::OpenFailed
                                                         : AudioError::None;
    }
    const std::optional<std::string> reached = PathThroughLinks(output);
    m_final = reached.value_or(output);
    m_folder = FolderOf(m_final);
    m_name = NameOf(m_final);
    m_trouble.folder = m_folder;
    if (!reached)
        return Failed(ELOOP);

    struct stat st
    {
    }, in{};
    m_replacing = ::stat(m_final.c_str(), &st) == 0;
    // Creating the output would destroy an input that is the same file, whether by its
    // inode or, on a file system that ignores letter case, by another spelling of its name.
    if (input != "-" && ::stat(input.c_str(), &in) == 0) {
        if (m_replacing && in.st_dev == st.st_dev && in.st_ino == st.st_ino)
            return AudioError::OutputIsInput;
        const std::string inputPath = PathThroughLinks(input).value_or(input);
        if (m_replacing && RealFolderOf(inputPath) == RealFolderOf(m_final)
            && SameNameIn(m_folder, NameOf(inputPath), m_name))
            return AudioError::OutputIsInput;
    }
    if (m_replacing && S_ISDIR(st.st_mode))
        return Failed(EISDIR);
    if (m_replacing && !S_ISREG(st.st_mode))
        return AudioError::None;
    m_owner = st.st_uid;
    m_group = st.st_gid;
    m_mode = st.st_mode;

    // An unnamed file is reached again through /proc, which a container may not have.
    static const bool procFds = ::access("/proc/self/fd", X_OK) == 0;
    m_unnamed = procFds ? ::open((m_folder + "/").c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666)
                        : -1;
    if (m_unnamed >= 0) {
        m_writePath = "/proc/self/fd/" + std::to_string(m_unnamed);
        return AudioError::None;
    }
    const int unnamedError = procFds ? errno : 0;
    // Where unnamed files are simply not offered, a named one is made; a folder that
    // refuses any file says why now.
    if (unnamedError != 0 && unnamedError != EOPNOTSUPP && unnamedError != EISDIR
        && unnamedError != EINVAL)
        return Failed(unnamedError);
    for (int attempt = 0; attempt < 100; ++attempt) {
        TempName(attempt);
        const int fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            m_writePath = m_temp;
            return AudioError::None;
        }
        const int error = errno;
        m_temp.clear();
        m_guard.Release();
        if (error != EEXIST)
            return Failed(error);
    }
    return Failed(EEXIST);
}

void OutputPlacement::TempName(int attempt)
{
    // Registered before it exists, so that no moment passes in which an interruption would
    // leave it behind.
    m_temp = m_folder + "/." + m_name.substr(0, 200) + ".orvex-" + std::to_string(::getpid()) + "-"
            + std::to_string(g_counter++) + "-" + std::to_string(attempt);
    m_guard = TempFileGuard(m_temp.c_str());
}

void OutputPlacement::KeepOwnerAndMode()
{
    if (!m_replacing)
        return;
    // Only the superuser may give a file away; a set-user or set-group-ID bit is never
    // carried over to a file that Orvex wrote.
    const int fd = m_unnamed >= 0 ? m_unnamed : ::open(m_temp.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    if (::geteuid() == 0)
        (void)!::fchown(fd, m_owner, m_group);
    ::fchmod(fd, m_mode & 0777);
    if (fd != m_unnamed)
        ::close(fd);
}

AudioError OutputPlacement::Commit()
{
    KeepOwnerAndMode();
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
                    return Failed(errno);
            }
            TempName(attempt);
            if (::linkat(AT_FDCWD, m_writePath.c_str(), AT_FDCWD, m_temp.c_str(), AT_SYMLINK_FOLLOW)
                == 0)
                break;
            const int error = errno;
            m_temp.clear();
            m_guard.Release();
            if (error != EEXIST)
                return Failed(error);
        } while (++attempt < 100);
        if (m_temp.empty())
            return Failed(EEXIST);
    }
    if (!m_temp.empty() && ::rename(m_temp.c_str(), m_final.c_str()) != 0)
        return Failed(errno);
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
