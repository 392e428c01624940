// Orvex's three windows as their templates make them: every control where its dialog units
// put it, in tab order, each label showing its whole text; the size the importer window is left
// at, kept in the profile; the About box's ways out, and the formats help window's modeless
// life beside the importer window.
#include "about_dlg.h"
#include "formats_help_dlg.h"
#include "qt_test_support.h"
#include "resource_ids.h"
#include "resources.h"
#include "texts.h"
#include "win_app.h"

#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>

namespace {

// Dialog units to pixels, worked out here rather than by the framework: the average width
// of the 52 letters and the font height are a quarter and an eighth of them.
QRect DialogRect(const QWidget *window, int x, int y, int cx, int cy)
{
    const QFontMetrics metrics(window->font());
    const double baseX = qRound(
            metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")
            / 52.0);
    const double baseY = metrics.height();
    return QRect(qRound(x * baseX / 4), qRound(y * baseY / 8), qRound(cx * baseX / 4),
                 qRound(cy * baseY / 8));
}

// How a control looks and behaves, in words: greyed, reached by Tab, its text's place,
// wrapping and frame, read-only, its range.
QString Looks(const QWidget *w)
{
    QStringList looks
            = {w->isEnabled() ? "" : "greyed", w->focusPolicy() & Qt::TabFocus ? "tab" : ""};
    auto place = [&](Qt::Alignment a) {
        looks << (a & Qt::AlignRight             ? "right"
                          : a & Qt::AlignHCenter ? "centre"
                                                 : "left")
              << (a & Qt::AlignVCenter ? "middle" : "top");
    };
    if (auto *label = qobject_cast<const QLabel *>(w); label && label->pixmap().isNull()) {
        place(label->alignment());
        looks << (label->wordWrap() ? "wraps" : "")
              << (label->frameShadow() == QFrame::Sunken ? "sunken" : "")
              << (label->frameShape() == QFrame::WinPanel      ? "panel"
                          : label->frameShape() == QFrame::Box ? "box"
                                                               : "");
    }
    if (auto *edit = qobject_cast<const QLineEdit *>(w)) {
        place(edit->alignment());
        looks << (edit->hasFrame() ? "frame" : "") << (edit->isReadOnly() ? "read-only" : "");
    }
    if (auto *bar = qobject_cast<const QProgressBar *>(w))
        looks << QString("%1-%2").arg(bar->minimum()).arg(bar->maximum());
    looks.removeAll("");
    return looks.join(' ');
}

// Checks the window against its own template: the window's and the client's size, each control's
// name, place, size and visibility, that each label shows its whole text, and the tab order.
void CheckLayout(CDialog &dlg, int nIDTemplate)
{
    QWidget *window = dlg.GetSafeHwnd();
    const DialogTemplate *tmpl = dlg.GetResources().FindDialog(nIDTemplate);
    auto *client = window->findChild<QWidget *>("client");
    QCOMPARE(client->size(), DialogRect(window, 0, 0, tmpl->cx, tmpl->cy).size());
    // The window is its menu bar over the client area, with nothing around them.
    const auto *bar = window->findChild<QMenuBar *>();
    QCOMPARE(window->size(), client->size() + QSize(0, bar ? bar->height() : 0));
    const QList<QWidget *> controls = client->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QCOMPARE(controls.size(), qsizetype(tmpl->controls.size()));
    QStringList tabOrder, chain;
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const ControlTemplate &item = tmpl->controls[size_t(i)];
        auto *label = qobject_cast<QLabel *>(controls[i]);
        QRect rect = DialogRect(window, item.x, item.y, item.cx, item.cy);
        if (label && !label->pixmap().isNull())
            rect.setSize(label->pixmap().size()); // a picture takes its bitmap's size
        const bool fits = !label
                || (label->wordWrap() ? label->heightForWidth(label->width()) <= label->height()
                                      : label->fontMetrics().horizontalAdvance(label->text())
                                    <= label->contentsRect().width());
        QVERIFY2(controls[i]->objectName()
                                 == (item.id >= 0 ? CWnd::ControlName(item.id)
                                                  : QString("item%1").arg(i))
                         && controls[i]->isHidden() == !(item.style & WS_VISIBLE)
                         && controls[i]->geometry() == rect && fits,
                 item.text);
        if ((item.style & WS_TABSTOP) && (item.style & WS_VISIBLE))
            tabOrder << controls[i]->objectName();
    }
    QWidget *first = client->findChild<QWidget *>(tabOrder.value(0)), *w = first;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->isEnabled())
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != first);
    QCOMPARE(chain, tabOrder);
    QCOMPARE(window->focusWidget(), first);
}

int HelpWindows()
{
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        count += w->windowTitle() == "Help Dialog";
    return count;
}

} // namespace

