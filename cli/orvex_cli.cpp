// orvex-cli's verbs (see orvex_cli.h): info and convert, --help and --version.
#include "orvex_cli.h"

#include "audio_file_info.h"
#include "orvex_version.h"

#include <ostream>

namespace {

constexpr const char kUsage[] = "usage: orvex-cli info [--json] FILE...\n"
                                "       orvex-cli convert INPUT OUTPUT\n"
                                "       orvex-cli --help | --version\n";

constexpr const char kHelp[]
        = "Describe audio files and convert them to 16-bit PCM WAV.\n"
          "\n"
          "  info [--json] FILE...   show format, sample rate, number of samples,\n"
          "                          channels and bit width of each FILE\n"
          "                          (--json: one JSON object per line)\n"
          "  convert INPUT OUTPUT    write INPUT as a 16-bit PCM WAV file at OUTPUT\n"
          "  --help                  show this text\n"
          "  --version               show the version\n"
          "\n"
          "A FILE or INPUT of \"-\" is standard input; an OUTPUT of \"-\" is standard output.\n"
          "Exit status: 0 on success, 1 when a file was refused or could not be\n"
          "written, 2 on a usage error.\n";

void PrintRefusal(std::ostream &err, const std::string &path, AudioError code)
{
    err << "orvex-cli: " << path << ": " << AudioErrorText(code) << " (code "
        << static_cast<int>(code) << ")\n";
}

// Describes one file; on refusal `code` holds the reason.
bool DescribeFile(CAudioFileInfo &audio, const std::string &path, AudioError &code)
{
    audio.SetInputPath(path);
    if (path.empty()) {
        code = AudioError::OpenFailed;
        return false;
    }
    if (!audio.Describe()) {
        code = audio.GetOutcome().code;
        return false;
    }
    return true;
}

int RunInfo(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    bool json = false;
    bool optionsEnded = false;
    std::vector<std::string> files;
    for (const std::string &arg : args) {
        if (!optionsEnded && arg == "--json") {
            json = true;
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            err << "orvex-cli: info: unknown option " << arg << "\n" << kUsage;
            return kCliUsage;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        err << "orvex-cli: info: no file given\n" << kUsage;
        return kCliUsage;
    }

    int status = kCliOk;
    bool first = true;
    for (const std::string &path : files) {
        CAudioFileInfo audio;
        AudioError code = AudioError::None;
        const bool described = DescribeFile(audio, path, code);
        if (!described) {
            PrintRefusal(err, path, code);
            status = kCliFailed;
        }
        if (json) {
            out << "{\"path\":" << JsonString(path);
            if (described) {
                const AudioInfo &info = audio.GetInfo();
                out << ",\"format\":" << JsonString(audio.m_strFormat)
                    << ",\"sampleRate\":" << info.sampleRate << ",\"samples\":" << info.samples
                    << ",\"channels\":" << info.channels << ",\"bitWidth\":" << info.bitWidth
                    << ",\"kind\":\"" << FormatKindName(AudioFormatKind(info.format))
                    << "\",\"encoding\":\"" << SampleEncodingName(AudioSampleEncoding(info.format))
                    << "\"}\n";
            } else {
                out << ",\"error\":" << static_cast<int>(code)
                    << ",\"message\":" << JsonString(AudioErrorText(code)) << "}\n";
            }
            continue;
        }
        // Several files: a heading before each block, a blank line between blocks.
        if (files.size() > 1) {
            if (!first)
                out << "\n";
            out << "==> " << path << " <==\n";
        }
        first = false;
        if (described) {
            out << "Format: " << audio.m_strFormat << "\n"
                << "Sample Rate: " << audio.m_strSampleRate << "\n"
                << "Number of Samples: " << audio.m_strSamples << "\n"
                << "Channels: " << audio.m_strChannels << "\n"
                << "Bit Width: " << audio.m_strBitWidth << "\n";
        }
    }
    return status;
}

int RunConvert(const std::vector<std::string> &args, std::ostream &err)
{
    if (args.size() != 2 || args[0].empty() || args[1].empty()) {
        err << "orvex-cli: convert: needs INPUT and OUTPUT\n" << kUsage;
        return kCliUsage;
    }
    const std::string &input = args[0], &output = args[1];
    // Convert opens the input itself (and only once, so standard input works), with
    // the same code that the window's buttons run.
    CAudioFileInfo audio;
    audio.SetInputPath(input);
    audio.SetOutputPath(output);
    const bool converted = audio.Convert();
    const CAudioFileInfo::Outcome &report = audio.GetOutcome();
    if (report.clippedSamples > 0)
        err << "orvex-cli: " << input << ": " << report.clippedSamples << " samples clipped\n";
    if (!converted) {
        PrintRefusal(err, report.onOutput ? output : input, report.code);
        return kCliFailed;
    }
    return kCliOk;
}

} // namespace

std::string JsonString(const std::string &text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const size_t n = text.size();
    for (size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (c < 0x20 || c == 0x7F) {
            switch (c) {
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            }
            ++i;
            continue;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        // A well-formed UTF-8 sequence (no overlong forms, no surrogates, at most
        // U+10FFFF) is copied; any other byte is escaped on its own.
        size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        bool valid = len != 0 && c <= 0xF4 && i + len <= n;
        for (size_t k = 1; valid && k < len; ++k)
            valid = (p[i + k] & 0xC0) == 0x80;
        if (valid && len == 3)
            valid = !(c == 0xE0 && p[i + 1] < 0xA0) && !(c == 0xED && p[i + 1] >= 0xA0);
        if (valid && len == 4)
            valid = !(c == 0xF0 && p[i + 1] < 0x90) && !(c == 0xF4 && p[i + 1] >= 0x90);
        if (valid) {
            out.append(text, i, len);
            i += len;
        } else {
            out += "\\udc";
            out += kHex[c >> 4];
            out += kHex[c & 15];
            ++i;
        }
    }
    out += '"';
    return out;
}

int RunOrvexCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    if (args.empty()) {
        err << kUsage;
        return kCliUsage;
    }
    const std::string &verb = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (verb == "--help" || verb == "-h") {
        out << kUsage << "\n" << kHelp;
        return kCliOk;
    }
    if (verb == "--version") {
        out << "orvex-cli " << ORVEX_VERSION_TEXT << "\n";
        return kCliOk;
    }
    if (verb == "info")
        return RunInfo(rest, out, err);
    if (verb == "convert")
        return RunConvert(rest, err);
    err << "orvex-cli: unknown command " << verb << "\n" << kUsage;
    return kCliUsage;
}
