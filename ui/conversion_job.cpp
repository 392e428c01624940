// CConversionJob over QtConcurrent (see conversion_job.h): the conversion runs with a
// QPromise that carries progress and cancellation, and a QFutureWatcher brings both back to
// the user-interface thread.
#include "conversion_job.h"

#include <QFutureWatcher>
#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

struct CConversionJob::Running
{
    QFutureWatcher<void> watcher;
    // Written by the conversion's thread before its future finishes; read after.
    std::shared_ptr<Result> result = std::make_shared<Result>();
};

CConversionJob::CConversionJob() = default;

CConversionJob::~CConversionJob()
{
    CancelAndWait();
}

bool CConversionJob::IsRunning() const
{
    return m_running != nullptr;
}

bool CConversionJob::Start(std::string input, std::string output, ProgressHandler onProgress,
                           DoneHandler onDone)
{
    if (m_running)
        return false;
    m_running = std::make_unique<Running>();
    Running &run = *m_running;
    QObject::connect(&run.watcher, &QFutureWatcher<void>::progressValueChanged, &run.watcher,
                     [onProgress](int value) { onProgress(value); });
    QObject::connect(&run.watcher, &QFutureWatcher<void>::finished, &run.watcher, [this, onDone] {
        // The job is over before its handler runs, so that the handler may
        // start the next one.
        std::unique_ptr<Running> done = std::move(m_running);
        done->watcher.waitForFinished();
        onDone(*done->result);
    });
    std::shared_ptr<Result> result = run.result;
    run.watcher.setFuture(QtConcurrent::run(
            [result](QPromise<void> &promise, const std::string &in, const std::string &out) {
                promise.setProgressRange(0, 100);
                CAudioFileInfo audio;
                audio.SetInputPath(in);
                audio.SetOutputPath(out);
                audio.SetProgressHandler([&promise](uint64_t done, uint64_t total) {
                    if (total > 0)
                        promise.setProgressValue(int(std::min<uint64_t>(done * 100 / total, 100)));
                    return !promise.isCanceled();
                });
                result->converted = audio.Convert();
                result->outcome = audio.GetOutcome();
            },
            std::move(input), std::move(output)));
    return true;
}

void CConversionJob::Cancel()
{
    if (m_running)
        m_running->watcher.cancel();
}

void CConversionJob::CancelAndWait()
{
    if (!m_running)
        return;
    std::unique_ptr<Running> run = std::move(m_running);
    run->watcher.disconnect();
    run->watcher.cancel();
    run->watcher.waitForFinished();
}
