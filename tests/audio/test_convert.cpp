// CAudioFileInfo::Convert: the scale for each width, floats, blocks of whole frames,
// the handle states, and a conversion that never destroys what it should not (the
// failures that users meet are in tests/cli/test_users_files.cpp).
#include "audio_file_info.h"
#include "fixtures.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <sys/stat.h>

using namespace fixtures;

namespace {

std::vector<int16_t> OutputSamples(const std::string &path)
{
    const std::vector<uint8_t> b = ReadFile(path);
    std::vector<int16_t> out;
    for (size_t i = 44; i + 1 < b.size(); i += 2)
        out.push_back(static_cast<int16_t>(b[i] | (b[i + 1] << 8)));
    return out;
}

// Converts `input` to `output` the way the window does: describe, then convert.
bool ConvertFile(CAudioFileInfo &audio, const std::string &input, const std::string &output)
{
    audio.SetInputPath(input);
    if (!audio.Describe())
        return false;
    audio.SetOutputPath(output);
    return audio.Convert();
}

bool ConvertFile(const std::string &input, const std::string &output)
{
    CAudioFileInfo audio;
    return ConvertFile(audio, input, output);
}

} // namespace

TEST(Convert, ScalesEachWidthByAPowerOfTwo)
{
    struct Case
    {
        const char *what;
        Bytes file;
        std::vector<int16_t> expected;
    };
    const Case cases[] = {
            {"8-bit WAV", WavPcm(1, 8000, 8, Bytes{0x00, 0xFF, 0x80}), {-32768, 32512, 0}},
            {"8-bit AIFF", Aiff(1, 2, 8, 8000, Bytes{0x80, 0x7F}), {-32768, 32512}},
            {"16-bit unchanged",
             WavPcm(1, 8000, 16, Bytes().le16(0x8000).le16(1).le16(0x7FFF)),
             {-32768, 1, 32767}},
            {"24-bit truncated",
             WavPcm(1, 8000, 24,
                    Bytes().le24(0x7FFFFF).le24(0x800001).le24(0x800000).le24(0xFFFF01)),
             {32767, -32767, -32768, 0}},
            {"32-bit truncated",
             WavPcm(1, 8000, 32,
                    Bytes().le32(0x7FFFFFFF).le32(0x80000000).le32(65536).le32(uint32_t(-65537))),
             {32767, -32768, 1, -1}},
            // A declared width that is not whole bytes reads in its container's range and
            // is scaled from it: a 12-bit WAV as 16-bit values, a 20-bit one as 24-bit.
            {"12-bit WAV",
             Wav(1, 1, 8000, 12, 2, Bytes().le16(0x7FF0).le16(0x8000)),
             {32752, -32768}},
            {"20-bit WAV",
             Wav(1, 1, 8000, 20, 3, Bytes().le24(0x7FFFF0).le24(0x800000)),
             {32767, -32768}},
            {"u-law", Au(true, 1, 8000, 1, Bytes{0x00, 0x80}), {-32124, 32124}},
            // Floats take 2^15 and are held within 16 bits before the truncation.
            {"float",
             Wav(3, 1, 8000, 32, 4,
                 Bytes().f32le(0.5f)
                         .f32le(-0.5f)
                         .f32le(1.0f)
                         .f32le(-1.0f)
                         .f32le(1.5f)
                         .f32le(-1.5f)
                         .f32le(0.99999f)
                         .f32le(std::nanf(""))),
             {16384, -16384, 32767, -32768, 32767, -32768, 32767, 0}},
            {"IRCAM float, big-endian",
             Ircam(Bytes{0x64, 0xA3, 0x04, 0x00}, true, 8000, 1, 4,
                   Bytes().f32be(0.25f).f32be(-2.0f)),
             {8192, -32768}},
    };
    TempDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(dir.path("in"), c.file);
        ASSERT_TRUE(ConvertFile(dir.path("in"), dir.path("out.wav")));
        EXPECT_EQ(OutputSamples(dir.path("out.wav")), c.expected);
    }
}

