// Opening, describing and reading files: every accepted container and encoding describes
// as it should and converts to what an independent decoder reads; every refusal carries
// its code; each container's channel limit; and the description's hold on its input.
#include "audio_file_info.h"
#include "container.h"
#include "fixtures.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>
#include <set>

using namespace fixtures;

namespace {

int OpenDescriptors()
{
    auto it = std::filesystem::directory_iterator("/proc/self/fd");
    return static_cast<int>(std::distance(it, std::filesystem::directory_iterator()));
}

std::vector<std::string> Texts(const CAudioFileInfo &a)
{
    return {a.m_strFormat, a.m_strSampleRate, a.m_strSamples, a.m_strChannels, a.m_strBitWidth};
}

} // namespace

// The damaged-file tests and the fuzz targets' seeds walk the same fixtures, so every kind of
// every container that reads files must have one.
TEST(Reading, AcceptedFilesDescribeAndConvertAsAnotherDecoderReadsThem)
{
    TempDir dir;
    std::set<FormatKind> covered;
    for (const AcceptedFixture &f : AcceptedFixtures()) {
        SCOPED_TRACE(f.what);
        covered.insert(f.kind);
        const std::string path = dir.path(f.fileName);
        WriteFile(path, BytesOf(f, 5000));
        CAudioFileInfo audio;
        audio.SetInputPath(path);
        ASSERT_TRUE(audio.Describe()) << static_cast<int>(audio.GetOutcome().code);
        const AudioInfo info = audio.GetInfo();
        EXPECT_EQ(AudioFormatKind(info.format), f.kind);
        EXPECT_EQ(AudioSampleEncoding(info.format), f.encoding);
        EXPECT_EQ(info.sections, 1u); // and it can seek, but for the codecs decoded from the start
        EXPECT_EQ(info.seekable, (std::set{SampleEncoding::GSM610, SampleEncoding::G721_32,
                                           SampleEncoding::G723_24}.count(f.encoding) == 0));
        EXPECT_EQ(audio.m_strEncoding, f.encodingName);
        // Block codecs hold whole blocks: at least what was written, less than a block more.
        const uint32_t samples = f.samples ? f.samples : info.samples;
        EXPECT_TRUE(f.samples || (samples >= 5000 && samples < 5000 + 4096)) << samples;
        EXPECT_EQ(
                Texts(audio),
                (std::vector<std::string>{f.format, std::to_string(f.rate), std::to_string(samples),
                                          std::to_string(f.channels), std::to_string(f.bitWidth)}));

        audio.SetOutputPath(dir.path("out.wav"));
        ASSERT_TRUE(audio.Convert());
        const auto written = WavSamples(ReadFile(dir.path("out.wav")), f.channels, f.rate);
        ASSERT_EQ(written.value_or(std::vector<int16_t>{}).size(), size_t(samples) * f.channels);
        std::vector<int16_t> expected = ExpectedConversion(f, path);
        // Block codecs hold whole blocks, which read as silence past the decoder's count.
        ASSERT_GE(expected.size() + (f.sndfileFormat ? 4096 * f.channels : 0), written->size());
        expected.resize(written->size());
        EXPECT_EQ(*written, expected);
    }
    // orvex-cli's manual lists every kind that --json can give.
    const std::vector<uint8_t> page = ReadFile(ORVEX_SOURCE_DIR "/packaging/orvex-cli.1.in");
    const std::string manual(page.begin(), page.end());
    const size_t kinds = manual.find("\n.B kind\n"), encodings = manual.find("\n.B encoding\n");
    for (const orvex::Container *container : orvex::Containers())
        for (const orvex::KindName &names : container->Kinds()) {
            if (!container->ListedAs())
                continue;
            EXPECT_TRUE(covered.count(names.kind))
                    << container->Name() << " (" << names.enumName << ") has no fixture";
            const size_t at = manual.find(std::string("\n.BR ") + names.enumName + " ", kinds);
            EXPECT_LT(at, encodings) << names.enumName << " is not among orvex-cli.1's kinds";
        }
}

