// The register of temporary files and the signal handler that removes them (see
// interrupt_cleanup.h). The handler may only call async-signal-safe functions, so the
// register is a fixed array of paths claimed and released through atomic states.
#include "interrupt_cleanup.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace orvex {

namespace {

    enum SlotState : int { kFree, kFilling, kArmed };

    struct Slot
    {
        std::atomic<int> state{kFree};
        char path[PATH_MAX];
    };

    Slot g_slots[TempFileGuard::kMaxTempFiles];

    void RemoveAndEnd(int signal)
    {
        for (Slot &slot : g_slots)
            if (slot.state.load(std::memory_order_acquire) == kArmed)
                ::unlink(slot.path);
        // End as the signal would have ended the process without us.
        std::signal(signal, SIG_DFL);
        ::raise(signal);
    }

} // namespace

void RemoveTempFilesOnSignals()
{
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
        if (g_slots[i].state.compare_exchange_strong(expected, kFilling)) {
            std::strcpy(g_slots[i].path, path);
            g_slots[i].state.store(kArmed, std::memory_order_release);
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
        g_slots[m_slot].state.store(kFree, std::memory_order_release);
    m_slot = -1;
}

} // namespace orvex
