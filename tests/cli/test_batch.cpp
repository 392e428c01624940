// orvex-cli convert -t DIR INPUT...: every file written exactly as converting it alone would
// write it, on several threads; a failed file reported while the others go on; a batch whose
// inputs would collide refused before anything is written; and, run from several threads at
// once, the binding keeping each thread's files and codes apart.
#include "audio_file_info.h"
#include "fixtures.h"
#include "orvex_cli.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

using namespace fixtures;

namespace {

std::pair<int, std::string> Cli(const std::vector<std::string> &args)
{
    std::ostringstream out, err;
    const int status = RunOrvexCli(args, out, err);
    return {status, out.str() + err.str()};
}

} // namespace

TEST(Batch, ConvertsEachAsAloneAndGoesOnPastFailures)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path("in"));
    std::filesystem::create_directories(dir.path("out"));
    std::vector<std::string> inputs;
    const int formats[] = {0x010003 /* WAV 24 */, 0x020002 /* AIFF 16 */, 0x010006 /* WAV float */,
                           0x010012 /* WAV IMA ADPCM */, 0x030010 /* AU u-law */};
    for (int i = 0; i < 20; ++i) {
        inputs.push_back(dir.path("in/take " + std::to_string(i) + (i % 5 == 1 ? ".aif" : ".wav")));
        ASSERT_TRUE(WriteWithSndfile(inputs.back(), formats[i % 5], 1 + i % 2, 8000 + 1000 * i,
                                     3000 + 97 * i));
    }
    WriteFile(dir.path("in/short.aif"), Aiff(1, 1000, 16, 8000, Be16s({1, 2, 3})));
    WriteFile(dir.path("in/notes.txt"), Bytes().str("not audio"));
    inputs.push_back(dir.path("in/short.aif"));
    inputs.push_back(dir.path("in/notes.txt"));
    std::vector<std::string> args = {"convert", "-j", "3", "-t", dir.path("out")};
    args.insert(args.end(), inputs.begin(), inputs.end());
    const auto [status, err] = Cli(args);
    EXPECT_EQ(status, kCliFailed);
    // The refused file and the one that ends early speak, though standard error is no
    // terminal here, as each would alone.
    const std::string refused = Cli({"convert", inputs.back(), dir.path("alone.wav")}).second;
    const std::string early = Cli({"convert", inputs[20], dir.path("alone.wav")}).second;
    EXPECT_TRUE(err == refused + early || err == early + refused) << err;
    for (size_t i = 0; i + 2 < inputs.size(); ++i) {
        ASSERT_EQ(Cli({"convert", inputs[i], dir.path("alone.wav")}).first, kCliOk);
        EXPECT_EQ(ReadFile(dir.path("out/take " + std::to_string(i) + ".wav")),
                  ReadFile(dir.path("alone.wav")))
                << inputs[i];
    }
    EXPECT_EQ(FolderEntries(dir.path("out")).size(), 21u); // nothing else: no temporary file

    // Collisions are refused before anything is written, each named.
    std::filesystem::remove_all(dir.path("out"));
    std::filesystem::create_directories(dir.path("out"));
    std::filesystem::copy_file(inputs[1], dir.path("in/take 0.aif")); // take 0.wav's output too
    EXPECT_EQ(Cli({"convert", "-t", dir.path("out"), inputs[0], dir.path("in/take 0.aif")}),
              std::pair(kCliUsage,
                        "orvex-cli: " + inputs[0] + " and " + dir.path("in/take 0.aif")
                                + " would both be written to " + dir.path("out/take 0.wav")
                                + "\n"));
    EXPECT_EQ(Cli({"convert", "-t", dir.path("in"), inputs[2]}).first, kCliUsage); // onto itself
    EXPECT_EQ(Cli({"convert", "-t", inputs[1], inputs[2]}).first, kCliUsage); // not a folder
    EXPECT_EQ(Cli({"convert", "--jobs=0", "-t", dir.path("out"), inputs[0]}).first, kCliUsage);
    EXPECT_EQ(Cli({"convert", "-t", dir.path("nowhere"), inputs[0]}).first, kCliUsage);
    EXPECT_TRUE(FolderEntries(dir.path("out")).empty());
}

// Threads converting different files at once, good and refused, each see their own results
// and codes, the same as one thread alone.
TEST(Batch, ThreadsKeepTheirFilesAndCodesApart)
{
    TempDir dir;
    ASSERT_TRUE(WriteWithSndfile(dir.path("a.wav"), 0x010012 /* IMA ADPCM */, 2, 22050, 20000));
    ASSERT_TRUE(WriteWithSndfile(dir.path("b.aif"), 0x020003 /* AIFF 24 */, 1, 44100, 20000));
    WriteFile(dir.path("c.txt"), Bytes().str("not audio"));
    const std::string names[] = {"a.wav", "b.aif", "c.txt"};
    auto convert = [&](int t, int round) {
        CAudioFileInfo audio;
        audio.SetInputPath(dir.path(names[(t + round) % 3]));
        audio.SetOutputPath(dir.path("out" + std::to_string(t) + ".wav"));
        audio.SetDiagnosticStream(nullptr);
        const bool ok = audio.Convert();
        return std::pair(ok ? ReadFile(dir.path("out" + std::to_string(t) + ".wav"))
                            : std::vector<uint8_t>{},
                         audio.GetOutcome().code);
    };
    std::vector<std::pair<std::vector<uint8_t>, AudioError>> alone;
    for (int i = 0; i < 3; ++i)
        alone.push_back(convert(i, 0));
    EXPECT_EQ(alone[2].second, AudioError::RawBadSpec);
    std::vector<std::thread> threads;
    std::vector<int> mismatches(6, 0);
    for (int t = 0; t < 6; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 4; ++round)
                mismatches[size_t(t)] += convert(t, round) != alone[size_t((t + round) % 3)];
        });
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(6, 0));
}
