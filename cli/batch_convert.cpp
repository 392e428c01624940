// The batch conversion (see batch_convert.h). Threads take the next input from a shared
// counter; each file's messages are printed whole once it is done, so that lines of two
// files never mix; with one job the files go strictly in order.
#include "batch_convert.h"

#include "audio_file_info.h"
#include "cli_output.h"
#include "interrupt_cleanup.h"
#include "output_placement.h"
#include "path_names.h"
#include "refusal_explanation.h"

#include <atomic>
#include <climits>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace {

using orvex::FoldedCase;
using orvex::NameOf;
using orvex::RealFolderOf;

// DIR/NAME.wav, NAME being the input's name without its last extension.
std::string OutputFor(const std::string &folder, const std::string &input)
{
    return folder + (folder.ends_with('/') ? "" : "/") + orvex::StemOf(NameOf(input)) + ".wav";
}

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Refuses, naming them, inputs that would land on one output and outputs that are inputs,
// as the target folder's file system tells names apart: a FAT card does not by letter case.
bool Plan(const BatchOptions &options, std::vector<std::string> &outputs, std::ostream &err)
{
    std::map<std::string, size_t> taken;
    std::vector<std::pair<struct stat, size_t>> inputs;
    std::optional<bool> ignoresCase; // asked of the folder only where names differ so
    auto key = [&](const std::string &output) {
        const std::string name = NameOf(output);
        if (FoldedCase(name) == name)
            return name;
        if (!ignoresCase)
            ignoresCase = orvex::FolderIgnoresCase(*options.folder);
        return *ignoresCase ? FoldedCase(name) : name;
    };
    bool ok = true;
    for (size_t i = 0; i < options.inputs.size(); ++i) {
        const std::string &input = options.inputs[i];
        outputs.push_back(OutputFor(*options.folder, input));
        const auto [at, fresh] = taken.emplace(key(outputs.back()), i);
        if (!fresh) {
            err << "orvex-cli: " << QuotedName(options.inputs[at->second]) << " and "
                << QuotedName(input) << " would both be written to " << QuotedName(outputs.back())
                << (outputs[at->second] != outputs.back()
                            ? ", the same file as " + QuotedName(outputs[at->second])
                            : std::string())
                << "\n";
            ok = false;
        }
        struct stat st
        {
        };
        if (::stat(input.c_str(), &st) == 0)
            inputs.emplace_back(st, i);
    }
    for (size_t i = 0; i < outputs.size(); ++i) {
        struct stat st
        {
        };
        if (::stat(outputs[i].c_str(), &st) != 0)
            continue;
        for (const auto &[in, j] : inputs) {
            // The same file by its inode, or on a card whose inodes say nothing, by its name.
            const std::string input = options.inputs[j];
            const bool sameName = NameOf(input) != NameOf(outputs[i])
                    && FoldedCase(NameOf(input)) == FoldedCase(NameOf(outputs[i]))
                    && RealFolderOf(input) == RealFolderOf(outputs[i])
                    && orvex::SameNameIn(*options.folder, NameOf(input), NameOf(outputs[i]));
            if (SameFile(in, st) || sameName) {
                err << "orvex-cli: " << QuotedName(outputs[i]) << " would be written over "
                    << QuotedName(input) << ", one of the inputs\n";
                ok = false;
            }
        }
    }
    return ok;
}

} // namespace

int RunBatchConvert(const BatchOptions &options, std::ostream &err)
{
    struct stat folder
    {
    };
    if (options.inputs.empty() || ::stat(options.folder->c_str(), &folder) != 0
        || !S_ISDIR(folder.st_mode)) {
        err << "orvex-cli: convert: "
            << (options.inputs.empty() ? "no INPUT given" : *options.folder + " is not a folder")
            << "\n";
        return 2;
    }
    for (const std::string &input : options.inputs)
        if (input == "-" || input.empty()) {
            err << "orvex-cli: convert: standard input cannot be one of many inputs\n";
            return 2;
        }
    std::vector<std::string> outputs;
    if (!Plan(options, outputs, err))
        return 2;

    const size_t total = options.inputs.size();
    unsigned jobs = options.jobs ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
    jobs = unsigned(std::min<size_t>(jobs, total));
    std::vector<int64_t> sizes;
    int64_t allBytes = 0;
    for (const std::string &input : options.inputs)
        allBytes += std::max<int64_t>(0, sizes.emplace_back(FileSize(input)));

    std::atomic<size_t> next{0};
    std::mutex lock; // guards what follows, and `err`
    size_t done = 0, failed = 0;
    int64_t bytesDone = 0;
    std::optional<ProgressLine> progress;
    if (options.showProgress)
        progress.emplace(err, "");
    size_t kept = 0;
    auto work = [&] {
        for (size_t i; (i = next++) < total;) {
            std::ostringstream said;
            struct stat st
            {
            };
            const bool keep = options.noClobber && ::lstat(outputs[i].c_str(), &st) == 0;
            bool converted = true;
            if (keep) {
                said << "orvex-cli: " << QuotedName(outputs[i])
                     << ": kept as it was (--no-clobber)\n";
            } else {
                CAudioFileInfo audio;
                audio.SetInputPath(options.inputs[i]);
                audio.SetOutputPath(outputs[i]);
                audio.SetFrameRange(options.range);
                audio.SetLevel(options.level);
                audio.SetDiagnosticStream(nullptr); // the refusal's own lines say it
                converted = audio.Convert();
                const CAudioFileInfo::Outcome &o = audio.GetOutcome();
                if (!converted)
                    PrintFailure(said, o.onOutput ? outputs[i] : options.inputs[i], o);
                else if (!options.quiet)
                    PrintWarnings(said, options.inputs[i], o);
            }
            std::lock_guard<std::mutex> hold(lock);
            ++done;
            kept += keep;
            failed += !converted;
            if (options.showProgress)
                orvex::SetInterruptNote(
                        "\r\033[KInterrupted: " + std::to_string(done - failed - kept) + " of "
                        + std::to_string(total) + " files were converted before it.\n");
            bytesDone += std::max<int64_t>(0, sizes[i]);
            if (!said.str().empty()) {
                if (progress)
                    progress->Wipe(); // and drawn again below the message
                err << said.str();
            }
            if (progress)
                progress->Show(std::to_string(done) + " of " + std::to_string(total) + " files",
                               allBytes > 0 ? double(bytesDone) / double(allBytes)
                                            : double(done) / double(total),
                               double(bytesDone), done == total);
        }
    };
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < jobs; ++t)
        threads.emplace_back(work);
    work();
    for (std::thread &thread : threads)
        thread.join();
    progress.reset();
    orvex::SetInterruptNote({});
    if (options.showProgress)
        err << "Converted " << total - failed - kept << " of " << total << " files"
            << (kept ? "; " + std::to_string(kept) + " kept" : "")
            << (failed ? "; " + std::to_string(failed) + " refused" : "") << "\n";
    return failed ? 1 : 0;
}
