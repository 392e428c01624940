// Header readers for the containers with one fixed header at the start: Sun/NeXT and
// DEC AU/SND, Ensoniq PARIS, NIST Sphere, IRCAM (Berkeley/CARL), and the Samplitude and
// Creative Voice files that are recognised only to be refused.
// References: Sun "audio_filehdr.h"; the Ensoniq PARIS file notes; NIST "SPHERE" 2.6
// header documentation; IRCAM "SFHeader" (sfheader.h); Creative "Voice File Format".
#include "byte_order.h"
#include "container_readers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace orvex {

using namespace orvex::bytes;
using detail::HeldFrom;
using detail::ReadExact;

// ---------------------------------------------------------------------------- AU

namespace {

    constexpr uint32_t kAuUlaw = 1, kAuPcm8 = 2, kAuPcm16 = 3, kAuPcm24 = 4, kAuPcm32 = 5,
                       kAuFloat = 6, kAuG721 = 23, kAuG723_24 = 25, kAuAlaw = 27;
    constexpr uint32_t kAuSizeNotGiven = 0xFFFFFFFF;
    constexpr uint32_t kAuHeaderBytes = 24;

    // The header that libsndfile reads in front of G721/G723 data: a plain big-endian
    // AU header whose data follows at once.
    std::vector<unsigned char> AuCodecPrefix(uint32_t encoding, uint32_t rate, uint32_t channels,
                                             uint64_t dataBytes)
    {
        std::vector<unsigned char> p(kAuHeaderBytes);
        std::memcpy(p.data(), ".snd", 4);
        StoreBE32(p.data() + 4, kAuHeaderBytes);
        StoreBE32(p.data() + 8,
                  static_cast<uint32_t>(std::min<uint64_t>(dataBytes, UINT32_MAX - 1)));
        StoreBE32(p.data() + 12, encoding);
        StoreBE32(p.data() + 16, rate);
        StoreBE32(p.data() + 20, channels);
        return p;
    }

} // namespace

AudioError ReadAuHeader(ByteSource &source, StreamLayout &layout)
{
    unsigned char h[kAuHeaderBytes];
    if (!ReadExact(source, 0, h, sizeof h))
        return AudioError::AuBadHeader;
    const bool big = std::memcmp(h, ".snd", 4) == 0;
    const uint32_t dataOffset = Load32(h + 4, big);
    const uint32_t dataSize = Load32(h + 8, big);
    const uint32_t encoding = Load32(h + 12, big);
    const uint32_t rate = Load32(h + 16, big);
    const uint32_t channels = Load32(h + 20, big);
    if (dataOffset < kAuHeaderBytes || channels > detail::kMaxChannels)
        return AudioError::AuBadHeader;
    if (source.Size() >= 0 && dataOffset > source.Size())
        return AudioError::SeekFailed;

    layout.kind = big ? FormatKind::AU : FormatKind::AULE;
    layout.sampleRate = rate;
    layout.channels = channels;
    layout.order = big ? ByteOrder::Big : ByteOrder::Little;
    layout.signedBytes = true;
    layout.dataOffset = dataOffset;
    // "Size not given" means the data runs to the end of the file.
    const uint64_t declared = dataSize == kAuSizeNotGiven && source.Size() >= 0
            ? static_cast<uint64_t>(source.Size()) - dataOffset
            : dataSize;
    layout.dataBytes = HeldFrom(source, dataOffset, declared);

    switch (encoding) {
    case kAuUlaw:
    case kAuAlaw:
        layout.encoding = encoding == kAuUlaw ? SampleEncoding::ULAW : SampleEncoding::ALAW;
        layout.isUlaw = encoding == kAuUlaw;
        layout.isAlaw = encoding == kAuAlaw;
        layout.bitWidth = 16;
        detail::SetPlainSamples(layout, 1);
        return AudioError::None;
    case kAuPcm8:
    case kAuPcm16:
    case kAuPcm24:
    case kAuPcm32: {
        const uint32_t bytes = encoding - kAuPcm8 + 1;
        layout.encoding = SampleEncoding::PCM;
        layout.bitWidth = 8 * bytes;
        detail::SetPlainSamples(layout, bytes);
        return AudioError::None;
    }
    case kAuFloat:
        layout.encoding = SampleEncoding::FLOAT;
        layout.bitWidth = 32;
        layout.isFloat = true;
        detail::SetPlainSamples(layout, 4);
        return AudioError::None;
    case kAuG721:
    case kAuG723_24: {
        const bool g721 = encoding == kAuG721;
        layout.encoding = g721 ? SampleEncoding::G721_32 : SampleEncoding::G723_24;
        // These codecs are mono; with more channels no width is reported and the
        // description is incomplete.
        layout.bitWidth = channels == 1 ? 16 : 0;
        layout.seekable = false;
        // Four (G721) or three (G723, 24 kbit/s) bits per sample.
        layout.samples = g721 ? layout.dataBytes * 2 : layout.dataBytes * 8 / 3;
        layout.decoding = Decoding::Container;
        layout.prefix = AuCodecPrefix(encoding, rate, channels, layout.dataBytes);
        return AudioError::None;
    }
    default:
        return AudioError::AuBadEncoding;
    }
}

