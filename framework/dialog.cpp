// CDialog: windows made from dialog templates, their modal and modeless runs, data exchange,
// and the Qt dialog that forwards its events to the CDialog that owns it. A dialog whose frame
// can be resized lays its controls out as its template's dynamic layout says, and is opened
// again at the size it was left at.
#include "dialog.h"

#include "accessibility.h"
#include "dialog_units.h"
#include "text_codec.h"
#include "win_app.h"

#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>

#include <map>
#include <string>
#include <vector>

// ---- The Qt window -----------------------------------------------------------------------

namespace {

// The local files among dropped URLs. The path is taken from the URL's percent-encoded
// form, so a name whose bytes are not UTF-8 keeps them.
std::vector<std::string> LocalPaths(const QMimeData *data)
{
    std::vector<std::string> paths;
    if (data == nullptr || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QByteArray path
                = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (!path.isEmpty())
            paths.push_back(path.toStdString());
    }
    return paths;
}

// The profile section that keeps the size of a resizable dialog made from template nID.
std::string SizeSection(int nID)
{
    return "Dialog" + std::to_string(nID);
}

} // namespace

// The top-level window of a CDialog. Esc and the close button arrive here as reject(), which
// becomes the cancel command; a right click on the window or Alt+Space opens the system menu.
// A resizable window moves and sizes the controls its template's dynamic layout names as its
// client area changes size, and remembers its size in the profile whenever it is hidden.
class CDialogWindow final : public QDialog
{
public:
    CDialogWindow(CDialog &owner, QWidget *parent, Qt::WindowFlags flags)
        : QDialog(parent, flags)
        , m_owner(owner)
    { }

    void reject() override { m_owner.OnCmdMsg(IDCANCEL); }

    // A control that follows the client area: its place in the template's size, and how.
    struct Anchor
    {
        QPointer<QWidget> control;
        QRect base;
        DynamicLayoutItem how;
    };
    void SetDynamicLayout(QWidget *client, int nIDTemplate, std::vector<Anchor> anchors)
    {
        m_client = client;
        m_nIDTemplate = nIDTemplate;
        m_anchors = std::move(anchors);
        client->installEventFilter(this);
    }

    // Opens at the size the profile remembers, never below the template's size nor beyond
    // the screen; maximised if it was left so.
    void RestoreSize()
    {
        const CWinApp *app = AfxGetApp();
        const std::string section = SizeSection(m_nIDTemplate);
        auto remembered = [&](const char *entry) {
            return app != nullptr ? app->GetProfileInt(section, entry, 0) : 0;
        };
        QSize size(remembered("Width"), remembered("Height"));
        if (const QScreen *screen = this->screen())
            size = size.boundedTo(screen->availableSize());
        size = size.expandedTo(minimumSize());
        // The client area as the layout will make it when the window shows; the controls
        // follow now, so that OnInitDialog finds them in their places.
        m_client->resize(m_client->size() + (size - this->size()));
        resize(size);
        Arrange();
        if (remembered("Maximized") != 0)
            setWindowState(windowState() | Qt::WindowMaximized);
    }

    void PopupSystemMenu(const QPoint &globalPos)
    {
        if (CMenu *menu = m_owner.GetSystemMenu(false))
            menu->GetSafeHmenu()->popup(globalPos);
    }

    void SystemCommand(UINT nID) { m_owner.OnSysCommand(nID, 0); }

protected:
    // Installed on the client alone.
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            Arrange();
        return QDialog::eventFilter(watched, event);
    }
    void hideEvent(QHideEvent *event) override
    {
        if (m_client != nullptr)
            RememberSize();
        QDialog::hideEvent(event);
    }
    void contextMenuEvent(QContextMenuEvent *event) override
    {
        PopupSystemMenu(event->globalPos());
    }
    void dragEnterEvent(QDragEnterEvent *event) override
    {
        if (!LocalPaths(event->mimeData()).empty())
            event->acceptProposedAction();
    }
    void dropEvent(QDropEvent *event) override
    {
        const std::vector<std::string> paths = LocalPaths(event->mimeData());
        if (paths.empty())
            return;
        event->acceptProposedAction();
        m_owner.OnDropFiles(paths);
    }

