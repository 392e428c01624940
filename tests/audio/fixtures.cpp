// Test fixtures (see fixtures.h).
#include "fixtures.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fixtures {

Bytes &Bytes::str(const std::string &s)
{
    m_data.insert(m_data.end(), s.begin(), s.end());
    return *this;
}
Bytes &Bytes::u8(uint8_t v)
{
    m_data.push_back(v);
    return *this;
}
Bytes &Bytes::le16(uint16_t v)
{
    return u8(v & 0xFF).u8(v >> 8);
}
Bytes &Bytes::le24(uint32_t v)
{
    return u8(v & 0xFF).u8((v >> 8) & 0xFF).u8((v >> 16) & 0xFF);
}
Bytes &Bytes::le32(uint32_t v)
{
    return le16(v & 0xFFFF).le16(v >> 16);
}
Bytes &Bytes::be16(uint16_t v)
{
    return u8(v >> 8).u8(v & 0xFF);
}
Bytes &Bytes::be24(uint32_t v)
{
    return u8((v >> 16) & 0xFF).u8((v >> 8) & 0xFF).u8(v & 0xFF);
}
Bytes &Bytes::be32(uint32_t v)
{
    return be16(v >> 16).be16(v & 0xFFFF);
}
Bytes &Bytes::f32le(float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return le32(bits);
}
Bytes &Bytes::f32be(float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return be32(bits);
}
Bytes &Bytes::zeros(size_t n)
{
    m_data.insert(m_data.end(), n, 0);
    return *this;
}
Bytes &Bytes::append(const Bytes &other)
{
    m_data.insert(m_data.end(), other.m_data.begin(), other.m_data.end());
    return *this;
}
Bytes &Bytes::put32le(size_t offset, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        m_data.at(offset + i) = static_cast<uint8_t>(v >> (8 * i));
    return *this;
}
Bytes &Bytes::put32be(size_t offset, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        m_data.at(offset + i) = static_cast<uint8_t>(v >> (8 * (3 - i)));
    return *this;
}

