// orvex-overview-bench: computes the waveform overview of a file, as the window does when
// a file is picked, and nothing else; make bench times it against orvex-cli convert.
//   orvex-overview-bench FILE [COLUMNS]
#include "waveform_overview.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvex-overview-bench FILE [COLUMNS]\n");
        return 2;
    }
    const auto columns = uint32_t(argc > 2 ? std::atoi(argv[2]) : 450);
    std::vector<OverviewColumn> out;
    const AudioError e = CWaveformOverview::Compute(argv[1], columns, out, nullptr);
    if (e != AudioError::None) {
        std::fprintf(stderr, "orvex-overview-bench: %s\n", AudioErrorText(e));
        return 1;
    }
    return 0;
}
