// orvex-cli, the headless front end: describe audio files and convert them to 16-bit
// PCM WAV without a window, for scripts, tests and users without a display.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Exit statuses.
constexpr int kCliOk = 0;
constexpr int kCliFailed = 1;
constexpr int kCliUsage = 2;

// Runs one command line (`args` without the program's name), writing to `out` and
// `err`, and returns the exit status. `showProgress`: `err` is a terminal, on which a
// conversion may draw its progress line.
int RunOrvexCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
                bool showProgress = false);

// `text` as a JSON string, quotes included. Bytes that are not UTF-8 become \udcXX,
// as POSIX path bytes are commonly carried in JSON (Python's "surrogateescape").
std::string JsonString(const std::string &text);
