// orvex-cli's verbs (see orvex_cli.h): info and convert, --help and --version.
#include "orvex_cli.h"

#include "audio_file_info.h"
#include "batch_convert.h"
#include "cli_options.h"
#include "cli_output.h"
#include "description_fields.h"
#include "orvex_version.h"
#include "refusal_explanation.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <ostream>
#include <sys/stat.h>

namespace {

constexpr const char kUsage[]
        = "usage: orvex-cli info [--json] [--] FILE...\n"
          "       orvex-cli convert [-n] [--quiet] [LEVEL] [PART] [--] INPUT OUTPUT\n"
          "       orvex-cli convert [-j N] [-n] [--quiet] [LEVEL] [PART] -t DIR [--] INPUT...\n"
          "   LEVEL: [--gain DB | --normalize[=DBFS]] [--dither]\n"
          "   PART: [--start T] [--end T | --length T]\n"
          "       orvex-cli --help | --version\n";

constexpr const char kHelp[]
        = "Describe audio files and convert them to 16-bit PCM WAV.\n"
          "\n"
          "  info [--json] FILE...   show format, sample rate, number of samples,\n"
          "                          channels and bit width of each FILE\n"
          "                          (--json: one JSON object per line)\n"
          "  convert INPUT OUTPUT    write INPUT as a 16-bit PCM WAV file at OUTPUT\n"
          "  convert -t DIR INPUT... write each INPUT as DIR/NAME.wav, NAME being its\n"
          "                          name without its last extension\n"
          "    -t, --target-directory=DIR   the folder the WAV files go to\n"
          "    -j, --jobs=N          N conversions at once (default: one per core;\n"
          "                          -j 1 converts strictly in order)\n"
          "    -n, --no-clobber      keep an OUTPUT that exists, and say so\n"
          "    --start T, --end T, --length T\n"
          "                          convert only that part: T in seconds (90.5),\n"
          "                          m:ss.mmm, h:mm:ss.mmm, or frames (44100f)\n"
          "    --gain DB             raise (or with -DB lower) the level by DB decibels,\n"
          "                          from -60 to 60, rounding to the nearest step\n"
          "    --normalize[=DBFS]    bring the peak of what is converted to DBFS (from\n"
          "                          -60 to 0; -1.0 when not given), clipping nothing;\n"
          "                          each file on its own; the input is read twice\n"
          "    --dither              add triangular dither before rounding to 16 bits,\n"
          "                          where the values carry more (24 bits, float, a gain)\n"
          "    -q, --quiet           no progress line, no count of clipped samples:\n"
          "                          only errors\n"
          "  --                      what follows is a file, even if it starts with -\n"
          "  --help                  show this text\n"
          "  --version               show the version\n"
          "\n"
          "A FILE or INPUT of \"-\" is standard input; an OUTPUT of \"-\" is standard output.\n"
          "Exit status: 0 on success, 1 when a file was refused or could not be\n"
          "written (the others are converted all the same), 2 on a usage error.\n";

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
            err << "orvex-cli: info: unknown option " << QuotedName(arg)
                << " (a file of that name goes after --)\n"
                << kUsage;
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
        } else if (o.framesHeld < o.framesDescribed) {
            err << "orvex-cli: " << QuotedName(path) << ": the file ends early: it holds "
                << GroupedDecimal(o.framesHeld) << " of the " << GroupedDecimal(o.framesDescribed)
                << " frames its header promises\n";
        }
        if (json) {
            out << "{\"path\":" << JsonString(path);
            if (described) {
                for (const DescriptionField &field : DescriptionFields())
                    if (field.jsonKey) {
                        const std::string value = (field.json ? field.json : field.text)(audio);
                        out << ",\"" << field.jsonKey
                            << "\":" << (field.jsonNumber ? value : JsonString(value));
                    }
                out << "}\n";
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
        for (const DescriptionField &field : DescriptionFields())
            if (field.label)
                out << field.label << ": " << field.text(audio) << "\n";
    }
    return status;
}

