// CImporterDlg: Orvex's main window, "Vandrel File Importer". The user picks an audio file
// (with "...", by dropping it on the window, or by typing its path), sees its format, sample
// rate, number of samples, channels and bit width, and converts it to a 16-bit PCM WAV file:
// to the path the host gave ("Convert and Go", which then ends the program) or to a path
// chosen in a save picker ("Save As WAV", as often as wanted). Describing a file, drawing
// its waveform, playing it and converting it all run in the background, so the window
// answers whatever it does and whatever the file does; a conversion shows its progress and a
// Stop button, and a status line says how the last action ended and what the import will
// clip. Its Help menu opens the formats help window and the About box. Also the two picker
// classes it owns.
#pragma once

#include "audio_file_info.h"
#include "background_job.h"
#include "dialog.h"
#include "file_dialog.h"
#include "formats_help_dlg.h"
#include "host_params.h"
#include "player.h"
#include "waveform_overview.h"

#include <string>
#include <vector>

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

    // True while a conversion runs; while the file in the box is being read; while the
    // waveform overview is computed; while playing; while any but playing goes on.
    bool IsConverting() const { return m_job.IsRunning(); }
    bool IsDescribing() const { return m_describeJob.IsRunning(); }
    bool IsDrawingOverview() const { return m_overviewJob.IsRunning(); }
    bool IsPlaying() const { return m_player.IsPlaying(); }
    // True while the selection's peak is measured, for normalising it.
    bool IsMeasuring() const { return m_peakJob.IsRunning(); }
    bool IsBusy() const
    {
        return IsConverting() || IsDescribing() || IsDrawingOverview() || IsMeasuring();
    }

    const CMessageMap *GetMessageMap() const override;

protected:
    void DoDataExchange(CDataExchange *pDX) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnSysCommand(UINT nID, LPARAM lParam) override;
    void OnTimer(UINT nIDEvent) override;
    void OnDropFiles(const std::vector<std::string> &paths) override;

    void OnBrowse();
    void OnSaveAs();
    void OnConvertAndGo();
    void OnSaveAndExit();
    void OnSaveAsWav();
    void OnAbout();
    void OnHelp();
    void OnExit();
    void OnImportFileEdited();
    void OnCancelConversion();
    void OnPlay();
    void OnNormalize();
    void OnGainEdited();
    void OnDither();

private:
    struct CDescription;
    // Takes a path as the file to import, as a pick in the open picker does.
    void TakeImportFile(const std::string &path);
    // Shows what describing the file in the box found, and goes on with a conversion that
    // waited for it.
    void OnDescribed(const CDescription &described);
    // The path the edit box shows, with the exact bytes of a picked or dropped path that
    // the box has not been edited away from.
    std::string ImportPathInBox() const;
    // Copies the description's texts into the dialog's fields, or empties them.
    void CopyDescription(bool described);
    // "Failed to Convert File.", with the reason on lines of their own; the status line
    // says it too.
    void ShowFailure(const CAudioFileInfo::Outcome &outcome);
    // Starts converting the file in the box to outputPath, once it is described; the
    // dialog ends with OK after a successful conversion when endAfter is set.
    void ConvertTo(const std::string &outputPath, bool endAfter);
    void OnConversionDone(bool converted, const CAudioFileInfo::Outcome &outcome,
                          const std::string &outputPath, bool endAfter);
    // Starts computing the waveform overview of the described file, or empties the strip.
    void StartOverview();
    // Plays the described file from `fraction` of its length, or the selection when there is
    // one; says in the status line why it cannot.
    void PlayFrom(double fraction);
    // Takes the waveform's selection as the part to import, and says so in the status line.
    void OnSelected(uint64_t first, uint64_t end);
    // Moves the play position with the keyboard; a file that plays goes on from there.
    void MovePlayPosition(double fraction);
    void StopPlaying();
    // The level chosen has changed: remembers normalising and dither, shows the result, and a
    // file that plays goes on at the new level.
    void OnLevelChosen();
    // The peak of what is imported (the selection, if any), where it is known yet.
    std::optional<double> KnownPeak() const;
    // The waveform and the status line show what the chosen level does to what is imported.
    void ShowLevel();
    // Measures the selection's peak in the background, when normalising needs it.
    void MeasureSelection();
    bool HasHostPath() const;
    // Enables what can work now, and says in tooltips why the rest cannot.
    void UpdateControls();
    void SetStatus(std::string text);

    std::string m_strImportFile; // set only from the open picker (or a drop)
    // The texts of the described file's fields, in the description's order.
    std::vector<std::string> m_fieldTexts;
    // Where a labelled field shows: its own value field, or the line beside the fields.
    struct FieldPlace
    {
        size_t field; // its place in the description
        int id;
        std::string shown; // bound to its value field
    };
    std::vector<FieldPlace> m_fieldPlaces, m_besidePlaces;
    HICON m_hIcon;
    CFormatsHelpDlg m_helpDlg;
    std::string m_strSavePath;
    COpenFileDialog m_openPicker;
    CSaveFileDialog m_savePicker;
    CHostParams m_hostParams;
    CAudioFileInfo m_audio;
    std::string m_strHostCommandLine;
    std::string m_strPickedPath;

    std::string m_strStatus; // bound to the status line
    std::string m_strEncoding; // bound to the line beside the fields
    std::string m_strImportFileShown; // m_strImportFile as the edit box shows it
    bool m_bDescribed = false; // the file in the box is described
    AudioInfo m_info; // of the described file
    double m_playFrom = 0; // where Play starts, 0 to 1
    // The frames selected in the waveform, [first, end), which are all that is imported;
    // none when end <= first.
    uint64_t m_selFirst = 0, m_selEnd = 0;
    // The finished overview of the described file, for what the level does to it.
    std::shared_ptr<const CWaveformSummary> m_summary;
    bool m_bLevelWanted = false; // the finished overview's level goes to the status line
    bool m_bLevelShown = false; // the status line says what the level does
    // The level of what is heard and imported, as its controls say.
    LevelChoice m_level;
    std::optional<double> m_selectionPeak; // of the selection, once measured
    bool m_bPlayWhenMeasured = false; // Play waits for the peak it normalises
    // A conversion asked for while the file was still being read.
    bool m_bConvertWhenDescribed = false;
    std::string m_strPendingOutput;
    bool m_bPendingEndAfter = false;
    int m_nFocusBeforeConversion = -1;
    CPlayer m_player;
    // Last, so that they are abandoned before anything they report to goes.
    CBackgroundJob m_describeJob;
    CBackgroundJob m_overviewJob;
    CBackgroundJob m_peakJob;
    CBackgroundJob m_job;
};