TEST(Convert, CountsClippedFloats)
{
    TempDir dir;
    WriteFile(dir.path("f.wav"),
              Wav(3, 1, 8000, 32, 4,
                  Bytes().f32le(1.0f).f32le(1.5f).f32le(-1.5f).f32le(-1.0f).f32le(0.1f)));
    CAudioFileInfo audio;
    ASSERT_TRUE(ConvertFile(audio, dir.path("f.wav"), dir.path("o.wav")));
    // +1.0 is one step past the largest 16-bit sample; -1.0 is exactly the smallest.
    EXPECT_EQ(audio.GetOutcome().clippedSamples, 3u);
    WriteFile(dir.path("i.wav"), WavPcm(1, 8000, 16, Bytes().le16(0x7FFF).le16(0x8000)));
    ASSERT_TRUE(ConvertFile(audio, dir.path("i.wav"), dir.path("o.wav")));
    EXPECT_EQ(audio.GetOutcome().clippedSamples, 0u);
}

// Blocks of whole frames (1024 values mono, 512 frames stereo, 341 frames of three
// channels, 170 of six): every frame of the input reaches the output, including
// lengths that are a whole number of blocks. libsndfile reads the result back.
TEST(Convert, EveryFrameOfAnyChannelCountArrives)
{
    TempDir dir;
    for (int channels : {1, 2, 3, 6})
        for (int frames : {1, 341, 2048, 2500}) {
            SCOPED_TRACE(std::to_string(channels) + " channels, " + std::to_string(frames)
                         + " frames");
            ASSERT_TRUE(WriteWithSndfile(dir.path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                                         channels, 22050, frames));
            ASSERT_TRUE(ConvertFile(dir.path("in.wav"), dir.path("out.wav")));
            int inChannels = 0, inRate = 0, outChannels = 0, outRate = 0;
            std::vector<int16_t> in, out;
            ASSERT_TRUE(ReadWithSndfile(dir.path("in.wav"), inChannels, inRate, in));
            ASSERT_TRUE(ReadWithSndfile(dir.path("out.wav"), outChannels, outRate, out));
            EXPECT_EQ(outChannels, channels);
            EXPECT_EQ(outRate, 22050);
            EXPECT_EQ(out, in);
        }
}

// 24-bit input read back through libsndfile: each output sample is the input value
// divided by 256 and truncated toward zero.
TEST(Convert, TwentyFourBitThroughTheOracle)
{
    TempDir dir;
    ASSERT_TRUE(
            WriteWithSndfile(dir.path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 48000, 3000));
    ASSERT_TRUE(ConvertFile(dir.path("in.wav"), dir.path("out.wav")));
    SF_INFO info{};
    SNDFILE *sf = sf_open(dir.path("in.wav").c_str(), SFM_READ, &info);
    ASSERT_NE(sf, nullptr);
    std::vector<int> raw(6000);
    ASSERT_EQ(sf_readf_int(sf, raw.data(), 3000), 3000);
    sf_close(sf);
    int channels = 0, rate = 0;
    std::vector<int16_t> out;
    ASSERT_TRUE(ReadWithSndfile(dir.path("out.wav"), channels, rate, out));
    ASSERT_EQ(out.size(), raw.size());
    for (size_t i = 0; i < raw.size(); ++i)
        ASSERT_EQ(out[i], static_cast<int16_t>(std::trunc((raw[i] / 256) / 256.0))) << i;
}

