// IMA and Microsoft ADPCM blocks decoded to 16-bit samples (see adpcm.h).
// References: Microsoft "Multimedia Data Standards Update" (1994), WAVE_FORMAT_ADPCM and
// WAVE_FORMAT_DVI_ADPCM; the IMA "Recommended Practices for Enhancing Digital Audio
// Compatibility in Multimedia Systems" (1992). Where a block is damaged (a step index past
// the table, a predictor past the seven coefficient pairs, a block cut short) the samples
// are those libsndfile decodes (src/ima_adpcm.c, src/ms_adpcm.c), which the tests hold ours
// to.
#include "adpcm.h"

#include "byte_order.h"

#include <algorithm>
#include <cstring>

namespace orvex {

using bytes::LoadLE16;

namespace {

    // ---------------------------------------------------------------- IMA ADPCM

    constexpr int kImaIndexAdjust[] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
    constexpr int kImaStep[]
            = {7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,
               23,    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,
               73,    80,    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,
               230,   253,   279,   307,   337,   371,   408,   449,   494,   544,   598,   658,
               724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
               2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,
               7132,  7845,  8630,  9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350,
               22385, 24623, 27086, 29794, 32767};
    constexpr unsigned kImaLastIndex = 88;

    // For each step index and 4-bit code, what the code adds to the prediction and the step
    // index it leads to; indices are kept times 16, so that index + code is the entry.
    struct ImaTable
    {
        int32_t difference[89 * 16] = {};
        uint16_t next[89 * 16] = {};
        constexpr ImaTable()
        {
            for (int index = 0; index < 89; ++index)
                for (int code = 0; code < 16; ++code) {
                    const int step = kImaStep[index];
                    int d = step >> 3;
                    d += (code & 1 ? step >> 2 : 0) + (code & 2 ? step >> 1 : 0)
                            + (code & 4 ? step : 0);
                    difference[index * 16 + code] = code & 8 ? -d : d;
                    next[index * 16 + code] = uint16_t(
                            std::clamp(index + kImaIndexAdjust[code], 0, int(kImaLastIndex)) * 16);
                }
        }
    };
    constexpr ImaTable kIma;

    struct ImaChannel
    {
        int prediction;
        unsigned state; // step index x 16

        // A channel's header: the first sample, then its step index (held to the table).
        void Start(const unsigned char *header)
        {
            prediction = int16_t(LoadLE16(header));
            state = std::min<unsigned>(header[2], kImaLastIndex) * 16;
        }
        int16_t Next(unsigned code)
        {
            const unsigned entry = state + code;
            int p = prediction + kIma.difference[entry];
            state = kIma.next[entry];
            // Rare in real sound, where it is held at the limits of 16 bits.
            if (unsigned(p + 32768) > 65535u) [[unlikely]]
                p = p < 0 ? -32768 : 32767;
            prediction = p;
            return int16_t(p);
        }
    };

    // The decoders take N blocks at once, `bytes` apart, into outputs `frames` frames apart:
    // each channel's samples are a chain of steps that wait on each other, and the chains of
    // two blocks run side by side.

    // Mono: after the header, each byte holds two samples, the low four bits first.
    template<int N>
    void DecodeImaMono(const unsigned char *block, uint32_t bytes, uint32_t frames, int16_t *out)
    {
        ImaChannel c[N];
        for (int n = 0; n < N; ++n) {
            c[n].Start(block + n * bytes);
            out[n * frames] = int16_t(c[n].prediction);
        }
        for (uint32_t i = 4; i < bytes; ++i)
            for (int n = 0; n < N; ++n) {
                const unsigned char b = block[n * bytes + i];
                int16_t *o = out + n * frames + 2 * (i - 4) + 1;
                o[0] = c[n].Next(b & 0x0F);
                o[1] = c[n].Next(b >> 4);
            }
    }

