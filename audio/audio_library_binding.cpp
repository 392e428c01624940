// The reading half of the binding and what both halves share: error texts, the names
// of the format word's parts, opening and describing a file, reading its values
// through libsndfile, closing handles. The 16-bit WAV writer is in wav_writer.cpp.
// libsndfile's format codes are used in this file only.
#include "audio_library_binding.h"

#include "audio_handle.h"
#include "byte_source.h"
#include "container_readers.h"
#include "sixteen_bit_decode.h"
#include "wav_writer.h"

#include <dlfcn.h>
#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <type_traits>

namespace {

// The code of the most recent open, per thread, so that threads converting different files
// each learn their own.
thread_local AudioError g_lastOpenError = AudioError::None;

struct ErrorText
{
    AudioError code;
    const char *text;
};

constexpr ErrorText kErrorTexts[] = {
        {AudioError::None, "No Error."},
        {AudioError::OpenFailed, "Could not open file."},
        {AudioError::BadOpenFormat, "Bad format specified for file open."},
        {AudioError::MallocFailed, "Internal malloc () failed."},
        {AudioError::SeekFailed, "Internal fseek() failed."},
        {AudioError::UnimplementedFormat, "File contains data in an unimplemented format."},
        {AudioError::ReadNonWholeFrames, "Attempt to read a non-integer number of channels."},
        {AudioError::WriteNonWholeFrames, "Attempt to write a non-integer number of channels."},
        {AudioError::UnknownFormat, "File contains data in an unknown format."},
        {AudioError::ReadOnWriteHandle, "Read attempted on file currently open for write."},
        {AudioError::WriteOnReadHandle, "Write attempted on file currently open for read."},
        {AudioError::InfoIncomplete, "Internal error : SF_INFO struct incomplete."},
        {AudioError::ShortRead, "Short read error."},
        {AudioError::ShortWrite, "Short write error."},
        {AudioError::InternalError, "Unspecified internal error."},

        {AudioError::WavNoFmt, "Error in WAV file. No 'fmt ' chunk marker."},
        {AudioError::WavNoData, "Error in WAV file. No 'data' chunk marker."},
        {AudioError::WavFmtShort, "Error in WAV file. The 'fmt ' chunk is too short."},
        {AudioError::WavBadBlockAlign, "Error in WAV file. Block align does not fit the format."},
        {AudioError::WavBadSamplesPerBlock,
         "Error in WAV file. Samples per block does not fit the block."},
        {AudioError::WavBadChannels, "Error in WAV file. Too many channels."},
        {AudioError::WavBadMsAdpcmCoeffs, "Error in WAV file. Bad MS ADPCM coefficient table."},
        {AudioError::WavAdpcmNotFourBit,
         "Error in WAV file. ADPCM data must be 4 bits per sample."},
        {AudioError::WavAdpcmBadChannels, "Error in WAV file. ADPCM data must be mono or stereo."},
        {AudioError::WavBadGsm, "Error in WAV file. Invalid GSM 6.10 format."},
        {AudioError::WavDecoderRefused, "Error in WAV file. The decoder refused the data."},

        {AudioError::AiffNoComm, "Error in AIFF file, no 'COMM' chunk."},
        {AudioError::AiffNoSsnd, "Error in AIFF file, no 'SSND' chunk."},
        {AudioError::AiffCommShort, "Error in AIFF file, the 'COMM' chunk is too short."},
        {AudioError::AiffBadSampleRate, "Error in AIFF file, bad sample rate."},
        {AudioError::AiffBadChannels, "Error in AIFF file, too many channels."},
        {AudioError::AiffBadChunk, "Error in AIFF file, malformed 'SSND' chunk."},
        {AudioError::AiffBadSsndOffset, "Error in AIFF file, bad 'SSND' data offset."},

        {AudioError::AuBadEncoding, "Error in AU file, unsupported encoding."},
        {AudioError::AuBadHeader, "Error in AU file, damaged header."},

        {AudioError::RawBadSpec,
         "Error while opening RAW file for read. Must specify format, pcmbitwidth and channels."},

        {AudioError::PafShortHeader, "Error in PAF file, header too short."},
        {AudioError::PafBadVersion, "Error in PAF file, bad version number."},
        {AudioError::PafBadFormat, "Error in PAF file, unsupported sample format."},
        {AudioError::PafBadChannels, "Error in PAF file, bad channel count or undecodable data."},

        {AudioError::SvxNoVhdr, "Error in IFF/SVX file, no 'VHDR' chunk."},
        {AudioError::SvxNoBody, "Error in IFF/SVX file, no 'BODY' chunk."},
        {AudioError::SvxBadVhdr, "Error in IFF/SVX file, malformed 'VHDR' chunk."},
        {AudioError::SvxCompressed, "Error in IFF/SVX file, compressed data is not supported."},

        {AudioError::NistBadHeader, "Error in NIST file, bad header."},
        {AudioError::NistBadEncoding, "Error in NIST file, unsupported sample coding."},

        {AudioError::SekdNoMarker, "Error in Samplitude file, no 'SEKD' marker."},
        {AudioError::SekdNoSamr, "Error in Samplitude file, no 'SAMR' marker."},
        {AudioError::VocNoMarker, "Error in VOC file, no 'Creative Voice File' marker."},
        {AudioError::VocBadOffset, "Error in VOC file, bad data offset."},
        {AudioError::VocBadChecksum, "Error in VOC file, bad version checksum."},

        {AudioError::IrcamNoMarker, "Error in IRCAM file, bad marker."},
        {AudioError::IrcamBadChannels, "Error in IRCAM file, bad channel count."},
        {AudioError::IrcamBadEncoding, "Error in IRCAM file, unsupported encoding."},

        {AudioError::OutputIsInput, "The output file is the input file."},
        {AudioError::OutputTooLarge,
         "The output would be larger than a WAV file can hold (4 GiB)."},
        {AudioError::Cancelled, "The conversion was cancelled."},
};

// libsndfile, loaded the first time a stream needs its decoder. Plain values are read
// by our own code, so describing or converting them never loads it, nor the codec
// libraries it brings along: half of what a short conversion cost was loading them.
// The library stays loaded until the process ends.
struct SndfileLibrary
{
    decltype(&sf_open_virtual) openVirtual = nullptr;
    decltype(&sf_close) close = nullptr;
    decltype(&sf_command) command = nullptr;
    decltype(&sf_seek) seek = nullptr;
    decltype(&sf_readf_double) readfDouble = nullptr;
};

// nullptr when libsndfile cannot be loaded, which only a broken installation causes.
const SndfileLibrary *Sndfile()
{
    static const SndfileLibrary *const library = []() -> const SndfileLibrary * {
        void *handle = dlopen("libsndfile.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return nullptr;
        static SndfileLibrary found;
        auto bind = [handle](auto &function, const char *name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                    dlsym(handle, name));
            return function != nullptr;
        };
        const bool all = bind(found.openVirtual, "sf_open_virtual") && bind(found.close, "sf_close")
                && bind(found.command, "sf_command") && bind(found.seek, "sf_seek")
                && bind(found.readfDouble, "sf_readf_double");
        return all ? &found : nullptr;
    }();
    return library;
}

} // namespace

