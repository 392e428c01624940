// CFileDialog: the open and save file pickers. They take a filter list in the classic form
// "description|pattern|description|pattern||", a default extension, an initial file name and
// options, match patterns without regard to letter case (take.WAV is listed under *.wav), and
// remember their last folder, file name and filter between runs. Every run passes through
// CModalSeam.
#pragma once

#include "win_defs.h"

#include <cstdint>
#include <string>
#include <vector>

class CWnd;
struct CFileAnswer;
struct CShownFileDialog;

struct CFileFilter
{
    std::string description; // shown as given, leading spaces included
    std::string pattern; // one or more patterns separated by ';'
    bool operator==(const CFileFilter &) const = default;
};

// Splits "desc|pattern|desc|pattern||" into its entries. Parsing stops at an empty
// description (the closing "||") or when a description has no pattern.
std::vector<CFileFilter> ParseFileFilter(const std::string &filter);

// The extension a default-extension setting names: "*.wav", ".wav" and "wav" give "wav";
// "*.*", "" and anything with a wildcard give none.
std::string DefaultSuffixOf(const std::string &defExt);

class CFileDialog
{
public:
    CFileDialog(bool bOpenFileDialog, std::string defExt = {}, std::string fileName = {},
                std::uint32_t flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                std::string filter = {}, CWnd *pParentWnd = nullptr);
    virtual ~CFileDialog() = default;
    CFileDialog(const CFileDialog &) = delete;
    CFileDialog &operator=(const CFileDialog &) = delete;

    virtual const char *GetRuntimeClassName() const { return "CFileDialog"; }

    // IDOK when the user chose a file, IDCANCEL otherwise.
    int DoModal();
    // Makes Qt's picker once and throws it away, while nothing waits for it (before the
    // owner's window shows): what Qt loads for its first picker is then loaded, and the first
    // DoModal opens sooner. Nothing when a test answers the pickers.
    void Prepare() const;
    // The full path chosen in the last run that ended with IDOK; empty before.
    std::string GetPathName() const { return m_strPathName; }
    // Where the next run starts, in place of where the last one ended: the folder it shows
    // and the file name it proposes.
    void SetStart(std::string folder, std::string fileName)
    {
        m_strFolder = std::move(folder);
        m_strFileName = std::move(fileName);
    }

    bool IsOpenDialog() const { return m_bOpen; }
    const std::vector<CFileFilter> &GetFilters() const { return m_filters; }
    std::uint32_t GetFlags() const { return m_flags; }

private:
    void Remember(const std::string &path, int filterIndex);
    CFileAnswer RunPicker(const CShownFileDialog &shown) const;

    bool m_bOpen;
    std::string m_strDefaultSuffix;
    std::uint32_t m_flags;
    std::vector<CFileFilter> m_filters;
    CWnd *m_pParentWnd;

    // Where the next run starts: the last choice, or the initial file name.
    std::string m_strFolder;
    std::string m_strFileName;
    int m_nFilterIndex = 0;
    std::string m_strPathName;
};
