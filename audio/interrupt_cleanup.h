// Temporary output files that must not outlive an interrupted process. A conversion writes
// to an unnamed file where the file system allows it (nothing to clean up, even after
// SIGKILL) and otherwise to a hidden named file beside the output, registered here while it
// exists. Once a front end has called RemoveTempFilesOnSignals, SIGINT, SIGTERM and SIGHUP
// remove every registered file before the process ends as the signal says.
#pragma once

#include <string>

namespace orvex {

// Installs the handlers; call once at start-up, before any conversion. A file that may grow
// no larger (ulimit -f) then fails a write, as a full disk does, instead of ending the
// process.
void RemoveTempFilesOnSignals();

// A last line the handlers write to standard error before the process ends (what a batch
// had finished); empty for none. Safe to call from any thread; the text is cut to 255 bytes.
void SetInterruptNote(const std::string &text);

// A registered path, removed from the register when the object goes. Safe to use from any
// thread; at most kMaxTempFiles at a time are registered (later ones are simply not).
class TempFileGuard
{
public:
    // One for each of the most conversions a batch runs at once, and a few more.
    static constexpr int kMaxTempFiles = 264;

    TempFileGuard() = default;
    explicit TempFileGuard(const char *path);
    ~TempFileGuard() { Release(); }
    TempFileGuard(const TempFileGuard &) = delete;
    TempFileGuard &operator=(const TempFileGuard &) = delete;
    TempFileGuard(TempFileGuard &&other) noexcept;
    TempFileGuard &operator=(TempFileGuard &&other) noexcept;

    // Forgets the path (the file was renamed into place or removed).
    void Release();

private:
    int m_slot = -1;
};

} // namespace orvex
