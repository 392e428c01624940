// The modal windows: file pickers (the filter string, the default extension, answers through
// the seam, and Qt's real picker listing files case-insensitively and remembering the last
// choice) and message boxes (answered by the seam, and Qt's real box with its caption, text,
// single OK button and owner).
#include "dialog.h"
#include "file_dialog.h"
#include "message_box.h"
#include "modal_seam.h"
#include "qt_test_support.h"
#include "text_codec.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>

namespace {

const char kOpenFilter[] = "WAV (*.wav)|*.wav| AU (*.au)|*.au| AIFF (*.aiff)|*.aiff| AIFC "
                           "(*.aifc)|*.aifc| SND (*.snd)|*.snd| IFF (*.iff)|*.iff| Paris - PAF "
                           "(*.paf)|*.paf| NIST (*.*)|*.*| REX (*.rex)|*.rex| IRCAM (*.*)|*.*| "
                           "All Files (*.*)|*.*||";

class COpenPicker : public CFileDialog
{
public:
    COpenPicker(std::string fileName = {}, std::string filter = kOpenFilter)
        : CFileDialog(true, "*.*", std::move(fileName), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                      std::move(filter))
    { }
    const char *GetRuntimeClassName() const override { return "COpenPicker"; }
};

// What the real picker showed when it opened.
struct Seen
{
    bool loaded = false;
    QStringList listed;
    QStringList filterTexts;
    int filterIndex = -1;
    QString folder;
    QString fileNameText;
    bool confirmsOverwrite = false;
    QString defaultSuffix;
};

// Reads the picker once it lists `rows` entries of its folder, then lets act() finish the run.
void WhenPickerOpens(Seen &seen, int rows, std::function<void(QFileDialog *)> act)
{
    WhenModal([&seen, rows, act] {
        auto *picker = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (picker == nullptr)
            return;
        auto *model = picker->findChild<QFileSystemModel *>();
        const QModelIndex root = model->index(picker->directory().absolutePath());
        // The folder is read in the background; wait until its files are in.
        seen.loaded = QTest::qWaitFor([&] { return model->rowCount(root) >= rows; });
        for (int row = 0; row < model->rowCount(root); ++row)
            seen.listed << model->index(row, 0, root).data().toString();
        seen.listed.sort();
        auto *types = picker->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        for (int i = 0; i < types->count(); ++i)
            seen.filterTexts << types->itemText(i);
        seen.filterIndex = types->currentIndex();
        seen.folder = picker->directory().absolutePath();
        seen.fileNameText = picker->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
        seen.confirmsOverwrite = !picker->testOption(QFileDialog::DontConfirmOverwrite);
        seen.defaultSuffix = picker->defaultSuffix();
        act(picker);
    });
}

void Touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

const ControlTemplate kControls[] = {
        {ControlClass::Button, IDOK, "OK", 5, 5, 50, 14,
         BS_DEFPUSHBUTTON | WS_VISIBLE | WS_TABSTOP},
};
const DialogTemplate kDialogs[] = {
        {1, "Owner", 0, 0, 60, 24, DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0,
         "MS Sans Serif", 8, kControls},
};
const CResourceModule kResources{kDialogs, {}, {}, {}, {}};

struct SeenBox
{
    QString title, text;
    int buttons = 0;
    Qt::TextFormat format = Qt::RichText;
    QMessageBox::Icon icon = QMessageBox::Critical;
    QWidget *parent = nullptr;
};

// Reads the box that is about to run, then presses its OK button.
void WhenBoxOpens(SeenBox &seen)
{
    WhenModal([&seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        seen = SeenBox{box->windowTitle(), box->text(), int(box->buttons().size()),
                       box->textFormat(),  box->icon(), box->parentWidget()};
        box->button(QMessageBox::Ok)->click();
    });
}

} // namespace

class TestModalSeam : public QObject
{
    Q_OBJECT

private slots:
    void init() { CModalSeam::Reset(); }
    void cleanup()
    {
        CModalSeam::Reset();
        VERIFY_NO_WINDOW_LEAKED();
    }

