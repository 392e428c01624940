// The 16-bit WAV writer: the header before and after the close, the value rule, and
// the refusals.
#include "audio_library_binding.h"
#include "fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace fixtures;

namespace {

uint32_t Le32At(const std::vector<uint8_t> &b, size_t at)
{
    return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) | (uint32_t(b.at(at + 3)) << 24);
}
uint16_t Le16At(const std::vector<uint8_t> &b, size_t at)
{
    return static_cast<uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}

AudioInfo Output(uint32_t channels, uint32_t rate)
{
    AudioInfo info;
    info.format = AudioFormatWord(FormatKind::WAV, SampleEncoding::PCM);
    info.bitWidth = 16;
    info.channels = channels;
    info.sampleRate = rate;
    return info;
}

} // namespace

TEST(WavWriter, HeaderBeforeAndAfterTheClose)
{
    TempDir dir;
    const std::string path = dir.path("out.wav");
    AudioHandle *h = AudioOpenWrite(path, Output(2, 44100));
    ASSERT_NE(h, nullptr);
    // Until the close the sizes are placeholders.
    std::vector<uint8_t> open = ReadFile(path);
    ASSERT_EQ(open.size(), 44u);
    EXPECT_EQ(Le32At(open, 4), 2147483639u);
    EXPECT_EQ(Le32At(open, 40), 0x7FFFFFFCu); // whole stereo frames within 0x7FFFFFFF

    std::vector<double> frames(2000, 1.0);
    EXPECT_EQ(AudioWriteDouble(h, frames.data(), 2000), 2000u);
    EXPECT_EQ(AudioClose(h), 0);

    const std::vector<uint8_t> b = ReadFile(path);
    ASSERT_EQ(b.size(), 4044u);
    const std::string text(b.begin(), b.begin() + 44);
    EXPECT_EQ(text.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32At(b, 4), 4036u);
    EXPECT_EQ(text.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Le32At(b, 16), 16u);
    EXPECT_EQ(Le16At(b, 20), 1u);
    EXPECT_EQ(Le16At(b, 22), 2u);
    EXPECT_EQ(Le32At(b, 24), 44100u);
    EXPECT_EQ(Le32At(b, 28), 176400u);
    EXPECT_EQ(Le16At(b, 32), 4u);
    EXPECT_EQ(Le16At(b, 34), 16u);
    EXPECT_EQ(text.substr(36, 4), "data");
    EXPECT_EQ(Le32At(b, 40), 4000u);

    // Nothing written: a 44-byte file.
    AudioHandle *empty = AudioOpenWrite(dir.path("empty.wav"), Output(1, 8000));
    ASSERT_NE(empty, nullptr);
    AudioClose(empty);
    const std::vector<uint8_t> e = ReadFile(dir.path("empty.wav"));
    ASSERT_EQ(e.size(), 44u);
    EXPECT_EQ(Le32At(e, 4), 36u);
    EXPECT_EQ(Le32At(e, 40), 0u);
    EXPECT_EQ(Le32At(e, 28), 16000u);
}

TEST(WavWriter, TruncatesTowardZeroAndKeepsTheLow16Bits)
{
    const std::pair<double, int16_t> cases[] = {
            {32767.99, 32767},  {-1.7, -1},        {-0.99, 0},
            {40000.0, -25536},  {-40000.0, 25536}, {65536.0, 0},
            {-32768.0, -32768}, {32768.0, -32768}, {1e10, -7168},
            {-1e10, 7168},      {1e300, 0},        {std::numeric_limits<double>::infinity(), 0},
            {std::nan(""), 0},  {4294967297.5, 1},
    };
    TempDir dir;
    AudioHandle *h = AudioOpenWrite(dir.path("v.wav"), Output(1, 8000));
    ASSERT_NE(h, nullptr);
    for (auto [value, expected] : cases)
        AudioWriteDouble(h, &value, 1);
    AudioClose(h);
    const std::vector<uint8_t> b = ReadFile(dir.path("v.wav"));
    ASSERT_EQ(b.size(), 44 + 2 * std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(static_cast<int16_t>(Le16At(b, 44 + 2 * i)), cases[i].second) << cases[i].first;
}

TEST(WavWriter, Refusals)
{
    TempDir dir;
    // More than 256 channels (or none) is refused before anything is created.
    EXPECT_EQ(AudioOpenWrite(dir.path("c257.wav"), Output(257, 8000)), nullptr);
    EXPECT_EQ(AudioLastError(), AudioError::BadOpenFormat);
    EXPECT_FALSE(FileExists(dir.path("c257.wav")));
    EXPECT_EQ(AudioOpenWrite(dir.path("c0.wav"), Output(0, 8000)), nullptr);
    EXPECT_EQ(AudioLastError(), AudioError::BadOpenFormat);
    AudioHandle *wide = AudioOpenWrite(dir.path("c256.wav"), Output(256, 8000));
    EXPECT_NE(wide, nullptr);
    EXPECT_EQ(AudioLastError(), AudioError::None);
    AudioClose(wide);

    EXPECT_EQ(AudioOpenWrite(dir.path("no/such/folder.wav"), Output(1, 8000)), nullptr);
    EXPECT_EQ(AudioLastError(), AudioError::OpenFailed);

    // A count that is not whole frames writes nothing.
    AudioHandle *stereo = AudioOpenWrite(dir.path("s.wav"), Output(2, 8000));
    ASSERT_NE(stereo, nullptr);
    const double values[3] = {1, 2, 3};
    EXPECT_EQ(AudioWriteDouble(stereo, values, 3), 0u);
    EXPECT_EQ(AudioHandleError(stereo), AudioError::WriteNonWholeFrames);
    // Reading a writing handle, and writing a reading one, are refused.
    double buf[2];
    EXPECT_EQ(AudioReadDouble(stereo, buf, 2), 0u);
    EXPECT_EQ(AudioHandleError(stereo), AudioError::ReadOnWriteHandle);
    EXPECT_EQ(AudioClose(stereo), 0);
    EXPECT_EQ(ReadFile(dir.path("s.wav")).size(), 44u);

    AudioInfo info;
    AudioHandle *reader = AudioOpenRead(dir.path("c256.wav"), info);
    ASSERT_EQ(reader, nullptr); // no frames: refused, as any empty file
    WriteFile(dir.path("in.wav"), WavPcm(1, 8000, 16, Bytes().le16(1)));
    reader = AudioOpenRead(dir.path("in.wav"), info);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(AudioWriteDouble(reader, values, 1), 0u);
    EXPECT_EQ(AudioHandleError(reader), AudioError::WriteOnReadHandle);
    AudioClose(reader);
}

// A medium that takes nothing: the header itself cannot be written.
TEST(WavWriter, FullDevice)
{
    EXPECT_EQ(AudioOpenWrite("/dev/full", Output(1, 8000)), nullptr);
    EXPECT_EQ(AudioLastError(), AudioError::ShortWrite);
}
