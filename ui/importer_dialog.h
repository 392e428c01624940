// CImporterDlg: Orvex's main window, "Vandrel File Importer". The user picks an audio file
// (with "...", or by dropping it on the window), sees its format, sample rate, number of
// samples, channels and bit width, and converts it to a 16-bit PCM WAV file: to the path
// the host gave ("Convert and Go", which then ends the program) or to a path chosen in a
// save picker ("Save As WAV", as often as wanted). Its Help menu opens the formats help
// window and the About box. Also the two picker classes it owns.
#pragma once

#include "audio_file_info.h"
#include "dialog.h"
#include "file_dialog.h"
#include "formats_help_dlg.h"
#include "host_params.h"

#include <string>

// The open picker: whatever the first argument says, it opens.
class COpenFileDialog : public CFileDialog
{
public:
    COpenFileDialog(bool bOpenFileDialog, std::string defExt, std::string fileName,
                    std::uint32_t flags, std::string filter, CWnd *pParentWnd);
    const char *GetRuntimeClassName() const override { return "COpenFileDialog"; }
};

class CSaveFileDialog : public CFileDialog
{
public:
    CSaveFileDialog(bool bOpenFileDialog, std::string defExt, std::string fileName,
                    std::uint32_t flags, std::string filter, CWnd *pParentWnd);
    const char *GetRuntimeClassName() const override { return "CSaveFileDialog"; }
};

class CImporterDlg : public CDialog
{
public:
    CImporterDlg();
    ~CImporterDlg() override;

    // Stores and parses the host's command line; when it does not hold exactly four
    // parameters, says so in a box with no owner window. Called before the dialog runs.
    void SetHostCommandLine(const char *commandLine);

    // The picture of the minimised window, for the window manager.
    HICON OnQueryDragIcon() const { return m_hIcon; }

    const CMessageMap *GetMessageMap() const override;

protected:
    void DoDataExchange(CDataExchange *pDX) override;
    bool OnInitDialog() override;
    void OnCancel() override;
    void OnSysCommand(UINT nID, LPARAM lParam) override;
    void OnPaint() override;
    void OnDropFiles(const std::vector<std::string> &paths) override;

    void OnBrowse();
    void OnSaveAs();
    void OnConvertAndGo();
    void OnSaveAndExit();
    void OnSaveAsWav();
    void OnAbout();
    void OnHelp();
    void OnExit();

private:
    // Takes a path as the file to import, as a pick in the open picker does.
    void TakeImportFile(const std::string &path);
    // Copies the description's five texts into the dialog's fields.
    void CopyDescription();
    // "Failed to Convert File.", with the reason on a line of its own when there is one.
    void ShowFailure();
    // Describes the import file and converts it to outputPath; false (after the failure
    // message) when either step fails.
    bool DescribeAndConvert(const std::string &outputPath);

    std::string m_strImportFile; // set only from the open picker (or a drop)
    std::string m_strBitWidth;
    std::string m_strChannels;
    std::string m_strFormat;
    std::string m_strSamples;
    std::string m_strSampleRate;
    HICON m_hIcon;
    CFormatsHelpDlg m_helpDlg;
    std::string m_strSavePath;
    COpenFileDialog m_openPicker;
    CSaveFileDialog m_savePicker;
    CHostParams m_hostParams;
    CAudioFileInfo m_audio;
    std::string m_strHostCommandLine;
    std::string m_strPickedPath;
};
