// Header reader for Sun/NeXT AU/SND (big-endian ".snd") and DEC AU (little-endian "dns."):
// PCM of 8 to 32 bits, 32-bit float, u-law, A-law, G721 and G723.
// Reference: Sun "audio_filehdr.h".
#include "byte_order.h"
#include "container.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace orvex {

using namespace orvex::bytes;
using detail::HeldFrom;
using detail::ReadExact;

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
        if (dataOffset < kAuHeaderBytes)
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
        layout.lengthUnknown = dataSize == kAuSizeNotGiven && source.IsStream();
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
            detail::SetPromisedBytes(layout, declared);
            return AudioError::None;
        case kAuPcm8:
        case kAuPcm16:
        case kAuPcm24:
        case kAuPcm32: {
            const uint32_t bytes = encoding - kAuPcm8 + 1;
            layout.encoding = SampleEncoding::PCM;
            layout.bitWidth = 8 * bytes;
            detail::SetPlainSamples(layout, bytes);
            detail::SetPromisedBytes(layout, declared);
            return AudioError::None;
        }
        case kAuFloat:
            layout.encoding = SampleEncoding::FLOAT;
            layout.bitWidth = 32;
            layout.isFloat = true;
            detail::SetPlainSamples(layout, 4);
            detail::SetPromisedBytes(layout, declared);
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
            auto frames = [g721](uint64_t bytes) { return g721 ? bytes * 2 : bytes * 8 / 3; };
            layout.samples = frames(layout.dataBytes);
            if (declared > layout.dataBytes)
                layout.promisedFrames = frames(declared);
            layout.decoding = Decoding::Container;
            layout.prefix = AuCodecPrefix(encoding, rate, channels, layout.dataBytes);
            layout.decoderRefused = AudioError::AuBadHeader;
            return AudioError::None;
        }
        default:
            layout.refused
                    = {encoding == 7 ? "64-bit float AU"
                                     : "AU (encoding " + std::to_string(encoding) + ")",
                       "Orvex reads AU of 8- to 32-bit PCM, 32-bit float, u-law, A-law, G721 "
                       "and G723."};
            return AudioError::AuBadEncoding;
        }
    }

} // namespace

constexpr MagicRow kAuMagic[] = {{0, ".snd"}, {0, "dns."}};
constexpr KindName kAuKinds[]
        = {{FormatKind::AU, "AU", "Sun/NeXT AU"}, {FormatKind::AULE, "AULE", "DEC AU"}};
extern const Container kAuContainer;
constexpr Container kAuContainer("AU", "AU/SND", kAuMagic, nullptr, &ReadAuHeader, kAuKinds,
                                 Refusal::DamagedOrEncoding,
                                 {ChannelLimit::kMostDecoded, AudioError::AuBadHeader});

} // namespace orvex
