// CHostParams::Parse: the tokenising rule, case by case.
#include "host_params.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

struct Case
{
    const char *what;
    std::string line;
    bool valid;
    std::string p1, p2, p3, p4;
    int count = -1; // when the case names it
};

} // namespace

TEST(HostParams, Tokenising)
{
    const std::string longPath(1500, 'x');
    const Case cases[] = {
            {"four quoted tokens", R"("a" "b" "c:\out.wav" "d")", true, "a", "b", "c:\\out.wav",
             "d"},
            {"empty command line", "", false, "", "", "", ""},
            {"only spaces", "     ", false, "", "", "", ""},
            {"four bare words, several spaces, one after the last", "   one  two   three four ",
             true, "one", "two", "three", "four"},
            {"four bare words, nothing after the last", "one two three four", false, "one", "two",
             "three", ""},
            {"three quoted, one bare at the end", R"("a" "b" "c" d)", false, "a", "b", "c", ""},
            {"a quoted token keeps its spaces", R"("a" "b" "/home/me/My Music/out.wav" "d")", true,
             "a", "b", "/home/me/My Music/out.wav", "d"},
            {"four empty quoted tokens", R"("" "" "" "")", true, "", "", "", ""},
            {"five tokens: the first four kept", R"("1" "2" "3" "4" "5")", false, "1", "2", "3",
             "4", 5},
            {"one quoted token", R"("/music/take one.wav")", false, "/music/take one.wav", "", "",
             "", 1},
            {"three tokens", R"("1" "2" "3")", false, "1", "2", "3", ""},
            {"letters joined to a quoted part", R"(ab"cd" "2" "3" "4")", true, "abcd", "2", "3",
             "4"},
            {"a quoted part ends its token before letters", R"("ab"cd "3" "4")", true, "ab", "cd",
             "3", "4"},
            {"a tab is part of a word", "a\tb \"2\" \"3\" \"4\"", true, "a\tb", "2", "3", "4"},
            {"quotes side by side make two tokens", R"("1""2" "3" "4")", true, "1", "2", "3", "4"},
            {"an unclosed quote runs to the end and counts", R"("1" "2" "3" "4 and more)", true,
             "1", "2", "3", "4 and more"},
            {"an unclosed quote at the very end", R"("1" "2" "3" ")", true, "1", "2", "3", ""},
            {"a token past 999 characters is kept whole", "\"1\" \"2\" \"" + longPath + "\" \"4\"",
             true, "1", "2", longPath, "4"},
            {"a zero byte ends its token", "\"1\" \"2\" \"ab\0cd\" \"4\""s, true, "1", "2", "ab",
             "4"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        CHostParams params;
        params.SetCommandLine(c.line);
        EXPECT_EQ(params.m_strParam1, "");
        EXPECT_EQ(params.Parse(), c.valid);
        EXPECT_EQ(params.m_strParam1, c.p1);
        EXPECT_EQ(params.m_strParam2, c.p2);
        EXPECT_EQ(params.m_strParam3, c.p3);
        EXPECT_EQ(params.m_strParam4, c.p4);
        if (c.count >= 0) {
            EXPECT_EQ(params.TokenCount(), c.count);
        }
        // The member loses its leading spaces and nothing else.
        EXPECT_EQ(params.m_strCommandLine,
                  c.line.substr(std::min(c.line.find_first_not_of(' '), c.line.size())));
    }
}