TEST(Reading, DurationToTheMillisecond)
{
    EXPECT_EQ(DurationText(110250, 44100), "0:02.500");
    EXPECT_EQ(DurationText(9045792, 44100), "3:25.120"); // 205.1200...
    EXPECT_EQ(DurationText(3, 2000), "0:00.002"); // 1.5 ms, to the nearest
    EXPECT_EQ(DurationText(uint64_t(3723004) * 48, 48000), "1:02:03.004");
    EXPECT_EQ(DurationText(5, 0), "0:00.000");
    EXPECT_EQ(DurationText(15, 10, 1), "0:01.5"); // the one place of rates up to 10 Hz
    // The places that tell every frame apart: 10^places reaches the rate.
    for (auto [rate, places] : {std::pair{1u, 0}, {2u, 1}, {10u, 1}, {11u, 2}, {1000u, 3},
                                {8000u, 4}, {100000u, 5}, {4294967295u, 9}})
        EXPECT_EQ(DecimalsForFrames(rate), places) << rate;
}

TEST(Reading, RefusalsCarryTheirCodes)
{
    struct Case
    {
        const char *what, *name;
        Bytes bytes;
        AudioError code;
    };
    using A = AudioError;
    const Bytes pcm = Le16s({1, 2, 3, 4}), ima = Bytes().le16(2).le16(505);
    auto sndfile = [](int format) { return WrittenBySndfile(format, 1, 8000, 2000); };
    auto nist = [&](const std::string &extra) {
        return Nist({"sample_count -i 2", "channel_count -i 1", "sample_rate -i 8000", extra}, pcm);
    };
    auto ircam = [&](uint8_t third, uint32_t channels, uint32_t encoding) {
        return Ircam({0x64, 0xA3, third, 0}, false, 8000, channels, encoding, pcm);
    };
    // clang-format off
    const Case cases[] = {
        {"plain text", "notes.txt", Bytes().str("just some words\n"), A::RawBadSpec},
        {"RIFF that is not WAVE", "x.wav", Bytes().str("RIFF").le32(4).str("AVI "), A::RawBadSpec},
        {"an IFF picture", "pic.au", Bytes().str("FORM").be32(4).str("ILBM"), A::UnknownFormat},
        {"empty header-less u-law", "a.au", Bytes(), A::InfoIncomplete},
        {"Windows Media", "x", {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0, 0xAA}, A::UnknownFormat},
        {"REX2", "x", Bytes().str("CAT ").be32(0).str("REX2"), A::UnknownFormat},
        {"Samplitude", "x", Bytes().str("SEKDSAMR").zeros(40), A::InfoIncomplete},
        {"Creative Voice", "x", Bytes().str("Creative Voice File\x1A").le16(26).le16(0x10A).le16(0x1129).zeros(8), A::InfoIncomplete},
        {"Creative Voice, data inside the header", "x", Bytes().str("Creative Voice File\x1A").le16(25).le16(0x10A).le16(0x1129).zeros(8), A::VocBadOffset},
        {"Creative Voice, bad checksum", "x", Bytes().str("Creative Voice File\x1A").le16(26).le16(0x10A).le16(0x1234).zeros(8), A::VocBadChecksum},
        {"WAV MPEG", "x", Wav(0x55, 1, 8000, 0, 1, pcm), A::UnimplementedFormat},
        {"WAV PCM of 0 bits", "x", Wav(1, 1, 8000, 0, 2, pcm), A::UnimplementedFormat},
        {"WAV PCM of 33 bits", "x", Wav(1, 1, 8000, 33, 5, pcm), A::UnimplementedFormat},
        {"WAV extensible of another sub-format", "x", WavExtensible(0x55, 1, 8000, 16, pcm), A::UnimplementedFormat},
        {"IMA ADPCM of 3 bits", "x", Wav(17, 1, 8000, 3, 256, pcm, ima), A::WavAdpcmNotFourBit},
        {"IMA ADPCM of 3 channels", "x", Wav(17, 3, 8000, 4, 256, pcm, ima), A::WavAdpcmBadChannels},
        {"IMA ADPCM of 0 channels", "x", Wav(17, 0, 8000, 4, 256, pcm, ima), A::WavAdpcmBadChannels},
        {"IMA ADPCM, block align 0", "x", Wav(17, 1, 8000, 4, 0, pcm, ima), A::WavBadBlockAlign},
        {"IMA ADPCM, 0 samples per block", "x", Wav(17, 1, 8000, 4, 256, pcm, Bytes().le16(2).le16(0)), A::WavBadSamplesPerBlock},
        {"IMA ADPCM, too many samples per block", "x", Wav(17, 1, 8000, 4, 256, pcm, Bytes().le16(2).le16(506)), A::WavBadSamplesPerBlock},
        {"MS ADPCM, 8 coefficients", "x", Wav(2, 1, 8000, 4, 256, pcm, Bytes().le16(32).le16(500).le16(8).zeros(32)), A::WavBadMsAdpcmCoeffs},
        {"GSM 6.10 stereo", "x", Wav(49, 2, 8000, 0, 65, pcm, Bytes().le16(2).le16(320)), A::WavBadGsm},
        {"GSM 6.10, block align 64", "x", Wav(49, 1, 8000, 0, 64, pcm, Bytes().le16(2).le16(320)), A::WavBadGsm},
        {"WAV without fmt", "x", Bytes().str("RIFF").le32(12).str("WAVEdata").le32(0), A::WavNoFmt},
        {"WAV without data", "x", Bytes().str("RIFF").le32(28).str("WAVEfmt ").le32(16).le16(1).le16(1).le32(8000).le32(16000).le16(2).le16(16), A::WavNoData},
        {"WAV fmt of 14 bytes", "x", Bytes().str("RIFF").le32(26).str("WAVEfmt ").le32(14).zeros(14), A::WavFmtShort},
        {"WAV block align not a frame", "x", Wav(1, 2, 8000, 16, 2, pcm), A::InternalError},
        {"WAV of 0 channels", "x", Wav(1, 0, 8000, 16, 0, pcm), A::InfoIncomplete},
        {"WAV of 0-bit samples", "x", Wav(1, 1, 8000, 0, 2, pcm), A::UnimplementedFormat},
        {"WAV at 0 Hz", "x", WavPcm(1, 0, 16, pcm), A::InfoIncomplete},
        {"WAV with no frames", "x", WavPcm(1, 8000, 16, Bytes()), A::InfoIncomplete},
        {"WAV of 2000 channels", "x", Wav(1, 2000, 8000, 16, 4000, pcm), A::WavBadChannels},
        {"AIFC u-law", "x", Aiff(1, 4, 16, 8000, pcm, "ulaw"), A::UnimplementedFormat},
        {"AIFC fl64", "x", Aiff(1, 1, 64, 8000, pcm, "fl64"), A::UnimplementedFormat},
        {"AIFF sample size 0", "x", Aiff(1, 4, 0, 8000, pcm), A::InfoIncomplete},
        {"AIFF at 2^32 Hz", "x", Aiff(1, 4, 16, 4294967296.0, pcm), A::AiffBadSampleRate},
        {"AIFF at -0 Hz (no mantissa bit, any exponent), as at 0", "x", Bytes().str("FORM").be32(46).str("AIFFCOMM").be32(18).be16(1).be32(1).be16(16).be16(0xC040).zeros(8).str("SSND").be32(10).be32(0).be32(0).be16(1), A::InfoIncomplete},
        {"AIFF data offset past its SSND", "x", Bytes().str("FORM").be32(46).str("AIFFCOMM").be32(18).be16(1).be32(1).be16(16).zeros(10).str("SSND").be32(10).be32(3).be32(0).be16(1), A::AiffBadSsndOffset},
        {"AIFF without SSND", "x", Bytes().str("FORM").be32(30).str("AIFFCOMM").be32(18).be16(1).be32(1).be16(16).zeros(10), A::AiffNoSsnd},
        {"AU 64-bit float", "x", Au(true, 7, 8000, 1, pcm), A::AuBadEncoding},
        {"AU that ends where its data starts", "x", Au(true, 3, 8000, 1, Bytes()), A::InfoIncomplete},
        {"AU G721 stereo", "x", Au(true, 23, 8000, 2, pcm), A::InfoIncomplete},
        {"AU data inside its header", "x", Bytes().str(".snd").be32(8).be32(8).be32(3).be32(8000).be32(1).append(pcm), A::AuBadHeader},
        {"PARIS 8-bit", "x", Paf(true, 0, 2, 8000, 1, pcm), A::PafBadFormat},
        {"PARIS version 1", "x", Bytes().str(" paf").be32(1).be32(0).be32(8000).be32(0).be32(1).zeros(2030), A::PafBadVersion},
        {"8SVX compressed", "x", Svx(false, 8000, 1, pcm), A::SvxCompressed},
        {"NIST with a sample_coding, past a bare name", "x", nist("sample_byte_format -s2 01\nsample_sig_bits -i 16\nsample_rate\nsample_coding -s3 pcm"), A::NistBadEncoding},
        {"NIST one-character byte format", "x", nist("sample_byte_format -s1 1\nsample_sig_bits -i 8"), A::NistBadEncoding},
        {"NIST five-character byte format", "x", nist("sample_byte_format -s5 01234\nsample_sig_bits -i 16"), A::NistBadEncoding},
        {"NIST without a byte format", "x", nist("sample_sig_bits -i 16"), A::NistBadHeader},
        {"NIST with a bit count not a whole number", "x", nist("sample_byte_format -s2 01\nsample_sig_bits -r 16.0"), A::NistBadHeader},
        {"NIST of 17 bits in two bytes", "x", nist("sample_byte_format -s2 01\nsample_sig_bits -i 17"), A::NistBadHeader},
        {"IRCAM marker 64 A3 02 00", "x", ircam(2, 1, 2), A::IrcamNoMarker},
        {"IRCAM of 300 channels", "x", ircam(3, 300, 2), A::IrcamBadChannels},
        {"IRCAM encoding 1", "x", ircam(3, 1, 1), A::IrcamBadEncoding},
        {"FLAC", "x", sndfile(SF_FORMAT_FLAC | SF_FORMAT_PCM_16), A::RawBadSpec},
        {"Ogg Vorbis", "x", sndfile(SF_FORMAT_OGG | SF_FORMAT_VORBIS), A::RawBadSpec},
        {"Wave64", "x", sndfile(SF_FORMAT_W64 | SF_FORMAT_PCM_16), A::RawBadSpec},
        {"RF64", "x", sndfile(SF_FORMAT_RF64 | SF_FORMAT_PCM_16), A::RawBadSpec},
        {"Creative Voice by libsndfile", "x", sndfile(SF_FORMAT_VOC | SF_FORMAT_PCM_16), A::InfoIncomplete},
        {"64-bit float WAV", "x", sndfile(SF_FORMAT_WAV | SF_FORMAT_DOUBLE), A::UnimplementedFormat},
        {"8-bit PARIS", "x", sndfile(SF_FORMAT_PAF | SF_FORMAT_PCM_S8), A::PafBadFormat},
    };
    // clang-format on
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
        std::filesystem::remove(path);
    }
    // A file that cannot be opened at all leaves `info` as it came.
    AudioInfo info;
    info.channels = 3;
    for (const std::string &path : {dir.path("missing.wav"), dir.root()}) {
        EXPECT_EQ(AudioOpenRead(path, info), nullptr);
        EXPECT_EQ(AudioLastError(), AudioError::OpenFailed);
        EXPECT_EQ(info.channels, 3u);
    }
}

