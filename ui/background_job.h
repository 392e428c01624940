// CBackgroundJob: work run off the user-interface thread (describing a file, a conversion, a
// waveform overview, playing), so that the window keeps repainting and answering while it
// runs. Progress and the end come back on the user-interface thread; the work stops early
// when asked. The work must share nothing with the window but what it hands over through its
// own captured state, because a job can be abandoned: a file that blocks whoever opens it (a
// FIFO, a hung network share) keeps its job waiting for as long as it likes, and neither the
// window nor the end of the process waits for it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class QObject;

class CBackgroundJob
{
public:
    // Reports progress (0 to 100); false once the job has been cancelled, when the work
    // should stop as soon as it can.
    using Report = std::function<bool(int percent)>;
    using Work = std::function<void(const Report &report)>;

    // How long a window that closes waits for a cancelled conversion to clean up.
    static constexpr int kCleanUpWaitMs = 2000;

    // A job that gives way runs below the interface's priority (long work: reading,
    // converting); one that does not keeps it (work that must keep time, as playing).
    explicit CBackgroundJob(bool givesWay = true);
    ~CBackgroundJob(); // abandons running work without waiting for it
    CBackgroundJob(const CBackgroundJob &) = delete;
    CBackgroundJob &operator=(const CBackgroundJob &) = delete;

    // Starts `work` on a thread of its own; false while other work runs. `onProgress` and
    // `onDone` run on the user-interface thread, `onDone` once, after the work has returned.
    bool Start(Work work, std::function<void(int)> onProgress, std::function<void()> onDone);
    bool IsRunning() const { return m_run != nullptr; }
    void Cancel();
    // Cancels the work and stops listening to it: neither handler runs again, and Start
    // may be called at once. Waits up to `waitMs` for the work to return and says whether
    // it did; work that has not returned by then runs on alone and ends by itself.
    bool Abandon(int waitMs = 0);

private:
    struct Run;
    // A report of the run numbered `generation`, on the user-interface thread.
    void Arrived(uint64_t generation, bool done);

    std::shared_ptr<Run> m_run;
    bool m_bGivesWay;
    uint64_t m_generation = 0;
    std::function<void(int)> m_onProgress;
    std::function<void()> m_onDone;
    // Where the work's reports arrive on the user-interface thread; it outlives every run
    // that may still post to it.
    std::unique_ptr<QObject> m_inbox;
};
