// CImporterDlg driven as a user would through its buttons, menus, system menu and drops, with
// pickers and message boxes answered through the modal seam.
#include "fixtures.h"
#include "importer_dialog.h"
#include "modal_seam.h"
#include "qt_test_support.h"
#include "resource_ids.h"
#include "texts.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMenuBar>

#include <filesystem>
#include <functional>

using namespace fixtures;

namespace {

constexpr int kLeftOpen = 77; // the end code of a run that the script left open
using Texts = std::vector<std::string>;

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
    qobject_cast<QAbstractButton *>(dlg.GetDlgItem(id))->click();
}

void Pick(CImporterDlg &dlg, const std::string &path)
{
    CModalSeam::QueueFileAnswer(IDOK, path);
    Click(dlg, IDC_BROWSE);
}

void Type(CImporterDlg &dlg, const std::string &text)
{
    qobject_cast<QLineEdit *>(dlg.GetDlgItem(IDC_IMPORT_FILE))
            ->setText(QString::fromStdString(text));
}

QAction *Command(QList<QAction *> actions, UINT id)
{
    for (QAction *action : actions) {
        if (action->menu())
            if (QAction *item = Command(action->menu()->actions(), id))
                return item;
        if (!action->isSeparator() && action->data().toUInt() == id)
            return action;
    }
    return nullptr;
}

void MenuCommand(CImporterDlg &dlg, UINT id)
{
    Command(dlg.GetSafeHwnd()->findChild<QMenuBar *>()->actions(), id)->trigger();
}

// The import path and the five values, top to bottom as the window shows them.
Texts Fields(const CImporterDlg &dlg)
{
    Texts texts;
    for (int id :
         {IDC_IMPORT_FILE, IDC_FORMAT, IDC_SAMPLE_RATE, IDC_SAMPLES, IDC_CHANNELS, IDC_BIT_WIDTH})
        dlg.GetDlgItemText(id, texts.emplace_back());
    return texts;
}

std::string HostLine(const std::string &output)
{
    return "\"1\" \"2\" \"" + output + "\" \"4\"";
}

std::vector<std::string> BoxTexts()
{
    std::vector<std::string> texts;
    for (const CShownMessageBox &box : CModalSeam::ShownMessageBoxes())
        texts.push_back(box.caption + ": " + box.text);
    return texts;
}

} // namespace

class TestImporterDlg : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempDir> m_dir;
    std::string m_wav, m_aiff, m_text;
    Texts m_wavFields, m_aiffFields;

    std::string Path(const std::string &name) const { return m_dir->path(name); }