int ConvertOne(const std::string &input, const std::string &output, const BatchOptions &options,
               std::ostream &err, bool showProgress)
{
    const bool quiet = options.quiet, noClobber = options.noClobber;
    struct stat st
    {
    };
    if (noClobber && output != "-" && ::lstat(output.c_str(), &st) == 0) {
        err << "orvex-cli: " << QuotedName(output) << ": kept as it was (--no-clobber)\n";
        return kCliOk;
    }
    // Convert opens the input itself (and only once, so standard input works), with
    // the same code that the window's buttons run.
    CAudioFileInfo audio;
    audio.SetInputPath(input);
    audio.SetOutputPath(output);
    audio.SetFrameRange(options.range);
    audio.SetLevel(options.level);
    // Standard output carries the WAV file when OUTPUT is "-": nothing else goes there.
    audio.SetDiagnosticStream(stderr);
    std::optional<ProgressLine> progress;
    if (showProgress && !quiet) {
        const int64_t size = FileSize(input);
        progress.emplace(err, input + ": ");
        audio.SetProgressHandler([&](uint64_t done, uint64_t total) {
            const double fraction = total ? double(done) / double(total) : 0;
            // Speed in the input's bytes where its length is known, else in the output's.
            progress->Show(std::to_string(int(fraction * 100)) + "%", fraction,
                           size > 0 ? fraction * double(size)
                                    : double(done * audio.GetInfo().channels * 2));
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
    if (!quiet)
        PrintWarnings(err, input, report);
    return kCliOk;
}

int RunConvert(const std::vector<std::string> &args, std::ostream &err, bool showProgress)
{
    BatchOptions batch;
    bool optionsEnded = false, gainGiven = false;
    std::optional<FrameRange> &range = batch.range;
    std::vector<std::string> paths;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        auto value = [&](const char *name) -> std::optional<std::string> {
            const std::string eq = std::string(name) + "=";
            if (arg.starts_with(eq))
                return arg.substr(eq.size());
            if (arg == name && i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };
        std::optional<std::string> v;
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            paths.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--quiet" || arg == "-q") {
            batch.quiet = true;
        } else if (arg == "--no-clobber" || arg == "-n") {
            batch.noClobber = true;
        } else if (arg == "--dither") {
            batch.level.dither = true;
        } else if ((v = value("--gain"))) {
            if (!ParseDecibels(*v, -kMaxGainDb, kMaxGainDb, batch.level.gainDb)) {
                err << "orvex-cli: convert: --gain needs decibels from -60 to 60, such as 6 or "
                       "-3.5, not "
                    << QuotedName(*v) << "\n"
                    << kUsage;
                return kCliUsage;
            }
            gainGiven = true;
        } else if (arg == "--normalize" || arg.starts_with("--normalize=")) {
            double dbfs = -1.0;
            if (arg != "--normalize"
                && !ParseDecibels(arg.substr(12), kLowestNormalizeDbfs, 0.0, dbfs)) {
                err << "orvex-cli: convert: --normalize takes a level from -60 to 0 dBFS, such "
                       "as --normalize=-0.5, not "
                    << QuotedName(arg.substr(12)) << "\n"
                    << kUsage;
                return kCliUsage;
            }
            batch.level.normalizeDbfs = dbfs;
        } else if ((v = value("-t")) || (v = value("--target-directory"))) {
            batch.folder = *v;
        } else if ((v = value("-j")) || (v = value("--jobs"))
                   || (arg.starts_with("-j") && (v = arg.substr(2)))) {
            uint64_t jobs = 0;
            if (!ParseCount(*v, 1, 256, jobs)) {
                err << "orvex-cli: convert: -j needs a number of jobs from 1 to 256\n" << kUsage;
                return kCliUsage;
            }
            batch.jobs = unsigned(jobs);
        } else if ((v = value("--start")) || (v = value("--end")) || (v = value("--length"))) {
            const bool start = arg.starts_with("--start"), end = arg.starts_with("--end");
            FramePlace place;
            if (!ParseFramePlace(*v, place)) {
                err << "orvex-cli: convert: " << QuotedName(*v)
                    << " is not a time (90.5, 1:30.500, 1:01:30.500) or a frame (44100f)\n"
                    << kUsage;
                return kCliUsage;
            }
            if (!range)
                range.emplace();
            if (start)
                range->start = place;
            else
                (end ? range->end : range->length) = place;
        } else {
            err << "orvex-cli: convert: unknown option " << QuotedName(arg)
                << " (a file of that name goes after --)\n"
                << kUsage;
            return kCliUsage;
        }
    }
    if (range && range->end && range->length) {
        err << "orvex-cli: convert: --end and --length say the same; give one of them\n" << kUsage;
        return kCliUsage;
    }
    // Both set the gain, and a gain on top of a normalisation is a normalisation to another
    // level: the user says which level is meant.
    if (gainGiven && batch.level.normalizeDbfs) {
        err << "orvex-cli: convert: --gain and --normalize both set the level; give one of them "
               "(--normalize=DBFS puts the peak at DBFS)\n"
            << kUsage;
        return kCliUsage;
    }
    if (!batch.folder) {
        if (paths.size() != 2 || paths[0].empty() || paths[1].empty()) {
            err << "orvex-cli: convert: needs INPUT and OUTPUT, or -t DIR and INPUT...\n" << kUsage;
            return kCliUsage;
        }
        return ConvertOne(paths[0], paths[1], batch, err, showProgress);
    }
    batch.inputs = std::move(paths);
    batch.showProgress = showProgress && !batch.quiet;
    return RunBatchConvert(batch, err);
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
