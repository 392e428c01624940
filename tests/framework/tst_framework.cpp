// What the dialog tests cannot reach through the seam: Qt's real file picker (listing without
// regard to letter case, remembering the last choice), the filter string's odd ends, the
// command line rebuilt from argv (start-up itself runs in the real-window test), and a dialog
// built from a template of the test's own.
#include "accessibility.h"
#include "dialog.h"
#include "dialog_units.h"
#include "file_dialog.h"
#include "qt_test_support.h"
#include "text_codec.h"
#include "win_app.h"

#include <QAbstractButton>
#include <QAccessibleTextInterface>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTemporaryDir>

namespace {

// Reads the real picker once it lists `rows` entries of its folder, then lets act() end it.
void WhenPickerOpens(QStringList &listed, int rows, std::function<void(QFileDialog *)> act)
{
    WhenModal([&listed, rows, act] {
        auto *picker = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        auto *model = picker->findChild<QFileSystemModel *>();
        const QModelIndex root = model->index(picker->directory().absolutePath());
        (void)QTest::qWaitFor(
                [&] { return model->rowCount(root) >= rows; }); // read in the background
        for (int row = 0; row < model->rowCount(root); ++row)
            listed << model->index(row, 0, root).data().toString();
        listed.sort();
        act(picker);
    });
}

// A dialog whose texts move through the controls `bound` names.
struct CBoundDialog : CDialog
{
    using CDialog::CDialog;
    std::vector<int> bound;
    std::string texts[2] = {"shown", "typed"};
    void DoDataExchange(CDataExchange *pDX) override
    {
        for (size_t i = 0; i < bound.size(); ++i)
            DDX_Text(pDX, bound[i], texts[i % 2]);
    }
};

} // namespace

