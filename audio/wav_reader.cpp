// Header reader for RIFF WAVE files: integer PCM, IEEE float, A-law, u-law (also as
// WAVE_FORMAT_EXTENSIBLE), IMA ADPCM, Microsoft ADPCM and GSM 6.10.
// Reference: Microsoft "Multimedia Programming Interface and Data Specifications 1.0"
// and "WAVEFORMATEXTENSIBLE" (mmreg.h / ksmedia.h).
#include "byte_order.h"
#include "container_readers.h"

#include <algorithm>
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
    constexpr unsigned char kSubFormatTail[14]
            = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

    // No format chunk that we read needs more; a larger one keeps its first bytes.
    constexpr size_t kMaxFmtBytes = 256;
    // Stops a walk through a file made of nothing but tiny chunks.
    constexpr int kMaxChunks = 100000;

    struct WavChunks
    {
        unsigned char fmt[kMaxFmtBytes] = {};
        size_t fmtBytes = 0; // bytes of the format chunk held in `fmt`
        bool haveFmt = false;
        bool haveData = false;
        int64_t dataOffset = 0;
        uint32_t dataSize = 0;
    };

    AudioError WalkChunks(ByteSource &source, WavChunks &chunks)
    {
        int64_t pos = 12;
        for (int n = 0; n < kMaxChunks; ++n) {
            unsigned char header[8];
            if (!ReadExact(source, pos, header, sizeof header))
                break;
            const uint32_t size = LoadLE32(header + 4);
            const int64_t body = pos + 8;
            if (std::memcmp(header, "fmt ", 4) == 0 && !chunks.haveFmt) {
                if (size < 16)
                    return AudioError::WavFmtShort;
                chunks.fmtBytes = std::min<size_t>(size, kMaxFmtBytes);
                if (!ReadExact(source, body, chunks.fmt, chunks.fmtBytes))
                    return AudioError::WavFmtShort;
                chunks.haveFmt = true;
            } else if (std::memcmp(header, "data", 4) == 0 && !chunks.haveData) {
                chunks.haveData = true;
                chunks.dataOffset = body;
                chunks.dataSize = size;
            }
            // Once both are known there is nothing more to look for; a stream could not
            // come back to the data anyway.
            if (chunks.haveFmt && chunks.haveData)
                break;
            pos = body + size + (size & 1);
            if (source.Size() >= 0 && pos >= source.Size())
                break;
        }
        if (!chunks.haveFmt)
            return AudioError::WavNoFmt;
        if (!chunks.haveData)
            return AudioError::WavNoData;
        return AudioError::None;
    }

    // The header that libsndfile reads in front of the sample data for the block codecs:
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

} // namespace

AudioError ReadWavHeader(ByteSource &source, StreamLayout &layout)
{
    WavChunks chunks;
    if (AudioError e = WalkChunks(source, chunks); e != AudioError::None)
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
        const uint16_t subTag = LoadLE16(fmt + 24);
        if (std::memcmp(fmt + 26, kSubFormatTail, sizeof kSubFormatTail) != 0
            || (subTag != kTagPcm && subTag != kTagFloat && subTag != kTagAlaw
                && subTag != kTagUlaw))
            return AudioError::UnimplementedFormat;
        tag = subTag;
    }
    if (channels > detail::kMaxChannels)
        return AudioError::WavBadChannels;

    layout.kind = FormatKind::WAV;
    layout.sampleRate = LoadLE32(fmt + 4);
    layout.channels = channels;
    layout.order = ByteOrder::Little;
    layout.dataOffset = chunks.dataOffset;
    layout.dataBytes = HeldFrom(source, chunks.dataOffset, chunks.dataSize);
    layout.declaredFrameBytes = blockAlign;

    switch (tag) {
    case kTagPcm:
        if (bits == 0 || bits > 32)
            return AudioError::UnimplementedFormat;
        layout.encoding = SampleEncoding::PCM;
        layout.bitWidth = bits;
        // One-byte WAV data is stored unsigned.
        layout.signedBytes = bits > 8;
        detail::SetPlainSamples(layout, (bits + 7) / 8);
        return AudioError::None;
    case kTagFloat:
        if (bits != 32)
            return AudioError::UnimplementedFormat;
        layout.encoding = SampleEncoding::FLOAT;
        layout.bitWidth = 32;
        layout.isFloat = true;
        detail::SetPlainSamples(layout, 4);
        return AudioError::None;
    case kTagAlaw:
    case kTagUlaw:
        if (bits != 8)
            return AudioError::UnimplementedFormat;
        layout.encoding = tag == kTagAlaw ? SampleEncoding::ALAW : SampleEncoding::ULAW;
        layout.isAlaw = tag == kTagAlaw;
        layout.isUlaw = tag == kTagUlaw;
        layout.bitWidth = 16;
        detail::SetPlainSamples(layout, 1);
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
        const uint64_t blocks
                = ima ? CeilDiv(layout.dataBytes, blockAlign) : layout.dataBytes / blockAlign;
        layout.samples = blocks * samplesPerBlock;
        break;
    }
    case kTagGsm610:
        if (channels != 1 || blockAlign != 65 || !haveExtension || samplesPerBlock != 320)
            return AudioError::WavBadGsm;
        layout.encoding = SampleEncoding::GSM610;
        layout.bitWidth = 16;
        layout.seekable = false;
        layout.samples = CeilDiv(layout.dataBytes, 65) * 320;
        break;
    default:
        return AudioError::UnimplementedFormat;
    }

    layout.decoding = Decoding::Container;
    layout.prefix = CodecPrefix(chunks, layout.dataBytes);
    return AudioError::None;
}

} // namespace orvex
