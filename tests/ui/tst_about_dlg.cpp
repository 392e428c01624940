// CAboutDlg: template 100 with the name and version, the three notice lines and the picture,
// run modally and ended by OK, Enter (OK is the default button) or Esc.
#include "about_dlg.h"
#include "resource_ids.h"
#include "template_check.h"
#include "texts.h"

#include <QPushButton>

namespace {

const ExpectedControl kAboutLayout[] = {
        {-1, Look::Label, "Orvex Version 1.0", 40, 10, 119, 8},
        {-1, Look::Label, kAboutCopyrightLine, 40, 25, 155, 10},
        {IDOK, Look::DefaultButton, "OK", 178, 7, 50, 14},
        {-1, Look::Label, kAboutPurposeLine, 40, 40, 155, 10},
        {-1, Look::Label, kAboutLibraryLine, 40, 55, 155, 20},
        {-1, Look::Picture, "", 205, 30, 66, 98},
};

} // namespace

class TestAboutDlg : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { VERIFY_NO_WINDOW_LEAKED(); }

    void showsVersionNoticesAndPicture()
    {
        QVERIFY(QString::fromLatin1(kAboutCopyrightLine).contains(u"Orvex authors"));
        QVERIFY(QString::fromLatin1(kAboutPurposeLine).contains(u"Vandrel"));
        QVERIFY(QString::fromLatin1(kAboutLibraryLine).contains(u"libsndfile"));
        QVERIFY(QString::fromLatin1(kAboutLibraryLine).contains(u"LGPL 2.1 or later"));

        CAboutDlg about;
        QVERIFY(about.Create(IDD_ABOUTBOX));
        QCOMPARE(about.GetSafeHwnd()->windowTitle(), QStringLiteral("About Orvex"));
        CHECK_LAYOUT(about, IDD_ABOUTBOX, kAboutLayout);
        QCOMPARE(about.GetResources().FindDialog(IDD_ABOUTBOX)->controls[0].style & SS_NOPREFIX,
                 SS_NOPREFIX);
        QCOMPARE(about.GetResources().FindDialog(IDD_ABOUTBOX)->controls[2].style & WS_GROUP,
                 WS_GROUP);
    }

    void modalRunEnds_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<int>("expected");
        QTest::newRow("OK") << "ok" << IDOK;
        QTest::newRow("Enter") << "enter" << IDOK;
        QTest::newRow("Esc") << "esc" << IDCANCEL;
    }
    void modalRunEnds()
    {
        QFETCH(QString, way);
        QFETCH(int, expected);
        CAboutDlg about;
        bool modalWithFocusOnOk = false;
        WhenModal([&] {
            QWidget *window = about.GetSafeHwnd();
            modalWithFocusOnOk = QApplication::activeModalWidget() == window
                    && window->focusWidget() == about.GetDlgItem(IDOK);
            if (way == "ok")
                qobject_cast<QPushButton *>(about.GetDlgItem(IDOK))->click();
            else if (way == "enter")
                QTest::keyClick(window->focusWidget(), Qt::Key_Return);
            else
                QTest::keyClick(window->focusWidget(), Qt::Key_Escape);
            if (window->isVisible())
                about.EndDialog(99);
        });
        QCOMPARE(about.DoModal(), expected);
        QVERIFY(modalWithFocusOnOk);
        QCOMPARE(about.GetSafeHwnd(), nullptr);
    }
};

QTEST_MAIN(TestAboutDlg)
#include "tst_about_dlg.moc"
