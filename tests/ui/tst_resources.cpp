// Orvex's resources: template 102 of the importer window with menu 130, string 101, icon 134
// and bitmap 135. (Templates 100 and 132 are checked with their dialogs.)
#include "resource_ids.h"
#include "resources.h"
#include "template_check.h"

#include <QImage>
#include <QMenuBar>
#include <QSet>

namespace {

const ExpectedControl kImporterLayout[] = {
        {IDCANCEL, Look::Button, "Cancel", 260, 15, 50, 14},
        {IDC_IMPORT_FILE, Look::Edit, "", 55, 15, 175, 15},
        {-1, Look::Label, "Import File :", 10, 15, 40, 15},
        {IDC_BROWSE, Look::Button, "...", 235, 15, 20, 14},
        {-1, Look::Caption, "Format", 25, 40, 45, 10},
        {-1, Look::Caption, "Number of Samples", 5, 70, 65, 10},
        {-1, Look::Caption, "Channels", 25, 85, 45, 10},
        {-1, Look::Caption, "Bit Width", 25, 100, 45, 10},
        {-1, Look::Caption, "Sample Rate", 25, 55, 45, 10},
        {IDC_FORMAT, Look::Value, "Format", 75, 40, 75, 15},
        {IDC_SAMPLES, Look::Value, "Number of Samples", 75, 70, 75, 15},
        {IDC_CHANNELS, Look::Value, "Channels", 75, 85, 75, 15},
        {IDC_BIT_WIDTH, Look::Value, "Bit Width", 75, 100, 75, 15},
        {IDC_SAMPLE_RATE, Look::Value, "Sample Rate", 75, 55, 75, 15},
        {IDC_SAVE_AS, Look::DefaultButton, "Save As...", 255, 80, 60, 14, false},
        {IDC_CONVERT_AND_GO, Look::DefaultButton, "Convert and Go", 255, 60, 60, 14},
        {IDC_SAVE_AS_WAV, Look::DefaultButton, "Save As WAV", 255, 45, 60, 14},
};

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { VERIFY_NO_WINDOW_LEAKED(); }

    void importerTemplateAndMenu()
    {
        CDialog dlg(OrvexResources(), IDD_IMPORTER_DIALOG);
        QVERIFY(dlg.Create(IDD_IMPORTER_DIALOG));
        QWidget *window = dlg.GetSafeHwnd();
        QVERIFY(window->isVisible()); // visible when created
        QCOMPARE(window->windowTitle(), QStringLiteral("Vandrel File Importer"));
        QCOMPARE(window->windowType(), Qt::Window); // its own task-bar entry
        QVERIFY(!(window->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(dlg.GetSystemMenu(false) != nullptr);
        CHECK_LAYOUT(dlg, IDD_IMPORTER_DIALOG, kImporterLayout);
        QCOMPARE(window->focusWidget(), dlg.GetDlgItem(IDCANCEL));

        QStringList menu;
        for (QAction *popup : window->findChild<QMenuBar *>()->actions()) {
            menu << popup->text();
            for (QAction *item : popup->menu()->actions())
                menu << (item->isSeparator() ? QStringLiteral("-")
                                             : QStringLiteral("  %1 %2")
                                                       .arg(item->text())
                                                       .arg(item->data().toUInt()));
        }
        QCOMPARE(menu,
                 QStringList({"File", "  Save and Exit 32771", "-", "  Exit 32772", "Help",
                              "  Help 32774", "-", "  About 32773"}));
    }

    void stringAndPictures()
    {
        std::string text;
        QVERIFY(OrvexResources().LoadString(IDS_ABOUTBOX, text));
        QCOMPARE(text, std::string("&About Orvex..."));
        QVERIFY(!OrvexResources().LoadString(102, text));

        const QIcon icon = OrvexResources().LoadIcon(IDI_ORVEX);
        QCOMPARE(icon.availableSizes(), QList<QSize>{QSize(32, 32)});
        const QImage iconImage = icon.pixmap(32, 32).toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                colours.insert(iconImage.pixel(x, y));
        QVERIFY(colours.size() <= 256);

        const QPixmap bitmap = OrvexResources().LoadBitmap(IDB_ABOUT_PICTURE);
        QCOMPARE(bitmap.size(), QSize(66, 98));
        QVERIFY(!bitmap.hasAlphaChannel());
        QVERIFY(OrvexResources().LoadBitmap(IDI_ORVEX).isNull());
    }
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
