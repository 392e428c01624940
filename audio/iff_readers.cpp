// Header readers for the IFF family: AIFF and AIFC (Apple "Audio Interchange File
// Format" 1.3 and the AIFF-C draft of 1991) and Amiga IFF 8SVX / 16SV (EA IFF 85,
// "8SVX IFF 8-Bit Sampled Voice").
#include "byte_order.h"
#include "container_readers.h"

#include <cmath>
#include <cstring>

namespace orvex {

using namespace orvex::bytes;
using detail::HeldFrom;
using detail::ReadExact;

namespace {

    constexpr int kMaxChunks = 100000;

    // One chunk of a FORM: its id, where its body starts, and its declared size.
    struct IffChunk
    {
        char id[4];
        int64_t body;
        uint32_t size;
    };

    // Walks the chunks of a FORM from offset 12 and hands each to `visit`, which returns
    // false once it has all it needs. Sizes are big-endian; odd chunks are padded.
    template<typename Visit>
    void WalkIff(ByteSource &source, Visit visit)
    {
        int64_t pos = 12;
        for (int n = 0; n < kMaxChunks; ++n) {
            unsigned char header[8];
            if (!ReadExact(source, pos, header, sizeof header))
                return;
            IffChunk chunk{};
            std::memcpy(chunk.id, header, 4);
            chunk.size = LoadBE32(header + 4);
            chunk.body = pos + 8;
            if (!visit(chunk))
                return;
            pos = chunk.body + chunk.size + (chunk.size & 1);
            if (source.Size() >= 0 && pos >= source.Size())
                return;
        }
    }

    bool IsId(const IffChunk &chunk, const char *id)
    {
        return std::memcmp(chunk.id, id, 4) == 0;
    }

