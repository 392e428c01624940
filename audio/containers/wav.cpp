// Header reader for RIFF WAVE files: integer PCM, IEEE float, A-law, u-law (also as
// WAVE_FORMAT_EXTENSIBLE), IMA ADPCM, Microsoft ADPCM and GSM 6.10.
// Reference: Microsoft "Multimedia Programming Interface and Data Specifications 1.0"
// and "WAVEFORMATEXTENSIBLE" (mmreg.h / ksmedia.h).
#include "byte_order.h"
#include "container.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace orvex {

using namespace orvex::bytes;
using detail::HeldFrom;
using detail::ReadExact;

namespace {

    constexpr uint16_t kTagPcm = 1;
    constexpr uint16_t kTagMsAdpcm = 2;
    constexpr uint16_t kTagFloat = 3;
    constexpr uint16_t kTagAlaw = 6;
    constexpr uint16_t kTagUlaw = 7;
    constexpr uint16_t kTagImaAdpcm = 17;
    constexpr uint16_t kTagGsm610 = 49;
    constexpr uint16_t kTagExtensible = 0xFFFE;

    // The bytes of a KSDATAFORMAT_SUBTYPE GUID after its two-byte format tag.
    constexpr unsigned char kSubFormatTail[]
            = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

    // No format chunk that we read needs more; a larger one keeps its first bytes.
    constexpr size_t kMaxFmtBytes = 256;

    struct WavChunks
    {
        unsigned char fmt[kMaxFmtBytes] = {};
        size_t fmtBytes = 0; // bytes of the format chunk held in `fmt`
        bool haveFmt = false;
        bool haveData = false;
        int64_t dataOffset = 0;
        uint32_t dataSize = 0;
    };

    AudioError FindChunks(ByteSource &source, WavChunks &chunks)
    {
        AudioError error = AudioError::None;
        detail::WalkChunks(source, ByteOrder::Little, [&](const detail::Chunk &chunk) {
            if (chunk.Is("fmt ") && !chunks.haveFmt) {
                if (chunk.size < 16) {
                    error = AudioError::WavFmtShort;
                    return false;
                }
                chunks.fmtBytes = std::min<size_t>(chunk.size, kMaxFmtBytes);
                if (!ReadExact(source, chunk.body, chunks.fmt, chunks.fmtBytes)) {
                    error = AudioError::WavFmtShort;
                    return false;
                }
                chunks.haveFmt = true;
            } else if (chunk.Is("data") && !chunks.haveData) {
                chunks.haveData = true;
                chunks.dataOffset = chunk.body;
                chunks.dataSize = chunk.size;
            }
            // Once both are known there is nothing more to look for; a stream could not
            // come back to the data anyway.
            return !(chunks.haveFmt && chunks.haveData);
        });
        if (error != AudioError::None)
            return error;
        if (!chunks.haveFmt)
            return AudioError::WavNoFmt;
        if (!chunks.haveData)
            return AudioError::WavNoData;
        return AudioError::None;
    }

    // A format chunk's encoding that Orvex does not read, named for the user.
    AudioError RefuseEncoding(StreamLayout &layout, uint16_t tag, uint32_t bits)
    {
        char detected[32];
        if (tag == kTagFloat || tag == kTagPcm) {
            std::snprintf(detected, sizeof detected, "%u-bit %s WAV", unsigned(bits),
                          tag == kTagFloat ? "float" : "PCM");
            layout.refused
                    = {detected,
                       tag == kTagFloat ? "Orvex reads integer PCM and 32-bit float WAV."
                                        : "Orvex reads WAV of 1 to 32 bits and 32-bit float WAV."};
            return AudioError::UnimplementedFormat;
        }
        if (tag == 0x55 || tag == 0x50)
            std::snprintf(detected, sizeof detected, "%s",
                          tag == 0x55 ? "MP3-in-WAV" : "MPEG-in-WAV");
        else
            std::snprintf(detected, sizeof detected, "WAV (format 0x%04X)", tag);
        layout.refused = {detected,
                          "Orvex reads WAV of integer PCM, 32-bit float, u-law, A-law, IMA and "
                          "Microsoft ADPCM and GSM 6.10."};
        return AudioError::UnimplementedFormat;
    }

