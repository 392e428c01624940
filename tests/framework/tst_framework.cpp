// What the dialog tests cannot reach through the seam: Qt's real file picker (listing without
// regard to letter case, remembering the last choice), the filter string's odd ends, and the
// command line rebuilt from argv (start-up itself runs in the real-window test).
#include "file_dialog.h"
#include "qt_test_support.h"
#include "text_codec.h"
#include "win_app.h"

#include <QAbstractButton>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
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

    // Qt's own picker lists a pattern's files in any letter case, and starts each run where
    // the last one ended: its folder, file name and filter.
    void realPickerListsAndRemembers()
    {
        QTemporaryDir dir;
        for (const char *name : {"take.WAV", "song.wav", "notes.txt", "loop.Au"})
            QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
        CFileDialog open(true, "*.*", PathFromQString(dir.filePath("song.wav")), OFN_HIDEREADONLY,
                         "WAV (*.wav)|*.wav| AU (*.au)|*.au||");
        QStringList first, second;
        WhenPickerOpens(first, 2, [](QFileDialog *dialog) {
            // The user picks the AU entry, types loop.Au and presses Open.
            dialog->selectNameFilter(" AU (*.au)");
            dialog->findChild<QLineEdit *>("fileNameEdit")->clear();
            QTest::keyClicks(dialog->findChild<QLineEdit *>("fileNameEdit"), "loop.Au");
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QCOMPARE(open.DoModal(), IDOK);
        QCOMPARE(first, QStringList({"song.wav", "take.WAV"}));
        QCOMPARE(open.GetPathName(), PathFromQString(dir.filePath("loop.Au")));
        WhenPickerOpens(second, 1, [](QFileDialog *dialog) { dialog->reject(); });
        QCOMPARE(open.DoModal(), IDCANCEL);
        QCOMPARE(second, QStringList({"loop.Au"})); // in the folder, with the filter, it ended with
        QCOMPARE(open.GetPathName(), PathFromQString(dir.filePath("loop.Au")));
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