    // Stereo: after the two headers, groups of four bytes of the left channel (eight
    // samples, the low four bits of a byte first) and four of the right.
    template<int N>
    void DecodeImaStereo(const unsigned char *block, uint32_t bytes, uint32_t frames, int16_t *out)
    {
        ImaChannel left[N], right[N];
        for (int n = 0; n < N; ++n) {
            left[n].Start(block + n * bytes);
            right[n].Start(block + n * bytes + 4);
            out[2 * n * frames] = int16_t(left[n].prediction);
            out[2 * n * frames + 1] = int16_t(right[n].prediction);
        }
        for (uint32_t g = 8; g + 8 <= bytes; g += 8) {
            uint32_t l[N], r[N];
            int16_t *o[N]; // the group's first frame
            for (int n = 0; n < N; ++n) {
                l[n] = bytes::LoadLE32(block + n * bytes + g);
                r[n] = bytes::LoadLE32(block + n * bytes + g + 4);
                o[n] = out + 2 * (size_t(n) * frames + g - 7);
            }
#pragma GCC unroll 8
            for (int k = 0; k < 8; ++k)
                for (int n = 0; n < N; ++n) {
                    o[n][2 * k] = left[n].Next(l[n] >> 4 * k & 0x0F);
                    o[n][2 * k + 1] = right[n].Next(r[n] >> 4 * k & 0x0F);
                }
        }
    }

    // A block whose data are not whole groups of four bytes a channel has no place in the
    // format. libsndfile unpacks such a block's codes into an array of 16-bit values that
    // lies just before its copy of the block, in groups that overrun the array into that
    // copy, and reads the last group of a stereo block past the block's end. `memory` is
    // that array and copy (kept from block to block, as libsndfile keeps them); this is its
    // unpacking and decoding, step for step.
    void DecodeImaOverrun(const unsigned char *block, uint32_t bytes, uint32_t channels,
                          uint32_t frames, std::vector<unsigned char> &memory, int16_t *out)
    {
        const size_t codes = size_t(frames) * channels;
        unsigned char *const held = memory.data() + 2 * codes;
        std::memcpy(held, block, bytes);
        ImaChannel channel[2];
        for (uint32_t c = 0; c < channels; ++c) {
            channel[c].Start(held + 4 * c);
            out[c] = int16_t(channel[c].prediction);
        }
        auto set = [&](size_t i, unsigned v) {
            memory[2 * i] = static_cast<unsigned char>(v);
            memory[2 * i + 1] = 0;
        };
        for (size_t at = 4 * channels, first = channels; at < bytes; first += 8 * channels)
            for (size_t c = 0; c < channels; ++c)
                for (size_t k = 0, i = first + c; k < 4; ++k, i += 2 * channels) {
                    const unsigned char b = held[at++];
                    set(i, b & 0x0F);
                    set(i + channels, b >> 4);
                }
        for (size_t i = channels; i < codes; ++i)
            out[i] = channel[i % channels].Next(memory[2 * i] & 0x0F);
    }

    // ---------------------------------------------------------------- Microsoft ADPCM

    constexpr int kMsAdaptation[]
            = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};
    // The seven coefficient pairs every file holds; a block that names another uses the first.
    constexpr unsigned kMsCoefficients = 7;
    constexpr int kMsCoefficient1[kMsCoefficients] = {256, 512, 0, 192, 240, 460, 392};
    constexpr int kMsCoefficient2[kMsCoefficients] = {0, -256, 0, 64, 0, -208, -232};

    // For each 4-bit code: its adaptation factor times 256, and the code as a signed value.
    struct MsCode
    {
        int32_t adaptation256;
        int32_t value;
    };
    struct MsCodeTable
    {
        MsCode code[std::size(kMsAdaptation)] = {};
        constexpr MsCodeTable()
        {
            for (int c = 0; c < int(std::size(code)); ++c)
                code[c] = {kMsAdaptation[c] * 256, (c ^ 8) - 8};
        }
    };
    constexpr MsCodeTable kMs;

    struct MsChannel
    {
        int coefficient1, coefficient2;
        int delta; // a 16-bit value, of either sign as the header gives it
        int sample1, sample2; // the last sample and the one before

