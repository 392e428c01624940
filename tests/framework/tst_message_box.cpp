// Message boxes: answered by the seam without blocking, and Qt's real box with its caption,
// text, single OK button and owner.
#include "dialog.h"
#include "message_box.h"
#include "modal_seam.h"
#include "qt_test_support.h"

#include <QAbstractButton>
#include <QMessageBox>

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

class TestMessageBox : public QObject
{
    Q_OBJECT

private slots:
    void init() { CModalSeam::Reset(); }
    void cleanup()
    {
        CModalSeam::Reset();
        VERIFY_NO_WINDOW_LEAKED();
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

QTEST_MAIN(TestMessageBox)
#include "tst_message_box.moc"
