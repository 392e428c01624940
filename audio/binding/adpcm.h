// IMA ADPCM and Microsoft ADPCM in WAV, decoded by our own code straight to the 16-bit samples
// the conversion writes (both codecs decode to 16 bits, which the power-of-two rule leaves as
// they are). Every block starts afresh from a header of its own, so reading starts at the
// block that holds the first frame wanted. The samples are libsndfile's, value for value,
// damaged blocks included. Internal to the binding.
#pragma once

#include "container.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace orvex {

// Whether the decoder takes the layout's data, as libsndfile took them: each block holds
// exactly the frames the header states, the rate fits in 31 bits, and the data do not begin
// as a WavPack or Ogg stream would.
bool AdpcmDataUsable(const StreamLayout &layout, ByteSource &source);

// Decodes the blocks of an IMA or Microsoft ADPCM layout (Decoding::CodedBlocks).
class CAdpcmReader
{
public:
    explicit CAdpcmReader(const StreamLayout &layout);

    // Decodes `frames` frames from frame `first` on into `out`, interleaved. Returns how many;
    // fewer only where the source's bytes run out.
    uint64_t Read(ByteSource &source, uint64_t first, uint64_t frames, int16_t *out);

private:
    // Reads up to `count` blocks from `block` on into m_bytes; returns how many hold a byte.
    uint64_t Load(ByteSource &source, uint64_t block, uint64_t count);
    // Decodes `count` blocks of m_bytes.
    void Decode(uint64_t count, int16_t *out);

    // The codec's decoder of one block, and of two at once (IMA only: a Microsoft ADPCM
    // channel keeps more state than the processor's registers hold for two blocks).
    using Decoder
            = void (*)(const unsigned char *block, uint32_t bytes, uint32_t frames, int16_t *out);
    Decoder m_decodeOne, m_decodeTwo;
    uint32_t m_channels;
    uint32_t m_blockBytes;
    uint32_t m_blockFrames;
    int64_t m_dataOffset;
    std::unique_ptr<unsigned char[]> m_bytes; // blocks as read, several at a time
    uint64_t m_bytesBlocks; // how many m_bytes holds
    // The block before one cut short, which fills it where its bytes end.
    std::vector<unsigned char> m_previous;
    // A block entered or left part-way, decoded once for the reads that share it.
    std::vector<int16_t> m_block;
    uint64_t m_decodedBlock = UINT64_MAX;
    // libsndfile's memory for a stereo IMA block that is not whole groups of eight bytes,
    // which its decoding reads past the block's end; empty for any other block.
    std::vector<unsigned char> m_overrun;
};

} // namespace orvex