TempDir::TempDir()
{
    char name[] = "/tmp/orvex-test-XXXXXX";
    if (!mkdtemp(name))
        throw std::runtime_error("mkdtemp failed");
    m_path = name;
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Folders made read-only by a test must become writable again to be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (it->is_directory(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

void WriteFile(const std::string &path, const std::vector<uint8_t> &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

void WriteFile(const std::string &path, const Bytes &bytes)
{
    WriteFile(path, bytes.data());
}

std::vector<uint8_t> ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool FileExists(const std::string &path)
{
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// ---------------------------------------------------------------- container builders

Bytes Wav(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t blockAlign,
          const Bytes &data, const Bytes &fmtExtra, const Bytes &trailing)
{
    Bytes fmt;
    fmt.le16(tag).le16(channels).le32(rate).le32(rate * blockAlign).le16(blockAlign).le16(bits);
    fmt.append(fmtExtra);
    Bytes body;
    body.str("WAVE").str("fmt ").le32(static_cast<uint32_t>(fmt.size())).append(fmt);
    body.str("data").le32(static_cast<uint32_t>(data.size())).append(data);
    if (data.size() % 2)
        body.u8(0);
    body.append(trailing);
    Bytes file;
    file.str("RIFF").le32(static_cast<uint32_t>(body.size())).append(body);
    return file;
}

Bytes WavPcm(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes &data)
{
    return Wav(1, channels, rate, bits, static_cast<uint16_t>(channels * ((bits + 7) / 8)), data);
}

Bytes WavExtensible(uint16_t subTag, uint16_t channels, uint32_t rate, uint16_t bits,
                    const Bytes &data)
{
    Bytes ext;
    ext.le16(22).le16(bits).le32(0); // cbSize, valid bits, channel mask
    ext.le16(subTag).append(
            {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    return Wav(0xFFFE, channels, rate, bits, static_cast<uint16_t>(channels * ((bits + 7) / 8)), data,
               ext);
}

namespace {
// An 80-bit IEEE extended value, as AIFF stores its sample rate.
Bytes Extended(double value)
{
    Bytes b;
    if (value == 0) {
        return b.zeros(10);
    }
    int exponent;
    double mantissa = std::frexp(value, &exponent); // value = m * 2^e, 0.5 <= m < 1
    uint64_t bits = static_cast<uint64_t>(std::ldexp(mantissa, 64));
    b.be16(static_cast<uint16_t>(16382 + exponent));
    b.be32(static_cast<uint32_t>(bits >> 32)).be32(static_cast<uint32_t>(bits));
    return b;
}
} // namespace

Bytes Aiff(uint16_t channels, uint32_t frames, uint16_t sampleSize, double rate,
           const Bytes &data, const std::string &compression)
{
    const bool aifc = !compression.empty();
    Bytes comm;
    comm.be16(channels).be32(frames).be16(sampleSize).append(Extended(rate));
    if (aifc)
        comm.str(compression).u8(0).u8(0); // compression name: an empty Pascal string, padded
    Bytes body;
    body.str(aifc ? "AIFC" : "AIFF");
    body.str("COMM").be32(static_cast<uint32_t>(comm.size())).append(comm);
    body.str("SSND").be32(static_cast<uint32_t>(data.size() + 8)).be32(0).be32(0).append(data);
    if (data.size() % 2)
        body.u8(0);
    Bytes file;
    file.str("FORM").be32(static_cast<uint32_t>(body.size())).append(body);
    return file;
}

Bytes Au(bool bigEndian, uint32_t encoding, uint32_t rate, uint32_t channels, const Bytes &data,
         uint32_t dataSize)
{
    if (dataSize == 0xFFFFFFFE)
        dataSize = static_cast<uint32_t>(data.size());
    Bytes file;
    if (bigEndian)
        file.str(".snd").be32(24).be32(dataSize).be32(encoding).be32(rate).be32(channels);
    else
        file.str("dns.").le32(24).le32(dataSize).le32(encoding).le32(rate).le32(channels);
    return file.append(data);
}

Bytes Paf(bool bigEndianHeader, uint32_t endianness, uint32_t format, uint32_t rate,
          uint32_t channels, const Bytes &data)
{
    Bytes file;
    if (bigEndianHeader)
        file.str(" paf").be32(0).be32(endianness).be32(rate).be32(format).be32(channels).be32(0);
    else
        file.str("fap ").le32(0).le32(endianness).le32(rate).le32(format).le32(channels).le32(0);
    file.zeros(2048 - file.size());
    return file.append(data);
}

Bytes Svx(bool sixteen, uint16_t rate, uint8_t compression, const Bytes &data)
{
    Bytes vhdr;
    vhdr.be32(static_cast<uint32_t>(data.size())).be32(0).be32(0).be16(rate).u8(1).u8(compression).be32(
            0x10000);
    Bytes body;
    body.str(sixteen ? "16SV" : "8SVX");
    body.str("VHDR").be32(20).append(vhdr);
    body.str("BODY").be32(static_cast<uint32_t>(data.size())).append(data);
    if (data.size() % 2)
        body.u8(0);
    Bytes file;
    file.str("FORM").be32(static_cast<uint32_t>(body.size())).append(body);
    return file;
}

Bytes Nist(const std::vector<std::string> &fields, const Bytes &data)
{
    std::string header = "NIST_1A\n   1024\n";
    for (const std::string &f : fields)
        header += f + "\n";
    header += "end_head\n";
    header.resize(1024, ' ');
    Bytes file;
    file.str(header);
    return file.append(data);
}

Bytes Ircam(const Bytes &marker, bool bigEndian, float rate, uint32_t channels, uint32_t encoding,
            const Bytes &data)
{
    Bytes file = marker;
    if (bigEndian)
        file.f32be(rate).be32(channels).be32(encoding);
    else
        file.f32le(rate).le32(channels).le32(encoding);
    file.zeros(1024 - file.size());
    return file.append(data);
}

// ---------------------------------------------------------------- libsndfile

bool WriteWithSndfile(const std::string &path, int format, int channels, int rate, int frames)
{
    SF_INFO info {};
    info.format = format;
    info.channels = channels;
    info.samplerate = rate;
    SNDFILE *sf = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!sf)
        return false;
    std::vector<double> block(static_cast<size_t>(channels) * 256);
    int written = 0;
    while (written < frames) {
        const int n = std::min(256, frames - written);
        for (int i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c) {
                const double t = (written + i) / static_cast<double>(rate);
                // Two partials and a slow swell: not silence, not a single tone.
                block[static_cast<size_t>(i * channels + c)]
                        = 0.5 * std::sin(2 * M_PI * (220.0 + 55 * c) * t)
                        + 0.25 * std::sin(2 * M_PI * 1375.0 * t) * std::sin(M_PI * t);
            }
        sf_writef_double(sf, block.data(), n);
        written += n;
    }
    return sf_close(sf) == 0;
}

bool ReadWithSndfile(const std::string &path, int &channels, int &rate, std::vector<int16_t> &out)
{
    SF_INFO info {};
    SNDFILE *sf = sf_open(path.c_str(), SFM_READ, &info);
    if (!sf)
        return false;
    channels = info.channels;
    rate = info.samplerate;
    out.resize(static_cast<size_t>(info.frames * info.channels));
    sf_count_t got = sf_readf_short(sf, out.data(), info.frames);
    sf_close(sf);
    return got == info.frames;
}

} // namespace fixtures
