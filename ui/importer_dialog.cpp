// The importer dialog and its pickers (see importer_dialog.h).
#include "importer_dialog.h"

#include "about_dlg.h"
#include "accessibility.h"
#include "description_fields.h"
#include "message_box.h"
#include "resource_ids.h"
#include "resources.h"
#include "waveform_view.h"
#include "win_app.h"

#include <QPointer>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>

namespace {

constexpr std::uint32_t kPickerOptions = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;

constexpr const char kOpenFilter[]
        = "WAV (*.wav)|*.wav| AU (*.au)|*.au| AIFF (*.aiff)|*.aiff| "
          "AIFC (*.aifc)|*.aifc| SND (*.snd)|*.snd| IFF (*.iff)|*.iff| "
          "Paris - PAF (*.paf)|*.paf| NIST (*.*)|*.*| REX (*.rex)|*.rex| "
          "IRCAM (*.*)|*.*| All Files (*.*)|*.*||";
constexpr const char kSaveFilter[] = "WAV (*.wav)|*.wav||";

constexpr const char kFailureText[] = "Failed to Convert File.";
constexpr const char kFailureCaption[] = "Export Error.";
constexpr const char kNoParametersText[] = "No or Invalid Parameters from Vandrel.";
constexpr const char kNoParametersCaption[] = "Running as Converter.";

constexpr const char kPickFirst[] = "Pick an audio file that Orvex can read first.";
constexpr const char kNoHostPath[] = "Vandrel did not start Orvex, so there is no file to "
                                     "convert to for it. Use Save As WAV.";
constexpr const char kConverting[] = "Wait for the conversion to end, or stop it.";
constexpr const char kReading[] = "Wait until the file has been read.";

// The playhead moves this often while the file plays.
constexpr UINT kPlayheadTimer = 2;
constexpr UINT kPlayheadMs = 40;

// The profile's section and entries that keep the choice of normalising and dither.
constexpr char kLevelSection[] = "Level";
constexpr char kNormalizeEntry[] = "Normalize";
constexpr char kDitherEntry[] = "Dither";
// Where normalising brings the peak.
constexpr double kNormalizeDbfs = -1.0;
constexpr char kBadGain[] = "The gain is a number of dB from -60 to +60.";
constexpr char kNormalizing[] = "Normalising sets the gain.";

// `value` in decibels with one decimal, with its sign when asked; never "-0.0".
std::string Decibels(double value, bool sign)
{
    char text[32];
    std::snprintf(text, sizeof text, sign ? "%+.1f" : "%.1f", value);
    const std::string shown = text;
    return shown == "-0.0" || shown == "+0.0" ? "0.0" : shown;
}

// Whether a gain keeps values of magnitude `peak` within 16 bits, with dither's step: rounding
// takes 32767.5 and beyond past the positive limit.
bool Fits(double peak, const SixteenBitLevel &level)
{
    return peak * level.gain + (level.dither ? 1 : 0) < 32767.5;
}

// A gain as its box shows it: to a hundredth of a dB, and at least one decimal ("6.0").
std::string GainText(double db)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", db);
    std::string shown = text;
    if (shown.back() == '0')
        shown.pop_back();
    return shown == "-0.0" ? "0.0" : shown;
}

// A gain typed in its box: a number, a decimal point or comma, "dB" after it if the user
// likes, within the gain's range; rounded to a hundredth of a dB.
std::optional<double> ParseGain(std::string text)
{
    std::replace(text.begin(), text.end(), ',', '.');
    const char *first = text.c_str(), *last = first + text.size();
    while (first < last && *first == ' ')
        ++first;
    if (first < last && *first == '+')
        ++first;
    double db = 0;
    const auto [end, error] = std::from_chars(first, last, db);
    std::string rest(end, last);
    rest.erase(std::remove(rest.begin(), rest.end(), ' '), rest.end());
    if (error != std::errc() || !(rest.empty() || rest == "dB" || rest == "db")
        || !(std::abs(db) <= kMaxGainDb))
        return std::nullopt;
    return std::round(db * 100) / 100 + 0.0; // no negative zero
}

bool AsItIs(const LevelChoice &choice)
{
    return !choice.normalizeDbfs && choice.gainDb == 0;
}

