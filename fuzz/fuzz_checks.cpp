// The checks the fuzz targets and the regression tests share (see fuzz_checks.h).
#include "fuzz_checks.h"

#include "audio_file_info.h"
#include "audio_handle.h"
#include "fixtures.h"
#include "host_params.h"
#include "sixteen_bit_reader.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fuzzchecks {

namespace {

    std::vector<uint8_t> ReadWhole(const std::string &path)
    {
        std::vector<uint8_t> bytes;
        if (FILE *f = std::fopen(path.c_str(), "rb")) {
            uint8_t chunk[65536];
            while (size_t n = std::fread(chunk, 1, sizeof chunk, f))
                bytes.insert(bytes.end(), chunk, chunk + n);
            std::fclose(f);
        }
        return bytes;
    }

    uint32_t Le32(const std::vector<uint8_t> &b, size_t at)
    {
        return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
    }

    // libsndfile's name of our container, or 0 for none of its own.
    int SndfileContainer(FormatKind kind)
    {
        using K = FormatKind;
        const std::pair<K, int> names[]
                = {{K::WAV, SF_FORMAT_WAV},   {K::AIFF, SF_FORMAT_AIFF},  {K::AU, SF_FORMAT_AU},
                   {K::AULE, SF_FORMAT_AU},   {K::PAF, SF_FORMAT_PAF},    {K::SVX, SF_FORMAT_SVX},
                   {K::NIST, SF_FORMAT_NIST}, {K::IRCAM, SF_FORMAT_IRCAM}};
        for (auto [k, name] : names)
            if (k == kind)
                return name;
        return 0;
    }

} // namespace

std::string CheckOpenReadAs(const std::string &name, const uint8_t *data, size_t size)
{
    AudioInfo info;
    AudioHandle *h = orvex::OpenReadMemory(data, size, name, info);
    if (!h)
        return AudioLastError() == AudioError::None ? "refused without a code" : "";
    uint64_t total = 0;
    if (info.channels > 0 && info.channels <= 1024 && info.samples > 0 && info.sampleRate > 0
        && info.bitWidth > 0) {
        std::vector<int16_t> buffer(std::max<uint32_t>(1024 / info.channels, 1) * info.channels);
        for (uint32_t n = 0; (n = AudioReadSixteen(h, buffer.data(), uint32_t(buffer.size()))) > 0
             && (total += n, n == buffer.size());)
            ;
    } else {
        total = UINT64_MAX;
    }
    AudioClose(h);
    if (total == UINT64_MAX)
        return "opened with an incomplete description";
    return total > uint64_t(info.samples) * info.channels ? "read more values than described" : "";
}

std::string CheckOpenRead(const uint8_t *data, size_t size)
{
    for (const char *name : {"f", "f.au", "f.snd", "f.wav"})
        if (std::string failure = CheckOpenReadAs(name, data, size); !failure.empty())
            return name + (": " + failure);
    return {};
}

std::string CheckConvertAs(const std::string &folder, const std::string &name, const uint8_t *data,
                           size_t size, const LevelChoice &level)
{
    const std::string output = folder + "/out.wav";
    CSixteenBitReader input;
    CAudioFileInfo audio;
    audio.SetOutputPath(output);
    audio.SetLevel(level);
    const bool converted
            = input.OpenMemory(data, size, name) == AudioError::None && audio.ConvertFrom(input);
    std::fflush(stdout);
    const std::vector<uint8_t> wav = ReadWhole(output);
    std::filesystem::remove(output);
    std::error_code ec;
    if (!std::filesystem::is_empty(folder, ec))
        return "a file was left beside the output";
    if (!converted)
        return wav.empty() ? "" : "a failed conversion left an output";
    const uint32_t channels = audio.GetInfo().channels;
    if (wav.size() < 44 || std::memcmp(wav.data(), "RIFF", 4) != 0 || Le32(wav, 4) != wav.size() - 8
        || Le32(wav, 40) != wav.size() - 44 || channels == 0
        || (wav.size() - 44) % (2 * channels) != 0
        || wav.size() - 44 > uint64_t(audio.GetInfo().samples) * channels * 2)
        return "the output is not a well-formed 16-bit WAV of at most the described length";
    return {};
}

