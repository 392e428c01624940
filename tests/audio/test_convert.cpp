// Conversion to 16-bit WAV: the scale and the writer's value rule at their edges, blocks of
// whole frames for any channel count, the header, clipped floats, and what a conversion
// leaves at the output path. (The failures users meet are in tests/cli.)
#include "audio_file_info.h"
#include "audio_handle.h"
#include "fixtures.h"
#include "sixteen_bit_reader.h"
#include "wav_writer.h"
#include "waveform_overview.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <sys/stat.h>
#include <thread>

using namespace fixtures;

namespace {

// Describes and converts as the window does; the output's samples, or nothing.
std::optional<std::vector<int16_t>> Converted(CAudioFileInfo &audio, const std::string &input,
                                              const std::string &output)
{
    audio.SetInputPath(input);
    audio.SetOutputPath(output);
    if (!audio.Describe() || !audio.Convert())
        return std::nullopt;
    return WavSamples(ReadFile(output), audio.GetInfo().channels, audio.GetInfo().sampleRate);
}

AudioInfo Output(uint32_t channels)
{
    return AudioInfo{8000, 0, channels, 16, AudioFormatWord(FormatKind::WAV, SampleEncoding::PCM)};
}

} // namespace

TEST(Convert, ScalesByAPowerOfTwoTruncatesAndHoldsFloats)
{
    const float nan = std::nanf("");
    // clang-format off
    const std::tuple<Bytes, std::vector<int16_t>, uint64_t> cases[] = {
        {WavPcm(1, 8000, 8, {0x00, 0xFF, 0x80}), {-32768, 32512, 0}, 0},
        {Wav(1, 1, 8000, 16, 2, Le16s({5, -5}), {}, Bytes().str("LIST").le32(4).str("abcd")), {5, -5}, 0}, // a chunk after the data is not sound
        {WavPcm(1, 8000, 24, Bytes().le24(0x7FFFFF).le24(0x800001).le24(0x800000).le24(0xFFFF01)), {32767, -32767, -32768, 0}, 0},
        {WavPcm(1, 8000, 32, Bytes().le32(0x7FFFFFFF).le32(0x80000000).le32(65536).le32(uint32_t(-65537))), {32767, -32768, 1, -1}, 0},
        // A width that is not whole bytes is scaled from its container: 12 bits as 16, 20 as 24.
        {Wav(1, 1, 8000, 12, 2, Le16s({0x7FF0, -32768})), {32752, -32768}, 0},
        {Wav(1, 1, 8000, 20, 3, Bytes().le24(0x7FFFF0).le24(0x800000)), {32767, -32768}, 0},
        {Wav(3, 1, 8000, 32, 4, Bytes().f32le(0.5f).f32le(-0.5f).f32le(1.0f).f32le(-1.0f).f32le(1.5f).f32le(-1.5f).f32le(0.99999f).f32le(nan)), {16384, -16384, 32767, -32768, 32767, -32768, 32767, 0}, 3},
        {Ircam({0x64, 0xA3, 0x04, 0x00}, true, 8000, 1, 4, Bytes().f32be(0.25f).f32be(-2.0f).f32be(-1e-6f)), {8192, -32768, 0}, 1},
    };
    // clang-format on
    TempDir dir;
    CAudioFileInfo audio;
    for (const auto &[file, expected, clipped] : cases) {
        WriteFile(dir.path("in"), file);
        EXPECT_EQ(Converted(audio, dir.path("in"), dir.path("out.wav")), expected);
        EXPECT_EQ(audio.GetOutcome().clippedSamples, clipped);
    }
}

