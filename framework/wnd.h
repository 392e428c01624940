// CWnd: a window of ours as the dialogs see it - its controls by number, their texts, its
// visibility, icons and system menu - over a Qt top-level widget that the CWnd owns. Also
// CMenu, a menu that items can be appended to.
#pragma once

#include "cmd_target.h"
#include "win_defs.h"

#include <string>
#include <vector>

#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QWidget>

// A menu that a program can extend. It refers to a Qt menu owned by its window, so it is
// empty (and AppendMenu fails) once the window is gone.
class CMenu
{
public:
    // MF_SEPARATOR appends a separator; MF_STRING an item with the text and command id.
    bool AppendMenu(UINT nFlags, UINT nIDNewItem = 0, std::string text = {});
    QMenu *GetSafeHmenu() const { return m_pMenu.data(); }
    void Attach(QMenu *pMenu) { m_pMenu = pMenu; }

private:
    QPointer<QMenu> m_pMenu;
};

class CWnd : public CCmdTarget
{
public:
    CWnd() = default;
    ~CWnd() override; // destroys the window, if there is one

    // The top-level Qt window, or null before it is made and after it is destroyed.
    QWidget *GetSafeHwnd() const { return m_pWnd.data(); }
    bool DestroyWindow();

    // SW_SHOW shows the window, or raises and activates it when it is already visible;
    // SW_HIDE hides it. Returns whether the window was visible before.
    bool ShowWindow(int nCmdShow);
    bool IsWindowVisible() const;

    void SetWindowText(std::string text);
    std::string GetWindowText() const;

    // Controls by number; a control's Qt objectName is ControlName(id).
    static QString ControlName(int nID);
    QWidget *GetDlgItem(int nID) const;
    // False when the window has no such control.
    bool SetDlgItemText(int nID, std::string text);
    bool GetDlgItemText(int nID, std::string &text) const;
    // A control that cannot be used is greyed and skipped by Tab; its tooltip says why.
    void EnableDlgItem(int nID, bool bEnable);
    void ShowDlgItem(int nID, bool bShow);
    void SetDlgItemToolTip(int nID, std::string text);
    // A check box's state: ticks or clears it without telling the window's commands.
    void CheckDlgButton(int nID, bool bCheck);
    bool IsDlgButtonChecked(int nID) const;
    // The control with the keyboard focus, or -1 when no numbered control has it.
    int GetFocusedDlgItem() const;
    // Gives a shown, enabled control the keyboard focus.
    bool GotoDlgCtrl(int nID);
    // A progress bar's position, 0 to 100.
    void SetProgressPos(int nID, int nPos);
    // Enables or greys a command of the window's menu bar, with a tooltip saying why.
    void EnableMenuItem(UINT nID, bool bEnable, std::string toolTip = {});

    // A timer that calls OnTimer(nIDEvent) every nElapse milliseconds until it is killed;
    // setting it again restarts it.
    void SetTimer(UINT nIDEvent, UINT nElapse);
    void KillTimer(UINT nIDEvent);

    // The window's system menu (Close, plus what the program appends), or null when the
    // window has none.
    CMenu *GetSystemMenu(bool bRevert);

    // Sets the large or small window icon and returns the one it replaces.
    HICON SetIcon(HICON hIcon, bool bBigIcon);
    HICON GetIcon(bool bBigIcon) const { return bBigIcon ? m_hIconBig : m_hIconSmall; }

    // A message box owned by this window (see MessageBox in message_box.h).
    int MessageBox(std::string text, std::string caption);

    // Lets the window take files dropped on it from a file manager; each drop that holds
    // local files reaches OnDropFiles.
    void DragAcceptFiles(bool bAccept = true);

protected:
    // System-menu choices. The base handles SC_CLOSE by closing the window, which reaches
    // the dialog's cancel command, and ignores the rest.
    virtual void OnSysCommand(UINT nID, LPARAM lParam);
    virtual void OnTimer(UINT /*nIDEvent*/) { }
    // Files dropped on the window: the paths of the local ones, byte for byte as the file
    // system has them, in the order of the drop. Other dropped items are left out.
    virtual void OnDropFiles(const std::vector<std::string> & /*paths*/) { }

    // Called by the class that makes the window: the window, the widget that holds the
    // controls (below any menu bar), and the system menu if the window has one.
    void AttachWindow(QWidget *pWnd, QWidget *pClient, QMenu *pSysMenu);
    QWidget *GetClientWidget() const { return m_pClient.data(); }

private:
    friend class CDialogWindow;

    void ApplyIcons();

    QPointer<QWidget> m_pWnd;
    QPointer<QWidget> m_pClient;
    CMenu m_sysMenu;
    HICON m_hIconBig;
    HICON m_hIconSmall;
};
