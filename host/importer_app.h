// CImporterApp: the application object. Its start-up builds the importer dialog, hands it
// the host's command line, runs it, and then ends the program: Orvex lives exactly as long
// as its one window.
#pragma once

#include "win_app.h"

class CImporterApp : public CWinApp
{
public:
    CImporterApp();
    ~CImporterApp() override;

    // Runs the importer dialog to its end; always false, so that the process ends then.
    bool InitInstance() override;

    // No commands of its own: the program has no help file for an F1 handler to open, and
    // the Help menu's formats window is its help.
    const CMessageMap *GetMessageMap() const override;
};
