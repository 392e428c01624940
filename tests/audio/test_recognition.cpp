// Container recognition: the first twelve bytes decide, in a fixed order, and only a
// file that nothing recognises is taken as header-less u-law by its name.
#include "container_readers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace std::string_literals;

using orvex::Recognised;

namespace {

struct Case
{
    const char *what;
    std::string head; // up to 12 bytes; the rest are zero
    std::string path;
    Recognised expected;
};

Recognised Recognise(const Case &c)
{
    unsigned char head[12] = {};
    std::memcpy(head, c.head.data(), std::min<size_t>(c.head.size(), 12));
    return orvex::RecogniseContainer(head, c.path);
}

std::string B(std::initializer_list<unsigned char> bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(Recognition, FirstTwelveBytesInOrder)
{
    const Case cases[] = {
            {"WAV", "RIFF\x24\0\0\0WAVE"s, "x", Recognised::Wav},
            {"RIFF that is not WAVE, named .au", "RIFF\x24\0\0\0AVI "s, "x.au",
             Recognised::HeaderlessUlaw},
            {"RIFF that is not WAVE, named .wav", "RIFF\x24\0\0\0AVI "s, "x.wav", Recognised::Raw},
            {"AIFF", "FORM\0\0\0\0AIFF"s, "x", Recognised::Aiff},
            {"AIFC", "FORM\0\0\0\0AIFC"s, "x", Recognised::Aiff},
            {"8SVX",
             "FORM\0\0\0\0"
             "8SVX"s,
             "x", Recognised::Svx},
            {"16SV",
             "FORM\0\0\0\0"
             "16SV"s,
             "x", Recognised::Svx},
            {"FORM of another type wins over the name", "FORM\0\0\0\0ILBM"s, "pic.au",
             Recognised::FormOther},
            {"AU big-endian", ".snd", "x", Recognised::Au},
            {"AU little-endian", "dns.", "x", Recognised::Au},
            {"PARIS little-endian", "fap ", "x", Recognised::Paf},
            {"PARIS big-endian", " paf", "x", Recognised::Paf},
            {"NIST", "NIST_1A\n", "x", Recognised::Nist},
            {"Samplitude", "SEKDSAMR", "x", Recognised::Sekd},
            {"SEKD without SAMR", "SEKDxxxx", "x", Recognised::Raw},
            {"Creative Voice", "Creative Voice File", "x", Recognised::Voc},
            {"IRCAM 64 A3 03 00", B({0x64, 0xA3, 0x03, 0x00}), "x", Recognised::Ircam},
            {"IRCAM 64 A3 07 00", B({0x64, 0xA3, 0x07, 0x00}), "x", Recognised::Ircam},
            {"IRCAM 00 02 A3 64", B({0x00, 0x02, 0xA3, 0x64}), "x", Recognised::Ircam},
            {"not IRCAM: 64 A3 08 00", B({0x64, 0xA3, 0x08, 0x00}), "x", Recognised::Raw},
            {"not IRCAM: 64 A3 01 01", B({0x64, 0xA3, 0x01, 0x01}), "x", Recognised::Raw},
            {"REX2", "CAT \0\0\0\0REX2"s, "x", Recognised::Rex2},
            {"CAT without REX2", "CAT \0\0\0\0AIFF"s, "x", Recognised::Raw},
            {"ASF", B({0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11}), "x.snd", Recognised::Wma},
            {"a marker beats the name", ".snd", "x.wav", Recognised::Au},
            {"nothing known, .au", "hello world", "voice.au", Recognised::HeaderlessUlaw},
            {"nothing known, .SND", "hello world", "voice.SND", Recognised::HeaderlessUlaw},
            {"nothing known, .snd2", "hello world", "voice.snd2", Recognised::Raw},
            {"nothing known, no dot", "hello world", "voice", Recognised::Raw},
            {"empty file named a.au", "", "a.au", Recognised::HeaderlessUlaw},
            {"markers are case-sensitive", "riff\0\0\0\0wave"s, "x", Recognised::Raw},
            {"short file, zeros after", "RIF", "x", Recognised::Raw},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Recognise(c), c.expected) << c.what;
}

TEST(Recognition, HeaderlessUlawName)
{
    const std::pair<const char *, bool> cases[] = {
            {"take.AU", true},
            {"x.Snd", true},
            {"/music/a.b/voice.au", true},
            {"x.au2", false},
            {"x.", false},
            {"noext", false},
            {"dir.au/file", false},
            {"C:\\rec\\t.SND", true},
            {"C:\\rec.au\\t", false},
            {"/a\\b.au", true},
            {".au", true},
            {"", false},
    };
    for (auto [path, expected] : cases)
        EXPECT_EQ(orvex::HasHeaderlessUlawName(path), expected) << path;
}
