// The application start-up over QApplication.
#include "win_app.h"

#include "wnd.h"

#include <QApplication>
#include <QSettings>
#include <QWidget>

std::string BuildCommandLine(int argc, const char *const *argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += '"';
        for (const char *p = argv[i]; *p != '\0'; ++p) {
            if (*p != '"')
                line += *p;
        }
        line += '"';
    }
    return line;
}

int RunApplication(CWinApp &app, int argc, char **argv)
{
    // Taken before QApplication, which removes the arguments it understands (-style ...)
    // from argv: the host's parameters must arrive whatever they hold.
    app.m_lpCmdLine = BuildCommandLine(argc, argv);
    // The program reads and writes no settings. Qt's own file picker would keep its
    // history in a file under the user's configuration folder; a settings folder that
    // cannot exist keeps it from reading or writing one.
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        for (QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope})
            QSettings::setPath(format, scope, QStringLiteral("/dev/null/no-settings"));
    int qtArgc = argc;
    QApplication qtApp(qtArgc, argv);

    if (app.InitInstance()) {
        // Only now is the main window known to be alive; after a false InitInstance it may
        // have been a local object of InitInstance.
        QWidget *mainWindow = app.m_pMainWnd != nullptr ? app.m_pMainWnd->GetSafeHwnd() : nullptr;
        if (mainWindow != nullptr && mainWindow->isVisible())
            qtApp.exec();
    }
    app.m_pMainWnd = nullptr;
    return app.ExitInstance();
}
