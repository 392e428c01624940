// How far an open input reaches beside the frames it describes, for the conversion and the
// readers above the binding; the handle itself stays opaque to them.
#pragma once

#include "audio_library_binding.h"

#include <cstdint>

namespace orvex {

// Frames beside those an open input describes (AudioInfo::samples): what its header promised,
// where the file holds fewer and the description counts what it holds; and what its bytes
// can hold, where the description counts what its header promised (AIFF, NIST).
struct InputExtent
{
    uint64_t promised;
    uint64_t held;
    bool unknown = false; // a stream of a length no header states, read to its end
    bool stream = false; // read forward once (a pipe): it cannot be read again
};
InputExtent ExtentOf(const AudioHandle *handle);

} // namespace orvex
