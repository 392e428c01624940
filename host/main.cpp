// orvex: the window Vandrel starts with four parameters (the third being where to write
// the WAV file), or that a user starts on its own as a converter.
#include "importer_app.h"
#include "orvex_version.h"

#include <QCoreApplication>

namespace {
// The one application object, created before start-up and destroyed at exit.
CImporterApp theApp;
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("Orvex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVEX_VERSION_TEXT));
    return RunApplication(theApp, argc, argv);
}
