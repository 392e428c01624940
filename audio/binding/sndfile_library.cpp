// Loading libsndfile at run time (see sndfile_library.h).
#include "sndfile_library.h"

#include <dlfcn.h>

#include <type_traits>

namespace orvex {

const SndfileLibrary *Sndfile()
{
    static const SndfileLibrary *const library = []() -> const SndfileLibrary * {
        void *handle = dlopen("libsndfile.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return nullptr;
        static SndfileLibrary found;
        auto bind = [handle](auto &function, const char *name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                    dlsym(handle, name));
            return function != nullptr;
        };
        const bool all = bind(found.openVirtual, "sf_open_virtual") && bind(found.close, "sf_close")
                && bind(found.command, "sf_command") && bind(found.seek, "sf_seek")
                && bind(found.readfDouble, "sf_readf_double");
        return all ? &found : nullptr;
    }();
    return library;
}

} // namespace orvex