class TestFramework : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { VERIFY_NO_WINDOW_LEAKED(); }

    void filterStringsAndSuffixes()
    {
        using List = std::vector<CFileFilter>;
        QCOMPARE(ParseFileFilter("Both|*.a;*.b| B|*.b||"),
                 (List{{"Both", "*.a;*.b"}, {" B", "*.b"}}));
        QCOMPARE(ParseFileFilter("A|*.a|B"), (List{{"A", "*.a"}})); // B has no pattern
        QCOMPARE(ParseFileFilter("|*.a||"), List{});
        for (auto [setting, suffix] : {std::pair{"*.wav", "wav"},
                                       {".wav", "wav"},
                                       {"wav", "wav"},
                                       {"*.*", ""},
                                       {"*.w?v", ""}})
            QCOMPARE(DefaultSuffixOf(setting), std::string(suffix));
    }

    // Qt's own picker lists a pattern's files in any letter case, and its types as they were
    // given; it starts each run where the last one ended: its folder, file name and filter.
    void realPickerListsAndRemembers()
    {
        QTemporaryDir dir;
        for (const char *name : {"take.WAV", "song.wav", "notes.txt", "loop.Au"})
            QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
        CFileDialog open(true, "*.*", PathFromQString(dir.filePath("song.wav")), OFN_HIDEREADONLY,
                         " WAV (*.wav)|*.wav| AU (*.au)|*.au||");
        QStringList first, second, types;
        WhenPickerOpens(first, 2, [&types](QFileDialog *dialog) {
            const auto *combo = dialog->findChild<QComboBox *>("fileTypeCombo");
            for (int i = 0; i < combo->count(); ++i)
                types << combo->itemText(i);
            // The user picks the AU entry, types loop.Au and presses Open.
            dialog->selectNameFilter(" AU (*.au)");
            dialog->findChild<QLineEdit *>("fileNameEdit")->clear();
            QTest::keyClicks(dialog->findChild<QLineEdit *>("fileNameEdit"), "loop.Au");
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QCOMPARE(open.DoModal(), IDOK);
        QCOMPARE(first, QStringList({"song.wav", "take.WAV"}));
        QCOMPARE(types, QStringList({" WAV (*.wav)", " AU (*.au)"})); // as given, not trimmed
        QCOMPARE(open.GetPathName(), PathFromQString(dir.filePath("loop.Au")));
        WhenPickerOpens(second, 1, [](QFileDialog *dialog) { dialog->reject(); });
        QCOMPARE(open.DoModal(), IDCANCEL);
        QCOMPARE(second, QStringList({"loop.Au"})); // in the folder, with the filter, it ended with
        QCOMPARE(open.GetPathName(), PathFromQString(dir.filePath("loop.Au")));
    }

    // A template's controls sit at their places in dialog units, just below the menu bar,
    // named by the caption that ends nearest before them on their row, an edit box framed
    // only where its template says so; texts move both ways between members and controls that
    // hold text, and an exchange with a control that holds none fails; a menu command is
    // greyed by its number alone. Of the texts, only one with a border is a value field;
    // captions, pictures and an empty text are plain. A value field is read from its start.
    void aTemplateMakesTheDialog()
    {
        const MenuItemTemplate commands[] = {{"&One", 101}, {"", 0, MF_SEPARATOR}, {"&Two", 102}};
        const PopupTemplate popups[] = {{"&File", commands}};
        const MenuTemplate menus[] = {{7, popups}};
        using enum ControlClass;
        const ControlTemplate controls[]
                = {{Edit, 202, "", 40, 20, 60, 12, WS_VISIBLE}, // named, though first
                   {Static, 201, "", 40, 7, 60, 10, WS_BORDER | WS_VISIBLE},
                   {Static, -1, "&Name:", 12, 20, 26, 8},
                   {Static, -1, "Far:", 0, 20, 10, 8},
                   {Static, -1, "", 38, 20, 1, 8}, // no caption: empty
                   {Static, -1, "x", 39, 20, 1, 8, SS_BITMAP}, // a picture
                   {Static, -1, "dB below full scale", 102, 20, 70, 8},
                   {Progress, 203, "", 40, 35, 60, 8, WS_VISIBLE}};
        const DialogTemplate dialogs[] = {
                {5, "Test", 0, 0, 180, 50, WS_VISIBLE | WS_CAPTION, 0, 7, "", 8, controls}};
        const CResourceModule module{dialogs, menus, {}, {}, {}};
        CBoundDialog dlg(module, 5);
        QVERIFY(dlg.Create(5));
        QWidget *window = dlg.GetSafeHwnd(), *edit = dlg.GetDlgItem(202);
        const auto buttons = Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint;
        QVERIFY(!(window->windowFlags() & buttons)); // its style names none
        const QRect place = CDialogUnits::FromFont(window->font()).MapRect(40, 20, 60, 12);
        QCOMPARE(QRect(edit->mapTo(window, QPoint()), edit->size()),
                 place.translated(0, window->findChild<QMenuBar *>()->height()));
        QVERIFY(edit->accessibleName() == "Name" && !qobject_cast<QLineEdit *>(edit)->hasFrame());
        QList<QWidget *> values; // the bordered text alone is a value field
        for (QLabel *label : window->findChildren<QLabel *>())
            if (dynamic_cast<CStaticText *>(label))
                values.push_back(label);
        QCOMPARE(values, QList{dlg.GetDlgItem(201)});
        window->activateWindow(); // a click on a text or a progress bar leaves the focus alone
        QVERIFY(QTest::qWaitForWindowActive(window));
        edit->setFocus();
        for (int passive : {201, 203})
            QTest::mouseClick(dlg.GetDlgItem(passive), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), edit);
        dlg.bound = {201, 202};
        QVERIFY(dlg.UpdateData(false) && qobject_cast<QLineEdit *>(edit)->text() == "typed");
        const auto *value
                = QAccessible::queryAccessibleInterface(dlg.GetDlgItem(201))->textInterface();
        QVERIFY(value->cursorPosition() == 0 && value->text(0, value->characterCount()) == "shown");
        qobject_cast<QLineEdit *>(edit)->setText("changed");
        QVERIFY(dlg.UpdateData(true) && dlg.texts[0] == "shown" && dlg.texts[1] == "changed");
        dlg.bound = {203}; // a progress bar holds no text
        QVERIFY(!dlg.UpdateData(false) && !dlg.UpdateData(true));
        dlg.EnableMenuItem(102, false, "Not now");
        const auto items = window->findChild<QMenuBar *>()->actions()[0]->menu()->actions();
        QVERIFY(items[0]->isEnabled() && !items[2]->isEnabled() && items[2]->toolTip() == "Not now");
        dlg.EndDialog(IDCANCEL);
    }

    // Every argument becomes one quoted token, whatever it holds; a quote inside one
    // could not be read back as part of it, so it is left out.
    void commandLineFromArgv()
    {
        const char *const argv[] = {"orvex", "-reverse", "b c", "", "say \"hi\"", " x\ty"};
        QCOMPARE(BuildCommandLine(1, argv), std::string());
        QCOMPARE(BuildCommandLine(6, argv),
                 std::string("\"-reverse\" \"b c\" \"\" \"say hi\" \" x\ty\""));
    }
};

QTEST_MAIN(TestFramework)
#include "tst_framework.moc"
