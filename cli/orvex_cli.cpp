// orvex-cli's verbs (see orvex_cli.h): info and convert, --help and --version.
#include "orvex_cli.h"

#include "audio_file_info.h"
#include "orvex_version.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <ostream>
#include <sys/stat.h>

namespace {

constexpr const char kUsage[] = "usage: orvex-cli info [--json] FILE...\n"
                                "       orvex-cli convert [--quiet] INPUT OUTPUT\n"
                                "       orvex-cli --help | --version\n";

constexpr const char kHelp[]
        = "Describe audio files and convert them to 16-bit PCM WAV.\n"
          "\n"
          "  info [--json] FILE...   show format, sample rate, number of samples,\n"
          "                          channels and bit width of each FILE\n"
          "                          (--json: one JSON object per line)\n"
          "  convert INPUT OUTPUT    write INPUT as a 16-bit PCM WAV file at OUTPUT\n"
          "                          (--quiet: no progress line, no count of clipped\n"
          "                          samples; only errors)\n"
          "  --help                  show this text\n"
          "  --version               show the version\n"
          "\n"
          "A FILE or INPUT of \"-\" is standard input; an OUTPUT of \"-\" is standard output.\n"
          "Exit status: 0 on success, 1 when a file was refused or could not be\n"
          "written, 2 on a usage error.\n";

// The failure's code line, and the plain sentence on a line of its own when there is one.
void PrintFailure(std::ostream &err, const std::string &path, const CAudioFileInfo::Outcome &o)
{
    err << "orvex-cli: " << path << ": " << AudioErrorText(o.code) << " (code "
        << static_cast<int>(o.code) << ")\n";
    if (!o.explanation.empty())
        err << "orvex-cli: " << path << ": " << o.explanation << "\n";
}

// One line on a terminal, redrawn in place at most ten times a second: how far the
// conversion is, how fast it reads, and how long it has left.
class ProgressLine
{
public:
    ProgressLine(std::ostream &err, std::string label, int64_t inputBytes)
        : m_err(err)
        , m_label(std::move(label))
        , m_inputBytes(inputBytes)
        , m_start(Clock::now())
    { }
    ~ProgressLine()
    {
        if (m_drawn)
            m_err << "\r\033[K" << std::flush;
    }
    void Show(uint64_t done, uint64_t total, uint64_t outputBytes)
    {
        const auto now = Clock::now();
        if (total == 0 || now - m_last < std::chrono::milliseconds(100))
            return;
        m_last = now;
        const double fraction = std::min(1.0, double(done) / double(total));
        const double seconds = std::chrono::duration<double>(now - m_start).count();
        // Speed in the input's bytes where its length is known, else in the output's.
        const double bytes
                = m_inputBytes > 0 ? fraction * double(m_inputBytes) : double(outputBytes);
        const double left = fraction > 0 ? seconds * (1 - fraction) / fraction : 0;
        char line[160];
        std::snprintf(line, sizeof line, "%3d%%  %.1f MB/s  %d:%02d left", int(fraction * 100),
                      seconds > 0 ? bytes / seconds / 1e6 : 0.0, int(left) / 60, int(left) % 60);
        m_err << "\r\033[K" << m_label << ": " << line << std::flush;
        m_drawn = true;
    }

private:
    using Clock = std::chrono::steady_clock;
    std::ostream &m_err;
    std::string m_label;
    int64_t m_inputBytes;
    Clock::time_point m_start, m_last{};
    bool m_drawn = false;
};

// The duration in seconds to the millisecond, as a JSON number: "205.12", "2.5", "3".
std::string Seconds(const AudioInfo &info)
{
    const uint64_t ms = info.sampleRate
            ? (uint64_t(info.samples) * 1000 + info.sampleRate / 2) / info.sampleRate
            : 0;
    std::string text = std::to_string(ms / 1000);
    if (ms % 1000) {
        char fraction[8];
        std::snprintf(fraction, sizeof fraction, ".%03u", unsigned(ms % 1000));
        text += std::string(fraction).substr(0, std::string(fraction).find_last_not_of('0') + 1);
    }
    return text;
}

int64_t FileSize(const std::string &path)
{
    struct stat st
    {
    };
    return path != "-" && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : -1;
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
        audio.SetInputPath(path);
        const bool described = audio.Describe();
        const CAudioFileInfo::Outcome &o = audio.GetOutcome();
        if (!described) {
            PrintFailure(err, path, o);
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
                    << "\",\"encodingName\":" << JsonString(audio.m_strEncoding)
                    << ",\"seconds\":" << Seconds(info) << "}\n";
            } else {
                auto orNull = [](const std::string &text) {
                    return text.empty() ? std::string("null") : JsonString(text);
                };
                out << ",\"error\":" << static_cast<int>(o.code)
                    << ",\"message\":" << JsonString(AudioErrorText(o.code))
                    << ",\"detected\":" << orNull(o.detected)
                    << ",\"hint\":" << orNull(o.explanation) << "}\n";
            }
            continue;
        }
        // A refused file says why on standard error only: no empty block for it.
        if (!described)
            continue;
        // Several files: a heading before each block, a blank line between blocks.
        if (files.size() > 1)
            out << (first ? "" : "\n") << "==> " << path << " <==\n";
        first = false;
        out << "Format: " << audio.m_strFormat << "\n"
            << "Sample Rate: " << audio.m_strSampleRate << "\n"
            << "Number of Samples: " << audio.m_strSamples << "\n"
            << "Channels: " << audio.m_strChannels << "\n"
            << "Bit Width: " << audio.m_strBitWidth << "\n"
            << "Encoding: " << audio.m_strEncoding << "\n"
            << "Duration: " << audio.m_strDuration << "\n";
    }
    return status;
}

