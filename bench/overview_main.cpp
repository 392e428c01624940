// orvex-overview-bench: builds the waveform summary of a file, as the window does when a file
// is picked, and nothing else; make bench times it against orvex-cli convert.
//   orvex-overview-bench FILE [--views COUNT [COLUMNS [MAX_BLOCKS]]]
// With --views it also says how large the summary is, and how long reading the finest views
// it cannot give takes: COLUMNS wide (1000 by default), a frame short of a block per column, at
// COUNT places spread over the file. MAX_BLOCKS bounds the summary otherwise, to compare.
#include "waveform_overview.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc < 2 || (argc > 2 && (argc < 4 || std::strcmp(argv[2], "--views") != 0))) {
        std::fprintf(stderr,
                     "usage: orvex-overview-bench FILE [--views COUNT [COLUMNS "
                     "[MAX_BLOCKS]]]\n");
        return 2;
    }
    const int views = argc > 3 ? std::atoi(argv[3]) : 0;
    const auto columns = uint32_t(argc > 4 ? std::atoi(argv[4]) : 1000);
    const uint64_t maxBlocks
            = argc > 5 ? std::strtoull(argv[5], nullptr, 10) : CWaveformSummary::kMaxBlocks;
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    CWaveformSummary summary;
    const AudioError e = CWaveformOverview::Compute(argv[1], summary, nullptr, maxBlocks);
    if (e != AudioError::None) {
        std::fprintf(stderr, "orvex-overview-bench: %s\n", AudioErrorText(e));
        return 1;
    }
    if (views <= 0)
        return 0;
    auto ms = [](Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    };
    const uint64_t frames = summary.Frames(), block = summary.BlockFrames();
    std::printf("summary: %llu frames in blocks of %llu, %zu bytes, built in %.0f ms\n",
                (unsigned long long)frames, (unsigned long long)block, summary.Bytes(),
                ms(Clock::now() - start));
    const uint64_t span = std::min(frames, block * columns - 1);
    CWaveformReader reader(argv[1]);
    std::vector<OverviewColumn> out;
    double worst = 0, total = 0;
    for (int i = 0; i < views; ++i) {
        const auto begin = Clock::now();
        if (!reader.Read({(frames - span) * uint64_t(i) / uint64_t(views), span, columns}, out,
                         [] { return true; })) {
            std::fprintf(stderr, "orvex-overview-bench: a view could not be read\n");
            return 1;
        }
        const double took = ms(Clock::now() - begin);
        worst = std::max(worst, took);
        total += took;
    }
    std::printf("views of %llu frames in %u columns: %.1f ms on average, %.1f ms at most\n",
                (unsigned long long)span, columns, total / views, worst);
    return 0;
}
