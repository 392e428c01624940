// libFuzzer entry point: arbitrary bytes as a file in memory, converted to a WAV file.
#include "fuzz_checks.h"
#include "fuzz_support.h"

#include <cstdio>

ORVEX_FUZZ_KEEP_MARKER_MUTATOR

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string failure = fuzzchecks::CheckConvert(fuzz::Folder(), data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "fuzz_convert: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
