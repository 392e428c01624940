// CWinApp: the application object. The program defines one global object of a class derived
// from it; RunApplication starts Qt, hands the object the argument text and calls its
// InitInstance once. A false InitInstance ends the process; a true one runs the event loop
// until the main window closes. Either way ExitInstance runs last, while Qt is still up, and
// gives the exit status. The object also keeps the program's profile: the few settings it
// remembers between runs.
#pragma once

#include "cmd_target.h"

#include <string>

class CWnd;

class CWinApp : public CCmdTarget
{
public:
    CWinApp(); // becomes the process's application object (AfxGetApp)
    ~CWinApp() override;

    virtual bool InitInstance() { return true; }
    // The place to let go of windows the object still holds. Returns the exit status.
    virtual int ExitInstance() { return 0; }

    // The profile: whole numbers under a section and an entry name, kept in the text file
    // $XDG_CONFIG_HOME/FOLDER/NAME.conf (~/.config without XDG_CONFIG_HOME). Until a name is
    // set nothing is read or written. An entry that is missing or not a number reads as
    // nDefault; a write that could not reach the file returns false.
    void SetProfileName(std::string folder, std::string name);
    int GetProfileInt(const std::string &section, const std::string &entry, int nDefault) const;
    bool WriteProfileInt(const std::string &section, const std::string &entry, int nValue);

    CWnd *m_pMainWnd = nullptr;
    // The arguments after the program's name as one text (see BuildCommandLine).
    std::string m_lpCmdLine;

private:
    std::string m_strProfilePath; // empty: no profile
};

// The application object, or null when the process has none (a test of a lone dialog).
CWinApp *AfxGetApp();

// Rebuilds one command-line text from separate arguments: every argument after the program's
// name is wrapped in double quotes and they are joined by single spaces, so any n arguments
// read back as n quoted tokens. A double quote inside an argument could not be read back,
// so it is left out. No arguments give an empty text.
std::string BuildCommandLine(int argc, const char *const *argv);

// Runs app as the process's application and returns ExitInstance's exit status.
int RunApplication(CWinApp &app, int argc, char **argv);
