// Dialogs from templates: layout in dialog units, data exchange, command tables, modal and
// modeless runs, and the system menu.
#include "dialog.h"
#include "dialog_units.h"
#include "qt_test_support.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <functional>
#include <vector>

namespace {

constexpr int kTestDialog = 200; // hidden when created, with a menu bar
constexpr int kShownDialog = 201; // WS_VISIBLE, no system menu
constexpr int kEdit = 300, kValue = 301, kHiddenDefault = 302, kGo = 303, kOff = 304;
constexpr UINT kRun = 40001, kQuit = 40002;

constexpr std::uint32_t kTab = WS_VISIBLE | WS_TABSTOP;
const ControlTemplate kControls[] = {
        {ControlClass::Button, IDCANCEL, "Cancel", 150, 5, 50, 14, BS_PUSHBUTTON | kTab},
        {ControlClass::Edit, kEdit, "template text", 10, 5, 100, 14,
         ES_AUTOHSCROLL | WS_BORDER | kTab},
        {ControlClass::Static, -1, "A label long enough to wrap", 10, 25, 40, 20,
         SS_LEFT | WS_VISIBLE},
        {ControlClass::Static, -1, "Right", 10, 50, 40, 10, SS_RIGHT | SS_CENTERIMAGE | WS_VISIBLE},
        {ControlClass::Static, kValue, "Value", 55, 50, 60, 15,
         SS_CENTER | SS_CENTERIMAGE | SS_SUNKEN | WS_BORDER | WS_VISIBLE},
        {ControlClass::Button, kHiddenDefault, "Hidden", 150, 25, 50, 14,
         BS_DEFPUSHBUTTON | WS_TABSTOP},
        {ControlClass::Button, kGo, "Go", 150, 45, 50, 14, BS_DEFPUSHBUTTON | kTab},
        {ControlClass::Button, kOff, "Off", 150, 65, 50, 14, BS_PUSHBUTTON | kTab | WS_DISABLED},
        {ControlClass::Button, IDOK, "OK", 150, 85, 50, 14, BS_PUSHBUTTON | kTab},
        {ControlClass::Static, -1, "", 10, 70, 0, 0, SS_BITMAP | WS_VISIBLE, 0, 400},
};
const ControlTemplate kShownControls[] = {
        {ControlClass::Button, IDOK, "OK", 5, 5, 50, 14, BS_DEFPUSHBUTTON | kTab},
};
const DialogTemplate kDialogs[] = {
        {kTestDialog, "Test Dialog", 0, 0, 210, 105,
         DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 500, "MS Sans Serif", 8, kControls},
        {kShownDialog, "Shown", 0, 0, 60, 24, DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_VISIBLE, 0,
         0, "MS Sans Serif", 8, kShownControls},
};
const MenuItemTemplate kFileItems[] = {{"Run", kRun}, {"", 0, MF_SEPARATOR}, {"Quit", kQuit}};
const PopupTemplate kPopups[] = {{"File", kFileItems}};
const MenuTemplate kMenus[] = {{500, kPopups}};
const char *const kPictureXpm[] = {"4 3 1 1", "a c #FF0000", "aaaa", "aaaa", "aaaa"};
const ImageResource kBitmaps[] = {{400, kPictureXpm}};
const CResourceModule kResources{kDialogs, kMenus, {}, {}, kBitmaps};

class CTestDlg : public CDialog
{
public:
    explicit CTestDlg(int nIDTemplate = kTestDialog, CWnd *pParent = nullptr)
        : CDialog(kResources, nIDTemplate, pParent)
    { }

    std::string m_strEdit = "member text";
    std::string m_strValue = "member value";
    bool m_bBindMissing = false;
    std::vector<std::string> m_log;
    std::vector<UINT> m_sysCommands;
    int m_nInits = 0;
    std::function<void(CTestDlg &)> m_onInit;

