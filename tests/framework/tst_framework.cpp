// What the dialog tests cannot reach through the seam: Qt's real file pickers (listing
// without regard to letter case, remembering the last choice, asking before overwriting),
// the real message box, the filter string's odd ends, the system menu's two ways in, and
// the command line rebuilt from argv (start-up itself runs in the real-window test).
#include "dialog.h"
#include "file_dialog.h"
#include "message_box.h"
#include "qt_test_support.h"
#include "text_codec.h"
#include "win_app.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>

namespace {

const ControlTemplate kControls[] = {
        {ControlClass::Button, IDOK, "OK", 5, 5, 50, 14,
         BS_DEFPUSHBUTTON | WS_VISIBLE | WS_TABSTOP},
};
const DialogTemplate kDialogs[] = {
        {1, "Owner", 0, 0, 60, 24, DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0,
         "MS Sans Serif", 8, kControls},
};
const CResourceModule kResources{kDialogs, {}, {}, {}, {}};

// What the real picker showed once it listed `rows` entries; then act() ends the run.
struct Seen
{
    QStringList listed;
    int filterIndex = -1;
    QString folder, fileNameText, defaultSuffix;
    bool confirmsOverwrite = false;
};
void WhenPickerOpens(Seen &seen, int rows, std::function<void(QFileDialog *)> act)
{
    WhenModal([&seen, rows, act] {
        auto *picker = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (picker == nullptr)
            return;
        auto *model = picker->findChild<QFileSystemModel *>();
        const QModelIndex root = model->index(picker->directory().absolutePath());
        (void)QTest::qWaitFor([&] { return model->rowCount(root) >= rows; }); // read in the background
        for (int row = 0; row < model->rowCount(root); ++row)
            seen.listed << model->index(row, 0, root).data().toString();
        seen.listed.sort();
        seen.filterIndex = picker->findChild<QComboBox *>("fileTypeCombo")->currentIndex();
        seen.folder = picker->directory().absolutePath();
        seen.fileNameText = picker->findChild<QLineEdit *>("fileNameEdit")->text();
        seen.confirmsOverwrite = !picker->testOption(QFileDialog::DontConfirmOverwrite);
        seen.defaultSuffix = picker->defaultSuffix();
        act(picker);
    });
}

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
        QCOMPARE(ParseFileFilter("A|*.a|"), (List{{"A", "*.a"}})); // no closing bar
        QCOMPARE(ParseFileFilter("A|*.a|B"), (List{{"A", "*.a"}})); // B has no pattern
        QCOMPARE(ParseFileFilter("|*.a||"), List{});
        const std::pair<const char *, const char *> suffixes[]
                = {{"*.wav", "wav"}, {".wav", "wav"}, {"wav", "wav"},
                   {"*.*", ""},      {"*.w?v", ""},   {"", ""}};
        for (auto [setting, suffix] : suffixes)
            QCOMPARE(DefaultSuffixOf(setting), std::string(suffix));
    }

    void realPickersListRememberAndAsk()
    {
        QTemporaryDir dir;
        for (const char *name : {"take.WAV", "song.wav", "notes.txt", "loop.Au", "old.wav"})
            QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
        CFileDialog open(true, "*.*", PathFromQString(dir.filePath("song.wav")), OFN_HIDEREADONLY,
                         "WAV (*.wav)|*.wav| AU (*.au)|*.au||");
        Seen first, second;
        WhenPickerOpens(first, 3, [](QFileDialog *dialog) {
            // The user picks the AU entry, types loop.Au and presses Open.
            auto *types = dialog->findChild<QComboBox *>("fileTypeCombo");
            types->setCurrentIndex(1);
            emit types->activated(1);
            auto *name = dialog->findChild<QLineEdit *>("fileNameEdit");
            name->clear();
            QTest::keyClicks(name, "loop.Au");
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QCOMPARE(open.DoModal(), IDOK);
        QCOMPARE(first.listed, QStringList({"old.wav", "song.wav", "take.WAV"}));
        QCOMPARE(first.defaultSuffix, QString()); // "*.*" names no extension
        const std::string picked = PathFromQString(dir.filePath("loop.Au"));
        QCOMPARE(open.GetPathName(), picked);
        WhenPickerOpens(second, 1, [](QFileDialog *dialog) { dialog->reject(); });
        QCOMPARE(open.DoModal(), IDCANCEL);
        QCOMPARE(second.filterIndex, 1);
        QCOMPARE(second.listed, QStringList({"loop.Au"}));
        QCOMPARE(second.folder, QDir(dir.path()).absolutePath());
        QCOMPARE(second.fileNameText, QStringLiteral("loop.Au"));
        QCOMPARE(open.GetPathName(), picked); // a cancelled run changes nothing

        for (bool ask : {true, false}) {
            CFileDialog save(false, "*.wav", PathFromQString(dir.filePath("new")),
                             OFN_HIDEREADONLY | (ask ? OFN_OVERWRITEPROMPT : 0),
                             "WAV (*.wav)|*.wav||");
            Seen seen;
            WhenPickerOpens(seen, 3,
                            [](QFileDialog *d) { QMetaObject::invokeMethod(d, "accept"); });
            QCOMPARE(save.DoModal(), IDOK);
            QCOMPARE(seen.confirmsOverwrite, ask);
            QCOMPARE(seen.defaultSuffix, QStringLiteral("wav"));
            QCOMPARE(save.GetPathName(), PathFromQString(dir.filePath("new.wav")));
        }
    }

    void realBoxHasOneOkButtonAndItsOwner()
    {
        CDialog owner(kResources, 1);
        QVERIFY(owner.Create(1));
        for (CWnd *pOwner : {static_cast<CWnd *>(nullptr), static_cast<CWnd *>(&owner)}) {
            QMessageBox *seen = nullptr;
            int buttons = 0;
            QString title, text;
            QWidget *parent = nullptr;
            WhenModal([&] {
                seen = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (seen == nullptr)
                    return;
                buttons = int(seen->buttons().size());
                title = seen->windowTitle();
                text = seen->textFormat() == Qt::PlainText ? seen->text() : QString();
                parent = seen->parentWidget();
                seen->button(QMessageBox::Ok)->click();
            });
            QCOMPARE(MessageBox(pOwner, "Text & <b>more</b>", "Caption"), IDOK);
            QCOMPARE(buttons, 1);
            QCOMPARE(title, QStringLiteral("Caption"));
            QCOMPARE(text, QStringLiteral("Text & <b>more</b>")); // shown as given, not markup
            QCOMPARE(parent, pOwner ? owner.GetSafeHwnd() : nullptr);
        }
    }

    // A right click on the window and Alt+Space both open the system menu.
    void systemMenuOpensByMouseAndKey()
    {
        CDialog dlg(kResources, 1);
        QVERIFY(dlg.Create(1));
        dlg.ShowWindow(SW_SHOW);
        QWidget *window = dlg.GetSafeHwnd();
        QMenu *menu = dlg.GetSystemMenu(false)->GetSafeHmenu();
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5),
                                     window->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(window, &rightClick);
        QVERIFY(menu->isVisible());
        menu->hide();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, Qt::Key_Space, Qt::AltModifier);
        QVERIFY(menu->isVisible());
        menu->hide();
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