// The samples go out as they are, in writes of any size; the header keeps a placeholder size until the close; a
// count that is not whole frames writes nothing; and the writer's refusals.
TEST(Convert, WriterSamplesHeaderAndRefusals)
{
    const int16_t values[] = {32767, -1, 0, -32768, 7168};
    TempDir dir;
    AudioHandle *h = AudioOpenWrite(dir.path("v.wav"), Output(1));
    EXPECT_EQ(ReadFile(dir.path("v.wav"))[4], 0xF7); // 0x7FFFFFF7: the largest a reader takes
    for (int16_t v : values)
        EXPECT_EQ(AudioWriteSamples(h, &v, 1), 1u);
    std::vector<int16_t> all(std::begin(values), std::end(values)), more(70000);
    std::iota(more.begin(), more.end(), int16_t(9)); // past the buffer, with values waiting
    EXPECT_EQ(AudioWriteSamples(h, more.data(), uint32_t(more.size())), more.size());
    all.insert(all.end(), more.begin(), more.end());
    int16_t read = 0;
    EXPECT_EQ(AudioReadSixteen(h, &read, 1), 0u);
    EXPECT_EQ(AudioClose(h), 0);
    EXPECT_EQ(WavSamples(ReadFile(dir.path("v.wav")), 1, 8000), all);
    h = AudioOpenWrite(dir.path("s.wav"), Output(2));
    EXPECT_EQ(AudioWriteSamples(h, values, 3), 0u);
    EXPECT_EQ(AudioClose(h), 0);
    EXPECT_EQ(WavSamples(ReadFile(dir.path("s.wav")), 2, 8000), std::vector<int16_t>{});

    for (auto [path, channels, code] :
         {std::tuple{dir.path("c257.wav"), 257u, AudioError::BadOpenFormat},
          {dir.path("c0.wav"), 0u, AudioError::BadOpenFormat},
          {dir.path("no/folder.wav"), 1u, AudioError::OpenFailed},
          {std::string("/dev/full"), 1u, AudioError::ShortWrite}}) {
        EXPECT_EQ(AudioOpenWrite(path, Output(channels)), nullptr);
        EXPECT_EQ(AudioLastError(), code);
    }
    EXPECT_EQ(FolderEntries(dir.root()), (std::vector<std::string>{"s.wav", "v.wav"}));
    AudioClose(h = AudioOpenWrite(dir.path("c256.wav"), Output(256)));
    EXPECT_NE(h, nullptr);
    AudioInfo info;
    h = AudioOpenRead(dir.path("v.wav"), info);
    EXPECT_EQ(AudioWriteSamples(h, values, 1), 0u);
    AudioClose(h);
}

// An output that cannot be created is said on standard output and leaves nothing; a
// finished output replaces the earlier file whole, keeping its permissions; a device at
// the output path is written directly.
TEST(Convert, WhatTheOutputPathHolds)
{
    TempDir dir;
    WriteFile(dir.path("wide.wav"), Wav(1, 257, 8000, 16, 257 * 2, Bytes().zeros(257 * 2)));
    WriteFile(dir.path("in.wav"), WavPcm(1, 8000, 16, Le16s({7})));
    CAudioFileInfo audio;
    for (auto [input, output, code] :
         {std::tuple{"wide.wav", dir.path("out.wav"), AudioError::BadOpenFormat},
          {"in.wav", std::string(), AudioError::OpenFailed},
          {"missing.wav", dir.path("out.wav"), AudioError::OpenFailed}}) {
        audio.SetInputPath(dir.path(input));
        audio.SetOutputPath(output);
        testing::internal::CaptureStdout();
        EXPECT_FALSE(audio.Convert());
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  *input == 'm' ? "" : "Not able to open output file " + output + ".\n");
        EXPECT_EQ(audio.GetOutcome().code, code);
        EXPECT_EQ(audio.GetOutcome().onOutput, *input != 'm');
        EXPECT_EQ(FolderEntries(dir.root()), (std::vector<std::string>{"in.wav", "wide.wav"}));
    }
    WriteFile(dir.path("out.wav"), Bytes().zeros(5000));
    ASSERT_EQ(::chmod(dir.path("out.wav").c_str(), 0640), 0);
    EXPECT_EQ(Converted(audio, dir.path("in.wav"), dir.path("out.wav")), std::vector<int16_t>{7});
    struct stat st
    {
    };
    EXPECT_EQ(::stat(dir.path("out.wav").c_str(), &st) == 0 ? st.st_mode & 0777 : 0, 0640u);
    EXPECT_EQ(FolderEntries(dir.root()).size(), 3u);
    audio.SetOutputPath("/dev/null");
    EXPECT_TRUE(audio.Convert());
    // Sparse 8-bit inputs: the most data a WAV can state goes on to the output (whose folder
    // is missing), one frame more is refused as too large before it.
    for (uint32_t frames :
         {uint32_t(orvex::kWavMaxDataBytes / 2), uint32_t(orvex::kWavMaxDataBytes / 2 + 1)}) {
        WriteSparseWav(dir.path("big.wav"), WavPcm(1, 8000, 8, {}), frames);
        audio.SetInputPath(dir.path("big.wav"));
        audio.SetOutputPath(dir.path("no/out.wav"));
        testing::internal::CaptureStdout();
        EXPECT_FALSE(audio.Convert());
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(audio.GetOutcome().code,
                  frames > orvex::kWavMaxDataBytes / 2 ? AudioError::OutputTooLarge
                                                       : AudioError::OpenFailed);
    }
}

