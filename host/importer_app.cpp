// CImporterApp (see importer_app.h).
#include "importer_app.h"

#include "importer_dialog.h"

CImporterApp::CImporterApp() = default;
CImporterApp::~CImporterApp() = default;

const CMessageMap *CImporterApp::GetMessageMap() const
{
    static const CCommandMap<CImporterApp> map(CWinApp::GetMessageMap());
    return &map;
}

bool CImporterApp::InitInstance()
{
    // ~/.config/Orvex/orvex.conf: what the windows remember between runs (their size).
    SetProfileName("Orvex", "orvex");
    CImporterDlg dlg;
    m_pMainWnd = &dlg;
    dlg.SetHostCommandLine(m_lpCmdLine.c_str());
    dlg.DoModal(); // how it ended makes no difference
    m_pMainWnd = nullptr;
    return false;
}