// What the import will clip and how loud it is at its loudest, from the finished overview:
// "12,624 samples will be clipped to the 16-bit range. Peak 0.0 dBFS"; with a level chosen,
// the gain and the peak it gives, from the peak of the values.
std::string LevelSentence(const CWaveformSummary &summary, const LevelChoice &choice)
{
    const double values = summary.ValuePeak();
    if ((AsItIs(choice) ? summary.Peak() : values) == 0)
        return "The file is silent";
    if (AsItIs(choice)) {
        const uint64_t clipped = summary.Clipped();
        const std::string dbfs = Decibels(20 * std::log10(summary.Peak() / 32768.0), false);
        if (clipped == 0)
            return "Peak " + dbfs + " dBFS";
        return GroupedDecimal(clipped) + (clipped == 1 ? " sample will" : " samples will")
                + " be clipped to the 16-bit range. Peak " + dbfs + " dBFS";
    }
    const SixteenBitLevel level = LevelFor(choice, values);
    const std::string gain = "Gain " + Decibels(20 * std::log10(level.gain), true) + " dB";
    const double peak = 20 * std::log10(values * level.gain / 32768.0);
    if (!Fits(values, level))
        return gain + ": samples will be clipped to the 16-bit range. Peak " + Decibels(peak, true)
                + " dBFS before clipping";
    return (choice.normalizeDbfs ? "Normalised. " : "") + gain + ". Peak " + Decibels(peak, false)
            + " dBFS";
}

} // namespace

// ---- Pickers -----------------------------------------------------------------------------

COpenFileDialog::COpenFileDialog(bool /*bOpenFileDialog*/, std::string defExt, std::string fileName,
                                 std::uint32_t flags, std::string filter, CWnd *pParentWnd)
    : CFileDialog(true, std::move(defExt), std::move(fileName), flags, std::move(filter),
                  pParentWnd)
{ }

CSaveFileDialog::CSaveFileDialog(bool bOpenFileDialog, std::string defExt, std::string fileName,
                                 std::uint32_t flags, std::string filter, CWnd *pParentWnd)
    : CFileDialog(bOpenFileDialog, std::move(defExt), std::move(fileName), flags, std::move(filter),
                  pParentWnd)
{ }

// ---- The dialog --------------------------------------------------------------------------

namespace {

// Between the texts of the labelled fields that have no value field of their own, on the line
// beside the fields: "24-bit PCM · 0:00.068".
constexpr const char kBesideSeparator[] = " \xC2\xB7 ";

} // namespace

// What a describing job hands back: the texts of the description's fields, in their order,
// and what the binding reported.
struct CImporterDlg::CDescription
{
    bool described = false;
    std::vector<std::string> texts;
    AudioInfo info;
    CAudioFileInfo::Outcome outcome;
};

CImporterDlg::CImporterDlg()
    : CDialog(OrvexResources(), IDD_IMPORTER_DIALOG, nullptr)
    , m_strImportFile("")
    , m_hIcon(OrvexResources().LoadIcon(IDI_ORVEX))
    , m_openPicker(true, "*.*", "", kPickerOptions, kOpenFilter, nullptr)
    , m_savePicker(false, "*.wav", "", kPickerOptions, kSaveFilter, nullptr)
{
    RegisterCustomControl(CWaveformView::kClassName,
                          [](QWidget *parent) { return new CWaveformView(parent); });
    // Each labelled field of the description shows in the template's value field that has its
    // label for text; the others share the line beside the fields.
    const DialogTemplate *window = OrvexResources().FindDialog(IDD_IMPORTER_DIALOG);
    const std::span<const DescriptionField> fields = DescriptionFields();
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].label == nullptr)
            continue;
        int id = IDC_ENCODING;
        for (const ControlTemplate &control : window->controls)
            if (IsValueField(control) && std::string_view(control.text) == fields[i].label)
                id = control.id;
        (id == IDC_ENCODING ? m_besidePlaces : m_fieldPlaces).push_back({i, id, ""});
    }
}

CImporterDlg::~CImporterDlg() = default;

