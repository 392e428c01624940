// The program's only road to audio files: open a file for reading and describe it,
// read its samples as unnormalised doubles, create a 16-bit PCM WAV file and write
// doubles into it, close either kind of handle. libsndfile decodes underneath; its
// own format codes never leave the binding.
#pragma once

#include <cstdint>
#include <string>

// What an open file holds. Seven 32-bit fields, in this order.
struct AudioInfo
{
    uint32_t sampleRate = 0; // hertz
    uint32_t samples = 0; // length in frames (one value per channel per frame)
    uint32_t channels = 0;
    uint32_t bitWidth = 0; // the width reported for the encoding
    uint32_t format = 0; // FormatKind | SampleEncoding
    uint32_t sections = 0; // always 1 for a file that opened
    uint32_t seekable = 0; // 1 or 0
};

// Container kinds, the high half of the format word.
enum class FormatKind : uint32_t {
    WAV = 0x10000,
    AIFF = 0x20000,
    AU = 0x30000,
    AULE = 0x40000,
    RAW = 0x50000,
    PAF = 0x60000,
    SVX = 0x70000,
    NIST = 0x80000,
    WMA = 0x90000,
    SEKD = 0xA0000,
    VOC = 0xB0000,
    SD2 = 0xC0000,
    REX2 = 0xD0000,
    IRCAM = 0xE0000,
};

// Sample encodings, the low half of the format word. 11 and 12 are never produced.
enum class SampleEncoding : uint32_t {
    PCM = 1,
    FLOAT = 2,
    ULAW = 3,
    ALAW = 4,
    IMA_ADPCM = 5,
    MS_ADPCM = 6,
    PCM_BE = 7,
    PCM_LE = 8,
    PCM_S8 = 9,
    PCM_U8 = 10,
    GSM610 = 13,
    G721_32 = 14,
    G723_24 = 15,
    FLOAT_BE = 16,
    FLOAT_LE = 17,
};

constexpr uint32_t kFormatKindMask = 0x7FFF0000;
constexpr uint32_t kSampleEncodingMask = 0xFFFF;

constexpr uint32_t AudioFormatWord(FormatKind kind, SampleEncoding encoding)
{
    return static_cast<uint32_t>(kind) | static_cast<uint32_t>(encoding);
}
constexpr FormatKind AudioFormatKind(uint32_t format)
{
    return static_cast<FormatKind>(format & kFormatKindMask);
}
constexpr SampleEncoding AudioSampleEncoding(uint32_t format)
{
    return static_cast<SampleEncoding>(format & kSampleEncodingMask);
}

// The enumerators' own names ("AULE", "PCM_BE"...), or "" for a value outside the enum.
const char *FormatKindName(FormatKind kind);
const char *SampleEncodingName(SampleEncoding encoding);
// The encoding in words: "24-bit PCM", "32-bit float", "u-law", "IMA ADPCM"...
std::string EncodingName(const AudioInfo &info);

// The binding's numbered error codes. The numbers are printed by the command-line
// front end, so they are fixed.
enum class AudioError : int {
    None = 0,
    OpenFailed = 2,
    BadOpenFormat = 3,
    MallocFailed = 8,
    SeekFailed = 9,
    UnimplementedFormat = 11,
    ReadNonWholeFrames = 12,
    WriteNonWholeFrames = 13,
    UnknownFormat = 14,
    ReadOnWriteHandle = 15,
    WriteOnReadHandle = 16,
    InfoIncomplete = 18,
    ShortRead = 19,
    ShortWrite = 20,
    InternalError = 21,

    // WAV
    WavNoFmt = 25,
    WavNoData = 26,
    WavFmtShort = 27,
    WavBadBlockAlign = 28,
    WavBadSamplesPerBlock = 29,
    WavBadChannels = 30,
    WavBadMsAdpcmCoeffs = 32,
    WavAdpcmNotFourBit = 34,
    WavAdpcmBadChannels = 35,
    WavBadGsm = 36,
    WavDecoderRefused = 37,

