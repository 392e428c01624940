// orvex-screenshot: renders one of Orvex's windows to a PNG file without a display, for the
// README and for checking layouts by eye. It runs under Qt's offscreen platform unless
// QT_QPA_PLATFORM says otherwise.
//
//   orvex-screenshot <window> <file.png> [--bare] [pick=<audio file>] [zoom=<from>-<to>]
//                    [select=<from>-<to>] [save=<wav file>] [click=<control id>]
//                    [<control id>=<text> ...]
//
// The window is made from its template as a modeless dialog, so its OnInitDialog runs as in
// the program; pick=FILE chooses FILE in the main window's open picker, which describes it as
// a user's pick does; zoom=0.4-0.45 shows that part of the file (as fractions of its length)
// in the waveform; select=0.25-0.5 drags the mouse over that part of the waveform (as
// fractions of its width); save=FILE converts it with Save As WAV, as a user would; click=ID
// clicks a button or check box (click=1015 normalises); each id=text then sets a control's text
// (for example 1003=WAV). Unless --bare
// is given, a plain title bar with the window's icon and caption is drawn above it, since the
// offscreen platform has no window manager to draw one.
#include "about_dlg.h"
#include "formats_help_dlg.h"
#include "importer_dialog.h"
#include "modal_seam.h"
#include "resource_ids.h"
#include "text_codec.h"
#include "waveform_view.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace {

struct ShotTarget
{
    const char *name;
    int templateId;
    std::function<std::unique_ptr<CDialog>()> make;
};

// The windows the tool knows; one line each.
const ShotTarget kTargets[] = {
        {"about", IDD_ABOUTBOX, [] { return std::make_unique<CAboutDlg>(); }},
        {"help", IDD_HELP_DIALOG, [] { return std::make_unique<CFormatsHelpDlg>(); }},
        {"main", IDD_IMPORTER_DIALOG, [] { return std::make_unique<CImporterDlg>(); }},
};

int Usage()
{
    std::fprintf(stderr,
                 "usage: orvex-screenshot <window> <file.png> [--bare] [id=text ...]\n"
                 "windows:");
    for (const ShotTarget &target : kTargets)
        std::fprintf(stderr, " %s", target.name);
    std::fprintf(stderr, "\n");
    return 2;
}

QPixmap WithTitleBar(const QPixmap &client, const QWidget &window)
{
    const int barHeight = window.fontMetrics().height() + 10;
    QPixmap framed(client.width() + 2, client.height() + barHeight + 1);
    framed.fill(window.palette().color(QPalette::Dark));
    QPainter painter(&framed);
    const QRect bar(1, 1, client.width(), barHeight - 1);
    painter.fillRect(bar, window.palette().color(QPalette::Highlight));
    const int iconSize = barHeight - 8;
    int textLeft = bar.left() + 6;
    if (!window.windowIcon().isNull()) {
        window.windowIcon().paint(&painter, QRect(textLeft, bar.top() + 4, iconSize, iconSize));
        textLeft += iconSize + 6;
    }
    painter.setPen(window.palette().color(QPalette::HighlightedText));
    painter.setFont(window.font());
    painter.drawText(QRect(textLeft, bar.top(), bar.width() - textLeft - 24, bar.height()),
                     Qt::AlignVCenter | Qt::AlignLeft, window.windowTitle());
    painter.drawText(QRect(bar.right() - 22, bar.top(), 20, bar.height()), Qt::AlignCenter,
                     QStringLiteral("\u00D7"));
    painter.drawPixmap(1, barHeight, client);
    return framed;
}

} // namespace

