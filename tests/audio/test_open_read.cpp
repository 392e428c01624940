// Opening files for reading: every accepted container/encoding row with what it
// reports and the values it reads, every refusal with its code, the caller-described
// header-less path, standard input, and the read algorithm's edge cases.
#include "audio_library_binding.h"
#include "fixtures.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

using namespace fixtures;

namespace {

struct Opened
{
    AudioHandle *handle = nullptr;
    AudioInfo info;
    ~Opened() { AudioClose(handle); }
};

// Reads everything from an open handle in blocks of `block` frames.
std::vector<double> ReadAll(AudioHandle *h, uint32_t channels, uint32_t block = 256)
{
    std::vector<double> all, buf(block * channels);
    for (;;) {
        uint32_t n = AudioReadDouble(h, buf.data(), block * channels);
        all.insert(all.end(), buf.begin(), buf.begin() + n);
        if (n < block * channels)
            return all;
    }
}

} // namespace

TEST(OpenRead, AcceptedContainersDescribeAndRead)
{
    TempDir dir;
    for (const AcceptedFixture &c : AcceptedFixtures()) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.path(c.fileName);
        WriteFile(path, c.bytes);
        Opened f;
        f.handle = AudioOpenRead(path, f.info);
        ASSERT_NE(f.handle, nullptr) << "code " << static_cast<int>(AudioLastError());
        EXPECT_EQ(AudioLastError(), AudioError::None);
        EXPECT_EQ(AudioFormatKind(f.info.format), c.kind);
        EXPECT_EQ(AudioSampleEncoding(f.info.format), c.encoding);
        EXPECT_EQ(f.info.bitWidth, c.bitWidth);
        EXPECT_EQ(f.info.sampleRate, c.rate);
        EXPECT_EQ(f.info.channels, c.channels);
        EXPECT_EQ(f.info.samples, c.samples);
        EXPECT_EQ(f.info.seekable, c.seekable);
        EXPECT_EQ(f.info.sections, 1u);
        std::vector<double> values = ReadAll(f.handle, c.channels);
        EXPECT_EQ(values.size(), size_t(c.samples) * c.channels);
        values.resize(std::min(values.size(), c.firstValues.size()));
        EXPECT_EQ(values, c.firstValues);
    }
}

// The block codecs and packed formats, written by libsndfile: each opens with its
// encoding and reads the whole signal back.
TEST(OpenRead, BlockCodecsWrittenByLibsndfile)
{
    TempDir dir;
    for (const CodecFixture &c : CodecFixtures()) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.path("codec");
        ASSERT_TRUE(WriteWithSndfile(path, c.format, c.channels, c.rate, 5000));
        Opened f;
        f.handle = AudioOpenRead(path, f.info);
        ASSERT_NE(f.handle, nullptr) << "code " << static_cast<int>(AudioLastError());
        EXPECT_EQ(AudioFormatKind(f.info.format), c.kind);
        EXPECT_EQ(AudioSampleEncoding(f.info.format), c.encoding);
        EXPECT_EQ(f.info.bitWidth, c.bitWidth);
        EXPECT_EQ(f.info.channels, uint32_t(c.channels));
        EXPECT_EQ(f.info.seekable, c.seekable);
        // Whole blocks of the codec: at least what was written, less than a block more.
        EXPECT_GE(f.info.samples, 5000u);
        EXPECT_LT(f.info.samples, 5000u + 4096);
        std::vector<double> values = ReadAll(f.handle, f.info.channels);
        EXPECT_EQ(values.size(), size_t(f.info.samples) * f.info.channels);
        // The signal is there: its peak is well above silence and within the width.
        double peak = 0;
        for (double v : values)
            peak = std::max(peak, std::fabs(v));
        const double limit = std::ldexp(1.0, int(c.bitWidth) - 1);
        EXPECT_GT(peak, limit / 4);
        EXPECT_LE(peak, limit);
    }
}

