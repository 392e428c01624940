// orvex-cli in-process (arguments, output, errors, exit status) and once as the real
// binary.
#include "fixtures.h"
#include "orvex_cli.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdio>
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

Bytes Frames(int n, int channels)
{
    Bytes b;
    for (int i = 0; i < n * channels; ++i)
        b.le16(static_cast<uint16_t>(i));
    return b;
}

} // namespace

TEST(CliInfo, TextBlocks)
{
    TempDir dir;
    WriteFile(dir.path("a.wav"), WavPcm(2, 44100, 16, Frames(1000, 2)));
    WriteFile(dir.path("x.bin"), Bytes().str("not audio at all"));

    CliRun one = Cli({"info", dir.path("a.wav")});
    EXPECT_EQ(one.status, kCliOk);
    EXPECT_EQ(one.out,
              "Format: WAV\nSample Rate: 44100\nNumber of Samples: 1000\nChannels: 2\n"
              "Bit Width: 16\n");
    EXPECT_EQ(one.err, "");

    CliRun many = Cli({"info", dir.path("a.wav"), dir.path("x.bin"), dir.path("a.wav")});
    EXPECT_EQ(many.status, kCliFailed);
    const std::string block = "Format: WAV\nSample Rate: 44100\nNumber of Samples: 1000\n"
                              "Channels: 2\nBit Width: 16\n";
    EXPECT_EQ(many.out,
              "==> " + dir.path("a.wav") + " <==\n" + block + "\n==> " + dir.path("x.bin")
                      + " <==\n\n==> " + dir.path("a.wav") + " <==\n" + block);
    EXPECT_EQ(many.err,
              "orvex-cli: " + dir.path("x.bin")
                      + ": Error while opening RAW file for read. Must specify format, "
                        "pcmbitwidth and channels. (code 51)\n");
}

TEST(CliInfo, JsonLines)
{
    TempDir dir;
    WriteFile(dir.path("a.wav"), WavPcm(2, 44100, 16, Frames(1000, 2)));
    WriteFile(dir.path("le.au"), Au(false, 3, 8000, 1, Frames(3, 1)));
    WriteFile(dir.path("x.bin"), Bytes().str("not audio at all"));
    CliRun r = Cli({"info", "--json", dir.path("a.wav"), dir.path("le.au"), dir.path("x.bin")});
    EXPECT_EQ(r.status, kCliFailed);
    EXPECT_EQ(r.out,
              "{\"path\":\"" + dir.path("a.wav")
                      + "\",\"format\":\"WAV\",\"sampleRate\":44100,\"samples\":1000,"
                        "\"channels\":2,\"bitWidth\":16,\"kind\":\"WAV\",\"encoding\":\"PCM\"}\n"
                        "{\"path\":\""
                      + dir.path("le.au")
                      + "\",\"format\":\"DEC AU\",\"sampleRate\":8000,\"samples\":3,"
                        "\"channels\":1,\"bitWidth\":16,\"kind\":\"AULE\",\"encoding\":\"PCM\"}\n"
                        "{\"path\":\""
                      + dir.path("x.bin")
                      + "\",\"error\":51,\"message\":\"Error while opening RAW file for read. "
                        "Must specify format, pcmbitwidth and channels.\"}\n");
}

TEST(CliInfo, JsonStringsAreValid)
{
    EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString("tab\there\nnl\x01"), "\"tab\\there\\nnl\\u0001\"");
    EXPECT_EQ(JsonString("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5"),
              "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5\"");
    // Bytes that are not UTF-8 (a lone continuation, a Latin-1 letter, an overlong
    // form, an encoded surrogate) are escaped one by one.
    EXPECT_EQ(JsonString("\x80"), "\"\\udc80\"");
    EXPECT_EQ(JsonString("caf\xe9"), "\"caf\\udce9\"");
    EXPECT_EQ(JsonString("\xc0\xaf"), "\"\\udcc0\\udcaf\"");
    EXPECT_EQ(JsonString("\xed\xa0\x80"), "\"\\udced\\udca0\\udc80\"");
}

