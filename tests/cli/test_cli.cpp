// orvex-cli in-process (arguments, output, errors, exit status) and as the real binary.
#include "cli_options.h"
#include "cli_output.h"
#include "container.h"
#include "fixtures.h"
#include "orvex_cli.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <sstream>

using namespace fixtures;

namespace {

struct CliRun
{
    int status;
    std::string out, err;
};

CliRun Cli(std::vector<std::string> args)
{
    std::ostringstream out, err;
    int status = RunOrvexCli(args, out, err);
    return {status, out.str(), err.str()};
}

} // namespace

TEST(Cli, JsonStringsAreValid)
{
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
            {"a\"b\\c", R"("a\"b\\c")"},
            {"tab\there\nnl\x01\x1b\r", R"("tab\there\nnl\u0001\u001b\r")"},
            {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5",
             "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5\""},
            // Bytes that are not UTF-8 (a lone continuation, Latin-1, overlong forms, an
            // encoded surrogate, a code point past U+10FFFF) are escaped one by one.
            {"\x80", R"("\udc80")"},
            {"caf\xe9", R"("caf\udce9")"},
            {"\xc0\xaf", R"("\udcc0\udcaf")"},
            {"\xed\xa0\x80", R"("\udced\udca0\udc80")"},
            {"\xf4\x90\x80\x80", R"("\udcf4\udc90\udc80\udc80")"},
            {"\xe0\x80\xaf\xf0\x8f\xbf\xbf", R"("\udce0\udc80\udcaf\udcf0\udc8f\udcbf\udcbf")"},
    };
    // clang-format on
    for (const auto &[text, json] : cases)
        EXPECT_EQ(JsonString(text), json);
}

