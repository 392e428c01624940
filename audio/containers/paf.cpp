// Header reader for Ensoniq PARIS files: 16-bit and packed 24-bit PCM in either byte order.
// Reference: the Ensoniq PARIS file notes.
#include "byte_order.h"
#include "container.h"

#include <cstring>
#include <string>

namespace orvex {

using namespace orvex::bytes;
using detail::HeldFrom;
using detail::ReadExact;

namespace {
    constexpr uint32_t kPafHeaderBytes = 2048;
    constexpr uint32_t kPafPcm16 = 0, kPafPcm24 = 1;
    // Packed 24-bit data: ten samples of one channel in a block of 32 bytes.
    constexpr uint64_t kPaf24SamplesPerBlock = 10, kPaf24BlockBytes = 32;

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
        if (format != kPafPcm16 && format != kPafPcm24) {
            layout.refused = {format == 2 ? "8-bit PARIS"
                                          : "PARIS (format " + std::to_string(format) + ")",
                              "Orvex reads 16- and 24-bit PARIS."};
            return AudioError::PafBadFormat;
        }
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
        layout.decoderRefused = AudioError::PafBadChannels;
        // libsndfile reads the packed blocks behind a header of its own kind: the
        // file's first fields, zero to the header's full length.
        layout.prefix.assign(kPafHeaderBytes, 0);
        std::memcpy(layout.prefix.data(), h, sizeof h);
        return AudioError::None;
    }

} // namespace

constexpr MagicRow kPafMagic[] = {{0, "fap "}, {0, " paf"}};
constexpr KindName kPafKinds[] = {{FormatKind::PAF, "PAF", "PARIS"}};
extern const Container kPafContainer;
constexpr Container kPafContainer("PARIS", "PARIS", kPafMagic, nullptr, &ReadPafHeader, kPafKinds,
                                  Refusal::DamagedOrEncoding);

} // namespace orvex
