// CBackgroundJob over QtConcurrent (see background_job.h): the work runs with a QPromise
// that carries progress and cancellation, and a QFutureWatcher brings both back to the
// user-interface thread.
#include "background_job.h"

#include <QFutureWatcher>
#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

struct CBackgroundJob::Running
{
    // Deleted later when the work ends, since it ends inside the watcher's own signal.
    QFutureWatcher<void> *watcher = new QFutureWatcher<void>;
    ~Running()
    {
        if (watcher)
            watcher->deleteLater();
    }
};

CBackgroundJob::CBackgroundJob() = default;

CBackgroundJob::~CBackgroundJob()
{
    CancelAndWait();
}

bool CBackgroundJob::Start(Work work, std::function<void(int)> onProgress,
                           std::function<void()> onDone)
{
    if (m_running)
        return false;
    m_running = std::make_unique<Running>();
    QFutureWatcher<void> &watcher = *m_running->watcher;
    QObject::connect(&watcher, &QFutureWatcher<void>::progressValueChanged, &watcher,
                     [onProgress](int value) {
                         if (onProgress)
                             onProgress(value);
                     });
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &watcher, [this, onDone] {
        // The job is over before its handler runs, so that the handler may start the next.
        std::unique_ptr<Running> done = std::move(m_running);
        done->watcher->waitForFinished();
        if (onDone)
            onDone();
    });
    watcher.setFuture(QtConcurrent::run([work = std::move(work)](QPromise<void> &promise) {
        promise.setProgressRange(0, 100);
        work([&promise](int percent) {
            promise.setProgressValue(percent);
            return !promise.isCanceled();
        });
    }));
    return true;
}

void CBackgroundJob::Cancel()
{
    if (m_running)
        m_running->watcher->cancel();
}

void CBackgroundJob::CancelAndWait()
{
    if (!m_running)
        return;
    std::unique_ptr<Running> running = std::move(m_running);
    running->watcher->disconnect();
    running->watcher->cancel();
    running->watcher->waitForFinished();
}
