// CImporterDlg, driven as a user would through its buttons, menus, system menu and drops,
// with the pickers and message boxes answered through the modal seam: the notice about the
// host's parameters, picking and describing, each conversion road and its failures, the help
// and About windows, and every way out.
#include "fixtures.h"
#include "importer_dialog.h"
#include "modal_seam.h"
#include "qt_test_support.h"
#include "resource_ids.h"
#include "texts.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMenuBar>
#include <QUrl>

#include <cstdlib>
#include <filesystem>
#include <functional>

using namespace fixtures;

namespace {

constexpr int kLeftOpen = 77; // the end code of a run that the script left open

// Runs the dialog modally with `script` inside its event loop; a dialog the script leaves
// open is ended with kLeftOpen, so a failure can never leave a window blocking the test.
int RunModal(CImporterDlg &dlg, const std::function<void()> &script)
{
    WhenModal([&] {
        script();
        if (dlg.IsWindowVisible())
            dlg.EndDialog(kLeftOpen);
    });
    return dlg.DoModal();
}

void Click(CImporterDlg &dlg, int id)
{
    auto *button = qobject_cast<QAbstractButton *>(dlg.GetDlgItem(id));
    QVERIFY(button != nullptr);
    button->click();
}

void MenuCommand(CImporterDlg &dlg, UINT id)
{
    for (QAction *popup : dlg.GetSafeHwnd()->findChild<QMenuBar *>()->actions())
        for (QAction *item : popup->menu()->actions())
            if (!item->isSeparator() && item->data().toUInt() == id) {
                item->trigger();
                return;
            }
    QFAIL("no such menu command");
}

QAction *SystemMenuItem(CImporterDlg &dlg, UINT id)
{
    for (QAction *action : dlg.GetSystemMenu(false)->GetSafeHmenu()->actions())
        if (!action->isSeparator() && action->data().toUInt() == id)
            return action;
    return nullptr;
}

// The import path and the five values, top to bottom as the window shows them.
std::vector<std::string> Fields(const CImporterDlg &dlg)
{
    std::vector<std::string> texts;
    for (int id :
         {IDC_IMPORT_FILE, IDC_FORMAT, IDC_SAMPLE_RATE, IDC_SAMPLES, IDC_CHANNELS, IDC_BIT_WIDTH}) {
        std::string text;
        dlg.GetDlgItemText(id, text);
        texts.push_back(text);
    }
    return texts;
}

int TopLevelWindowsTitled(const QString &title, bool *visible = nullptr)
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->windowTitle() == title) {
            ++n;
            if (visible)
                *visible = w->isVisible();
        }
    return n;
}

std::string Quoted(const std::string &a, const std::string &b, const std::string &c,
                   const std::string &d)
{
    return "\"" + a + "\" \"" + b + "\" \"" + c + "\" \"" + d + "\"";
}

} // namespace

class TestImporterDlg : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempDir> m_dir;
    std::string m_wav, m_aiff, m_text;

    std::string Path(const std::string &name) const { return m_dir->path(name); }

