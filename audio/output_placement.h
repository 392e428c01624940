// Where a conversion writes: a temporary file in the output's folder that replaces the output
// once complete, or the output itself when it is standard output or an existing file that is
// not a regular file (a FIFO, a device). So a failed or interrupted conversion leaves whatever
// stood at the output path as it was.
#pragma once

#include "audio_library_binding.h"
#include "interrupt_cleanup.h"

#include <string>

namespace orvex {

// The temporary file is unnamed where the file system allows (it vanishes with the process
// however that ends, and is linked into place at the end); otherwise it is a hidden file that
// the signal handlers remove.
class OutputPlacement
{
public:
    ~OutputPlacement() { Abandon(); }

    // Decides where a conversion of `input` to `output` writes; refuses an output that is the
    // input, or that cannot be made.
    AudioError Prepare(const std::string &input, const std::string &output);
    // The path the writer opens.
    const std::string &WritePath() const { return m_writePath; }
    // Puts the finished temporary file in place of the output.
    AudioError Commit();
    // Removes the temporary file, if one was made.
    void Abandon();

private:
    // Names (and registers) a hidden temporary file beside the output.
    void TempName(int attempt);

    std::string m_final;
    std::string m_folder, m_name; // of m_final
    std::string m_writePath;
    std::string m_temp; // a named temporary file, or empty
    int m_unnamed = -1; // an unnamed temporary file, or -1
    bool m_replacing = false; // a file stands at the output path
    TempFileGuard m_guard;
};

} // namespace orvex
