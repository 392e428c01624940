// The user's files are safe: a conversion that fails for any reason leaves the input
// untouched and whatever stood at the output path as it was, with no temporary file
// left behind, and orvex-cli says why and exits non-zero. Paths are taken as users
// have them: spaces, quotes, letters beyond ASCII, bytes that are not UTF-8.
#include "fixtures.h"
#include "orvex_cli.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

using namespace fixtures;

namespace {

struct Result
{
    int status;
    std::string err;
};

Result Convert(const std::string &input, const std::string &output)
{
    std::ostringstream out, err;
    testing::internal::CaptureStdout(); // the conversion's own diagnostic line
    const int status = RunOrvexCli({"convert", input, output}, out, err);
    testing::internal::GetCapturedStdout();
    return {status, err.str()};
}

} // namespace

TEST(UsersFiles, FailedConversionsChangeNothing)
{
    TempDir dir;
    const Bytes input = WavPcm(2, 44100, 16, Le16s({1, 2, 3, 4, 5, 6}));
    const Bytes earlier = Bytes().str("the user's earlier take");
    const Bytes notAudio = Bytes().str("a text file, not audio");
    WriteFile(dir.path("in.wav"), input);
    WriteFile(dir.path("notes.txt"), notAudio);
    WriteFile(dir.path("out.wav"), earlier);
    WriteFile(dir.path("long.aif"), Aiff(2, 0x7FFFFFFF, 16, 44100, Be16s({1, 2})));
    ASSERT_EQ(::symlink("in.wav", dir.path("link.wav").c_str()), 0);
    ASSERT_EQ(::link(dir.path("in.wav").c_str(), dir.path("hard.wav").c_str()), 0);
    const std::vector<std::string> before = FolderEntries(dir.root());

    struct Case
    {
        const char *what;
        std::string input, output;
        std::string reason; // the end of the message on standard error
    };
    // clang-format off
    const Case cases[] = {
        {"input refused", dir.path("notes.txt"), dir.path("out.wav"), "(code 51)\n"},
        {"input missing", dir.path("gone.wav"), dir.path("out.wav"), "Could not open file. (code 2)\n"},
        {"output names the input", dir.path("in.wav"), dir.path("in.wav"), "(code 71)\n"},
        {"output links to the input", dir.path("in.wav"), dir.path("link.wav"), "(code 71)\n"},
        {"output is a hard link to the input", dir.path("in.wav"), dir.path("hard.wav"), "(code 71)\n"},
        {"output over 4 GiB", dir.path("long.aif"), dir.path("out.wav"), "(code 72)\n"},
        {"output folder cannot be written", dir.path("in.wav"), "/proc/orvex-out.wav", "Could not open file. (code 2)\n"},
        {"output folder missing", dir.path("in.wav"), dir.path("nowhere/out.wav"), "Could not open file. (code 2)\n"},
        {"output on a full device", dir.path("in.wav"), "/dev/full", "Short write error. (code 20)\n"},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const Result r = Convert(c.input, c.output);
        EXPECT_EQ(r.status, kCliFailed);
        EXPECT_TRUE(r.err.ends_with(c.reason)) << r.err;
        EXPECT_EQ(ReadFile(dir.path("in.wav")), input.data());
        EXPECT_EQ(ReadFile(dir.path("notes.txt")), notAudio.data());
        EXPECT_EQ(ReadFile(dir.path("out.wav")), earlier.data());
        EXPECT_EQ(FolderEntries(dir.root()), before);
    }
}

// A medium that fills up half-way through: the earlier output survives whole.
TEST(UsersFiles, DiskFullMidway)
{
    TempDir dir;
    ASSERT_TRUE(WriteWithSndfile(dir.path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 48000,
                                 100000));
    const Bytes earlier = Bytes().str("the user's earlier take");
    WriteFile(dir.path("out.wav"), earlier);
    const std::vector<uint8_t> input = ReadFile(dir.path("in.wav"));

    struct rlimit old
    {
    };
    ::getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 150000; // as if the disk held 150 kB more
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const Result r = Convert(dir.path("in.wav"), dir.path("out.wav"));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(r.status, kCliFailed);
    EXPECT_EQ(r.err, "orvex-cli: " + dir.path("out.wav") + ": Short write error. (code 20)\n");
    EXPECT_EQ(ReadFile(dir.path("in.wav")), input);
    EXPECT_EQ(ReadFile(dir.path("out.wav")), earlier.data());
    EXPECT_EQ(FolderEntries(dir.root()), (std::vector<std::string>{"in.wav", "out.wav"}));
}

// Where the folder's permissions stop the user (not root, whom they do not stop).
TEST(UsersFiles, ReadOnlyFolder)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    TempDir dir;
    std::filesystem::create_directory(dir.path("locked"));
    WriteFile(dir.path("in.wav"), WavPcm(1, 8000, 16, Le16s({1})));
    std::filesystem::permissions(dir.path("locked"),
                                 std::filesystem::perms::owner_read
                                         | std::filesystem::perms::owner_exec);
    const Result r = Convert(dir.path("in.wav"), dir.path("locked/out.wav"));
    EXPECT_EQ(r.status, kCliFailed);
    EXPECT_TRUE(FolderEntries(dir.path("locked")).empty());
}

TEST(UsersFiles, PathsAsUsersHaveThem)
{
    TempDir dir;
    const std::string names[] = {"take one.wav",       "the \"best\" take's mix.wav",
                                 "Grüße – café ♪.wav", "latin1 caf\xe9.wav",
                                 "-dash.wav",          " spaces around .wav"};
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        const std::string input = dir.path(name);
        const std::string output = dir.path("out " + name);
        WriteFile(input, WavPcm(1, 8000, 16, Le16s({100, -100, 7})));
        std::ostringstream out, err;
        ASSERT_EQ(RunOrvexCli({"info", "--", input}, out, err), kCliOk) << err.str();
        EXPECT_EQ(out.str(),
                  "Format: WAV\nSample Rate: 8000\nNumber of Samples: 3\nChannels: 1\n"
                  "Bit Width: 16\n");
        const Result r = Convert(input, output);
        EXPECT_EQ(r.status, kCliOk) << r.err;
        EXPECT_EQ(WavSamples(ReadFile(output), 1, 8000), (std::vector<int16_t>{100, -100, 7}));
        std::ostringstream json, jsonErr;
        RunOrvexCli({"info", "--json", input}, json, jsonErr);
        EXPECT_EQ(json.str().rfind("{\"path\":" + JsonString(input) + ",", 0), 0u);
    }
}
