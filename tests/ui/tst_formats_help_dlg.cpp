// CFormatsHelpDlg: template 132, the formats text shown whole, and the modeless life beside
// the importer window: created hidden, shown, hidden by OK, shown again as it was, one window
// only, gone with its parent. (Esc and close hide it the same way; see tst_dialog.)
#include "formats_help_dlg.h"
#include "resource_ids.h"
#include "resources.h"
#include "template_check.h"
#include "texts.h"

#include <QPushButton>

namespace {

const ExpectedControl kHelpLayout[] = {
        {IDOK, Look::DefaultButton, "OK", 230, 5, 50, 14},
        {IDC_FORMATS_TEXT, Look::Label, kFormatsHelpText, 15, 35, 260, 245},
        {-1, Look::Label, "The following input file formats are supported -", 15, 5, 80, 20},
        {-1, Look::Label,
         "Orvex uses the freeware library LibSndFile. (This list is from that documentation)", 15,
         280, 145, 20},
};

class CCountingHelpDlg : public CFormatsHelpDlg
{
public:
    bool OnInitDialog() override
    {
        ++m_nInits;
        return CFormatsHelpDlg::OnInitDialog();
    }
    int m_nInits = 0;
};

int HelpWindows()
{
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        count += w->windowTitle() == QStringLiteral("Help Dialog") ? 1 : 0;
    return count;
}

} // namespace

class TestFormatsHelpDlg : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { VERIFY_NO_WINDOW_LEAKED(); }

    void showsTheWholeFormatsText()
    {
        // Nineteen lines, each ending in a space and a line feed.
        const QStringList lines = QString::fromLatin1(kFormatsHelpText).split(u'\n');
        QCOMPARE(lines.size(), 20);
        QCOMPARE(lines.last(), QString());
        for (qsizetype i = 0; i < 19; ++i)
            QVERIFY2(lines[i].endsWith(u' ') && !lines[i].endsWith(QStringLiteral("  ")),
                     qPrintable(lines[i]));

        CDialog importer(OrvexResources(), IDD_IMPORTER_DIALOG);
        QVERIFY(importer.Create(IDD_IMPORTER_DIALOG));
        CFormatsHelpDlg help;
        QCOMPARE(help.m_strText, std::string());
        QVERIFY(help.Create(IDD_HELP_DIALOG, &importer));
        QVERIFY(!help.IsWindowVisible());
        QCOMPARE(help.GetSafeHwnd()->windowTitle(), QStringLiteral("Help Dialog"));
        QCOMPARE(help.GetSafeHwnd()->parentWidget(), importer.GetSafeHwnd());
        QCOMPARE(help.m_strText, std::string(kFormatsHelpText));
        // Also checks that the text fits its field, so it all shows at once.
        CHECK_LAYOUT(help, IDD_HELP_DIALOG, kHelpLayout);
        QCOMPARE(help.GetSafeHwnd()->focusWidget(), help.GetDlgItem(IDOK));
    }

    void hiddenAndShownAgainAsItWas()
    {
        CDialog importer(OrvexResources(), IDD_IMPORTER_DIALOG);
        QVERIFY(importer.Create(IDD_IMPORTER_DIALOG));
        CCountingHelpDlg help;
        QVERIFY(help.Create(IDD_HELP_DIALOG, &importer));
        QVERIFY(!help.Create(IDD_HELP_DIALOG, &importer)); // never a second window
        QWidget *window = help.GetSafeHwnd();
        for (int round = 0; round < 2; ++round) {
            help.ShowWindow(SW_SHOW);
            help.ShowWindow(SW_SHOW); // Help again: brought forward, still one window
            QVERIFY(help.IsWindowVisible());
            QCOMPARE(HelpWindows(), 1);
            qobject_cast<QPushButton *>(help.GetDlgItem(IDOK))->click();
            QVERIFY(!help.IsWindowVisible());
            QCOMPARE(help.GetSafeHwnd(), window);
            QCOMPARE(help.m_strText, std::string(kFormatsHelpText)); // OK read it back unchanged
            std::string shown;
            QVERIFY(help.GetDlgItemText(IDC_FORMATS_TEXT, shown));
            QCOMPARE(shown, std::string(kFormatsHelpText));
        }
        QCOMPARE(help.m_nInits, 1);

        // The importer window ends while the help window is shown: it goes too.
        help.ShowWindow(SW_SHOW);
        importer.DestroyWindow();
        QCOMPARE(help.GetSafeHwnd(), nullptr);
        QCOMPARE(HelpWindows(), 0);
    }
};

QTEST_MAIN(TestFormatsHelpDlg)
#include "tst_formats_help_dlg.moc"
