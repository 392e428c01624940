// CImporterDlg driven as a user would through its buttons, keys, edit box, menus, system menu
// and drops, with pickers and message boxes answered through the modal seam: what it
// describes, what it converts and says about it (clipping before the import), what it lets
// the user do when, how a long conversion shows its progress and stops, that a second press
// harms nothing, and that a path which never answers leaves the window free.
#include "accessibility.h"
#include "background_job.h"
#include "container.h"
#include "description_fields.h"
#include "fixtures.h"
#include "importer_dialog.h"
#include "modal_seam.h"
#include "qt_test_support.h"
#include "resource_ids.h"
#include "waveform_view.h"
#include "win_app.h"

#include <QAbstractButton>
#include <QAccessibleValueInterface>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace fixtures;
using Texts = std::vector<std::string>;
// What the window shows, by name, once it is drawn: the import path ("Import File"), each
// field of the description that has a value field by its label, which names that field for a
// screen reader, the line beside the fields ("Beside"), the status line ("Status"), and
// "waveform" under "Waveform" where the strip shows one. Empty texts are left out.
using Shown = std::map<std::string, std::string>;

namespace QTest {
template<>
inline char *toString(const Shown &shown)
{
    std::string text;
    for (const auto &[name, value] : shown)
        text += name + ": " + value + "\n";
    return toString(text);
}
} // namespace QTest