// ---------------------------------------------------------------------------- PARIS

namespace {
    constexpr uint32_t kPafHeaderBytes = 2048;
    constexpr uint32_t kPafPcm16 = 0, kPafPcm24 = 1;
    // Packed 24-bit data: ten samples of one channel in a block of 32 bytes.
    constexpr uint64_t kPaf24SamplesPerBlock = 10, kPaf24BlockBytes = 32;
} // namespace

AudioError ReadPafHeader(ByteSource &source, StreamLayout &layout)
{
    // Marker, then version, endianness, sample rate, format, channels, source; the
    // fields are big-endian after " paf", little-endian after "fap ".
    unsigned char h[28];
    if (!ReadExact(source, 0, h, sizeof h))
        return AudioError::PafShortHeader;
    const bool big = std::memcmp(h, " paf", 4) == 0;
    const uint32_t version = Load32(h + 4, big);
    const uint32_t endianness = Load32(h + 8, big);
    const uint32_t rate = Load32(h + 12, big);
    const uint32_t format = Load32(h + 16, big);
    const uint32_t channels = Load32(h + 20, big);
    if (version != 0)
        return AudioError::PafBadVersion;
    if (format != kPafPcm16 && format != kPafPcm24)
        return AudioError::PafBadFormat;
    if (channels > detail::kMaxChannels)
        return AudioError::PafBadChannels;

    layout.kind = FormatKind::PAF;
    layout.encoding = endianness ? SampleEncoding::PCM_LE : SampleEncoding::PCM_BE;
    layout.order = endianness ? ByteOrder::Little : ByteOrder::Big;
    layout.sampleRate = rate;
    layout.channels = channels;
    layout.dataOffset = kPafHeaderBytes;
    layout.dataBytes = HeldFrom(source, kPafHeaderBytes, UINT64_MAX);
    if (format == kPafPcm16) {
        layout.bitWidth = 16;
        detail::SetPlainSamples(layout, 2);
        return AudioError::None;
    }
    // Packed blocks are counted from the file's length, which a stream does not have,
    // and libsndfile would decode stale blocks past a stream's end.
    if (source.Size() < 0)
        return AudioError::SeekFailed;
    layout.bitWidth = 24;
    layout.samples = channels
            ? layout.dataBytes * kPaf24SamplesPerBlock / (kPaf24BlockBytes * channels)
            : 0;
    layout.decoding = Decoding::Container;
    // libsndfile reads the packed blocks behind a header of its own kind: the
    // file's first fields, zero to the header's full length.
    layout.prefix.assign(kPafHeaderBytes, 0);
    std::memcpy(layout.prefix.data(), h, sizeof h);
    return AudioError::None;
}

// ---------------------------------------------------------------------------- NIST

namespace {

    constexpr size_t kNistMaxHeader = 64 * 1024;

    // The header's fields that the reader looks at.
    struct NistFields
    {
        std::optional<uint64_t> sampleRate, channelCount, sampleCount, sigBits;
        std::optional<std::string_view> byteFormat;
        bool hasCoding = false;
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
                fields.hasCoding = true;
            if (number) {
                uint64_t v = 0;
                if (type != "-i" || !ParseUnsigned(value, v))
                    return false;
                *number = v;
            }
        }
        return true;
    }

} // namespace

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
    if (fields.hasCoding)
        return AudioError::NistBadEncoding;
    if (!fields.byteFormat)
        return AudioError::NistBadHeader;

    // The byte format names the order of the bytes of one sample, and its length is
    // the sample's size: "01" and "0123" are little-endian, "10" and "3210" big-endian.
    const std::string_view order = *fields.byteFormat;
    if (order.size() < 2 || order.size() > 4)
        return AudioError::NistBadEncoding;
    if (order.substr(0, 2) == "01")
        layout.order = ByteOrder::Little;
    else if (order.find("10") != std::string_view::npos)
        layout.order = ByteOrder::Big;
    else
        return AudioError::NistBadEncoding;
    const uint32_t sampleBytes = static_cast<uint32_t>(order.size());

    const uint64_t sigBits = fields.sigBits.value_or(0);
    const uint64_t channels = fields.channelCount.value_or(0);
    const uint64_t rate = fields.sampleRate.value_or(0);
    const uint64_t count = fields.sampleCount.value_or(0);
    // More significant bits than the sample holds would read outside the range the
    // width promises.
    if (sigBits > 8 * sampleBytes || channels > detail::kMaxChannels || rate > UINT32_MAX
        || count > UINT32_MAX)
        return AudioError::NistBadHeader;

    layout.kind = FormatKind::NIST;
    layout.encoding
            = layout.order == ByteOrder::Little ? SampleEncoding::PCM_LE : SampleEncoding::PCM_BE;
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