const char *AudioErrorText(AudioError code)
{
    for (const ErrorText &row : kErrorTexts)
        if (row.code == code)
            return row.text;
    return "Unknown error.";
}

const char *FormatKindName(FormatKind kind)
{
    switch (kind) {
    case FormatKind::WAV:
        return "WAV";
    case FormatKind::AIFF:
        return "AIFF";
    case FormatKind::AU:
        return "AU";
    case FormatKind::AULE:
        return "AULE";
    case FormatKind::RAW:
        return "RAW";
    case FormatKind::PAF:
        return "PAF";
    case FormatKind::SVX:
        return "SVX";
    case FormatKind::NIST:
        return "NIST";
    case FormatKind::WMA:
        return "WMA";
    case FormatKind::SEKD:
        return "SEKD";
    case FormatKind::VOC:
        return "VOC";
    case FormatKind::SD2:
        return "SD2";
    case FormatKind::REX2:
        return "REX2";
    case FormatKind::IRCAM:
        return "IRCAM";
    }
    return "";
}

const char *SampleEncodingName(SampleEncoding encoding)
{
    switch (encoding) {
    case SampleEncoding::PCM:
        return "PCM";
    case SampleEncoding::FLOAT:
        return "FLOAT";
    case SampleEncoding::ULAW:
        return "ULAW";
    case SampleEncoding::ALAW:
        return "ALAW";
    case SampleEncoding::IMA_ADPCM:
        return "IMA_ADPCM";
    case SampleEncoding::MS_ADPCM:
        return "MS_ADPCM";
    case SampleEncoding::PCM_BE:
        return "PCM_BE";
    case SampleEncoding::PCM_LE:
        return "PCM_LE";
    case SampleEncoding::PCM_S8:
        return "PCM_S8";
    case SampleEncoding::PCM_U8:
        return "PCM_U8";
    case SampleEncoding::GSM610:
        return "GSM610";
    case SampleEncoding::G721_32:
        return "G721_32";
    case SampleEncoding::G723_24:
        return "G723_24";
    case SampleEncoding::FLOAT_BE:
        return "FLOAT_BE";
    case SampleEncoding::FLOAT_LE:
        return "FLOAT_LE";
    }
    return "";
}