TEST(CliUsage, VersionHelpAndMistakes)
{
    EXPECT_EQ(Cli({"--version"}).out, "orvex-cli 1.0.0.1\n");
    CliRun help = Cli({"--help"});
    EXPECT_EQ(help.status, kCliOk);
    EXPECT_NE(help.out.find("info [--json] FILE..."), std::string::npos);
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
                 {}, {"frobnicate"}, {"info"}, {"info", "--xml", "a"}}) {
        CliRun r = Cli(args);
        EXPECT_EQ(r.status, kCliUsage);
        EXPECT_NE(r.err.find("usage:"), std::string::npos);
    }
    // After "--" a name that starts with a dash is a file.
    CliRun r = Cli({"info", "--", "-nonexistent"});
    EXPECT_EQ(r.status, kCliFailed);
    EXPECT_EQ(r.err, "orvex-cli: -nonexistent: Could not open file. (code 2)\n");
}

// (The failures, and that they leave the user's files alone, are in test_users_files.cpp.)
TEST(CliConvert, SuccessAndUsage)
{
    TempDir dir;
    WriteFile(dir.path("in.wav"), WavPcm(1, 8000, 24, Bytes().le24(0x123456).le24(0xFEDCBA)));
    CliRun ok = Cli({"convert", dir.path("in.wav"), dir.path("out.wav")});
    EXPECT_EQ(ok.status, kCliOk);
    EXPECT_EQ(ok.err, "");
    EXPECT_EQ(ReadFile(dir.path("out.wav")).size(), 48u);
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
                 {"convert"}, {"convert", "a"}, {"convert", "a", "b", "c"}, {"convert", "", "b"}})
        EXPECT_EQ(Cli(args).status, kCliUsage);
}

TEST(CliConvert, SaysHowManyFloatSamplesWereClipped)
{
    TempDir dir;
    WriteFile(dir.path("f.wav"),
              Wav(3, 1, 8000, 32, 4, Bytes().f32le(2.0f).f32le(-3.0f).f32le(0.5f)));
    CliRun r = Cli({"convert", dir.path("f.wav"), dir.path("o.wav")});
    EXPECT_EQ(r.status, kCliOk);
    EXPECT_EQ(r.err, "orvex-cli: " + dir.path("f.wav") + ": 2 samples clipped\n");
}

// The real binary writes the same bytes as an in-process conversion, also to
// standard output (whose header keeps its placeholder sizes).
TEST(CliBinary, ConvertMatchesInProcess)
{
    TempDir dir;
    ASSERT_TRUE(WriteWithSndfile(dir.path("in.aif"), SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 2, 44100,
                                 3000));
    ASSERT_EQ(Cli({"convert", dir.path("in.aif"), dir.path("inproc.wav")}).status, kCliOk);
    const std::string bin = ORVEX_CLI_BINARY;
    ASSERT_EQ(std::system(
                      (bin + " convert " + dir.path("in.aif") + " " + dir.path("bin.wav")).c_str()),
              0);
    ASSERT_EQ(std::system((bin + " convert " + dir.path("in.aif") + " - > " + dir.path("piped.wav"))
                                  .c_str()),
              0);
    // Standard input, read once from its start, gives the same file.
    ASSERT_EQ(std::system(("cat " + dir.path("in.aif") + " | " + bin + " convert - "
                           + dir.path("stdin.wav"))
                                  .c_str()),
              0);
    const std::vector<uint8_t> inproc = ReadFile(dir.path("inproc.wav"));
    EXPECT_EQ(ReadFile(dir.path("bin.wav")), inproc);
    EXPECT_EQ(ReadFile(dir.path("stdin.wav")), inproc);
    // Redirected to a file, standard output can seek, so the sizes are final there too.
    EXPECT_EQ(ReadFile(dir.path("piped.wav")), inproc);
    ASSERT_EQ(std::system((bin + " convert " + dir.path("in.aif") + " - | cat > "
                           + dir.path("pipe.wav"))
                                  .c_str()),
              0);
    std::vector<uint8_t> pipe = ReadFile(dir.path("pipe.wav"));
    ASSERT_EQ(pipe.size(), inproc.size());
    EXPECT_TRUE(std::equal(pipe.begin() + 44, pipe.end(), inproc.begin() + 44));
    EXPECT_EQ(pipe[4] | (pipe[5] << 8) | (pipe[6] << 16) | (pipe[7] << 24), 2147483639);
}
