// The batch conversion (see batch_convert.h). Threads take the next input from a shared
// counter; each file's messages are printed whole once it is done, so that lines of two
// files never mix; with one job the files go strictly in order.
#include "batch_convert.h"

#include "audio_file_info.h"
#include "cli_output.h"

#include <atomic>
#include <map>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace {

// DIR/NAME.wav, NAME being the input's name without its last extension.
std::string OutputFor(const std::string &folder, const std::string &input)
{
    const size_t slash = input.find_last_of('/');
    std::string name = slash == std::string::npos ? input : input.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return folder + (folder.ends_with('/') ? "" : "/") + name + ".wav";
}

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Refuses, naming them, inputs that would land on one output and outputs that are inputs.
bool Plan(const BatchOptions &options, std::vector<std::string> &outputs, std::ostream &err)
{
    std::map<std::string, size_t> taken;
    std::vector<std::pair<struct stat, size_t>> inputs;
    bool ok = true;
    for (size_t i = 0; i < options.inputs.size(); ++i) {
        const std::string &input = options.inputs[i];
        outputs.push_back(OutputFor(*options.folder, input));
        const auto [at, fresh] = taken.emplace(outputs.back(), i);
        if (!fresh) {
            err << "orvex-cli: " << options.inputs[at->second] << " and " << input
                << " would both be written to " << outputs.back() << "\n";
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
        for (const auto &[in, j] : inputs)
            if (SameFile(in, st)) {
                err << "orvex-cli: " << outputs[i] << " would be written over " << options.inputs[j]
                    << ", one of the inputs\n";
                ok = false;
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
    auto work = [&] {
        for (size_t i; (i = next++) < total;) {
            CAudioFileInfo audio;
            audio.SetInputPath(options.inputs[i]);
            audio.SetOutputPath(outputs[i]);
            audio.SetDiagnosticStream(nullptr); // the refusal's own lines say it
            const bool converted = audio.Convert();
            std::ostringstream said;
            const CAudioFileInfo::Outcome &o = audio.GetOutcome();
            if (!converted)
                PrintFailure(said, o.onOutput ? outputs[i] : options.inputs[i], o);
            else if (options.showProgress)
                PrintWarnings(said, options.inputs[i], o);
            std::lock_guard<std::mutex> hold(lock);
            ++done;
            failed += !converted;
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
    if (options.showProgress)
        err << "Converted " << total - failed << " of " << total << " files"
            << (failed ? "; " + std::to_string(failed) + " refused" : "") << "\n";
    return failed ? 1 : 0;
}