private:
    void Arrange()
    {
        const QSize grown = (m_client->size() - m_client->minimumSize()).expandedTo(QSize(0, 0));
        for (const Anchor &anchor : m_anchors) {
            if (anchor.control.isNull())
                continue;
            const DynamicLayoutItem &how = anchor.how;
            const int dx = grown.width(), dy = grown.height();
            anchor.control->setGeometry(anchor.base.adjusted(
                    dx * how.moveX / 100, dy * how.moveY / 100, dx * (how.moveX + how.sizeX) / 100,
                    dy * (how.moveY + how.sizeY) / 100));
        }
    }

    // Writes only what differs from what the profile holds, so that a window nobody resized
    // leaves no file behind.
    void RememberSize()
    {
        CWinApp *app = AfxGetApp();
        if (app == nullptr)
            return;
        const std::string section = SizeSection(m_nIDTemplate);
        const bool maximized = isMaximized();
        const QSize size = maximized ? normalGeometry().size() : this->size();
        auto keep = [&](const char *entry, int value, int nDefault) {
            if (app->GetProfileInt(section, entry, nDefault) != value)
                app->WriteProfileInt(section, entry, value);
        };
        if (!size.isEmpty()) {
            keep("Width", size.width(), minimumWidth());
            keep("Height", size.height(), minimumHeight());
        }
        keep("Maximized", maximized, 0);
    }

    CDialog &m_owner;
    QPointer<QWidget> m_client; // set when the window can be resized
    int m_nIDTemplate = 0;
    std::vector<Anchor> m_anchors;
};

namespace {

Qt::WindowFlags WindowFlagsOf(const DialogTemplate &tmpl)
{
    // An application window gets its own task-bar entry; a dialog stays with its owner.
    Qt::WindowFlags flags = (tmpl.exStyle & WS_EX_APPWINDOW) != 0 ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint;
    if ((tmpl.style & WS_CAPTION) != 0)
        flags |= Qt::WindowTitleHint;
    if ((tmpl.style & WS_SYSMENU) != 0)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if ((tmpl.style & WS_MINIMIZEBOX) != 0)
        flags |= Qt::WindowMinimizeButtonHint;
    if ((tmpl.style & WS_MAXIMIZEBOX) != 0)
        flags |= Qt::WindowMaximizeButtonHint;
    return flags;
}

QLabel *MakeStatic(const ControlTemplate &item, QWidget *client, const CResourceModule &resources)
{
    const std::uint32_t kind = item.style & SS_TYPEMASK;
    const bool sunken = (item.style & SS_SUNKEN) != 0 || (item.exStyle & WS_EX_STATICEDGE) != 0
            || (item.exStyle & WS_EX_CLIENTEDGE) != 0;
    const bool border = (item.style & WS_BORDER) != 0;
    // Value fields, status lines and texts that the template names are read by assistive
    // technology as text under a name.
    auto *label = item.cls == ControlClass::Status || sunken || border || item.accessibleName
            ? new CStaticText(client, item.cls == ControlClass::Status)
            : new QLabel(client);
    if (kind == SS_BITMAP) {
        label->setPixmap(resources.LoadBitmap(item.imageId));
        return label;
    }
    label->setTextFormat(Qt::PlainText);
    label->setText(QStringFromText(item.text));
    Qt::Alignment align = kind == SS_RIGHT ? Qt::AlignRight
            : kind == SS_CENTER            ? Qt::AlignHCenter
                                           : Qt::AlignLeft;
    // A vertically centred static is one line; the others wrap within their box.
    if ((item.style & SS_CENTERIMAGE) != 0) {
        align |= Qt::AlignVCenter;
    } else {
        align |= Qt::AlignTop;
        label->setWordWrap(true);
    }
    label->setAlignment(align);
    if (sunken)
        label->setFrameStyle((border ? QFrame::WinPanel : QFrame::Panel) | QFrame::Sunken);
    else if (border)
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
    return label;
}

QLineEdit *MakeEdit(const ControlTemplate &item, QWidget *client)
{
    auto *edit = new QLineEdit(QStringFromText(item.text), client);
    edit->setFrame((item.style & WS_BORDER) != 0 || (item.exStyle & WS_EX_CLIENTEDGE) != 0);
    edit->setReadOnly((item.style & ES_READONLY) != 0);
    const std::uint32_t align = item.style & (ES_CENTER | ES_RIGHT);
    edit->setAlignment((align == ES_RIGHT            ? Qt::AlignRight
                                : align == ES_CENTER ? Qt::AlignHCenter
                                                     : Qt::AlignLeft)
                       | Qt::AlignVCenter);
    return edit;
}

} // namespace

// ---- Custom controls ---------------------------------------------------------------------

namespace {

std::map<std::string, std::function<QWidget *(QWidget *)>> &CustomControls()
{
    static std::map<std::string, std::function<QWidget *(QWidget *)>> classes;
    return classes;
}

} // namespace

void RegisterCustomControl(const std::string &className,
                           std::function<QWidget *(QWidget *parent)> make)
{
    CustomControls()[className] = std::move(make);
}

// ---- CDataExchange -----------------------------------------------------------------------

void DDX_Text(CDataExchange *pDX, int nIDC, std::string &value)
{
    const bool done = pDX->m_bSaveAndValidate ? pDX->m_pDlgWnd->GetDlgItemText(nIDC, value)
                                              : pDX->m_pDlgWnd->SetDlgItemText(nIDC, value);
    if (!done)
        pDX->m_bFailed = true;
}