        // The header's fields for the channel: its predictor, then its delta, last sample
        // and the one before, 16 bits each, `stride` bytes apart.
        MsChannel(unsigned predictor, const unsigned char *fields, size_t stride)
            : coefficient1(kMsCoefficient1[predictor < kMsCoefficients ? predictor : 0])
            , coefficient2(kMsCoefficient2[predictor < kMsCoefficients ? predictor : 0])
            , delta(int16_t(LoadLE16(fields)))
            , sample1(int16_t(LoadLE16(fields + stride)))
            , sample2(int16_t(LoadLE16(fields + 2 * stride)))
        { }
        int16_t Next(const MsCode &code)
        {
            int value
                    = ((sample1 * coefficient1 + sample2 * coefficient2) >> 8) + code.value * delta;
            // The next delta is (factor x delta) / 256 kept in 16 bits, and at least 16: the
            // bits 16 to 31 of factor x 256 x delta, which hold them whatever the sign.
            delta = std::max(int32_t(uint32_t(code.adaptation256) * uint32_t(delta)) >> 16, 16);
            // Rare in real sound, where it is held at the limits of 16 bits.
            if (unsigned(value + 32768) > 65535u) [[unlikely]]
                value = value < 0 ? -32768 : 32767;
            sample2 = sample1;
            sample1 = value;
            return int16_t(value);
        }
    };

    // Mono: predictor, delta, the second sample and the first; then two samples a byte, the
    // high four bits first.
    void DecodeMsMono(const unsigned char *block, uint32_t bytes, uint32_t, int16_t *out)
    {
        MsChannel c(block[0], block + 1, 2);
        *out++ = int16_t(c.sample2);
        *out++ = int16_t(c.sample1);
        for (uint32_t i = 7; i < bytes; ++i) {
            *out++ = c.Next(kMs.code[block[i] >> 4]);
            *out++ = c.Next(kMs.code[block[i] & 0x0F]);
        }
    }

    // Stereo: each field for the left channel, then for the right; then a byte a frame, the
    // left channel in the high four bits.
    void DecodeMsStereo(const unsigned char *block, uint32_t bytes, uint32_t, int16_t *out)
    {
        MsChannel left(block[0], block + 2, 4), right(block[1], block + 4, 4);
        *out++ = int16_t(left.sample2);
        *out++ = int16_t(right.sample2);
        *out++ = int16_t(left.sample1);
        *out++ = int16_t(right.sample1);
        for (uint32_t i = 14; i < bytes; ++i) {
            *out++ = left.Next(kMs.code[block[i] >> 4]);
            *out++ = right.Next(kMs.code[block[i] & 0x0F]);
        }
    }

    // Bytes read at once: many blocks, as one large read.
    constexpr size_t kReadBytes = 64 * 1024;

    bool IsIma(const StreamLayout &layout)
    {
        return layout.encoding == SampleEncoding::IMA_ADPCM;
    }

    // Whether an IMA block's data are not whole groups of four bytes a channel.
    bool OverrunsBlock(const StreamLayout &layout)
    {
        const uint32_t group = 4 * layout.channels;
        return IsIma(layout) && (layout.coded.bytes - group) % group != 0;
    }

} // namespace

bool AdpcmDataUsable(const StreamLayout &layout, ByteSource &source)
{
    // The header holds one sample a channel (IMA) or two (Microsoft), and every byte after
    // the headers two more; Microsoft ADPCM needs its two samples and five more a channel.
    const uint32_t channels = layout.channels, bytes = layout.coded.bytes;
    const uint32_t frames = layout.coded.frames;
    const bool whole = IsIma(layout)
            ? frames == 2 * (bytes - 4 * channels) / channels + 1
            : frames == 2 * (bytes - 6 * channels) / channels && frames >= 7 * channels;
    unsigned char start[4] = {};
    source.ReadAt(layout.dataOffset, start, sizeof start);
    return whole && layout.sampleRate <= INT32_MAX && std::memcmp(start, "wvpk", 4) != 0
            && std::memcmp(start, "OggS", 4) != 0;
}