TEST(OpenRead, RefusalsCarryTheirCodes)
{
    struct Case
    {
        const char *what;
        const char *name;
        Bytes bytes;
        AudioError code;
    };
    const Bytes pcm = Le16s({1, 2, 3, 4});
    const Bytes fmtImaExt = Bytes().le16(2).le16(505);
    const Case cases[] = {
            {"plain text", "notes.txt", Bytes().str("just some words\n"), AudioError::RawBadSpec},
            {"RIFF that is not WAVE named .wav", "x.wav", Bytes().str("RIFF").le32(4).str("AVI "),
             AudioError::RawBadSpec},
            {"an IFF picture", "pic.au", Bytes().str("FORM").be32(4).str("ILBM"),
             AudioError::UnknownFormat},
            {"empty header-less u-law", "a.au", Bytes(), AudioError::InfoIncomplete},
            {"Windows Media", "x",
             Bytes{0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0, 0xAA},
             AudioError::UnknownFormat},
            {"REX2", "x", Bytes().str("CAT ").be32(0).str("REX2"), AudioError::UnknownFormat},
            {"Samplitude", "x", Bytes().str("SEKDSAMR").zeros(40), AudioError::InfoIncomplete},
            {"Creative Voice, intact", "x",
             Bytes().str("Creative Voice File\x1A").le16(26).le16(0x10A).le16(0x1129).zeros(8),
             AudioError::InfoIncomplete},
            {"Creative Voice, bad checksum", "x",
             Bytes().str("Creative Voice File\x1A").le16(26).le16(0x10A).le16(0x1234).zeros(8),
             AudioError::VocBadChecksum},
            {"WAV MPEG tag", "x", Wav(0x55, 1, 8000, 0, 1, pcm), AudioError::UnimplementedFormat},
            {"WAV PCM of 0 bits", "x", Wav(1, 1, 8000, 0, 2, pcm), AudioError::UnimplementedFormat},
            {"WAV PCM of 33 bits", "x", Wav(1, 1, 8000, 33, 5, pcm),
             AudioError::UnimplementedFormat},
            {"WAV 64-bit float", "x", Wav(3, 1, 8000, 64, 8, pcm), AudioError::UnimplementedFormat},
            {"WAV extensible of unknown sub-format", "x", WavExtensible(0x55, 1, 8000, 16, pcm),
             AudioError::UnimplementedFormat},
            {"IMA ADPCM of 3 bits", "x", Wav(17, 1, 8000, 3, 256, pcm, fmtImaExt),
             AudioError::WavAdpcmNotFourBit},
            {"IMA ADPCM of 3 channels", "x", Wav(17, 3, 8000, 4, 256, pcm, fmtImaExt),
             AudioError::WavAdpcmBadChannels},
            {"IMA ADPCM of 0 channels", "x", Wav(17, 0, 8000, 4, 256, pcm, fmtImaExt),
             AudioError::WavAdpcmBadChannels},
            {"IMA ADPCM with block align 0", "x", Wav(17, 1, 8000, 4, 0, pcm, fmtImaExt),
             AudioError::WavBadBlockAlign},
            {"IMA ADPCM with 0 samples per block", "x",
             Wav(17, 1, 8000, 4, 256, pcm, Bytes().le16(2).le16(0)),
             AudioError::WavBadSamplesPerBlock},
            {"IMA ADPCM with more samples per block than fit", "x",
             Wav(17, 1, 8000, 4, 256, pcm, Bytes().le16(2).le16(506)),
             AudioError::WavBadSamplesPerBlock},
            {"MS ADPCM with a coefficient count past 7", "x",
             Wav(2, 1, 8000, 4, 256, pcm, Bytes().le16(32).le16(500).le16(8).zeros(28)),
             AudioError::WavBadMsAdpcmCoeffs},
            {"GSM 6.10 stereo", "x", Wav(49, 2, 8000, 0, 65, pcm, Bytes().le16(2).le16(320)),
             AudioError::WavBadGsm},
            {"GSM 6.10 with block align 64", "x",
             Wav(49, 1, 8000, 0, 64, pcm, Bytes().le16(2).le16(320)), AudioError::WavBadGsm},
            {"WAV without fmt", "x", Bytes().str("RIFF").le32(12).str("WAVEdata").le32(0),
             AudioError::WavNoFmt},
            {"WAV without data", "x",
             Bytes().str("RIFF")
                     .le32(28)
                     .str("WAVEfmt ")
                     .le32(16)
                     .le16(1)
                     .le16(1)
                     .le32(8000)
                     .le32(16000)
                     .le16(2)
                     .le16(16),
             AudioError::WavNoData},
            {"WAV fmt of 14 bytes", "x",
             Bytes().str("RIFF").le32(26).str("WAVEfmt ").le32(14).zeros(14),
             AudioError::WavFmtShort},
            {"WAV block align that does not fit the frame", "x", Wav(1, 2, 8000, 16, 2, pcm),
             AudioError::InternalError},
            {"WAV of 0 channels", "x", Wav(1, 0, 8000, 16, 0, pcm), AudioError::InfoIncomplete},
            {"WAV at 0 Hz", "x", WavPcm(1, 0, 16, pcm), AudioError::InfoIncomplete},
            {"WAV with no frames", "x", WavPcm(1, 8000, 16, Bytes()), AudioError::InfoIncomplete},
            {"WAV of 2000 channels", "x", Wav(1, 2000, 8000, 16, 4000, pcm),
             AudioError::WavBadChannels},
            {"AIFC u-law", "x", Aiff(1, 4, 16, 8000, pcm, "ulaw"), AudioError::UnimplementedFormat},
            {"AIFC fl64", "x", Aiff(1, 1, 64, 8000, pcm, "fl64"), AudioError::UnimplementedFormat},
            {"AIFF sample size 0", "x", Aiff(1, 4, 0, 8000, pcm), AudioError::InfoIncomplete},
            {"AIFF without SSND", "x",
             Bytes().str("FORM")
                     .be32(30)
                     .str("AIFFCOMM")
                     .be32(18)
                     .be16(1)
                     .be32(1)
                     .be16(16)
                     .zeros(10),
             AudioError::AiffNoSsnd},
            {"AU 64-bit float", "x", Au(true, 7, 8000, 1, pcm), AudioError::AuBadEncoding},
            {"AU G721 stereo", "x", Au(true, 23, 8000, 2, pcm), AudioError::InfoIncomplete},
            {"AU data offset inside its header", "x",
             Bytes().str(".snd").be32(8).be32(8).be32(3).be32(8000).be32(1).append(pcm),
             AudioError::AuBadHeader},
            {"PARIS 8-bit", "x", Paf(true, 0, 2, 8000, 1, pcm), AudioError::PafBadFormat},
            {"PARIS version 1", "x",
             Bytes().str(" paf").be32(1).be32(0).be32(8000).be32(0).be32(1).zeros(2030),
             AudioError::PafBadVersion},
            {"8SVX compressed", "x", Svx(false, 8000, 1, pcm), AudioError::SvxCompressed},
            {"NIST with a sample_coding", "x",
             Nist({"sample_count -i 2", "channel_count -i 1", "sample_rate -i 8000",
                   "sample_byte_format -s2 01", "sample_sig_bits -i 16", "sample_coding -s3 pcm"},
                  pcm),
             AudioError::NistBadEncoding},
            {"NIST one-character byte format", "x",
             Nist({"sample_count -i 2", "channel_count -i 1", "sample_rate -i 8000",
                   "sample_byte_format -s1 1", "sample_sig_bits -i 8"},
                  pcm),
             AudioError::NistBadEncoding},
            {"NIST without a byte format", "x",
             Nist({"sample_count -i 2", "channel_count -i 1", "sample_rate -i 8000",
                   "sample_sig_bits -i 16"},
                  pcm),
             AudioError::NistBadHeader},
            {"IRCAM marker 64 A3 02 00", "x",
             Ircam(Bytes{0x64, 0xA3, 0x02, 0x00}, false, 8000, 1, 2, pcm),
             AudioError::IrcamNoMarker},
            {"IRCAM of 300 channels", "x",
             Ircam(Bytes{0x64, 0xA3, 0x03, 0x00}, false, 8000, 300, 2, pcm),
             AudioError::IrcamBadChannels},
            {"IRCAM encoding 1", "x", Ircam(Bytes{0x64, 0xA3, 0x03, 0x00}, false, 8000, 1, 1, pcm),
             AudioError::IrcamBadEncoding},
    };
    TempDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.path(c.name);
        WriteFile(path, c.bytes);
        AudioInfo info;
        info.sampleRate = 1234; // must come back all zero
        EXPECT_EQ(AudioOpenRead(path, info), nullptr);
        EXPECT_EQ(static_cast<int>(AudioLastError()), static_cast<int>(c.code));
        EXPECT_EQ(info.sampleRate, 0u);
        EXPECT_EQ(info.format, 0u);
        ::unlink(path.c_str());
    }
}