TEST(Convert, StatesAfterSuccessAndSecondConvert)
{
    TempDir dir;
    WriteFile(dir.path("in.wav"), WavPcm(2, 48000, 24, Bytes().le24(0x123456).le24(0x654321)));
    CAudioFileInfo audio;
    ASSERT_TRUE(ConvertFile(audio, dir.path("in.wav"), dir.path("a.wav")));
    // The texts still describe the input; the info describes the output.
    EXPECT_EQ(audio.m_strBitWidth, "24");
    EXPECT_EQ(audio.GetInfo().bitWidth, 16u);
    EXPECT_EQ(audio.GetInfo().format, 0x10001u);
    EXPECT_EQ(audio.GetInfo().channels, 2u);
    EXPECT_EQ(audio.GetInfo().sampleRate, 48000u);
    // Again, without a new Describe: the input is opened afresh from its path.
    audio.SetOutputPath(dir.path("b.wav"));
    ASSERT_TRUE(audio.Convert());
    EXPECT_EQ(ReadFile(dir.path("a.wav")), ReadFile(dir.path("b.wav")));
    EXPECT_EQ(ReadFile(dir.path("a.wav")).size(), 48u);
}

TEST(Convert, OutputThatCannotBeCreated)
{
    TempDir dir;
    // 257 channels: the reader takes them, the writer does not.
    Bytes frame;
    frame.zeros(257 * 2);
    WriteFile(dir.path("wide.wav"), Wav(1, 257, 8000, 16, 257 * 2, frame));
    CAudioFileInfo audio;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(ConvertFile(audio, dir.path("wide.wav"), dir.path("out.wav")));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Not able to open output file " + dir.path("out.wav") + ".\n");
    EXPECT_EQ(audio.GetOutcome().code, AudioError::BadOpenFormat);
    EXPECT_TRUE(audio.GetOutcome().onOutput);
    EXPECT_EQ(FolderEntries(dir.root()), std::vector<std::string>{"wide.wav"});

    // No output path at all (a host that gave fewer than three parameters).
    WriteFile(dir.path("in.wav"), WavPcm(1, 8000, 16, Bytes().le16(1)));
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.root());
    testing::internal::CaptureStdout();
    EXPECT_FALSE(ConvertFile(audio, dir.path("in.wav"), ""));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Not able to open output file .\n");
    std::filesystem::current_path(cwd);
    EXPECT_EQ(audio.GetOutcome().code, AudioError::OpenFailed);
    EXPECT_EQ(FolderEntries(dir.root()), (std::vector<std::string>{"in.wav", "wide.wav"}));

    // An input that cannot be opened: nothing is printed or created.
    testing::internal::CaptureStdout();
    audio.SetInputPath(dir.path("missing.wav"));
    audio.SetOutputPath(dir.path("out.wav"));
    EXPECT_FALSE(audio.Convert());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(audio.GetOutcome().code, AudioError::OpenFailed);
    EXPECT_FALSE(audio.GetOutcome().onOutput);
    EXPECT_EQ(FolderEntries(dir.root()), (std::vector<std::string>{"in.wav", "wide.wav"}));
    // Describe keeps the reason too.
    EXPECT_FALSE(audio.Describe());
    EXPECT_EQ(audio.GetOutcome().code, AudioError::OpenFailed);
}

// A successful conversion replaces the earlier file whole and keeps its permissions;
// a device or FIFO at the output path is written directly.
TEST(Convert, ReplacesTheOutputWhenComplete)
{
    TempDir dir;
    WriteFile(dir.path("in.wav"), WavPcm(1, 8000, 16, Bytes().le16(7)));
    WriteFile(dir.path("out.wav"), Bytes().zeros(5000));
    ASSERT_EQ(::chmod(dir.path("out.wav").c_str(), 0640), 0);
    ASSERT_TRUE(ConvertFile(dir.path("in.wav"), dir.path("out.wav")));
    EXPECT_EQ(ReadFile(dir.path("out.wav")).size(), 46u);
    struct stat st
    {
    };
    ASSERT_EQ(::stat(dir.path("out.wav").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(FolderEntries(dir.root()), (std::vector<std::string>{"in.wav", "out.wav"}));

    EXPECT_TRUE(ConvertFile(dir.path("in.wav"), "/dev/null"));
}