const CMessageMap *CImporterDlg::GetMessageMap() const
{
    static constexpr CCommandEntry<CImporterDlg> entries[] = {
            {IDC_BROWSE, &CImporterDlg::OnBrowse},
            {IDC_SAVE_AS, &CImporterDlg::OnSaveAs},
            {IDC_CONVERT_AND_GO, &CImporterDlg::OnConvertAndGo},
            {IDC_SAVE_AS_WAV, &CImporterDlg::OnSaveAsWav},
            {ID_HELP_ABOUT, &CImporterDlg::OnAbout},
            {ID_HELP_FORMATS, &CImporterDlg::OnHelp},
            {ID_FILE_SAVE_AND_EXIT, &CImporterDlg::OnSaveAndExit},
            {ID_FILE_EXIT, &CImporterDlg::OnExit},
            {IDC_IMPORT_FILE, &CImporterDlg::OnImportFileEdited, EN_KILLFOCUS},
            {IDC_CANCEL_CONVERSION, &CImporterDlg::OnCancelConversion},
            {IDC_PLAY, &CImporterDlg::OnPlay},
            {IDC_NORMALIZE, &CImporterDlg::OnNormalize},
            {IDC_GAIN, &CImporterDlg::OnGainEdited, EN_KILLFOCUS},
            {IDC_DITHER, &CImporterDlg::OnDither},
    };
    static const CCommandMap<CImporterDlg> map(entries, CDialog::GetMessageMap());
    return &map;
}

void CImporterDlg::DoDataExchange(CDataExchange *pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_IMPORT_FILE, m_strImportFile);
    for (FieldPlace &place : m_fieldPlaces)
        DDX_Text(pDX, place.id, place.shown);
    DDX_Text(pDX, IDC_STATUS, m_strStatus);
    DDX_Text(pDX, IDC_ENCODING, m_strEncoding);
    // What the box shows of the import path, to tell later whether the user changed it.
    if (!pDX->m_bSaveAndValidate)
        GetDlgItemText(IDC_IMPORT_FILE, m_strImportFileShown);
}

void CImporterDlg::SetHostCommandLine(const char *commandLine)
{
    m_strHostCommandLine = commandLine;
    m_hostParams.SetCommandLine(m_strHostCommandLine);
    if (!m_hostParams.Parse())
        ::MessageBox(nullptr, kNoParametersText, kNoParametersCaption);
}

bool CImporterDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (CMenu *pSysMenu = GetSystemMenu(false)) {
        std::string about;
        if (GetResources().LoadString(IDS_ABOUTBOX, about) && !about.empty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    SetIcon(m_hIcon, true);
    SetIcon(m_hIcon, false);
    m_helpDlg.Create(IDD_HELP_DIALOG, this);
    m_openPicker.Prepare(); // before the window shows: its first pick opens sooner
    DragAcceptFiles();
    if (auto *view = dynamic_cast<CWaveformView *>(GetDlgItem(IDC_WAVEFORM))) {
        view->onClicked = [this](double fraction) {
            if (m_bDescribed && !m_job.IsRunning()) {
                m_playFrom = fraction;
                PlayFrom(fraction);
            }
        };
        view->onMoved = [this](double fraction) { MovePlayPosition(fraction); };
        view->onSelected = [this](CWaveformView::Selection selection) {
            OnSelected(selection.first, selection.end);
        };
    }
    m_player.LookForOutput([this] { UpdateControls(); });
    // Normalising and dither are as they were left; a gain belongs to the file it was set for.
    if (const CWinApp *app = AfxGetApp()) {
        if (app->GetProfileInt(kLevelSection, kNormalizeEntry, 0) != 0)
            m_level.normalizeDbfs = kNormalizeDbfs;
        m_level.dither = app->GetProfileInt(kLevelSection, kDitherEntry, 0) != 0;
    }
    CheckDlgButton(IDC_NORMALIZE, m_level.normalizeDbfs.has_value());
    CheckDlgButton(IDC_DITHER, m_level.dither);
    SetDlgItemToolTip(IDC_NORMALIZE,
                      "The gain that brings the peak of what is imported to "
                      "-1.0 dBFS, with nothing clipped");
    SetDlgItemToolTip(IDC_DITHER,
                      "Triangular dither of one 16-bit step before rounding, where "
                      "the values carry more than 16 bits");
    UpdateControls();
    // Started with one file (a file manager's "Open With"): take it as picked.
    if (m_hostParams.TokenCount() == 1 && !m_hostParams.m_strParam1.empty())
        TakeImportFile(m_hostParams.m_strParam1);
    return true;
}

void CImporterDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX)
        OnAbout();
    else
        CDialog::OnSysCommand(nID, lParam);
}

void CImporterDlg::OnCancel()
{
    // Closing the window stops a conversion first, which then leaves nothing behind; a job
    // still waiting for a file that never answers is left to it.
    m_job.Abandon(CBackgroundJob::kCleanUpWaitMs);
    m_describeJob.Abandon();
    m_overviewJob.Abandon();
    StopPlaying();
    CDialog::OnCancel();
}

void CImporterDlg::OnOK()
{
    m_describeJob.Abandon();
    m_overviewJob.Abandon();
    StopPlaying();
    CDialog::OnOK();
}