// Containers that libsndfile can read but that the program does not accept.
TEST(OpenRead, ContainersLibsndfileReadsAreRefused)
{
    struct Case
    {
        const char *what;
        int format;
        AudioError code;
    };
    const Case cases[] = {
            {"FLAC", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, AudioError::RawBadSpec},
            {"Ogg Vorbis", SF_FORMAT_OGG | SF_FORMAT_VORBIS, AudioError::RawBadSpec},
            {"Wave64", SF_FORMAT_W64 | SF_FORMAT_PCM_16, AudioError::RawBadSpec},
            {"RF64", SF_FORMAT_RF64 | SF_FORMAT_PCM_16, AudioError::RawBadSpec},
            {"Creative Voice", SF_FORMAT_VOC | SF_FORMAT_PCM_16, AudioError::InfoIncomplete},
            {"64-bit float WAV", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, AudioError::UnimplementedFormat},
            {"AU 64-bit float", SF_FORMAT_AU | SF_FORMAT_DOUBLE, AudioError::AuBadEncoding},
            {"8-bit PARIS", SF_FORMAT_PAF | SF_FORMAT_PCM_S8, AudioError::PafBadFormat},
            {"AIFC u-law", SF_FORMAT_AIFF | SF_FORMAT_ULAW, AudioError::UnimplementedFormat},
    };
    TempDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.path("f");
        ASSERT_TRUE(WriteWithSndfile(path, c.format, 1, 8000, 2000));
        AudioInfo info;
        EXPECT_EQ(AudioOpenRead(path, info), nullptr);
        EXPECT_EQ(static_cast<int>(AudioLastError()), static_cast<int>(c.code));
    }
}