namespace {

constexpr int kLeftOpen = 77; // the end code of a run that the script left open

// Runs the dialog (given the host's command line) modally with `script` inside its event
// loop, waiting for any work the script started; a dialog the script leaves open ends with
// kLeftOpen, so none can block the test.
int RunModal(CImporterDlg &dlg, const char *line, const std::function<void()> &script)
{
    if (line != nullptr)
        dlg.SetHostCommandLine(line);
    WhenModal([&] {
        script();
        (void)QTest::qWaitFor([&] { return !dlg.IsBusy(); }, 60000);
        if (dlg.IsWindowVisible())
            dlg.EndDialog(kLeftOpen);
    });
    return dlg.DoModal();
}

// Clicks a button, or the menu command of that id, and waits for the reading and the
// conversion it starts.
void Click(CImporterDlg &dlg, int id, bool wait = true)
{
    if (auto *button = qobject_cast<QAbstractButton *>(dlg.GetDlgItem(id)))
        button->click();
    for (QAction *popup : dlg.GetSafeHwnd()->findChild<QMenuBar *>()->actions())
        for (QAction *item : popup->menu()->actions())
            if (!item->isSeparator() && item->data().toInt() == id)
                item->trigger();
    if (wait)
        (void)QTest::qWaitFor([&] { return !dlg.IsConverting() && !dlg.IsDescribing(); }, 60000);
}

void Pick(CImporterDlg &dlg, const std::string &path, int button = IDC_BROWSE, bool wait = true)
{
    CModalSeam::QueueFileAnswer(path.empty() ? IDCANCEL : IDOK, path);
    Click(dlg, button, wait);
}

// Types a path into the edit box, and presses `enter` (Return, or the keypad's Enter) if given.
void Type(CImporterDlg &dlg, const std::string &path, Qt::Key enter = Qt::Key_unknown)
{
    auto *edit = qobject_cast<QLineEdit *>(dlg.GetDlgItem(IDC_IMPORT_FILE));
    edit->setText(QString::fromStdString(path));
    if (enter != Qt::Key_unknown) {
        edit->setFocus();
        QTest::keyClick(edit, enter);
    }
}

void SystemMenuCommand(CImporterDlg &dlg, UINT id)
{
    for (QAction *action : dlg.GetSystemMenu(false)->GetSafeHmenu()->actions())
        if (action->data().toUInt() == id)
            action->trigger();
}

// What the window shows (see Shown), waiting for it to be drawn.
Shown Fields(const CImporterDlg &dlg)
{
    (void)QTest::qWaitFor([&] { return !dlg.IsBusy(); });
    QApplication::processEvents();
    Shown shown;
    const auto keep = [&](const std::string &name, const std::string &text) {
        if (!text.empty())
            shown[name] = text;
    };
    for (auto [id, name] : {std::pair{IDC_IMPORT_FILE, "Import File"},
                            {IDC_ENCODING, "Beside"},
                            {IDC_STATUS, "Status"}}) {
        std::string text; // of a line the window shows
        dlg.GetDlgItemText(id, text);
        keep(name, dlg.GetDlgItem(id)->isVisibleTo(dlg.GetSafeHwnd()) ? text : "");
    }
    for (const DescriptionField &field : DescriptionFields())
        for (auto *value : dlg.GetSafeHwnd()->findChildren<QLabel *>())
            if (field.label && value->accessibleName() == QString(field.label))
                keep(field.label, value->text().toStdString());
    QWidget *strip = dlg.GetDlgItem(IDC_WAVEFORM);
    const QImage image = strip->grab().toImage();
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            drawn += image.pixel(x, y) == strip->palette().color(QPalette::Highlight).rgb();
    keep("Waveform", drawn > image.width() ? "waveform" : "");
    return shown;
}

// What a button or menu command offers: "on", or "off: " and its tooltip.
std::string State(CImporterDlg &dlg, int id)
{
    QWidget *button = dlg.GetDlgItem(id);
    return button->isEnabled() ? "on" : "off: " + button->toolTip().toStdString();
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

const std::string kPickFirst = "off: Pick an audio file that Orvex can read first.";

// A GSM 6.10 WAV file of `megabytes` of zeros, which libsndfile takes seconds to decode.
std::string SlowToDecode(const std::string &path, int megabytes)
{
    WriteSparseWav(path, Wav(49, 1, 8000, 0, 65, {}, Bytes().le16(2).le16(320)),
                   uint32_t(megabytes << 20) - 48);
    return path;
}

// What the status line says of a file before it is imported, worked out from the WAV file
// orvex-cli writes and the count of clipped samples it reports.
std::string Level(const std::string &input, const std::string &work)
{
    const std::string out = work + "/level.wav", said = work + "/said.txt";
    if (CliConvert(input, out, said) != 0)
        return "orvex-cli failed";
    const std::vector<uint8_t> wav = ReadFile(out), text = ReadFile(said);
    int peak = 0;
    for (size_t i = 44; i + 1 < wav.size(); i += 2)
        peak = std::max(peak, std::abs(int(int16_t(wav[i] | wav[i + 1] << 8))));
    if (peak == 0)
        return "The file is silent";
    const double level = 20 * std::log10(peak / 32768.0);
    char dbfs[32];
    std::snprintf(dbfs, sizeof dbfs, "Peak %.1f dBFS", level > -0.05 ? 0.0 : level);
    const std::string said_(text.begin(), text.end());
    const size_t end = said_.find(" samples clipped");
    if (end == std::string::npos)
        return dbfs;
    const uint64_t clipped = std::stoull(said_.substr(said_.rfind(' ', end - 1) + 1));
    return GroupedDecimal(clipped) + " samples will be clipped to the 16-bit range. " + dbfs;
}

// A turn of the wheel by `notches` (away from the user when positive) at `x`.
void Wheel(QWidget *view, int notches, double x, Qt::KeyboardModifiers modifiers = {})
{
    const QPointF at(x, view->height() / 2.0);
    QWheelEvent turn(at, view->mapToGlobal(at), {}, QPoint(0, 120 * notches), Qt::NoButton,
                     modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &turn);
}

// How many columns the strip draws otherwise than the envelope of `samples` (a conversion's)
// over the frames each column stands for, once it has read what it reads; -1 if not all are
// drawn exactly.
int WrongColumns(CWaveformView *view, const std::vector<int16_t> &samples, int channels)
{
    (void)QTest::qWaitFor([&] { return !view->IsReading(); }, 60000);
    const CWaveformView::Drawn &d = view->Shown();
    if (!d.exact || d.ready != d.view.columns)
        return -1;
    int wrong = 0;
    for (uint32_t c = 0; c < d.ready; ++c)
        for (int lane = 0; lane < (channels == 2 ? 2 : 1); ++lane) {
            int16_t low = INT16_MAX, high = INT16_MIN;
            for (uint64_t f = d.view.Begin(c); f < d.view.End(c); ++f)
                for (int ch = 0; ch < channels; ++ch)
                    if (channels != 2 || ch == lane) {
                        low = std::min(low, samples[f * uint64_t(channels) + uint64_t(ch)]);
                        high = std::max(high, samples[f * uint64_t(channels) + uint64_t(ch)]);
                    }
            wrong += d.columns[c].min[lane] != low || d.columns[c].max[lane] != high;
        }
    return wrong;
}

} // namespace

class TestImporterDlg : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempDir> m_dir;
    std::string m_wav, m_aiff, m_text, m_cliAiff;
    Shown m_wavFields, m_aiffFields;

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
        m_wavFields = {{"Import File", m_wav},
                       {"Format", "WAV"},
                       {"Sample Rate", "8000"},
                       {"Number of Samples", "1000"},
                       {"Channels", "2"},
                       {"Bit Width", "16"},
                       {"Beside", "16-bit PCM \xC2\xB7 0:00.125"},
                       {"Status", "The file is silent"},
                       {"Waveform", "waveform"}};
        m_aiffFields = {{"Import File", m_aiff},
                        {"Format", "AIFF"},
                        {"Sample Rate", "44100"},
                        {"Number of Samples", "3000"},
                        {"Channels", "2"},
                        {"Bit Width", "24"},
                        {"Beside", "24-bit PCM \xC2\xB7 0:00.068"},
                        {"Status", Level(m_aiff, m_dir->root())},
                        {"Waveform", "waveform"}};
        m_cliAiff = Path("by cli.wav");
        QCOMPARE(CliConvert(m_aiff, m_cliAiff), 0);
        Boxes();
    }
    void cleanup()
    {
        CModalSeam::Reset();
        m_dir.reset();
        VERIFY_NO_WINDOW_LEAKED();
    }

    // The notice unless four parameters; empty fields; the buttons that cannot work yet
    // greyed with the reason; the system menu's About item.
    void opensWithNoticeAndWhatCanWork()
    {
        for (auto [line, notice] : {std::pair{R"("a" "b" "c" "d")", false},
                                    {"", true},
                                    {R"("a" "b" "c")", true},
                                    {R"("1" "2" "3" "4" "5")", true}}) {
            CImporterDlg dlg;
            Shown fields;
            std::string saveAs, go, about;
            RunModal(dlg, line, [&] {
                fields = Fields(dlg);
                saveAs = State(dlg, IDC_SAVE_AS_WAV);
                go = State(dlg, IDC_CONVERT_AND_GO);
                const QMenu *menu = dlg.GetSystemMenu(false)->GetSafeHmenu();
                about = menu->actions().last()->text().toStdString();
            });
            QCOMPARE(Boxes(),
                     notice ? Texts{"Running as Converter. No or Invalid Parameters from Vandrel."}
                            : Texts{});
            QCOMPARE(fields, Shown{});
            QCOMPARE(saveAs, kPickFirst);
            QCOMPARE(go,
                     notice ? "off: Vandrel did not start Orvex, so there is no file to convert to "
                              "for it. Use Save As WAV."
                            : kPickFirst);
            QCOMPARE(about, std::string("&About Orvex..."));
        }
    }

    // A picked file is described and can be converted; a refused one empties the fields,
    // says what it is in the message and the status line, and cannot be converted; a
    // cancelled pick changes nothing. The picker comes back where it was left.
    void pickingDescribes()
    {
        CImporterDlg dlg;
        Shown afterGood, afterBad, afterCancel;
        std::string goAfterGood, goAfterBad;
        RunModal(dlg, HostLine(Path("out.wav")).c_str(), [&] {
            Pick(dlg, m_wav);
            afterGood = Fields(dlg);
            goAfterGood = State(dlg, IDC_CONVERT_AND_GO);
            Pick(dlg, m_text);
            afterBad = Fields(dlg);
            goAfterBad = State(dlg, IDC_SAVE_AS_WAV);
            Pick(dlg, "");
            afterCancel = Fields(dlg);
        });
        const std::string why = "notes.txt is not an audio file that Orvex recognises. Orvex reads "
                + orvex::ListOfReadContainers() + " files.";
        QCOMPARE(afterGood, m_wavFields);
        QCOMPARE(goAfterGood, std::string("on"));
        QCOMPARE(afterBad, (Shown{{"Import File", m_text}, {"Status", why}}));
        QCOMPARE(goAfterBad, kPickFirst);
        QCOMPARE(afterCancel, afterBad);
        const auto &pickers = CModalSeam::ShownFileDialogs();
        QVERIFY(pickers[1].fileName == "take one.wav" && pickers[2].fileName == "notes.txt");
        QCOMPARE(CModalSeam::ShownMessageBoxes()[0].pOwner, &dlg);
        QCOMPARE(Boxes(), Texts{"Export Error. Failed to Convert File.\n" + why});
    }

    // The path in the box is the path used: typed and entered (Return, the keypad's Enter),
    // it is described; typed over a picked one, it is what Save As WAV converts, and the box
    // keeps it. Convert and Go (button or Save and Exit) writes it to the host's third
    // parameter, byte for byte what orvex-cli writes, and ends with OK.
    void typedPathIsThePathUsed()
    {
        CImporterDlg dlg;
        Shown typed, cleared, saved;
        const int result = RunModal(dlg, nullptr, [&] {
            Type(dlg, m_aiff, Qt::Key_Return);
            typed = Fields(dlg);
            Type(dlg, "", Qt::Key_Enter);
            cleared = Fields(dlg);
            Pick(dlg, m_wav);
            Type(dlg, m_aiff);
            Pick(dlg, Path("saved.wav"), IDC_SAVE_AS_WAV);
            saved = Fields(dlg);
        });
        QCOMPARE(result, kLeftOpen); // Enter in the box pressed no button
        QCOMPARE(typed, m_aiffFields);
        QCOMPARE(cleared, Shown{});
        m_aiffFields["Status"] = "Saved " + Path("saved.wav");
        QCOMPARE(saved, m_aiffFields);
        QCOMPARE(ReadFile(Path("saved.wav")), ReadFile(m_cliAiff));
        for (int id : {IDC_CONVERT_AND_GO, int(ID_FILE_SAVE_AND_EXIT)}) {
            CImporterDlg host;
            const std::string out = Path(std::to_string(id) + ".wav");
            QCOMPARE(RunModal(host, HostLine(out).c_str(),
                              [&] {
                                  Pick(host, m_wav);
                                  Type(host, m_aiff);
                                  Click(host, id);
                              }),
                     IDOK);
            QCOMPARE(ReadFile(out), ReadFile(m_cliAiff));
        }
        QCOMPARE(Boxes(), Texts{});
    }

    // Every outcome shows in the status line: a save, the clipped samples and a file that
    // ends early; a failure also in a message, and the dialog stays open, so the host never
    // finds a missing file after a run that looked successful.
    void theStatusLineSaysWhatHappened()
    {
        WriteFile(Path("loud.wav"), Wav(3, 1, 8000, 32, 4, Bytes().f32le(2).f32le(-3).f32le(0.5)));
        WriteFile(Path("short.aif"), Aiff(1, 1000, 16, 8000, Be16s({1, 2, 3})));
        CImporterDlg dlg;
        Texts status;
        const int result = RunModal(dlg, HostLine("/nonexistent/out.wav").c_str(), [&] {
            for (const char *input : {"loud.wav", "short.aif"}) {
                Pick(dlg, Path(input));
                Pick(dlg, Path("out.wav"), IDC_SAVE_AS_WAV);
                status.push_back(Fields(dlg)["Status"]);
            }
            Click(dlg, IDC_CONVERT_AND_GO);
            status.push_back(Fields(dlg)["Status"]);
        });
        QCOMPARE(result, kLeftOpen);
        QCOMPARE(status,
                 (Texts{"Saved " + Path("out.wav") + ". 2 samples were clipped to the 16-bit range",
                        "Saved " + Path("out.wav")
                                + ". The file ends early: 3 of 1,000 frames were converted",
                        "The folder /nonexistent does not exist."}));
        QCOMPARE(Boxes(),
                 Texts{"Export Error. Failed to Convert File.\nCould not open file.\nThe "
                       "folder /nonexistent does not exist."});
    }

    // Work off the interface thread is heard when its percentage moves, one report at a
    // time: reporting 40%, then 60%, every millisecond for a fifth of a second reaches it
    // once or twice, ending at 60%.
    void progressReachesTheWindowWhenItMoves()
    {
        CBackgroundJob job;
        std::vector<int> heard;
        bool done = false;
        QVERIFY(job.Start(
                [](const CBackgroundJob::Report &report) {
                    for (int i = 0; i < 200 && report(i < 100 ? 40 : 60); ++i)
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                },
                [&](int percent) { heard.push_back(percent); }, [&] { done = true; }));
        QVERIFY(QTest::qWaitFor([&] { return done; }));
        QVERIFY(!heard.empty() && heard.size() <= 2 && heard.back() == 60);
    }

    // A long conversion shows its progress and a Cancel button while the window answers;
    // nothing else can start meanwhile. Cancel, or closing the window, stops it and leaves
    // nothing behind.
    void longConversionShowsProgressAndStops()
    {
        const std::string big = SlowToDecode(Path("big.wav"), 16);
        const std::vector<std::string> before = FolderEntries(m_dir->root());
        Texts during;
        for (bool close : {false, true}) {
            CImporterDlg dlg;
            const int result = RunModal(dlg, HostLine(Path("out.wav")).c_str(), [&] {
                Pick(dlg, big);
                Pick(dlg, Path("saved.wav"), IDC_SAVE_AS_WAV, false);
                QVERIFY(QTest::qWaitFor([&] { return dlg.GetDlgItem(IDC_PROGRESS)->isVisible(); }));
                during = {State(dlg, IDC_BROWSE), State(dlg, IDC_CONVERT_AND_GO),
                          State(dlg, IDC_CANCEL_CONVERSION)};
                if (close) {
                    dlg.GetSafeHwnd()->close();
                } else {
                    Click(dlg, IDC_CANCEL_CONVERSION);
                    QCOMPARE(Fields(dlg)["Status"], std::string("Stopped: nothing was written."));
                }
            });
            QCOMPARE(result, close ? IDCANCEL : kLeftOpen);
            const std::string wait = "off: Wait for the conversion to end, or stop it.";
            QCOMPARE(during, (Texts{wait, wait, "on"}));
            QCOMPARE(FolderEntries(m_dir->root()), before);
        }
    }

    // Convert and Go or Save As WAV pressed with Space, then Space, Enter and Space again
    // while the conversion runs: nothing ends the window or stops the conversion, and the
    // file written is orvex-cli's.
    void aSecondPressNeverHarms()
    {
        const std::string input = SlowToDecode(Path("ten.wav"), 4), byCli = Path("by cli ten.wav");
        QCOMPARE(CliConvert(input, byCli), 0);
        for (int button : {IDC_CONVERT_AND_GO, IDC_SAVE_AS_WAV}) {
            CImporterDlg dlg;
            const std::string out = Path("pressed twice.wav");
            int pressedWhileConverting = 0;
            const int result = RunModal(dlg, HostLine(out).c_str(), [&] {
                Pick(dlg, input);
                dlg.GetSafeHwnd()->activateWindow(); // so that focus moves as it does for a user
                QVERIFY(QTest::qWaitForWindowActive(dlg.GetSafeHwnd()));
                if (button == IDC_SAVE_AS_WAV)
                    CModalSeam::QueueFileAnswer(IDOK, out);
                dlg.GotoDlgCtrl(button);
                for (Qt::Key key : {Qt::Key_Space, Qt::Key_Space, Qt::Key_Return, Qt::Key_Space}) {
                    pressedWhileConverting += dlg.IsConverting();
                    if (QWidget *focus = dlg.GetSafeHwnd()->focusWidget())
                        QTest::keyClick(focus, key);
                }
            });
            QCOMPARE(pressedWhileConverting, 3);
            QCOMPARE(result, button == IDC_CONVERT_AND_GO ? IDOK : kLeftOpen);
            QCOMPARE(ReadFile(out), ReadFile(byCli));
            std::filesystem::remove(out);
        }
    }

    // Save As WAV proposes the file in the box renamed STEM.wav: in the input's folder the
    // first time, then in the folder last saved to; a WAV input is never proposed as its own
    // output.
    void saveAsProposesTheFileInTheBox()
    {
        std::filesystem::create_directory(Path("saved"));
        CImporterDlg dlg;
        RunModal(dlg, nullptr, [&] {
            Pick(dlg, m_wav);
            Pick(dlg, "", IDC_SAVE_AS_WAV);
            Pick(dlg, m_aiff);
            Pick(dlg, Path("saved/first.wav"), IDC_SAVE_AS_WAV);
            Type(dlg, m_wav);
            Pick(dlg, "", IDC_SAVE_AS_WAV);
        });
        std::vector<std::pair<std::string, std::string>> proposed;
        for (const CShownFileDialog &shown : CModalSeam::ShownFileDialogs())
            if (!shown.bOpen)
                proposed.emplace_back(shown.folder, shown.fileName);
        QCOMPARE(proposed,
                 (std::vector<std::pair<std::string, std::string>>{
                         {m_dir->root(), "take one (16-bit).wav"},
                         {m_dir->root(), "guitar.wav"},
                         {Path("saved"), "take one.wav"}}));
    }

    // A float file that clips: before the import the status line says how many samples the
    // conversion will clip (orvex-cli's count) and the peak of what it writes, and the
    // waveform marks exactly the columns that hold a clipped sample, in a colour that stands
    // out in a light and a dark palette. After a save to a long path the status line still
    // shows the clipping, within its box.
    void clippingShowsBeforeTheImport()
    {
        Bytes data;
        std::vector<bool> clipped;
        for (int f = 0; f < 48000; ++f) {
            const double amplitude = f / 3000 % 4 == 0 ? 1.4 : 0.4; // the first column clips
            bool any = false;
            for (int c = 0; c < 2; ++c) {
                const float v = float(amplitude * std::sin(2 * M_PI * 440 * f / 48000 + c));
                data.f32le(v);
                any = any || v * 32768.0f >= 32768.0f || v * 32768.0f < -32768.0f;
            }
            clipped.push_back(any);
        }
        const std::string loud = Path("loud.wav");
        WriteFile(loud, Wav(3, 2, 48000, 32, 8, data));
        const std::string level = Level(loud, m_dir->root());
        const std::string deep = Path(std::string(120, 'x') + "/" + std::string(120, 'y'));
        std::filesystem::create_directories(deep);
        const QPalette original = QApplication::palette();
        for (bool dark : {false, true}) {
            QPalette palette = original;
            palette.setColor(QPalette::Base, dark ? QColor(24, 24, 24) : QColor(Qt::white));
            QApplication::setPalette(palette);
            CImporterDlg dlg;
            std::string status;
            QImage strip;
            CStaticText *line = nullptr;
            bool shortened = false;
            QString shown;
            QImage selected;
            int x0 = 0, x1 = 0;
            RunModal(dlg, HostLine(Path("out.wav")).c_str(), [&] {
                Pick(dlg, loud);
                status = Fields(dlg)["Status"];
                strip = dlg.GetDlgItem(IDC_WAVEFORM)->grab().toImage();
                Pick(dlg, deep + "/out.wav", IDC_SAVE_AS_WAV);
                line = dynamic_cast<CStaticText *>(dlg.GetDlgItem(IDC_STATUS));
                shown = line->ShownText(&shortened);
                for (const QString &text : shown.split(u'\n'))
                    shortened = shortened
                            && line->fontMetrics().horizontalAdvance(text) <= line->width();
                shortened = shortened
                        && (shown.count(u'\n') + 1) * line->fontMetrics().lineSpacing()
                                <= line->height();
                line->grab(); // drawn shortened, it offers the whole text as its tooltip
                shortened = shortened && line->toolTip() == line->text();
                QWidget *view = dlg.GetDlgItem(IDC_WAVEFORM);
                x0 = view->width() / 3, x1 = 2 * view->width() / 3;
                QTest::mousePress(view, Qt::LeftButton, {}, QPoint(x0, 20));
                QTest::mouseMove(view, QPoint(x1, 20));
                QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(x1, 20));
                selected = view->grab().toImage();
            });
            QCOMPARE(status, level);
            std::vector<bool> marked(size_t(strip.width())), want(marked.size());
            for (int x = 0; x < strip.width(); ++x)
                for (int y = 0; y < strip.height(); ++y)
                    marked[size_t(x)] = marked[size_t(x)]
                            || strip.pixel(x, y) == CWaveformView::kClipColour.rgb();
            for (size_t f = 0; f < clipped.size(); ++f) // the columns inside the border
                want[1 + f * (want.size() - 2) / clipped.size()]
                        = want[1 + f * (want.size() - 2) / clipped.size()] || clipped[f];
            QCOMPARE(marked, want);
            auto luminance = [](QColor c) {
                auto lin = [](double v) {
                    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
                };
                return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
            };
            auto contrast = [&](QColor a, QColor b) {
                const double x = luminance(a), y = luminance(b);
                return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
            };
            QVERIFY(contrast(CWaveformView::kClipColour, palette.color(QPalette::Base)) >= 3);
            // A selection over loud material: every column of it, and only those, shows a
            // colour over the waveform that stands out from it and from the background.
            const QColor mark = selected.pixel(x0, 1);
            for (int x = 1; x + 1 < selected.width(); ++x)
                QCOMPARE(selected.pixel(x, 1) == mark.rgb(), x >= x0 && x < x1);
            QVERIFY(contrast(mark, palette.color(QPalette::Highlight)) >= 3);
            QVERIFY(contrast(mark, palette.color(QPalette::Base)) >= 3);
            QVERIFY2(shortened && shown.contains(" samples were clipped to the 16-bit range"),
                     qPrintable(shown));
        }
        QApplication::setPalette(original);
    }

    // The level chosen is what is shown and written. A float file that clips and a 24-bit file,
    // normalised with dither (whole, then a selection) and with a gain: each saved file is
    // orvex-cli's with the same options; the clip marks show before normalising and none after,
    // and the status line says the peak it gives. Normalising and dither are chosen again when
    // the window opens anew (the profile), a gain is not.
    void theChosenLevelIsWhatIsImported()
    {
        QTemporaryDir config;
        const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        CWinApp app;
        app.SetProfileName("Orvex", "orvex");
        Bytes data;
        for (int f = 0; f < 48000; ++f)
            for (int c = 0; c < 2; ++c)
                data.f32le(
                        float((f < 12000 ? 1.4 : 0.4) * std::sin(2 * M_PI * 440 * f / 48000 + c)));
        const std::string loud = Path("loud.wav"), deep = Path("deep.wav");
        WriteFile(loud, Wav(3, 2, 48000, 32, 8, data));
        QVERIFY(WriteWithSndfile(deep, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 44100, 40000));
        auto marks = [](QWidget *strip) {
            const QImage image = strip->grab().toImage();
            int count = 0;
            for (int x = 0; x < image.width(); ++x)
                for (int y = 0; y < image.height(); ++y)
                    count += image.pixel(x, y) == CWaveformView::kClipColour.rgb();
            return count;
        };
        auto choose = [](CImporterDlg &dlg, int id, bool on) {
            if (dlg.IsDlgButtonChecked(id) != on)
                Click(dlg, id);
        };
        for (const std::string &in : {loud, deep}) {
            CImporterDlg dlg;
            int before = 0, after = 0;
            std::string normalised, gainShown, silent;
            bool remembered = false;
            CWaveformView::Selection part;
            RunModal(dlg, nullptr, [&] {
                remembered = dlg.IsDlgButtonChecked(IDC_NORMALIZE)
                        && dlg.IsDlgButtonChecked(IDC_DITHER);
                Pick(dlg, in);
                Fields(dlg);
                QWidget *view = dlg.GetDlgItem(IDC_WAVEFORM);
                before = marks(view);
                choose(dlg, IDC_NORMALIZE, true);
                choose(dlg, IDC_DITHER, true);
                normalised = Fields(dlg)["Status"];
                after = marks(view);
                Pick(dlg, Path("normalised.wav"), IDC_SAVE_AS_WAV);
                const int w = view->width(), y = view->height() / 2;
                QTest::mousePress(view, Qt::LeftButton, {}, QPoint(w / 5, y));
                QTest::mouseMove(view, QPoint(w / 2, y));
                QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(w / 2, y));
                part = dynamic_cast<CWaveformView *>(view)->GetSelection();
                Fields(dlg); // the selection's peak measured
                Pick(dlg, Path("part.wav"), IDC_SAVE_AS_WAV);
                QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(w / 2, y));
                choose(dlg, IDC_NORMALIZE, false);
                auto *gain = qobject_cast<QLineEdit *>(dlg.GetDlgItem(IDC_GAIN));
                gain->setText("6,5 dB");
                gain->setFocus();
                QTest::keyClick(gain, Qt::Key_Return);
                Pick(dlg, Path("gain.wav"), IDC_SAVE_AS_WAV);
                choose(dlg, IDC_NORMALIZE, true);
                Pick(dlg, m_wav); // the gain was the other file's; a silent file stays so
                dlg.GetDlgItemText(IDC_GAIN, gainShown);
                silent = Fields(dlg)["Status"];
            });
            QCOMPARE(silent, "The file is silent");
            QCOMPARE(remembered, in == deep);
            QCOMPARE(gainShown, "0.0");
            QVERIFY(in == deep || (before > 0 && after == 0));
            QVERIFY2(normalised.rfind("Normalised. Gain ", 0) == 0
                             && normalised.ends_with(". Peak -1.0 dBFS"),
                     normalised.c_str());
            const std::string frames = " --start " + std::to_string(part.first) + "f --end "
                    + std::to_string(part.end) + "f";
            for (const auto &[saved, options] :
                 {std::pair{"normalised.wav", "--normalize --dither"},
                  std::pair{"part.wav", "--normalize --dither"},
                  std::pair{"gain.wav", "--gain 6.5 --dither"}}) {
                const std::string want = Path("cli.wav");
                QCOMPARE(CliConvert(in, want, "/dev/null",
                                    options + (saved == std::string("part.wav") ? frames : "")),
                         0);
                QVERIFY2(ReadFile(Path(saved)) == ReadFile(want), saved);
            }
        }
        qputenv("XDG_CONFIG_HOME", configHome);
    }

    // A gain is taken in the user's spelling and shown as it was taken: to a hundredth of a
    // dB, with at least one decimal, never "-0.0"; a spelling that is no gain keeps the last.
    void aTypedGainIsShownAsTaken()
    {
        CImporterDlg dlg;
        QStringList shown;
        RunModal(dlg, nullptr, [&] {
            Pick(dlg, m_wav);
            auto *gain = qobject_cast<QLineEdit *>(dlg.GetDlgItem(IDC_GAIN));
            for (const char *typed : {"6,5 dB", "-0.001", "3", "-12.346", "loud"}) {
                gain->setText(typed);
                gain->setFocus();
                QTest::keyClick(gain, Qt::Key_Return);
                shown << gain->text();
            }
        });
        QCOMPARE(shown, QStringList({"6.5", "0.0", "3.0", "-12.35", "-12.35"}));
    }

    // The clip warning allows for dither's step: a peak that a gain of -0.1 dB brings to
    // 32,767 fits without dither, and is said to clip with it.
    void theClipWarningAllowsForDither()
    {
        const std::string edge = Path("edge.wav");
        const double peak = 32767 / 32768.0 / std::pow(10, -0.1 / 20);
        WriteFile(edge, Wav(3, 1, 8000, 32, 4, Bytes().f32le(float(peak)).f32le(0)));
        CImporterDlg dlg;
        std::string plain, dithered;
        RunModal(dlg, nullptr, [&] {
            Pick(dlg, edge);
            auto *gain = qobject_cast<QLineEdit *>(dlg.GetDlgItem(IDC_GAIN));
            gain->setText("-0.1");
            gain->setFocus();
            QTest::keyClick(gain, Qt::Key_Return);
            for (std::string *said : {&plain, &dithered}) {
                if (dlg.IsDlgButtonChecked(IDC_DITHER) != (said == &dithered))
                    Click(dlg, IDC_DITHER);
                *said = Fields(dlg)["Status"];
            }
        });
        QVERIFY2(plain.find("clipped") == std::string::npos
                         && dithered.find("will be clipped") != std::string::npos,
                 (plain + " / " + dithered).c_str());
    }

    // A path that never answers (a FIFO nobody writes to, as a hung share): the fields say it
    // is being read and the window stays free: another pick is described, and what the path
    // says when it answers at last is for nobody; Cancel closes the window while it waits.
    void aPathThatNeverAnswersLeavesTheWindowFree()
    {
        const std::string fifo = Path("share.wav");
        QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
        auto answer = [&] { ::close(::open(fifo.c_str(), O_WRONLY)); }; // wakes the reader
        CImporterDlg dlg;
        Texts reading;
        Shown afterOther, afterAnswer;
        const int result = RunModal(dlg, HostLine(Path("out.wav")).c_str(), [&] {
            Type(dlg, fifo, Qt::Key_Return);
            QTest::qWait(200);
            dlg.GetDlgItemText(IDC_FORMAT, reading.emplace_back());
            reading.push_back(State(dlg, IDC_BROWSE));
            Pick(dlg, m_wav);
            afterOther = Fields(dlg);
            answer();
            QTest::qWait(200);
            afterAnswer = Fields(dlg);
            Type(dlg, fifo, Qt::Key_Return); // while it is read, nothing of the last file shows
            QTest::qWait(200);
            dlg.GetDlgItemText(IDC_SAMPLES, reading.emplace_back());
            Click(dlg, IDCANCEL, false);
        });
        answer();
        QCOMPARE(result, IDCANCEL);
        QCOMPARE(reading, (Texts{"Reading...", "on", ""}));
        QCOMPARE(afterOther, m_wavFields);
        QCOMPARE(afterAnswer, m_wavFields);
        QCOMPARE(Boxes(), Texts{});
    }

    // A drag in the waveform (from its first column) selects frames, Shift+Right extends them, the
    // status line and the accessible description say which, and Save As WAV writes exactly those
    // frames of the whole file's conversion (orvex-cli's), for plain, float, IMA ADPCM and GSM
    // inputs. A click clears the selection; so does another pick; a right click selects nothing.
    // A view alone, focused, draws its focus frame 2 px inside its edges, and takes a click
    // with nobody listening for one.
    void aSelectionIsWhatIsImported()
    {
        const std::string in = Path("long take.wav"), whole = Path("whole.wav");
        for (int format : {SF_FORMAT_WAV | SF_FORMAT_PCM_16, SF_FORMAT_WAV | SF_FORMAT_FLOAT,
                           SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, SF_FORMAT_WAV | SF_FORMAT_GSM610}) {
            const int channels = (format & SF_FORMAT_SUBMASK) == SF_FORMAT_GSM610 ? 1 : 2;
            QVERIFY(WriteWithSndfile(in, format, channels, 8000, 80000)); // ten seconds
            QCOMPARE(CliConvert(in, whole), 0);
            CImporterDlg dlg;
            CWaveformView::Selection dragged, extended, clicked, toEnd, shiftClicked, other;
            std::string status, description;
            RunModal(dlg, nullptr, [&] {
                Pick(dlg, in);
                Fields(dlg);
                auto *view = dynamic_cast<CWaveformView *>(dlg.GetDlgItem(IDC_WAVEFORM));
                const int w = view->width(), y = view->height() / 2;
                QTest::mousePress(view, Qt::LeftButton, {}, QPoint(0, y));
                QTest::mouseMove(view, QPoint(w / 2, y));
                QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(w / 2, y));
                dragged = view->GetSelection();
                QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
                extended = view->GetSelection();
                status = Fields(dlg)["Status"];
                description = view->Description();
                Pick(dlg, Path("part.wav"), IDC_SAVE_AS_WAV);
                QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(w / 3, y));
                QTest::mouseClick(view, Qt::RightButton, Qt::ShiftModifier, QPoint(w / 2, y));
                clicked = view->GetSelection();
                // From the play position the click left: Shift+End, then Shift+click at the
                // start, which grows the selection the other way from the same place.
                QTest::keyClick(view, Qt::Key_End, Qt::ShiftModifier);
                toEnd = view->GetSelection();
                QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, QPoint(0, y));
                shiftClicked = view->GetSelection();
                Pick(dlg, m_wav);
                other = view->GetSelection();
            });
            QCOMPARE(dragged.first, uint64_t(0));
            QVERIFY(std::abs(double(dragged.end) - 40000) < 200);
            QCOMPARE(extended.first, dragged.first);
            const auto all = *WavSamples(ReadFile(whole), uint32_t(channels), 8000);
            const double step = 0.05 * double(all.size() / size_t(channels)); // a twentieth
            QVERIFY(std::abs(double(extended.end - dragged.end) - step) <= 1);
            auto range = [&](int places) {
                return DurationText(extended.first, 8000, places) + " to "
                        + DurationText(extended.end, 8000, places);
            };
            QCOMPARE(status,
                     "Selected " + range(4) + " ("
                             + DurationText(extended.end - extended.first, 8000, 4)
                             + "): only the selection will be imported.");
            QCOMPARE(description,
                     "Duration " + DurationText(all.size() / size_t(channels), 8000)
                             + ", play position 0:00.000, selection " + range(3));
            QCOMPARE(WavSamples(ReadFile(Path("part.wav")), uint32_t(channels), 8000),
                     std::vector<int16_t>(all.begin() + long(extended.first) * channels,
                                          all.begin() + long(extended.end) * channels));
            QVERIFY(clicked.Empty() && other.Empty());
            QVERIFY(std::abs(double(toEnd.first) - double(all.size()) / channels / 3) < 200);
            QCOMPARE(toEnd.end, all.size() / size_t(channels));
            QCOMPARE(shiftClicked, (CWaveformView::Selection{0, toEnd.first}));
        }
        CWaveformView view(nullptr); // focused: a frame in the highlight colour inside the border
        view.resize(60, 30);
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        view.setFocus();
        const QImage look = view.grab().toImage();
        for (int x = 0; x < 60; ++x)
            for (int y = 0; y < 30; ++y)
                QCOMPARE(look.pixel(x, y) == view.palette().color(QPalette::Highlight).rgb(),
                         std::min({x - 2, y - 2, 57 - x, 27 - y}) == 0);
        view.SetLength(8000, 8000); // the play position, a line just before its column; a click
        view.SetPlayhead(0.5); // where nobody listens for one
        QCOMPARE(view.grab().toImage().pixel(29, 15), view.palette().color(QPalette::Text).rgb());
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(30, 15));
    }

    // Zoomed with Ctrl+wheel, scrolled with the wheel (on, and back) and zoomed with + until
    // frames are wider than columns, the strip shows the frames as orvex-cli converts them,
    // read from the file where the summary is too coarse: plain PCM, and GSM 6.10, which
    // cannot seek. There a drag of 2 pixels selects the frames of the columns dragged over,
    // Shift+Right extends it by a twentieth of the view, and the times in the status line,
    // typed into orvex-cli, convert what Save As WAV writes; End takes the view to the end.
    // Grown with its file gone, the strip of a short file is drawn again over all its new width
    // from the summary, its selection kept.
    void aZoomedViewShowsTheConvertedFrames()
    {
        const std::string in = Path("long.wav"), whole = Path("whole.wav");
        for (int format : {SF_FORMAT_WAV | SF_FORMAT_PCM_16, SF_FORMAT_WAV | SF_FORMAT_GSM610}) {
            const int channels = (format & SF_FORMAT_SUBMASK) == SF_FORMAT_GSM610 ? 1 : 2;
            QVERIFY(WriteWithSndfile(in, format, channels, 8000, 2200000)); // blocks of 4 frames
            QCOMPARE(CliConvert(in, whole), 0);
            const auto all = *WavSamples(ReadFile(whole), uint32_t(channels), 8000);
            std::vector<int> wrong;
            CWaveformView::Selection dragged, extended;
            WaveformSpan zoomed;
            std::string status;
            CImporterDlg dlg;
            RunModal(dlg, nullptr, [&] {
                Pick(dlg, in);
                Fields(dlg);
                auto *view = dynamic_cast<CWaveformView *>(dlg.GetDlgItem(IDC_WAVEFORM));
                Wheel(view, 12, view->width() / 3.0, Qt::ControlModifier);
                wrong.push_back(WrongColumns(view, all, channels));
                const WaveformSpan first = view->Shown().view;
                // A press on the middle of the bar's thumb (4 pixels at least) moves the view
                // by 2 pixels' worth of the file at most.
                const QImage bar = view->grab().toImage();
                int thumb = 0, drawn = 0, barY = bar.height() - 4;
                for (int x = 0; x < bar.width(); ++x)
                    if (bar.pixel(x, barY) == view->palette().color(QPalette::Highlight).rgb())
                        thumb += x, ++drawn;
                QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(thumb / drawn, barY));
                zoomed = view->Shown().view;
                wrong.push_back(std::abs(double(zoomed.first) - double(first.first))
                                > 2.0 * double(all.size()) / channels / view->ColumnsInside());
                const int y = view->height() / 2;
                QTest::mousePress(view, Qt::LeftButton, {}, QPoint(100, y));
                QTest::mouseMove(view, QPoint(102, y));
                QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(102, y));
                dragged = view->GetSelection();
                QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
                extended = view->GetSelection();
                status = Fields(dlg)["Status"];
                Pick(dlg, Path("part.wav"), IDC_SAVE_AS_WAV);
                for (int notches : {-3, 6}) {
                    Wheel(view, notches, 50);
                    wrong.push_back(WrongColumns(view, all, channels));
                }
                for (int i = 0; i < 6; ++i)
                    QTest::keyClick(view, Qt::Key_Plus);
                wrong.push_back(WrongColumns(view, all, channels));
                wrong.push_back(view->Shown().view.span * 2 < view->ColumnsInside());
                QTest::keyClick(view, Qt::Key_End); // the view follows the play position
                wrong.push_back(WrongColumns(view, all, channels));
                wrong.push_back(int(view->Shown().view.first + view->Shown().view.span
                                    - all.size() / size_t(channels)));
            });
            QCOMPARE(wrong, std::vector<int>({0, 0, 0, 0, 0, 1, 0, 0}));
            QVERIFY(zoomed.span < 2 * zoomed.columns); // finer than blocks of 4
            QCOMPARE(dragged, (CWaveformView::Selection{zoomed.Begin(99), zoomed.Begin(101)}));
            QCOMPARE(extended.end - dragged.end, zoomed.span / 20);
            QCOMPARE(WavSamples(ReadFile(Path("part.wav")), uint32_t(channels), 8000),
                     std::vector<int16_t>(all.begin() + long(extended.first) * channels,
                                          all.begin() + long(extended.end) * channels));
            const size_t to = status.find(" to "), open = status.find(" (");
            QCOMPARE(CliConvert(in, Path("typed.wav"), "/dev/null",
                                "--start " + status.substr(9, to - 9) + " --end "
                                        + status.substr(to + 4, open - to - 4)),
                     0);
            QCOMPARE(ReadFile(Path("typed.wav")), ReadFile(Path("part.wav")));
        }
        CImporterDlg dlg;
        int wrong = -2, grown = 0;
        CWaveformView::Selection before, after;
        RunModal(dlg, nullptr, [&] {
            Pick(dlg, m_aiff);
            Fields(dlg);
            std::filesystem::remove(m_aiff);
            auto *view = dynamic_cast<CWaveformView *>(dlg.GetDlgItem(IDC_WAVEFORM));
            QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
            before = view->GetSelection();
            const int width = view->width();
            dlg.GetSafeHwnd()->resize(dlg.GetSafeHwnd()->size() + QSize(150, 40));
            (void)QTest::qWaitFor([&] { return view->width() > width; });
            grown = view->width() - width;
            wrong = WrongColumns(view, *WavSamples(ReadFile(m_cliAiff), 2, 44100), 2);
            after = view->GetSelection();
        });
        QVERIFY(wrong == 0 && grown == 150 && !before.Empty() && after == before);
    }

    // + and - zoom around the play position: it keeps its column where the view shows it, in
    // the first and the last column too, and comes to the middle where it does not; a click
    // then finds it there. Assistive technology reads the strip's length in seconds, at 1 Hz
    // too, and moves the play position, but not in a file of no frames.
    void keysZoomAroundThePlayPosition()
    {
        CWaveformView view(nullptr);
        view.resize(202, 40); // 200 columns
        view.SetLength(80000, 8000);
        std::vector<double> moved;
        double clicked = -1;
        view.onMoved = [&](double fraction) { moved.push_back(fraction); };
        view.onClicked = [&](double fraction) { clicked = fraction; };
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        view.setFocus();
        auto frameAt = [&](int column) { // columns of 40, then 20 or 80 frames
            QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(column, 10));
            return clicked * 80000;
        };
        // The play position's frame, the view before, the key, and where it must be after.
        const std::tuple<uint64_t, uint64_t, Qt::Key, int> cases[] = {
                {20, 0, Qt::Key_Plus, 1},        {7980, 0, Qt::Key_Plus, 200},
                {22000, 20000, Qt::Key_Minus, 51}, {20020, 20000, Qt::Key_Minus, 1},
                {27980, 20000, Qt::Key_Equal, 200}, {60000, 0, Qt::Key_Plus, 101},
                {10000, 20000, Qt::Key_Minus, 101}};
        for (const auto &[play, first, key, column] : cases) {
            view.SetPlayhead(-1); // else the view would follow it
            view.ShowFrames(first, 8000);
            view.SetPlayhead(double(play) / 80000);
            QTest::keyClick(&view, key);
            QVERIFY2(std::abs(frameAt(column) - double(play)) <= 80, std::to_string(play).c_str());
        }
        QAccessibleValueInterface *value
                = QAccessible::queryAccessibleInterface(&view)->valueInterface();
        value->setCurrentValue(2.5);
        view.SetLength(5, 1);
        const double seconds = value->maximumValue().toDouble();
        view.SetLength(0, 8000);
        value->setCurrentValue(2.5);
        QCOMPARE(seconds, 5.0);
        QCOMPARE(moved, std::vector<double>{0.25});
    }

    // Started with one file, as a file manager's "Open With" does, the window opens with
    // that file described; every way out ends with cancel and converts nothing.
    void oneFileStartAndEveryWayOut()
    {
        CImporterDlg first;
        Shown fields;
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
                    Click(dlg, ID_FILE_EXIT);
                else
                    SystemMenuCommand(dlg, SC_CLOSE);
            });
            QCOMPARE(result, IDCANCEL);
            QVERIFY(!FileExists(Path("out.wav")));
        }
    }

    // A drop is taken as a pick: the first local file of the drop; a drop of nothing local
    // is ignored. Names whose bytes are not UTF-8 arrive whole, and are converted whole.
    void droppedFilesAreTakenAsPicked()
    {
        std::filesystem::copy_file(m_aiff, Path("caf\xe9.aiff"));
        CImporterDlg dlg;
        Shown afterTwo, afterRemote;
        RunModal(dlg, nullptr, [&] {
            DropUrls(dlg.GetSafeHwnd(),
                     {QUrl::fromLocalFile(QString::fromStdString(m_aiff)),
                      QUrl::fromLocalFile(QString::fromStdString(m_wav))});
            afterTwo = Fields(dlg);
            QVERIFY(!DropUrls(dlg.GetSafeHwnd(), {QUrl("https://example.org/take.wav")}));
            afterRemote = Fields(dlg);
            DropUrls(dlg.GetSafeHwnd(),
                     {QUrl::fromEncoded(("file://" + m_dir->root() + "/caf%E9.aiff").c_str())});
            Pick(dlg, Path("latin1.wav"), IDC_SAVE_AS_WAV);
        });
        QCOMPARE(afterTwo, m_aiffFields);
        QCOMPARE(afterRemote, afterTwo);
        QCOMPARE(ReadFile(Path("latin1.wav")), ReadFile(m_cliAiff));
        QCOMPARE(Boxes(), Texts{});
    }
};

QTEST_MAIN(TestImporterDlg)
#include "tst_importer_dlg.moc"
