// Container recognition by the first twelve bytes, in a fixed order, and the dispatch
// to each container's header reader. References: libsndfile's guess_file_type()
// (src/sndfile.c) for the magic numbers; each reader names its format's own documents.
#include "container_readers.h"

#include <algorithm>
#include <cstring>

namespace orvex {

namespace {

    // One recognition test: bytes at `offset` equal `magic`, and, when `offset2`'s magic is
    // not empty, bytes at `offset2` equal `magic2` too.
    struct MagicRow
    {
        size_t offset;
        std::string_view magic;
        size_t offset2;
        std::string_view magic2;
        Recognised result;
    };

    // Checked top to bottom; the first match decides. "FORM" and IRCAM need more than
    // fixed bytes and are handled around the table, in their places in the order.
    constexpr MagicRow kRowsAfterForm[] = {
            {0, ".snd", 0, {}, Recognised::Au},      {0, "dns.", 0, {}, Recognised::Au},
            {0, "fap ", 0, {}, Recognised::Paf},     {0, " paf", 0, {}, Recognised::Paf},
            {0, "NIST", 0, {}, Recognised::Nist},    {0, "SEKD", 4, "SAMR", Recognised::Sekd},
            {0, "Crea", 4, "tive", Recognised::Voc},
    };

    constexpr MagicRow kRowsAfterIrcam[] = {
            {0, "CAT ", 8, "REX2", Recognised::Rex2},
            // The first eight bytes of the ASF header object's GUID.
            {0, std::string_view("\x30\x26\xB2\x75\x8E\x66\xCF\x11", 8), 0, {}, Recognised::Wma},
    };

    bool Matches(const unsigned char (&head)[12], size_t offset, std::string_view magic)
    {
        return std::memcmp(head + offset, magic.data(), magic.size()) == 0;
    }

    bool MatchesRow(const unsigned char (&head)[12], const MagicRow &row)
    {
        return Matches(head, row.offset, row.magic)
                && (row.magic2.empty() || Matches(head, row.offset2, row.magic2));
    }

} // namespace

bool HasHeaderlessUlawName(std::string_view path)
{
    // The name follows the last '/', or the last backslash when there is no '/'.
    size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        slash = path.rfind('\\');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    std::string ext(name.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
    return ext == "au" || ext == "snd";
}

Recognised RecogniseContainer(const unsigned char (&head)[12], std::string_view path)
{
    if (Matches(head, 0, "RIFF") && Matches(head, 8, "WAVE"))
        return Recognised::Wav;
    if (Matches(head, 0, "FORM")) {
        if (Matches(head, 8, "AIFF") || Matches(head, 8, "AIFC"))
            return Recognised::Aiff;
        if (Matches(head, 8, "8SVX") || Matches(head, 8, "16SV"))
            return Recognised::Svx;
        return Recognised::FormOther;
    }
    for (const MagicRow &row : kRowsAfterForm)
        if (MatchesRow(head, row))
            return row.result;
    // IRCAM: 64 A3 0n 00 or 00 0n A3 64, n from 0 to 7.
    if ((head[0] == 0x64 && head[1] == 0xA3 && head[2] < 8 && head[3] == 0)
        || (head[0] == 0 && head[1] < 8 && head[2] == 0xA3 && head[3] == 0x64))
        return Recognised::Ircam;
    for (const MagicRow &row : kRowsAfterIrcam)
        if (MatchesRow(head, row))
            return row.result;
    if (HasHeaderlessUlawName(path))
        return Recognised::HeaderlessUlaw;
    return Recognised::Raw;
}

namespace detail {

    uint64_t HeldFrom(const ByteSource &source, int64_t offset, uint64_t declared)
    {
        if (source.Size() < 0)
            return declared;
        if (offset >= source.Size())
            return 0;
        return std::min<uint64_t>(declared, static_cast<uint64_t>(source.Size() - offset));
    }

    bool ReadExact(ByteSource &source, int64_t offset, void *dst, size_t n)
    {
        return source.ReadAt(offset, dst, n) == n;
    }

    void SetPlainSamples(StreamLayout &layout, uint32_t sampleBytes)
    {
        layout.decoding = Decoding::RawWindow;
        layout.sampleBytes = sampleBytes;
        const uint64_t frameBytes = static_cast<uint64_t>(sampleBytes) * layout.channels;
        layout.samples = frameBytes ? layout.dataBytes / frameBytes : 0;
    }

} // namespace detail

namespace {

    // A header-less u-law file: every byte, from the first, is one sample at 8000 Hz.
    AudioError ReadHeaderlessUlaw(ByteSource &source, StreamLayout &layout)
    {
        layout.kind = FormatKind::AU;
        layout.encoding = SampleEncoding::ULAW;
        layout.bitWidth = 16;
        layout.sampleRate = 8000;
        layout.channels = 1;
        layout.isUlaw = true;
        layout.dataOffset = 0;
        layout.dataBytes = detail::HeldFrom(source, 0, UINT32_MAX);
        detail::SetPlainSamples(layout, 1);
        return AudioError::None;
    }

} // namespace

AudioError ReadContainerHeader(Recognised what, ByteSource &source, StreamLayout &layout)
{
    switch (what) {
    case Recognised::Wav:
        return ReadWavHeader(source, layout);
    case Recognised::Aiff:
        return ReadAiffHeader(source, layout);
    case Recognised::Svx:
        return ReadSvxHeader(source, layout);
    case Recognised::Au:
        return ReadAuHeader(source, layout);
    case Recognised::Paf:
        return ReadPafHeader(source, layout);
    case Recognised::Nist:
        return ReadNistHeader(source, layout);
    case Recognised::Ircam:
        return ReadIrcamHeader(source, layout);
    case Recognised::Sekd:
        return ReadSekdHeader(source);
    case Recognised::Voc:
        return ReadVocHeader(source);
    case Recognised::HeaderlessUlaw:
        return ReadHeaderlessUlaw(source, layout);
    case Recognised::FormOther:
    case Recognised::Rex2:
    case Recognised::Wma:
        return AudioError::UnknownFormat;
    case Recognised::Raw:
        // Nothing describes a header-less file that recognition reached.
        return AudioError::RawBadSpec;
    }
    return AudioError::InternalError;
}

} // namespace orvex