    // The header that libsndfile reads in front of the sample data of GSM 6.10:
    // RIFF, the file's own format chunk, and a data chunk of the bytes the file holds.
    std::vector<unsigned char> CodecPrefix(const WavChunks &chunks, uint64_t dataBytes)
    {
        const size_t fmtBytes = chunks.fmtBytes & ~size_t(1);
        std::vector<unsigned char> p(12 + 8 + fmtBytes + 8);
        const uint32_t data32
                = static_cast<uint32_t>(std::min<uint64_t>(dataBytes, UINT32_MAX - 64));
        std::memcpy(p.data(), "RIFF", 4);
        StoreLE32(p.data() + 4, static_cast<uint32_t>(p.size() - 8) + data32);
        std::memcpy(p.data() + 8, "WAVE", 4);
        std::memcpy(p.data() + 12, "fmt ", 4);
        StoreLE32(p.data() + 16, static_cast<uint32_t>(fmtBytes));
        std::memcpy(p.data() + 20, chunks.fmt, fmtBytes);
        std::memcpy(p.data() + 20 + fmtBytes, "data", 4);
        StoreLE32(p.data() + 24 + fmtBytes, data32);
        return p;
    }

    uint64_t CeilDiv(uint64_t a, uint64_t b)
    {
        return a / b + (a % b ? 1 : 0);
    }

