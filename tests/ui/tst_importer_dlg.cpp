// CImporterDlg driven as a user would through its buttons, menus, system menu and drops, with
// pickers and message boxes answered through the modal seam.
#include "fixtures.h"
#include "importer_dialog.h"
#include "modal_seam.h"
#include "qt_test_support.h"
#include "resource_ids.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMenuBar>

#include <filesystem>
#include <functional>

using namespace fixtures;
using Texts = std::vector<std::string>;

namespace {

constexpr int kLeftOpen = 77; // the end code of a run that the script left open

// Runs the dialog (given the host's command line) modally with `script` inside its event
// loop; a dialog the script leaves open ends with kLeftOpen, so none can block the test.
int RunModal(CImporterDlg &dlg, const char *line, const std::function<void()> &script)
{
    if (line != nullptr)
        dlg.SetHostCommandLine(line);
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

void Pick(CImporterDlg &dlg, const std::string &path, int button = IDC_BROWSE)
{
    CModalSeam::QueueFileAnswer(path.empty() ? IDCANCEL : IDOK, path);
    Click(dlg, button);
}

QAction *Command(QList<QAction *> actions, UINT id)
{
    for (QAction *action : actions) {
        QAction *inMenu = action->menu() ? Command(action->menu()->actions(), id) : nullptr;
        if (inMenu || (!action->isSeparator() && action->data().toUInt() == id))
            return inMenu ? inMenu : action;
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

Texts Boxes()
{
    Texts texts;
    for (const CShownMessageBox &box : CModalSeam::ShownMessageBoxes())
        texts.push_back(box.caption + " " + box.text);
    CModalSeam::Reset();
    CModalSeam::SetIntercepting(true);
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
        Boxes();
    }
    void cleanup()
    {
        CModalSeam::Reset();
        m_dir.reset();
        VERIFY_NO_WINDOW_LEAKED();
    }

    // The notice unless four parameters; then empty fields and the system menu's About.
    void opensWithNoticeAndEmptyFields()
    {
        for (auto [line, notice] : {std::pair{R"("a" "b" "c" "d")", false},
                                    {"", true},
                                    {R"("a" "b" "c")", true},
                                    {R"("1" "2" "3" "4" "5")", true}}) {
            CImporterDlg dlg;
            Texts fields;
            QString about;
            RunModal(dlg, line, [&] {
                fields = Fields(dlg);
                about = dlg.GetSystemMenu(false)->GetSafeHmenu()->actions().last()->text();
            });
            QCOMPARE(Boxes(),
                     notice ? Texts{"Running as Converter. No or Invalid Parameters from Vandrel."}
                            : Texts{});
            QCOMPARE(fields, Texts(6));
            QCOMPARE(about, QStringLiteral("&About Orvex..."));
        }
    }

    // A picked file is described; a refused one brings the failure message and leaves the
    // last description; a cancelled pick changes nothing. The picker comes back where it
    // was left.
    void pickingDescribes()
    {
        CImporterDlg dlg;
        Texts afterGood, afterBad, afterCancel;
        RunModal(dlg, nullptr, [&] {
            Pick(dlg, m_wav);
            afterGood = Fields(dlg);
            Pick(dlg, m_text);
            afterBad = Fields(dlg);
            qobject_cast<QLineEdit *>(dlg.GetDlgItem(IDC_IMPORT_FILE))->setText("typed");
            Pick(dlg, "");
            afterCancel = Fields(dlg);
        });
        QCOMPARE(afterGood, m_wavFields);
        QCOMPARE(Texts(afterBad.begin() + 1, afterBad.end()),
                 Texts(m_wavFields.begin() + 1, m_wavFields.end()));
        QCOMPARE(afterCancel[0], std::string("typed"));
        const auto &pickers = CModalSeam::ShownFileDialogs();
        QCOMPARE(pickers.size(), std::size_t(3));
        QCOMPARE(pickers[0].className, std::string("COpenFileDialog"));
        QVERIFY(pickers[0].bOpen && pickers[0].defaultSuffix.empty()
                && pickers[0].filters.size() == 11);
        QCOMPARE(pickers[0].flags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
        QCOMPARE(pickers[1].fileName, std::string("take one.wav"));
        QCOMPARE(pickers[2].fileName, std::string("notes.txt"));
        QCOMPARE(CModalSeam::ShownMessageBoxes()[0].pOwner, &dlg);
        QCOMPARE(Boxes(),
                 Texts{"Export Error. Failed to Convert File.\nError while opening RAW file for "
                       "read. "
                       "Must specify format, pcmbitwidth and channels."});
    }

    // Convert and Go (button or Save and Exit) writes the picked file, not what was typed,
    // to the host's third parameter, byte for byte what orvex-cli writes, and ends with OK;
    // before any pick it does nothing.
    void convertAndGoWritesTheHostsPath()
    {
        const std::string cli = std::string(ORVEX_CLI_BINARY) + " convert '" + m_aiff + "' '";
        QCOMPARE(std::system((cli + Path("by cli.wav") + "'").c_str()), 0);
        for (bool fromMenu : {false, true}) {
            const std::string out = Path(fromMenu ? "menu.wav" : "button.wav");
            CImporterDlg dlg;
            const int result = RunModal(dlg, HostLine(out).c_str(), [&] {
                Click(dlg, IDC_CONVERT_AND_GO);
                MenuCommand(dlg, ID_FILE_SAVE_AND_EXIT);
                QVERIFY(!FileExists(out));
                Pick(dlg, m_aiff);
                qobject_cast<QLineEdit *>(dlg.GetDlgItem(IDC_IMPORT_FILE))->setText("typed");
                if (fromMenu)
                    MenuCommand(dlg, ID_FILE_SAVE_AND_EXIT);
                else
                    Click(dlg, IDC_CONVERT_AND_GO);
            });
            QCOMPARE(result, IDOK);
            QCOMPARE(ReadFile(out), ReadFile(Path("by cli.wav")));
        }
        QCOMPARE(Boxes(), Texts{});
    }

    // A conversion that fails is reported and the dialog stays open, so the host never
    // finds a missing file after a run that looked successful. Save As WAV before a pick
    // writes nothing; after one, a file per use.
    void failuresKeepTheDialogOpenAndSaveAsWavRepeats()
    {
        for (const char *line : {R"("1" "2")", "\"1\" \"2\" \"/nonexistent/out.wav\" \"4\""}) {
            CImporterDlg dlg;
            Texts fields;
            const int result = RunModal(dlg, line, [&] {
                Boxes();
                Pick(dlg, Path("early.wav"), IDC_SAVE_AS_WAV);
                Pick(dlg, m_wav);
                Click(dlg, IDC_CONVERT_AND_GO);
                fields = Fields(dlg);
                Pick(dlg, Path("first.wav"), IDC_SAVE_AS_WAV);
                Pick(dlg, Path("second.wav"), IDC_SAVE_AS_WAV);
                Pick(dlg, "", IDC_SAVE_AS_WAV);
            });
            QCOMPARE(result, kLeftOpen);
            QCOMPARE(fields, m_wavFields);
            QVERIFY(!CModalSeam::ShownFileDialogs().at(0).bOpen); // the save picker
            QCOMPARE(Boxes(),
                     (Texts{"Export Error. Failed to Convert File.",
                            "Export Error. Failed to Convert File.\nCould not open file."}));
        }
        QVERIFY(!FileExists(Path("early.wav")));
        QCOMPARE(ReadFile(Path("first.wav")), ReadFile(Path("second.wav")));
    }

    // Help twice keeps one window; About opens from the menu and the system menu.
    void helpAndAbout()
    {
        CImporterDlg dlg;
        int helpWindows = 0;
        QStringList shown;
        auto closeAbout = [&] {
            WhenModal([&] {
                QWidget *box = QApplication::activeModalWidget();
                shown << (box ? box->windowTitle() : "none");
                if (box)
                    box->close();
            });
        };
        RunModal(dlg, nullptr, [&] {
            MenuCommand(dlg, ID_HELP_FORMATS);
            MenuCommand(dlg, ID_HELP_FORMATS);
            for (QWidget *w : QApplication::topLevelWidgets())
                helpWindows += w->windowTitle() == "Help Dialog" && w->isVisible();
            closeAbout();
            MenuCommand(dlg, ID_HELP_ABOUT);
            closeAbout();
            Command(dlg.GetSystemMenu(false)->GetSafeHmenu()->actions(), IDM_ABOUTBOX)->trigger();
        });
        QCOMPARE(helpWindows, 1);
        QCOMPARE(shown, QStringList({"About Orvex", "About Orvex"}));
    }

    // Started with one file, as a file manager's "Open With" does, the window opens with
    // that file described; every way out ends with cancel and converts nothing.
    void oneFileStartAndEveryWayOut()
    {
        CImporterDlg first;
        Texts fields;
        RunModal(first, ("\"" + m_aiff + "\"").c_str(), [&] { fields = Fields(first); });
        QCOMPARE(fields, m_aiffFields);
        for (int way = 0; way < 5; ++way) {
            CImporterDlg dlg;
            const int result = RunModal(dlg, HostLine(Path("out.wav")).c_str(), [&] {
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
        RunModal(dlg, nullptr, [&] {
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
        QCOMPARE(afterLatin1[1], std::string("WAV"));
        QCOMPARE(Boxes(), Texts{});
    }
};

QTEST_MAIN(TestImporterDlg)
#include "tst_importer_dlg.moc"