int RunConvert(const std::vector<std::string> &args, std::ostream &err, bool showProgress)
{
    bool quiet = false;
    std::vector<std::string> paths;
    for (const std::string &arg : args) {
        if (arg == "--quiet" || arg == "-q")
            quiet = true;
        else
            paths.push_back(arg);
    }
    if (paths.size() != 2 || paths[0].empty() || paths[1].empty()) {
        err << "orvex-cli: convert: needs INPUT and OUTPUT\n" << kUsage;
        return kCliUsage;
    }
    const std::string &input = paths[0], &output = paths[1];
    // Convert opens the input itself (and only once, so standard input works), with
    // the same code that the window's buttons run.
    CAudioFileInfo audio;
    audio.SetInputPath(input);
    audio.SetOutputPath(output);
    // Standard output carries the WAV file when OUTPUT is "-": nothing else goes there.
    audio.SetDiagnosticStream(stderr);
    std::optional<ProgressLine> progress;
    if (showProgress && !quiet) {
        progress.emplace(err, input, FileSize(input));
        audio.SetProgressHandler([&](uint64_t done, uint64_t total) {
            progress->Show(done, total, done * audio.GetInfo().channels * 2);
            return true;
        });
    }
    const bool converted = audio.Convert();
    progress.reset();
    const CAudioFileInfo::Outcome &report = audio.GetOutcome();
    if (!converted) {
        PrintFailure(err, report.onOutput ? output : input, report);
        return kCliFailed;
    }
    if (!quiet && report.clippedSamples > 0)
        err << "orvex-cli: " << input << ": " << report.clippedSamples << " samples clipped\n";
    if (!quiet && report.framesWritten < report.framesDescribed
        && report.framesDescribed != UINT32_MAX)
        err << "orvex-cli: " << input
            << ": the file ends early: " << GroupedDecimal(report.framesWritten) << " of "
            << GroupedDecimal(report.framesDescribed) << " frames were converted\n";
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

int RunOrvexCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
                bool showProgress)
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
        return RunConvert(rest, err, showProgress);
    err << "orvex-cli: unknown command " << verb << "\n" << kUsage;
    return kCliUsage;
}
