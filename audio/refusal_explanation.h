// Why a file was refused, in words a user understands: what the file is when its first bytes
// say so (an MP3 file, a 64-bit float WAV file, a folder), and what Orvex reads instead. The
// binding's codes say what failed; these sentences say what to do about it.
#pragma once

#include "audio_library_binding.h"

#include <cstddef>
#include <string>

struct AudioRefusal
{
    std::string detected; // what the file is ("MP3", "64-bit float WAV", "folder"); or empty
    std::string sentence; // one or two plain sentences; empty when there is nothing to add
};

// For an input that AudioOpenRead refused with `code`. Looks at the file again (its type and
// first bytes); standard input ("-") cannot be looked at again and is explained by its code.
AudioRefusal ExplainInputRefusal(const std::string &path, AudioError code);

// For an output that a conversion could not write, refused with `code`.
AudioRefusal ExplainOutputFailure(const std::string &path, AudioError code);

// What the opening bytes of a file that no reader took make of it ("FLAC", "MIDI"...), with
// the article that goes before the name; empty when nothing is known.
struct DetectedFormat
{
    const char *article;
    const char *name;
};
DetectedFormat DetectOtherFormat(const unsigned char *head, size_t size);
