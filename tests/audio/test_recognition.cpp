// Container recognition: the first twelve bytes decide, in a fixed order, and only a file
// that nothing recognises is taken as header-less u-law by its name.
#include "container_readers.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace std::string_literals;
using R = orvex::Recognised;

TEST(Recognition, FirstTwelveBytesInOrderThenTheName)
{
    struct Case
    {
        std::string head, path;
        R expected;
    };
    // clang-format off
    const Case cases[] = {
        {"RIFF\x24\0\0\0WAVE"s, "x", R::Wav},           {"RIFF\x24\0\0\0AVI "s, "x.au", R::HeaderlessUlaw},
        {"RIFF\x24\0\0\0AVI "s, "x.wav", R::Raw},       {"FORM\0\0\0\0AIFF"s, "x", R::Aiff},
        {"FORM\0\0\0\0AIFC"s, "x", R::Aiff},            {"FORM\0\0\0\0" "8SVX"s, "x", R::Svx},
        {"FORM\0\0\0\0" "16SV"s, "x", R::Svx},          {"FORM\0\0\0\0ILBM"s, "pic.au", R::FormOther},
        {".snd", "x.wav", R::Au},                       {"dns.", "x", R::Au},
        {"fap ", "x", R::Paf},                          {" paf", "x", R::Paf},
        {"NIST_1A\n", "x", R::Nist},                    {"SEKDSAMR", "x", R::Sekd},
        {"SEKDxxxx", "x", R::Raw},                      {"Creative Voice File", "x", R::Voc},
        {"\x64\xA3\x03\0"s, "x", R::Ircam},             {"\x64\xA3\x07\0"s, "x", R::Ircam},
        {"\0\x02\xA3\x64"s, "x", R::Ircam},             {"\x64\xA3\x08\0"s, "x", R::Raw},
        {"\x64\xA3\x01\x01"s, "x", R::Raw},             {"CAT \0\0\0\0REX2"s, "x", R::Rex2},
        {"CAT \0\0\0\0AIFF"s, "x", R::Raw},             {"\x30\x26\xB2\x75\x8E\x66\xCF\x11", "x.snd", R::Wma},
        {"hello world", "/a.b/voice.au", R::HeaderlessUlaw}, {"hello world", "C:\\rec\\t.SND", R::HeaderlessUlaw},
        {"hello world", "voice.snd2", R::Raw},          {"hello world", "dir.au/voice", R::Raw},
        {"hello world", "C:\\rec.au\\t", R::Raw},       {"hello world", "/a\\b.Au", R::HeaderlessUlaw},
        {"", "a.au", R::HeaderlessUlaw},                {"riff\0\0\0\0wave"s, "x", R::Raw},
        {"RIF", "noext", R::Raw},                       {"hello", "x.", R::Raw},
    };
    // clang-format on
    for (const Case &c : cases) {
        unsigned char head[12] = {};
        std::memcpy(head, c.head.data(), std::min<size_t>(c.head.size(), 12));
        EXPECT_EQ(orvex::RecogniseContainer(head, c.path), c.expected) << c.head << " " << c.path;
    }
}
