// The containers in recognition order, and what is shared by their readers. The first
// container whose magic matches the first twelve bytes decides; only a file that no marker
// names is recognised by its name. Reference for the magic numbers: libsndfile's
// guess_file_type() (src/sndfile.c); each container's file names its format's own documents.
#include "byte_order.h"
#include "container.h"

#include <algorithm>
#include <cstring>

namespace orvex {

extern const Container kWavContainer, kAiffContainer, kSvxContainer, kOtherFormContainer,
        kAuContainer, kPafContainer, kNistContainer, kSamplitudeContainer, kVoiceContainer,
        kIrcamContainer, kRex2Container, kWindowsMediaContainer, kHeaderlessUlawContainer,
        kMp3Format, kAacFormat, kMpegAudioFormat, kFlacFormat, kMidiFormat, kCafFormat, kRf64Format,
        kWave64Format, kAmrFormat, kWavPackFormat, kMonkeysAudioFormat, kMatroskaFormat, kAviFormat,
        kOggFormat, kQuickTimeFormat, kMp4Format;

namespace {

    // The order in which files are recognised, and in which "Orvex reads ..." names them.
    // Every container of this folder is here once. Only these orders matter: a FORM type
    // before any FORM, every marker before a name, an ftyp brand before any ftyp; and the
    // formats named only to be refused come last, so that a file that a container or its
    // name takes is read as it always was.
    constinit const Container *const kContainers[] = {
            &kWavContainer,
            &kAiffContainer,
            &kAuContainer,
            &kPafContainer,
            &kSvxContainer,
            &kOtherFormContainer,
            &kNistContainer,
            &kSamplitudeContainer,
            &kVoiceContainer,
            &kIrcamContainer,
            &kRex2Container,
            &kWindowsMediaContainer,
            &kHeaderlessUlawContainer,
            &kMp3Format,
            &kAacFormat,
            &kMpegAudioFormat,
            &kFlacFormat,
            &kMidiFormat,
            &kCafFormat,
            &kRf64Format,
            &kWave64Format,
            &kAmrFormat,
            &kWavPackFormat,
            &kMonkeysAudioFormat,
            &kMatroskaFormat,
            &kAviFormat,
            &kOggFormat,
            &kQuickTimeFormat,
            &kMp4Format,
    };

    // Kinds of the format word that no container reports: a caller-described header-less
    // file, and a container that is never recognised.
    constexpr KindName kKindsOfNoContainer[] = {
            {FormatKind::RAW, "RAW", "RAW PCM"},
            {FormatKind::SD2, "SD2", "Sound Designer"},
    };

    bool Matches(const unsigned char (&head)[12], const MagicRow &row)
    {
        if (row.mask.empty())
            return std::memcmp(head + row.offset, row.magic.data(), row.magic.size()) == 0;
        for (size_t i = 0; i < row.magic.size(); ++i)
            if (((head[row.offset + i] ^ static_cast<unsigned char>(row.magic[i]))
                 & static_cast<unsigned char>(row.mask[i]))
                != 0)
                return false;
        return true;
    }

} // namespace

bool Container::Recognises(const unsigned char (&head)[12], std::string_view path) const
{
    if (m_byName)
        return m_byName(path);
    return std::any_of(m_magic.begin(), m_magic.end(),
                       [&](const MagicRow &row) { return Matches(head, row); });
}

std::span<const Container *const> Containers()
{
    return kContainers;
}

const Container *RecogniseContainer(const unsigned char (&head)[12], std::string_view path)
{
    for (const Container *container : kContainers)
        if (container->Recognises(head, path))
            return container;
    return nullptr;
}

const std::string &ListOfReadContainers()
{
    static const std::string list = [] {
        std::vector<std::string> names;
        for (const Container *container : kContainers)
            if (container->ListedAs())
                names.emplace_back(container->ListedAs());
        std::string text;
        for (size_t i = 0; i < names.size(); ++i)
            text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
        return text;
    }();
    return list;
}

KindName NamesOfKind(FormatKind kind)
{
    for (const KindName &names : kKindsOfNoContainer)
        if (names.kind == kind)
            return names;
    for (const Container *container : kContainers)
        for (const KindName &names : container->Kinds())
            if (names.kind == kind)
                return names;
    return {kind, nullptr, nullptr};
}

// ---------------------------------------------------------------- shared by the readers

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

    void SetPromisedBytes(StreamLayout &layout, uint64_t declaredBytes)
    {
        const uint64_t frameBytes = uint64_t(layout.sampleBytes) * layout.channels;
        if (frameBytes != 0 && declaredBytes > layout.dataBytes)
            layout.promisedFrames = declaredBytes / frameBytes;
    }

    bool Chunk::Is(const char *name) const
    {
        return std::memcmp(id, name, sizeof id) == 0;
    }

    bool ReadChunkHeader(ByteSource &source, ByteOrder order, int64_t pos, Chunk &chunk)
    {
        unsigned char header[8];
        if (!ReadExact(source, pos, header, sizeof header))
            return false;
        std::memcpy(chunk.id, header, 4);
        chunk.size = order == ByteOrder::Big ? bytes::LoadBE32(header + 4)
                                             : bytes::LoadLE32(header + 4);
        chunk.body = pos + 8;
        return true;
    }

} // namespace detail

} // namespace orvex
