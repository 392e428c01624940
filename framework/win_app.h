// CWinApp: the application object. The program defines one global object of a class derived
// from it; RunApplication starts Qt, hands the object the argument text and calls its
// InitInstance once. A false InitInstance ends the process; a true one runs the event loop
// until the main window closes. Either way ExitInstance runs last, while Qt is still up, and
// gives the exit status.
#pragma once

#include "cmd_target.h"

#include <string>

class CWnd;

class CWinApp : public CCmdTarget
{
public:
    CWinApp() = default;
    ~CWinApp() override = default;

    virtual bool InitInstance() { return true; }
    // The place to let go of windows the object still holds. Returns the exit status.
    virtual int ExitInstance() { return 0; }

    CWnd *m_pMainWnd = nullptr;
    // The arguments after the program's name as one text (see BuildCommandLine).
    std::string m_lpCmdLine;
};

// Rebuilds one command-line text from separate arguments: every argument after the program's
// name is wrapped in double quotes and they are joined by single spaces, so any n arguments
// read back as n quoted tokens. A double quote inside an argument could not be read back,
// so it is left out. No arguments give an empty text.
std::string BuildCommandLine(int argc, const char *const *argv);

// Runs app as the process's application and returns ExitInstance's exit status.
int RunApplication(CWinApp &app, int argc, char **argv);
