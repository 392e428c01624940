// CWnd and CMenu over Qt widgets.
#include "wnd.h"

#include "accessibility.h"
#include "message_box.h"
#include "text_codec.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>

// ---- CMenu -------------------------------------------------------------------------------

bool CMenu::AppendMenu(UINT nFlags, UINT nIDNewItem, std::string text)
{
    if (m_pMenu.isNull())
        return false;
    if ((nFlags & MF_SEPARATOR) != 0) {
        m_pMenu->addSeparator();
        return true;
    }
    QAction *action = m_pMenu->addAction(QStringFromText(text));
    action->setData(nIDNewItem);
    return true;
}

// ---- CWnd --------------------------------------------------------------------------------

CWnd::~CWnd()
{
    DestroyWindow();
}

bool CWnd::DestroyWindow()
{
    QWidget *wnd = m_pWnd.data();
    if (wnd == nullptr)
        return false;
    m_pWnd.clear();
    delete wnd;
    return true;
}

void CWnd::AttachWindow(QWidget *pWnd, QWidget *pClient, QMenu *pSysMenu)
{
    m_pWnd = pWnd;
    m_pClient = pClient;
    m_sysMenu.Attach(pSysMenu);
    ApplyIcons();
}

void CWnd::ApplyIcons()
{
    if (m_pWnd.isNull())
        return;
    // Qt keeps one icon per window and picks the size it needs from it.
    QIcon icon = m_hIconBig;
    for (const QSize &size : m_hIconSmall.availableSizes())
        icon.addPixmap(m_hIconSmall.pixmap(size));
    m_pWnd->setWindowIcon(icon);
}

bool CWnd::ShowWindow(int nCmdShow)
{
    QWidget *wnd = m_pWnd.data();
    if (wnd == nullptr)
        return false;
    const bool wasVisible = wnd->isVisible();
    if (nCmdShow == SW_HIDE) {
        wnd->hide();
    } else {
        wnd->show();
        wnd->raise();
        wnd->activateWindow();
    }
    return wasVisible;
}

bool CWnd::IsWindowVisible() const
{
    return m_pWnd && m_pWnd->isVisible();
}

void CWnd::SetWindowText(std::string text)
{
    if (m_pWnd)
        m_pWnd->setWindowTitle(QStringFromText(text));
}

std::string CWnd::GetWindowText() const
{
    return m_pWnd ? TextFromQString(m_pWnd->windowTitle()) : std::string();
}

QString CWnd::ControlName(int nID)
{
    return QStringLiteral("id%1").arg(nID);
}

QWidget *CWnd::GetDlgItem(int nID) const
{
    return m_pClient ? m_pClient->findChild<QWidget *>(ControlName(nID), Qt::FindDirectChildrenOnly)
                     : nullptr;
}

bool CWnd::SetDlgItemText(int nID, std::string text)
{
    QWidget *item = GetDlgItem(nID);
    const QString value = QStringFromText(text);
    if (auto *label = qobject_cast<QLabel *>(item))
        label->setText(value);
    else if (auto *edit = qobject_cast<QLineEdit *>(item))
        edit->setText(value);
    else if (auto *button = qobject_cast<QAbstractButton *>(item))
        button->setText(value);
    else
        return false;
    return true;
}

bool CWnd::GetDlgItemText(int nID, std::string &text) const
{
    QWidget *item = GetDlgItem(nID);
    if (auto *label = qobject_cast<QLabel *>(item))
        text = TextFromQString(label->text());
    else if (auto *edit = qobject_cast<QLineEdit *>(item))
        text = TextFromQString(edit->text());
    else if (auto *button = qobject_cast<QAbstractButton *>(item))
        text = TextFromQString(button->text());
    else
        return false;
    return true;
}

void CWnd::CheckDlgButton(int nID, bool bCheck)
{
    if (auto *button = qobject_cast<QAbstractButton *>(GetDlgItem(nID)))
        button->setChecked(bCheck); // `clicked`, which carries the commands, stays silent
}