private slots:
    void init()
    {
        m_dir = std::make_unique<TempDir>();
        m_wav = Path("take one.wav");
        m_aiff = Path("guitar.aiff");
        m_text = Path("notes.txt");
        Bytes frames;
        for (int i = 0; i < 1000 * 2; ++i)
            frames.le16(static_cast<uint16_t>(i * 7));
        WriteFile(m_wav, WavPcm(2, 8000, 16, frames));
        QVERIFY(WriteWithSndfile(m_aiff, 0x020000 | 0x0003 /* AIFF 24-bit */, 2, 44100, 3000));
        WriteFile(m_text, Bytes().str("not audio at all"));
        CModalSeam::Reset();
        CModalSeam::SetIntercepting(true);
    }
    void cleanup()
    {
        CModalSeam::Reset();
        m_dir.reset();
        VERIFY_NO_WINDOW_LEAKED();
    }

    void noticeUnlessFourParameters_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<bool>("notice");
        QTest::newRow("four quoted") << R"("a" "b" "/tmp/out.wav" "d")" << false;
        QTest::newRow("none") << "" << true;
        QTest::newRow("three") << R"("a" "b" "c")" << true;
        QTest::newRow("five") << R"("a" "b" "c" "d" "e")" << true;
        QTest::newRow("four empty") << R"("" "" "" "")" << false;
    }
    void noticeUnlessFourParameters()
    {
        QFETCH(QString, commandLine);
        QFETCH(bool, notice);
        CImporterDlg dlg;
        dlg.SetHostCommandLine(commandLine.toUtf8().constData());
        const auto &boxes = CModalSeam::ShownMessageBoxes();
        QCOMPARE(boxes.size(), notice ? std::size_t(1) : std::size_t(0));
        if (notice) {
            QCOMPARE(boxes[0].text, std::string("No or Invalid Parameters from Vandrel."));
            QCOMPARE(boxes[0].caption, std::string("Running as Converter."));
            QCOMPARE(boxes[0].pOwner, nullptr); // the dialog has no window yet
        }
    }

    void opensEmptyWithItsMenusIconAndHiddenHelp()
    {
        CImporterDlg dlg;
        std::vector<std::string> fields;
        QString helpTitleVisible;
        int helpWindows = 0;
        bool helpVisible = true;
        RunModal(dlg, [&] {
            fields = Fields(dlg);
            helpWindows = TopLevelWindowsTitled(QStringLiteral("Help Dialog"), &helpVisible);
            QWidget *window = dlg.GetSafeHwnd();
            QCOMPARE(window->focusWidget(), dlg.GetDlgItem(IDCANCEL));
            QVERIFY(!window->windowIcon().isNull());
            QVERIFY(!dlg.GetIcon(true).isNull() && !dlg.GetIcon(false).isNull());
            QVERIFY(!dlg.OnQueryDragIcon().isNull());
            QVERIFY(window->acceptDrops());
            const QList<QAction *> sys = dlg.GetSystemMenu(false)->GetSafeHmenu()->actions();
            QCOMPARE(sys.size(), 3);
            QVERIFY(sys[1]->isSeparator());
            QCOMPARE(sys[2]->text(), QStringLiteral("&About Orvex..."));
            QCOMPARE(sys[2]->data().toUInt(), IDM_ABOUTBOX);
        });
        QCOMPARE(fields, std::vector<std::string>(6));
        QCOMPARE(helpWindows, 1);
        QVERIFY(!helpVisible);
    }

    // The open picker with its filter list; a picked file is described; an unreadable one
    // brings the failure message and leaves the last description; cancelling changes nothing.
    void pickingDescribes()
    {
        CImporterDlg dlg;
        std::vector<std::string> afterGood, afterBad, afterCancel;
        RunModal(dlg, [&] {
            CModalSeam::QueueFileAnswer(IDOK, m_wav);
            Click(dlg, IDC_BROWSE);
            afterGood = Fields(dlg);
            CModalSeam::QueueFileAnswer(IDOK, m_text);
            Click(dlg, IDC_BROWSE);
            afterBad = Fields(dlg);
            qobject_cast<QLineEdit *>(dlg.GetDlgItem(IDC_IMPORT_FILE))->setText("typed");
            CModalSeam::QueueFileAnswer(IDCANCEL);
            Click(dlg, IDC_BROWSE);
            afterCancel = Fields(dlg);
        });
        QCOMPARE(afterGood, (std::vector<std::string>{m_wav, "WAV", "8000", "1000", "2", "16"}));
        QCOMPARE(afterBad, (std::vector<std::string>{m_text, "WAV", "8000", "1000", "2", "16"}));
        QCOMPARE(afterCancel,
                 (std::vector<std::string>{"typed", "WAV", "8000", "1000", "2", "16"}));

        const auto &boxes = CModalSeam::ShownMessageBoxes();
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].text,
                 std::string("Failed to Convert File.\nError while opening RAW file "
                             "for read. Must specify format, pcmbitwidth and "
                             "channels."));
        QCOMPARE(boxes[0].caption, std::string("Export Error."));
        QCOMPARE(boxes[0].pOwner, &dlg);

        const auto &pickers = CModalSeam::ShownFileDialogs();
        QCOMPARE(pickers.size(), std::size_t(3));
        QCOMPARE(pickers[0].className, std::string("COpenFileDialog"));
        QVERIFY(pickers[0].bOpen);
        QCOMPARE(pickers[0].defaultSuffix, std::string()); // "*.*" names no extension
        QCOMPARE(pickers[0].flags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
        QCOMPARE(pickers[0].filterIndex, 0);
        const std::vector<CFileFilter> filters = {
                {"WAV (*.wav)", "*.wav"},          {" AU (*.au)", "*.au"},
                {" AIFF (*.aiff)", "*.aiff"},      {" AIFC (*.aifc)", "*.aifc"},
                {" SND (*.snd)", "*.snd"},         {" IFF (*.iff)", "*.iff"},
                {" Paris - PAF (*.paf)", "*.paf"}, {" NIST (*.*)", "*.*"},
                {" REX (*.rex)", "*.rex"},         {" IRCAM (*.*)", "*.*"},
                {" All Files (*.*)", "*.*"},
        };
        QCOMPARE(pickers[0].filters, filters);
        // The same picker object comes back where it was left.
        QCOMPARE(pickers[1].fileName, std::string("take one.wav"));
        QCOMPARE(pickers[2].fileName, std::string("notes.txt"));
    }

    // Convert and Go (button or "Save and Exit") writes the picked file, not what was typed,
    // to the host's third parameter, byte for byte what orvex-cli writes, and ends with OK.
    void convertAndGoWritesTheHostsPath_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("button") << false;
        QTest::newRow("Save and Exit") << true;
    }
    void convertAndGoWritesTheHostsPath()
    {
        QFETCH(bool, fromMenu);
        const std::string out = Path("for vandrel.wav");
        CImporterDlg dlg;
        dlg.SetHostCommandLine(Quoted("1", "2", out, "4").c_str());
        const int result = RunModal(dlg, [&] {
            CModalSeam::QueueFileAnswer(IDOK, m_aiff);
            Click(dlg, IDC_BROWSE);
            qobject_cast<QLineEdit *>(dlg.GetDlgItem(IDC_IMPORT_FILE))
                    ->setText(QString::fromStdString(m_wav));
            if (fromMenu)
                MenuCommand(dlg, ID_FILE_SAVE_AND_EXIT);
            else
                Click(dlg, IDC_CONVERT_AND_GO);
        });
        QCOMPARE(result, IDOK);
        QVERIFY(CModalSeam::ShownMessageBoxes().empty());
        const std::string cli = std::string(ORVEX_CLI_BINARY) + " convert '" + m_aiff + "' '"
                + Path("by cli.wav") + "'";
        QCOMPARE(std::system(cli.c_str()), 0);
        QCOMPARE(ReadFile(out), ReadFile(Path("by cli.wav")));
    }

    void convertBeforeAnyPickDoesNothing()
    {
        CImporterDlg dlg;
        dlg.SetHostCommandLine(Quoted("1", "2", Path("out.wav"), "4").c_str());
        const auto before = FolderEntries(m_dir->root());
        const int result = RunModal(dlg, [&] {
            Click(dlg, IDC_CONVERT_AND_GO);
            MenuCommand(dlg, ID_FILE_SAVE_AND_EXIT);
        });
        QCOMPARE(result, kLeftOpen);
        QVERIFY(CModalSeam::ShownMessageBoxes().empty());
        QCOMPARE(FolderEntries(m_dir->root()), before);
    }

    // A conversion that fails is reported and the dialog stays open, so the host never
    // finds a missing file after a run that looked successful.
    void failedConvertAndGoStaysOpen_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("reason");
        QTest::newRow("fewer than three parameters") << R"("1" "2")"
                                                     << "Could not open file.";
        QTest::newRow("a folder that does not exist")
                << QString::fromStdString(Quoted("1", "2", "/nonexistent/dir/out.wav", "4"))
                << "Could not open file.";
    }
    void failedConvertAndGoStaysOpen()
    {
        QFETCH(QString, commandLine);
        QFETCH(QString, reason);
        CImporterDlg dlg;
        dlg.SetHostCommandLine(commandLine.toUtf8().constData());
        CModalSeam::Reset(); // forget the notice
        CModalSeam::SetIntercepting(true);
        std::vector<std::string> fields;
        const int result = RunModal(dlg, [&] {
            CModalSeam::QueueFileAnswer(IDOK, m_wav);
            Click(dlg, IDC_BROWSE);
            Click(dlg, IDC_CONVERT_AND_GO);
            fields = Fields(dlg);
        });
        QCOMPARE(result, kLeftOpen);
        QCOMPARE(fields, (std::vector<std::string>{m_wav, "WAV", "8000", "1000", "2", "16"}));
        const auto &boxes = CModalSeam::ShownMessageBoxes();
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].text, "Failed to Convert File.\n" + reason.toStdString());
        QCOMPARE(boxes[0].caption, std::string("Export Error."));
    }

    // Save As WAV: the save picker, a file per use, the dialog open throughout; before any
    // pick it ends in the failure message and writes nothing.
    void saveAsWavAsOftenAsWanted()
    {
        CImporterDlg dlg;
        const int result = RunModal(dlg, [&] {
            CModalSeam::QueueFileAnswer(IDOK, Path("early.wav"));
            Click(dlg, IDC_SAVE_AS_WAV); // nothing picked yet
            CModalSeam::QueueFileAnswer(IDOK, m_aiff);
            Click(dlg, IDC_BROWSE);
            CModalSeam::QueueFileAnswer(IDOK, Path("first.wav"));
            Click(dlg, IDC_SAVE_AS_WAV);
            CModalSeam::QueueFileAnswer(IDOK, Path("second.wav"));
            Click(dlg, IDC_SAVE_AS_WAV);
            CModalSeam::QueueFileAnswer(IDCANCEL);
            Click(dlg, IDC_SAVE_AS_WAV);
        });
        QCOMPARE(result, kLeftOpen);
        QVERIFY(!FileExists(Path("early.wav")));
        QVERIFY(FileExists(Path("first.wav")));
        QCOMPARE(ReadFile(Path("first.wav")), ReadFile(Path("second.wav")));
        QCOMPARE(CModalSeam::ShownMessageBoxes().size(), std::size_t(1));
        QCOMPARE(CModalSeam::ShownMessageBoxes()[0].text, std::string("Failed to Convert File."));

        const auto &pickers = CModalSeam::ShownFileDialogs();
        QCOMPARE(pickers.size(), std::size_t(5));
        QCOMPARE(pickers[0].className, std::string("CSaveFileDialog"));
        QVERIFY(!pickers[0].bOpen);
        QCOMPARE(pickers[0].defaultSuffix, std::string("wav"));
        QCOMPARE(pickers[0].flags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
        QCOMPARE(pickers[0].filters, (std::vector<CFileFilter>{{"WAV (*.wav)", "*.wav"}}));
    }

    void helpTwiceKeepsOneWindow()
    {
        CImporterDlg dlg;
        int windows = 0;
        bool visible = false;
        std::string text;
        RunModal(dlg, [&] {
            MenuCommand(dlg, ID_HELP_FORMATS);
            MenuCommand(dlg, ID_HELP_FORMATS);
            windows = TopLevelWindowsTitled(QStringLiteral("Help Dialog"), &visible);
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->windowTitle() == QStringLiteral("Help Dialog"))
                    text = w->findChild<QWidget *>(CWnd::ControlName(IDC_FORMATS_TEXT))
                                   ->property("text")
                                   .toString()
                                   .toStdString();
        });
        QCOMPARE(windows, 1);
        QVERIFY(visible);
        QCOMPARE(text, std::string(kFormatsHelpText));
    }

    void aboutFromMenuAndSystemMenu()
    {
        CImporterDlg dlg;
        QStringList shown;
        auto closeAbout = [&] {
            WhenModal([&] {
                QWidget *box = QApplication::activeModalWidget();
                shown << (box ? box->windowTitle() : QStringLiteral("none"));
                if (box)
                    box->close();
            });
        };
        RunModal(dlg, [&] {
            closeAbout();
            MenuCommand(dlg, ID_HELP_ABOUT);
            closeAbout();
            SystemMenuItem(dlg, IDM_ABOUTBOX)->trigger();
        });
        QCOMPARE(shown, QStringList({"About Orvex", "About Orvex"}));
    }

    // Started with one file, as a file manager's "Open With" does, the window opens with
    // that file described (after the notice, since it is not the host's four parameters).
    void oneFileParameterIsTakenAsPicked()
    {
        CImporterDlg dlg;
        dlg.SetHostCommandLine(("\"" + m_aiff + "\"").c_str());
        std::vector<std::string> fields;
        RunModal(dlg, [&] { fields = Fields(dlg); });
        QCOMPARE(fields, (std::vector<std::string>{m_aiff, "AIFF", "44100", "3000", "2", "24"}));
        QCOMPARE(CModalSeam::ShownMessageBoxes().size(), std::size_t(1));
        QCOMPARE(CModalSeam::ShownMessageBoxes()[0].caption, std::string("Running as Converter."));
    }

    // Every way out ends with cancel and converts nothing.
    void everyWayToCancel_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("Cancel") << "cancel";
        QTest::newRow("Esc") << "esc";
        QTest::newRow("close button") << "close";
        QTest::newRow("Exit") << "exit";
        QTest::newRow("system menu Close") << "system";
    }
    void everyWayToCancel()
    {
        QFETCH(QString, way);
        CImporterDlg dlg;
        dlg.SetHostCommandLine(Quoted("1", "2", Path("out.wav"), "4").c_str());
        const int result = RunModal(dlg, [&] {
            CModalSeam::QueueFileAnswer(IDOK, m_wav);
            Click(dlg, IDC_BROWSE);
            if (way == "cancel")
                Click(dlg, IDCANCEL);
            else if (way == "esc")
                QTest::keyClick(dlg.GetSafeHwnd()->focusWidget(), Qt::Key_Escape);
            else if (way == "close")
                dlg.GetSafeHwnd()->close();
            else if (way == "exit")
                MenuCommand(dlg, ID_FILE_EXIT);
            else
                SystemMenuItem(dlg, SC_CLOSE)->trigger();
        });
        QCOMPARE(result, IDCANCEL);
        QVERIFY(!FileExists(Path("out.wav")));
    }

    // A drop is taken as a pick: the first local file of the drop; a drop of nothing local
    // is ignored. Names whose bytes are not UTF-8 arrive whole.
    void droppedFilesAreTakenAsPicked()
    {
        const std::string latin1 = Path("caf\xe9.wav");
        std::filesystem::copy_file(m_wav, latin1);
        CImporterDlg dlg;
        std::vector<std::string> afterTwo, afterRemote, afterLatin1;
        RunModal(dlg, [&] {
            DropUrls(dlg.GetSafeHwnd(),
                     {QUrl::fromLocalFile(QString::fromStdString(m_aiff)),
                      QUrl::fromLocalFile(QString::fromStdString(m_wav))});
            afterTwo = Fields(dlg);
            DropUrls(dlg.GetSafeHwnd(), {QUrl("https://example.org/take.wav")});
            afterRemote = Fields(dlg);
            DropUrls(dlg.GetSafeHwnd(),
                     {QUrl::fromEncoded(("file://" + m_dir->root() + "/caf%E9.wav").c_str())});
            afterLatin1 = Fields(dlg);
        });
        QCOMPARE(afterTwo, (std::vector<std::string>{m_aiff, "AIFF", "44100", "3000", "2", "24"}));
        QCOMPARE(afterRemote, afterTwo);
        QCOMPARE(afterLatin1[1], std::string("WAV"));
        QVERIFY(CModalSeam::ShownMessageBoxes().empty());
    }
};

QTEST_MAIN(TestImporterDlg)
#include "tst_importer_dlg.moc"