// Containers read the most channels their files may have and refuse one more, with their own
// code; a file on disk says it can seek.
TEST(Reading, MostChannelsInEveryContainer)
{
    using Builder = Bytes (*)(uint16_t channels, const Bytes &frame);
    const Builder builders[] = {
            [](uint16_t n, const Bytes &f) { return WavPcm(n, 8000, 16, f); },
            [](uint16_t n, const Bytes &f) { return Aiff(n, 1, 16, 8000, f); },
            [](uint16_t n, const Bytes &f) { return Au(true, 3, 8000, n, f); },
            [](uint16_t n, const Bytes &f) { return Paf(true, 0, 0, 8000, n, f); },
            [](uint16_t n, const Bytes &f) {
                return Ircam({0x64, 0xA3, 0x03, 0x00}, false, 8000, n, 2, f);
            },
            [](uint16_t n, const Bytes &f) {
                return Nist({"sample_count -i 1", "channel_count -i " + std::to_string(n),
                             "sample_rate -i 8000", "sample_byte_format -s2 10",
                             "sample_sig_bits -i 16"},
                            f);
            },
    };
    TempDir dir;
    for (Builder build : builders) {
        unsigned char head[12] = {};
        std::memcpy(head, build(1, Bytes().zeros(2)).data().data(), sizeof head);
        const orvex::ChannelLimit limit = orvex::RecogniseContainer(head, "f")->MostChannels();
        for (uint32_t channels : {limit.most, limit.most + 1}) {
            SCOPED_TRACE(std::to_string(channels) + " channels");
            WriteFile(dir.path("f"), build(uint16_t(channels), Bytes().zeros(2u * channels)));
            AudioInfo info;
            AudioClose(AudioOpenRead(dir.path("f"), info));
            EXPECT_EQ(info.channels, channels > limit.most ? 0u : channels);
            EXPECT_EQ(info.seekable, channels > limit.most ? 0u : 1u); // a flag, 1 or 0
            EXPECT_EQ(AudioLastError(), channels > limit.most ? limit.code : AudioError::None);
        }
    }
}

