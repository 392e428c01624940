// orvex-cli convert -t DIR INPUT...: many files at once, each written exactly as converting it
// alone would write it, on as many threads as asked; a failed file is reported and the others
// go on.
#pragma once

#include "audio_file_info.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct BatchOptions
{
    std::optional<std::string> folder; // -t DIR
    std::vector<std::string> inputs;
    unsigned jobs = 0; // 0: one per core
    bool quiet = false;
    bool showProgress = false; // standard error is a terminal, and not quiet
    bool noClobber = false; // -n: outputs that exist are kept, not replaced
    std::optional<FrameRange> range; // --start, --end, --length: the part of each input
    LevelChoice level; // --gain, --normalize, --dither: each file normalised on its own
};

// The exit status: 0 when every file was converted (or kept), 1 when any failed, 2 when the
// batch was refused before anything was written (a usage error, two inputs that would land on
// one output, also by names that differ only in letter case where the folder's file system
// ignores it, an output that is one of the inputs).
int RunBatchConvert(const BatchOptions &options, std::ostream &err);
