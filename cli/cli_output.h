// What orvex-cli's verbs say on standard error: a refusal's two lines, and the progress
// line drawn in place on a terminal.
#pragma once

#include "audio_file_info.h"

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

// The failure's code line, and the plain sentence on a line of its own when there is one.
void PrintFailure(std::ostream &err, const std::string &path, const CAudioFileInfo::Outcome &o);

// What a successful conversion should tell: samples clipped, an input that ended early,
// silence that normalising left as it was.
void PrintWarnings(std::ostream &err, const std::string &path, const CAudioFileInfo::Outcome &o);

// The length of a regular file, or -1 (standard input, a FIFO, a missing file).
int64_t FileSize(const std::string &path);

// One line on a terminal, redrawn in place at most ten times a second and wiped when the
// object goes: what is done so far, how fast the input is read, and how long is left.
class ProgressLine
{
public:
    ProgressLine(std::ostream &err, std::string label);
    ~ProgressLine();
    // `what` is shown before the speed ("42%", "12 of 400 files"); `fraction` of the work
    // is done, `bytes` of input read so far.
    void Show(const std::string &what, double fraction, double bytes, bool force = false);
    // Wipes the line, for a message to take its place; the next Show draws it again.
    void Wipe();
    // The line's text after `seconds`, `fraction` of the work and `bytes` of input done:
    // "42%  12.5 MB/s  0:07 left", the time left at the pace so far.
    static std::string Text(const std::string &what, double fraction, double seconds, double bytes);

private:
    using Clock = std::chrono::steady_clock;
    std::ostream &m_err;
    std::string m_label;
    Clock::time_point m_start, m_last{};
    bool m_drawn = false;
};