std::string CheckConvert(const std::string &folder, const uint8_t *data, size_t size)
{
    // As it is, and normalised with dither: every value through the level chain, read twice.
    for (auto [name, level] :
         {std::pair<const char *, LevelChoice>{"in", {}}, {"in.au", {}}, {"in", {-1.0, 0, true}}})
        if (std::string failure = CheckConvertAs(folder, name, data, size, level); !failure.empty())
            return name + (": " + failure);
    return {};
}

std::string CheckSamplesAgree(const uint8_t *data, size_t size)
{
    CSixteenBitReader ours;
    if (ours.OpenMemory(data, size, "f") != AudioError::None)
        return {};
    const AudioInfo info = ours.GetInfo();
    const FormatKind kind = AudioFormatKind(info.format);
    // libsndfile reads the same bytes, from a file in memory that it closes.
    SF_INFO sf{};
    const int fd = memfd_create("samples", MFD_CLOEXEC);
    const bool written
            = fd >= 0 && write(fd, data, size) == ssize_t(size) && lseek(fd, 0, SEEK_SET) == 0;
    if (fd >= 0 && !written)
        close(fd);
    const std::unique_ptr<SNDFILE, decltype(&sf_close)> theirs(
            written ? sf_open_fd(fd, SFM_READ, &sf, SF_TRUE) : nullptr, &sf_close);
    const int container = sf.format & SF_FORMAT_TYPEMASK;
    if (!theirs
        || (container == SF_FORMAT_WAVEX ? SF_FORMAT_WAV : container) != SndfileContainer(kind)
        || (kind == FormatKind::SVX && info.channels > 1) || kind == FormatKind::NIST)
        return {};
    // Of two chunks that describe the samples or hold them, libsndfile takes the last, ours
    // the first: such a file is left out.
    char log[16384] = {};
    sf_command(theirs.get(), SFC_GET_LOG_INFO, log, sizeof log);
    for (const char *chunk : {"fmt  :", "data :", "COMM :", "SSND :", "VHDR :", "BODY :"})
        if (const char *first = std::strstr(log, chunk); first && std::strstr(first + 1, chunk))
            return {};
    if (sf.channels != int(info.channels))
        return "libsndfile reads " + std::to_string(sf.channels) + " channels, ours "
                + std::to_string(info.channels);
    // As far as both read; of packed 24-bit PARIS, as far as whole blocks of ten frames go
    // (libsndfile fills the rest of a block cut short from its memory).
    const sf_count_t most = kind == FormatKind::PAF && info.bitWidth == 24
            ? sf_count_t(size - 2048) / (32 * sf.channels) * 10
            : sf_count_t(1) << 22;
    const std::vector<int16_t> theirValues = fixtures::SixteenBitValues(theirs.get(), sf, most);
    std::vector<int16_t> mine(theirValues.size());
    mine.resize(ours.Read(mine.data(), uint32_t(mine.size() / info.channels)) * info.channels);
    const size_t at = size_t(std::mismatch(mine.begin(), mine.end(), theirValues.begin()).first
                             - mine.begin());
    return at == mine.size() ? ""
                             : "frame " + std::to_string(at / info.channels) + ": libsndfile reads "
                    + std::to_string(theirValues[at]) + ", ours " + std::to_string(mine[at]);
}

std::string CheckParse(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    CHostParams params;
    params.SetCommandLine(text);
    const bool valid = params.Parse();
    if (!params.m_strCommandLine.empty() && params.m_strCommandLine[0] == ' ')
        return "a leading space was kept";
    for (const std::string *p : {&params.m_strCommandLine, &params.m_strParam1, &params.m_strParam2,
                                 &params.m_strParam3, &params.m_strParam4})
        if (p->size() > text.size())
            return "a token is longer than the text";
    if (valid && text.find_first_not_of(' ') == std::string::npos)
        return "four tokens found in blank text";
    return {};
}

} // namespace fuzzchecks
