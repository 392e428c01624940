// CConversionJob: one conversion run off the user-interface thread, so that the window keeps
// repainting and answering while it runs. It reports progress and its end back on the
// user-interface thread, and stops early when asked. The job converts with a description of
// its own; it shares nothing with the dialog but what its callbacks hand over.
#pragma once

#include "audio_file_info.h"

#include <functional>
#include <memory>
#include <string>

class CConversionJob
{
public:
    struct Result
    {
        bool converted = false;
        CAudioFileInfo::Outcome outcome;
    };
    using ProgressHandler = std::function<void(int percent)>;
    using DoneHandler = std::function<void(const Result &)>;

    CConversionJob();
    ~CConversionJob(); // stops a running conversion and waits for it
    CConversionJob(const CConversionJob &) = delete;
    CConversionJob &operator=(const CConversionJob &) = delete;

    // Starts converting input to output; false while another conversion runs. The handlers
    // are called on the user-interface thread, `onDone` once, when the conversion has ended
    // and left its output in place or nothing at all.
    bool Start(std::string input, std::string output, ProgressHandler onProgress,
               DoneHandler onDone);
    bool IsRunning() const;
    // Asks the conversion to stop; it ends within a block and removes what it wrote.
    void Cancel();
    // Stops the conversion and waits for its end without calling `onDone`: for a window
    // that is closing.
    void CancelAndWait();

private:
    struct Running;
    std::unique_ptr<Running> m_running;
};