// ---- CDialog -----------------------------------------------------------------------------

CDialog::CDialog(const CResourceModule &resources, int nIDTemplate, CWnd *pParentWnd)
    : m_resources(resources)
    , m_nIDTemplate(nIDTemplate)
    , m_pParentWnd(pParentWnd)
{ }

CDialog::~CDialog()
{
    // The window calls back into this object, so it must go while the object is whole.
    DestroyWindow();
}

const CMessageMap *CDialog::GetMessageMap() const
{
    static constexpr CCommandEntry<CDialog> entries[] = {
            {IDOK, &CDialog::OnOK},
            {IDCANCEL, &CDialog::OnCancel},
    };
    static const CCommandMap<CDialog> map(entries, CCmdTarget::GetMessageMap());
    return &map;
}

int CDialog::DoModal()
{
    if (!CreateFromTemplate(m_nIDTemplate, m_pParentWnd, true))
        return -1;
    auto *window = static_cast<CDialogWindow *>(GetSafeHwnd());
    m_bEnded = false;
    if (OnInitDialog())
        FocusFirstTabStop();
    // OnInitDialog may already have ended the dialog; then there is nothing to run.
    const int result = m_bEnded ? m_nResult : window->exec();
    DestroyWindow();
    m_bModal = false;
    return result;
}

bool CDialog::Create(int nIDTemplate, CWnd *pParentWnd)
{
    if (GetSafeHwnd() != nullptr || !CreateFromTemplate(nIDTemplate, pParentWnd, false))
        return false;
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    m_bEnded = false;
    if (OnInitDialog())
        FocusFirstTabStop();
    if (GetSafeHwnd() != nullptr && (m_pTemplate->style & WS_VISIBLE) != 0)
        GetSafeHwnd()->show();
    return true;
}

void CDialog::EndDialog(int nResult)
{
    m_bEnded = true;
    m_nResult = nResult;
    auto *window = static_cast<CDialogWindow *>(GetSafeHwnd());
    if (window == nullptr)
        return;
    if (m_bModal)
        window->done(nResult);
    else
        window->hide();
}

