// orvex-cli's option values (see cli_options.h).
#include "cli_options.h"

#include <charconv>

bool ParseCount(std::string_view text, uint64_t low, uint64_t high, uint64_t &value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    uint64_t v = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v, 10);
    if (error != std::errc() || end != text.data() + text.size() || v < low || v > high)
        return false;
    value = v;
    return true;
}

bool ParseFramePlace(std::string_view text, FramePlace &place)
{
    uint64_t v = 0;
    if (text.size() > 1 && text.back() == 'f') {
        if (!ParseCount(text.substr(0, text.size() - 1), 0, UINT64_MAX, v))
            return false;
        place = {v, false};
        return true;
    }
    // Up to three fields of whole numbers joined by colons, the last with a fraction.
    std::string_view fraction;
    if (const size_t dot = text.find('.'); dot != std::string_view::npos) {
        fraction = text.substr(dot + 1);
        text = text.substr(0, dot);
        if (fraction.empty() || fraction.size() > 9
            || fraction.find_first_not_of("0123456789") != std::string_view::npos)
            return false;
    }
    uint64_t fields[3] = {}, count = 0;
    for (;;) {
        const size_t colon = text.find(':');
        if (count == 3 || !ParseCount(text.substr(0, colon), 0, UINT64_MAX, fields[count++]))
            return false;
        if (colon == std::string_view::npos)
            break;
        text = text.substr(colon + 1);
    }
    // After a colon, minutes and seconds stay below 60; no place is further than 10^8 s.
    uint64_t seconds = 0;
    for (uint64_t i = 0; i < count; ++i) {
        if (i > 0 && fields[i] >= 60)
            return false;
        seconds = seconds * 60 + fields[i];
        if (seconds > 100000000)
            return false;
    }
    uint64_t nanoseconds = 0;
    for (size_t i = 0; i < 9; ++i)
        nanoseconds = nanoseconds * 10 + (i < fraction.size() ? uint64_t(fraction[i] - '0') : 0);
    place = {seconds * 1000000000 + nanoseconds, true};
    return true;
}

bool ParseDecibels(std::string_view text, double low, double high, double &value)
{
    const std::string_view digits
            = text.substr(!text.empty() && (text[0] == '-' || text[0] == '+'));
    const size_t dot = digits.find('.');
    const std::string_view whole = digits.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? "0" : digits.substr(dot + 1);
    if (whole.empty() || fraction.empty() || fraction.size() > 9 || whole.size() > 9
        || whole.find_first_not_of("0123456789") != std::string_view::npos
        || fraction.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    // from_chars takes no "+"; the grammar above leaves it nothing else to refuse.
    double v = 0;
    const char *begin = text.data() + (text[0] == '+');
    std::from_chars(begin, text.data() + text.size(), v);
    if (v < low || v > high)
        return false;
    value = v;
    return true;
}