    // AIFF / AIFC
    AiffNoComm = 38,
    AiffNoSsnd = 39,
    AiffCommShort = 40,
    AiffBadSampleRate = 41,
    AiffBadChannels = 42,
    AiffBadChunk = 43,
    AiffBadSsndOffset = 44,

    // AU / SND
    AuBadEncoding = 49,
    AuBadHeader = 50,

    RawBadSpec = 51,

    // Ensoniq PARIS
    PafShortHeader = 53,
    PafBadVersion = 54,
    PafBadFormat = 55,
    PafBadChannels = 56,

    // IFF 8SVX / 16SV
    SvxNoVhdr = 57,
    SvxNoBody = 58,
    SvxBadVhdr = 59,
    SvxCompressed = 60,

    // NIST Sphere
    NistBadHeader = 61,
    NistBadEncoding = 62,

    // Samplitude, Creative Voice
    SekdNoMarker = 63,
    SekdNoSamr = 64,
    VocNoMarker = 65,
    VocBadOffset = 66,
    VocBadChecksum = 67,

    // IRCAM
    IrcamNoMarker = 68,
    IrcamBadChannels = 69,
    IrcamBadEncoding = 70,

    // Refusals of a conversion before its output is created.
    OutputIsInput = 71,
    OutputTooLarge = 72,
    // A conversion stopped on request; nothing was written.
    Cancelled = 73,
    // A file whose samples only libsndfile decodes, where it cannot be loaded.
    LibraryMissing = 74,
    // A part of a file to convert that is empty, reversed, or beyond the file's end.
    RangeOutside = 75,
};

// The text that belongs to a code; every code above has one.
const char *AudioErrorText(AudioError code);

// One open file, for reading or for writing. Opaque; owned by the caller from a
// successful open until AudioClose.
struct AudioHandle;

// Opens a file for reading (path "-" is standard input). On entry `info` is looked at
// only for a caller-described header-less file (kind RAW with non-zero channels and
// bitWidth); on success it describes the file. Null on failure, with the code in
// AudioLastError(); `info` is then as it came for codes 2 and 8, all zero otherwise.
AudioHandle *AudioOpenRead(const std::string &path, AudioInfo &info);

// Reads up to `count` values (a whole number of frames) as the 16-bit samples a
// conversion writes: brought from the input's width to 16 bits by a power of two, floats
// held within 16 bits (counted in `*clipped`, when given), truncated toward zero. Returns
// the number of values; fewer only where the data ends or its bytes run out (code 19).
uint32_t AudioReadSixteen(AudioHandle *handle, int16_t *buffer, uint32_t count,
                          uint64_t *clipped = nullptr);

// Moves a reading handle to `frame` (at most the end), where the next read starts; false,
// with code 9, for an input that cannot seek (a stream, and some codecs).
bool AudioSeekFrame(AudioHandle *handle, uint64_t frame);

// Creates (or empties) a 16-bit PCM WAV file, "-" being standard output, and writes its
// header with placeholder sizes. `info` supplies sampleRate and channels.
AudioHandle *AudioOpenWrite(const std::string &path, const AudioInfo &info);

// Appends `count` 16-bit samples (a whole number of frames) as they are.
uint32_t AudioWriteSamples(AudioHandle *handle, const int16_t *samples, uint32_t count);

// Finishes the file (an output's header receives its final sizes), closes it and
// releases the handle. Returns 0, or for an output whose data or header did not all
// reach the medium, the code of that failure (20, or 9 when the header could not be
// rewritten), so that a caller can tell a complete file from a damaged one.
// A null handle is ignored.
int AudioClose(AudioHandle *handle);

// The code of the most recent open on the calling thread. Handles are independent: different
// handles may be used on different threads at once, each handle by one thread at a time.
AudioError AudioLastError();