int main(int argc, char **argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    if (argc < 3)
        return Usage();

    const ShotTarget *target = nullptr;
    for (const ShotTarget &candidate : kTargets) {
        if (std::strcmp(candidate.name, argv[1]) == 0)
            target = &candidate;
    }
    if (target == nullptr)
        return Usage();

    std::unique_ptr<CDialog> dialog = target->make();
    if (!dialog->Create(target->templateId, nullptr)) {
        std::fprintf(stderr, "orvex-screenshot: window %s could not be made\n", target->name);
        return 1;
    }
    bool bare = false;
    for (int i = 3; i < argc; ++i) {
        const std::string setting = argv[i];
        if (setting == "--bare") {
            bare = true;
            continue;
        }
        const bool pick = setting.starts_with("pick=") || setting.starts_with("save=");
        if (pick || setting.starts_with("click=")) {
            // A picker is answered through the seam; the button runs the real handler.
            if (pick)
                CModalSeam::QueueFileAnswer(IDOK, setting.substr(5));
            const int id = !pick ? std::atoi(setting.c_str() + 6)
                    : setting[0] == 'p' ? IDC_BROWSE
                                        : IDC_SAVE_AS_WAV;
            auto *importer = dynamic_cast<CImporterDlg *>(dialog.get());
            auto *button = qobject_cast<QAbstractButton *>(dialog->GetDlgItem(id));
            if (importer == nullptr || button == nullptr || !button->isEnabled()) {
                std::fprintf(stderr, "orvex-screenshot: cannot %s here\n", setting.c_str());
                return 1;
            }
            button->click();
            while (importer->IsBusy())
                QApplication::processEvents(QEventLoop::AllEvents, 20);
            continue;
        }
        const bool zoom = setting.starts_with("zoom=");
        if (zoom || setting.starts_with("select=")) {
            auto *strip = dynamic_cast<CWaveformView *>(dialog->GetDlgItem(IDC_WAVEFORM));
            double from = 0, to = 0;
            if (strip == nullptr
                || std::sscanf(setting.c_str() + (zoom ? 5 : 7), "%lf-%lf", &from, &to) != 2) {
                std::fprintf(stderr, "orvex-screenshot: cannot %s here\n", setting.c_str());
                return 1;
            }
            if (zoom) { // the frames from one fraction of the file to another, read if need be
                const double frames = strip->Shown().view.span;
                strip->ShowFrames(uint64_t(from * frames), uint64_t((to - from) * frames));
                while (strip->IsReading())
                    QApplication::processEvents(QEventLoop::AllEvents, 20);
                continue;
            }
            // A drag with the left button, from one fraction of the strip's width to another.
            auto send = [&](QEvent::Type type, double fraction, Qt::MouseButtons held) {
                const QPointF at(fraction * (strip->width() - 1), strip->height() / 2.0);
                QMouseEvent event(type, at, strip->mapToGlobal(at), Qt::LeftButton, held,
                                  Qt::NoModifier);
                QApplication::sendEvent(strip, &event);
            };
            send(QEvent::MouseButtonPress, from, Qt::LeftButton);
            send(QEvent::MouseMove, to, Qt::LeftButton);
            send(QEvent::MouseButtonRelease, to, Qt::NoButton);
            continue;
        }
        const std::size_t equals = setting.find('=');
        char *end = nullptr;
        const long id = std::strtol(setting.c_str(), &end, 10);
        if (equals == std::string::npos || end != setting.c_str() + equals
            || !dialog->SetDlgItemText(static_cast<int>(id), setting.substr(equals + 1))) {
            std::fprintf(stderr, "orvex-screenshot: cannot set \"%s\"\n", setting.c_str());
            return 1;
        }
    }
    dialog->ShowWindow(SW_SHOW);
    for (int i = 0; i < 10; ++i) // the overview's last columns arrive as queued events
        QApplication::processEvents(QEventLoop::AllEvents, 20);

    QWidget *window = dialog->GetSafeHwnd();
    const QPixmap client = window->grab();
    const QPixmap shot = bare ? client : WithTitleBar(client, *window);
    if (!shot.save(QFile::decodeName(argv[2]), "PNG")) {
        std::fprintf(stderr, "orvex-screenshot: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
