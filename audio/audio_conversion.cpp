// CAudioFileInfo::Convert: writes the input as a 16-bit PCM WAV file, every value
// brought from the input's width to 16 bits by a power of two. The output is written
// to a temporary file beside it and renamed into place only when complete, so a
// failed conversion leaves whatever stood at the output path as it was.
#include "audio_file_info.h"
#include "wav_writer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// ---------------------------------------------------------------- where the output goes

// Decides where a conversion writes: a temporary file in the output's folder that
// replaces the output once complete, or the output itself when it is standard output
// or an existing file that is not a regular file (a FIFO, a device).
class OutputPlacement
{
public:
    ~OutputPlacement() { Abandon(); }

    AudioError Prepare(const std::string &input, const std::string &output);
    const std::string &WritePath() const { return m_temp.empty() ? m_final : m_temp; }
    // Puts the finished temporary file in place of the output.
    AudioError Commit();
    // Removes the temporary file, if one was made.
    void Abandon();

private:
    std::string m_final;
    std::string m_temp;
};

bool SameFile(const std::string &a, const std::string &b)
{
    struct stat sa
    {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev
            && sa.st_ino == sb.st_ino;
}

AudioError OutputPlacement::Prepare(const std::string &input, const std::string &output)
{
    m_final = output;
    if (output.empty())
        return AudioError::OpenFailed; // no path: nothing can be created
    if (output == "-")
        return AudioError::None;
    // Creating the output would destroy an input that is the same file.
    if (input != "-" && SameFile(input, output))
        return AudioError::OutputIsInput;

    struct stat st
    {
    };
    const bool exists = ::stat(output.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return AudioError::None;
    // Through a link the file it names is replaced, not the link.
    struct stat link
    {
    };
    if (::lstat(output.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && exists) {
        char resolved[PATH_MAX];
        if (::realpath(output.c_str(), resolved))
            m_final = resolved;
    }

    const size_t slash = m_final.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : m_final.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? m_final : m_final.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = folder + (slash == std::string::npos ? "/." : ".") + name.substr(0, 200)
                + ".orvex-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return AudioError::OpenFailed;
        }
        // A replaced file keeps its permissions.
        if (exists)
            ::fchmod(fd, st.st_mode & 07777);
        ::close(fd);
        m_temp = std::move(temp);
        return AudioError::None;
    }
    return AudioError::OpenFailed;
}

AudioError OutputPlacement::Commit()
{
    if (m_temp.empty())
        return AudioError::None;
    if (::rename(m_temp.c_str(), m_final.c_str()) != 0)
        return AudioError::OpenFailed;
    m_temp.clear();
    return AudioError::None;
}

void OutputPlacement::Abandon()
{
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
}

// ---------------------------------------------------------------- scale

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

void PrintCannotOpen(const std::string &path)
{
    std::printf("Not able to open output file %s.\n", path.c_str());
    std::fflush(stdout);
}

} // namespace

// ---------------------------------------------------------------- conversion

bool CAudioFileInfo::Convert()
{
    m_outcome = Outcome{};
    CloseSlot(m_hInput);
    m_hInput = AudioOpenRead(m_strInputPath, m_info);
    if (!m_hInput) {
        m_outcome.code = AudioLastError();
        return false;
    }

    const double scale = ScaleFor(m_info);
    m_clampToSixteenBits = IsFloat(AudioSampleEncoding(m_info.format));
    // A length of 0xFFFFFFFF frames is one that the input could not state (a stream
    // read from its start); then the writer's own limit is the only one.
    const bool lengthKnown = m_info.samples != UINT32_MAX;
    const uint64_t dataBytes = uint64_t(m_info.samples) * m_info.channels * 2;

    // The output's description: 16-bit PCM WAV at the input's rate and channels.
    m_info.format = AudioFormatWord(FormatKind::WAV, SampleEncoding::PCM);
    m_info.bitWidth = 16;

    m_outcome.onOutput = true;
    OutputPlacement placement;
    AudioError refusal = lengthKnown && dataBytes > orvex::kWavMaxDataBytes
            ? AudioError::OutputTooLarge
            : placement.Prepare(m_strInputPath, m_strOutputPath);
    if (refusal == AudioError::None) {
        m_hOutput = AudioOpenWrite(placement.WritePath(), m_info);
        refusal = m_hOutput ? AudioError::None : AudioLastError();
    }
    if (refusal != AudioError::None) {
        PrintCannotOpen(m_strOutputPath);
        m_outcome.code = refusal;
        return false;
    }

    const uint32_t framesPerBlock = 1024 / m_info.channels;
    CopySamples(m_hOutput, m_hInput, framesPerBlock * m_info.channels, scale);

    CloseSlot(m_hInput);
    // The output's close writes what is buffered and its final header; a failure of
    // any write since its creation shows here.
    const AudioError written = static_cast<AudioError>(AudioClose(m_hOutput));
    m_hOutput = nullptr;
    m_outcome.code = written != AudioError::None ? written : placement.Commit();
    return m_outcome.code == AudioError::None;
}

void CAudioFileInfo::CopySamples(AudioHandle *output, AudioHandle *input, uint32_t samplesPerBlock,
                                 double scale)
{
    // One block of interleaved values, scaled in place between the read and the write.
    double buffer[1024];
    samplesPerBlock = std::min<uint32_t>(samplesPerBlock, 1024);
    uint64_t clipped = 0;
    for (;;) {
        const uint32_t n = AudioReadDouble(input, buffer, samplesPerBlock);
        if (m_clampToSixteenBits) {
            // Float values beyond 16 bits are held at its limits, and counted.
            for (uint32_t i = 0; i < n; ++i) {
                const double v = scale * buffer[i];
                clipped += (v >= 32768.0) + (v < -32768.0);
                buffer[i] = v < -32768.0 ? -32768.0 : v > 32767.0 ? 32767.0 : v;
            }
        } else {
            // Integer input scaled by a power of two cannot leave the 16-bit range.
            for (uint32_t i = 0; i < n; ++i)
                buffer[i] *= scale;
        }
        AudioWriteDouble(output, buffer, n);
        if (n != samplesPerBlock)
            break;
    }
    m_outcome.clippedSamples += clipped;
}
