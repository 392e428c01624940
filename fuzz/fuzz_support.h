// Shared by the fuzz targets: a private folder on tmpfs for the files they write, and
// a mutator that often keeps a container's first twelve bytes, so that mutations
// reach the header readers instead of only ever making files nothing recognises.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace fuzz {

// A folder of this process's own, made once.
inline const std::string &Folder()
{
    static const std::string folder = [] {
        std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string templ = base + "/orvex-fuzz-XXXXXX";
        if (!mkdtemp(templ.data()))
            abort();
        return templ;
    }();
    return folder;
}

} // namespace fuzz

extern "C" size_t LLVMFuzzerMutate(uint8_t *data, size_t size, size_t maxSize);

// Half of the mutations leave the first twelve bytes (the container's marker) alone.
#define ORVEX_FUZZ_KEEP_MARKER_MUTATOR                                                             \
    extern "C" size_t LLVMFuzzerCustomMutator(uint8_t *data, size_t size, size_t maxSize,          \
                                              unsigned int seed)                                   \
    {                                                                                              \
        constexpr size_t kMarker = 12;                                                             \
        if (seed % 2 == 0 || size <= kMarker || maxSize <= kMarker)                                \
            return LLVMFuzzerMutate(data, size, maxSize);                                          \
        return kMarker + LLVMFuzzerMutate(data + kMarker, size - kMarker, maxSize - kMarker);      \
    }
