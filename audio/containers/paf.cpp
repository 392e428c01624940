// Header reader for Ensoniq PARIS files: 16-bit and packed 24-bit PCM in either byte order.
// Reference: the Ensoniq PARIS file notes. The packed blocks are unpacked here, not by
// libsndfile, whose reader drops the last block of many whole files.
#include "byte_order.h"
#include "container.h"

#include <cstring>
#include <string>
#include <utility>

namespace orvex {

using namespace orvex::bytes;
using detail::HeldFrom;
using detail::ReadExact;

namespace {
    constexpr uint32_t kPafHeaderBytes = 2048;
    constexpr uint32_t kPafPcm16 = 0, kPafPcm24 = 1;
    // Packed 24-bit data: ten samples of one channel in a block of 32 bytes.
    constexpr uint32_t kPaf24SamplesPerBlock = 10, kPaf24BlockBytes = 32;

    // A block holds 32 bytes for each channel in turn: ten 24-bit values, little-endian,
    // in eight 32-bit words whose bytes a big-endian file stores the other way round.
    void UnpackPaf24(const unsigned char *block, uint32_t channels, ByteOrder order,
                     int32_t *values)
    {
        for (uint32_t c = 0; c < channels; ++c) {
            unsigned char words[kPaf24BlockBytes];
            std::memcpy(words, block + kPaf24BlockBytes * c, sizeof words);
            if (order == ByteOrder::Big)
                for (size_t w = 0; w < sizeof words; w += 4) {
                    std::swap(words[w], words[w + 3]);
                    std::swap(words[w + 1], words[w + 2]);
                }
            for (uint32_t k = 0; k < kPaf24SamplesPerBlock; ++k) {
                const unsigned char *p = words + 3 * k;
                const auto top = static_cast<uint32_t>(p[0]) << 8
                        | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 24;
                values[k * channels + c] = static_cast<int32_t>(top) >> 8;
            }
        }
    }

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
        // Packed blocks are counted from the file's length, which a stream does not have.
        if (source.Size() < 0)
            return AudioError::SeekFailed;
        if (channels == 0)
            return AudioError::PafBadChannels;
        layout.bitWidth = 24;
        layout.samples = layout.dataBytes * kPaf24SamplesPerBlock
                / (uint64_t(kPaf24BlockBytes) * channels);
        layout.decoding = Decoding::Packed;
        layout.packed = {kPaf24BlockBytes * channels, kPaf24SamplesPerBlock, &UnpackPaf24};
        return AudioError::None;
    }

} // namespace

constexpr MagicRow kPafMagic[] = {{0, "fap "}, {0, " paf"}};
constexpr KindName kPafKinds[] = {{FormatKind::PAF, "PAF", "PARIS"}};
extern const Container kPafContainer;
constexpr Container kPafContainer("PARIS", "PARIS", kPafMagic, nullptr, &ReadPafHeader, kPafKinds,
                                  Refusal::DamagedOrEncoding,
                                  {ChannelLimit::kMostDecoded, AudioError::PafBadChannels});

} // namespace orvex