private slots:
    void init()
    {
        m_dir = std::make_unique<TempDir>();
        m_wav = Path("take one.wav");
        m_aiff = Path("guitar.aiff");
        m_text = Path("notes.txt");
        WriteFile(m_wav, WavPcm(2, 8000, 16, Bytes().zeros(4000)));
        QVERIFY(WriteWithSndfile(m_aiff, 0x020000 | 0x0003 /* AIFF 24-bit */, 2, 44100, 3000));
        WriteFile(m_text, Bytes().str("not audio at all"));
        m_wavFields = {m_wav, "WAV", "8000", "1000", "2", "16"};
        m_aiffFields = {m_aiff, "AIFF", "44100", "3000", "2", "24"};
        CModalSeam::Reset();
        CModalSeam::SetIntercepting(true);
    }
    void cleanup()
    {
        CModalSeam::Reset();
        m_dir.reset();
        VERIFY_NO_WINDOW_LEAKED();
    }

    void noticeUnlessFourParameters()
    {
        const std::pair<const char *, bool> lines[] = {{R"("a" "b" "/tmp/out.wav" "d")", false},
                                                       {"", true},
                                                       {R"("a" "b" "c")", true},
                                                       {R"("a" "b" "c" "d" "e")", true},
                                                       {R"("" "" "" "")", false}};
        for (auto [line, notice] : lines) {
            CModalSeam::Reset();
            CModalSeam::SetIntercepting(true);
            CImporterDlg dlg;
            dlg.SetHostCommandLine(line);
            QCOMPARE(BoxTexts(),
                     notice ? std::vector<std::string>{"Running as Converter.: No or Invalid "
                                                       "Parameters from Vandrel."}
                            : std::vector<std::string>{});
            QVERIFY(!notice || CModalSeam::ShownMessageBoxes()[0].pOwner == nullptr);
        }
    }

    void opensEmptyWithIconSystemMenuAndHiddenHelp()
    {
        CImporterDlg dlg;
        Texts fields;
        QStringList sysMenu;
        bool helpHidden = false;
        RunModal(dlg, [&] {
            fields = Fields(dlg);
            for (QAction *a : dlg.GetSystemMenu(false)->GetSafeHmenu()->actions())
                sysMenu << (a->isSeparator() ? "-" : a->text() + u' ' + a->data().toString());
            for (QWidget *w : QApplication::topLevelWidgets())
                helpHidden |= w->windowTitle() == QStringLiteral("Help Dialog") && !w->isVisible();
            QVERIFY(!dlg.GetSafeHwnd()->windowIcon().isNull() && !dlg.OnQueryDragIcon().isNull());
        });
        QCOMPARE(fields, Texts(6));
        QCOMPARE(sysMenu, QStringList({"Close 61536", "-", "&About Orvex... 16"}));
        QVERIFY(helpHidden);
    }

    // A picked file is described; a refused one brings the failure message and leaves the
    // last description; a cancelled pick changes nothing. The picker comes back where it
    // was left, with its filters.
    void pickingDescribes()
    {
        CImporterDlg dlg;
        Texts afterGood, afterBad, afterCancel;
        RunModal(dlg, [&] {
            Pick(dlg, m_wav);
            afterGood = Fields(dlg);
            Pick(dlg, m_text);
            afterBad = Fields(dlg);
            Type(dlg, "typed");
            CModalSeam::QueueFileAnswer(IDCANCEL);
            Click(dlg, IDC_BROWSE);
            afterCancel = Fields(dlg);
        });
        QCOMPARE(afterGood, m_wavFields);
        m_wavFields[0] = m_text;
        QCOMPARE(afterBad, m_wavFields);
        m_wavFields[0] = "typed";
        QCOMPARE(afterCancel, m_wavFields);
        QCOMPARE(BoxTexts(),
                 std::vector<std::string>{"Export Error.: Failed to Convert File.\nError "
                                          "while opening RAW file for read. Must specify "
                                          "format, pcmbitwidth and channels."});
        QCOMPARE(CModalSeam::ShownMessageBoxes()[0].pOwner, &dlg);
        const auto &pickers = CModalSeam::ShownFileDialogs();
        QCOMPARE(pickers.size(), std::size_t(3));
        QCOMPARE(pickers[0].className, std::string("COpenFileDialog"));
        QVERIFY(pickers[0].bOpen && pickers[0].defaultSuffix.empty());
        QCOMPARE(pickers[0].flags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
        QCOMPARE(pickers[0].filters.size(), std::size_t(11));
        QCOMPARE(pickers[0].filters[6], (CFileFilter{" Paris - PAF (*.paf)", "*.paf"}));
        QCOMPARE(pickers[0].filters[10], (CFileFilter{" All Files (*.*)", "*.*"}));
        QCOMPARE(pickers[1].fileName, std::string("take one.wav"));
        QCOMPARE(pickers[2].fileName, std::string("notes.txt"));
    }

    // Convert and Go (button or Save and Exit) writes the picked file, not what was typed, to
    // the host's third parameter, byte for byte what orvex-cli writes, and ends with OK.
    void convertAndGoWritesTheHostsPath()
    {
        QCOMPARE(std::system((std::string(ORVEX_CLI_BINARY) + " convert '" + m_aiff + "' '"
                              + Path("by cli.wav") + "'")
                                     .c_str()),
                 0);
        for (bool fromMenu : {false, true}) {
            const std::string out = Path(fromMenu ? "menu.wav" : "button.wav");
            CImporterDlg dlg;
            dlg.SetHostCommandLine(HostLine(out).c_str());
            const int result = RunModal(dlg, [&] {
                Pick(dlg, m_aiff);
                Type(dlg, m_wav);
                if (fromMenu)
                    MenuCommand(dlg, ID_FILE_SAVE_AND_EXIT);
                else
                    Click(dlg, IDC_CONVERT_AND_GO);
            });
            QCOMPARE(result, IDOK);
            QCOMPARE(ReadFile(out), ReadFile(Path("by cli.wav")));
        }
        QVERIFY(CModalSeam::ShownMessageBoxes().empty());
    }

    // Before any pick, Convert and Go does nothing and Save As WAV ends in the failure
    // message; a conversion that fails is reported and the dialog stays open, so the host
    // never finds a missing file after a run that looked successful.
    void failuresKeepTheDialogOpen()
    {
        const char *lines[] = {R"("1" "2")", "\"1\" \"2\" \"/nonexistent/dir/out.wav\" \"4\""};
        for (const char *line : lines) {
            CModalSeam::Reset();
            CModalSeam::SetIntercepting(true);
            CImporterDlg dlg;
            dlg.SetHostCommandLine(line);
            CModalSeam::Reset();
            CModalSeam::SetIntercepting(true);
            Texts fields;
            const int result = RunModal(dlg, [&] {
                Click(dlg, IDC_CONVERT_AND_GO);
                MenuCommand(dlg, ID_FILE_SAVE_AND_EXIT);
                CModalSeam::QueueFileAnswer(IDOK, Path("early.wav"));
                Click(dlg, IDC_SAVE_AS_WAV);
                Pick(dlg, m_wav);
                Click(dlg, IDC_CONVERT_AND_GO);
                fields = Fields(dlg);
            });
            QCOMPARE(result, kLeftOpen);
            QCOMPARE(fields, m_wavFields);
            QCOMPARE(BoxTexts(),
                     (std::vector<std::string>{
                             "Export Error.: Failed to Convert File.",
                             "Export Error.: Failed to Convert File.\nCould not open file."}));
            QCOMPARE(FolderEntries(m_dir->root()),
                     (std::vector<std::string>{"guitar.aiff", "notes.txt", "take one.wav"}));
        }
    }

    // Save As WAV: the save picker, a file per use, the dialog open throughout.
    void saveAsWavAsOftenAsWanted()
    {
        CImporterDlg dlg;
        const int result = RunModal(dlg, [&] {
            Pick(dlg, m_aiff);
            for (const char *name : {"first.wav", "second.wav"}) {
                CModalSeam::QueueFileAnswer(IDOK, Path(name));
                Click(dlg, IDC_SAVE_AS_WAV);
            }
            CModalSeam::QueueFileAnswer(IDCANCEL);
            Click(dlg, IDC_SAVE_AS_WAV);
        });
        QCOMPARE(result, kLeftOpen);
        QVERIFY(FileExists(Path("first.wav")));
        QCOMPARE(ReadFile(Path("first.wav")), ReadFile(Path("second.wav")));
        const CShownFileDialog &save = CModalSeam::ShownFileDialogs()[1];
        QCOMPARE(save.className, std::string("CSaveFileDialog"));
        QVERIFY(!save.bOpen);
        QCOMPARE(save.defaultSuffix, std::string("wav"));
        QCOMPARE(save.flags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
        QCOMPARE(save.filters, (std::vector<CFileFilter>{{"WAV (*.wav)", "*.wav"}}));
        QCOMPARE(CModalSeam::ShownFileDialogs()[2].fileName, std::string("first.wav"));
    }

    // Help twice keeps one window, shown; About opens from the menu and the system menu.
    void helpAndAbout()
    {
        CImporterDlg dlg;
        int helpWindows = 0;
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
            MenuCommand(dlg, ID_HELP_FORMATS);
            MenuCommand(dlg, ID_HELP_FORMATS);
            for (QWidget *w : QApplication::topLevelWidgets())
                helpWindows += w->windowTitle() == QStringLiteral("Help Dialog") && w->isVisible();
            closeAbout();
            MenuCommand(dlg, ID_HELP_ABOUT);
            closeAbout();
            Command(dlg.GetSystemMenu(false)->GetSafeHmenu()->actions(), IDM_ABOUTBOX)->trigger();
        });
        QCOMPARE(helpWindows, 1);
        QCOMPARE(shown, QStringList({"About Orvex", "About Orvex"}));
    }

    // Started with one file, as a file manager's "Open With" does, the window opens with
    // that file described (after the notice: it is not the host's four parameters).
    void oneFileParameterIsTakenAsPicked()
    {
        CImporterDlg dlg;
        dlg.SetHostCommandLine(("\"" + m_aiff + "\"").c_str());
        Texts fields;
        RunModal(dlg, [&] { fields = Fields(dlg); });
        QCOMPARE(fields, m_aiffFields);
        QCOMPARE(CModalSeam::ShownMessageBoxes().size(), std::size_t(1));
    }

    // Every way out ends with cancel and converts nothing.
    void everyWayToCancel()
    {
        for (int way = 0; way < 5; ++way) {
            CImporterDlg dlg;
            dlg.SetHostCommandLine(HostLine(Path("out.wav")).c_str());
            const int result = RunModal(dlg, [&] {
                Pick(dlg, m_wav);
                if (way == 0)
                    Click(dlg, IDCANCEL);
                else if (way == 1)
                    QTest::keyClick(dlg.GetSafeHwnd()->focusWidget(), Qt::Key_Escape);
                else if (way == 2)
                    dlg.GetSafeHwnd()->close();
                else if (way == 3)
                    MenuCommand(dlg, ID_FILE_EXIT);
                else
                    Command(dlg.GetSystemMenu(false)->GetSafeHmenu()->actions(), SC_CLOSE)
                            ->trigger();
            });
            QCOMPARE(result, IDCANCEL);
            QVERIFY(!FileExists(Path("out.wav")));
        }
    }

    // A drop is taken as a pick: the first local file of the drop; a drop of nothing local
    // is ignored. Names whose bytes are not UTF-8 arrive whole.
    void droppedFilesAreTakenAsPicked()
    {
        std::filesystem::copy_file(m_wav, Path("caf\xe9.wav"));
        CImporterDlg dlg;
        Texts afterTwo, afterRemote, afterLatin1;
        RunModal(dlg, [&] {
            DropUrls(dlg.GetSafeHwnd(),
                     {QUrl::fromLocalFile(QString::fromStdString(m_aiff)),
                      QUrl::fromLocalFile(QString::fromStdString(m_wav))});
            afterTwo = Fields(dlg);
            QVERIFY(!DropUrls(dlg.GetSafeHwnd(), {QUrl("https://example.org/take.wav")}));
            afterRemote = Fields(dlg);
            DropUrls(dlg.GetSafeHwnd(),
                     {QUrl::fromEncoded(("file://" + m_dir->root() + "/caf%E9.wav").c_str())});
            afterLatin1 = Fields(dlg);
        });
        QCOMPARE(afterTwo, m_aiffFields);
        QCOMPARE(afterRemote, afterTwo);
        QCOMPARE(Texts(afterLatin1.begin() + 1, afterLatin1.end()),
                 Texts(m_wavFields.begin() + 1, m_wavFields.end()));
        QVERIFY(CModalSeam::ShownMessageBoxes().empty());
    }
};

QTEST_MAIN(TestImporterDlg)
#include "tst_importer_dlg.moc"
