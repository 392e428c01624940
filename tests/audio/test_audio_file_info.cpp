// CAudioFileInfo's description of a file: the five texts, and the handle it holds
// (counted as the process's open file descriptors).
#include "audio_file_info.h"
#include "fixtures.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace fixtures;

namespace {

int OpenDescriptors()
{
    int n = 0;
    for ([[maybe_unused]] auto &entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

struct Texts
{
    std::string format, sampleRate, samples, channels, bitWidth;
    bool operator==(const Texts &) const = default;
};

Texts TextsOf(const CAudioFileInfo &a)
{
    return {a.m_strFormat, a.m_strSampleRate, a.m_strSamples, a.m_strChannels, a.m_strBitWidth};
}

Bytes Frames(int frames, int channels)
{
    Bytes b;
    for (int i = 0; i < frames * channels; ++i)
        b.le16(static_cast<uint16_t>(i));
    return b;
}

} // namespace

TEST(AudioFileInfo, DescribesEachContainerKind)
{
    TempDir dir;
    struct Case
    {
        const char *name;
        Bytes bytes;
        Texts expected;
    };
    const Case cases[] = {
            {"a.wav", WavPcm(2, 8000, 16, Frames(1000, 2)), {"WAV", "8000", "1000", "2", "16"}},
            {"a.aifc",
             Aiff(1, 2, 16, 44100, Frames(2, 1), "NONE"),
             {"AIFF", "44100", "2", "1", "16"}},
            {"le.x", Au(false, 3, 11025, 1, Frames(3, 1)), {"DEC AU", "11025", "3", "1", "16"}},
            {"be.x", Au(true, 1, 8000, 1, Frames(3, 1)), {"Sun/NeXT AU", "8000", "6", "1", "16"}},
            {"voice.au", Bytes().str("hello"), {"Sun/NeXT AU", "8000", "5", "1", "16"}},
            {"p.x", Paf(true, 0, 0, 32000, 1, Frames(4, 1)), {"PARIS", "32000", "4", "1", "16"}},
            {"s.x", Svx(false, 8363, 0, Bytes{1, 2}), {"IFF/SVX8/SV16", "8363", "2", "1", "8"}},
            {"n.x",
             Nist({"sample_count -i 2", "channel_count -i 1", "sample_rate -i 16000",
                   "sample_byte_format -s2 01", "sample_sig_bits -i 16"},
                  Frames(2, 1)),
             {"NIST", "16000", "2", "1", "16"}},
            {"i.x",
             Ircam(Bytes{0x64, 0xA3, 0x03, 0x00}, false, 8000, 2, 2, Frames(2, 2)),
             {"IRCAM/CARL", "8000", "2", "2", "16"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(dir.path(c.name), c.bytes);
        CAudioFileInfo audio;
        audio.SetInputPath(dir.path(c.name));
        ASSERT_TRUE(audio.Describe());
        EXPECT_EQ(TextsOf(audio), c.expected);
    }
}

TEST(AudioFileInfo, EmptyPathAndSetInputPathTouchNothing)
{
    TempDir dir;
    WriteFile(dir.path("a.wav"), WavPcm(1, 8000, 16, Frames(10, 1)));
    const int before = OpenDescriptors();
    CAudioFileInfo audio;
    EXPECT_EQ(TextsOf(audio), Texts{});
    EXPECT_FALSE(audio.Describe()); // no path yet

    audio.SetInputPath(dir.path("a.wav"));
    EXPECT_EQ(TextsOf(audio), Texts{});
    EXPECT_EQ(OpenDescriptors(), before); // nothing opened by setting the path

    ASSERT_TRUE(audio.Describe());
    const Texts described = TextsOf(audio);
    EXPECT_EQ(OpenDescriptors(), before + 1);
    // An empty path fails without touching the open input or the texts.
    audio.SetInputPath("");
    EXPECT_FALSE(audio.Describe());
    EXPECT_EQ(TextsOf(audio), described);
    EXPECT_EQ(OpenDescriptors(), before + 1);
}

TEST(AudioFileInfo, HoldsExactlyOneInputAndClosesIt)
{
    TempDir dir;
    WriteFile(dir.path("a.wav"), WavPcm(1, 8000, 16, Frames(10, 1)));
    WriteFile(dir.path("b.wav"), WavPcm(2, 22050, 16, Frames(20, 2)));
    const int before = OpenDescriptors();
    {
        CAudioFileInfo fresh; // destroying a new record closes nothing
    }
    EXPECT_EQ(OpenDescriptors(), before);
    {
        CAudioFileInfo audio;
        audio.SetInputPath(dir.path("a.wav"));
        ASSERT_TRUE(audio.Describe());
        audio.SetInputPath(dir.path("b.wav"));
        ASSERT_TRUE(audio.Describe());
        EXPECT_EQ(OpenDescriptors(), before + 1); // only the second input is open
        EXPECT_EQ(audio.m_strSampleRate, "22050");

        // A failed Describe keeps the texts and closes the input it held.
        const Texts described = TextsOf(audio);
        audio.SetInputPath(dir.path("missing.wav"));
        EXPECT_FALSE(audio.Describe());
        EXPECT_EQ(TextsOf(audio), described);
        EXPECT_EQ(OpenDescriptors(), before);

        audio.SetInputPath(dir.path("a.wav"));
        ASSERT_TRUE(audio.Describe());
        EXPECT_EQ(OpenDescriptors(), before + 1);
    }
    EXPECT_EQ(OpenDescriptors(), before); // the destructor closed it
}
