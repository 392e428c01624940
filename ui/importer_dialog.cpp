// The importer dialog and its pickers (see importer_dialog.h).
#include "importer_dialog.h"

#include "about_dlg.h"
#include "message_box.h"
#include "resource_ids.h"
#include "resources.h"

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

CImporterDlg::CImporterDlg()
    : CDialog(OrvexResources(), IDD_IMPORTER_DIALOG, nullptr)
    , m_strImportFile("")
    , m_strBitWidth("")
    , m_strChannels("")
    , m_strFormat("")
    , m_strSamples("")
    , m_strSampleRate("")
    , m_hIcon(OrvexResources().LoadIcon(IDI_ORVEX))
    , m_openPicker(true, "*.*", "", kPickerOptions, kOpenFilter, nullptr)
    , m_savePicker(false, "*.wav", "", kPickerOptions, kSaveFilter, nullptr)
{ }

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
    };
    static const CCommandMap<CImporterDlg> map(entries, CDialog::GetMessageMap());
    return &map;
}

void CImporterDlg::DoDataExchange(CDataExchange *pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_IMPORT_FILE, m_strImportFile);
    DDX_Text(pDX, IDC_BIT_WIDTH, m_strBitWidth);
    DDX_Text(pDX, IDC_CHANNELS, m_strChannels);
    DDX_Text(pDX, IDC_FORMAT, m_strFormat);
    DDX_Text(pDX, IDC_SAMPLES, m_strSamples);
    DDX_Text(pDX, IDC_SAMPLE_RATE, m_strSampleRate);
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
    DragAcceptFiles();
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

void CImporterDlg::OnPaint()
{
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    // Minimised: the icon, centred in the client area.
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    const int x = (rect.Width() - cxIcon + 1) / 2;
    const int y = (rect.Height() - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

void CImporterDlg::OnCancel()
{
    CDialog::OnCancel();
}

// ---- Picking a file ----------------------------------------------------------------------

void CImporterDlg::OnBrowse()
{
    if (m_openPicker.DoModal() != IDOK)
        return;
    TakeImportFile(m_openPicker.GetPathName());
}

void CImporterDlg::OnDropFiles(const std::vector<std::string> &paths)
{
    // A drop of several files takes the first, as a picker picks one.
    TakeImportFile(paths.front());
}

void CImporterDlg::TakeImportFile(const std::string &path)
{
    m_strPickedPath = path;
    if (!m_strPickedPath.empty()) {
        m_strImportFile = m_strPickedPath;
        OnSaveAs();
    }
    UpdateData(false);
}

void CImporterDlg::OnSaveAs()
{
    m_audio.SetInputPath(m_strImportFile);
    if (m_audio.Describe()) {
        CopyDescription();
        UpdateData(false);
    } else {
        ShowFailure();
    }
}

void CImporterDlg::CopyDescription()
{
    m_strFormat = m_audio.m_strFormat;
    m_strSamples = m_audio.m_strSamples;
    m_strSampleRate = m_audio.m_strSampleRate;
    m_strChannels = m_audio.m_strChannels;
    m_strBitWidth = m_audio.m_strBitWidth;
}

void CImporterDlg::ShowFailure()
{
    std::string text = kFailureText;
    const AudioError reason = m_audio.GetOutcome().code;
    if (reason != AudioError::None)
        text += std::string("\n") + AudioErrorText(reason);
    MessageBox(text, kFailureCaption);
}

// ---- Converting --------------------------------------------------------------------------

bool CImporterDlg::DescribeAndConvert(const std::string &outputPath)
{
    m_audio.SetInputPath(m_strImportFile);
    if (!m_audio.Describe()) {
        ShowFailure();
        return false;
    }
    CopyDescription();
    m_audio.SetOutputPath(outputPath);
    const bool converted = m_audio.Convert();
    UpdateData(false);
    // The host must never find a missing or partial file after a run that looked fine.
    if (!converted)
        ShowFailure();
    return converted;
}

void CImporterDlg::OnConvertAndGo()
{
    if (m_strImportFile.empty())
        return;
    if (DescribeAndConvert(m_hostParams.m_strParam3))
        OnOK();
}

void CImporterDlg::OnSaveAndExit()
{
    OnConvertAndGo();
}

void CImporterDlg::OnSaveAsWav()
{
    if (m_savePicker.DoModal() != IDOK)
        return;
    m_strSavePath = m_savePicker.GetPathName();
    if (!m_strSavePath.empty())
        DescribeAndConvert(m_strSavePath);
    UpdateData(false);
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
