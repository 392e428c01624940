// Why a file was refused, in words a user understands: what the file is when its first bytes
// say so (an MP3 file, a 64-bit float WAV file, a folder), and what Orvex reads instead. The
// binding's codes say what failed; these sentences say what to do about it.
#pragma once

#include "audio_library_binding.h"
#include "output_placement.h"

#include <cstddef>
#include <string>

struct AudioRefusal
{
    std::string detected; // what the file is ("MP3", "64-bit float WAV", "folder"); or empty
    std::string sentence; // one or two plain sentences; empty when there is nothing to add
};

// For an input that AudioOpenRead refused with `code`, on the thread that opened it: from the
// file's type (missing, a folder, empty) and what the open found in its first bytes and
// header. Standard input ("-") is explained by its code alone.
AudioRefusal ExplainInputRefusal(const std::string &path, AudioError code);

// For an output that a conversion could not write, refused with `code`, for the reason the
// system gave.
AudioRefusal ExplainOutputFailure(const std::string &path, AudioError code,
                                  const orvex::OutputTrouble &trouble);

// A name as it goes into a message: as it is, or, where it holds a line break or another
// control character, quoted as ls and the other coreutils quote it ('a'$'\n''b.wav'), so
// that one message stays one line.
std::string QuotedName(const std::string &name);
