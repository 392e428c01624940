// The reader adapter (see sample_reader.h): libsndfile's virtual stream over our byte source,
// and the three roads to a file's samples.
#include "sample_reader.h"

#include "adpcm.h"
#include "sixteen_bit_rule.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace orvex {

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

} // namespace

CSampleReader::CSampleReader(std::unique_ptr<ByteSource> source, StreamLayout layout,
                             uint32_t samples)
    : m_source(std::move(source))
    , m_layout(std::move(layout))
    , m_samples(samples)
{
    const uint64_t frameBytes = uint64_t(m_layout.sampleBytes) * m_layout.channels;
    m_heldFrames = m_layout.decoding == Decoding::RawWindow && m_layout.planeBytes == 0
                    && frameBytes != 0
            ? std::min<uint64_t>(m_samples, m_layout.dataBytes / frameBytes)
            : m_samples;
    if (m_layout.decoding == Decoding::CodedBlocks)
        m_adpcm = std::make_unique<CAdpcmReader>(m_layout);
}

CSampleReader::~CSampleReader()
{
    if (m_sndfile)
        Sndfile()->close(m_sndfile);
}

int64_t CSampleReader::VirtualLength() const
{
    const int64_t prefix = static_cast<int64_t>(m_layout.prefix.size());
    // Where the header counts more frames than its data holds (AIFF, NIST), the values end
    // with the data, not in the chunks that may follow it.
    if (m_source->Size() >= 0 && m_heldFrames < m_samples)
        return prefix
                + std::min<int64_t>(std::max<int64_t>(0, m_source->Size() - m_layout.dataOffset),
                                    int64_t(m_layout.dataBytes));
    if (m_source->Size() >= 0)
        return prefix + std::max<int64_t>(0, m_source->Size() - m_layout.dataOffset);
    // A stream's length is unknown: as far as the header declares, or 16 GiB, far past
    // what any conversion writes and small enough for libsndfile's own counts.
    return prefix + static_cast<int64_t>(std::min<uint64_t>(m_layout.dataBytes, uint64_t(1) << 34));
}

sf_count_t CSampleReader::VioLength(void *self)
{
    return static_cast<CSampleReader *>(self)->VirtualLength();
}

sf_count_t CSampleReader::VioSeek(sf_count_t offset, int whence, void *self)
{
    auto *r = static_cast<CSampleReader *>(self);
    int64_t base = whence == SEEK_CUR ? r->m_virtualPos
            : whence == SEEK_END      ? r->VirtualLength()
                                      : 0;
    if (offset < -base || offset > INT64_MAX / 2 - base)
        return -1;
    r->m_virtualPos = base + offset;
    return r->m_virtualPos;
}

sf_count_t CSampleReader::VioTell(void *self)
{
    return static_cast<CSampleReader *>(self)->m_virtualPos;
}