    bool OnInitDialog() override
    {
        ++m_nInits;
        CDialog::OnInitDialog();
        if (m_onInit)
            m_onInit(*this);
        return true;
    }
    const CMessageMap *GetMessageMap() const override
    {
        static constexpr CCommandEntry<CTestDlg> entries[] = {{kGo, &CTestDlg::OnGo},
                                                              {kOff, &CTestDlg::OnGo},
                                                              {kRun, &CTestDlg::OnRun},
                                                              {kQuit, &CTestDlg::OnQuit}};
        static const CCommandMap<CTestDlg> map(entries, CDialog::GetMessageMap());
        return &map;
    }
    void DoDataExchange(CDataExchange *pDX) override
    {
        DDX_Text(pDX, kEdit, m_strEdit);
        DDX_Text(pDX, kValue, m_strValue);
        std::string missing;
        if (m_bBindMissing)
            DDX_Text(pDX, 999, missing);
    }
    void OnGo() { m_log.push_back("go"); }
    void OnRun() { m_log.push_back("run"); }
    void OnQuit() { EndDialog(7); }
    void OnCancel() override
    {
        m_log.push_back("cancel");
        CDialog::OnCancel();
    }
    void OnSysCommand(UINT nID, LPARAM lParam) override
    {
        m_sysCommands.push_back(nID);
        CDialog::OnSysCommand(nID, lParam);
    }
    void OnDropFiles(const std::vector<std::string> &paths) override { m_drops.push_back(paths); }
    std::vector<std::vector<std::string>> m_drops;
};

// Takes OK over from the base class: OK applies, and only Cancel ends.
class CApplyDlg : public CTestDlg
{
public:
    const CMessageMap *GetMessageMap() const override
    {
        static constexpr CCommandEntry<CApplyDlg> entries[] = {{IDOK, &CApplyDlg::OnApply}};
        static const CCommandMap<CApplyDlg> map(entries, CTestDlg::GetMessageMap());
        return &map;
    }
    void OnApply() { m_log.push_back("apply"); }
};

QAction *ActionWithData(QMenu *menu, UINT id)
{
    for (QAction *action : menu->actions()) {
        if (action->data().isValid() && action->data().toUInt() == id)
            return action;
    }
    return nullptr;
}

} // namespace

