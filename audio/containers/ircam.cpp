// Header reader for IRCAM (Berkeley/CARL) sound files: 16- and 32-bit PCM, 32-bit float,
// u-law and A-law. Reference: IRCAM "SFHeader" (sfheader.h).
#include "byte_order.h"
#include "container.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace orvex {

using namespace orvex::bytes;
using detail::HeldFrom;
using detail::ReadExact;

namespace {
    constexpr uint32_t kIrcamHeaderBytes = 1024;
    constexpr uint32_t kIrcamPcm16 = 2, kIrcamPcm32 = 0x40004, kIrcamFloat = 4,
                       kIrcamUlaw = 0x20001, kIrcamAlaw = 0x10001;
    constexpr uint32_t kIrcamMaxChannels = 256;
    // The header's fields that are read, 32 bits each, in their order.
    enum IrcamField { kMarker, kRate, kChannels, kEncoding, kIrcamFields };
    constexpr size_t kFieldBytes = 4;

    // A marker that recognition took but that this reader does not (sox's 64 A3 01 00, a
    // big-endian 64 A3 02 00), named for the user.
    AudioError RefuseMarker(StreamLayout &layout, const unsigned char *h)
    {
        char marker[16];
        std::snprintf(marker, sizeof marker, "%02X %02X %02X %02X", h[0], h[1], h[2], h[3]);
        layout.refused
                = {"IRCAM",
                   std::string("its header's marker (") + marker + ") is one Orvex does not read."};
        return AudioError::IrcamNoMarker;
    }

    AudioError ReadIrcamHeader(ByteSource &source, StreamLayout &layout)
    {
        // Marker, sample rate (a 32-bit float), channels, encoding, in the byte order that
        // the marker tells.
        unsigned char h[kIrcamFields * kFieldBytes] = {};
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
            return RefuseMarker(layout, h);

        auto field = [&](IrcamField f) { return Load32(h + f * kFieldBytes, big); };
        const uint32_t rateBits = field(kRate);
        float rate;
        static_assert(sizeof rate == sizeof rateBits);
        std::memcpy(&rate, &rateBits, sizeof rate);
        const uint32_t channels = field(kChannels);
        const uint32_t encoding = field(kEncoding);

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
            layout.refused = {"IRCAM (encoding " + std::to_string(encoding) + ")",
                              "Orvex reads IRCAM of 16- and 32-bit PCM, 32-bit float, u-law and "
                              "A-law."};
            return AudioError::IrcamBadEncoding;
        }
    }

} // namespace

// 64 A3 0n 00 or 00 0n A3 64, n from 0 to 7; the reader takes three of these markers.
constexpr MagicRow kIrcamMagic[] = {
        {0, std::string_view("\x64\xA3\x00\x00", 4), "\xFF\xFF\xF8\xFF"},
        {0, std::string_view("\x00\x00\xA3\x64", 4), "\xFF\xF8\xFF\xFF"},
};
constexpr KindName kIrcamKinds[] = {{FormatKind::IRCAM, "IRCAM", "IRCAM/CARL"}};
extern const Container kIrcamContainer;
constexpr Container kIrcamContainer("IRCAM", "IRCAM", kIrcamMagic, nullptr, &ReadIrcamHeader,
                                    kIrcamKinds, Refusal::DamagedOrEncoding,
                                    {kIrcamMaxChannels, AudioError::IrcamBadChannels});

} // namespace orvex