sf_count_t CSampleReader::VioRead(void *dst, sf_count_t count, void *self)
{
    auto *r = static_cast<CSampleReader *>(self);
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

AudioError CSampleReader::StartDecoder()
{
    if (m_adpcm)
        return AdpcmDataUsable(m_layout, *m_source) ? AudioError::None : m_layout.decoderRefused;
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
        return AudioError::LibraryMissing;
    m_virtualPos = 0;
    {
        // libsndfile keeps the error of a failed open in a global of its own (sf_errno):
        // opens happen one at a time. Handles once open share nothing.
        static std::mutex openLock;
        std::lock_guard<std::mutex> hold(openLock);
        m_sndfile = library->openVirtual(&vio, SFM_READ, &info, this);
    }
    if (!m_sndfile)
        return raw ? AudioError::InternalError : m_layout.decoderRefused;
    // A block codec must decode what our own reading of the header found.
    if (!raw
        && ((info.format & SF_FORMAT_SUBMASK) != ExpectedCodec(m_layout.encoding)
            || static_cast<uint32_t>(info.channels) != m_layout.channels))
        return m_layout.decoderRefused;
    library->command(m_sndfile, SFC_SET_NORM_DOUBLE, nullptr, SF_FALSE);
    return AudioError::None;
}

bool CSampleReader::ReadsSixteenItself() const
{
    return IsPlainLayout(m_layout) || m_adpcm;
}

uint32_t CSampleReader::ReadSixteenThroughDoubles(int16_t *out, uint32_t count, uint64_t &clipped)
{
    const uint32_t channels = m_layout.channels;
    if (count % channels != 0)
        return 0;
    // A block of at most 1024 values (channels are at most 1024) at a time; fewer ends the data.
    m_doubles.resize(1024 / channels * channels);
    uint32_t done = 0;
    while (done < count) {
        const auto want = std::min<uint32_t>(count - done, uint32_t(m_doubles.size()));
        const uint32_t n = ReadDoubles(m_doubles.data(), want);
        clipped += DoublesToSixteen(m_doubles.data(), n, SixteenBitScale(m_layout),
                                    IsFloatLayout(m_layout), out + done);
        done += n;
        if (n != want)
            break;
    }
    return done;
}

uint64_t CSampleReader::ReadPlanes(uint64_t frames)
{
    // Each channel's run of values, from its own plane, into the frames' order.
    const uint32_t channels = m_layout.channels, bytes = m_layout.sampleBytes;
    m_planeRun.resize(frames * bytes);
    uint64_t whole = frames;
    for (uint32_t c = 0; c < channels; ++c) {
        const size_t got = m_source->ReadAt(
                m_layout.dataOffset + int64_t(c * m_layout.planeBytes + m_position * bytes),
                m_planeRun.data(), frames * bytes);
        whole = std::min<uint64_t>(whole, got / bytes);
        for (uint64_t f = 0; f < got / bytes; ++f)
            std::memcpy(m_stored.get() + (f * channels + c) * bytes, m_planeRun.data() + f * bytes,
                        bytes);
    }
    return whole;
}

uint32_t CSampleReader::ReadSixteenFromBytes(int16_t *out, uint32_t count, uint64_t &clipped)
{
    if (m_adpcm) {
        const uint64_t decoded = m_adpcm->Read(*m_source, m_position, FramesDescribed(count), out);
        m_position += decoded;
        return static_cast<uint32_t>(decoded * m_layout.channels);
    }
    const uint32_t n = ReadStoredValues(count);
    clipped += DecodePlain(m_layout, m_stored.get(), n, out);
    return n;
}

uint64_t CSampleReader::FramesDescribed(uint32_t count) const
{
    if (count % m_layout.channels != 0)
        return 0;
    return std::min<uint64_t>(count / m_layout.channels,
                              m_samples - std::min<uint64_t>(m_position, m_samples));
}

uint32_t CSampleReader::ReadStoredValues(uint32_t count)
{
    const uint32_t channels = m_layout.channels;
    // The frames the description still has, as far as the data holds them.
    const uint64_t frameBytes = uint64_t(m_layout.sampleBytes) * channels;
    const uint64_t described = FramesDescribed(count);
    const uint64_t frames = std::min<uint64_t>(
            described, m_heldFrames - std::min<uint64_t>(m_position, m_heldFrames));
    if (m_storedSize < frames * frameBytes) {
        m_storedSize = frames * frameBytes;
        m_stored.reset(new unsigned char[m_storedSize]);
    }
    uint64_t whole;
    if (m_layout.planeBytes == 0) {
        const size_t got = m_source->ReadAt(m_layout.dataOffset + int64_t(m_position * frameBytes),
                                            m_stored.get(), frames * frameBytes);
        whole = got / frameBytes;
    } else {
        whole = ReadPlanes(frames);
    }
    m_position += whole;
    return static_cast<uint32_t>(whole * channels);
}

uint32_t CSampleReader::ReadOwnDoubles(double *buffer, uint32_t count)
{
    const uint32_t channels = m_layout.channels;
    const uint64_t want = std::min<uint64_t>(count / channels, m_samples - m_position);
    uint64_t got = 0;
    if (m_layout.decoding == Decoding::Packed) {
        const PackedBlocks &packed = m_layout.packed;
        while (got < want) {
            const uint64_t frame = m_position + got, block = frame / packed.frames;
            if (block != m_unpackedBlock) {
                // A block cut short by the end of the file reads as zeros where it ends.
                m_blockBytes.assign(packed.bytes, 0);
                if (m_source->ReadAt(m_layout.dataOffset + int64_t(block * packed.bytes),
                                     m_blockBytes.data(), packed.bytes)
                    == 0)
                    break;
                m_unpacked.resize(size_t(packed.frames) * channels);
                packed.unpack(m_blockBytes.data(), channels, m_layout.order, m_unpacked.data());
                m_unpackedBlock = block;
            }
            const uint64_t from = frame % packed.frames;
            const uint64_t take = std::min<uint64_t>(packed.frames - from, want - got);
            std::copy_n(m_unpacked.begin() + int64_t(from * channels), take * channels,
                        buffer + got * channels);
            got += take;
        }
        m_position += got;
    } else {
        // Planes of 8- or 16-bit values, and ADPCM: their 16-bit samples are the values
        // scaled by a power of two, exactly.
        m_sixteen.resize(size_t(want) * channels);
        uint64_t clipped = 0;
        got = ReadSixteenFromBytes(m_sixteen.data(), uint32_t(want * channels), clipped)
                / channels;
        const double scale = SixteenBitScale(m_layout);
        for (size_t i = 0; i < got * channels; ++i)
            buffer[i] = m_sixteen[i] / scale;
    }
    // Past the described end reads as silence; where the bytes ran out, the rest is left
    // as it was and the short count says so.
    if (got == want)
        std::fill(buffer + got * channels, buffer + count, 0.0);
    return static_cast<uint32_t>(got * channels);
}

InputExtent CSampleReader::Extent() const
{
    return {std::max<uint64_t>(m_samples, m_layout.promisedFrames), m_heldFrames,
            m_layout.lengthUnknown, m_source->IsStream()};
}

bool CSampleReader::Seek(uint64_t frame)
{
    frame = std::min<uint64_t>(frame, m_samples);
    // Plain values are found by their place; the decoder follows when it next reads. A codec
    // whose frames depend on all before them (GSM 6.10, G721, G723) cannot start elsewhere
    // and give what reading from the start gives.
    if (m_layout.decoding == Decoding::Container && !m_layout.seekable)
        return frame == m_position;
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

uint32_t CSampleReader::ReadDoubles(double *buffer, uint32_t count)
{
    const uint32_t channels = m_layout.channels;
    if (count % channels != 0)
        return 0;
    if (m_position >= m_samples) {
        std::fill(buffer, buffer + count, 0.0);
        return 0;
    }
    if (m_layout.planeBytes != 0 || m_layout.decoding == Decoding::Packed || m_adpcm)
        return ReadOwnDoubles(buffer, count);
    // Plain values start libsndfile on the first read of doubles, where they are.
    if (!m_sndfile && StartDecoder() != AudioError::None)
        return 0;
    if (m_decoderAt != m_position
        && Sndfile()->seek(m_sndfile, static_cast<sf_count_t>(m_position), SEEK_SET) < 0)
        return 0;
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
    m_position += static_cast<uint64_t>(got);
    return static_cast<uint32_t>(got * channels);
}

// ---------------------------------------------------------------- values at 16-bit scale

bool CSampleReader::CarriesMoreThanSixteenBits() const
{
    return IsFloatLayout(m_layout) || SixteenBitScale(m_layout) < 1.0;
}

uint32_t CSampleReader::ReadScaled(float *out, uint32_t count)
{
    if (IsPlainLayout(m_layout)) {
        const uint32_t n = ReadStoredValues(count);
        DecodePlainScaled(m_layout, m_stored.get(), n, out);
        return n;
    }
    // Every other encoding decodes to whole numbers, which a power of two scales exactly.
    const double scale = SixteenBitScale(m_layout);
    m_doubles.resize(1024 / m_layout.channels * m_layout.channels);
    uint32_t done = 0;
    while (done < count) {
        const auto want = std::min<uint32_t>(count - done, uint32_t(m_doubles.size()));
        const uint32_t n = ReadDoubles(m_doubles.data(), want);
        for (uint32_t i = 0; i < n; ++i)
            out[done + i] = static_cast<float>(m_doubles[i] * scale);
        done += n;
        if (n != want)
            break;
    }
    return done;
}

} // namespace orvex