void CImporterDlg::OnTimer(UINT nIDEvent)
{
    auto *view = dynamic_cast<CWaveformView *>(GetDlgItem(IDC_WAVEFORM));
    const uint64_t frames = m_info.samples;
    if (nIDEvent == kPlayheadTimer && view && m_player.IsPlaying() && frames > 0)
        view->SetPlayhead(std::min(1.0, double(m_player.Position()) / double(frames)));
}

void CImporterDlg::UpdateControls()
{
    const bool busy = m_job.IsRunning();
    const bool reading = m_describeJob.IsRunning();
    const bool hostPath = HasHostPath();
    for (int id : {IDC_IMPORT_FILE, IDC_BROWSE}) {
        EnableDlgItem(id, !busy);
        SetDlgItemToolTip(id, busy ? kConverting : "");
    }
    // A file still being read can be converted: the conversion starts once it is described.
    const bool convertible = m_bDescribed || reading;
    EnableDlgItem(IDC_SAVE_AS_WAV, !busy && convertible);
    SetDlgItemToolTip(IDC_SAVE_AS_WAV, busy ? kConverting : convertible ? "" : kPickFirst);
    const bool go = !busy && convertible && hostPath;
    const char *why = go ? "" : busy ? kConverting : !hostPath ? kNoHostPath : kPickFirst;
    EnableDlgItem(IDC_CONVERT_AND_GO, go);
    SetDlgItemToolTip(IDC_CONVERT_AND_GO, why);
    EnableMenuItem(ID_FILE_SAVE_AND_EXIT, go, why);
    const std::string noSound = m_player.Unavailable();
    EnableDlgItem(IDC_PLAY, !busy && m_bDescribed && noSound.empty());
    // The level of a conversion under way is the one it started with.
    for (int id : {IDC_NORMALIZE, IDC_DITHER})
        EnableDlgItem(id, !busy);
    EnableDlgItem(IDC_GAIN, !busy && !m_level.normalizeDbfs);
    SetDlgItemToolTip(IDC_GAIN, busy ? kConverting : m_level.normalizeDbfs ? kNormalizing : "");
    SetDlgItemToolTip(IDC_PLAY,
                      !noSound.empty()       ? noSound
                              : busy         ? kConverting
                              : reading      ? kReading
                              : m_bDescribed ? ""
                                             : kPickFirst);
    DragAcceptFiles(!busy);
}

void CImporterDlg::SetStatus(std::string text)
{
    m_bLevelShown = false;
    m_strStatus = std::move(text);
    SetDlgItemText(IDC_STATUS, m_strStatus);
}

// ---- Picking a file ----------------------------------------------------------------------

void CImporterDlg::OnBrowse()
{
    if (m_job.IsRunning() || m_openPicker.DoModal() != IDOK)
        return;
    TakeImportFile(m_openPicker.GetPathName());
}

void CImporterDlg::OnDropFiles(const std::vector<std::string> &paths)
{
    // A drop of several files takes the first, as a picker picks one.
    if (!m_job.IsRunning())
        TakeImportFile(paths.front());
}

void CImporterDlg::OnImportFileEdited()
{
    // Enter, or the focus leaving the box: a path typed there is taken as picked.
    std::string shown;
    GetDlgItemText(IDC_IMPORT_FILE, shown);
    if (!m_job.IsRunning() && shown != m_strImportFileShown)
        TakeImportFile(ImportPathInBox());
}

std::string CImporterDlg::ImportPathInBox() const
{
    std::string shown;
    GetDlgItemText(IDC_IMPORT_FILE, shown);
    return shown == m_strImportFileShown ? m_strImportFile : shown;
}

void CImporterDlg::TakeImportFile(const std::string &path)
{
    m_strPickedPath = path;
    m_strImportFile = m_strPickedPath;
    m_bConvertWhenDescribed = false;
    if (!m_strImportFile.empty()) {
        OnSaveAs();
        return;
    }
    StopPlaying();
    m_describeJob.Abandon();
    m_selFirst = m_selEnd = 0;
    CopyDescription(false);
    StartOverview();
    SetStatus("");
    UpdateData(false);
    UpdateControls();
}

