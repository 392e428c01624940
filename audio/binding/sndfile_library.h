// libsndfile, loaded the first time a stream needs its decoder. Plain values are read by our
// own code, so describing or converting them never loads it, nor the codec libraries it
// brings along: half of what a short conversion cost was loading them. The library stays
// loaded until the process ends. Internal to the binding.
#pragma once

#include <sndfile.h>

#include <string>

namespace orvex {

struct SndfileLibrary
{
    decltype(&sf_open_virtual) openVirtual = nullptr;
    decltype(&sf_close) close = nullptr;
    decltype(&sf_command) command = nullptr;
    decltype(&sf_seek) seek = nullptr;
    decltype(&sf_readf_double) readfDouble = nullptr;
};

// The library's file name, as it is loaded.
inline constexpr char kSndfileLibraryName[] = "libsndfile.so.1";

// The library's functions; nullptr when it cannot be loaded (not installed, or no file may
// be opened just now), and then tried again on the next call.
const SndfileLibrary *Sndfile();
// Why the last attempt to load it failed, in the loader's words; empty after a success.
std::string SndfileLoadError();

} // namespace orvex