bool CDialog::UpdateData(bool bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::FocusFirstTabStop()
{
    for (const ControlTemplate &item : m_pTemplate->controls) {
        QWidget *control = item.id >= 0 ? GetDlgItem(item.id) : nullptr;
        if ((item.style & WS_TABSTOP) != 0 && control != nullptr && !control->isHidden()
            && control->isEnabled()) {
            control->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

bool CDialog::CreateFromTemplate(int nIDTemplate, CWnd *pParentWnd, bool bModal)
{
    const DialogTemplate *tmpl = m_resources.FindDialog(nIDTemplate);
    if (tmpl == nullptr || GetSafeHwnd() != nullptr)
        return false;
    m_pTemplate = tmpl;
    m_bModal = bModal;

    QWidget *parent = pParentWnd != nullptr ? pParentWnd->GetSafeHwnd() : nullptr;
    auto *window = new CDialogWindow(*this, parent, WindowFlagsOf(*tmpl));
    window->setModal(bModal);
    window->setWindowTitle(QStringFromText(tmpl->caption));

    // The template names a Windows font. The desktop's own font family stands in for it at
    // the template's size, and the units follow from whatever font that gives.
    QFont font = window->font();
    if (tmpl->pointSize > 0)
        font.setPointSize(tmpl->pointSize);
    window->setFont(font);
    const CDialogUnits units = CDialogUnits::FromFont(font);
    const bool resizable = (tmpl->style & WS_THICKFRAME) != 0;
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(resizable ? QLayout::SetMinimumSize : QLayout::SetFixedSize);
    if (const MenuTemplate *menuTemplate = m_resources.FindMenu(tmpl->menuId)) {
        auto *bar = new QMenuBar(window);
        for (const PopupTemplate &popup : menuTemplate->popups) {
            QMenu *menu = bar->addMenu(QStringFromText(popup.text));
            for (const MenuItemTemplate &item : popup.items) {
                if ((item.flags & MF_SEPARATOR) != 0)
                    menu->addSeparator();
                else
                    menu->addAction(QStringFromText(item.text))->setData(item.id);
            }
            QObject::connect(menu, &QMenu::triggered, window,
                             [this](QAction *action) { OnCmdMsg(action->data().toUInt()); });
        }
        // F10 opens the first menu; the arrows then walk the menus and their items.
        auto *f10 = new QShortcut(QKeySequence(Qt::Key_F10), window);
        QObject::connect(f10, &QShortcut::activated, bar,
                         [bar] { bar->setActiveAction(bar->actions().value(0)); });
        layout->setMenuBar(bar);
    }
    auto *client = new CClientArea(window);
    client->setObjectName(QStringLiteral("client"));
    const QSize clientSize(units.ToPixelsX(tmpl->cx), units.ToPixelsY(tmpl->cy));
    if (resizable)
        client->setMinimumSize(clientSize);
    else
        client->setFixedSize(clientSize);
    layout->addWidget(client);

    // Controls are made in template order, which is also Qt's tab order.
    bool haveDefault = false;
    int index = 0;
    for (const ControlTemplate &item : tmpl->controls) {
        QWidget *control = nullptr;
        switch (item.cls) {
        case ControlClass::Button: {
            const std::uint32_t kind = item.style & BS_TYPEMASK;
            QAbstractButton *button = nullptr;
            if (kind == BS_AUTOCHECKBOX) {
                button = new QCheckBox(QStringFromText(item.text), client);
            } else {
                auto *push = new QPushButton(QStringFromText(item.text), client);
                // Qt has one default button per dialog: the first the template marks.
                if (kind == BS_DEFPUSHBUTTON && !haveDefault) {
                    push->setDefault(true);
                    haveDefault = true;
                }
                button = push;
            }
            // A click, Space or a mnemonic; a check box is ticked before its command runs.
            if (item.id >= 0) {
                const UINT id = static_cast<UINT>(item.id);
                QObject::connect(button, &QAbstractButton::clicked, window,
                                 [this, id] { OnCmdMsg(id); });
            }
            control = button;
            break;
        }
        case ControlClass::Edit: {
            auto *edit = MakeEdit(item, client);
            if (item.id >= 0) {
                const UINT id = static_cast<UINT>(item.id);
                QObject::connect(edit, &QLineEdit::editingFinished, window,
                                 [this, id] { OnCmdMsg(id, EN_KILLFOCUS); });
            }
            control = edit;
            break;
        }
        case ControlClass::Progress: {
            auto *bar = new QProgressBar(client);
            bar->setRange(0, 100);
            control = bar;
            break;
        }
        case ControlClass::Custom: {
            const auto made = CustomControls().find(item.text);
            // A class nobody registered leaves an empty place, as a missing window class
            // would.
            control = made != CustomControls().end() ? made->second(client) : new QWidget(client);
            break;
        }
        case ControlClass::Static:
        case ControlClass::Status:
            control = MakeStatic(item, client, m_resources);
            break;
        }
        control->setObjectName(item.id >= 0 ? ControlName(item.id)
                                            : QStringLiteral("item%1").arg(index));
        const QRect rect = units.MapRect(item.x, item.y, item.cx, item.cy);
        if (auto *label = qobject_cast<QLabel *>(control);
            label != nullptr && (item.style & SS_TYPEMASK) == SS_BITMAP)
            control->setGeometry(QRect(rect.topLeft(), label->pixmap().size()));
        else
            control->setGeometry(rect);
        // Texts and progress bars take no clicks; a progress bar or a control of the
        // program's own is reached by Tab only when its template says so.
        const bool passive = item.cls == ControlClass::Static || item.cls == ControlClass::Status
                || item.cls == ControlClass::Progress;
        if ((item.style & WS_TABSTOP) != 0)
            control->setFocusPolicy(passive ? Qt::TabFocus : Qt::StrongFocus);
        else
            control->setFocusPolicy(passive || item.cls == ControlClass::Custom ? Qt::NoFocus
                                                                                : Qt::ClickFocus);
        control->setEnabled((item.style & WS_DISABLED) == 0);
        if ((item.style & WS_VISIBLE) == 0)
            control->hide();
        ++index;
    }

    QMenu *sysMenu = nullptr;
    if ((tmpl->style & WS_SYSMENU) != 0) {
        sysMenu = new QMenu(window);
        sysMenu->setObjectName(QStringLiteral("systemMenu"));
        sysMenu->addAction(QObject::tr("Close"))->setData(SC_CLOSE);
        QObject::connect(sysMenu, &QMenu::triggered, window, [window](QAction *action) {
            if (action->data().isValid())
                window->SystemCommand(action->data().toUInt());
        });
        auto *shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), window);
        QObject::connect(shortcut, &QShortcut::activated, window,
                         [window] { window->PopupSystemMenu(window->mapToGlobal(QPoint(0, 0))); });
    }
    NameControls(*tmpl, client);
    layout->activate(); // fixes the window's size now, not at its first show
    if (resizable) {
        std::vector<CDialogWindow::Anchor> anchors;
        for (const DynamicLayoutItem &how : tmpl->dynamicLayout)
            if (QWidget *control = client->findChild<QWidget *>(ControlName(how.id)))
                anchors.push_back({control, control->geometry(), how});
        window->SetDynamicLayout(client, nIDTemplate, std::move(anchors));
        window->RestoreSize();
    }
    AttachWindow(window, client, sysMenu);
    return true;
}
