// Orvex's three windows as their templates make them - every control where its dialog units
// put it, in tab order, each label showing its whole text - with the importer's menu, the
// About box's ways out, the formats help window's modeless life, and the pictures.
#include "about_dlg.h"
#include "formats_help_dlg.h"
#include "qt_test_support.h"
#include "resource_ids.h"
#include "resources.h"
#include "texts.h"

#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>

namespace {

// Checks the window against its own template: the client size, each control's name, place
// and size, visibility, whole text, and the tab order over the visible tab stops.
void CheckLayout(CDialog &dlg, int nIDTemplate)
{
    QWidget *window = dlg.GetSafeHwnd();
    const DialogTemplate *tmpl = dlg.GetResources().FindDialog(nIDTemplate);
    auto *client = window->findChild<QWidget *>(QStringLiteral("client"));
    QCOMPARE(client->size(), DialogRect(window, 0, 0, tmpl->cx, tmpl->cy).size());
    const QList<QWidget *> controls = client->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QCOMPARE(controls.size(), qsizetype(tmpl->controls.size()));
    QStringList tabOrder, chain;
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const ControlTemplate &item = tmpl->controls[size_t(i)];
        QWidget *control = controls[i];
        const QString where = QStringLiteral("%1 (%2)").arg(i).arg(item.text);
        QCOMPARE(control->objectName(),
                 item.id >= 0 ? CWnd::ControlName(item.id) : QStringLiteral("item%1").arg(i));
        QVERIFY2(control->isHidden() == !(item.style & WS_VISIBLE), qPrintable(where));
        const QRect rect = DialogRect(window, item.x, item.y, item.cx, item.cy);
        auto *label = qobject_cast<QLabel *>(control);
        if ((item.style & SS_TYPEMASK) == SS_BITMAP && item.cls == ControlClass::Static) {
            QCOMPARE(control->geometry(), QRect(rect.topLeft(), label->pixmap().size()));
            continue;
        }
        QVERIFY2(control->geometry() == rect, qPrintable(where));
        if (label && label->wordWrap())
            QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(where));
        else if (label)
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text())
                             <= label->contentsRect().width(),
                     qPrintable(where));
        if ((item.style & WS_TABSTOP) && (item.style & WS_VISIBLE))
            tabOrder << control->objectName();
    }
    QWidget *w = client->findChild<QWidget *>(tabOrder.value(0));
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->isEnabled())
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != client->findChild<QWidget *>(tabOrder.value(0)));
    QCOMPARE(chain, tabOrder);
    QCOMPARE(window->focusWidget(), client->findChild<QWidget *>(tabOrder.value(0)));
}

int HelpWindows()
{
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        count += w->windowTitle() == QStringLiteral("Help Dialog") ? 1 : 0;
    return count;
}

} // namespace

class TestWindows : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { VERIFY_NO_WINDOW_LEAKED(); }

    void importerWindowAndMenu()
    {
        CDialog dlg(OrvexResources(), IDD_IMPORTER_DIALOG);
        QVERIFY(dlg.Create(IDD_IMPORTER_DIALOG));
        QWidget *window = dlg.GetSafeHwnd();
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Vandrel File Importer"));
        QCOMPARE(window->windowType(), Qt::Window); // its own task-bar entry
        QVERIFY(!(window->windowFlags()
                  & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        CheckLayout(dlg, IDD_IMPORTER_DIALOG);
        QStringList menu;
        for (QAction *popup : window->findChild<QMenuBar *>()->actions()) {
            menu << popup->text();
            for (QAction *item : popup->menu()->actions())
                menu << (item->isSeparator() ? QStringLiteral("-")
                                             : item->text() + u' ' + item->data().toString());
        }
        QCOMPARE(menu,
                 QStringList({"File", "Save and Exit 32771", "-", "Exit 32772", "Help",
                              "Help 32774", "-", "About 32773"}));
    }

    void aboutBoxEndsByOkEnterAndEsc()
    {
        for (int way = 0; way < 3; ++way) {
            CAboutDlg about;
            bool laidOut = false;
            WhenModal([&] {
                CheckLayout(about, IDD_ABOUTBOX);
                laidOut = !QTest::currentTestFailed()
                        && about.GetSafeHwnd()->windowTitle() == QStringLiteral("About Orvex");
                QWidget *focus = about.GetSafeHwnd()->focusWidget();
                if (way == 0)
                    qobject_cast<QPushButton *>(about.GetDlgItem(IDOK))->click();
                else
                    QTest::keyClick(focus, way == 1 ? Qt::Key_Return : Qt::Key_Escape);
                if (about.IsWindowVisible())
                    about.EndDialog(99);
            });
            QCOMPARE(about.DoModal(), way == 2 ? IDCANCEL : IDOK);
            QVERIFY(laidOut);
        }
    }

    // Created hidden beside the importer window; shown, hidden by OK, Esc or close and shown
    // again as it was, one window only; gone with its parent.
    void helpWindowLivesBesideTheImporter()
    {
        CDialog importer(OrvexResources(), IDD_IMPORTER_DIALOG);
        QVERIFY(importer.Create(IDD_IMPORTER_DIALOG));
        CFormatsHelpDlg help;
        QVERIFY(help.Create(IDD_HELP_DIALOG, &importer));
        QVERIFY(!help.Create(IDD_HELP_DIALOG, &importer));
        QVERIFY(!help.IsWindowVisible());
        QWidget *window = help.GetSafeHwnd();
        QCOMPARE(window->parentWidget(), importer.GetSafeHwnd());
        CheckLayout(help, IDD_HELP_DIALOG); // the formats text fits its field whole
        for (int way = 0; way < 3; ++way) {
            QVERIFY(!help.ShowWindow(SW_SHOW));
            QVERIFY(help.ShowWindow(SW_SHOW)); // already shown: only brought forward
            QCOMPARE(HelpWindows(), 1);
            if (way == 0)
                qobject_cast<QPushButton *>(help.GetDlgItem(IDOK))->click();
            else if (way == 1)
                QTest::keyClick(window->focusWidget(), Qt::Key_Escape);
            else
                window->close();
            QVERIFY(!help.IsWindowVisible());
            QCOMPARE(help.GetSafeHwnd(), window);
            std::string shown;
            QVERIFY(help.GetDlgItemText(IDC_FORMATS_TEXT, shown));
            QCOMPARE(shown, std::string(kFormatsHelpText));
        }
        help.ShowWindow(SW_SHOW);
        importer.DestroyWindow();
        QCOMPARE(help.GetSafeHwnd(), nullptr);
        QCOMPARE(HelpWindows(), 0);
    }

    void stringAndPictures()
    {
        std::string text;
        QVERIFY(OrvexResources().LoadString(IDS_ABOUTBOX, text));
        QCOMPARE(text, std::string("&About Orvex..."));
        QVERIFY(!OrvexResources().LoadString(102, text));
        const QImage icon = OrvexResources().LoadIcon(IDI_ORVEX).pixmap(32, 32).toImage();
        QCOMPARE(icon.size(), QSize(32, 32));
        QSet<QRgb> colours;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                colours.insert(icon.pixel(x, y));
        QVERIFY(colours.size() <= 256);
        QCOMPARE(OrvexResources().LoadBitmap(IDB_ABOUT_PICTURE).size(), QSize(66, 98));
        QVERIFY(OrvexResources().LoadBitmap(IDI_ORVEX).isNull());
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
