// CFormatsHelpDlg: the modeless "Help Dialog" window that lists the input formats Orvex
// reads. The importer dialog creates it hidden, shows it from its Help menu, and its own OK,
// Esc and close only hide it again, keeping its text.
#pragma once

#include "dialog.h"

#include <string>

class CFormatsHelpDlg : public CDialog
{
public:
    explicit CFormatsHelpDlg(CWnd *pParent = nullptr);
    ~CFormatsHelpDlg() override;

    std::string m_strText; // bound to the text field 1010

    bool OnInitDialog() override;
    const CMessageMap *GetMessageMap() const override;

protected:
    void DoDataExchange(CDataExchange *pDX) override;
};