void CImporterDlg::OnSaveAs()
{
    // The file in the box is described on a job of its own: a file that takes its time, or
    // never answers at all, leaves the window free, and a later pick supersedes it.
    StopPlaying();
    m_describeJob.Abandon();
    m_selFirst = m_selEnd = 0; // the selection belongs to the file that was in the box
    m_summary.reset();
    m_peakJob.Abandon();
    m_selectionPeak.reset();
    // So does a gain.
    m_level.gainDb = 0;
    SetDlgItemText(IDC_GAIN, GainText(0));
    m_audio.SetInputPath(m_strImportFile);
    CopyDescription(false);
    m_fieldPlaces.front().shown = "Reading...";
    StartOverview();
    SetStatus("Reading " + std::filesystem::path(m_strImportFile).filename().string() + "...");
    UpdateData(false);
    auto described = std::make_shared<CDescription>();
    m_describeJob.Start(
            [described, path = m_strImportFile](const CBackgroundJob::Report &) {
                CAudioFileInfo audio;
                audio.SetInputPath(path);
                CDescription &d = *described;
                d.described = audio.Describe();
                for (const DescriptionField &field : DescriptionFields())
                    d.texts.push_back(field.text(audio));
                d.info = audio.GetInfo();
                d.outcome = audio.GetOutcome();
            },
            nullptr, [this, described] { OnDescribed(*described); });
    UpdateControls();
}

void CImporterDlg::OnDescribed(const CDescription &d)
{
    if (d.described) {
        m_fieldTexts = d.texts;
        m_info = d.info;
    }
    CopyDescription(d.described);
    m_playFrom = 0;
    m_bLevelWanted = d.described;
    SetStatus("");
    StartOverview();
    // The box shows the path being described before any message about it.
    UpdateData(false);
    UpdateControls();
    const bool convert = m_bConvertWhenDescribed;
    m_bConvertWhenDescribed = false;
    if (!d.described)
        ShowFailure(d.outcome);
    else if (convert)
        ConvertTo(m_strPendingOutput, m_bPendingEndAfter);
}

void CImporterDlg::CopyDescription(bool described)
{
    m_bDescribed = described;
    for (FieldPlace &place : m_fieldPlaces)
        place.shown = described ? m_fieldTexts[place.field] : "";
    m_strEncoding.clear();
    for (const FieldPlace &place : m_besidePlaces)
        if (described)
            m_strEncoding
                    += (m_strEncoding.empty() ? "" : kBesideSeparator) + m_fieldTexts[place.field];
}

void CImporterDlg::ShowFailure(const CAudioFileInfo::Outcome &outcome)
{
    // The binding's own text, but not where it tells the user to set what the window has
    // no controls for; then the plain sentence.
    std::string text = kFailureText;
    if (outcome.code != AudioError::None && outcome.code != AudioError::RawBadSpec)
        text += std::string("\n") + AudioErrorText(outcome.code);
    if (!outcome.explanation.empty())
        text += "\n" + outcome.explanation;
    SetStatus(!outcome.explanation.empty()               ? outcome.explanation
                      : outcome.code != AudioError::None ? AudioErrorText(outcome.code)
                                                         : kFailureText);
    UpdateControls();
    MessageBox(text, kFailureCaption);
}

// ---- Converting --------------------------------------------------------------------------

void CImporterDlg::ConvertTo(const std::string &outputPath, bool endAfter)
{
    if (m_job.IsRunning())
        return;
    const std::string input = ImportPathInBox();
    if (input != m_strImportFile)
        TakeImportFile(input); // a path typed over the last one: described first
    if (m_describeJob.IsRunning()) {
        m_bConvertWhenDescribed = true;
        m_strPendingOutput = outputPath;
        m_bPendingEndAfter = endAfter;
        return;
    }
    if (!m_bDescribed)
        return;
    StopPlaying();
    m_bLevelWanted = false;
    SetStatus("Converting to " + outputPath + "...");
    SetProgressPos(IDC_PROGRESS, 0);
    struct Result
    {
        bool converted = false;
        CAudioFileInfo::Outcome outcome;
    };
    auto result = std::make_shared<Result>();
    std::optional<FrameRange> part;
    if (m_selEnd > m_selFirst)
        part = FrameRange{FramePlace{m_selFirst}, FramePlace{m_selEnd}, std::nullopt};
    m_job.Start(
            [result, input = m_strImportFile, outputPath, part, level = m_level,
             peak = m_level.normalizeDbfs ? KnownPeak()
                                          : std::nullopt](const CBackgroundJob::Report &report) {
                CAudioFileInfo audio;
                audio.SetInputPath(input);
                audio.SetOutputPath(outputPath);
                audio.SetFrameRange(part);
                audio.SetLevel(level);
                audio.SetKnownPeak(peak); // else the conversion measures it first
                audio.SetProgressHandler([&report](uint64_t done, uint64_t total) {
                    return report(total ? int(std::min<uint64_t>(done * 100 / total, 100)) : 0);
                });
                result->converted = audio.Convert();
                result->outcome = audio.GetOutcome();
            },
            [this](int percent) { SetProgressPos(IDC_PROGRESS, percent); },
            [this, result, outputPath, endAfter] {
                OnConversionDone(result->converted, result->outcome, outputPath, endAfter);
            });
    // The progress and its Stop button show at once, and the keyboard focus waits on the
    // progress bar while the buttons are greyed: a second press of Space or Enter lands
    // where it does nothing, rather than on whatever control Qt would move the focus to.
    ShowDlgItem(IDC_STATUS, false);
    ShowDlgItem(IDC_PROGRESS, true);
    ShowDlgItem(IDC_CANCEL_CONVERSION, true);
    m_nFocusBeforeConversion = GetFocusedDlgItem();
    GotoDlgCtrl(IDC_PROGRESS);
    UpdateControls();
}