    AudioError ReadWavHeader(ByteSource &source, StreamLayout &layout)
    {
        WavChunks chunks;
        if (AudioError e = FindChunks(source, chunks); e != AudioError::None)
            return e;

        const unsigned char *fmt = chunks.fmt;
        uint16_t tag = LoadLE16(fmt);
        const uint32_t channels = LoadLE16(fmt + 2);
        const uint32_t blockAlign = LoadLE16(fmt + 12);
        const uint32_t bits = LoadLE16(fmt + 14);
        // cbSize and the codec's own fields follow the first sixteen bytes.
        const bool haveExtension = chunks.fmtBytes >= 20;
        const uint32_t samplesPerBlock = haveExtension ? LoadLE16(fmt + 18) : 0;

        if (tag == kTagExtensible) {
            // The sub-format GUID says what the samples are.
            if (chunks.fmtBytes < 40)
                return AudioError::WavFmtShort;
            tag = LoadLE16(fmt + 24);
            if (std::memcmp(fmt + 26, kSubFormatTail, sizeof kSubFormatTail) != 0
                || (tag != kTagPcm && tag != kTagFloat && tag != kTagAlaw && tag != kTagUlaw))
                return RefuseEncoding(layout, tag, bits);
        }
        layout.kind = FormatKind::WAV;
        layout.sampleRate = LoadLE32(fmt + 4);
        layout.channels = channels;
        layout.order = ByteOrder::Little;
        layout.dataOffset = chunks.dataOffset;
        // A writer into a pipe cannot go back to state the data's size.
        layout.lengthUnknown
                = source.IsStream() && (chunks.dataSize == 0 || chunks.dataSize == UINT32_MAX);
        layout.dataBytes = HeldFrom(source, chunks.dataOffset,
                                    layout.lengthUnknown ? UINT32_MAX : chunks.dataSize);
        layout.declaredFrameBytes = blockAlign;

        switch (tag) {
        case kTagPcm:
            if (bits == 0 || bits > 32)
                return RefuseEncoding(layout, tag, bits);
            layout.encoding = SampleEncoding::PCM;
            layout.bitWidth = bits;
            // One-byte WAV data is stored unsigned.
            layout.signedBytes = bits > 8;
            detail::SetPlainSamples(layout, (bits + 7) / 8);
            detail::SetPromisedBytes(layout, chunks.dataSize);
            return AudioError::None;
        case kTagFloat:
            if (bits != 32)
                return RefuseEncoding(layout, tag, bits);
            layout.encoding = SampleEncoding::FLOAT;
            layout.bitWidth = 32;
            layout.isFloat = true;
            detail::SetPlainSamples(layout, 4);
            detail::SetPromisedBytes(layout, chunks.dataSize);
            return AudioError::None;
        case kTagAlaw:
        case kTagUlaw:
            if (bits != 8)
                return RefuseEncoding(layout, tag, bits);
            layout.encoding = tag == kTagAlaw ? SampleEncoding::ALAW : SampleEncoding::ULAW;
            layout.isAlaw = tag == kTagAlaw;
            layout.isUlaw = tag == kTagUlaw;
            layout.bitWidth = 16;
            detail::SetPlainSamples(layout, 1);
            detail::SetPromisedBytes(layout, chunks.dataSize);
            return AudioError::None;
        case kTagImaAdpcm:
        case kTagMsAdpcm: {
            if (bits != 4)
                return AudioError::WavAdpcmNotFourBit;
            if (channels < 1 || channels > 2)
                return AudioError::WavAdpcmBadChannels;
            if (!haveExtension)
                return AudioError::WavFmtShort;
            // Each block starts with a header per channel (4 bytes for IMA, 7 for
            // Microsoft), then 4-bit samples; the header holds one (IMA) or two
            // (Microsoft) samples of each channel.
            const bool ima = tag == kTagImaAdpcm;
            const uint32_t blockHeader = (ima ? 4 : 7) * channels;
            if (blockAlign <= blockHeader)
                return AudioError::WavBadBlockAlign;
            const uint32_t most = (blockAlign - blockHeader) * 2 / channels + (ima ? 1 : 2);
            if (samplesPerBlock == 0 || samplesPerBlock > most)
                return AudioError::WavBadSamplesPerBlock;
            if (!ima) {
                // cbSize, samplesPerBlock, the coefficient count and its pairs.
                if (chunks.fmtBytes < 22)
                    return AudioError::WavFmtShort;
                const uint32_t coefficients = LoadLE16(fmt + 20);
                if (coefficients > 7 || chunks.fmtBytes < 22 + 4 * coefficients)
                    return AudioError::WavBadMsAdpcmCoeffs;
            }
            layout.encoding = ima ? SampleEncoding::IMA_ADPCM : SampleEncoding::MS_ADPCM;
            layout.bitWidth = 16;
            // IMA counts a partial last block, Microsoft ADPCM only whole blocks.
            auto frames = [&](uint64_t bytes) {
                return (ima ? CeilDiv(bytes, blockAlign) : bytes / blockAlign) * samplesPerBlock;
            };
            layout.samples = frames(layout.dataBytes);
            layout.promisedFrames = frames(chunks.dataSize);
            // The binding decodes the blocks itself.
            layout.decoding = Decoding::CodedBlocks;
            layout.coded = {blockAlign, samplesPerBlock};
            layout.decoderRefused = AudioError::WavDecoderRefused;
            return AudioError::None;
        }
        case kTagGsm610:
            if (channels != 1 || blockAlign != 65 || !haveExtension || samplesPerBlock != 320)
                return AudioError::WavBadGsm;
            layout.encoding = SampleEncoding::GSM610;
            layout.bitWidth = 16;
            layout.seekable = false;
            layout.samples = CeilDiv(layout.dataBytes, 65) * 320;
            layout.promisedFrames = CeilDiv(chunks.dataSize, 65) * 320;
            break;
        default:
            return RefuseEncoding(layout, tag, bits);
        }

        layout.decoding = Decoding::Container;
        layout.prefix = CodecPrefix(chunks, layout.dataBytes);
        layout.decoderRefused = AudioError::WavDecoderRefused;
        return AudioError::None;
    }

} // namespace

constexpr MagicRow kWavMagic[] = {
        {0, std::string_view("RIFF\0\0\0\0WAVE", 12), kMarkerAndType},
};
constexpr KindName kWavKinds[] = {{FormatKind::WAV, "WAV", "WAV"}};
extern const Container kWavContainer;
constexpr Container kWavContainer("WAV", "WAV", kWavMagic, nullptr, &ReadWavHeader, kWavKinds,
                                  Refusal::DamagedOrEncoding,
                                  {ChannelLimit::kMostDecoded, AudioError::WavBadChannels});

} // namespace orvex
