// What the binding knows of a container: how it is recognised, what it is called, how its
// header is read. Each container keeps these in one file of this folder (wav.cpp, aiff.cpp...)
// as one `Container` value; container_table.cpp lists them in recognition order. A reader
// turns a file's header into a StreamLayout: the description the binding reports and where
// and how the samples are stored, for the decoder to read.
#pragma once

#include "audio_library_binding.h"
#include "byte_source.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvex {

enum class ByteOrder { Big, Little };

// How the decoder reaches the samples.
enum class Decoding {
    // The samples are plain values from dataOffset on: libsndfile reads them as a
    // header-less stream over a window of the source that runs to its end. (Values stored
    // channel after channel, in planes, are read by our own code only.)
    RawWindow,
    // Block codecs (GSM 6.10, G721/G723): libsndfile reads `prefix`, a header of the
    // container's own kind, followed by the source's bytes from dataOffset on.
    Container,
    // Values packed in blocks that the container unpacks itself (`packed`).
    Packed,
    // IMA and Microsoft ADPCM, which the binding decodes itself (`coded`), block by block
    // from dataOffset on.
    CodedBlocks,
};

// What a reader found in a file it refuses, for the sentence that tells the user:
// "NAME is a/an DETECTED file; REASON".
struct RefusalWords
{
    std::string detected; // "64-bit float WAV", "u-law AIFC"; empty when nothing was found
    std::string reason; // "Orvex reads integer PCM and 32-bit float WAV."
};

// Samples packed in blocks that the container's own code unpacks (packed 24-bit PARIS): a
// block of `bytes` holds `frames` frames, which `unpack` turns into interleaved signed values
// of the layout's bit width.
struct PackedBlocks
{
    uint32_t bytes = 0;
    uint32_t frames = 0;
    void (*unpack)(const unsigned char *block, uint32_t channels, ByteOrder order,
                   int32_t *values) = nullptr;
};

// Blocks of a codec the binding decodes itself: each block of `bytes` starts afresh from a
// header of its own and holds `frames` frames.
struct CodedBlocks
{
    uint32_t bytes = 0;
    uint32_t frames = 0;
};

struct StreamLayout
{
    FormatKind kind = FormatKind::RAW;
    SampleEncoding encoding = SampleEncoding::PCM;
    uint32_t bitWidth = 0;
    uint32_t sampleRate = 0;
    uint32_t channels = 0;
    uint64_t samples = 0; // frames
    // Frames the header promised where the file holds fewer and `samples` counts what it
    // holds (a WAV data chunk cut short); 0 when nothing more was promised.
    uint64_t promisedFrames = 0;
    // A stream whose header does not state its length (AU's size "not given", a WAV data
    // chunk of size 0 or 0xFFFFFFFF, as writers into pipes leave them): read to its end.
    bool lengthUnknown = false;
    bool seekable = true;

    Decoding decoding = Decoding::RawWindow;
    // Bytes of one stored value for RawWindow data (1 to 4); 0 for block codecs.
    uint32_t sampleBytes = 0;
    // Bytes per frame as a header states it (WAV's block align), checked against
    // channels x sampleBytes before anything is read.
    std::optional<uint32_t> declaredFrameBytes;
    bool signedBytes = true; // one-byte PCM: stored signed, or unsigned (WAV, PCM_U8)
    // Values stored channel after channel (stereo IFF 8SVX: all of the left channel, then
    // all of the right): the bytes of one channel's values. 0 for frame after frame.
    uint64_t planeBytes = 0;
    bool isFloat = false; // 32-bit IEEE float values
    bool isUlaw = false;
    bool isAlaw = false;
    ByteOrder order = ByteOrder::Little;
    int64_t dataOffset = 0;
    uint64_t dataBytes = 0; // sample bytes the file holds (as declared, on a stream)
    std::vector<unsigned char> prefix;
    // The code of a block-coded stream that its decoder will not decode.
    AudioError decoderRefused = AudioError::InternalError;
    PackedBlocks packed;
    CodedBlocks coded;

    // Set by a reader that refuses the file, to say why in words.
    RefusalWords refused;
};

// ---------------------------------------------------------------- the Container value

// One recognition test: the bytes at `offset` equal `magic`, compared under `mask` when one
// is given (a set bit compares, a clear bit does not).
struct MagicRow
{
    size_t offset;
    std::string_view magic;
    std::string_view mask = {};
};

// The mask of a row that compares a RIFF or IFF file's marker and form type (its first four
// bytes and the four at offset 8) around the size between them.
inline constexpr std::string_view kMarkerAndType("\xFF\xFF\xFF\xFF\0\0\0\0\xFF\xFF\xFF\xFF", 12);

// The most channels a container's files may have, and the code that refuses a file with more.
// The binding checks it for every container in one place, after the container's reader, so
// that no reader has to remember it.
struct ChannelLimit
{
    // The largest channel count libsndfile decodes.
    static constexpr uint32_t kMostDecoded = 1024;
    uint32_t most = kMostDecoded;
    AudioError code = AudioError::InternalError;
};

// A container kind of the format word and its names: the enumerator's own ("AULE"), as
// orvex-cli --json gives it, and the one the window shows ("DEC AU").
struct KindName
{
    FormatKind kind;
    const char *enumName;
    const char *displayName;
};

// Reads the header of a recognised file and fills `layout`. Returns the failure's code, or
// None. Never trusts a field it divides by or sizes anything from.
using HeaderReader = AudioError (*)(ByteSource &source, StreamLayout &layout);
// Recognition by the file's name, for containers without a marker.
using NameTest = bool (*)(std::string_view path);

