// The user's files are safe: a conversion that fails for any reason leaves the input
// untouched and whatever stood at the output path as it was, with no temporary file left
// behind, and orvex-cli says why and exits non-zero.
#include "fixtures.h"
#include "orvex_cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <sstream>
#include <sys/resource.h>

using namespace fixtures;

namespace {

// Every file in the folder with its bytes.
std::vector<std::pair<std::string, std::vector<uint8_t>>> Snapshot(const TempDir &dir)
{
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (const std::string &name : FolderEntries(dir.root()))
        files.emplace_back(name, ReadFile(dir.path(name)));
    return files;
}

std::pair<int, std::string> Cli(const std::vector<std::string> &args)
{
    std::ostringstream out, err;
    testing::internal::CaptureStdout(); // the conversion's own diagnostic line
    const int status = RunOrvexCli(args, out, err);
    testing::internal::GetCapturedStdout();
    return {status, out.str() + err.str()};
}

} // namespace

TEST(UsersFiles, FailedConversionsChangeNothing)
{
    TempDir dir;
    WriteFile(dir.path("in.wav"), WavPcm(2, 44100, 16, Le16s({1, 2, 3, 4, 5, 6})));
    WriteFile(dir.path("notes.txt"), Bytes().str("a text file, not audio"));
    WriteFile(dir.path("out.wav"), Bytes().str("the user's earlier take"));
    ASSERT_TRUE(WriteWithSndfile(dir.path("big.wav"), 0x010003 /* WAV 24-bit */, 2, 48000, 100000));
    ASSERT_EQ(::symlink("in.wav", dir.path("link.wav").c_str()), 0);
    ASSERT_EQ(::link(dir.path("in.wav").c_str(), dir.path("hard.wav").c_str()), 0);
    ASSERT_EQ(::symlink("circle.wav", dir.path("circle.wav").c_str()), 0);
    const auto before = Snapshot(dir);
    // clang-format off
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {dir.path("notes.txt"), dir.path("out.wav"), "(code 51)\n"},
        {dir.path("gone.wav"), dir.path("out.wav"), "Could not open file. (code 2)\n"},
        {dir.path("in.wav"), dir.path("in.wav"), "(code 71)\n"},           // the output is the input,
        {dir.path("in.wav"), dir.path("link.wav"), "(code 71)\n"},         // through a link
        {dir.path("in.wav"), dir.path("hard.wav"), "(code 71)\n"},         // or a hard link
        {dir.path("in.wav"), dir.path("circle.wav"), "a symbolic link that leads back to itself"},
        {dir.path("in.wav"), "/proc/orvex-out.wav", "Could not open file. (code 2)\n"},
        {dir.path("in.wav"), dir.path("nowhere/out.wav"), "Could not open file. (code 2)\n"},
        {dir.path("in.wav"), "/dev/full", "Short write error. (code 20)\n"},
        {dir.path("big.wav"), dir.path("out.wav"), "Short write error. (code 20)\n"}, // disk fills
    };
    // clang-format on
    for (const auto &[input, output, reason] : cases) {
        // The last case's medium fills up half-way, as if the disk held 150 kB more.
        struct rlimit old
        {
        }, small{150000, RLIM_INFINITY};
        ::getrlimit(RLIMIT_FSIZE, &old);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(input == dir.path("big.wav") ? ::setrlimit(RLIMIT_FSIZE, &small) : 0, 0);
        const auto [status, err] = Cli({"convert", input, output});
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(status, kCliFailed);
        EXPECT_NE(err.find(reason), std::string::npos) << err;
        EXPECT_TRUE(Snapshot(dir) == before) << input << " " << output;
    }
}

// Outputs as the file system has them: a symbolic link is written through to the file it
// names (made where it is missing) and stays a link; a replaced file keeps its owner and
// permissions but not set-user-ID; a hard link is replaced, not written through; -n keeps
// what exists. Names with control characters stay on one line of a message.
TEST(UsersFiles, OutputsAsTheFileSystemHasThem)
{
    TempDir dir;
    WriteFile(dir.path("in.wav"), WavPcm(1, 8000, 16, Le16s({5, -5})));
    std::filesystem::create_directories(dir.path("takes"));
    ASSERT_EQ(::symlink("takes/new.wav", dir.path("dangling.wav").c_str()), 0);
    WriteFile(dir.path("target.wav"), Bytes().str("old"));
    ASSERT_EQ(::symlink("target.wav", dir.path("link.wav").c_str()), 0);
    WriteFile(dir.path("owned.wav"), Bytes().str("old"));
    ASSERT_EQ(::chmod(dir.path("owned.wav").c_str(), 04754), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(dir.path("owned.wav").c_str(), 1234, 4321), 0);
        ASSERT_EQ(::chmod(dir.path("owned.wav").c_str(), 04754), 0); // chown cleared it
    }
    WriteFile(dir.path("hard.wav"), Bytes().str("old"));
    ASSERT_EQ(::link(dir.path("hard.wav").c_str(), dir.path("other name.wav").c_str()), 0);
    for (const char *out : {"dangling.wav", "link.wav", "owned.wav", "hard.wav"})
        ASSERT_EQ(Cli({"convert", dir.path("in.wav"), dir.path(out)}).first, kCliOk) << out;
    const std::vector<int16_t> expected{5, -5};
    for (const char *written : {"takes/new.wav", "target.wav", "owned.wav", "hard.wav"})
        EXPECT_EQ(WavSamples(ReadFile(dir.path(written)), 1, 8000), expected) << written;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path("dangling.wav")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path("link.wav")));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(dir.path("owned.wav").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0754u);
    EXPECT_TRUE(!root || (st.st_uid == 1234 && st.st_gid == 4321));
    EXPECT_EQ(ReadFile(dir.path("other name.wav")), Bytes().str("old").data());

    EXPECT_EQ(Cli({"convert", "-n", dir.path("in.wav"), dir.path("target.wav")}),
              std::pair(kCliOk,
                        "orvex-cli: " + dir.path("target.wav")
                                + ": kept as it was (--no-clobber)\n"));
    WriteFile(dir.path("a\nb\a.wav"), Bytes().str("not audio"));
    const std::string said = Cli({"info", dir.path("a\nb\a.wav")}).second;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;
    EXPECT_NE(said.find("'a'$'\\n''b'$'\\a''.wav'"), std::string::npos) << said;
}
