// Header reader for NIST Sphere files of uncompressed PCM in either byte order.
// Reference: NIST "SPHERE" 2.6 header documentation.
#include "byte_order.h"
#include "container.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace orvex {

using namespace orvex::bytes;
using detail::HeldFrom;
using detail::ReadExact;

namespace {

    constexpr size_t kNistMaxHeader = 64 * 1024;

    // The header's fields that the reader looks at.
    struct NistFields
    {
        std::optional<uint64_t> sampleRate, channelCount, sampleCount, sigBits;
        std::optional<std::string_view> byteFormat;
        std::optional<std::string_view> coding;
    };

    bool ParseUnsigned(std::string_view text, uint64_t &out)
    {
        if (text.empty())
            return false;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
        return ec == std::errc() && end == text.data() + text.size();
    }

    std::string_view NextToken(std::string_view &line)
    {
        size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string_view::npos) {
            line = {};
            return {};
        }
        size_t end = line.find_first_of(" \t\r", start);
        std::string_view token
                = line.substr(start, end == std::string_view::npos ? end : end - start);
        line = end == std::string_view::npos ? std::string_view{} : line.substr(end);
        return token;
    }

    // Parses the "name -type value" lines up to "end_head". False on a malformed number.
    bool ParseNistFields(std::string_view text, NistFields &fields)
    {
        while (!text.empty()) {
            size_t eol = text.find('\n');
            std::string_view line = text.substr(0, eol);
            text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);

            std::string_view name = NextToken(line);
            if (name == "end_head")
                return true;
            std::string_view type = NextToken(line);
            std::string_view value = NextToken(line);
            if (name.empty() || type.empty())
                continue;
            std::optional<uint64_t> *number = nullptr;
            if (name == "sample_rate")
                number = &fields.sampleRate;
            else if (name == "channel_count")
                number = &fields.channelCount;
            else if (name == "sample_count")
                number = &fields.sampleCount;
            else if (name == "sample_sig_bits")
                number = &fields.sigBits;
            else if (name == "sample_byte_format")
                fields.byteFormat = value;
            else if (name == "sample_coding")
                fields.coding = value;
            if (number) {
                uint64_t v = 0;
                if (type != "-i" || !ParseUnsigned(value, v))
                    return false;
                *number = v;
            }
        }
        return true;
    }

    // A sample coding or byte format that Orvex does not read, named for the user.
    AudioError RefuseCoding(StreamLayout &layout, const NistFields &fields)
    {
        layout.refused.detected = "NIST Sphere";
        layout.refused.reason = fields.coding
                ? "its header names a sample coding (" + std::string(*fields.coding)
                        + "), which Orvex does not read."
                : "its header's byte format (" + std::string(fields.byteFormat.value_or(""))
                        + ") is not one Orvex reads: 2 to 4 bytes, in either order.";
        return AudioError::NistBadEncoding;
    }

    AudioError ReadNistHeader(ByteSource &source, StreamLayout &layout)
    {
        // "NIST_1A", then the header's length in bytes, each on a line of its own.
        char start[16];
        if (!ReadExact(source, 0, start, sizeof start) || std::memcmp(start, "NIST_1A\n", 8) != 0)
            return AudioError::NistBadHeader;
        std::string_view second(start + 8, 8);
        uint64_t headerBytes = 0;
        if (second.back() != '\n')
            return AudioError::NistBadHeader;
        second.remove_suffix(1);
        second.remove_prefix(std::min(second.find_first_not_of(' '), second.size()));
        if (!ParseUnsigned(second, headerBytes) || headerBytes < sizeof start
            || headerBytes > kNistMaxHeader)
            return AudioError::NistBadHeader;

        std::string text(headerBytes - sizeof start, '\0');
        if (!ReadExact(source, sizeof start, text.data(), text.size()))
            return AudioError::NistBadHeader;
        NistFields fields;
        if (!ParseNistFields(text, fields))
            return AudioError::NistBadHeader;
        if (fields.coding)
            return RefuseCoding(layout, fields);
        if (!fields.byteFormat)
            return AudioError::NistBadHeader;

        // The byte format names the order of the bytes of one sample, and its length is
        // the sample's size: "01" and "0123" are little-endian, "10" and "3210" big-endian.
        const std::string_view order = *fields.byteFormat;
        if (order.size() < 2 || order.size() > 4)
            return RefuseCoding(layout, fields);
        if (order.substr(0, 2) == "01")
            layout.order = ByteOrder::Little;
        else if (order.find("10") != std::string_view::npos)
            layout.order = ByteOrder::Big;
        else
            return RefuseCoding(layout, fields);
        const uint32_t sampleBytes = static_cast<uint32_t>(order.size());

        const uint64_t sigBits = fields.sigBits.value_or(0);
        const uint64_t channels = fields.channelCount.value_or(0);
        const uint64_t rate = fields.sampleRate.value_or(0);
        const uint64_t count = fields.sampleCount.value_or(0);
        // More significant bits than the sample holds would read outside the range the
        // width promises.
        if (sigBits > 8 * sampleBytes || channels > UINT32_MAX || rate > UINT32_MAX
            || count > UINT32_MAX)
            return AudioError::NistBadHeader;

        layout.kind = FormatKind::NIST;
        layout.encoding = layout.order == ByteOrder::Little ? SampleEncoding::PCM_LE
                                                            : SampleEncoding::PCM_BE;
        layout.bitWidth = static_cast<uint32_t>(sigBits);
        layout.sampleRate = static_cast<uint32_t>(rate);
        layout.channels = static_cast<uint32_t>(channels);
        layout.signedBytes = true;
        layout.dataOffset = static_cast<int64_t>(headerBytes);
        layout.dataBytes = HeldFrom(source, layout.dataOffset, UINT64_MAX);
        detail::SetPlainSamples(layout, sampleBytes);
        layout.samples = count;
        return AudioError::None;
    }

} // namespace

constexpr MagicRow kNistMagic[] = {{0, "NIST"}};
constexpr KindName kNistKinds[] = {{FormatKind::NIST, "NIST", "NIST"}};
extern const Container kNistContainer;
constexpr Container kNistContainer("NIST Sphere", "NIST Sphere", kNistMagic, nullptr,
                                   &ReadNistHeader, kNistKinds, Refusal::DamagedOrEncoding,
                                   {ChannelLimit::kMostDecoded, AudioError::NistBadHeader});

} // namespace orvex