CAdpcmReader::CAdpcmReader(const StreamLayout &layout)
    : m_decodeOne(IsIma(layout) ? (layout.channels == 1 ? DecodeImaMono<1> : DecodeImaStereo<1>)
                                : (layout.channels == 1 ? DecodeMsMono : DecodeMsStereo))
    , m_decodeTwo(!IsIma(layout)                 ? nullptr
                          : layout.channels == 1 ? DecodeImaMono<2>
                                                 : DecodeImaStereo<2>)
    , m_channels(layout.channels)
    , m_blockBytes(layout.coded.bytes)
    , m_blockFrames(layout.coded.frames)
    , m_dataOffset(layout.dataOffset)
    , m_bytesBlocks(OverrunsBlock(layout) ? 1 : std::max<size_t>(kReadBytes / m_blockBytes, 1))
    , m_previous(m_blockBytes, 0)
    , m_block(size_t(m_blockFrames) * m_channels)
{
    m_bytes.reset(new unsigned char[m_bytesBlocks * m_blockBytes]);
    if (OverrunsBlock(layout))
        m_overrun.assign(2 * m_block.size() + m_blockBytes + 64, 0);
}

uint64_t CAdpcmReader::Load(ByteSource &source, uint64_t block, uint64_t count)
{
    const uint32_t size = m_blockBytes;
    const size_t got = source.ReadAt(m_dataOffset + int64_t(block * size), m_bytes.get(),
                                     size_t(count) * size);
    uint64_t whole = got / size;
    if (const size_t held = got % size; held != 0) {
        // A block cut short by the end of the bytes keeps, past its end, what the block
        // before it left there, as libsndfile's buffer keeps it (zeros before the first).
        if (whole == 0) {
            std::fill(m_previous.begin(), m_previous.end(), 0);
            if (block > 0)
                source.ReadAt(m_dataOffset + int64_t((block - 1) * size), m_previous.data(), size);
            if (block > 0 && !m_overrun.empty()) {
                // What decoding it leaves of it, in libsndfile's memory.
                DecodeImaOverrun(m_previous.data(), size, m_channels, m_blockFrames, m_overrun,
                                 m_block.data());
                m_decodedBlock = UINT64_MAX;
                std::memcpy(m_previous.data(), m_overrun.data() + 2 * m_block.size(), size);
            }
        }
        unsigned char *cut = m_bytes.get() + whole * size;
        const unsigned char *before = whole > 0 ? cut - size : m_previous.data();
        std::memcpy(cut + held, before + held, size - held);
        ++whole;
    }
    return whole;
}

void CAdpcmReader::Decode(uint64_t count, int16_t *out)
{
    const unsigned char *block = m_bytes.get();
    const size_t step = size_t(m_blockFrames) * m_channels;
    if (!m_overrun.empty()) {
        // m_bytes holds one block.
        if (count != 0)
            DecodeImaOverrun(block, m_blockBytes, m_channels, m_blockFrames, m_overrun, out);
        return;
    }
    uint64_t i = 0;
    for (; m_decodeTwo && i + 2 <= count; i += 2)
        m_decodeTwo(block + i * m_blockBytes, m_blockBytes, m_blockFrames, out + i * step);
    for (; i < count; ++i)
        m_decodeOne(block + i * m_blockBytes, m_blockBytes, m_blockFrames, out + i * step);
}

uint64_t CAdpcmReader::Read(ByteSource &source, uint64_t first, uint64_t frames, int16_t *out)
{
    const uint32_t per = m_blockFrames, channels = m_channels;
    uint64_t done = 0;
    while (done < frames) {
        const uint64_t frame = first + done, block = frame / per, left = frames - done;
        const uint32_t from = uint32_t(frame % per);
        if (from == 0 && left >= per) {
            // Whole blocks, decoded straight into the output.
            const uint64_t wanted = std::min<uint64_t>(left / per, m_bytesBlocks);
            const uint64_t got = Load(source, block, wanted);
            Decode(got, out + done * channels);
            done += got * per;
            if (got < wanted)
                break;
            continue;
        }
        // A block entered or left part-way is decoded once, for the reads that share it.
        if (block != m_decodedBlock) {
            if (Load(source, block, 1) == 0)
                break;
            Decode(1, m_block.data());
            m_decodedBlock = block;
        }
        const uint64_t take = std::min<uint64_t>(per - from, left);
        std::copy_n(m_block.begin() + int64_t(from * channels), take * channels,
                    out + done * channels);
        done += take;
    }
    return done;
}

} // namespace orvex
