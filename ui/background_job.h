// CBackgroundJob: work run off the user-interface thread (a conversion, a waveform overview),
// so that the window keeps repainting and answering while it runs. Progress and the end come
// back on the user-interface thread; the work stops early when asked. The work must share
// nothing with the window but what it hands over through its own captured state.
#pragma once

#include <functional>
#include <memory>

class CBackgroundJob
{
public:
    // Reports progress (0 to 100); false once the job has been cancelled, when the work
    // should stop as soon as it can.
    using Report = std::function<bool(int percent)>;
    using Work = std::function<void(const Report &report)>;

    CBackgroundJob();
    ~CBackgroundJob(); // cancels running work and waits for it
    CBackgroundJob(const CBackgroundJob &) = delete;
    CBackgroundJob &operator=(const CBackgroundJob &) = delete;

    // Starts `work`; false while other work runs. `onProgress` and `onDone` run on the
    // user-interface thread, `onDone` once, after the work has returned.
    bool Start(Work work, std::function<void(int)> onProgress, std::function<void()> onDone);
    bool IsRunning() const { return m_running != nullptr; }
    void Cancel();
    // Cancels the work and waits for it without calling `onDone`: for a window that closes,
    // or work that is replaced.
    void CancelAndWait();

private:
    struct Running;
    std::unique_ptr<Running> m_running;
};
