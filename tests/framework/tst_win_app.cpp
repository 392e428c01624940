// The application start-up: the argument text rebuilt from argv, InitInstance called once,
// the event loop run only after a true InitInstance, and ExitInstance last. Each start-up
// makes its own QApplication, so this test has none of its own.
#include "dialog.h"
#include "qt_test_support.h"
#include "win_app.h"

#include <vector>

namespace {

const ControlTemplate kControls[] = {
        {ControlClass::Button, IDOK, "OK", 5, 5, 50, 14,
         BS_DEFPUSHBUTTON | WS_VISIBLE | WS_TABSTOP},
};
const DialogTemplate kDialogs[] = {
        {1, "Main", 0, 0, 60, 24, DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
         0, 0, "MS Sans Serif", 8, kControls},
};
const CResourceModule kResources{kDialogs, {}, {}, {}, {}};

class CTestApp : public CWinApp
{
public:
    explicit CTestApp(bool bRunLoop)
        : m_bRunLoop(bRunLoop)
    { }

    bool InitInstance() override
    {
        ++m_nInits;
        m_strSeenCmdLine = m_lpCmdLine;
        if (!m_bRunLoop)
            return false;
        m_mainDlg = std::make_unique<CDialog>(kResources, 1);
        m_mainDlg->Create(1);
        m_pMainWnd = m_mainDlg.get();
        // The user closes the main window once the loop runs.
        QTimer::singleShot(0, [this] { m_mainDlg->GetSafeHwnd()->close(); });
        return true;
    }
    int ExitInstance() override
    {
        m_bLoopEnded = m_mainDlg && !m_mainDlg->IsWindowVisible();
        m_mainDlg.reset();
        m_nWindowsLeft = int(QApplication::topLevelWidgets().size());
        return CWinApp::ExitInstance();
    }

    bool m_bRunLoop;
    int m_nInits = 0;
    std::string m_strSeenCmdLine;
    std::unique_ptr<CDialog> m_mainDlg;
    bool m_bLoopEnded = false;
    int m_nWindowsLeft = -1;
};

int Run(CTestApp &app, std::vector<std::string> args)
{
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    return RunApplication(app, int(args.size()), argv.data());
}

} // namespace

class TestWinApp : public QObject
{
    Q_OBJECT

private slots:
    void commandLineFromArguments()
    {
        auto line = [](std::vector<const char *> args) {
            args.insert(args.begin(), "orvex");
            return BuildCommandLine(int(args.size()), args.data());
        };
        QCOMPARE(line({}), std::string());
        QCOMPARE(line({"C:\\in put", "", "/tmp/out file.wav", " x\ty"}),
                 std::string("\"C:\\in put\" \"\" \"/tmp/out file.wav\" \" x\ty\""));
        // A quote could not be read back as part of its token, so it is left out.
        QCOMPARE(line({R"(say "hi")", "b"}), std::string(R"("say hi" "b")"));
    }

    void falseInitInstanceEndsWithoutLoop()
    {
        CTestApp app(false);
        // -reverse is one of Qt's own options; the host's parameters keep it all the same.
        QCOMPARE(Run(app, {"orvex", "-reverse", "b c", "", "d"}), 0);
        QCOMPARE(app.m_nInits, 1);
        QCOMPARE(app.m_strSeenCmdLine, std::string(R"("-reverse" "b c" "" "d")"));
        QCOMPARE(app.m_nWindowsLeft, 0);
        QCOMPARE(app.m_pMainWnd, nullptr);
    }

    void trueInitInstanceRunsUntilMainWindowCloses()
    {
        CTestApp app(true);
        QCOMPARE(Run(app, {"orvex"}), 0);
        QCOMPARE(app.m_nInits, 1);
        QCOMPARE(app.m_strSeenCmdLine, std::string());
        QVERIFY(app.m_bLoopEnded);
        QCOMPARE(app.m_nWindowsLeft, 0); // no window leaked
    }
};

QTEST_APPLESS_MAIN(TestWinApp)
#include "tst_win_app.moc"
