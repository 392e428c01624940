// What the fuzz targets demand of each input, shared with the ordinary test suite so
// that an input that ever failed stays a regression test there. Each check returns an
// empty string when the behaviour held, or a sentence saying what went wrong.
#pragma once

#include "level.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzchecks {

// The bytes, read from memory, as a file under each name ending that changes recognition
// (none, .au, .snd, .wav): an open that succeeds describes something readable, and reading
// it ends within the described length.
std::string CheckOpenRead(const uint8_t *data, size_t size);
// The same under one given name.
std::string CheckOpenReadAs(const std::string &name, const uint8_t *data, size_t size);

// The bytes, read from memory under the names "in" and "in.au", converted as a conversion
// does into `folder`, which holds nothing else (and once more normalised, with dither): one
// that succeeds leaves a well-formed 16-bit WAV whose sizes match its length; one that fails
// leaves no output and no temporary file.
std::string CheckConvert(const std::string &folder, const uint8_t *data, size_t size);
// The same under one given name, at one level; the output is removed afterwards.
std::string CheckConvertAs(const std::string &folder, const std::string &name, const uint8_t *data,
                           size_t size, const LevelChoice &level = {});

// The bytes read by our own roads (stored values, planes, packed blocks, ADPCM) and by
// libsndfile's reading of the same bytes: where both read them as the same container, the
// same 16-bit samples, as far as both read. Left out: stereo 8SVX, whose planes libsndfile
// reads as frames; the last block of packed 24-bit PARIS when it is cut short; NIST Sphere,
// whose text header libsndfile reads by rules of its own (a field anywhere in the text, a
// byte format's stated length before its value); files of two format or data chunks.
std::string CheckSamplesAgree(const uint8_t *data, size_t size);

// The bytes as the host's command line: Parse keeps no leading space and stores
// nothing longer than the text.
std::string CheckParse(const uint8_t *data, size_t size);

} // namespace fuzzchecks
