// The waveform overview of a file: for each pixel column, the smallest and largest of the
// 16-bit samples the conversion writes, and how many of them the conversion clips, so that
// clipping and silence show as they will be imported. Mono and stereo get a lane per channel;
// more channels share one lane, their combined envelope. It reads the file once, in blocks
// that never straddle two columns, and keeps nothing but the columns.
#pragma once

#include "audio_library_binding.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct OverviewColumn
{
    int16_t min[2] = {0, 0};
    int16_t max[2] = {0, 0};
    uint32_t clipped = 0; // float samples held at the limits of 16 bits
};

class CWaveformOverview
{
public:
    static uint32_t LanesFor(uint32_t channels) { return channels == 2 ? 2 : 1; }

    // Called after each finished run of columns with how many are finished; false stops
    // the reading.
    using Progress = std::function<bool(uint32_t columnsDone)>;

    // Reads `path` into `columns` columns (resized to that), spreading its frames evenly.
    // Returns None, the binding's code for a file that cannot be read, or Cancelled.
    static AudioError Compute(const std::string &path, uint32_t columns,
                              std::vector<OverviewColumn> &out, const Progress &progress);
};
