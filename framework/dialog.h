// CDialog: a dialog built from a numbered template. Its controls sit where the template puts
// them, converted from dialog units with the dialog font's base units; it runs modally
// (DoModal) or modelessly (Create, then ShowWindow); its texts move between controls and
// members through DoDataExchange/DDX_Text; its buttons and menu items reach handlers through
// the command table. Esc and the window's close button send the cancel command, as the
// Cancel button does.
#pragma once

#include "resource_module.h"
#include "wnd.h"

#include <functional>
#include <string>

class CDialog;

// The direction of one data exchange; DDX_Text marks it failed when a control is missing.
class CDataExchange
{
public:
    CDataExchange(CDialog *pDlgWnd, bool bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate)
        , m_pDlgWnd(pDlgWnd)
    { }
    const bool m_bSaveAndValidate; // true: controls to members; false: members to controls
    CDialog *const m_pDlgWnd;
    bool m_bFailed = false;
};

// Moves the text of control nIDC to value (saving) or value to the control (refreshing).
void DDX_Text(CDataExchange *pDX, int nIDC, std::string &value);

// Makes the controls that templates name as Custom with `className`: a widget of the
// program's own, made as a child of `parent`. Register before any such dialog is made.
void RegisterCustomControl(const std::string &className,
                           std::function<QWidget *(QWidget *parent)> make);

class CDialog : public CWnd
{
public:
    // The template is looked up in resources when the window is made; the module must
    // outlive the dialog.
    CDialog(const CResourceModule &resources, int nIDTemplate, CWnd *pParentWnd = nullptr);
    ~CDialog() override;

    // Makes the window from the template, runs OnInitDialog, and runs the dialog until
    // EndDialog; then destroys the window. Returns the EndDialog result, or -1 when the
    // window could not be made.
    virtual int DoModal();
    // Makes the window as a modeless dialog; it is shown at once only if the template says
    // WS_VISIBLE. False when the template is unknown or the window already exists.
    bool Create(int nIDTemplate, CWnd *pParentWnd = nullptr);
    // Ends a modal run with nResult; a modeless dialog is only hidden.
    void EndDialog(int nResult);

    // Runs DoDataExchange in one direction; false if a bound control was missing (as every
    // one is while there is no window).
    bool UpdateData(bool bSaveAndValidate = true);

    virtual bool OnInitDialog();

    const CMessageMap *GetMessageMap() const override;
    const CResourceModule &GetResources() const { return m_resources; }

protected:
    // The standard buttons' commands: read back and end with IDOK; end with IDCANCEL.
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange * /*pDX*/) { }

private:
    friend class CDialogWindow;

    bool CreateFromTemplate(int nIDTemplate, CWnd *pParentWnd, bool bModal);
    void FocusFirstTabStop();

    const CResourceModule &m_resources;
    int m_nIDTemplate;
    CWnd *m_pParentWnd;
    const DialogTemplate *m_pTemplate = nullptr; // of the current window
    bool m_bModal = false;
    bool m_bEnded = false; // EndDialog ran during this window's life
    int m_nResult = 0;
};