// What the user is told about a file of the container that could not be opened.
enum class Refusal {
    // Opened when whole: a failure means a damaged header, or an encoding refused in words
    // of the reader's own (StreamLayout::refused).
    DamagedOrEncoding,
    // Never opened: "NAME is a NAME file", and what Orvex reads instead.
    WholeKind,
    // Nothing of its own to say; the bytes may still tell what the file is.
    Nothing,
};

class Container
{
public:
    // `name`: how sentences call a file of the container ("AIFF", "NIST Sphere").
    // `listedAs`: its name in "Orvex reads ... files", or nullptr when it is not listed.
    // A container is recognised by `magic` (any row) or, with no magic, by `byName`.
    // `channels`: the most channels its files may have, and the code of a file with more.
    // Checked as the program is compiled: a container without a name, reader or way to
    // be recognised, or one that is listed without its kinds' names, does not build.
    consteval Container(const char *name, const char *listedAs, std::span<const MagicRow> magic,
                        NameTest byName, HeaderReader read, std::span<const KindName> kinds,
                        Refusal refusal, ChannelLimit channels = {})
        : m_name(name)
        , m_listedAs(listedAs)
        , m_magic(magic)
        , m_byName(byName)
        , m_read(read)
        , m_kinds(kinds)
        , m_refusal(refusal)
        , m_channels(channels)
    {
        if (name == nullptr || name[0] == '\0')
            throw "a container needs a name";
        if (read == nullptr)
            throw "a container needs a header reader";
        if (magic.empty() == (byName == nullptr))
            throw "a container is recognised by its magic or by its name, one of the two";
        for (const MagicRow &row : magic)
            if (row.magic.empty() || row.offset + row.magic.size() > 12
                || (!row.mask.empty() && row.mask.size() != row.magic.size()))
                throw "a magic row lies within the first twelve bytes, its mask as long";
        if (listedAs != nullptr && kinds.empty())
            throw "a container that opens files names the kinds it reports";
        for (const KindName &k : kinds)
            if (k.enumName == nullptr || k.enumName[0] == '\0' || k.displayName == nullptr
                || k.displayName[0] == '\0')
                throw "every kind has both its names";
        if (channels.most == 0 || channels.most > ChannelLimit::kMostDecoded)
            throw "a container's channel limit is one that libsndfile decodes";
    }

    const char *Name() const { return m_name; }
    const char *ListedAs() const { return m_listedAs; }
    std::span<const KindName> Kinds() const { return m_kinds; }
    Refusal RefusalWording() const { return m_refusal; }
    const ChannelLimit &MostChannels() const { return m_channels; }
    AudioError ReadHeader(ByteSource &source, StreamLayout &layout) const
    {
        return m_read(source, layout);
    }
    bool Recognises(const unsigned char (&head)[12], std::string_view path) const;

private:
    const char *m_name;
    const char *m_listedAs;
    std::span<const MagicRow> m_magic;
    NameTest m_byName;
    HeaderReader m_read;
    std::span<const KindName> m_kinds;
    Refusal m_refusal;
    ChannelLimit m_channels;
};

// ---------------------------------------------------------------- the table

// Every container, in recognition order.
std::span<const Container *const> Containers();

// The first container, in order, that recognises the file from its first twelve bytes (zero
// where the file is shorter) or its name; nullptr for none. Pure.
const Container *RecogniseContainer(const unsigned char (&head)[12], std::string_view path);

// "WAV, AIFF/AIFC, AU/SND, PARIS, IFF 8SVX/16SV, NIST Sphere and IRCAM": every listed
// container, in order.
const std::string &ListOfReadContainers();

// The names of a container kind; nullptr names for a value outside the enum.
KindName NamesOfKind(FormatKind kind);

// ---------------------------------------------------------------- shared by the readers

namespace detail {

    // Bytes that the source holds from `offset` on, at most `declared`; `declared` itself
    // on a stream, whose length is unknown.
    uint64_t HeldFrom(const ByteSource &source, int64_t offset, uint64_t declared);

    // Reads exactly n bytes at offset, or returns false.
    bool ReadExact(ByteSource &source, int64_t offset, void *dst, size_t n);

    // Fills the layout of plain stored values: sampleBytes from the width, samples from
    // the data bytes.
    void SetPlainSamples(StreamLayout &layout, uint32_t sampleBytes);

    // Notes the frames that `declaredBytes` of plain values would hold, where the file holds
    // fewer (layout.dataBytes, cut to the file): call after SetPlainSamples.
    void SetPromisedBytes(StreamLayout &layout, uint64_t declaredBytes);

    // One chunk of a RIFF or IFF file: its id, where its body starts, its declared size.
    struct Chunk
    {
        char id[4];
        int64_t body;
        uint32_t size;
        bool Is(const char *name) const;
    };

    // Walks the chunks that follow a RIFF or FORM header (from offset 12), sizes in `order`,
    // odd chunks padded, and hands each to `visit` until it returns false or the file ends.
    template<typename Visit>
    void WalkChunks(ByteSource &source, ByteOrder order, Visit visit);

    // Reads one chunk header at `pos`; false at the end of the file.
    bool ReadChunkHeader(ByteSource &source, ByteOrder order, int64_t pos, Chunk &chunk);

    template<typename Visit>
    void WalkChunks(ByteSource &source, ByteOrder order, Visit visit)
    {
        // Stops a walk through a file made of nothing but tiny chunks.
        constexpr int kMaxChunks = 100000;
        int64_t pos = 12;
        Chunk chunk{};
        for (int n = 0; n < kMaxChunks && ReadChunkHeader(source, order, pos, chunk); ++n) {
            if (!visit(chunk))
                return;
            pos = chunk.body + chunk.size + (chunk.size & 1);
            if (source.Size() >= 0 && pos >= source.Size())
                return;
        }
    }

} // namespace detail

} // namespace orvex
