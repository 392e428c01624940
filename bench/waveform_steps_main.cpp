// orvex-waveform-steps: how long the interface thread takes for each step of zooming and
// scrolling the waveform strip, offscreen, over the summary of a file, as make bench-window's
// zoom and scroll phases step: 26 notches of Ctrl+wheel in, 40 of the wheel along, then drags
// of 40 steps along the bar at three zooms. Each step is the event and the strip's repaint.
//   orvex-waveform-steps FILE [ROUNDS]
// It prints the median, 99th percentile and longest step. Under callgrind (valgrind
// --tool=callgrind --instr-atstart=no) only the steps are measured, each in a dump of its own,
// so that instruction counts compare without the noise of a shared machine.
#include "waveform_view.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#if __has_include(<valgrind/callgrind.h>)
#    include <valgrind/callgrind.h>
#else
#    define CALLGRIND_START_INSTRUMENTATION
#    define CALLGRIND_DUMP_STATS
#endif

int main(int argc, char **argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvex-waveform-steps FILE [ROUNDS]\n");
        return 2;
    }
    auto summary = std::make_shared<CWaveformSummary>();
    if (AudioError e = CWaveformOverview::Compute(argv[1], *summary, nullptr);
        e != AudioError::None) {
        std::fprintf(stderr, "orvex-waveform-steps: %s\n", AudioErrorText(e));
        return 1;
    }
    CWaveformView view(nullptr); // the size the window gives it
    view.resize(430, 104);
    view.SetLength(summary->Frames(), 44100);
    view.SetSource(argv[1], summary);
    view.SetPlayhead(0);
    view.show();
    QImage image(view.size(), QImage::Format_RGB32);
    std::vector<double> ms;
    CALLGRIND_START_INSTRUMENTATION;
    auto step = [&](QEvent &&event) {
        const auto start = std::chrono::steady_clock::now();
        QApplication::sendEvent(&view, &event);
        view.render(&image);
        ms.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                        .count());
        CALLGRIND_DUMP_STATS;
        QApplication::processEvents(); // reads that landed, outside the steps
    };
    auto wheel = [&](int notches, Qt::KeyboardModifiers modifiers) {
        const QPointF at(215, 50);
        step(QWheelEvent(at, at, {}, QPoint(0, 120 * notches), Qt::NoButton, modifiers,
                         Qt::NoScrollPhase, false));
    };
    auto mouse = [&](QEvent::Type type, double x) {
        const QPointF at(x, 101); // on the bar
        step(QMouseEvent(type, at, at, Qt::LeftButton,
                         type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {}));
    };
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    for (int round = 0; round < rounds; ++round) {
        while (view.Shown().view.span < summary->Frames())
            wheel(-1, Qt::ControlModifier);
        for (int i = 0; i < 26; ++i)
            wheel(1, Qt::ControlModifier);
        for (int i = 0; i < 40; ++i)
            wheel(-1, {});
        for (int out : {0, 10, 8}) {
            for (int i = 0; i < out; ++i)
                wheel(-1, Qt::ControlModifier);
            mouse(QEvent::MouseButtonPress, 2);
            for (int i = 1; i <= 40; ++i)
                mouse(QEvent::MouseMove, 2 + 426.0 * i / 40);
            mouse(QEvent::MouseButtonRelease, 428);
        }
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%zu steps: median %.2f ms, 99%% %.2f ms, longest %.2f ms\n", ms.size(),
                ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back());
    return 0;
}
