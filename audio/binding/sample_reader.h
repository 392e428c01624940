// CSampleReader: the inside of a handle opened for reading. It holds the input's bytes, what
// its header says, and, where doubles are asked for or the samples are coded in blocks that
// only libsndfile decodes (GSM 6.10, G721, G723), libsndfile decoding them from a virtual
// stream of our own: the layout's prefix, then the source from dataOffset on. Samples come
// out by three roads: unnormalised doubles (as libsndfile decodes them), and the 16-bit
// samples a conversion writes, either straight from the stored bytes of plain values and
// ADPCM blocks (our own decoder) or through those doubles. Internal to the binding.
#pragma once

#include "audio_handle.h"
#include "container.h"
#include "sndfile_library.h"

#include <memory>
#include <vector>

namespace orvex {

class CAdpcmReader;

class CSampleReader
{
public:
    CSampleReader(std::unique_ptr<ByteSource> source, StreamLayout layout, uint32_t samples);
    ~CSampleReader();
    CSampleReader(const CSampleReader &) = delete;
    CSampleReader &operator=(const CSampleReader &) = delete;

    // Starts the decoder of a block-coded stream (libsndfile's, or ours for ADPCM); the
    // container's own code on refusal.
    AudioError StartDecoder();
    // Whether the 16-bit samples are read without doubles: plain stored values and ADPCM.
    bool ReadsSixteenItself() const;

    // Up to `count` values (whole frames) as unnormalised doubles.
    uint32_t ReadDoubles(double *buffer, uint32_t count);
    // Up to `count` values (whole frames) as the 16-bit samples a conversion writes, adding
    // the floats held at the limits of 16 bits to `clipped`. The two roads give the same
    // samples: from the stored bytes (plain values and ADPCM only), or through ReadDoubles.
    uint32_t ReadSixteenFromBytes(int16_t *out, uint32_t count, uint64_t &clipped);
    uint32_t ReadSixteenThroughDoubles(int16_t *out, uint32_t count, uint64_t &clipped);
    // Up to `count` values (whole frames) at 16-bit scale, before any truncation, for the
    // level chain (DecodePlainScaled's values; through ReadDoubles for coded values).
    uint32_t ReadScaled(float *out, uint32_t count);
    // Whether the values carry more than 16 bits: wider integers, or floats.
    bool CarriesMoreThanSixteenBits() const;
    // Moves to `frame` (at most the end); false where the input cannot go there.
    bool Seek(uint64_t frame);
    // What the header promised and what the bytes hold, beside the frames described.
    InputExtent Extent() const;

private:
    int64_t VirtualLength() const;
    static sf_count_t VioLength(void *self);
    static sf_count_t VioSeek(sf_count_t offset, int whence, void *self);
    static sf_count_t VioRead(void *dst, sf_count_t count, void *self);
    static sf_count_t VioWrite(const void *, sf_count_t, void *) { return 0; }
    static sf_count_t VioTell(void *self);
    // ReadDoubles of values that our own code reads: packed blocks, planes and ADPCM.
    uint32_t ReadOwnDoubles(double *buffer, uint32_t count);
    // How many of `count` values' frames the description still has from the position; 0
    // when `count` is not whole frames.
    uint64_t FramesDescribed(uint32_t count) const;
    // Reads up to `count` stored values (whole frames) of plain values into m_stored;
    // returns how many.
    uint32_t ReadStoredValues(uint32_t count);
    // Gathers `frames` frames of planar values into m_stored; returns the whole frames read.
    uint64_t ReadPlanes(uint64_t frames);

    std::unique_ptr<ByteSource> m_source;
    StreamLayout m_layout;
    uint32_t m_samples; // the description's frame count: reading stops there
    uint64_t m_heldFrames; // the frames the data holds, at most m_samples
    uint64_t m_position = 0; // frames handed out so far
    SNDFILE *m_sndfile = nullptr; // for plain values, started only when doubles are read
    uint64_t m_decoderAt = 0; // the frame libsndfile reads next
    int64_t m_virtualPos = 0;
    std::vector<double> m_doubles; // values on their way through doubles
    // The stored bytes of plain values, uninitialised: each read fills them.
    std::unique_ptr<unsigned char[]> m_stored;
    size_t m_storedSize = 0;
    std::vector<unsigned char> m_planeRun; // one channel's values, read from its plane
    std::vector<int16_t> m_sixteen; // planar values on their way to doubles
    std::vector<unsigned char> m_blockBytes; // the packed block last read
    std::vector<int32_t> m_unpacked; // its values, and which block they are
    uint64_t m_unpackedBlock = UINT64_MAX;
    std::unique_ptr<CAdpcmReader> m_adpcm; // the decoder of IMA and Microsoft ADPCM
};

} // namespace orvex
