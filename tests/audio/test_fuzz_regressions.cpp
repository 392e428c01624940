// Every input that once made a fuzz target fail (fuzz/regressions/*.hex), run again
// through the same check as that target.
#include "fixtures.h"
#include "fuzz_checks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::vector<uint8_t> ParseHex(const std::string &path)
{
    std::ifstream in(path);
    std::vector<uint8_t> bytes;
    std::string line, digits;
    while (std::getline(in, line))
        if (line.empty() || line[0] != '#')
            for (char c : line)
                if (std::isxdigit(static_cast<unsigned char>(c)))
                    digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

} // namespace

TEST(FuzzRegressions, EveryKeptInputPasses)
{
    fixtures::TempDir dir;
    int seen = 0;
    for (const auto &entry : std::filesystem::directory_iterator(ORVEX_FUZZ_REGRESSIONS)) {
        const std::string name = entry.path().filename();
        if (entry.path().extension() != ".hex")
            continue;
        SCOPED_TRACE(name);
        ++seen;
        const std::vector<uint8_t> input = ParseHex(entry.path());
        std::string failure;
        if (name.rfind("open_read-", 0) == 0)
            failure = fuzzchecks::CheckOpenRead(dir.root(), input.data(), input.size());
        else if (name.rfind("convert-", 0) == 0)
            failure = fuzzchecks::CheckConvert(dir.root(), input.data(), input.size());
        else if (name.rfind("host_params-", 0) == 0)
            failure = fuzzchecks::CheckParse(input.data(), input.size());
        else
            failure = "no target named by the file's prefix";
        EXPECT_EQ(failure, "");
    }
    RecordProperty("inputs", seen);
}
