// libFuzzer entry point: arbitrary bytes as a file in memory, read by our own code and by
// libsndfile, which must agree on every sample both read.
#include "fuzz_checks.h"
#include "fuzz_support.h"

#include <cstdio>

ORVEX_FUZZ_KEEP_MARKER_MUTATOR

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string failure = fuzzchecks::CheckSamplesAgree(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "fuzz_differential: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