TEST(Reading, CallerDescribedHeaderlessFiles)
{
    TempDir dir;
    WriteFile(dir.path("raw.bin"), Bytes().be16(0xFFFE).be16(0x0003).u8(7));
    struct Case
    {
        SampleEncoding encoding;
        uint32_t width, channels;
        AudioError code;
        uint32_t samples = 0;
        int16_t first = 0;
    };
    using E = SampleEncoding;
    const Case cases[] = {
            {E::PCM_BE, 16, 1, AudioError::None, 2, -2},
            {E::PCM_LE, 16, 2, AudioError::None, 1, -257},
            {E::PCM_S8, 8, 1, AudioError::None, 5, -256},
            {E::PCM_U8, 8, 1, AudioError::None, 5, 32512},
            {E::PCM_BE, 8, 1, AudioError::UnimplementedFormat},
            {E::PCM_U8, 9, 1, AudioError::UnimplementedFormat},
            {E::PCM_LE, 33, 1, AudioError::UnimplementedFormat},
            {E::PCM_BE, 9, 1, AudioError::None, 2, -2},
            {E::ULAW, 8, 1, AudioError::RawBadSpec},
    };
    for (const Case &c : cases) {
        AudioInfo info{8000, 0, c.channels, c.width, AudioFormatWord(FormatKind::RAW, c.encoding)};
        AudioHandle *h = AudioOpenRead(dir.path("raw.bin"), info);
        EXPECT_EQ(AudioLastError(), c.code) << SampleEncodingName(c.encoding) << c.width;
        EXPECT_EQ(h != nullptr, c.code == AudioError::None);
        EXPECT_EQ(info.samples, c.samples);
        int16_t v[2] = {99, 99};
        EXPECT_EQ(AudioReadSixteen(h, v, c.channels), h ? c.channels : 0);
        EXPECT_EQ(v[0], h ? c.first : 99);
        AudioClose(h);
    }
}