// ---------------------------------------------------------------------------- IRCAM

namespace {
    constexpr uint32_t kIrcamHeaderBytes = 1024;
    constexpr uint32_t kIrcamPcm16 = 2, kIrcamPcm32 = 0x40004, kIrcamFloat = 4,
                       kIrcamUlaw = 0x20001, kIrcamAlaw = 0x10001;
    constexpr uint32_t kIrcamMaxChannels = 256;
} // namespace

AudioError ReadIrcamHeader(ByteSource &source, StreamLayout &layout)
{
    // Marker, sample rate (a 32-bit float), channels, encoding, in the byte order that
    // the marker tells.
    unsigned char h[16] = {};
    ReadExact(source, 0, h, sizeof h);
    static constexpr unsigned char kLittle[4] = {0x64, 0xA3, 0x03, 0x00};
    static constexpr unsigned char kBigA[4] = {0x00, 0x02, 0xA3, 0x64};
    static constexpr unsigned char kBigB[4] = {0x64, 0xA3, 0x04, 0x00};
    bool big;
    if (std::memcmp(h, kLittle, 4) == 0)
        big = false;
    else if (std::memcmp(h, kBigA, 4) == 0 || std::memcmp(h, kBigB, 4) == 0)
        big = true;
    else
        return AudioError::IrcamNoMarker;

    const uint32_t rateBits = Load32(h + 4, big);
    float rate;
    static_assert(sizeof rate == sizeof rateBits);
    std::memcpy(&rate, &rateBits, sizeof rate);
    const uint32_t channels = Load32(h + 8, big);
    const uint32_t encoding = Load32(h + 12, big);
    if (channels > kIrcamMaxChannels)
        return AudioError::IrcamBadChannels;

    layout.kind = FormatKind::IRCAM;
    // The whole part of the rate; one that is not a number or out of range counts as none.
    layout.sampleRate = std::isfinite(rate) && rate >= 1.0f && rate < 4294967296.0f
            ? static_cast<uint32_t>(rate)
            : 0;
    layout.channels = channels;
    layout.order = big ? ByteOrder::Big : ByteOrder::Little;
    layout.signedBytes = true;
    layout.dataOffset = kIrcamHeaderBytes;
    layout.dataBytes = HeldFrom(source, kIrcamHeaderBytes, UINT64_MAX);
    switch (encoding) {
    case kIrcamPcm16:
    case kIrcamPcm32: {
        const uint32_t bytes = encoding == kIrcamPcm16 ? 2 : 4;
        layout.encoding = big ? SampleEncoding::PCM_BE : SampleEncoding::PCM_LE;
        layout.bitWidth = 8 * bytes;
        detail::SetPlainSamples(layout, bytes);
        return AudioError::None;
    }
    case kIrcamFloat:
        layout.encoding = big ? SampleEncoding::FLOAT_BE : SampleEncoding::FLOAT_LE;
        layout.bitWidth = 32;
        layout.isFloat = true;
        detail::SetPlainSamples(layout, 4);
        return AudioError::None;
    case kIrcamUlaw:
    case kIrcamAlaw:
        layout.encoding = encoding == kIrcamUlaw ? SampleEncoding::ULAW : SampleEncoding::ALAW;
        layout.isUlaw = encoding == kIrcamUlaw;
        layout.isAlaw = encoding == kIrcamAlaw;
        layout.bitWidth = 16;
        detail::SetPlainSamples(layout, 1);
        return AudioError::None;
    default:
        return AudioError::IrcamBadEncoding;
    }
}

// ---------------------------------------------------------------------------- refused kinds

// A Samplitude file is never opened: with both markers in place it still describes
// nothing that the binding reads.
AudioError ReadSekdHeader(ByteSource &source)
{
    char h[8] = {};
    ReadExact(source, 0, h, sizeof h);
    if (std::memcmp(h, "SEKD", 4) != 0)
        return AudioError::SekdNoMarker;
    if (std::memcmp(h + 4, "SAMR", 4) != 0)
        return AudioError::SekdNoSamr;
    return AudioError::InfoIncomplete;
}

// A Creative Voice file is never opened; a damaged header is named as such.
AudioError ReadVocHeader(ByteSource &source)
{
    unsigned char h[26] = {};
    static constexpr char kMarker[] = "Creative Voice File\x1A";
    if (!ReadExact(source, 0, h, sizeof h) || std::memcmp(h, kMarker, 20) != 0)
        return AudioError::VocNoMarker;
    const uint16_t dataOffset = LoadLE16(h + 20);
    const uint16_t version = LoadLE16(h + 22);
    const uint16_t check = LoadLE16(h + 24);
    if (dataOffset < sizeof h)
        return AudioError::VocBadOffset;
    if (check != static_cast<uint16_t>(~version + 0x1234))
        return AudioError::VocBadChecksum;
    return AudioError::InfoIncomplete;
}

} // namespace orvex
