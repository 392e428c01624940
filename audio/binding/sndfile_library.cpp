// Loading libsndfile at run time (see sndfile_library.h).
#include "sndfile_library.h"

#include <dlfcn.h>

#include <atomic>
#include <mutex>
#include <type_traits>

namespace orvex {

namespace {

    std::mutex g_loading; // guards what follows but the pointer
    std::atomic<const SndfileLibrary *> g_library{nullptr};
    std::string g_loadError;

} // namespace

const SndfileLibrary *Sndfile()
{
    if (const SndfileLibrary *library = g_library.load(std::memory_order_acquire))
        return library;
    std::lock_guard<std::mutex> hold(g_loading);
    if (const SndfileLibrary *library = g_library.load(std::memory_order_acquire))
        return library;
    void *handle = dlopen(kSndfileLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *why = dlerror();
        g_loadError = why ? why : "";
        return nullptr;
    }
    static SndfileLibrary found;
    auto bind = [handle](auto &function, const char *name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                dlsym(handle, name));
        return function != nullptr;
    };
    if (!(bind(found.openVirtual, "sf_open_virtual") && bind(found.close, "sf_close")
          && bind(found.command, "sf_command") && bind(found.seek, "sf_seek")
          && bind(found.readfDouble, "sf_readf_double"))) {
        g_loadError = "a function of libsndfile is missing";
        dlclose(handle);
        return nullptr;
    }
    // Loaded for the rest of the process.
    g_loadError.clear();
    g_library.store(&found, std::memory_order_release);
    return &found;
}

std::string SndfileLoadError()
{
    std::lock_guard<std::mutex> hold(g_loading);
    return g_loadError;
}

} // namespace orvex