// The description holds at most one input open, closes it when a Describe fails or when
// it is destroyed, and keeps its texts when a Describe fails.
TEST(Reading, DescriptionHoldsOneInput)
{
    TempDir dir;
    WriteFile(dir.path("a.wav"), WavPcm(1, 8000, 16, Le16s({1, 2})));
    WriteFile(dir.path("b.wav"), WavPcm(2, 22050, 16, Le16s({1, 2})));
    const int before = OpenDescriptors();
    {
        CAudioFileInfo audio;
        EXPECT_FALSE(audio.Describe()); // no path yet
        audio.SetInputPath(dir.path("a.wav"));
        EXPECT_EQ(OpenDescriptors(), before); // setting the path opens nothing
        ASSERT_TRUE(audio.Describe());
        audio.SetInputPath(dir.path("b.wav"));
        ASSERT_TRUE(audio.Describe());
        EXPECT_EQ(OpenDescriptors(), before + 1);
        const std::vector<std::string> described = Texts(audio);
        EXPECT_EQ(described[1], "22050");
        for (const char *name : {"", "missing.wav"}) {
            audio.SetInputPath(*name ? dir.path(name) : "");
            EXPECT_FALSE(audio.Describe());
            EXPECT_EQ(Texts(audio), described);
        }
        EXPECT_EQ(OpenDescriptors(), before);
        audio.SetInputPath(dir.path("a.wav"));
        ASSERT_TRUE(audio.Describe());
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

// A refused file is named for what it is, from its opening bytes, in a sentence that says
// what Orvex reads instead.
TEST(Reading, RefusedFilesAreNamedForWhatTheyAre)
{
    const std::string others = ". Orvex reads " + orvex::ListOfReadContainers() + " files.";
    const Bytes pcm = Le16s({1, 2});
    // clang-format off
    const std::tuple<const char *, Bytes, std::string> cases[] = {
        {"song.mp3", Bytes().str("ID3").u8(4).zeros(20), "song.mp3 is an MP3 file" + others},
        {"song.mp3", {0xFF, 0xFB, 0x90, 0x64, 0, 0}, "song.mp3 is an MP3 file" + others},
        {"a.aac", {0xFF, 0xF1, 0x50, 0x80, 0, 0}, "a.aac is an AAC file" + others},
        {"a.flac", Bytes().str("fLaC").zeros(40), "a.flac is a FLAC file" + others},
        {"a.ogg", Bytes().str("OggS").zeros(24).str("\x01vorbis").zeros(20), "a.ogg is an Ogg Vorbis file" + others},
        {"a.opus", Bytes().str("OggS").zeros(24).str("OpusHead").zeros(20), "a.opus is an Opus file" + others},
        {"a.m4a", Bytes().be32(32).str("ftypM4A ").zeros(20), "a.m4a is an M4A/AAC file" + others},
        {"a.w64", Bytes().str("riff").append({0x2E, 0x91, 0xCF, 0x11}).zeros(30), "a.w64 is a Wave64 file" + others},
        {"a.wav", Bytes().str("RF64").le32(0xFFFFFFFF).str("WAVE").zeros(20), "a.wav is an RF64 file" + others},
        {"a.caf", Bytes().str("caff").zeros(20), "a.caf is a CAF file" + others},
        {"a.mid", Bytes().str("MThd").be32(6).zeros(6), "a.mid is a MIDI file" + others},
        {"a.voc", Bytes().str("Creative Voice File\x1A").le16(26).le16(0x10A).le16(0x1129).zeros(8), "a.voc is a Creative Voice file" + others},
        {"notes.txt", Bytes().str("just some words\n"), "notes.txt is not an audio file that Orvex recognises" + others},
        {"d.wav", Wav(3, 1, 8000, 64, 8, pcm), "d.wav is a 64-bit float WAV file; Orvex reads integer PCM and 32-bit float WAV."},
        {"m.wav", Wav(0x55, 1, 8000, 0, 1, pcm), "m.wav is an MP3-in-WAV file; Orvex reads WAV of integer PCM, 32-bit float, u-law, A-law, IMA and Microsoft ADPCM and GSM 6.10."},
        {"u.aifc", Aiff(1, 4, 16, 8000, pcm, "ulaw"), "u.aifc is a u-law AIFC file; Orvex reads uncompressed AIFF and AIFC, and 32-bit float AIFC."},
        {"d.au", Au(true, 7, 8000, 1, pcm), "d.au is a 64-bit float AU file; Orvex reads AU of 8- to 32-bit PCM, 32-bit float, u-law, A-law, G721 and G723."},
        {"p.paf", WrittenBySndfile(SF_FORMAT_PAF | SF_FORMAT_PCM_S8, 1, 8000, 10), "p.paf is an 8-bit PARIS file; Orvex reads 16- and 24-bit PARIS."},
        {"s.nist", Nist({"sample_byte_format -s2 01", "sample_coding -s3 pcm"}, pcm), "s.nist is a NIST Sphere file; its header names a sample coding (pcm), which Orvex does not read."},
        {"b.wav", Wav(1, 2, 8000, 16, 2, pcm), "b.wav is a WAV file; its header's block size (2 bytes) does not match 2 channels of 16-bit samples (4 bytes)."},
        {"s.sf", Ircam({0x64, 0xA3, 0x01, 0x00}, false, 8000, 1, 2, pcm), "s.sf is an IRCAM file; its header's marker (64 A3 01 00) is one Orvex does not read."},
        {"x.wav", Bytes().str("RIFF").le32(12).str("WAVEdata").le32(0), "x.wav is a WAV file that Orvex cannot read: its header is damaged or incomplete."},
        {"empty.wav", Bytes(), "empty.wav is empty."},
    };
    // clang-format on
    TempDir dir;
    for (const auto &[name, bytes, sentence] : cases) {
        WriteFile(dir.path(name), bytes);
        CAudioFileInfo audio;
        audio.SetInputPath(dir.path(name));
        EXPECT_FALSE(audio.Describe());
        EXPECT_EQ(audio.GetOutcome().explanation, sentence);
        std::filesystem::remove(dir.path(name));
    }
    for (const auto &[path, sentence] :
         {std::pair{dir.root(), dir.root().substr(5) + " is a folder, not a file."},
          {dir.path("gone.wav"), "gone.wav does not exist."}}) {
        CAudioFileInfo audio;
        audio.SetInputPath(path);
        EXPECT_FALSE(audio.Describe());
        EXPECT_EQ(audio.GetOutcome().explanation, sentence);
    }
}