// Every value an option takes goes through one of two parsers: counts and places in a file.
TEST(Cli, OptionValues)
{
    uint64_t n = 0;
    // clang-format off
    const std::pair<const char *, bool> counts[] = {
        {"1", true}, {"256", true}, {"007", true}, {"0", false}, {"257", false}, {"", false},
        {"-1", false}, {"+2", false}, {" 2", false}, {"2 ", false}, {"0x10", false}, {"1e2", false},
        {"99999999999999999999999", false},
    };
    const std::tuple<const char *, bool, uint64_t, bool> places[] = {
        {"0", true, 0, true}, {"90", true, 90'000'000'000, true}, {"90.25", true, 90'250'000'000, true},
        {"1:30.5", true, 90'500'000'000, true}, {"1:01:30.000000001", true, 3'690'000'000'001, true},
        {"44100f", true, 44100, false}, {"0f", true, 0, false}, {"1:60", false, 0, true},
        {"1:2:3:4", false, 0, true}, {"1:", false, 0, true}, {".5", false, 0, true},
        {"1.", false, 0, true}, {"1.0000000001", false, 0, true}, {"f", false, 0, true},
        {"-1", false, 0, true}, {"1,5", false, 0, true}, {"99999999999", false, 0, true},
        {"99999999999999999999999f", false, 0, false},
    };
    // clang-format on
    for (auto [text, ok] : counts)
        EXPECT_EQ(ParseCount(text, 1, 256, n), ok) << text;
    for (auto [text, ok, value, isTime] : places) {
        FramePlace place{12345, !isTime};
        EXPECT_EQ(ParseFramePlace(text, place), ok) << text;
        EXPECT_TRUE(!ok || (place.value == value && place.isTime == isTime)) << text;
    }
    // The progress line's time left, at the pace so far.
    EXPECT_EQ(ProgressLine::Text("25%", 0.25, 10, 5e6), "25%  0.5 MB/s  0:30 left");
    EXPECT_EQ(ProgressLine::Text("2 of 3 files", 2.0 / 3, 100, 1e9),
              "2 of 3 files  10.0 MB/s  0:50 left");
    EXPECT_EQ(ProgressLine::Text("0%", 0, 0, 0), "0%  0.0 MB/s  0:00 left");
    EXPECT_EQ((FramePlace{1'500'000'000, true}.Frame(44100)), 66150u);
    EXPECT_EQ((FramePlace{11'337, true}.Frame(44100)), 0u); // half a frame and less: the nearer
    EXPECT_EQ((FramePlace{11'338, true}.Frame(44100)), 1u);
}

// A part of a file converts to exactly those frames of the whole file's conversion, for
// plain, float and coded inputs alike (IMA and Microsoft ADPCM seek to their block, GSM 6.10
// reads up to its start); one that is not a part of the file is refused, and nothing is
// written.
TEST(Cli, PartsOfAFile)
{
    TempDir dir;
    const int formats[] = {SF_FORMAT_WAV | SF_FORMAT_PCM_16, SF_FORMAT_WAV | SF_FORMAT_FLOAT,
                           SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM,
                           SF_FORMAT_WAV | SF_FORMAT_GSM610};
    for (int format : formats) {
        const int channels = (format & SF_FORMAT_SUBMASK) == SF_FORMAT_GSM610 ? 1 : 2;
        ASSERT_TRUE(WriteWithSndfile(dir.path("in.wav"), format, channels, 8000, 24000));
        ASSERT_EQ(Cli({"convert", dir.path("in.wav"), dir.path("whole.wav")}).status, kCliOk);
        const auto whole = *WavSamples(ReadFile(dir.path("whole.wav")), channels, 8000);
        for (auto [start, end, length, first, count] : {std::tuple{"1.25", "", "0.5", 10000, 4000},
                                                        {"12345f", "0:02.0", "", 12345, 3655},
                                                        {"0", "1f", "", 0, 1},
                                                        {"1f", "", "3000f", 1, 3000},
                                                        {"2.999", "", "", 23992, -1}}) {
            if (count < 0) // to the end
                count = int(whole.size() / size_t(channels)) - first;
            std::vector<std::string> args = {"convert", "--start", start};
            if (*end)
                args.insert(args.end(), {"--end", end});
            if (*length)
                args.insert(args.end(), {"--length", length});
            args.insert(args.end(), {dir.path("in.wav"), dir.path("part.wav")});
            const CliRun r = Cli(args);
            EXPECT_EQ(r.status, kCliOk) << r.err;
            EXPECT_EQ(WavSamples(ReadFile(dir.path("part.wav")), channels, 8000),
                      std::vector<int16_t>(whole.begin() + first * channels,
                                           whole.begin() + (first + count) * channels))
                    << format << " from " << start;
        }
    }
    std::filesystem::remove(dir.path("part.wav"));
    for (auto [part, why] :
         {std::pair{std::vector<std::string>{"--start", "2", "--end", "1"},
                    "ends (0:01.000) before it starts (0:02.000)."},
          {{"--start", "1", "--length", "0"}, "from 0:01.000 to 0:01.000 holds no frames."},
          {{"--end", "3.5"},
           "from 0:00.000 to 0:03.500 goes past the end of the file, at 0:03.000."},
          {{"--start", "1:00"}, "ends (0:03.000) before it starts (1:00.000)."}}) {
        std::vector<std::string> args = {"convert"};
        args.insert(args.end(), part.begin(), part.end());
        args.insert(args.end(), {dir.path("in.wav"), dir.path("part.wav")});
        const CliRun r = Cli(args);
        EXPECT_EQ(r.status, kCliFailed);
        EXPECT_NE(r.err.find("(code 75)\norvex-cli: " + dir.path("in.wav") + ": The part " + why),
                  std::string::npos)
                << r.err;
        EXPECT_FALSE(FileExists(dir.path("part.wav")));
    }
    EXPECT_EQ(Cli({"convert", "--end", "1", "--length", "1", "a", "b"}).status, kCliUsage);
    EXPECT_EQ(Cli({"convert", "--start", "1:75", "a", "b"}).status, kCliUsage);
}

// Dithered bytes are a function of the input and the options alone: the same at -j 1 and
// -j 2, and a part's are those frames of the whole file's. Level options out of their range
// are refused.
TEST(Cli, DitherIsReproducibleAndLevelsChecked)
{
    TempDir dir;
    const std::string x = dir.path("x.wav"), y = dir.path("y.wav");
    ASSERT_TRUE(WriteWithSndfile(x, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 8000, 24000));
    ASSERT_TRUE(WriteWithSndfile(y, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 8000, 24000));
    for (const char *jobs : {"1", "2"}) {
        std::filesystem::create_directories(dir.path(jobs));
        EXPECT_EQ(Cli({"convert", "--dither", "--gain=-3", "-j", jobs, "-t", dir.path(jobs), x, y})
                          .status,
                  kCliOk);
    }
    for (const char *name : {"/x.wav", "/y.wav"})
        EXPECT_EQ(ReadFile(dir.path("1") + name), ReadFile(dir.path("2") + name));
    // 16-bit values at 0 dB: dither changes nothing.
    ASSERT_TRUE(
            WriteWithSndfile(dir.path("s.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000, 999));
    ASSERT_EQ(Cli({"convert", "--dither", dir.path("s.wav"), dir.path("d.wav")}).status, kCliOk);
    EXPECT_EQ(WavSamples(ReadFile(dir.path("d.wav")), 1, 8000),
              ExpectedConversion(dir.path("s.wav")));
    const auto whole = *WavSamples(ReadFile(dir.path("1/x.wav")), 2, 8000);
    ASSERT_EQ(Cli({"convert", "--start", "1.25", "--length", "0.5", "--dither", "--gain", "-3", x,
                   dir.path("part.wav")})
                      .status,
              kCliOk);
    EXPECT_EQ(WavSamples(ReadFile(dir.path("part.wav")), 2, 8000),
              std::vector<int16_t>(whole.begin() + 20000, whole.begin() + 28000));

    // clang-format off
    const std::pair<std::vector<std::string>, int> levels[] = {
        {{"--gain", "+3.25"}, kCliOk}, {{"--gain=-60"}, kCliOk}, {{"--normalize=-0.5"}, kCliOk},
        {{"--gain", "abc"}, kCliUsage}, {{"--gain", "nan"}, kCliUsage}, {{"--gain", "inf"}, kCliUsage},
        {{"--gain", "1e1"}, kCliUsage}, {{"--gain", "60.5"}, kCliUsage}, {{"--gain", "3."}, kCliUsage},
        {{"--gain", "-3.000000001"}, kCliOk}, {{"--gain", "-3.0000000001"}, kCliUsage}, {{"--gain", "0000000003"}, kCliUsage},
        {{"--normalize=1"}, kCliUsage}, {{"--normalize=-61"}, kCliUsage}, {{"--normalize="}, kCliUsage},
        {{"--normalize", "--gain", "3"}, kCliUsage}, {{"--dither=shaped"}, kCliUsage},
    };
    // clang-format on
    for (const auto &[options, status] : levels) {
        std::vector<std::string> args = {"convert"};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {x, dir.path("o.wav")});
        const CliRun r = Cli(args);
        EXPECT_EQ(r.status, status) << options[0];
        EXPECT_EQ(r.err.find("usage:") != std::string::npos, status == kCliUsage) << r.err;
    }
    WriteFile(dir.path("zero.wav"), WavPcm(1, 8000, 16, Bytes().zeros(200)));
    EXPECT_NE(Cli({"convert", "--normalize", dir.path("zero.wav"), dir.path("o.wav")})
                      .err.find("nothing to normalise"),
              std::string::npos);
}