void CImporterDlg::OnConversionDone(bool converted, const CAudioFileInfo::Outcome &o,
                                    const std::string &outputPath, bool endAfter)
{
    UpdateControls();
    if (!GotoDlgCtrl(m_nFocusBeforeConversion))
        GotoDlgCtrl(IDC_SAVE_AS_WAV);
    ShowDlgItem(IDC_PROGRESS, false);
    ShowDlgItem(IDC_CANCEL_CONVERSION, false);
    ShowDlgItem(IDC_STATUS, true);
    if (o.code == AudioError::Cancelled) {
        SetStatus("Stopped: nothing was written.");
        return;
    }
    // The host must never find a missing or partial file after a run that looked fine.
    if (!converted) {
        ShowFailure(o);
        return;
    }
    std::string status = "Saved " + outputPath;
    if (o.clippedSamples > 0)
        status += ". " + GroupedDecimal(o.clippedSamples)
                + " samples were clipped to the 16-bit range";
    if (o.framesWritten < o.framesDescribed)
        status += ". The file ends early: " + GroupedDecimal(o.framesWritten) + " of "
                + GroupedDecimal(o.framesDescribed) + " frames were converted";
    SetStatus(status);
    if (endAfter)
        OnOK();
}

// ---- The waveform and playing ----------------------------------------------------------

void CImporterDlg::StartOverview()
{
    m_overviewJob.Abandon();
    // The window, and the strip with it, may go before the job ends.
    QPointer<CWaveformView> view = dynamic_cast<CWaveformView *>(GetDlgItem(IDC_WAVEFORM));
    if (view == nullptr)
        return;
    view->Clear();
    if (!m_bDescribed)
        return;
    view->SetLength(m_info.samples, m_info.sampleRate);
    view->SetPlayhead(m_playFrom);
    ShowLevel();
    // The summary fills in as the file is read, and the strip draws what it holds so far.
    auto summary = std::make_shared<CWaveformSummary>();
    auto error = std::make_shared<AudioError>(AudioError::None);
    view->SetSource(m_strImportFile, summary);
    m_overviewJob.Start(
            [summary, error, path = m_strImportFile,
             frames = m_info.samples](const CBackgroundJob::Report &report) {
                *error = CWaveformOverview::Compute(path, *summary, [&](uint64_t done) {
                    return report(int(std::min<uint64_t>(done * 100 / std::max(frames, 1u), 100)));
                });
            },
            [view](int) {
                if (view)
                    view->Refresh();
            },
            [this, view, summary, error] {
                if (view)
                    view->Refresh();
                if (*error != AudioError::None)
                    return;
                // Before the import, the status line says what it will clip and its peak.
                m_summary = summary;
                if (m_bLevelWanted && m_selEnd <= m_selFirst) {
                    SetStatus("");
                    m_bLevelShown = true;
                }
                m_bLevelWanted = false;
                ShowLevel();
                if (m_bPlayWhenMeasured && KnownPeak())
                    PlayFrom(m_playFrom);
            });
}

void CImporterDlg::OnPlay()
{
    if (m_player.IsPlaying())
        StopPlaying();
    else
        PlayFrom(m_playFrom);
}

