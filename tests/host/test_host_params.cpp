// CHostParams::Parse: the tokenising rule, case by case.
#include "host_params.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

TEST(HostParams, Tokenising)
{
    struct Case
    {
        std::string line;
        bool valid;
        std::string p1, p2, p3, p4;
        int count = -1; // when the case names it
    };
    const std::string longPath(1500, 'x');
    // clang-format off
    const Case cases[] = {
        {R"("a" "b" "c:\out.wav" "d")", true, "a", "b", "c:\\out.wav", "d"},
        {"", false, "", "", "", "", 0},
        {"     ", false, "", "", "", "", 0},
        {"   one  two   three four ", true, "one", "two", "three", "four"}, // a space after the last
        {"one two three four", false, "one", "two", "three", ""},          // none after the last
        {R"("a" "b" "c" d)", false, "a", "b", "c", ""},
        {R"("a" "b" "/home/me/My Music/out.wav" "d")", true, "a", "b", "/home/me/My Music/out.wav", "d"},
        {R"("" "" "" "")", true, "", "", "", ""},
        {R"("1" "2" "3" "4" "5")", false, "1", "2", "3", "4", 5},
        {R"("/music/take one.wav")", false, "/music/take one.wav", "", "", "", 1},
        {R"(ab"cd" "2" "3" "4")", true, "abcd", "2", "3", "4"},        // letters joined to a quoted part
        {R"("ab"cd "3" "4")", true, "ab", "cd", "3", "4"},             // a quoted part ends its token
        {"a\tb \"2\" \"3\" \"4\"", true, "a\tb", "2", "3", "4"},       // a tab is part of a word
        {R"("1""2" "3" "4")", true, "1", "2", "3", "4"},
        {R"("1" "2" "3" "4 and more)", true, "1", "2", "3", "4 and more"}, // unclosed: runs to the end
        {R"("1" "2" "3" ")", true, "1", "2", "3", ""},
        {"\"1\" \"2\" \"" + longPath + "\" \"4\"", true, "1", "2", longPath, "4"},
        {"\"1\" \"2\" \"ab\0cd\" \"4\""s, true, "1", "2", "ab", "4"},   // a zero byte ends its token
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        CHostParams params;
        params.SetCommandLine(c.line);
        EXPECT_EQ(params.Parse(), c.valid);
        EXPECT_EQ((std::vector<std::string>{params.m_strParam1, params.m_strParam2,
                                            params.m_strParam3, params.m_strParam4}),
                  (std::vector<std::string>{c.p1, c.p2, c.p3, c.p4}));
        EXPECT_TRUE(c.count < 0 || params.TokenCount() == c.count);
        // The member loses its leading spaces and nothing else.
        EXPECT_EQ(params.m_strCommandLine,
                  c.line.substr(std::min(c.line.find_first_not_of(' '), c.line.size())));
    }
}