class TestDialog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { VERIFY_NO_WINDOW_LEAKED(); }

    void templateBecomesWindow()
    {
        QCOMPARE(MulDiv(5, 7, 2), 18); // halves round away from zero
        QCOMPARE(MulDiv(-5, 7, 2), -18);
        QCOMPARE(MulDiv(2000000000, 3, 4), 1500000000); // no overflow
        QCOMPARE(MulDiv(1, 1, 0), -1);

        CTestDlg dlg;
        QVERIFY(dlg.Create(kTestDialog));
        QWidget *window = dlg.GetSafeHwnd();
        QVERIFY(!window->isVisible()); // no WS_VISIBLE
        QCOMPARE(window->windowTitle(), QStringLiteral("Test Dialog"));
        QWidget *client = window->findChild<QWidget *>(QStringLiteral("client"));
        QCOMPARE(client->size(), DialogRect(window, 0, 0, 210, 105).size());
        QCOMPARE(window->minimumSize(), window->maximumSize()); // a fixed frame

        // Every control, in template order, with its name, place, visibility and state.
        const QList<QWidget *> controls
                = client->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        QCOMPARE(controls.size(), qsizetype(std::size(kControls)));
        for (std::size_t i = 0; i < std::size(kControls); ++i) {
            const ControlTemplate &item = kControls[i];
            QWidget *control = controls[qsizetype(i)];
            QCOMPARE(control->objectName(),
                     item.id >= 0 ? QStringLiteral("id%1").arg(item.id)
                                  : QStringLiteral("item%1").arg(i));
            const QRect expected = DialogRect(window, item.x, item.y, item.cx, item.cy);
            // The picture takes its bitmap's size.
            QCOMPARE(control->geometry(),
                     item.imageId != 0 ? QRect(expected.topLeft(), QSize(4, 3)) : expected);
            QCOMPARE(control->isHidden(), (item.style & WS_VISIBLE) == 0);
            QCOMPARE(control->isEnabled(), (item.style & WS_DISABLED) == 0);
        }

        // Styles as Qt sees them.
        auto *wrapping = qobject_cast<QLabel *>(controls[2]);
        QCOMPARE(wrapping->alignment(), Qt::AlignLeft | Qt::AlignTop);
        QVERIFY(wrapping->wordWrap());
        auto *right = qobject_cast<QLabel *>(controls[3]);
        QCOMPARE(right->alignment(), Qt::AlignRight | Qt::AlignVCenter);
        QVERIFY(!right->wordWrap());
        auto *value = qobject_cast<QLabel *>(dlg.GetDlgItem(kValue));
        QCOMPARE(value->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
        QCOMPARE(value->frameShadow(), QFrame::Sunken);
        QVERIFY(qobject_cast<QLineEdit *>(dlg.GetDlgItem(kEdit))->hasFrame());
        // The first button marked default is the default, even hidden.
        QVERIFY(qobject_cast<QPushButton *>(dlg.GetDlgItem(kHiddenDefault))->isDefault());
        QVERIFY(!qobject_cast<QPushButton *>(dlg.GetDlgItem(kGo))->isDefault());
        QCOMPARE(window->focusWidget(), dlg.GetDlgItem(IDCANCEL)); // the first tab stop

        QPixmap pixmap(32, 32);
        pixmap.fill(Qt::blue);
        dlg.SetIcon(QIcon(pixmap), true);
        QVERIFY(!window->windowIcon().isNull());
        QVERIFY(!dlg.Create(kTestDialog)); // one window per object
        QVERIFY(!CTestDlg(999).Create(999));
    }

    void updateDataMovesTextsBothWays()
    {
        CTestDlg dlg;
        QVERIFY(!dlg.UpdateData(false)); // no window yet
        QVERIFY(dlg.Create(kTestDialog));
        auto *edit = qobject_cast<QLineEdit *>(dlg.GetDlgItem(kEdit));
        auto *value = qobject_cast<QLabel *>(dlg.GetDlgItem(kValue));
        // OnInitDialog's first refresh replaced the template texts.
        QCOMPARE(edit->text(), QStringLiteral("member text"));
        QCOMPARE(value->text(), QStringLiteral("member value"));

        edit->setText(QStringLiteral("typed é"));
        QVERIFY(dlg.UpdateData(true));
        QCOMPARE(dlg.m_strEdit, std::string("typed \xC3\xA9"));
        QCOMPARE(dlg.m_strValue, std::string("member value"));

        dlg.m_strEdit = "";
        dlg.m_strValue = "22050";
        QVERIFY(dlg.UpdateData(false));
        QCOMPARE(edit->text(), QString());
        QCOMPARE(value->text(), QStringLiteral("22050"));

        dlg.m_bBindMissing = true;
        QVERIFY(!dlg.UpdateData(false));
    }

    void commandTableDispatches()
    {
        CApplyDlg dlg;
        QVERIFY(dlg.Create(kTestDialog));
        dlg.ShowWindow(SW_SHOW);
        qobject_cast<QPushButton *>(dlg.GetDlgItem(kGo))->click();
        QTest::mouseClick(dlg.GetDlgItem(kOff), Qt::LeftButton); // disabled: nothing
        dlg.GetSafeHwnd()->findChild<QMenuBar *>()->actions()[0]->menu()->actions()[0]->trigger();
        qobject_cast<QPushButton *>(dlg.GetDlgItem(IDOK))->click(); // the derived table wins
        QVERIFY(dlg.IsWindowVisible());
        QVERIFY(!dlg.OnCmdMsg(12345));
        qobject_cast<QPushButton *>(dlg.GetDlgItem(IDCANCEL))->click(); // the base table
        QCOMPARE(dlg.m_log, (std::vector<std::string>{"go", "run", "apply", "cancel"}));
        QVERIFY(!dlg.IsWindowVisible());
    }

    void modalRunEndsWithItsCode_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<int>("expected");
        QTest::newRow("OK button") << "ok" << IDOK;
        QTest::newRow("Cancel button") << "cancel" << IDCANCEL;
        QTest::newRow("Esc") << "esc" << IDCANCEL;
        QTest::newRow("close button") << "close" << IDCANCEL;
        QTest::newRow("system menu Close") << "sysclose" << IDCANCEL;
        QTest::newRow("menu command") << "quit" << 7;
    }
    void modalRunEndsWithItsCode()
    {
        QFETCH(QString, way);
        QFETCH(int, expected);
        CTestDlg dlg;
        bool sawModal = false;
        WhenModal([&] {
            QWidget *window = dlg.GetSafeHwnd();
            sawModal = window != nullptr && window->isVisible() && window->isModal()
                    && QApplication::activeModalWidget() == window;
            qobject_cast<QLineEdit *>(dlg.GetDlgItem(kEdit))->setText(QStringLiteral("typed"));
            if (way == "ok")
                qobject_cast<QPushButton *>(dlg.GetDlgItem(IDOK))->click();
            else if (way == "cancel")
                qobject_cast<QPushButton *>(dlg.GetDlgItem(IDCANCEL))->click();
            else if (way == "esc")
                QTest::keyClick(window->focusWidget(), Qt::Key_Escape);
            else if (way == "close")
                window->close();
            else if (way == "sysclose")
                ActionWithData(dlg.GetSystemMenu(false)->GetSafeHmenu(), SC_CLOSE)->trigger();
            else
                dlg.OnCmdMsg(kQuit);
            if (window->isVisible())
                dlg.EndDialog(99); // the way out did not end the run
        });
        QCOMPARE(dlg.DoModal(), expected);
        QVERIFY(sawModal);
        QCOMPARE(dlg.GetSafeHwnd(), nullptr);
        // Only OK reads the controls back.
        QCOMPARE(dlg.m_strEdit, std::string(way == "ok" ? "typed" : "member text"));
    }

    void modalRunThatCannotStart()
    {
        CTestDlg unknown(999);
        QCOMPARE(unknown.DoModal(), -1);
        // Ended while initialising: no run at all.
        CTestDlg early;
        early.m_onInit = [](CTestDlg &d) { d.EndDialog(5); };
        QCOMPARE(early.DoModal(), 5);
    }

    void modelessDialogHidesAndShowsAgain()
    {
        CTestDlg dlg;
        QVERIFY(dlg.Create(kTestDialog));
        QVERIFY(!dlg.IsWindowVisible());
        QPointer<QWidget> window = dlg.GetSafeHwnd();
        const std::vector<std::function<void()>> waysToHide = {
                [&] { qobject_cast<QPushButton *>(dlg.GetDlgItem(IDOK))->click(); },
                [&] { QTest::keyClick(window->focusWidget(), Qt::Key_Escape); },
                [&] { window->close(); },
        };
        for (const auto &hide : waysToHide) {
            QVERIFY(!dlg.ShowWindow(SW_SHOW)); // was hidden
            QVERIFY(dlg.ShowWindow(SW_SHOW)); // already shown: only raised
            QVERIFY(dlg.IsWindowVisible());
            hide();
            QVERIFY(!dlg.IsWindowVisible());
            QCOMPARE(dlg.GetSafeHwnd(), window.data()); // the same window, kept
            QCOMPARE(qobject_cast<QLineEdit *>(dlg.GetDlgItem(kEdit))->text(),
                     QStringLiteral("member text"));
        }
        QCOMPARE(dlg.m_nInits, 1);
        QCOMPARE(dlg.m_strEdit, std::string("member text"));

        // A template marked WS_VISIBLE shows at once.
        CTestDlg shown(kShownDialog);
        QVERIFY(shown.Create(kShownDialog));
        QVERIFY(shown.IsWindowVisible());
        QCOMPARE(shown.GetSystemMenu(false), nullptr); // no WS_SYSMENU
    }

    void systemMenuReachesOnSysCommand()
    {
        CTestDlg dlg;
        QVERIFY(dlg.Create(kTestDialog));
        CMenu *menu = dlg.GetSystemMenu(false);
        QVERIFY(menu != nullptr);
        QVERIFY(menu->AppendMenu(MF_SEPARATOR));
        QVERIFY(menu->AppendMenu(MF_STRING, 16, "&About Test..."));
        const QList<QAction *> actions = menu->GetSafeHmenu()->actions();
        QCOMPARE(actions.size(), 3);
        QCOMPARE(actions[0]->text(), QStringLiteral("Close"));
        QVERIFY(actions[1]->isSeparator());
        QCOMPARE(actions[2]->text(), QStringLiteral("&About Test..."));

        dlg.ShowWindow(SW_SHOW);
        actions[2]->trigger();
        QCOMPARE(dlg.m_sysCommands, std::vector<UINT>{16});
        QVERIFY(dlg.IsWindowVisible());

        // A right click on the window and Alt+Space both open the menu.
        QWidget *window = dlg.GetSafeHwnd();
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5),
                                     window->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(window, &rightClick);
        QVERIFY(menu->GetSafeHmenu()->isVisible());
        menu->GetSafeHmenu()->hide();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, Qt::Key_Space, Qt::AltModifier);
        QVERIFY(menu->GetSafeHmenu()->isVisible());
        menu->GetSafeHmenu()->hide();

        actions[0]->trigger(); // Close: the cancel command
        QCOMPARE(dlg.m_sysCommands, (std::vector<UINT>{16, SC_CLOSE}));
        QCOMPARE(dlg.m_log, std::vector<std::string>{"cancel"});
        QVERIFY(!dlg.IsWindowVisible());

        dlg.DestroyWindow();
        QVERIFY(!menu->AppendMenu(MF_STRING, 32, "gone"));
        QCOMPARE(dlg.GetSystemMenu(false), nullptr);
    }

    // Dropped URLs reach OnDropFiles as the local paths' own bytes; a drop with no local
    // file is not taken at all.
    void droppedFilesReachOnDropFiles()
    {
        CTestDlg dlg;
        QVERIFY(dlg.Create(kTestDialog));
        QWidget *window = dlg.GetSafeHwnd();
        QVERIFY(!window->acceptDrops());
        dlg.DragAcceptFiles();
        QVERIFY(window->acceptDrops());

        QVERIFY(DropUrls(window,
                         {QUrl("https://example.org/take.wav"),
                          QUrl::fromLocalFile(QString::fromUtf8("/music/Grüße take.wav")),
                          QUrl::fromEncoded("file:///music/caf%E9.aif")}));
        QVERIFY(!DropUrls(window, {QUrl("https://example.org/take.wav")}));
        QCOMPARE(dlg.m_drops.size(), std::size_t(1));
        QCOMPARE(dlg.m_drops[0],
                 (std::vector<std::string>{"/music/Gr\xc3\xbc\xc3\x9f"
                                           "e take.wav",
                                           "/music/caf\xe9.aif"}));
    }
};

QTEST_MAIN(TestDialog)
#include "tst_dialog.moc"
