// libFuzzer entry point: arbitrary text as the host's command line.
#include "fuzz_checks.h"
#include "fuzz_support.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string failure = fuzzchecks::CheckParse(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "fuzz_host_params: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
