// CWaveformView (see waveform_view.h): what the strip shows, where its columns come from and
// how it is drawn. How it is driven is in waveform_input.cpp.
#include "waveform_view.h"

#include "audio_file_info.h"

#include <QPainter>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <mutex>

namespace {

// The rows below the lanes: a gap, the bar that shows where the view lies, a gap.
constexpr int kBarHeight = 3;
constexpr int kBarSpace = kBarHeight + 3;

// Relative luminance and contrast ratio, as WCAG defines them.
double Luminance(const QColor &c)
{
    auto linear = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double Contrast(const QColor &a, const QColor &b)
{
    const double x = Luminance(a), y = Luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// A one-pixel frame just inside `r`. The strip's own frame leaves the columns between it.
void Frame(QPainter &painter, const QRect &r, const QColor &colour)
{
    painter.fillRect(r.left(), r.top(), r.width(), 1, colour);
    painter.fillRect(r.left(), r.bottom(), r.width(), 1, colour);
    painter.fillRect(r.left(), r.top(), 1, r.height(), colour);
    painter.fillRect(r.right(), r.top(), 1, r.height(), colour);
}

} // namespace

// The file read for a view, kept open between reads: one read at a time uses it.
struct CWaveformView::ReadState
{
    explicit ReadState(const std::string &path)
        : reader(path)
    { }
    std::mutex lock;
    CWaveformReader reader;
    // The number of the newest view asked for: a read of an older one stops.
    std::atomic<uint64_t> newest{0};
};

CWaveformView::~CWaveformView()
{
    if (m_read) // a read under way stops at its next block
        ++m_read->newest;
}

void CWaveformView::Clear()
{
    SetSelection({});
    SetSource("", nullptr);
    SetLength(0, 0);
    SetPlayhead(-1);
}

void CWaveformView::SetLength(uint64_t frames, uint32_t rate)
{
    m_frames = frames;
    m_rate = rate;
    m_first = 0;
    m_span = frames;
    Recompute();
}

void CWaveformView::SetSource(const std::string &path,
                              std::shared_ptr<const CWaveformSummary> summary)
{
    if (m_read)
        ++m_read->newest;
    m_readJob.Abandon();
    m_summary = std::move(summary);
    m_read = m_summary ? std::make_shared<ReadState>(path) : nullptr;
    m_requested = {};
    m_drawn = {};
    Recompute();
}

void CWaveformView::Refresh()
{
    Recompute();
}

void CWaveformView::SetLevel(double gain, bool mayClip)
{
    m_gain = gain;
    m_bMayClip = mayClip;
    update();
}

void CWaveformView::ShowFrames(uint64_t first, uint64_t span)
{
    const uint64_t deepest = std::max<uint64_t>(1, ColumnsInside() / kMaxColumnsPerFrame);
    span = std::clamp(span, std::min(deepest, m_frames), m_frames);
    m_first = std::min(first, m_frames - span);
    m_span = span;
    Recompute();
}

void CWaveformView::Recompute()
{
    update();
    const WaveformSpan view = View();
    if (!m_summary || m_span == 0) {
        m_drawn = {};
        return;
    }
    // Whole exact columns stand until the view changes: those read from the file for it too.
    if (m_drawn.exact && m_drawn.view == view && m_drawn.ready == view.columns)
        return;
    const std::optional<uint32_t> ready = m_summary->Columns(view, m_drawn.columns, m_drawn.exact);
    if (!ready) { // the overview is adding to the summary this very moment: again shortly
        if (!(m_drawn.view == view))
            m_drawn = {view, {}};
        QTimer::singleShot(5, this, [this] { Recompute(); });
        return;
    }
    m_drawn.view = view;
    m_drawn.ready = *ready;
    if (m_drawn.exact || view == m_requested)
        return;
    m_requested = view;
    ++m_read->newest;
    ReadNewest();
}

void CWaveformView::ReadNewest()
{
    // A read under way is not abandoned, which would wait on a lock its thread, running below
    // the interface's priority, may hold on a busy machine: it stops at its next block, and
    // the newest view is read when it has. The reader goes on from where it stopped.
    if (m_readJob.IsRunning())
        return;
    struct Result
    {
        bool read = false;
        std::vector<OverviewColumn> columns;
    };
    auto result = std::make_shared<Result>();
    const WaveformSpan view = m_requested;
    m_readJob.Start(
            [read = m_read, view, number = m_read->newest.load(),
             result](const CBackgroundJob::Report &) {
                auto goOn = [&] { return read->newest == number; };
                std::lock_guard<std::mutex> hold(read->lock);
                result->read = goOn() && read->reader.Read(view, result->columns, goOn);
            },
            nullptr,
            [this, view, result] {
                if (result->read && View() == view) {
                    m_drawn = {view, std::move(result->columns), view.columns, true};
                    update();
                }
                if (!(view == m_requested))
                    ReadNewest();
            });
}

void CWaveformView::SetPlayhead(double fraction)
{
    if (fraction == m_playhead)
        return;
    const uint64_t was = PlayFrame();
    const bool wasShown = m_playhead >= 0 && was >= m_first && was < m_first + m_span;
    m_playhead = fraction;
    update();
    // A play position that leaves the view, as the sound moves on, takes the view with it.
    if (wasShown) {
        const uint64_t now = PlayFrame();
        if (now >= m_first + m_span)
            ScrollTo(now);
        else
            KeepInView(now);
    }
}

void CWaveformView::SetSelection(Selection selection)
{
    m_selection = selection;
    m_anchor = selection.first;
    update();
}

double CWaveformView::XOf(uint64_t frame) const
{
    const double columns = ColumnsInside();
    return 1
            + std::floor((double(frame) - double(m_first)) * columns
                         / double(std::max<uint64_t>(m_span, 1)));
}

uint64_t CWaveformView::PlayFrame() const
{
    return uint64_t(std::llround(std::max(m_playhead, 0.0) * double(m_frames)));
}

int CWaveformView::BarTop() const
{
    return height() - kBarSpace + 1;
}

double CWaveformView::LengthSeconds() const
{
    return m_rate > 0 ? double(m_frames) / m_rate : 0;
}

double CWaveformView::PositionSeconds() const
{
    return std::max(m_playhead, 0.0) * LengthSeconds();
}

std::string CWaveformView::Description() const
{
    if (m_rate == 0)
        return "No file";
    std::string text = "Duration " + DurationText(m_frames, m_rate) + ", play position "
            + DurationText(PlayFrame(), m_rate);
    if (!m_selection.Empty())
        text += ", selection " + DurationText(m_selection.first, m_rate) + " to "
                + DurationText(m_selection.end, m_rate);
    return text;
}

QColor CWaveformView::SelectionColour() const
{
    // Black or white, whichever stands out more from both the waveform and the background.
    const QColor wave = palette().color(QPalette::Highlight),
                 base = palette().color(QPalette::Base);
    auto least = [&](const QColor &c) { return std::min(Contrast(c, wave), Contrast(c, base)); };
    return least(Qt::black) >= least(Qt::white) ? QColor(Qt::black) : QColor(Qt::white);
}

// Everything is drawn as solid rectangles: Qt's raster engine fills those on this thread,
// where a long line is split over Qt's global thread pool, and then waits for threads that a
// busy machine may not run for a while.
void CWaveformView::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    const QColor base = palette().color(QPalette::Base),
                 wave = palette().color(QPalette::Highlight);
    painter.fillRect(rect(), base);
    Frame(painter, rect(), palette().color(QPalette::Mid));
    const int columns = int(ColumnsInside()), bottom = height() - kBarSpace;
    const int lanes = int(m_summary ? m_summary->Lanes() : 1), laneHeight = bottom / lanes;
    // The selection is drawn over the waveform, so that it shows on loud material too: the
    // waveform in its colour, and a band of it along the top and the bottom.
    const QColor mark = SelectionColour();
    int left = 0, right = -1; // the selected columns' pixels, inclusive
    if (!m_selection.Empty() && m_span > 0 && m_selection.first < m_first + m_span
        && m_selection.end > m_first) {
        left = int(std::max(1.0, XOf(m_selection.first)));
        right = int(std::min(
                double(columns),
                std::max({double(left), XOf(m_selection.end - 1), XOf(m_selection.end) - 1})));
    }
    for (int lane = 0; lane < lanes; ++lane) {
        const int top = lane * laneHeight, middle = top + laneHeight / 2;
        // A sample's place in its lane: the full 16-bit range spans the lane's height.
        auto y = [&](double v) {
            return middle - int(std::clamp(v, -32768.0, 32767.0)) * (laneHeight / 2 - 1) / 32768;
        };
        painter.fillRect(1, middle, columns, 1, palette().color(QPalette::Midlight));
        for (int x = 0; x < int(m_drawn.ready) && x < columns; ++x) {
            const OverviewColumn &column = m_drawn.columns[size_t(x)];
            const double highest = column.max[lane] * m_gain, lowest = column.min[lane] * m_gain;
            const int high = y(highest), low = y(lowest);
            const bool selected = x + 1 >= left && x + 1 <= right;
            const bool clipped
                    = m_bMayClip && (column.clipped > 0 || highest > 32767 || lowest < -32768);
            painter.fillRect(x + 1, high, 1, low - high + 1,
                             clipped            ? kClipColour
                                     : selected ? mark
                                                : wave);
        }
    }
    if (right >= left) {
        painter.fillRect(left, 1, right - left + 1, 2, mark);
        painter.fillRect(left, bottom - 2, right - left + 1, 2, mark);
    }
    if (m_playhead >= 0) { // just before the play frame's column, so that it hides none at 0
        const double x = XOf(PlayFrame()) - 1;
        if (x >= 0 && x <= columns)
            painter.fillRect(int(x), 0, 1, bottom, palette().color(QPalette::Text));
    }
    if (Zoomed()) { // where the view lies in the file
        const double scale = double(columns) / double(m_frames);
        const int from = 1 + int(double(m_first) * scale);
        const int to = std::max(from + 4, 1 + int(double(m_first + m_span) * scale));
        painter.fillRect(1, BarTop(), columns, kBarHeight, palette().color(QPalette::Midlight));
        painter.fillRect(from, BarTop(), std::min(to, columns + 1) - from, kBarHeight, wave);
    }
    if (hasFocus()) // the keyboard focus: a frame in the highlight colour, inside the border
        Frame(painter, rect().adjusted(2, 2, -2, -2), wave);
}

void CWaveformView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ShowFrames(m_first, m_span); // the same frames in more or fewer columns
}
