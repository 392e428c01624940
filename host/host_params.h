// CHostParams: the command line that Vandrel starts the program with, and its first
// four tokens. Vandrel passes four parameters, each usually in double quotes; the
// third is the path of the WAV file it loads once the program has ended.
#pragma once

#include <string>

class CHostParams
{
public:
    CHostParams();
    virtual ~CHostParams();

    // Replaces the command line; the tokens are left as they are.
    void SetCommandLine(std::string text);

    // Removes the command line's leading spaces (in the member itself), splits it into
    // tokens and stores the first four. True when there were exactly four.
    //
    // Tokens are separated by spaces. A double-quoted part is copied up to the next
    // double quote and ends its token there, even when empty; letters before it join
    // it. A quote that is never closed runs to the end of the line and still makes a
    // token. A bare last token counts only when a space follows it. Tokens past the
    // fourth are counted but not kept.
    bool Parse();

    // How many tokens the last Parse found, the uncounted fifth and later included.
    int TokenCount() const { return m_nTokens; }

    std::string m_strParam4;
    std::string m_strParam3; // where "Convert and Go" writes the WAV file
    std::string m_strParam2;
    std::string m_strParam1;
    std::string m_strCommandLine;

private:
    int m_nTokens = 0;
};
