// Test fixtures made at test time: byte builders for container headers, files written
// with libsndfile, and a temporary folder that cleans up after itself.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace fixtures {

// A growing byte string with little- and big-endian appenders.
class Bytes
{
public:
    Bytes() = default;
    Bytes(std::initializer_list<uint8_t> bytes) : m_data(bytes) { }

    Bytes &str(const std::string &s);
    Bytes &u8(uint8_t v);
    Bytes &le16(uint16_t v);
    Bytes &le24(uint32_t v);
    Bytes &le32(uint32_t v);
    Bytes &be16(uint16_t v);
    Bytes &be24(uint32_t v);
    Bytes &be32(uint32_t v);
    Bytes &f32le(float v);
    Bytes &f32be(float v);
    Bytes &zeros(size_t n);
    Bytes &append(const Bytes &other);
    // Overwrites 4 bytes at `offset` (little- or big-endian).
    Bytes &put32le(size_t offset, uint32_t v);
    Bytes &put32be(size_t offset, uint32_t v);

    size_t size() const { return m_data.size(); }
    const std::vector<uint8_t> &data() const { return m_data; }
    std::vector<uint8_t> &data() { return m_data; }

private:
    std::vector<uint8_t> m_data;
};

// A fresh folder under /tmp, removed with everything in it.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::string path(const std::string &name) const { return m_path + "/" + name; }
    const std::string &root() const { return m_path; }

private:
    std::string m_path;
};

void WriteFile(const std::string &path, const Bytes &bytes);
void WriteFile(const std::string &path, const std::vector<uint8_t> &bytes);
std::vector<uint8_t> ReadFile(const std::string &path);
bool FileExists(const std::string &path);

// ---- container builders: a whole file of the container, header and data.

// A WAV file: RIFF, a 'fmt ' chunk (16 bytes plus `fmtExtra`), then `data`, then
// `trailing` chunk bytes (e.g. a LIST chunk) when given.
Bytes Wav(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t blockAlign,
          const Bytes &data, const Bytes &fmtExtra = {}, const Bytes &trailing = {});
// A plain PCM WAV with the usual block align.
Bytes WavPcm(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes &data);
// A WAVE_FORMAT_EXTENSIBLE file whose sub-format GUID carries `subTag`.
Bytes WavExtensible(uint16_t subTag, uint16_t channels, uint32_t rate, uint16_t bits,
                    const Bytes &data);

// AIFF (compression empty) or AIFC (compression given) with COMM and SSND chunks.
Bytes Aiff(uint16_t channels, uint32_t frames, uint16_t sampleSize, double rate,
           const Bytes &data, const std::string &compression = {});

// AU with a big- (".snd") or little-endian ("dns.") header.
Bytes Au(bool bigEndian, uint32_t encoding, uint32_t rate, uint32_t channels, const Bytes &data,
         uint32_t dataSize = 0xFFFFFFFE /* = data.size() */);

// Ensoniq PARIS: 2048-byte header.
Bytes Paf(bool bigEndianHeader, uint32_t endianness, uint32_t format, uint32_t rate,
          uint32_t channels, const Bytes &data);

// 8SVX or 16SV with VHDR and BODY.
Bytes Svx(bool sixteen, uint16_t rate, uint8_t compression, const Bytes &data);

// NIST Sphere with a 1024-byte header of the given "name -type value" lines.
Bytes Nist(const std::vector<std::string> &fields, const Bytes &data);

// IRCAM: 1024-byte header after the four marker bytes.
Bytes Ircam(const Bytes &marker, bool bigEndian, float rate, uint32_t channels, uint32_t encoding,
            const Bytes &data);

// ---- libsndfile as a writer (for the block codecs, whose bytes we do not hand-make).

// Writes `frames` frames of a music-like test signal with libsndfile in `format`
// (SF_FORMAT_* container | codec). Returns false if libsndfile refused.
bool WriteWithSndfile(const std::string &path, int format, int channels, int rate, int frames);

// Reads a whole file with libsndfile as 16-bit samples (the oracle for conversions).
bool ReadWithSndfile(const std::string &path, int &channels, int &rate, std::vector<int16_t> &out);

} // namespace fixtures
