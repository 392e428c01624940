// The inside of an AudioHandle and the binding's entry points that are not part of its
// interface: opening bytes held in memory, choosing the road to 16-bit samples, and what
// the latest open found, for the sentence that explains a refusal. Not for front ends.
#pragma once

#include "audio_library_binding.h"
#include "input_extent.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace orvex {
class CSampleReader;
class WavWriter;
class Container;
class ByteSource;
struct StreamLayout;

// The calling thread's code of the most recent open.
void SetLastOpenError(AudioError code);

// Closes a writing handle's file, fixing its header; returns the close's code.
AudioError FinishWavWriter(WavWriter &writer);

// AudioOpenRead over `size` bytes at `bytes`, which must outlive the handle; `name` stands
// for the file's path where recognition looks at it (header-less u-law).
AudioHandle *OpenReadMemory(const void *bytes, size_t size, std::string_view name, AudioInfo &info);

// A header-less file that the caller describes in `given`: PCM of its width and byte order.
AudioError DescribeCallerRaw(const AudioInfo &given, ByteSource &source, StreamLayout &layout);

// The two roads by which AudioReadSixteen reaches the 16-bit samples; they give the same
// samples, and tests hold them to it. Stored bytes are read straight where the values are
// plain; elsewhere both roads go through the doubles.
enum class SixteenBitRoad { FromStoredBytes, ThroughDoubles };
uint32_t ReadSixteenBy(SixteenBitRoad road, AudioHandle *handle, int16_t *out, uint32_t count,
                       uint64_t *clipped);

// The level chain's road (level.h): up to `count` values (whole frames) at 16-bit scale,
// before any truncation; fewer only where the data ends or its bytes run out (code 19).
uint32_t ReadScaled(AudioHandle *handle, float *values, uint32_t count);
// Whether the input's values carry more than 16 bits (wider integers, floats): only then
// does dither change anything at a gain of 1.
bool CarriesMoreThanSixteenBits(const AudioHandle *handle);

// What the calling thread's most recent open of a file learned before it refused it.
struct OpenReport
{
    const Container *container = nullptr; // as recognised; null for none or before reading
    unsigned char head[64] = {}; // the file's first bytes, for telling other formats apart
    size_t headBytes = 0;
    std::string detected; // what the reader found, in words ("u-law AIFC")
    std::string reason; // and why it refused it ("Orvex reads ...")
};
const OpenReport &LastOpenReport();
} // namespace orvex

struct AudioHandle
{
    AudioHandle();
    ~AudioHandle();
    AudioHandle(const AudioHandle &) = delete;
    AudioHandle &operator=(const AudioHandle &) = delete;

    std::unique_ptr<orvex::CSampleReader> reader; // set on a handle opened for reading
    std::unique_ptr<orvex::WavWriter> writer; // set on a handle opened for writing
};