namespace orvex {

void SetLastOpenError(AudioError code)
{
    g_lastOpenError = code;
}

// ============================================================================ decoding

// An open input: the source, what its header says, and libsndfile decoding it from a
// virtual stream of our own (the layout's prefix, then the source from dataOffset on).
class AudioReader
{
public:
    AudioReader(std::unique_ptr<ByteSource> source, StreamLayout layout, uint32_t samples)
        : m_source(std::move(source))
        , m_layout(std::move(layout))
        , m_samples(samples)
    { }
    ~AudioReader()
    {
        if (m_sndfile)
            Sndfile()->close(m_sndfile);
    }
    AudioReader(const AudioReader &) = delete;
    AudioReader &operator=(const AudioReader &) = delete;

    // Starts libsndfile on the stream; the container's own code on refusal.
    AudioError StartDecoder();
    uint32_t Read(double *buffer, uint32_t count, AudioError &error);
    // The same frames as the 16-bit samples a conversion writes: straight from the stored
    // bytes of plain values unless `throughDoubles`, else through Read.
    uint32_t ReadSixteen(int16_t *out, uint32_t count, bool throughDoubles, AudioError &error,
                         uint64_t &clipped);
    bool Seek(uint64_t frame);

private:
    int64_t VirtualLength() const;
    static sf_count_t VioLength(void *self);
    static sf_count_t VioSeek(sf_count_t offset, int whence, void *self);
    static sf_count_t VioRead(void *dst, sf_count_t count, void *self);
    static sf_count_t VioWrite(const void *, sf_count_t, void *) { return 0; }
    static sf_count_t VioTell(void *self);

    std::unique_ptr<ByteSource> m_source;
    StreamLayout m_layout;
    uint32_t m_samples; // the description's frame count: reading stops there
    uint64_t m_position = 0; // frames handed out so far
    SNDFILE *m_sndfile = nullptr; // for plain values, started only when doubles are read
    uint64_t m_decoderAt = 0; // the frame libsndfile reads next
    int64_t m_virtualPos = 0;
    std::vector<double> m_doubles; // ReadSixteen's values on their way through doubles
    // ReadSixteen's stored bytes of plain values, uninitialised: each read fills them.
    std::unique_ptr<unsigned char[]> m_stored;
    size_t m_storedSize = 0;
};

namespace {

    // The libsndfile codec that a block-coded layout must decode to.
    int ExpectedCodec(SampleEncoding encoding)
    {
        switch (encoding) {
        case SampleEncoding::IMA_ADPCM:
            return SF_FORMAT_IMA_ADPCM;
        case SampleEncoding::MS_ADPCM:
            return SF_FORMAT_MS_ADPCM;
        case SampleEncoding::GSM610:
            return SF_FORMAT_GSM610;
        case SampleEncoding::G721_32:
            return SF_FORMAT_G721_32;
        case SampleEncoding::G723_24:
            return SF_FORMAT_G723_24;
        case SampleEncoding::PCM_BE:
        case SampleEncoding::PCM_LE:
            return SF_FORMAT_PCM_24; // packed 24-bit PARIS
        case SampleEncoding::PCM:
        case SampleEncoding::FLOAT:
        case SampleEncoding::ULAW:
        case SampleEncoding::ALAW:
        case SampleEncoding::PCM_S8:
        case SampleEncoding::PCM_U8:
        case SampleEncoding::FLOAT_BE:
        case SampleEncoding::FLOAT_LE:
            break;
        }
        return 0;
    }

