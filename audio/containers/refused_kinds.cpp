// The formats that are recognised only to be refused: Samplitude, Creative Voice, REX2 loops,
// Windows Media and IFF files of a form type that no reader takes, which libsndfile's
// recognition also knows; and, after every container and name, formats that only the refusal
// sentence names (MP3, FLAC, Ogg...). A file of these is named for what it is and never
// opened. References: Creative "Voice File Format"; the formats' own specifications for their
// magic numbers (RFC 9639 for FLAC, RFC 3533 for Ogg, ISO/IEC 14496-12 for MP4, the Standard
// MIDI File 1.0, Apple's CAF specification, EBU Tech 3306 for RF64, Sony's Wave64).
#include "byte_order.h"
#include "container.h"

#include <cstring>
#include <string_view>

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

    // Formats that no reader here takes are refused as a file that nothing recognised is.
    AudioError RefuseUnrecognised(ByteSource &, StreamLayout &)
    {
        return AudioError::RawBadSpec;
    }

    // An Ogg stream names its codec in the first packet, which starts at byte 28.
    AudioError RefuseOgg(ByteSource &source, StreamLayout &layout)
    {
        char packet[8] = {};
        ReadExact(source, 28, packet, sizeof packet);
        const std::string_view first(packet, sizeof packet);
        layout.refused.detected = first.starts_with("\x01vorbis") ? "Ogg Vorbis"
                : first.starts_with("OpusHead")                   ? "Opus"
                : first.starts_with("\x7F"
                                    "FLAC")
                ? "Ogg FLAC"
                : "Ogg";
        return AudioError::RawBadSpec;
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

// ---------------------------------------------------------------- named only to be refused

// MPEG audio frames start with eleven sync bits, then the version and the layer: layer bits
// 01 are MP3, 10 and 11 MPEG audio of layers 2 and 1, and 00 with the version bit set AAC's
// ADTS frames.
constexpr MagicRow kMp3Magic[] = {{0, "ID3"}, {0, "\xFF\xE2", "\xFF\xE6"}};
constexpr MagicRow kAacMagic[] = {{0, "\xFF\xF0", "\xFF\xF6"}};
constexpr MagicRow kMpegAudioMagic[] = {{0, "\xFF\xE4", "\xFF\xE4"}};
constexpr MagicRow kFlacMagic[] = {{0, "fLaC"}};
constexpr MagicRow kMidiMagic[] = {{0, "MThd"}, {8, "RMID"}};
constexpr MagicRow kCafMagic[] = {{0, "caff"}};
constexpr MagicRow kRf64Magic[] = {{0, "RF64"}, {0, "BW64"}};
constexpr MagicRow kWave64Magic[] = {{0, std::string_view("riff\x2E\x91\xCF\x11", 8)}};
constexpr MagicRow kAmrMagic[] = {{0, "#!AMR"}};
constexpr MagicRow kWavPackMagic[] = {{0, "wvpk"}};
constexpr MagicRow kMonkeysAudioMagic[] = {{0, "MAC "}};
constexpr MagicRow kMatroskaMagic[] = {{0, "\x1A\x45\xDF\xA3"}};
constexpr MagicRow kAviMagic[] = {{8, "AVI "}};
constexpr MagicRow kOggMagic[] = {{0, "OggS"}};
constexpr MagicRow kQuickTimeMagic[] = {{4, "ftypqt  "}};
constexpr MagicRow kMp4Magic[] = {{4, "ftyp"}};

extern const Container kMp3Format, kAacFormat, kMpegAudioFormat, kFlacFormat, kMidiFormat,
        kCafFormat, kRf64Format, kWave64Format, kAmrFormat, kWavPackFormat, kMonkeysAudioFormat,
        kMatroskaFormat, kAviFormat, kOggFormat, kQuickTimeFormat, kMp4Format;
constexpr Container kMp3Format("MP3", nullptr, kMp3Magic, nullptr, &RefuseUnrecognised, {},
                               Refusal::WholeKind);
constexpr Container kAacFormat("AAC", nullptr, kAacMagic, nullptr, &RefuseUnrecognised, {},
                               Refusal::WholeKind);
constexpr Container kMpegAudioFormat("MPEG audio", nullptr, kMpegAudioMagic, nullptr,
                                     &RefuseUnrecognised, {}, Refusal::WholeKind);
constexpr Container kFlacFormat("FLAC", nullptr, kFlacMagic, nullptr, &RefuseUnrecognised, {},
                                Refusal::WholeKind);
constexpr Container kMidiFormat("MIDI", nullptr, kMidiMagic, nullptr, &RefuseUnrecognised, {},
                                Refusal::WholeKind);
constexpr Container kCafFormat("CAF", nullptr, kCafMagic, nullptr, &RefuseUnrecognised, {},
                               Refusal::WholeKind);
constexpr Container kRf64Format("RF64", nullptr, kRf64Magic, nullptr, &RefuseUnrecognised, {},
                                Refusal::WholeKind);
constexpr Container kWave64Format("Wave64", nullptr, kWave64Magic, nullptr, &RefuseUnrecognised, {},
                                  Refusal::WholeKind);
constexpr Container kAmrFormat("AMR", nullptr, kAmrMagic, nullptr, &RefuseUnrecognised, {},
                               Refusal::WholeKind);
constexpr Container kWavPackFormat("WavPack", nullptr, kWavPackMagic, nullptr, &RefuseUnrecognised,
                                   {}, Refusal::WholeKind);
constexpr Container kMonkeysAudioFormat("Monkey's Audio", nullptr, kMonkeysAudioMagic, nullptr,
                                        &RefuseUnrecognised, {}, Refusal::WholeKind);
constexpr Container kMatroskaFormat("Matroska or WebM", nullptr, kMatroskaMagic, nullptr,
                                    &RefuseUnrecognised, {}, Refusal::WholeKind);
constexpr Container kAviFormat("AVI video", nullptr, kAviMagic, nullptr, &RefuseUnrecognised, {},
                               Refusal::WholeKind);
constexpr Container kOggFormat("Ogg", nullptr, kOggMagic, nullptr, &RefuseOgg, {},
                               Refusal::WholeKind);
constexpr Container kQuickTimeFormat("QuickTime", nullptr, kQuickTimeMagic, nullptr,
                                     &RefuseUnrecognised, {}, Refusal::WholeKind);
constexpr Container kMp4Format("M4A/AAC", nullptr, kMp4Magic, nullptr, &RefuseUnrecognised, {},
                               Refusal::WholeKind);

} // namespace orvex
