// The register of temporary files and the signal handler that removes them (see
// interrupt_cleanup.h). The handler may only call async-signal-safe functions, so the
// register is a fixed array of paths claimed and released through atomic states.
#include "interrupt_cleanup.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace orvex {

namespace {

    enum SlotState : int { kFree, kFilling, kArmed };

    // Zero from the start, with nothing to run at load: the paths stay untouched memory
    // until a conversion needs one.
    constinit std::atomic<int> g_states[TempFileGuard::kMaxTempFiles] = {};
    constinit char g_paths[TempFileGuard::kMaxTempFiles][PATH_MAX] = {};

    // Two buffers for the note, so that the handler reads a whole one while the other is
    // written; g_note says which is whole (or -1 for none).
    constinit char g_notes[2][256] = {};
    constinit std::atomic<int> g_noteLength[2] = {};
    constinit std::atomic<int> g_note{-1};
    std::mutex g_noteLock; // one writer at a time

    void RemoveAndEnd(int signal)
    {
        for (int i = 0; i < TempFileGuard::kMaxTempFiles; ++i)
            if (g_states[i].load(std::memory_order_acquire) == kArmed)
                ::unlink(g_paths[i]);
        if (const int note = g_note.load(std::memory_order_acquire); note >= 0)
            (void)!::write(STDERR_FILENO, g_notes[note], size_t(g_noteLength[note].load()));
        // End as the signal would have ended the process without us.
        std::signal(signal, SIG_DFL);
        ::raise(signal);
    }

} // namespace

void SetInterruptNote(const std::string &text)
{
    std::lock_guard<std::mutex> hold(g_noteLock);
    if (text.empty()) {
        g_note.store(-1, std::memory_order_release);
        return;
    }
    const int next = g_note.load(std::memory_order_relaxed) == 0 ? 1 : 0;
    const size_t n = std::min(text.size(), sizeof g_notes[next]);
    std::memcpy(g_notes[next], text.data(), n);
    g_noteLength[next].store(int(n), std::memory_order_relaxed);
    g_note.store(next, std::memory_order_release);
}

void RemoveTempFilesOnSignals()
{
    std::signal(SIGXFSZ, SIG_IGN);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old
        {
        };
        // A signal the process was started to ignore (nohup) stays ignored.
        if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action
        {
        };
        action.sa_handler = &RemoveAndEnd;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(signal, &action, nullptr);
    }
}

TempFileGuard::TempFileGuard(const char *path)
{
    if (std::strlen(path) >= PATH_MAX)
        return;
    for (int i = 0; i < kMaxTempFiles; ++i) {
        int expected = kFree;
        if (g_states[i].compare_exchange_strong(expected, kFilling)) {
            std::strcpy(g_paths[i], path);
            g_states[i].store(kArmed, std::memory_order_release);
            m_slot = i;
            return;
        }
    }
}

TempFileGuard::TempFileGuard(TempFileGuard &&other) noexcept
    : m_slot(other.m_slot)
{
    other.m_slot = -1;
}

TempFileGuard &TempFileGuard::operator=(TempFileGuard &&other) noexcept
{
    if (this != &other) {
        Release();
        m_slot = other.m_slot;
        other.m_slot = -1;
    }
    return *this;
}

void TempFileGuard::Release()
{
    if (m_slot >= 0)
        g_states[m_slot].store(kFree, std::memory_order_release);
    m_slot = -1;
}

} // namespace orvex