    // libsndfile's header-less format for plain stored values.
    int RawWindowFormat(const StreamLayout &layout)
    {
        int codec;
        if (layout.isFloat)
            codec = SF_FORMAT_FLOAT;
        else if (layout.isUlaw)
            codec = SF_FORMAT_ULAW;
        else if (layout.isAlaw)
            codec = SF_FORMAT_ALAW;
        else if (layout.sampleBytes == 1)
            codec = layout.signedBytes ? SF_FORMAT_PCM_S8 : SF_FORMAT_PCM_U8;
        else if (layout.sampleBytes == 2)
            codec = SF_FORMAT_PCM_16;
        else if (layout.sampleBytes == 3)
            codec = SF_FORMAT_PCM_24;
        else
            codec = SF_FORMAT_PCM_32;
        return SF_FORMAT_RAW | codec
                | (layout.order == ByteOrder::Big ? SF_ENDIAN_BIG : SF_ENDIAN_LITTLE);
    }

    // The code for a container whose data libsndfile would not decode.
    AudioError DecoderRefused(FormatKind kind)
    {
        switch (kind) {
        case FormatKind::WAV:
            return AudioError::WavDecoderRefused;
        case FormatKind::AU:
        case FormatKind::AULE:
            return AudioError::AuBadHeader;
        case FormatKind::PAF:
            return AudioError::PafBadChannels;
        case FormatKind::AIFF:
        case FormatKind::RAW:
        case FormatKind::SVX:
        case FormatKind::NIST:
        case FormatKind::WMA:
        case FormatKind::SEKD:
        case FormatKind::VOC:
        case FormatKind::SD2:
        case FormatKind::REX2:
        case FormatKind::IRCAM:
            break;
        }
        return AudioError::InternalError;
    }

} // namespace

int64_t AudioReader::VirtualLength() const
{
    const int64_t prefix = static_cast<int64_t>(m_layout.prefix.size());
    if (m_source->Size() >= 0)
        return prefix + std::max<int64_t>(0, m_source->Size() - m_layout.dataOffset);
    // A stream's length is unknown: as far as the header declares, or 16 GiB, far past
    // what any conversion writes and small enough for libsndfile's own counts.
    return prefix + static_cast<int64_t>(std::min<uint64_t>(m_layout.dataBytes, uint64_t(1) << 34));
}

sf_count_t AudioReader::VioLength(void *self)
{
    return static_cast<AudioReader *>(self)->VirtualLength();
}

sf_count_t AudioReader::VioSeek(sf_count_t offset, int whence, void *self)
{
    auto *r = static_cast<AudioReader *>(self);
    int64_t base = whence == SEEK_CUR ? r->m_virtualPos
            : whence == SEEK_END      ? r->VirtualLength()
                                      : 0;
    if (offset < -base || offset > INT64_MAX / 2 - base)
        return -1;
    r->m_virtualPos = base + offset;
    return r->m_virtualPos;
}

sf_count_t AudioReader::VioTell(void *self)
{
    return static_cast<AudioReader *>(self)->m_virtualPos;
}

sf_count_t AudioReader::VioRead(void *dst, sf_count_t count, void *self)
{
    auto *r = static_cast<AudioReader *>(self);
    if (count <= 0)
        return 0;
    auto *out = static_cast<unsigned char *>(dst);
    size_t want = static_cast<size_t>(count), done = 0;
    const int64_t prefix = static_cast<int64_t>(r->m_layout.prefix.size());
    if (r->m_virtualPos < prefix) {
        size_t take = std::min(want, static_cast<size_t>(prefix - r->m_virtualPos));
        std::memcpy(out, r->m_layout.prefix.data() + r->m_virtualPos, take);
        done = take;
    }
    if (done < want) {
        const int64_t at
                = r->m_layout.dataOffset + (r->m_virtualPos + static_cast<int64_t>(done) - prefix);
        done += r->m_source->ReadAt(at, out + done, want - done);
    }
    r->m_virtualPos += static_cast<int64_t>(done);
    return static_cast<sf_count_t>(done);
}

AudioError AudioReader::StartDecoder()
{
    static SF_VIRTUAL_IO vio = {&VioLength, &VioSeek, &VioRead, &VioWrite, &VioTell};
    SF_INFO info{};
    const bool raw = m_layout.decoding == Decoding::RawWindow;
    if (raw) {
        info.format = RawWindowFormat(m_layout);
        info.channels = static_cast<int>(m_layout.channels);
        info.samplerate = static_cast<int>(std::min<uint32_t>(m_layout.sampleRate, INT32_MAX));
    }
    const SndfileLibrary *library = Sndfile();
    if (!library)
        return AudioError::InternalError;
    m_virtualPos = 0;
    {
        // libsndfile keeps the error of a failed open in a global of its own (sf_errno):
        // opens happen one at a time. Handles once open share nothing.
        static std::mutex openLock;
        std::lock_guard<std::mutex> hold(openLock);
        m_sndfile = library->openVirtual(&vio, SFM_READ, &info, this);
    }
    if (!m_sndfile)
        return raw ? AudioError::InternalError : DecoderRefused(m_layout.kind);
    // A block codec must decode what our own reading of the header found.
    if (!raw
        && ((info.format & SF_FORMAT_SUBMASK) != ExpectedCodec(m_layout.encoding)
            || static_cast<uint32_t>(info.channels) != m_layout.channels))
        return DecoderRefused(m_layout.kind);
    library->command(m_sndfile, SFC_SET_NORM_DOUBLE, nullptr, SF_FALSE);
    return AudioError::None;
}

uint32_t AudioReader::ReadSixteen(int16_t *out, uint32_t count, bool throughDoubles,
                                  AudioError &error, uint64_t &clipped)
{
    const uint32_t channels = m_layout.channels;
    if (count % channels != 0) {
        error = AudioError::ReadNonWholeFrames;
        return 0;
    }
    if (throughDoubles || !IsPlainLayout(m_layout)) {
        // Through doubles, a block of at most 1024 values at a time; fewer ends the data.
        m_doubles.resize(std::max<size_t>(1024 / channels, 1) * channels);
        uint32_t done = 0;
        while (done < count) {
            const auto want = std::min<uint32_t>(count - done, uint32_t(m_doubles.size()));
            const uint32_t n = Read(m_doubles.data(), want, error);
            clipped += DoublesToSixteen(m_doubles.data(), n, SixteenBitScale(m_layout),
                                        IsFloatLayout(m_layout), out + done);
            done += n;
            if (n != want)
                break;
        }
        return done;
    }
    // Plain values: the frames the description still has, as far as the bytes hold them.
    const uint64_t frameBytes = uint64_t(m_layout.sampleBytes) * channels;
    const uint64_t frames = std::min<uint64_t>(
            count / channels, m_samples - std::min<uint64_t>(m_position, m_samples));
    if (m_storedSize < frames * frameBytes) {
        m_storedSize = frames * frameBytes;
        m_stored.reset(new unsigned char[m_storedSize]);
    }
    const size_t got = m_source->ReadAt(m_layout.dataOffset + int64_t(m_position * frameBytes),
                                        m_stored.get(), frames * frameBytes);
    const uint64_t whole = got / frameBytes;
    if (whole < frames)
        error = AudioError::ShortRead;
    clipped += DecodePlain(m_layout, m_stored.get(), whole * channels, out);
    m_position += whole;
    return static_cast<uint32_t>(whole * channels);
}

bool AudioReader::Seek(uint64_t frame)
{
    frame = std::min<uint64_t>(frame, m_samples);
    // Plain values are found by their place; the decoder follows when it next reads.
    if (m_layout.decoding == Decoding::Container) {
        if (Sndfile()->seek(m_sndfile, static_cast<sf_count_t>(frame), SEEK_SET) < 0)
            return false;
        m_decoderAt = frame;
    } else if (m_source->IsStream() && frame < m_position) {
        return false;
    }
    m_position = frame;
    return true;
}

uint32_t AudioReader::Read(double *buffer, uint32_t count, AudioError &error)
{
    const uint32_t channels = m_layout.channels;
    if (count % channels != 0) {
        error = AudioError::ReadNonWholeFrames;
        return 0;
    }
    if (m_position >= m_samples) {
        std::fill(buffer, buffer + count, 0.0);
        return 0;
    }
    // Plain values start libsndfile on the first read of doubles, where they are.
    if (!m_sndfile && StartDecoder() != AudioError::None) {
        error = AudioError::InternalError;
        return 0;
    }
    if (m_decoderAt != m_position
        && Sndfile()->seek(m_sndfile, static_cast<sf_count_t>(m_position), SEEK_SET) < 0) {
        error = AudioError::SeekFailed;
        return 0;
    }
    const sf_count_t want = count / channels;
    sf_count_t got = Sndfile()->readfDouble(m_sndfile, buffer, want);
    if (got < 0)
        got = 0;
    m_decoderAt = m_position + uint64_t(got);
    const uint64_t remaining = m_samples - m_position;
    // A plain stream's window runs to the end of the file, so libsndfile stopping
    // short there means the bytes ran out. A block codec stops at its own count,
    // which reaching the description's length is not a shortage of.
    const bool reachedEnd = static_cast<uint64_t>(got) > remaining
            || (static_cast<uint64_t>(got) == remaining && got < want
                && m_layout.decoding == Decoding::Container);
    if (reachedEnd) {
        // Cut to the description's length; the rest of the request reads as silence.
        std::fill(buffer + remaining * channels, buffer + count, 0.0);
        m_position = m_samples;
        return static_cast<uint32_t>(remaining * channels);
    }
    if (got < want)
        error = AudioError::ShortRead;
    m_position += static_cast<uint64_t>(got);
    return static_cast<uint32_t>(got * channels);
}

} // namespace orvex

