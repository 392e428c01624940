// CAudioFileInfo::Convert: writes the input as a 16-bit PCM WAV file, every value
// brought from the input's width to 16 bits by a power of two. The output is written to a
// temporary file in its folder and put in place only when complete, so a failed or
// interrupted conversion leaves whatever stood at the output path as it was.
#include "audio_file_info.h"
#include "interrupt_cleanup.h"
#include "sixteen_bit_reader.h"
#include "wav_writer.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// ---------------------------------------------------------------- where the output goes

// Decides where a conversion writes: a temporary file in the output's folder that replaces
// the output once complete, or the output itself when it is standard output or an existing
// file that is not a regular file (a FIFO, a device). The temporary file is unnamed where the
// file system allows (it vanishes with the process however that ends, and is linked into
// place at the end); otherwise it is a hidden file that the signal handlers remove.
class OutputPlacement
{
public:
    ~OutputPlacement() { Abandon(); }

    AudioError Prepare(const std::string &input, const std::string &output);
    // The path the writer opens.
    const std::string &WritePath() const { return m_writePath; }
    // Puts the finished temporary file in place of the output.
    AudioError Commit();
    // Removes the temporary file, if one was made.
    void Abandon();

private:
    // Names (and registers) a hidden temporary file beside the output.
    void TempName(int attempt);

    std::string m_final;
    std::string m_folder, m_name; // of m_final
    std::string m_writePath;
    std::string m_temp; // a named temporary file, or empty
    int m_unnamed = -1; // an unnamed temporary file, or -1
    bool m_replacing = false; // a file stands at the output path
    orvex::TempFileGuard m_guard;
};

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
    m_guard = orvex::TempFileGuard(m_temp.c_str());
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

// Frames that pass between two calls of the progress handler: a few milliseconds of work,
// so that a cancellation is seen at once and the calls cost nothing.
constexpr uint64_t kFramesPerProgressCall = 16384;
// Samples per block of a conversion.
constexpr uint32_t kBlockValues = 8192;

} // namespace

// ---------------------------------------------------------------- conversion

bool CAudioFileInfo::Convert()
{
    m_outcome = Outcome{};
    CloseSlot(m_hInput);
    CSixteenBitReader input;
    if (AudioError e = input.Open(m_strInputPath); e != AudioError::None) {
        m_info = AudioInfo{};
        return Fail(e, false);
    }
    m_info = input.GetInfo();
    // A length of 0xFFFFFFFF frames is one that the input could not state (a stream
    // read from its start); then the writer's own limit is the only one.
    const bool lengthKnown = m_info.samples != UINT32_MAX;
    const uint64_t dataBytes = uint64_t(m_info.samples) * m_info.channels * 2;
    m_outcome.framesDescribed = m_info.samples;

    // The output's description: 16-bit PCM WAV at the input's rate and channels.
    m_info.format = AudioFormatWord(FormatKind::WAV, SampleEncoding::PCM);
    m_info.bitWidth = 16;

    OutputPlacement placement;
    AudioError refusal = lengthKnown && dataBytes > orvex::kWavMaxDataBytes
            ? AudioError::OutputTooLarge
            : placement.Prepare(m_strInputPath, m_strOutputPath);
    const bool refusedBeforeOpening = refusal != AudioError::None;
    if (!refusedBeforeOpening) {
        m_hOutput = AudioOpenWrite(placement.WritePath(), m_info);
        refusal = m_hOutput ? AudioError::None : AudioLastError();
    }
    if (refusal != AudioError::None) {
        // An output refused for what it is (the input itself, too large) was never opened.
        if (m_diagnostics && (refusal == AudioError::OpenFailed || !refusedBeforeOpening)) {
            std::fprintf(m_diagnostics, "Not able to open output file %s.\n",
                         m_strOutputPath.c_str());
            std::fflush(m_diagnostics);
        }
        return Fail(refusal, true);
    }

    const bool completed = CopySamples(m_hOutput, input);
    input.Close();
    // The output's close writes what is buffered and its final header; a failure of
    // any write since its creation shows here.
    const AudioError written = static_cast<AudioError>(AudioClose(m_hOutput));
    m_hOutput = nullptr;
    if (!completed)
        return Fail(AudioError::Cancelled, true);
    const AudioError placed = written != AudioError::None ? written : placement.Commit();
    if (placed != AudioError::None)
        return Fail(placed, true);
    return true;
}

bool CAudioFileInfo::CopySamples(AudioHandle *output, CSixteenBitReader &input)
{
    const uint32_t channels = m_info.channels;
    // Blocks of whole frames, as large as a few pages: large reads and writes are cheap.
    const uint32_t block = std::max<uint32_t>(kBlockValues / channels, 1);
    // Left uninitialised: the reads fill what is written.
    const std::unique_ptr<int16_t[]> samples(new int16_t[size_t(block) * channels]);
    uint64_t frames = 0, nextCall = kFramesPerProgressCall;
    for (;;) {
        const uint32_t n = input.Read(samples.get(), block);
        frames += AudioWriteSamples(output, samples.get(), n * channels) / channels;
        m_outcome.framesWritten = frames;
        m_outcome.clippedSamples = input.ClippedSamples();
        if (m_progress && (frames >= nextCall || n != block)) {
            nextCall = frames + kFramesPerProgressCall;
            if (!m_progress(frames, m_outcome.framesDescribed))
                return false;
        }
        if (n != block)
            return true;
    }
}
