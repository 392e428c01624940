// The containers that are recognised only to be refused: Samplitude, Creative Voice, REX2
// loops, Windows Media, and IFF files of a form type that no reader takes. A file of these
// is named for what it is and never opened. Reference: Creative "Voice File Format".
#include "byte_order.h"
#include "container.h"

#include <cstring>

namespace orvex {

using namespace orvex::bytes;
using detail::ReadExact;

namespace {

    // A Samplitude file is never opened: with both markers in place it still describes
    // nothing that the binding reads.
    AudioError ReadSekdHeader(ByteSource &source, StreamLayout &)
    {
        char h[8] = {};
        ReadExact(source, 0, h, sizeof h);
        if (std::memcmp(h, "SEKD", 4) != 0)
            return AudioError::SekdNoMarker;
        if (std::memcmp(h + 4, "SAMR", 4) != 0)
            return AudioError::SekdNoSamr;
        return AudioError::InfoIncomplete;
    }

    // A Creative Voice file is never opened; a damaged header is named as such.
    AudioError ReadVocHeader(ByteSource &source, StreamLayout &)
    {
        unsigned char h[26] = {};
        static constexpr char kMarker[] = "Creative Voice File\x1A";
        if (!ReadExact(source, 0, h, sizeof h) || std::memcmp(h, kMarker, 20) != 0)
            return AudioError::VocNoMarker;
        const uint16_t dataOffset = LoadLE16(h + 20);
        const uint16_t version = LoadLE16(h + 22);
        const uint16_t check = LoadLE16(h + 24);
        if (dataOffset < sizeof h)
            return AudioError::VocBadOffset;
        if (check != static_cast<uint16_t>(~version + 0x1234))
            return AudioError::VocBadChecksum;
        return AudioError::InfoIncomplete;
    }

    // Nothing in these is read.
    AudioError RefuseUnknown(ByteSource &, StreamLayout &)
    {
        return AudioError::UnknownFormat;
    }

} // namespace

constexpr MagicRow kOtherFormMagic[] = {{0, "FORM"}};
constexpr MagicRow kSamplitudeMagic[] = {{0, "SEKDSAMR"}};
constexpr MagicRow kVoiceMagic[] = {{0, "Creative"}};
constexpr MagicRow kRex2Magic[] = {{0, std::string_view("CAT \0\0\0\0REX2", 12), kMarkerAndType}};
// The first eight bytes of the ASF header object's GUID.
constexpr MagicRow kWindowsMediaMagic[]
        = {{0, std::string_view("\x30\x26\xB2\x75\x8E\x66\xCF\x11", 8)}};

constexpr KindName kSamplitudeKinds[] = {{FormatKind::SEKD, "SEKD", "Sekd"}};
constexpr KindName kVoiceKinds[] = {{FormatKind::VOC, "VOC", "VOC"}};
constexpr KindName kRex2Kinds[] = {{FormatKind::REX2, "REX2", "Rex2"}};
constexpr KindName kWindowsMediaKinds[] = {{FormatKind::WMA, "WMA", "WMA"}};

extern const Container kOtherFormContainer, kSamplitudeContainer, kVoiceContainer, kRex2Container,
        kWindowsMediaContainer;
constexpr Container kOtherFormContainer("IFF", nullptr, kOtherFormMagic, nullptr, &RefuseUnknown,
                                        {}, Refusal::Nothing);
constexpr Container kSamplitudeContainer("Samplitude", nullptr, kSamplitudeMagic, nullptr,
                                         &ReadSekdHeader, kSamplitudeKinds, Refusal::WholeKind);
constexpr Container kVoiceContainer("Creative Voice", nullptr, kVoiceMagic, nullptr, &ReadVocHeader,
                                    kVoiceKinds, Refusal::WholeKind);
constexpr Container kRex2Container("REX2", nullptr, kRex2Magic, nullptr, &RefuseUnknown, kRex2Kinds,
                                   Refusal::WholeKind);
constexpr Container kWindowsMediaContainer("Windows Media", nullptr, kWindowsMediaMagic, nullptr,
                                           &RefuseUnknown, kWindowsMediaKinds, Refusal::WholeKind);

} // namespace orvex
