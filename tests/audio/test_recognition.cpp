// Container recognition: the first twelve bytes decide, in a fixed order, and only a file
// that nothing recognises is taken as header-less u-law by its name.
#include "container.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace std::string_literals;

TEST(Recognition, FirstTwelveBytesInOrderThenTheName)
{
    struct Case
    {
        std::string head, path;
        std::string expected; // the recognising container's name
    };
    // clang-format off
    const Case cases[] = {
        {"RIFF\x24\0\0\0WAVE"s, "x", "WAV"},           {"RIFF\x24\0\0\0AVI "s, "x.au", "header-less u-law"},
        {"RIFF\x24\0\0\0AVI "s, "x.wav", "AVI video"},       {"FORM\0\0\0\0AIFF"s, "x", "AIFF"},
        {"FORM\0\0\0\0AIFC"s, "x", "AIFF"},            {"FORM\0\0\0\0" "8SVX"s, "x", "IFF 8SVX/16SV"},
        {"FORM\0\0\0\0" "16SV"s, "x", "IFF 8SVX/16SV"},          {"FORM\0\0\0\0ILBM"s, "pic.au", "IFF"},
        {".snd", "x.wav", "AU"},                       {"dns.", "x", "AU"},
        {"fap ", "x", "PARIS"},                          {" paf", "x", "PARIS"},
        {"NIST_1A\n", "x", "NIST Sphere"},                    {"SEKDSAMR", "x", "Samplitude"},
        {"SEKDxxxx", "x", "none"},                      {"Creative Voice File", "x", "Creative Voice"},
        {"\x64\xA3\x03\0"s, "x", "IRCAM"},             {"\x64\xA3\x07\0"s, "x", "IRCAM"},
        {"\0\x02\xA3\x64"s, "x", "IRCAM"},             {"\x64\xA3\x08\0"s, "x", "none"},
        {"\x64\xA3\x01\x01"s, "x", "none"},             {"CAT \0\0\0\0REX2"s, "x", "REX2"},
        {"CAT \0\0\0\0AIFF"s, "x", "none"},             {"\x30\x26\xB2\x75\x8E\x66\xCF\x11", "x.snd", "Windows Media"},
        {"hello world", "/a.b/voice.au", "header-less u-law"}, {"hello world", "C:\\rec\\t.SND", "header-less u-law"},
        {"hello world", "voice.snd2", "none"},          {"hello world", "dir.au/voice", "none"},
        {"hello world", "C:\\rec.au\\t", "none"},       {"hello world", "/a\\b.Au", "header-less u-law"},
        {"", "a.au", "header-less u-law"},                {"riff\0\0\0\0wave"s, "x", "none"},
        {"RIF", "noext", "none"},                       {"hello", "x.", "none"},
        // Formats named only to be refused, after every name.
        {"MThd", "x", "MIDI"},                          {"RIFF\0\0\0\0RMID"s, "x", "MIDI"},
        {"\0\0\0\x14" "ftypqt  "s, "x", "QuickTime"},   {"\0\0\0\x14" "ftypM4A "s, "x", "M4A/AAC"},
        {"\xFF\xFB", "x", "MP3"},                        {"\xFF\xFD", "x", "MPEG audio"},
        {"\xFF\xF1", "x", "AAC"},                        {"\xFF\xE1", "x", "none"},
        {"BW64", "x", "RF64"},                          {"ID3", "a.au", "header-less u-law"},
    };
    // clang-format on
    for (const Case &c : cases) {
        unsigned char head[12] = {};
        std::memcpy(head, c.head.data(), std::min<size_t>(c.head.size(), 12));
        const orvex::Container *found = orvex::RecogniseContainer(head, c.path);
        EXPECT_EQ(found ? found->Name() : "none", c.expected) << c.head << " " << c.path;
    }
}

// Every kind of the format word, up to the largest any container reports, has its names, and
// only one container names each, so that no description shows an empty or another's format;
// the refusal sentences name what Orvex reads in the table's order.
TEST(Recognition, EveryKindIsNamed)
{
    EXPECT_EQ(orvex::ListOfReadContainers(),
              "WAV, AIFF/AIFC, AU/SND, PARIS, IFF 8SVX/16SV, NIST Sphere and IRCAM");
    uint32_t largest = 0;
    for (const orvex::Container *container : orvex::Containers())
        for (const orvex::KindName &names : container->Kinds()) {
            EXPECT_STREQ(orvex::NamesOfKind(names.kind).displayName, names.displayName);
            largest = std::max(largest, static_cast<uint32_t>(names.kind) >> 16);
        }
    for (uint32_t k = 1; k <= largest; ++k) {
        const orvex::KindName names = orvex::NamesOfKind(static_cast<FormatKind>(k << 16));
        EXPECT_TRUE(names.enumName && names.displayName) << k;
    }
}
