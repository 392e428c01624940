// The formats help window.
#include "formats_help_dlg.h"

#include "resource_ids.h"
#include "resources.h"
#include "texts.h"

CFormatsHelpDlg::CFormatsHelpDlg(CWnd *pParent)
    : CDialog(OrvexResources(), IDD_HELP_DIALOG, pParent)
    , m_strText("")
{ }

CFormatsHelpDlg::~CFormatsHelpDlg() = default;

const CMessageMap *CFormatsHelpDlg::GetMessageMap() const
{
    // No commands of its own: OK and Cancel are the dialog's.
    static const CCommandMap<CFormatsHelpDlg> map(CDialog::GetMessageMap());
    return &map;
}

void CFormatsHelpDlg::DoDataExchange(CDataExchange *pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_FORMATS_TEXT, m_strText);
}

bool CFormatsHelpDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_strText = kFormatsHelpText;
    UpdateData(false);
    return true;
}
