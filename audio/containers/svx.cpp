// Header reader for Amiga IFF 8SVX and 16SV: uncompressed 8- and 16-bit PCM, mono or, with a
// CHAN chunk that says so, stereo. Reference: EA IFF 85, "8SVX IFF 8-Bit Sampled Voice", and
// its CHAN chunk: the values of a stereo file are the left channel's, then the right's.
// libsndfile describes such a file as stereo too, but reads its BODY as frames of two
// values; Orvex reads the channels where the format and the programs that write it (sox)
// put them.
#include "byte_order.h"
#include "container.h"

#include <algorithm>
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
        bool haveVhdr = false, haveBody = false, stereo = false;
        AudioError error = AudioError::None;
        int64_t dataOffset = 0;
        uint32_t dataDeclared = 0;
        detail::WalkChunks(source, ByteOrder::Big, [&](const detail::Chunk &chunk) {
            unsigned char chan[4];
            // CHAN: 2 (left) and 4 (right) are mono; 6 is stereo.
            if (chunk.Is("CHAN") && chunk.size >= 4 && ReadExact(source, chunk.body, chan, 4))
                stereo = LoadBE32(chan) == 6;
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
            // A stream could not come back to the BODY for a CHAN chunk that follows it.
            return !(haveVhdr && haveBody) || !source.IsStream();
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
        layout.channels = stereo ? 2 : 1;
        layout.bitWidth = sixteen ? 16 : 8;
        layout.order = ByteOrder::Big;
        layout.signedBytes = true;
        layout.dataOffset = dataOffset;
        layout.dataBytes = HeldFrom(source, dataOffset, dataDeclared);
        const uint32_t sampleBytes = sixteen ? 2 : 1;
        detail::SetPlainSamples(layout, sampleBytes);
        detail::SetPromisedBytes(layout, dataDeclared);
        if (stereo) {
            // The right channel's values lie behind the left's, where a stream cannot go back.
            if (source.IsStream())
                return AudioError::SeekFailed;
            // The planes split the BODY as declared; the frames held are those of the right
            // channel's plane that the file holds.
            const uint64_t frames = dataDeclared / (2 * sampleBytes);
            layout.planeBytes = frames * sampleBytes;
            const uint64_t right = layout.dataBytes > layout.planeBytes
                    ? layout.dataBytes - layout.planeBytes
                    : 0;
            layout.samples = std::min<uint64_t>(frames, right / sampleBytes);
            layout.promisedFrames = layout.samples < frames ? frames : 0;
        }
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