using orvex::AudioReader;

AudioHandle::AudioHandle() = default;
AudioHandle::~AudioHandle() = default;

// ============================================================================ opening

namespace {

// A header-less file that the caller describes: PCM of the given width and byte order.
AudioError DescribeCallerRaw(const AudioInfo &given, orvex::ByteSource &source,
                             orvex::StreamLayout &layout)
{
    const SampleEncoding encoding = AudioSampleEncoding(given.format);
    const uint32_t width = given.bitWidth;
    switch (encoding) {
    case SampleEncoding::PCM_BE:
    case SampleEncoding::PCM_LE:
        if (width < 9 || width > 32)
            return AudioError::UnimplementedFormat;
        layout.order = encoding == SampleEncoding::PCM_BE ? orvex::ByteOrder::Big
                                                          : orvex::ByteOrder::Little;
        break;
    case SampleEncoding::PCM_S8:
    case SampleEncoding::PCM_U8:
        if (width < 1 || width > 8)
            return AudioError::UnimplementedFormat;
        layout.signedBytes = encoding == SampleEncoding::PCM_S8;
        break;
    case SampleEncoding::PCM:
    case SampleEncoding::FLOAT:
    case SampleEncoding::ULAW:
    case SampleEncoding::ALAW:
    case SampleEncoding::IMA_ADPCM:
    case SampleEncoding::MS_ADPCM:
    case SampleEncoding::GSM610:
    case SampleEncoding::G721_32:
    case SampleEncoding::G723_24:
    case SampleEncoding::FLOAT_BE:
    case SampleEncoding::FLOAT_LE:
    default:
        return AudioError::RawBadSpec;
    }
    if (given.channels > orvex::detail::kMaxChannels)
        return AudioError::InternalError;
    layout.kind = FormatKind::RAW;
    layout.encoding = encoding;
    layout.bitWidth = width;
    layout.sampleRate = given.sampleRate;
    layout.channels = given.channels;
    layout.dataOffset = 0;
    layout.dataBytes = orvex::detail::HeldFrom(source, 0, UINT64_MAX);
    orvex::detail::SetPlainSamples(layout, (width + 7) / 8);
    return AudioError::None;
}

// The description's last check: no zero field, and a frame layout that holds together.
AudioError CheckDescription(const AudioInfo &info, const orvex::StreamLayout &layout)
{
    if (info.sampleRate == 0 || info.samples == 0 || info.channels == 0 || info.bitWidth == 0
        || info.format == 0 || info.sections == 0)
        return AudioError::InfoIncomplete;
    if (layout.sampleBytes != 0 && layout.declaredFrameBytes
        && *layout.declaredFrameBytes != layout.sampleBytes * layout.channels)
        return AudioError::InternalError;
    if (layout.dataBytes == 0)
        return AudioError::InternalError;
    return AudioError::None;
}

AudioHandle *FailOpen(AudioError code)
{
    orvex::SetLastOpenError(code);
    return nullptr;
}

} // namespace