    // The whole part of an 80-bit IEEE 754 extended value (AIFF's sample rate); false
    // for infinity, not-a-number, a negative value of one or more, or one past 32 bits.
    bool WholePartOfExtended(const unsigned char *p, uint32_t &out)
    {
        const bool negative = p[0] & 0x80;
        const int exponent = ((p[0] & 0x7F) << 8) | p[1];
        uint64_t mantissa = 0;
        for (int i = 0; i < 8; ++i)
            mantissa = (mantissa << 8) | p[2 + i];
        if (exponent == 0x7FFF)
            return false;
        const int power = exponent - 16383; // value = mantissa / 2^63 * 2^power
        if (mantissa == 0 || power < 0) {
            out = 0;
            return true;
        }
        if (negative || power >= 32)
            return false;
        out = static_cast<uint32_t>(mantissa >> (63 - power));
        return true;
    }

} // namespace

AudioError ReadAiffHeader(ByteSource &source, StreamLayout &layout)
{
    unsigned char formType[4];
    ReadExact(source, 8, formType, 4);
    const bool aifc = std::memcmp(formType, "AIFC", 4) == 0;

    unsigned char comm[22] = {};
    bool haveComm = false, haveSsnd = false;
    AudioError error = AudioError::None;
    int64_t dataOffset = 0;
    uint64_t dataDeclared = 0;
    WalkIff(source, [&](const IffChunk &chunk) {
        if (IsId(chunk, "COMM") && !haveComm) {
            const size_t need = aifc ? 22 : 18;
            if (chunk.size < need || !ReadExact(source, chunk.body, comm, need)) {
                error = AudioError::AiffCommShort;
                return false;
            }
            haveComm = true;
        } else if (IsId(chunk, "SSND") && !haveSsnd) {
            unsigned char ssnd[8];
            if (chunk.size < 8 || !ReadExact(source, chunk.body, ssnd, 8)) {
                error = AudioError::AiffBadChunk;
                return false;
            }
            // The sample data starts `offset` bytes after the SSND chunk's own fields.
            const uint32_t offset = LoadBE32(ssnd);
            if (offset > chunk.size - 8) {
                error = AudioError::AiffBadSsndOffset;
                return false;
            }
            dataOffset = chunk.body + 8 + offset;
            dataDeclared = chunk.size - 8 - offset;
            haveSsnd = true;
        }
        return !(haveComm && haveSsnd);
    });
    if (error != AudioError::None)
        return error;
    if (!haveComm)
        return AudioError::AiffNoComm;
    if (!haveSsnd)
        return AudioError::AiffNoSsnd;

    const uint32_t channels = LoadBE16(comm);
    const uint32_t frames = LoadBE32(comm + 2);
    const uint32_t sampleSize = LoadBE16(comm + 6);
    uint32_t rate = 0;
    if (!WholePartOfExtended(comm + 8, rate))
        return AudioError::AiffBadSampleRate;
    if (channels > detail::kMaxChannels)
        return AudioError::AiffBadChannels;

    layout.kind = FormatKind::AIFF;
    layout.sampleRate = rate;
    layout.channels = channels;
    layout.dataOffset = dataOffset;
    layout.dataBytes = HeldFrom(source, dataOffset, dataDeclared);
    layout.order = ByteOrder::Big;
    layout.signedBytes = true;

    // Plain AIFF is big-endian PCM; AIFC names its compression.
    SampleEncoding encoding = SampleEncoding::PCM;
    if (aifc) {
        const unsigned char *c = comm + 18;
        if (std::memcmp(c, "NONE", 4) == 0) {
            encoding = SampleEncoding::PCM;
        } else if (std::memcmp(c, "twos", 4) == 0) {
            encoding = SampleEncoding::PCM_BE;
        } else if (std::memcmp(c, "sowt", 4) == 0) {
            encoding = SampleEncoding::PCM_LE;
            layout.order = ByteOrder::Little;
        } else if (std::memcmp(c, "fl32", 4) == 0 || std::memcmp(c, "FL32", 4) == 0) {
            encoding = SampleEncoding::FLOAT;
        } else {
            return AudioError::UnimplementedFormat;
        }
    }
    layout.encoding = encoding;
    if (encoding == SampleEncoding::FLOAT) {
        // Always 32 bits, whatever the header's sample size says.
        layout.bitWidth = 32;
        layout.isFloat = true;
        detail::SetPlainSamples(layout, 4);
    } else {
        if (sampleSize > 32)
            return AudioError::UnimplementedFormat;
        layout.bitWidth = sampleSize;
        detail::SetPlainSamples(layout, (sampleSize + 7) / 8);
    }
    // AIFF states its length in the COMM chunk; reading stops short where the data does.
    layout.samples = frames;
    return AudioError::None;
}

AudioError ReadSvxHeader(ByteSource &source, StreamLayout &layout)
{
    unsigned char formType[4];
    ReadExact(source, 8, formType, 4);
    const bool sixteen = std::memcmp(formType, "16SV", 4) == 0;

    unsigned char vhdr[20] = {};
    bool haveVhdr = false, haveBody = false;
    AudioError error = AudioError::None;
    int64_t dataOffset = 0;
    uint32_t dataDeclared = 0;
    WalkIff(source, [&](const IffChunk &chunk) {
        if (IsId(chunk, "VHDR") && !haveVhdr) {
            if (chunk.size < 20 || !ReadExact(source, chunk.body, vhdr, 20)) {
                error = AudioError::SvxBadVhdr;
                return false;
            }
            haveVhdr = true;
        } else if (IsId(chunk, "BODY") && !haveBody) {
            dataOffset = chunk.body;
            dataDeclared = chunk.size;
            haveBody = true;
        }
        return !(haveVhdr && haveBody);
    });
    if (error != AudioError::None)
        return error;
    if (!haveVhdr)
        return AudioError::SvxNoVhdr;
    if (!haveBody)
        return AudioError::SvxNoBody;
    // VHDR: oneShotHiSamples, repeatHiSamples, samplesPerHiCycle (4 bytes each),
    // samplesPerSec (2), ctOctave (1), sCompression (1), volume (4).
    if (vhdr[15] != 0)
        return AudioError::SvxCompressed;

    layout.kind = FormatKind::SVX;
    layout.encoding = SampleEncoding::PCM;
    layout.sampleRate = LoadBE16(vhdr + 12);
    layout.channels = 1;
    layout.bitWidth = sixteen ? 16 : 8;
    layout.order = ByteOrder::Big;
    layout.signedBytes = true;
    layout.dataOffset = dataOffset;
    layout.dataBytes = HeldFrom(source, dataOffset, dataDeclared);
    detail::SetPlainSamples(layout, sixteen ? 2 : 1);
    return AudioError::None;
}

} // namespace orvex
