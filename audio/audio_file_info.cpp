// CAudioFileInfo: description of one audio file (see audio_file_info.h). The
// conversion is in audio_conversion.cpp.
#include "audio_file_info.h"

#include "audio_handle.h"
#include "container.h"
#include "refusal_explanation.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string Decimal(uint32_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(value));
    return text;
}

} // namespace

std::string GroupedDecimal(uint64_t value)
{
    const std::string digits = std::to_string(value);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

uint64_t DurationMilliseconds(uint64_t frames, uint32_t rate)
{
    // Whole seconds and the rest apart, so that nothing drifts or overflows.
    return rate ? frames / rate * 1000 + (frames % rate * 1000 + rate / 2) / rate : 0;
}

std::string DurationText(uint64_t frames, uint32_t rate, int decimals)
{
    // Whole seconds and the rest apart, rounded to the nearest from whole numbers, so that
    // nothing drifts or overflows.
    decimals = std::clamp(decimals, 0, 9);
    uint64_t unit = 1;
    for (int i = 0; i < decimals; ++i)
        unit *= 10;
    uint64_t s = rate ? frames / rate : 0;
    uint64_t rest = rate ? (frames % rate * unit + rate / 2) / rate : 0;
    if (rest == unit) {
        ++s;
        rest = 0;
    }
    const uint64_t m = s / 60, h = m / 60;
    char text[64];
    int at = h > 0 ? std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", (unsigned long long)h,
                                   (unsigned long long)(m % 60), (unsigned long long)(s % 60))
                   : std::snprintf(text, sizeof text, "%llu:%02llu", (unsigned long long)m,
                                   (unsigned long long)(s % 60));
    if (decimals > 0)
        std::snprintf(text + at, sizeof text - size_t(at), ".%0*llu", decimals,
                      (unsigned long long)rest);
    return text;
}

int DecimalsForFrames(uint32_t rate)
{
    // Rounding to d places moves a time by at most half of 10^-d seconds, which stays within
    // half a frame once 10^d reaches the rate.
    int decimals = 0;
    for (uint64_t unit = 1; unit < rate && decimals < 9; unit *= 10)
        ++decimals;
    return decimals;
}

CAudioFileInfo::CAudioFileInfo() = default;

CAudioFileInfo::~CAudioFileInfo()
{
    CloseSlot(m_hInput);
    CloseSlot(m_hOutput);
}

void CAudioFileInfo::CloseSlot(AudioHandle *&slot)
{
    if (slot) {
        AudioClose(slot);
        slot = nullptr;
    }
}

void CAudioFileInfo::SetInputPath(std::string path)
{
    m_strInputPath = std::move(path);
}

void CAudioFileInfo::SetOutputPath(std::string path)
{
    m_strOutputPath = std::move(path);
}

bool CAudioFileInfo::Describe()
{
    m_outcome = Outcome{};
    if (m_strInputPath.empty())
        return false;
    CloseSlot(m_hInput);
    m_hInput = AudioOpenRead(m_strInputPath, m_info);
    if (!m_hInput)
        return Fail(AudioLastError(), false);
    const orvex::InputExtent extent = orvex::ExtentOf(m_hInput);
    m_outcome.framesDescribed = extent.promised;
    m_outcome.framesHeld = extent.held;
    FillDescription();
    return true;
}

bool CAudioFileInfo::Fail(AudioError code, bool onOutput)
{
    m_outcome.code = code;
    m_outcome.onOutput = onOutput;
    const AudioRefusal why = onOutput ? ExplainOutputFailure(m_strOutputPath, code, m_trouble)
                                      : ExplainInputRefusal(m_strInputPath, code);
    m_outcome.detected = why.detected;
    m_outcome.explanation = why.sentence;
    return false;
}

void CAudioFileInfo::FillDescription()
{
    m_strSampleRate = Decimal(m_info.sampleRate);
    m_strBitWidth = Decimal(m_info.bitWidth);
    m_strChannels = Decimal(m_info.channels);
    m_strSamples = Decimal(m_info.samples);
    m_strEncoding = EncodingName(m_info);
    m_strDuration = DurationText(m_info.samples, m_info.sampleRate);
    const char *format = orvex::NamesOfKind(AudioFormatKind(m_info.format)).displayName;
    m_strFormat = format ? format : "";
}
