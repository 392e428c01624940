// Run from several threads at once, as orvex-cli convert -t does, the binding keeps each
// thread's files and codes apart. (test_batch.sh runs the batches themselves.)
#include "audio_file_info.h"
#include "fixtures.h"

#include <gtest/gtest.h>

#include <thread>

using namespace fixtures;

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
