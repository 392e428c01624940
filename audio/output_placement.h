// Where a conversion writes: a temporary file in the output's folder that replaces the output
// once complete, or the output itself when it is standard output or an existing file that is
// not a regular file (a FIFO, a device). So a failed or interrupted conversion leaves whatever
// stood at the output path as it was. The output is the file a symbolic link at its path
// names (made if it is missing); a file it replaces keeps its owner (where the process may
// give it) and its permissions, but never set-user or set-group-ID.
#pragma once

#include "audio_library_binding.h"
#include "interrupt_cleanup.h"

#include <optional>
#include <string>

namespace orvex {

// Why an output could not be made, for the sentence that says so.
struct OutputTrouble
{
    int error = 0; // the system's error of the step that failed; 0 when none was involved
    std::string folder; // the folder the output goes to (that of a link's target)
    bool appending = false; // standard output is open for appending
    bool terminal = false; // standard output is a terminal
};

// The path a write to `path` reaches: its symbolic links followed, the last one to a file
// that may not exist yet; none for links that lead in a circle.
std::optional<std::string> PathThroughLinks(const std::string &path);

// Whether names that differ only in letter case are one file in `folder` (FAT and exFAT
// cards, NTFS, case-folding folders), found by asking the file system about a probe file.
bool FolderIgnoresCase(const std::string &folder);

// Whether two names of files in one folder name the same file there.
bool SameNameIn(const std::string &folder, const std::string &a, const std::string &b);

// The temporary file is unnamed where the file system allows (it vanishes with the process
// however that ends, and is linked into place at the end); otherwise it is a hidden file that
// the signal handlers remove.
class OutputPlacement
{
public:
    ~OutputPlacement() { Abandon(); }

    // Decides where a conversion of `input` to `output` writes; refuses an output that is the
    // input (by any spelling of its name), or that cannot be made.
    AudioError Prepare(const std::string &input, const std::string &output);
    // The path the writer opens.
    const std::string &WritePath() const { return m_writePath; }
    // Puts the finished temporary file in place of the output.
    AudioError Commit();
    // Removes the temporary file, if one was made.
    void Abandon();
    const OutputTrouble &Trouble() const { return m_trouble; }

private:
    // Names (and registers) a hidden temporary file beside the output.
    void TempName(int attempt);
    // Gives the finished file the owner and permissions of the one it replaces.
    void KeepOwnerAndMode();
    AudioError Failed(int error);

    std::string m_final;
    std::string m_folder, m_name; // of m_final
    std::string m_writePath;
    std::string m_temp; // a named temporary file, or empty
    int m_unnamed = -1; // an unnamed temporary file, or -1
    bool m_replacing = false; // a file stands at the output path
    uid_t m_owner = 0;
    gid_t m_group = 0;
    mode_t m_mode = 0;
    TempFileGuard m_guard;
    OutputTrouble m_trouble;
};

} // namespace orvex