bool CWnd::IsDlgButtonChecked(int nID) const
{
    auto *button = qobject_cast<QAbstractButton *>(GetDlgItem(nID));
    return button != nullptr && button->isChecked();
}

void CWnd::EnableDlgItem(int nID, bool bEnable)
{
    if (QWidget *item = GetDlgItem(nID))
        item->setEnabled(bEnable);
}

void CWnd::ShowDlgItem(int nID, bool bShow)
{
    QWidget *item = GetDlgItem(nID);
    if (item != nullptr && item->isHidden() == bShow) {
        item->setVisible(bShow);
        NotifyShown(item, bShow);
    }
}

int CWnd::GetFocusedDlgItem() const
{
    QWidget *focus = m_pClient ? m_pClient->focusWidget() : nullptr;
    bool numbered = false;
    const int nID = focus && focus->parentWidget() == m_pClient && focus->hasFocus()
            ? focus->objectName().mid(2).toInt(&numbered)
            : 0;
    return numbered ? nID : -1;
}

bool CWnd::GotoDlgCtrl(int nID)
{
    QWidget *item = GetDlgItem(nID);
    if (item == nullptr || item->isHidden() || !item->isEnabled())
        return false;
    item->setFocus(Qt::OtherFocusReason);
    return true;
}

void CWnd::SetDlgItemToolTip(int nID, std::string text)
{
    if (QWidget *item = GetDlgItem(nID))
        item->setToolTip(QStringFromText(text));
}

void CWnd::SetProgressPos(int nID, int nPos)
{
    if (auto *bar = qobject_cast<QProgressBar *>(GetDlgItem(nID)))
        bar->setValue(nPos);
}

void CWnd::EnableMenuItem(UINT nID, bool bEnable, std::string toolTip)
{
    auto *bar = m_pWnd ? m_pWnd->findChild<QMenuBar *>() : nullptr;
    for (QAction *popup : bar ? bar->actions() : QList<QAction *>())
        for (QAction *item : popup->menu()->actions())
            if (item->data().toUInt() == nID) { // separators carry no number
                item->setEnabled(bEnable);
                item->setToolTip(QStringFromText(toolTip));
                popup->menu()->setToolTipsVisible(true);
                return;
            }
}

void CWnd::SetTimer(UINT nIDEvent, UINT nElapse)
{
    if (m_pWnd.isNull())
        return;
    const QString name = QStringLiteral("timer%1").arg(nIDEvent);
    auto *timer = m_pWnd->findChild<QTimer *>(name, Qt::FindDirectChildrenOnly);
    if (timer == nullptr) {
        timer = new QTimer(m_pWnd.data());
        timer->setObjectName(name);
        QObject::connect(timer, &QTimer::timeout, m_pWnd.data(),
                         [this, nIDEvent] { OnTimer(nIDEvent); });
    }
    timer->start(int(nElapse));
}

void CWnd::KillTimer(UINT nIDEvent)
{
    delete (m_pWnd ? m_pWnd->findChild<QTimer *>(QStringLiteral("timer%1").arg(nIDEvent),
                                                 Qt::FindDirectChildrenOnly)
                   : nullptr);
}

CMenu *CWnd::GetSystemMenu(bool /*bRevert*/)
{
    return m_sysMenu.GetSafeHmenu() != nullptr ? &m_sysMenu : nullptr;
}

HICON CWnd::SetIcon(HICON hIcon, bool bBigIcon)
{
    HICON &slot = bBigIcon ? m_hIconBig : m_hIconSmall;
    HICON previous = slot;
    slot = hIcon;
    ApplyIcons();
    return previous;
}

int CWnd::MessageBox(std::string text, std::string caption)
{
    return ::MessageBox(this, std::move(text), std::move(caption));
}

void CWnd::DragAcceptFiles(bool bAccept)
{
    if (QWidget *window = GetSafeHwnd())
        window->setAcceptDrops(bAccept);
}

void CWnd::OnSysCommand(UINT nID, LPARAM /*lParam*/)
{
    if ((nID & 0xFFF0) == SC_CLOSE && m_pWnd)
        m_pWnd->close();
}
