// CBackgroundJob (see background_job.h). Each run has a thread of its own, never one of Qt's
// global pool: Qt's raster painter splits large fills over that pool, so long jobs there make
// every repaint wait; and a pool thread stuck in open() would be lost to the pool for good.
// The thread is detached. It and the window share one reference-counted record of the run;
// the thread posts its reports to the job's inbox only while the record still names the inbox,
// and the window clears that under the record's lock when it abandons the run.
#include "background_job.h"

#include <QObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// Long work gives way to the threads that paint and answer: within the program's share of
// the machine, the interface thread and the threads Qt's painter waits for are served first.
// Alone on an idle machine the work runs as fast as ever. Playing must not give way: starved
// of the processor, it would leave gaps in the sound.
constexpr int kJobNiceness = 10;

} // namespace

struct CBackgroundJob::Run
{
    uint64_t generation = 0;
    CBackgroundJob *job = nullptr;
    std::atomic<bool> cancelled{false};
    std::atomic<int> progress{0};
    std::atomic<bool> progressPosted{false};
    std::mutex lock;
    std::condition_variable ended;
    bool finished = false; // guarded by lock
    QObject *inbox = nullptr; // guarded by lock; null once the run is abandoned

    // Hands a report to the user-interface thread, unless nobody listens any more.
    void Post(bool done)
    {
        if (inbox == nullptr)
            return;
        QMetaObject::invokeMethod(
                inbox,
                [job = job, generation = generation, done] { job->Arrived(generation, done); },
                Qt::QueuedConnection);
    }
};

CBackgroundJob::CBackgroundJob(bool givesWay)
    : m_bGivesWay(givesWay)
    , m_inbox(std::make_unique<QObject>())
{ }

CBackgroundJob::~CBackgroundJob()
{
    Abandon();
}

bool CBackgroundJob::Start(Work work, std::function<void(int)> onProgress,
                           std::function<void()> onDone)
{
    if (m_run)
        return false;
    auto run = std::make_shared<Run>();
    run->generation = ++m_generation;
    run->job = this;
    run->inbox = m_inbox.get();
    auto body = [run, work = std::move(work), givesWay = m_bGivesWay] {
        if (givesWay)
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kJobNiceness);
        // A report reaches the window when its percentage moves, and one at a time: a job
        // that reports every block would otherwise wake the interface thousands of times a
        // second.
        int posted = -1;
        work([&run, &posted](int percent) {
            run->progress = percent;
            if (percent != posted && !run->progressPosted.exchange(true)) {
                posted = percent;
                std::lock_guard<std::mutex> hold(run->lock);
                run->Post(false);
            }
            return !run->cancelled;
        });
        std::lock_guard<std::mutex> hold(run->lock);
        run->finished = true;
        run->ended.notify_all();
        run->Post(true);
    };
    try {
        std::thread(std::move(body)).detach();
    } catch (const std::system_error &) {
        return false; // no thread to be had: the caller sees the job as not started
    }
    m_run = std::move(run);
    m_onProgress = std::move(onProgress);
    m_onDone = std::move(onDone);
    return true;
}

void CBackgroundJob::Arrived(uint64_t generation, bool done)
{
    if (!m_run || m_run->generation != generation)
        return; // from a run abandoned since
    if (!done) {
        m_run->progressPosted = false;
        if (m_onProgress)
            m_onProgress(m_run->progress);
        return;
    }
    // The job is over before its handler runs, so that the handler may start the next.
    std::function<void()> onDone = std::move(m_onDone);
    m_onProgress = nullptr;
    m_run.reset();
    if (onDone)
        onDone();
}

void CBackgroundJob::Cancel()
{
    if (m_run)
        m_run->cancelled = true;
}

bool CBackgroundJob::Abandon(int waitMs)
{
    if (!m_run)
        return true;
    const std::shared_ptr<Run> run = std::move(m_run);
    m_onProgress = nullptr;
    m_onDone = nullptr;
    run->cancelled = true;
    std::unique_lock<std::mutex> hold(run->lock);
    run->inbox = nullptr;
    return run->ended.wait_for(hold, std::chrono::milliseconds(waitMs),
                               [&] { return run->finished; });
}