class TestWindows : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { VERIFY_NO_WINDOW_LEAKED(); }

    void importerWindow()
    {
        CDialog dlg(OrvexResources(), IDD_IMPORTER_DIALOG);
        QVERIFY(dlg.Create(IDD_IMPORTER_DIALOG));
        QWidget *window = dlg.GetSafeHwnd();
        QVERIFY(window->isVisible() && window->windowType() == Qt::Window); // in the task bar
        QCOMPARE(window->windowTitle(), QStringLiteral("Vandrel File Importer"));
        // Maximisable and resizable, never smaller than its template, which it opens at.
        QCOMPARE(window->windowFlags()
                         & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint),
                 Qt::WindowMaximizeButtonHint);
        QVERIFY(window->size() == window->minimumSize() && window->maximumWidth() > 9999);
        CheckLayout(dlg, IDD_IMPORTER_DIALOG);
        // Captions right of their value fields, sunken and centred; texts that wrap; the
        // path box framed and editable; the progress bar in percent.
        const QString caption = "right middle", value = "centre middle sunken panel",
                      text = "left top wraps";
        QStringList looks;
        for (QWidget *w : window->findChild<QWidget *>("client")->findChildren<QWidget *>(
                     Qt::FindDirectChildrenOnly))
            looks << Looks(w);
        QCOMPARE(looks, (QStringList{text,    "tab left middle frame",
                                     "tab",   "tab",
                                     caption, value,
                                     text,    "tab",
                                     "tab",   caption,
                                     value,   "tab",
                                     caption, value,
                                     caption, value,
                                     caption, value,
                                     text,    "tab 0-100",
                                     "tab",   "tab",
                                     "tab",   "tab",
                                     text,    "tab right middle frame",
                                     text,    "tab"}));
    }

    // The size the importer window is left at is kept in the application's profile (only where
    // it is not the template's) and restored, never below the template's size nor beyond the
    // screen, maximised if it was.
    void importerWindowRemembersItsSize()
    {
        QTemporaryDir config;
        const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        CWinApp app;
        app.SetProfileName("Orvex", "orvex");
        CDialog dlg(OrvexResources(), IDD_IMPORTER_DIALOG);
        auto reopen = [&] {
            dlg.DestroyWindow();
            dlg.Create(IDD_IMPORTER_DIALOG);
            return dlg.GetSafeHwnd();
        };
        const QSize smallest = reopen()->size(), grown = smallest + QSize(120, 80);
        const QSize wave = dlg.GetDlgItem(IDC_WAVEFORM)->size();
        dlg.ShowWindow(SW_HIDE);
        QVERIFY(!QFile::exists(config.filePath("Orvex/orvex.conf")));
        dlg.ShowWindow(SW_SHOW);
        dlg.GetSafeHwnd()->resize(grown);
        dlg.ShowWindow(SW_HIDE);
        QCOMPARE(reopen()->size(), grown);
        QCOMPARE(dlg.GetDlgItem(IDC_WAVEFORM)->size(), wave + QSize(120, 80));
        app.WriteProfileInt("Dialog102", "Width", 10);
        app.WriteProfileInt("Dialog102", "Height", 99999);
        QWidget *window = reopen();
        QVERIFY(window->width() == smallest.width()
                && window->height() <= window->screen()->availableSize().height());
        window->showMaximized();
        dlg.ShowWindow(SW_HIDE);
        QVERIFY(reopen()->windowState() & Qt::WindowMaximized);
        dlg.DestroyWindow();
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.filePath("Orvex/orvex.conf")));
        app.SetProfileName("Orvex", "orvex"); // under a file, not a folder
        QVERIFY(!app.WriteProfileInt("Dialog102", "Width", 1));
        qputenv("XDG_CONFIG_HOME", configHome);
    }

    void aboutBoxEndsByOkEnterAndEsc()
    {
        // OK, then Return and Enter (the keypad's), then Esc.
        for (int key : {0, int(Qt::Key_Return), int(Qt::Key_Enter), int(Qt::Key_Escape)}) {
            CAboutDlg about;
            WhenModal([&] {
                CheckLayout(about, IDD_ABOUTBOX);
                if (key == 0)
                    qobject_cast<QPushButton *>(about.GetDlgItem(IDOK))->click();
                else
                    QTest::keyClick(about.GetSafeHwnd()->focusWidget(), Qt::Key(key));
                if (about.IsWindowVisible())
                    about.EndDialog(99);
            });
            QCOMPARE(about.DoModal(), key == Qt::Key_Escape ? IDCANCEL : IDOK);
        }
    }

    // Created hidden beside the importer window; shown, hidden by OK, Esc or close and shown
    // again as it was, one window only; gone with its parent.
    void helpWindowLivesBesideTheImporter()
    {
        CDialog importer(OrvexResources(), IDD_IMPORTER_DIALOG);
        QVERIFY(importer.Create(IDD_IMPORTER_DIALOG));
        CFormatsHelpDlg help;
        QVERIFY(help.Create(IDD_HELP_DIALOG, &importer)
                && !help.Create(IDD_HELP_DIALOG, &importer));
        QWidget *window = help.GetSafeHwnd();
        QVERIFY(!help.IsWindowVisible() && window->parentWidget() == importer.GetSafeHwnd());
        CheckLayout(help, IDD_HELP_DIALOG); // the formats text fits its field whole
        for (int way = 0; way < 3; ++way) {
            QVERIFY(!help.ShowWindow(SW_SHOW) && help.ShowWindow(SW_SHOW)); // the second raises it
            QCOMPARE(HelpWindows(), 1);
            if (way == 0)
                qobject_cast<QPushButton *>(help.GetDlgItem(IDOK))->click();
            else if (way == 1)
                QTest::keyClick(window->focusWidget(), Qt::Key_Escape);
            else
                window->close();
            std::string shown;
            QVERIFY(help.GetDlgItemText(IDC_FORMATS_TEXT, shown) && shown == kFormatsHelpText);
            QVERIFY(!help.IsWindowVisible() && help.GetSafeHwnd() == window);
        }
        help.ShowWindow(SW_SHOW);
        importer.DestroyWindow();
        QVERIFY(help.GetSafeHwnd() == nullptr && HelpWindows() == 0);
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
