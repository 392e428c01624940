// Every fixture, damaged: cut short at every offset of its header and at a spread of
// offsets beyond, and with header fields overwritten by zero, all ones and values just
// past their limits. Each must give a refusal with a code, or a description whose
// reading and conversion end; never a crash, a hang or a read outside the file (the
// suite also runs under AddressSanitizer).
#include "fixtures.h"
#include "fuzz_checks.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// Opens, reads to the end, and converts one damaged file, through the checks that the
// fuzz targets make of every input.
void Exercise(const TempDir &dir, const std::string &fileName, const std::vector<uint8_t> &bytes)
{
    testing::internal::CaptureStdout(); // the conversion's diagnostic line
    const std::string read = fuzzchecks::CheckOpenReadAs(fileName, bytes.data(), bytes.size());
    const std::string converted
            = fuzzchecks::CheckConvertAs(dir.root(), fileName, bytes.data(), bytes.size());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(read, "");
    EXPECT_EQ(converted, "");
}

} // namespace

TEST(DamagedFiles, CutShort)
{
    TempDir dir;
    for (const AcceptedFixture &f : AcceptedFixtures()) {
        const std::vector<uint8_t> full = BytesOf(f).data();
        std::vector<size_t> cuts;
        for (size_t at = 0; at <= std::min<size_t>(full.size(), 96); ++at)
            cuts.push_back(at);
        for (size_t boundary : {1024, 2048}) // the fixed headers of NIST, IRCAM and PARIS
            for (size_t at = boundary - 4; at <= boundary + 4; ++at)
                cuts.push_back(at);
        for (int k = 1; k < 16; ++k)
            cuts.push_back(full.size() * k / 16);
        for (size_t at : cuts) {
            if (at >= full.size())
                continue;
            SCOPED_TRACE(std::string(f.what) + ", cut at " + std::to_string(at));
            Exercise(dir, f.fileName, std::vector<uint8_t>(full.begin(), full.begin() + at));
        }
    }
}

TEST(DamagedFiles, FieldsOverwritten)
{
    const uint32_t values32[] = {0, 0xFFFFFFFF, 0x7FFFFFFF, 0x80000000, 33, 257, 1025, 65536};
    const uint16_t values16[] = {0, 0xFFFF, 0x8000, 33, 257, 1025};
    TempDir dir;
    for (const AcceptedFixture &f : AcceptedFixtures()) {
        const std::vector<uint8_t> full = BytesOf(f).data();
        const size_t header = std::min<size_t>(full.size(), 64);
        for (size_t at = 0; at + 2 <= header; at += 2) {
            for (uint32_t v : values32) {
                if (at % 4 != 0 || at + 4 > header)
                    break;
                for (bool big : {false, true}) {
                    SCOPED_TRACE(std::string(f.what) + ", 32 bits at " + std::to_string(at) + " = "
                                 + std::to_string(v) + (big ? " BE" : " LE"));
                    std::vector<uint8_t> bytes = full;
                    for (int i = 0; i < 4; ++i)
                        bytes[at + i] = static_cast<uint8_t>(v >> (8 * (big ? 3 - i : i)));
                    Exercise(dir, f.fileName, bytes);
                }
            }
            for (uint16_t v : values16)
                for (bool big : {false, true}) {
                    SCOPED_TRACE(std::string(f.what) + ", 16 bits at " + std::to_string(at) + " = "
                                 + std::to_string(v) + (big ? " BE" : " LE"));
                    std::vector<uint8_t> bytes = full;
                    bytes[at] = static_cast<uint8_t>(big ? v >> 8 : v);
                    bytes[at + 1] = static_cast<uint8_t>(big ? v : v >> 8);
                    Exercise(dir, f.fileName, bytes);
                }
        }
    }
}