    void filterStringBecomesList()
    {
        const std::vector<CFileFilter> open = ParseFileFilter(kOpenFilter);
        QCOMPARE(open.size(), std::size_t(11));
        QCOMPARE(open[0], (CFileFilter{"WAV (*.wav)", "*.wav"}));
        QCOMPARE(open[1], (CFileFilter{" AU (*.au)", "*.au"}));
        QCOMPARE(open[6], (CFileFilter{" Paris - PAF (*.paf)", "*.paf"}));
        QCOMPARE(open[10], (CFileFilter{" All Files (*.*)", "*.*"}));

        using List = std::vector<CFileFilter>;
        QCOMPARE(ParseFileFilter("WAV (*.wav)|*.wav||"), (List{{"WAV (*.wav)", "*.wav"}}));
        QCOMPARE(ParseFileFilter("Both|*.a;*.b||"), (List{{"Both", "*.a;*.b"}}));
        QCOMPARE(ParseFileFilter("A|*.a|"), (List{{"A", "*.a"}})); // no closing bar
        QCOMPARE(ParseFileFilter("A|*.a|B"), (List{{"A", "*.a"}})); // B has no pattern
        QCOMPARE(ParseFileFilter(""), List{});
        QCOMPARE(ParseFileFilter("|*.a||"), List{});

        QCOMPARE(DefaultSuffixOf("*.wav"), std::string("wav"));
        QCOMPARE(DefaultSuffixOf(".wav"), std::string("wav"));
        QCOMPARE(DefaultSuffixOf("wav"), std::string("wav"));
        QCOMPARE(DefaultSuffixOf("*.*"), std::string());
        QCOMPARE(DefaultSuffixOf("*.w?v"), std::string());
        QCOMPARE(DefaultSuffixOf(""), std::string());
    }

    void seamAnswersAndPickerRemembers()
    {
        COpenPicker picker("first.wav");
        CModalSeam::QueueFileAnswer(IDOK, "/music/takes/take.WAV", 3);
        QCOMPARE(picker.DoModal(), IDOK);
        QCOMPARE(picker.GetPathName(), std::string("/music/takes/take.WAV"));
        CModalSeam::QueueFileAnswer(IDCANCEL);
        QCOMPARE(picker.DoModal(), IDCANCEL);
        QCOMPARE(picker.GetPathName(), std::string("/music/takes/take.WAV"));
        QCOMPARE(picker.DoModal(), IDCANCEL); // nothing queued: cancelled, not blocked
        QCOMPARE(CModalSeam::PendingAnswers(), std::size_t(0));

        const std::vector<CShownFileDialog> &shown = CModalSeam::ShownFileDialogs();
        QCOMPARE(shown.size(), std::size_t(3));
        QCOMPARE(shown[0].className, std::string("COpenPicker"));
        QVERIFY(shown[0].bOpen);
        QCOMPARE(shown[0].flags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
        QCOMPARE(shown[0].defaultSuffix, std::string());
        QCOMPARE(shown[0].filters.size(), std::size_t(11));
        QCOMPARE(shown[0].folder, std::string());
        QCOMPARE(shown[0].fileName, std::string("first.wav"));
        QCOMPARE(shown[0].filterIndex, 0);
        // Each later run starts from the last choice; a cancelled run changes nothing.
        for (std::size_t run : {1u, 2u}) {
            QCOMPARE(shown[run].folder, std::string("/music/takes"));
            QCOMPARE(shown[run].fileName, std::string("take.WAV"));
            QCOMPARE(shown[run].filterIndex, 3);
        }
    }

    void realPickerListsCaseInsensitivelyAndRemembers()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const char *name : {"take.WAV", "song.wav", "notes.txt", "loop.Au"})
            Touch(dir.filePath(QString::fromLatin1(name)));