AudioHandle *AudioOpenRead(const std::string &path, AudioInfo &info)
{
    orvex::SetLastOpenError(AudioError::None);
    std::unique_ptr<AudioHandle> handle(new (std::nothrow) AudioHandle);
    if (!handle)
        return FailOpen(AudioError::MallocFailed);

    std::unique_ptr<orvex::ByteSource> source;
    switch (orvex::ByteSource::Open(path, source)) {
    case orvex::ByteSource::OpenStatus::Ok:
        break;
    case orvex::ByteSource::OpenStatus::CannotOpen:
        return FailOpen(AudioError::OpenFailed);
    case orvex::ByteSource::OpenStatus::NoMemory:
        return FailOpen(AudioError::MallocFailed);
    }

    // From here on a failure leaves `info` all zero.
    const AudioInfo given = info;
    info = AudioInfo{};
    orvex::StreamLayout layout;
    AudioError error;
    if (AudioFormatKind(given.format) == FormatKind::RAW && given.channels != 0
        && given.bitWidth != 0) {
        error = DescribeCallerRaw(given, *source, layout);
    } else {
        unsigned char head[12] = {};
        source->ReadAt(0, head, sizeof head);
        error = orvex::ReadContainerHeader(orvex::RecogniseContainer(head, path), *source, layout);
    }
    if (error != AudioError::None)
        return FailOpen(error);

    AudioInfo described;
    described.sampleRate = layout.sampleRate;
    described.samples = static_cast<uint32_t>(std::min<uint64_t>(layout.samples, UINT32_MAX));
    described.channels = layout.channels;
    described.bitWidth = layout.bitWidth;
    described.format = AudioFormatWord(layout.kind, layout.encoding);
    described.sections = 1;
    described.seekable = layout.seekable && !source->IsStream() ? 1 : 0;
    if (AudioError e = CheckDescription(described, layout); e != AudioError::None)
        return FailOpen(e);

    const orvex::Decoding decoding = layout.decoding;
    handle->reader.reset(new (std::nothrow) AudioReader(std::move(source), std::move(layout),
                                                        described.samples));
    if (!handle->reader)
        return FailOpen(AudioError::MallocFailed);
    // A block codec's decoder must accept the data before the file counts as open; plain
    // values are read without it unless doubles are asked for.
    if (decoding == orvex::Decoding::Container)
        if (AudioError e = handle->reader->StartDecoder(); e != AudioError::None)
            return FailOpen(e);

    info = described;
    return handle.release();
}

