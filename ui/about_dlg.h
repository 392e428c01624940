// CAboutDlg: the modal "About Orvex" box with the program's name and version, three notice
// lines and a picture. Built, run and destroyed on each request.
#pragma once

#include "dialog.h"

class CAboutDlg : public CDialog
{
public:
    CAboutDlg();
    ~CAboutDlg() override;

    const CMessageMap *GetMessageMap() const override;

protected:
    void DoDataExchange(CDataExchange *pDX) override;
};
