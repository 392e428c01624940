// The application start-up over QApplication, and the profile over QSettings.
#include "win_app.h"

#include "text_codec.h"
#include "wayland_seat.h"
#include "wnd.h"

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>

namespace {
CWinApp *currentApp = nullptr; // set by its constructor
} // namespace

CWinApp::CWinApp()
{
    currentApp = this;
}

CWinApp::~CWinApp()
{
    if (currentApp == this)
        currentApp = nullptr;
}

CWinApp *AfxGetApp()
{
    return currentApp;
}

void CWinApp::SetProfileName(std::string folder, std::string name)
{
    // Qt reads XDG_CONFIG_HOME when asked, so a test that points it elsewhere is obeyed.
    m_strProfilePath = PathFromQString(QStandardPaths::writableLocation(
                               QStandardPaths::GenericConfigLocation))
            + "/" + folder + "/" + name + ".conf";
}

int CWinApp::GetProfileInt(const std::string &section, const std::string &entry, int nDefault) const
{
    if (m_strProfilePath.empty())
        return nDefault;
    const QSettings profile(QStringFromPath(m_strProfilePath), QSettings::IniFormat);
    bool ok = false;
    const int value = profile.value(QStringFromText(section + "/" + entry)).toInt(&ok);
    return ok ? value : nDefault;
}

bool CWinApp::WriteProfileInt(const std::string &section, const std::string &entry, int nValue)
{
    if (m_strProfilePath.empty())
        return false;
    QSettings profile(QStringFromPath(m_strProfilePath), QSettings::IniFormat);
    profile.setValue(QStringFromText(section + "/" + entry), nValue);
    profile.sync();
    return profile.status() == QSettings::NoError;
}

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
    // Qt's own file picker would keep its history in a file under the user's configuration
    // folder; a settings folder that cannot exist keeps it from reading or writing one. The
    // profile names its file outright, so it is not affected.
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        for (QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope})
            QSettings::setPath(format, scope, QStringLiteral("/dev/null/no-settings"));
    // Qt 6.4's Wayland input methods read the compositor's seat without asking whether there is
    // one: under a compositor with none (a headless one) the program would crash as soon as an
    // empty text box showed its cursor. Without a seat there is no keyboard to compose text
    // with, so Qt is told to load no input method there.
    if (!qEnvironmentVariableIsSet("QT_IM_MODULE") && WaylandCompositorHasNoSeat())
        qputenv("QT_IM_MODULE", "none");
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