namespace {

// The reader of a handle about to be read, its error cleared; nullptr for no handle, or for
// a writing one, which is then told so.
AudioReader *ReaderFor(AudioHandle *handle)
{
    if (!handle)
        return nullptr;
    handle->error = handle->reader ? AudioError::None : AudioError::ReadOnWriteHandle;
    return handle->reader.get();
}

} // namespace

uint32_t AudioReadDouble(AudioHandle *handle, double *buffer, uint32_t count)
{
    AudioReader *reader = ReaderFor(handle);
    return reader ? reader->Read(buffer, count, handle->error) : 0;
}

namespace orvex {

uint32_t ReadSixteen(AudioHandle *handle, int16_t *out, uint32_t count, uint64_t *clipped,
                     bool throughDoubles)
{
    AudioReader *reader = ReaderFor(handle);
    if (!reader)
        return 0;
    uint64_t held = 0;
    const uint32_t n = reader->ReadSixteen(out, count, throughDoubles, handle->error, held);
    if (clipped)
        *clipped += held;
    return n;
}

} // namespace orvex

uint32_t AudioReadSixteen(AudioHandle *handle, int16_t *buffer, uint32_t count, uint64_t *clipped)
{
    return orvex::ReadSixteen(handle, buffer, count, clipped, false);
}

bool AudioSeekFrame(AudioHandle *handle, uint64_t frame)
{
    if (!handle || !handle->reader)
        return false;
    handle->error = AudioError::None;
    if (!handle->reader->Seek(frame))
        handle->error = AudioError::SeekFailed;
    return handle->error == AudioError::None;
}

int AudioClose(AudioHandle *handle)
{
    if (!handle)
        return 0;
    AudioError result = AudioError::None;
    if (handle->writer)
        result = orvex::FinishWavWriter(*handle->writer);
    delete handle;
    return static_cast<int>(result);
}

AudioError AudioLastError()
{
    return g_lastOpenError;
}

AudioError AudioHandleError(const AudioHandle *handle)
{
    return handle ? handle->error : AudioError::None;
}
