// Header reader for Amiga IFF 8SVX and 16SV: uncompressed 8- and 16-bit PCM.
// Reference: EA IFF 85, "8SVX IFF 8-Bit Sampled Voice".
#include "byte_order.h"
#include "container.h"

#include <cstring>

namespace orvex {

using namespace orvex::bytes;
using detail::HeldFrom;
using detail::ReadExact;

namespace {

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
        detail::WalkChunks(source, ByteOrder::Big, [&](const detail::Chunk &chunk) {
            if (chunk.Is("VHDR") && !haveVhdr) {
                if (chunk.size < 20 || !ReadExact(source, chunk.body, vhdr, 20)) {
                    error = AudioError::SvxBadVhdr;
                    return false;
                }
                haveVhdr = true;
            } else if (chunk.Is("BODY") && !haveBody) {
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
        if (vhdr[15] != 0) {
            layout.refused = {sixteen ? "compressed 16SV" : "compressed 8SVX",
                              "Orvex reads uncompressed 8SVX and 16SV."};
            return AudioError::SvxCompressed;
        }

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

} // namespace

constexpr MagicRow kSvxMagic[] = {
        {0,
         std::string_view("FORM\0\0\0\0"
                          "8SVX",
                          12),
         kMarkerAndType},
        {0,
         std::string_view("FORM\0\0\0\0"
                          "16SV",
                          12),
         kMarkerAndType},
};
constexpr KindName kSvxKinds[] = {{FormatKind::SVX, "SVX", "IFF/SVX8/SV16"}};
extern const Container kSvxContainer;
constexpr Container kSvxContainer("IFF 8SVX/16SV", "IFF 8SVX/16SV", kSvxMagic, nullptr,
                                  &ReadSvxHeader, kSvxKinds, Refusal::DamagedOrEncoding);

} // namespace orvex