// Any view's columns show what the conversion writes: the smallest and largest sample and the
// clipped ones of the frames each column stands for (per channel for stereo, all channels
// together otherwise). From the summary, where columns span a block or more, that is the whole
// blocks beginning in its share; read from the file, finer, the share itself, in an order that
// makes a codec that cannot seek (GSM 6.10) read on or start again.
TEST(Convert, WaveformColumnsAreTheConvertedSamplesEnvelope)
{
    TempDir dir;
    CAudioFileInfo audio;
    std::mt19937 random(26);
    Bytes loud;
    std::vector<bool> clips; // of the loud float file's samples
    for (int i = 0; i < 2 * 9001; ++i) {
        const float v = float(1.3 * std::sin(i * 0.001) * (0.6 + 0.4 * std::sin(i * 0.3)));
        loud.f32le(v);
        clips.push_back(v >= 1.0f || v < -1.0f);
    }
    for (auto [format, channels] : {std::pair{0x010002, 2}, {0x010002, 6}, {0x010020, 1}, {3, 2}}) {
        const std::string in = dir.path("in.wav");
        if (format == 3)
            WriteFile(in, Wav(3, 2, 8000, 32, 8, loud));
        else
            ASSERT_TRUE(WriteWithSndfile(in, format, channels, 8000, 10007));
        const auto samples = *Converted(audio, in, dir.path("out.wav"));
        const uint64_t frames = samples.size() / size_t(channels);
        // Blocks of 1, 256, and 8192 (longer than a read; after the first, of one sign).
        for (uint64_t maxBlocks : {uint64_t(1) << 20, uint64_t(40), uint64_t(2)}) {
            CWaveformSummary summary;
            ASSERT_EQ(CWaveformOverview::Compute(in, summary, nullptr, maxBlocks),
                      AudioError::None);
            const uint64_t block = summary.BlockFrames();
            CWaveformReader reader(in);
            for (int i = 0; i < 40; ++i) {
                const uint64_t span = 1 + random() % (i % 2 ? frames : 900);
                const WaveformSpan view = i == 0 // the blocks after the first
                        ? WaveformSpan{1, frames - 1, 1}
                        : WaveformSpan{random() % (frames - span + 1), span,
                                       uint32_t(1 + random() % 700)};
                std::vector<OverviewColumn> got;
                bool exact = false;
                const uint32_t ready = *summary.Columns(view, got, exact);
                ASSERT_TRUE(exact ? ready == view.columns
                                  : reader.Read(view, got, [] { return true; }));
                for (uint32_t c = 0; c < view.columns; ++c) {
                    uint64_t f = view.Begin(c), end = view.End(c);
                    if (exact) // whole blocks
                        f = (f + block - 1) / block * block,
                        end = std::min(frames, (end + block - 1) / block * block);
                    OverviewColumn want;
                    for (int lane = 0; lane < (channels == 2 ? 2 : 1); ++lane)
                        want.min[lane] = INT16_MAX, want.max[lane] = INT16_MIN;
                    for (; f < end; ++f)
                        for (int ch = 0; ch < channels; ++ch) {
                            const size_t at = f * size_t(channels) + size_t(ch);
                            const int lane = channels == 2 ? ch : 0;
                            want.min[lane] = std::min(want.min[lane], samples[at]);
                            want.max[lane] = std::max(want.max[lane], samples[at]);
                            want.clipped += format == 3 && clips[at];
                        }
                    ASSERT_EQ(std::memcmp(&got[c], &want, sizeof want), 0)
                            << format << ", " << channels << " channels, column " << c << " of "
                            << view.columns << " over " << view.first << "+" << span;
                }
            }
        }
    }
    // Blocks are the finest power of two that keeps to the most asked for.
    CWaveformSummary sized;
    for (auto [frames, most, block] : {std::tuple{10240, 40, 256}, {10241, 40, 512}, {1, 1, 1}}) {
        sized.Reset(1, uint64_t(frames), uint64_t(most));
        EXPECT_EQ(sized.BlockFrames(), uint64_t(block)) << frames << " in " << most;
    }
    // From a pipe, which cannot go back to read its blocks one by one, a read's clipped
    // samples go to one of its blocks that holds a sample at a 16-bit limit, and none is lost.
    const std::string pipe = dir.path("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::thread feeder([&] { WriteFile(pipe, Wav(3, 2, 8000, 32, 8, loud)); });
    CWaveformSummary piped;
    const AudioError read = CWaveformOverview::Compute(pipe, piped, nullptr, 200);
    feeder.join();
    ASSERT_EQ(read, AudioError::None);
    std::vector<OverviewColumn> blocks; // a column a block
    bool exact = false;
    const uint64_t block = piped.BlockFrames(), count = (9001 + block - 1) / block;
    ASSERT_EQ(piped.Columns({0, count * block, uint32_t(count)}, blocks, exact), count);
    uint64_t clipped = 0;
    for (const OverviewColumn &b : blocks) {
        clipped += b.clipped;
        EXPECT_TRUE(b.clipped == 0 || std::min(b.min[0], b.min[1]) == INT16_MIN
                    || std::max(b.max[0], b.max[1]) == INT16_MAX);
    }
    EXPECT_EQ(clipped, uint64_t(std::count(clips.begin(), clips.end(), true)));
}

// Plain values are read straight from their bytes; that must give, value for value, what
// the road through libsndfile's doubles gives (both refuse to read part of a frame), and
// what the level chain gives with no gain and no dither (whose peak is that of the
// doubles): every 8- and 16-bit value, u-law and A-law byte, and a large random sample of
// 24- and 32-bit and float bit patterns (not-a-number, infinities and huge values among
// them), in both byte orders.
TEST(Convert, StoredValuesReadStraightAsThroughDoubles)
{
    std::mt19937 random(2026);
    // Every value in order, or `count` random ones.
    auto values = [&](int bytes, size_t count, bool every = false) {
        Bytes b;
        for (size_t i = 0; i < count; ++i)
            for (int k = 0; k < bytes; ++k)
                b.u8(static_cast<uint8_t>(every ? i >> (8 * k) : random()));
        return b;
    };
    const Bytes all8 = values(1, 256, true), all16 = values(2, 65536, true);
    const size_t n24 = 300000 * 3, n32 = 300000 * 4;
    // clang-format off
    const Bytes files[] = {
        WavPcm(1, 8000, 8, all8), Aiff(1, 256, 8, 8000, all8), WavPcm(2, 8000, 16, all16),
        Aiff(2, 32768, 16, 8000, all16), Au(true, 1, 8000, 1, all8), Au(true, 27, 8000, 1, all8),
        WavPcm(3, 8000, 24, values(3, n24 / 3)), Aiff(1, n24 / 3, 24, 8000, values(3, n24 / 3)),
        WavPcm(2, 8000, 32, values(4, n32 / 4)), Aiff(2, n32 / 8, 32, 8000, values(4, n32 / 4)),
        Wav(3, 2, 8000, 32, 8, values(4, n32 / 4)), Aiff(2, n32 / 8, 32, 8000, values(4, n32 / 4), "fl32"),
        // Fewer significant bits than the bytes they are stored in: scaled from the bytes.
        Nist({"sample_count -i 32768", "channel_count -i 2", "sample_rate -i 8000", "sample_byte_format -s2 01", "sample_sig_bits -i 8"}, all16),
        Nist({"sample_count -i 300000", "channel_count -i 1", "sample_rate -i 8000", "sample_byte_format -s4 3210", "sample_sig_bits -i 16"}, values(4, n32 / 4)),
    };
    // clang-format on
    TempDir dir;
    for (const Bytes &file : files) {
        WriteFile(dir.path("in"), file);
        std::vector<int16_t> read[2];
        uint64_t clipped[2] = {0, 0};
        for (bool throughDoubles : {false, true}) {
            AudioInfo info;
            AudioHandle *h = AudioOpenRead(dir.path("in"), info);
            ASSERT_NE(h, nullptr);
            std::vector<int16_t> block(4096 * info.channels);
            const auto road = throughDoubles ? orvex::SixteenBitRoad::ThroughDoubles
                                             : orvex::SixteenBitRoad::FromStoredBytes;
            if (info.channels > 1) { // a part of a frame is refused, on either road
                EXPECT_EQ(orvex::ReadSixteenBy(road, h, block.data(), info.channels + 1, nullptr), 0u);
            }
            while (uint32_t n = orvex::ReadSixteenBy(road, h, block.data(), uint32_t(block.size()),
                                                     &clipped[throughDoubles]))
                read[throughDoubles].insert(read[throughDoubles].end(), block.begin(),
                                            block.begin() + n);
            // Back to the start after reading to the end: the same first frames.
            EXPECT_TRUE(AudioSeekFrame(h, 0));
            block.resize(
                    orvex::ReadSixteenBy(road, h, block.data(), uint32_t(block.size()), nullptr));
            EXPECT_TRUE(!block.empty()
                        && std::equal(block.begin(), block.end(), read[throughDoubles].begin()));
            AudioClose(h);
        }
        EXPECT_GT(read[0].size(), 255u);
        EXPECT_EQ(read[0], read[1]);
        EXPECT_EQ(clipped[0], clipped[1]);
        CSixteenBitReader reader;
        ASSERT_EQ(reader.Open(dir.path("in")), AudioError::None);
        std::vector<int16_t> levelled(read[0].size());
        float peak = 0;
        reader.Read(levelled.data(), uint32_t(read[0].size() / reader.GetInfo().channels), &peak);
        EXPECT_EQ(levelled, read[0]);
        EXPECT_EQ(reader.ClippedSamples(), clipped[0]);
        // The largest magnitude libsndfile reads (where it reads the file) that a float at
        // 16-bit scale holds; 32-bit values keep 24 significant bits.
        const std::vector<double> scaled = ScaledBySndfile(dir.path("in"));
        float top = scaled.empty() ? peak : 0;
        for (double v : scaled)
            top = std::isfinite(float(v)) ? std::max(top, std::abs(float(v))) : top;
        EXPECT_NEAR(peak, top, 1.0 / 256);
    }
}
