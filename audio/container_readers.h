// Container recognition and the header readers of every container the binding knows.
// A reader turns a file's header into a StreamLayout: the description the binding
// reports and where and how the samples are stored, for the decoder to read.
#pragma once

#include "audio_library_binding.h"
#include "byte_source.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace orvex {

// What the first twelve bytes (and, for header-less u-law, the name) make of a file.
enum class Recognised {
    Wav,
    Aiff,
    Svx,
    FormOther, // "FORM" with a type that no reader takes
    Au, // big- and little-endian: the AU reader tells them apart
    Paf,
    Nist,
    Sekd,
    Voc,
    Ircam,
    Rex2,
    Wma,
    HeaderlessUlaw,
    Raw,
};

// Pure: `head` is the file's first twelve bytes, zero where the file is shorter.
Recognised RecogniseContainer(const unsigned char (&head)[12], std::string_view path);

// True when the path's name ends in ".au" or ".snd" in any letter case.
bool HasHeaderlessUlawName(std::string_view path);

enum class ByteOrder { Big, Little };

// How the decoder reaches the samples.
enum class Decoding {
    // The samples are plain values from dataOffset on: libsndfile reads them as a
    // header-less stream over a window of the source that runs to its end.
    RawWindow,
    // Block codecs (ADPCM, GSM 6.10, G721/G723, packed 24-bit PARIS): libsndfile reads
    // `prefix`, a header of the container's own kind, followed by the source's bytes
    // from dataOffset on.
    Container,
};

struct StreamLayout
{
    FormatKind kind = FormatKind::RAW;
    SampleEncoding encoding = SampleEncoding::PCM;
    uint32_t bitWidth = 0;
    uint32_t sampleRate = 0;
    uint32_t channels = 0;
    uint64_t samples = 0; // frames
    bool seekable = true;

    Decoding decoding = Decoding::RawWindow;
    // Bytes of one stored value for RawWindow data (1 to 4); 0 for block codecs.
    uint32_t sampleBytes = 0;
    // Bytes per frame as a header states it (WAV's block align), checked against
    // channels x sampleBytes before anything is read.
    std::optional<uint32_t> declaredFrameBytes;
    bool signedBytes = true; // one-byte PCM: stored signed, or unsigned (WAV, PCM_U8)
    bool isFloat = false; // 32-bit IEEE float values
    bool isUlaw = false;
    bool isAlaw = false;
    ByteOrder order = ByteOrder::Little;
    int64_t dataOffset = 0;
    uint64_t dataBytes = 0; // sample bytes the file holds (as declared, on a stream)
    std::vector<unsigned char> prefix;
};

// Reads the header of a recognised container and fills `layout`. Returns the failure's
// code, or None. Never trusts a field it divides by or sizes anything from.
AudioError ReadContainerHeader(Recognised what, ByteSource &source, StreamLayout &layout);

// Per-container readers, in the files that hold them.
AudioError ReadWavHeader(ByteSource &source, StreamLayout &layout);
AudioError ReadAiffHeader(ByteSource &source, StreamLayout &layout);
AudioError ReadSvxHeader(ByteSource &source, StreamLayout &layout);
AudioError ReadAuHeader(ByteSource &source, StreamLayout &layout);
AudioError ReadPafHeader(ByteSource &source, StreamLayout &layout);
AudioError ReadNistHeader(ByteSource &source, StreamLayout &layout);
AudioError ReadIrcamHeader(ByteSource &source, StreamLayout &layout);
AudioError ReadSekdHeader(ByteSource &source);
AudioError ReadVocHeader(ByteSource &source);

// Shared by the readers.
namespace detail {

    // The largest channel count libsndfile decodes.
    constexpr uint32_t kMaxChannels = 1024;

    // Bytes that the source holds from `offset` on, at most `declared`; `declared` itself
    // on a stream, whose length is unknown.
    uint64_t HeldFrom(const ByteSource &source, int64_t offset, uint64_t declared);

    // Reads exactly n bytes at offset, or returns false.
    bool ReadExact(ByteSource &source, int64_t offset, void *dst, size_t n);

    // Fills the layout of plain stored values: sampleBytes from the width, samples from
    // the data bytes.
    void SetPlainSamples(StreamLayout &layout, uint32_t sampleBytes);

} // namespace detail

} // namespace orvex
