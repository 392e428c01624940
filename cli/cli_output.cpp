// orvex-cli's messages (see cli_output.h).
#include "cli_output.h"

#include "refusal_explanation.h"

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>

void PrintFailure(std::ostream &err, const std::string &path, const CAudioFileInfo::Outcome &o)
{
    err << "orvex-cli: " << QuotedName(path) << ": " << AudioErrorText(o.code) << " (code "
        << static_cast<int>(o.code) << ")\n";
    if (!o.explanation.empty())
        err << "orvex-cli: " << QuotedName(path) << ": " << o.explanation << "\n";
}

void PrintWarnings(std::ostream &err, const std::string &path, const CAudioFileInfo::Outcome &o)
{
    if (o.clippedSamples > 0)
        err << "orvex-cli: " << QuotedName(path) << ": " << o.clippedSamples
            << " samples clipped\n";
    if (o.silent)
        err << "orvex-cli: " << QuotedName(path)
            << ": nothing but silence, nothing to normalise: converted as it is\n";
    if (o.framesWritten < o.framesDescribed)
        err << "orvex-cli: " << QuotedName(path)
            << ": the file ends early: " << GroupedDecimal(o.framesWritten) << " of "
            << GroupedDecimal(o.framesDescribed) << " frames were converted\n";
}

int64_t FileSize(const std::string &path)
{
    struct stat st
    {
    };
    return path != "-" && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : -1;
}

ProgressLine::ProgressLine(std::ostream &err, std::string label)
    : m_err(err)
    , m_label(std::move(label))
    , m_start(Clock::now())
{ }

ProgressLine::~ProgressLine()
{
    Wipe();
}

void ProgressLine::Wipe()
{
    if (m_drawn)
        m_err << "\r\033[K" << std::flush;
    m_drawn = false;
}

void ProgressLine::Show(const std::string &what, double fraction, double bytes, bool force)
{
    const auto now = Clock::now();
    if (!force && now - m_last < std::chrono::milliseconds(100))
        return;
    m_last = now;
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    m_err << "\r\033[K" << m_label << Text(what, fraction, seconds, bytes) << std::flush;
    m_drawn = true;
}

std::string ProgressLine::Text(const std::string &what, double fraction, double seconds,
                               double bytes)
{
    fraction = std::clamp(fraction, 0.0, 1.0);
    const double left = fraction > 0 ? seconds * (1 - fraction) / fraction : 0;
    char line[160];
    std::snprintf(line, sizeof line, "%s  %.1f MB/s  %d:%02d left", what.c_str(),
                  seconds > 0 ? bytes / seconds / 1e6 : 0.0, int(left) / 60, int(left) % 60);
    return line;
}
