// The level chain against libsndfile's reading of files it wrote: a gain, and a normalisation
// of the whole file and of a part (its peak at the level asked, nothing clipped); silence left
// as it is; dither that keeps a tone smaller than one 16-bit step; runs cut anywhere.
#include "audio_file_info.h"
#include "fixtures.h"

#include <gtest/gtest.h>
#include <sndfile.h>

using namespace fixtures;

namespace {

// `input` converted at `level` (only `part`, if given) into `input`.wav; its samples.
std::vector<int16_t> Levelled(const std::string &input, const LevelChoice &level,
                              CAudioFileInfo::Outcome &outcome, std::optional<FrameRange> part = {})
{
    CAudioFileInfo audio;
    audio.SetInputPath(input);
    audio.SetOutputPath(input + ".wav");
    audio.SetLevel(level);
    audio.SetFrameRange(part);
    EXPECT_TRUE(audio.Convert());
    outcome = audio.GetOutcome();
    return WavSamples(ReadFile(input + ".wav"), audio.GetInfo().channels, 8000)
            .value_or(std::vector<int16_t>{});
}

} // namespace

TEST(Level, GainAndNormalisationAsLibsndfileReadsTheFile)
{
    TempDir dir;
    // 24-bit, float beyond full scale (a peak near 1.2), 16-bit at a low level.
    const std::pair<int, double> files[] = {{SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1.0},
                                            {SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1.6},
                                            {SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 0.3}};
    for (auto [format, loudness] : files) {
        ASSERT_TRUE(WriteWithSndfile(dir.path("in"), format, 2, 8000, 5000, loudness));
        const std::vector<double> values = ScaledBySndfile(dir.path("in"));
        // The whole file, and frames 500 to 4700: more than the chain's block, ending within it.
        for (auto [from, to] : {std::pair<size_t, size_t>{0, values.size()}, {1000, 9400}}) {
            std::optional<FrameRange> part;
            if (from > 0)
                part = FrameRange{{from / 2, false}, FramePlace{to / 2, false}, {}};
            double peak = 0;
            for (size_t i = from; i < to; ++i)
                peak = std::max(peak, std::abs(values[i]));
            for (const LevelChoice &choice :
                 {LevelChoice{-1.0, 0, false}, {0.0, 0, true}, {{}, -7.5}}) {
                const std::optional<double> target = choice.normalizeDbfs;
                const double gain = target
                        ? std::min(32768 * std::pow(10, *target / 20), 32767.0 - choice.dither)
                                / peak
                        : std::pow(10, choice.gainDb / 20);
                CAudioFileInfo::Outcome o;
                const auto got = Levelled(dir.path("in"), choice, o, part);
                ASSERT_EQ(got.size(), to - from);
                // Rounded to the nearest; within one step where single precision or the
                // dither decides otherwise, which without dither is rare.
                size_t off = 0;
                int top = 0;
                for (size_t i = 0; i < got.size(); ++i) {
                    const double want = std::nearbyint(values[from + i] * gain);
                    EXPECT_LE(std::abs(got[i] - want), 1) << i;
                    off += got[i] != want;
                    top = std::max(top, std::abs(int(got[i])));
                }
                EXPECT_LE(off, choice.dither ? got.size() : got.size() / 100);
                EXPECT_EQ(o.clippedSamples, 0u);
                EXPECT_TRUE(!target || std::abs(20 * std::log10(top / 32768.0) - *target) < 0.01);
            }
        }
    }
    // Silence is left as it is, even with dither, and the outcome says so.
    WriteFile(dir.path("zero"), WavPcm(1, 8000, 24, Bytes().zeros(3000)));
    CAudioFileInfo::Outcome o;
    EXPECT_EQ(Levelled(dir.path("zero"), {-1.0, 0, true}, o), std::vector<int16_t>(1000));
    EXPECT_TRUE(o.silent);
}

// A 24-bit tone at -100 dBFS, a third of a 16-bit step: truncation leaves silence; dithered,
// its level at 1 kHz is within 1 dB of where it was.
TEST(Level, DitherKeepsAToneSmallerThanAStep)
{
    TempDir dir;
    Bytes tone;
    const double w = 2 * M_PI * 1000 / 8000;
    for (int n = 0; n < 48000; ++n)
        tone.le24(uint32_t(std::lround(0x800000 * 1e-5 * std::sin(w * n))));
    WriteFile(dir.path("in"), WavPcm(1, 8000, 24, tone));
    CAudioFileInfo::Outcome o;
    EXPECT_EQ(Levelled(dir.path("in"), {}, o), std::vector<int16_t>(48000));
    const auto got = Levelled(dir.path("in"), {{}, 0, true}, o);
    double re = 0, im = 0;
    for (size_t n = 0; n < got.size(); ++n) {
        re += got[n] * std::cos(w * double(n));
        im += got[n] * std::sin(w * double(n));
    }
    EXPECT_NEAR(20 * std::log10(2 * std::hypot(re, im) / double(got.size()) / 32768), -100, 1);
}

// The chain's vector body and its one-by-one tail agree: pieces cut at odd places give the
// samples and clip count of the whole, also across the place 2^32, where the noise's key turns.
TEST(Level, PiecesGiveTheWholesSamples)
{
    std::vector<float> values(1000);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = float(int(i * 7919 % 120001) - 60000) / 1.1f;
    for (uint64_t first : {uint64_t(0), (uint64_t(1) << 32) - 501})
        for (SixteenBitLevel level : {SixteenBitLevel{1.0, true}, {0.7, true}, {1.3, false}}) {
            std::vector<int16_t> whole(values.size()), pieces(values.size());
            const uint64_t clipped = ApplyLevel(values.data(), 1000, first, level, whole.data());
            uint64_t sum = 0;
            for (size_t at = 0, cut = 1; at < 1000; at += cut, cut = cut * 3 + 2)
                sum += ApplyLevel(values.data() + at, std::min<size_t>(cut, 1000 - at), first + at,
                                  level, pieces.data() + at);
            EXPECT_EQ(pieces, whole);
            EXPECT_EQ(sum, clipped);
            EXPECT_GT(clipped, 0u);
        }
}