void CImporterDlg::OnSelected(uint64_t first, uint64_t end)
{
    m_selFirst = first;
    m_selEnd = end;
    m_selectionPeak.reset();
    MeasureSelection();
    if (!m_bDescribed)
        return;
    if (end <= first) {
        SetStatus("");
        m_bLevelShown = true;
        ShowLevel();
        return;
    }
    ShowLevel();
    // As many decimals as the rate needs for the nearest frame of each time to be the frame,
    // so that the times give these very frames wherever they are typed.
    const uint32_t rate = m_info.sampleRate;
    const int places = DecimalsForFrames(rate);
    SetStatus("Selected " + DurationText(first, rate, places) + " to "
              + DurationText(end, rate, places) + " (" + DurationText(end - first, rate, places)
              + "): only the selection will be imported.");
}

void CImporterDlg::PlayFrom(double fraction)
{
    StopPlaying();
    if (!m_bDescribed)
        return;
    // Normalising plays once the peak of what is imported is known: from the overview, or
    // the selection's own measure.
    if (m_level.normalizeDbfs && !KnownPeak()) {
        m_bPlayWhenMeasured = true;
        return;
    }
    const bool part = m_selEnd > m_selFirst;
    const uint64_t frame
            = part ? m_selFirst : uint64_t(std::llround(fraction * double(m_info.samples)));
    if (part && m_info.samples > 0)
        fraction = double(m_selFirst) / double(m_info.samples);
    m_player.Play(m_strImportFile, frame, part ? m_selEnd : UINT64_MAX,
                  LevelFor(m_level, KnownPeak().value_or(0)), [this](const std::string &why) {
                      StopPlaying();
                      if (!why.empty())
                          SetStatus(why);
                      UpdateControls();
                  });
    if (auto *view = dynamic_cast<CWaveformView *>(GetDlgItem(IDC_WAVEFORM)))
        view->SetPlayhead(fraction);
    SetDlgItemText(IDC_PLAY, "Sto&p"); // Alt+P stops what it started
    SetTimer(kPlayheadTimer, kPlayheadMs);
}

void CImporterDlg::MovePlayPosition(double fraction)
{
    if (!m_bDescribed)
        return;
    m_playFrom = fraction;
    if (m_player.IsPlaying() && !m_job.IsRunning())
        PlayFrom(fraction);
    else if (auto *view = dynamic_cast<CWaveformView *>(GetDlgItem(IDC_WAVEFORM)))
        view->SetPlayhead(fraction);
}

void CImporterDlg::StopPlaying()
{
    m_bPlayWhenMeasured = false;
    m_player.Stop();
    KillTimer(kPlayheadTimer);
    SetDlgItemText(IDC_PLAY, "&Play");
    if (auto *view = dynamic_cast<CWaveformView *>(GetDlgItem(IDC_WAVEFORM)))
        view->SetPlayhead(m_bDescribed ? m_playFrom : -1);
}

// ---- The level ---------------------------------------------------------------------------

void CImporterDlg::OnNormalize()
{
    m_level.normalizeDbfs = IsDlgButtonChecked(IDC_NORMALIZE)
            ? std::optional<double>(kNormalizeDbfs)
            : std::nullopt;
    MeasureSelection();
    OnLevelChosen();
}

void CImporterDlg::OnDither()
{
    m_level.dither = IsDlgButtonChecked(IDC_DITHER);
    OnLevelChosen();
}

void CImporterDlg::OnGainEdited()
{
    std::string typed;
    GetDlgItemText(IDC_GAIN, typed);
    const std::optional<double> db = ParseGain(typed);
    SetDlgItemText(IDC_GAIN, GainText(db.value_or(m_level.gainDb)));
    if (!db)
        SetStatus(kBadGain);
    else if (*db != m_level.gainDb) {
        m_level.gainDb = *db;
        OnLevelChosen();
    }
}

void CImporterDlg::OnLevelChosen()
{
    if (CWinApp *app = AfxGetApp()) {
        auto keep = [&](const char *entry, bool value) {
            if ((app->GetProfileInt(kLevelSection, entry, 0) != 0) != value)
                app->WriteProfileInt(kLevelSection, entry, value);
        };
        keep(kNormalizeEntry, m_level.normalizeDbfs.has_value());
        keep(kDitherEntry, m_level.dither);
    }
    UpdateControls();
    if (m_bDescribed && m_selEnd <= m_selFirst && m_summary && !m_job.IsRunning()) {
        SetStatus("");
        m_bLevelShown = true;
    }
    ShowLevel();
    // What plays goes on at the new level: from where it is heard, or the selection again.
    if (m_player.IsPlaying()) {
        if (m_selEnd <= m_selFirst && m_info.samples > 0)
            m_playFrom = std::min(1.0, double(m_player.Position()) / double(m_info.samples));
        PlayFrom(m_playFrom);
    }
}

