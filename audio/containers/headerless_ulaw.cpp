// Header-less u-law files, recognised by a name ending in ".au" or ".snd" when no marker
// names them: every byte, from the first, is one u-law sample at 8000 Hz, mono.
#include "container.h"

#include <algorithm>
#include <string>

namespace orvex {

namespace {

    // True when the path's name ends in ".au" or ".snd" in any letter case. The name follows
    // the last '/', or the last backslash when there is no '/'.
    bool HasHeaderlessUlawName(std::string_view path)
    {
        size_t slash = path.rfind('/');
        if (slash == std::string_view::npos)
            slash = path.rfind('\\');
        std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
        size_t dot = name.rfind('.');
        if (dot == std::string_view::npos)
            return false;
        std::string ext(name.substr(dot + 1));
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
        return ext == "au" || ext == "snd";
    }

    AudioError ReadHeaderlessUlaw(ByteSource &source, StreamLayout &layout)
    {
        layout.kind = FormatKind::AU;
        layout.encoding = SampleEncoding::ULAW;
        layout.bitWidth = 16;
        layout.sampleRate = 8000;
        layout.channels = 1;
        layout.isUlaw = true;
        layout.dataOffset = 0;
        layout.dataBytes = detail::HeldFrom(source, 0, UINT32_MAX);
        detail::SetPlainSamples(layout, 1);
        return AudioError::None;
    }

} // namespace

// It reports kind AU, whose names the AU container gives.
extern const Container kHeaderlessUlawContainer;
constexpr Container kHeaderlessUlawContainer("header-less u-law", nullptr, {},
                                             &HasHeaderlessUlawName, &ReadHeaderlessUlaw, {},
                                             Refusal::Nothing);

} // namespace orvex
