// CHostParams (see host_params.h).
#include "host_params.h"

CHostParams::CHostParams() = default;
CHostParams::~CHostParams() = default;

void CHostParams::SetCommandLine(std::string text)
{
    m_strCommandLine = std::move(text);
}

bool CHostParams::Parse()
{
    m_strCommandLine.erase(0, m_strCommandLine.find_first_not_of(' '));

    std::string *const slots[] = {&m_strParam1, &m_strParam2, &m_strParam3, &m_strParam4};
    const std::string &line = m_strCommandLine;
    std::string token;
    int count = 0;
    auto finish = [&] {
        // A token ends at its first zero byte, as a C string would.
        if (count < 4)
            *slots[count] = token.substr(0, token.find('\0'));
        ++count;
        token.clear();
    };
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            const size_t close = line.find('"', i + 1);
            const size_t end = close == std::string::npos ? line.size() : close;
            token.append(line, i + 1, end - i - 1);
            i = end; // on the closing quote, or at the end of an unclosed one
            finish();
        } else if (c == ' ') {
            if (!token.empty())
                finish();
        } else {
            token += c;
        }
    }
    // A bare last token with no space after it is dropped.
    m_nTokens = count;
    return count == 4;
}