        COpenPicker picker(PathFromQString(dir.filePath(QStringLiteral("song.wav"))));
        Seen first;
        WhenPickerOpens(first, 2, [](QFileDialog *dialog) {
            // The user picks the AU entry, types loop.Au and presses Open.
            auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
            types->setCurrentIndex(1);
            emit types->activated(1);
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            name->clear();
            QTest::keyClicks(name, QStringLiteral("loop.Au"));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QCOMPARE(picker.DoModal(), IDOK);
        QCOMPARE(first.listed, QStringList({"song.wav", "take.WAV"}));
        QCOMPARE(first.filterTexts.size(), 11);
        QCOMPARE(first.filterTexts[0], QStringLiteral("WAV (*.wav)"));
        QCOMPARE(first.filterTexts[1], QStringLiteral(" AU (*.au)"));
        QCOMPARE(first.filterIndex, 0);
        QCOMPARE(first.defaultSuffix, QString()); // "*.*" names no extension
        QCOMPARE(picker.GetPathName(), PathFromQString(dir.filePath(QStringLiteral("loop.Au"))));

        Seen second;
        WhenPickerOpens(second, 1, [](QFileDialog *dialog) { dialog->reject(); });
        QCOMPARE(picker.DoModal(), IDCANCEL);
        QCOMPARE(second.filterIndex, 1);
        QCOMPARE(second.listed, QStringList({"loop.Au"}));
        QCOMPARE(second.folder, QDir(dir.path()).absolutePath());
        QCOMPARE(second.fileNameText, QStringLiteral("loop.Au"));
        QCOMPARE(picker.GetPathName(), PathFromQString(dir.filePath(QStringLiteral("loop.Au"))));
    }

    void realSavePickerCompletesAndAsks()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        Touch(dir.filePath(QStringLiteral("old.wav")));
        const std::string start = PathFromQString(dir.filePath(QStringLiteral("new")));
        CFileDialog save(false, "*.wav", start, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                         "WAV (*.wav)|*.wav||");
        Seen seen;
        WhenPickerOpens(seen, 1,
                        [](QFileDialog *dialog) { QMetaObject::invokeMethod(dialog, "accept"); });
        QCOMPARE(save.DoModal(), IDOK);
        QVERIFY(seen.confirmsOverwrite);
        QCOMPARE(seen.defaultSuffix, QStringLiteral("wav"));
        QCOMPARE(save.GetPathName(), PathFromQString(dir.filePath(QStringLiteral("new.wav"))));

        CFileDialog quiet(false, "*.wav", start, OFN_HIDEREADONLY, "WAV (*.wav)|*.wav||");
        Seen unasked;
        WhenPickerOpens(unasked, 1, [](QFileDialog *dialog) { dialog->reject(); });
        QCOMPARE(quiet.DoModal(), IDCANCEL);
        QVERIFY(!unasked.confirmsOverwrite);
    }

    void seamAnswersWithoutBlocking()
    {
        CDialog owner(kResources, 1);
        QVERIFY(owner.Create(1));
        CModalSeam::SetIntercepting(true);
        QCOMPARE(MessageBox(nullptr, "No or Invalid Parameters.", "Running."), IDOK);
        CModalSeam::QueueMessageBoxAnswer(IDCANCEL);
        QCOMPARE(owner.MessageBox("Failed.", "Error."), IDCANCEL);
        QCOMPARE(CModalSeam::PendingAnswers(), std::size_t(0));

        const std::vector<CShownMessageBox> &shown = CModalSeam::ShownMessageBoxes();
        QCOMPARE(shown.size(), std::size_t(2));
        QCOMPARE(shown[0].text, std::string("No or Invalid Parameters."));
        QCOMPARE(shown[0].caption, std::string("Running."));
        QCOMPARE(shown[0].pOwner, nullptr);
        QCOMPARE(shown[1].pOwner, &owner);
        QVERIFY(CModalSeam::ShownFileDialogs().empty());
        CModalSeam::Reset();
        QVERIFY(CModalSeam::ShownMessageBoxes().empty());
    }

    void realBoxHasOneOkButtonAndItsOwner()
    {
        SeenBox unowned;
        WhenBoxOpens(unowned);
        QCOMPARE(MessageBox(nullptr, "Text & <b>more</b>", "Caption"), IDOK);
        QCOMPARE(unowned.title, QStringLiteral("Caption"));
        QCOMPARE(unowned.text, QStringLiteral("Text & <b>more</b>"));
        QCOMPARE(unowned.buttons, 1);
        QCOMPARE(unowned.format, Qt::PlainText); // shown as given, never as markup
        QCOMPARE(unowned.icon, QMessageBox::NoIcon);
        QCOMPARE(unowned.parent, nullptr);

        CDialog owner(kResources, 1);
        QVERIFY(owner.Create(1));
        SeenBox owned;
        WhenBoxOpens(owned);
        QCOMPARE(owner.MessageBox("Failed to Convert File.", "Export Error."), IDOK);
        QCOMPARE(owned.parent, owner.GetSafeHwnd());
    }
};

QTEST_MAIN(TestModalSeam)
#include "tst_modal_seam.moc"
