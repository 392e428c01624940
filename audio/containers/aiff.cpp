// Header reader for AIFF and AIFC: uncompressed PCM of 1 to 32 bits, little-endian "sowt"
// and 32-bit float. Reference: Apple "Audio Interchange File Format" 1.3 and the AIFF-C
// draft of 1991.
#include "byte_order.h"
#include "container.h"

#include <cstring>

namespace orvex {

using namespace orvex::bytes;
using detail::HeldFrom;
using detail::ReadExact;

namespace {

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

    // A compression type that Orvex does not read, named for the user; `type` is null for
    // plain AIFF.
    AudioError RefuseCompression(StreamLayout &layout, const unsigned char *type)
    {
        const std::string name = type ? std::string(reinterpret_cast<const char *>(type), 4) : "";
        std::string lower = name;
        for (char &c : lower)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        layout.refused.detected = lower == "ulaw" ? "u-law AIFC"
                : lower == "alaw"                 ? "A-law AIFC"
                : lower == "fl64"                 ? "64-bit float AIFC"
                : lower == "ima4"                 ? "IMA ADPCM AIFC"
                                                  : "AIFC ('" + name + "')";
        layout.refused.reason = "Orvex reads uncompressed AIFF and AIFC, and 32-bit float AIFC.";
        return AudioError::UnimplementedFormat;
    }

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
        detail::WalkChunks(source, ByteOrder::Big, [&](const detail::Chunk &chunk) {
            if (chunk.Is("COMM") && !haveComm) {
                const size_t need = aifc ? 22 : 18;
                if (chunk.size < need || !ReadExact(source, chunk.body, comm, need)) {
                    error = AudioError::AiffCommShort;
                    return false;
                }
                haveComm = true;
            } else if (chunk.Is("SSND") && !haveSsnd) {
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
                return RefuseCompression(layout, c);
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
                return RefuseCompression(layout, aifc ? comm + 18 : nullptr);
            layout.bitWidth = sampleSize;
            detail::SetPlainSamples(layout, (sampleSize + 7) / 8);
        }
        // AIFF states its length in the COMM chunk; reading stops short where the data does.
        layout.samples = frames;
        return AudioError::None;
    }
} // namespace

constexpr MagicRow kAiffMagic[] = {
        {0, std::string_view("FORM\0\0\0\0AIFF", 12), kMarkerAndType},
        {0, std::string_view("FORM\0\0\0\0AIFC", 12), kMarkerAndType},
};
constexpr KindName kAiffKinds[] = {{FormatKind::AIFF, "AIFF", "AIFF"}};
extern const Container kAiffContainer;
constexpr Container kAiffContainer("AIFF", "AIFF/AIFC", kAiffMagic, nullptr, &ReadAiffHeader,
                                   kAiffKinds, Refusal::DamagedOrEncoding,
                                   {ChannelLimit::kMostDecoded, AudioError::AiffBadChannels});

} // namespace orvex