TEST(OpenRead, MissingFileLeavesInfoAsItWas)
{
    AudioInfo info;
    info.sampleRate = 1234;
    info.channels = 3;
    EXPECT_EQ(AudioOpenRead("/nonexistent/file.wav", info), nullptr);
    EXPECT_EQ(AudioLastError(), AudioError::OpenFailed);
    EXPECT_EQ(info.sampleRate, 1234u);
    EXPECT_EQ(info.channels, 3u);
    TempDir dir; // a folder is not a file
    EXPECT_EQ(AudioOpenRead(dir.root(), info), nullptr);
    EXPECT_EQ(AudioLastError(), AudioError::OpenFailed);
}

TEST(OpenRead, CallerDescribedHeaderlessFiles)
{
    TempDir dir;
    const std::string path = dir.path("raw.bin");
    WriteFile(path, Bytes().be16(0xFFFE).be16(0x0003).u8(7));
    struct Case
    {
        SampleEncoding encoding;
        uint32_t width, channels;
        AudioError code;
        uint32_t samples;
        double first;
    };
    const Case cases[] = {
            {SampleEncoding::PCM_BE, 16, 1, AudioError::None, 2, -2},
            {SampleEncoding::PCM_LE, 16, 2, AudioError::None, 1, -257},
            {SampleEncoding::PCM_S8, 8, 1, AudioError::None, 5, -1},
            {SampleEncoding::PCM_U8, 8, 1, AudioError::None, 5, 127},
            {SampleEncoding::PCM_BE, 8, 1, AudioError::UnimplementedFormat, 0, 0},
            {SampleEncoding::PCM_U8, 9, 1, AudioError::UnimplementedFormat, 0, 0},
            {SampleEncoding::ULAW, 8, 1, AudioError::RawBadSpec, 0, 0},
            {SampleEncoding::FLOAT, 32, 1, AudioError::RawBadSpec, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(SampleEncodingName(c.encoding));
        Opened f;
        f.info.format = AudioFormatWord(FormatKind::RAW, c.encoding);
        f.info.bitWidth = c.width;
        f.info.channels = c.channels;
        f.info.sampleRate = 8000;
        f.handle = AudioOpenRead(path, f.info);
        EXPECT_EQ(AudioLastError(), c.code);
        if (c.code != AudioError::None) {
            EXPECT_EQ(f.handle, nullptr);
            EXPECT_EQ(f.info.format, 0u);
            continue;
        }
        ASSERT_NE(f.handle, nullptr);
        EXPECT_EQ(f.info.samples, c.samples);
        EXPECT_EQ(f.info.sampleRate, 8000u);
        double v[2] = {99, 99};
        EXPECT_EQ(AudioReadDouble(f.handle, v, c.channels), c.channels);
        EXPECT_EQ(v[0], c.first);
    }
}

// "-" reads standard input, which cannot seek and has no known length.
TEST(OpenRead, StandardInput)
{
    TempDir dir;
    const std::string path = dir.path("in.wav");
    WriteFile(path, WavPcm(1, 8000, 16, Le16s({5, 6, 7})));
    const int saved = ::dup(STDIN_FILENO);
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ::dup2(fd, STDIN_FILENO);
    ::close(fd);
    {
        Opened f;
        f.handle = AudioOpenRead("-", f.info);
        ASSERT_NE(f.handle, nullptr);
        EXPECT_EQ(f.info.samples, 3u);
        EXPECT_EQ(f.info.seekable, 0u);
        EXPECT_EQ(ReadAll(f.handle, 1), (std::vector<double>{5, 6, 7}));
    }
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
}

TEST(ReadDouble, WholeFramesOnly)
{
    TempDir dir;
    WriteFile(dir.path("s.wav"), WavPcm(2, 8000, 16, Le16s({1, 2, 3, 4})));
    Opened f;
    f.handle = AudioOpenRead(dir.path("s.wav"), f.info);
    ASSERT_NE(f.handle, nullptr);
    double buf[4] = {9, 9, 9, 9};
    EXPECT_EQ(AudioReadDouble(f.handle, buf, 3), 0u);
    EXPECT_EQ(AudioHandleError(f.handle), AudioError::ReadNonWholeFrames);
    EXPECT_EQ(buf[0], 9);
    EXPECT_EQ(AudioReadDouble(f.handle, buf, 4), 4u);
    EXPECT_EQ(AudioHandleError(f.handle), AudioError::None);
    EXPECT_EQ(buf[3], 4);
}

// 1000 frames read in requests of 1024: where the data chunk ends the file the bytes
// run out (a short read that leaves the rest of the buffer alone); where another chunk
// follows, the read is cut to the data's length and the rest reads as silence.
TEST(ReadDouble, EndOfDataShortReadAndCut)
{
    Bytes data;
    for (int i = 0; i < 1000; ++i)
        data.le16(static_cast<uint16_t>(i + 1));
    const Bytes list = Bytes().str("LIST").le32(4096).zeros(4096);
    for (bool chunkFollows : {false, true}) {
        SCOPED_TRACE(chunkFollows ? "chunk follows" : "data last");
        TempDir dir;
        WriteFile(dir.path("m.wav"),
                  Wav(1, 1, 8000, 16, 2, data, {}, chunkFollows ? list : Bytes()));
        Opened f;
        f.handle = AudioOpenRead(dir.path("m.wav"), f.info);
        ASSERT_NE(f.handle, nullptr);
        EXPECT_EQ(f.info.samples, 1000u);
        std::vector<double> buf(1024, -1.0);
        EXPECT_EQ(AudioReadDouble(f.handle, buf.data(), 1024), 1000u);
        EXPECT_EQ(buf[999], 1000.0);
        EXPECT_EQ(AudioHandleError(f.handle),
                  chunkFollows ? AudioError::None : AudioError::ShortRead);
        EXPECT_EQ(buf[1000], chunkFollows ? 0.0 : -1.0);
        EXPECT_EQ(buf[1023], chunkFollows ? 0.0 : -1.0);
        std::fill(buf.begin(), buf.end(), -1.0);
        EXPECT_EQ(AudioReadDouble(f.handle, buf.data(), 1024), 0u);
        EXPECT_EQ(std::count(buf.begin(), buf.end(), 0.0), 1024);
    }
}

TEST(ReadDouble, BlocksOfEqualSizeEndWithOneShortBlock)
{
    TempDir dir;
    ASSERT_TRUE(
            WriteWithSndfile(dir.path("m.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000, 2500));
    Opened f;
    f.handle = AudioOpenRead(dir.path("m.wav"), f.info);
    ASSERT_NE(f.handle, nullptr);
    std::vector<double> buf(1024);
    std::vector<uint32_t> counts;
    for (int i = 0; i < 4; ++i)
        counts.push_back(AudioReadDouble(f.handle, buf.data(), 1024));
    EXPECT_EQ(counts, (std::vector<uint32_t>{1024, 1024, 452, 0}));
}

// A file shorter than its header says reads what is there and reports a short read.
TEST(ReadDouble, TruncatedDataReadsWhatIsThere)
{
    TempDir dir;
    Bytes file = Aiff(1, 100, 16, 8000, Be16s({1, 2, 3}));
    WriteFile(dir.path("t.aif"), file);
    Opened f;
    f.handle = AudioOpenRead(dir.path("t.aif"), f.info);
    ASSERT_NE(f.handle, nullptr);
    EXPECT_EQ(f.info.samples, 100u);
    double buf[64];
    EXPECT_EQ(AudioReadDouble(f.handle, buf, 64), 3u);
    EXPECT_EQ(AudioHandleError(f.handle), AudioError::ShortRead);
}
