// The fields of a description (see description_fields.h).
#include "description_fields.h"

#include <cstdio>

namespace {

std::string Number(uint64_t value)
{
    return std::to_string(value);
}

// The duration in seconds to the millisecond, as a JSON number: "205.12", "2.5", "3".
std::string Seconds(const CAudioFileInfo &a)
{
    const uint64_t ms = DurationMilliseconds(a.GetInfo().samples, a.GetInfo().sampleRate);
    std::string text = std::to_string(ms / 1000);
    if (ms % 1000) {
        char fraction[8];
        std::snprintf(fraction, sizeof fraction, ".%03u", unsigned(ms % 1000));
        text += std::string(fraction).substr(0, std::string(fraction).find_last_not_of('0') + 1);
    }
    return text;
}

// clang-format off
constexpr DescriptionField kFields[] = {
    {"Format", "format", [](const CAudioFileInfo &a) { return a.m_strFormat; }, nullptr},
    {"Sample Rate", "sampleRate", [](const CAudioFileInfo &a) { return a.m_strSampleRate; },
     [](const CAudioFileInfo &a) { return Number(a.GetInfo().sampleRate); }, true},
    {"Number of Samples", "samples", [](const CAudioFileInfo &a) { return a.m_strSamples; },
     [](const CAudioFileInfo &a) { return Number(a.GetInfo().samples); }, true},
    {"Channels", "channels", [](const CAudioFileInfo &a) { return a.m_strChannels; },
     [](const CAudioFileInfo &a) { return Number(a.GetInfo().channels); }, true},
    {"Bit Width", "bitWidth", [](const CAudioFileInfo &a) { return a.m_strBitWidth; },
     [](const CAudioFileInfo &a) { return Number(a.GetInfo().bitWidth); }, true},
    {nullptr, "kind",
     [](const CAudioFileInfo &a) { return std::string(FormatKindName(AudioFormatKind(a.GetInfo().format))); },
     nullptr},
    {nullptr, "encoding",
     [](const CAudioFileInfo &a) { return std::string(SampleEncodingName(AudioSampleEncoding(a.GetInfo().format))); },
     nullptr},
    {"Encoding", "encodingName", [](const CAudioFileInfo &a) { return a.m_strEncoding; }, nullptr},
    {"Duration", "seconds", [](const CAudioFileInfo &a) { return a.m_strDuration; }, &Seconds, true},
};
// clang-format on

} // namespace

std::span<const DescriptionField> DescriptionFields()
{
    return kFields;
}
