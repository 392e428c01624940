// The checks the fuzz targets and the regression tests share (see fuzz_checks.h).
#include "fuzz_checks.h"

#include "audio_file_info.h"
#include "audio_handle.h"
#include "host_params.h"
#include "sixteen_bit_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
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
        std::vector<double> buffer(std::max<uint32_t>(1024 / info.channels, 1) * info.channels);
        for (uint32_t n = 0; (n = AudioReadDouble(h, buffer.data(), uint32_t(buffer.size()))) > 0
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
