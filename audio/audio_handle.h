// The inside of an AudioHandle, shared by the reading and writing halves of the
// binding. Not part of the binding's interface.
#pragma once

#include "audio_library_binding.h"

#include <memory>

namespace orvex {
class AudioReader;
class WavWriter;

// The calling thread's code of the most recent open.
void SetLastOpenError(AudioError code);

// Closes a writing handle's file, fixing its header; returns the close's code.
AudioError FinishWavWriter(WavWriter &writer);

// AudioReadSixteen, choosing the road: through doubles as libsndfile decodes, or (where the
// values are plain) straight from their bytes. The two give the same samples; tests hold
// them to it.
uint32_t ReadSixteen(AudioHandle *handle, int16_t *out, uint32_t count, uint64_t *clipped,
                     bool throughDoubles);
} // namespace orvex

struct AudioHandle
{
    AudioHandle();
    ~AudioHandle();
    AudioHandle(const AudioHandle &) = delete;
    AudioHandle &operator=(const AudioHandle &) = delete;

    AudioError error = AudioError::None; // of the latest read, write or close
    std::unique_ptr<orvex::AudioReader> reader; // set on a handle opened for reading
    std::unique_ptr<orvex::WavWriter> writer; // set on a handle opened for writing
};
