// Every input that once made a fuzz target fail (fuzz/regressions/*.hex: hex digits, with
// '#' comment lines), run again through the same check as that target.
#include "fixtures.h"
#include "fuzz_checks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

TEST(FuzzRegressions, EveryKeptInputPasses)
{
    fixtures::TempDir dir;
    for (const auto &entry :
         std::filesystem::directory_iterator(ORVEX_SOURCE_DIR "/fuzz/regressions")) {
        const std::string name = entry.path().filename();
        if (entry.path().extension() != ".hex")
            continue;
        std::ifstream in(entry.path());
        std::string line, digits;
        while (std::getline(in, line))
            if (line.empty() || line[0] != '#')
                for (char c : line)
                    if (std::isxdigit(static_cast<unsigned char>(c)))
                        digits += c;
        std::vector<uint8_t> input;
        for (size_t i = 0; i + 1 < digits.size(); i += 2)
            input.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
        const uint8_t *data = input.data();
        const std::string failure = name.starts_with("open_read-")
                ? fuzzchecks::CheckOpenRead(data, input.size())
                : name.starts_with("convert-")
                ? fuzzchecks::CheckConvert(dir.root(), data, input.size())
                : name.starts_with("host_params-") ? fuzzchecks::CheckParse(data, input.size())
                : name.starts_with("differential-")
                ? fuzzchecks::CheckSamplesAgree(data, input.size())
                : "no target named by the file's prefix";
        EXPECT_EQ(failure, "") << name;
    }
}
