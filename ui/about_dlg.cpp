// The About box.
#include "about_dlg.h"

#include "resource_ids.h"
#include "resources.h"

CAboutDlg::CAboutDlg()
    : CDialog(OrvexResources(), IDD_ABOUTBOX)
{ }

CAboutDlg::~CAboutDlg() = default;

const CMessageMap *CAboutDlg::GetMessageMap() const
{
    static const CCommandMap<CAboutDlg> map(CDialog::GetMessageMap());
    return &map;
}

void CAboutDlg::DoDataExchange(CDataExchange *pDX)
{
    // The box shows only what its template holds.
    CDialog::DoDataExchange(pDX);
}