std::optional<double> CImporterDlg::KnownPeak() const
{
    if (m_selEnd > m_selFirst)
        return m_selectionPeak;
    if (m_summary)
        return m_summary->ValuePeak();
    return std::nullopt;
}

void CImporterDlg::ShowLevel()
{
    const std::optional<double> peak = KnownPeak();
    // Normalising without the peak yet draws the file as it is, until the peak comes.
    const SixteenBitLevel level = LevelFor(m_level, peak.value_or(0));
    const bool mayClip = AsItIs(m_level) || !peak || !Fits(*peak, level);
    if (auto *view = dynamic_cast<CWaveformView *>(GetDlgItem(IDC_WAVEFORM)))
        view->SetLevel(level.gain, mayClip);
    if (m_bLevelShown && m_summary) {
        SetStatus(LevelSentence(*m_summary, m_level));
        m_bLevelShown = true;
    }
}

void CImporterDlg::MeasureSelection()
{
    m_peakJob.Abandon();
    if (!m_level.normalizeDbfs || m_selEnd <= m_selFirst || m_selectionPeak || !m_bDescribed)
        return;
    auto peak = std::make_shared<std::optional<double>>();
    const uint64_t first = m_selFirst, end = m_selEnd;
    m_peakJob.Start(
            [peak, path = m_strImportFile, first, end](const CBackgroundJob::Report &report) {
                CSixteenBitReader reader;
                if (reader.Open(path) != AudioError::None)
                    return;
                const uint32_t block = std::max(8192 / reader.GetInfo().channels, 1u);
                // To the start as the conversion goes: by seeking where the input can, else by
                // reading up to it; then the values' peak, as the conversion measures it.
                uint64_t at = first > 0 && reader.Seek(first) ? first : 0;
                float values = 0, before = 0;
                while (at < end) {
                    const uint64_t to = at < first ? first : end;
                    const uint32_t n
                            = reader.Read(nullptr, uint32_t(std::min<uint64_t>(block, to - at)),
                                          at < first ? &before : &values);
                    if (!report(int((at * 100) / end)))
                        return;
                    if (n == 0)
                        break;
                    at += n;
                }
                *peak = values;
            },
            nullptr,
            [this, peak, first, end] {
                if (!*peak || first != m_selFirst || end != m_selEnd)
                    return;
                m_selectionPeak = *peak;
                ShowLevel();
                if (m_bPlayWhenMeasured)
                    PlayFrom(m_playFrom);
            });
}

void CImporterDlg::OnCancelConversion()
{
    m_job.Cancel();
}

bool CImporterDlg::HasHostPath() const
{
    // Only a host that gave exactly four parameters named a file to write.
    return m_hostParams.TokenCount() == 4 && !m_hostParams.m_strParam3.empty();
}

void CImporterDlg::OnConvertAndGo()
{
    if ((m_bDescribed || m_describeJob.IsRunning()) && HasHostPath())
        ConvertTo(m_hostParams.m_strParam3, true);
}

void CImporterDlg::OnSaveAndExit()
{
    OnConvertAndGo();
}

void CImporterDlg::OnSaveAsWav()
{
    if (m_job.IsRunning() || !(m_bDescribed || m_describeJob.IsRunning()))
        return;
    // The picker proposes the file in the box, renamed: STEM.wav in the folder last saved
    // to, the input's own the first time; never the name of another file. Where that would
    // be the input itself, which the conversion refuses to write over, the name says so.
    namespace fs = std::filesystem;
    const fs::path input = ImportPathInBox();
    const fs::path folder
            = m_strSavePath.empty() ? input.parent_path() : fs::path(m_strSavePath).parent_path();
    std::string name = input.stem().string() + ".wav";
    if ((folder / name).lexically_normal() == input.lexically_normal())
        name = input.stem().string() + " (16-bit).wav";
    m_savePicker.SetStart(folder.string(), name);
    if (m_savePicker.DoModal() != IDOK)
        return;
    m_strSavePath = m_savePicker.GetPathName();
    if (!m_strSavePath.empty())
        ConvertTo(m_strSavePath, false);
}

// ---- Help menu, Exit ---------------------------------------------------------------------

void CImporterDlg::OnAbout()
{
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
}

void CImporterDlg::OnHelp()
{
    m_helpDlg.ShowWindow(SW_SHOW);
}

void CImporterDlg::OnExit()
{
    OnCancel();
}
