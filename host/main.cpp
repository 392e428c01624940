// orvex: the window Vandrel starts with four parameters (the third being where to write
// the WAV file), or that a user starts on its own as a converter.
#include "importer_app.h"
#include "interrupt_cleanup.h"
#include "orvex_version.h"

#include <QByteArrayView>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {
// The one application object, created before start-up and destroyed at exit.
CImporterApp theApp;

constexpr char kNoDisplay[] = "orvex: there is no display to open the window on; "
                              "orvex-cli converts without one.\n";

// Qt ends the process with an abort and a page of advice when no window system can be
// reached (a display that is set but gone, over ssh say): one line of ours and an ordinary
// exit instead. The window system's own warnings are not the user's business.
void Messages(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg && text.contains(QStringLiteral("platform plugin"))) {
        std::fputs(kNoDisplay, stderr);
        std::_Exit(1);
    }
    if (type != QtFatalMsg && QByteArrayView(context.category).startsWith("qt.qpa"))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

int main(int argc, char **argv)
{
    const char *only = argc == 2 ? argv[1] : "";
    if (std::strcmp(only, "--help") == 0 || std::strcmp(only, "-h") == 0) {
        std::printf(
                "usage: orvex FIRST SECOND OUTPUT FOURTH   as Vandrel starts it: convert to "
                "OUTPUT\n"
                "       orvex [FILE]                       on its own: a converter, FILE picked\n"
                "       orvex --help | --version\n"
                "Opens the Vandrel File Importer window; see orvex(1). orvex-cli works without "
                "one.\n");
        return 0;
    }
    if (std::strcmp(only, "--version") == 0) {
        std::printf("orvex %s\n", ORVEX_VERSION_TEXT);
        return 0;
    }
    // Qt would pick a window system it cannot reach and abort; say so plainly instead.
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    if ((platform == nullptr || *platform == '\0') && std::getenv("DISPLAY") == nullptr
        && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        std::fputs(kNoDisplay, stderr);
        return 1;
    }
    // Ctrl-C or a kill during a conversion leaves no temporary file behind.
    orvex::RemoveTempFilesOnSignals();
    qInstallMessageHandler(Messages);
    QCoreApplication::setApplicationName(QStringLiteral("Orvex"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVEX_VERSION_TEXT));
    return RunApplication(theApp, argc, argv);
}
