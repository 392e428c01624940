// CWaveformView (see waveform_view.h), and how assistive technology reads it.
#include "waveform_view.h"

#include "audio_file_info.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <mutex>

namespace {

// The strip as a slider over the file's seconds.
class CWaveformAccessible final : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit CWaveformAccessible(CWaveformView *view)
        : QAccessibleWidget(view, QAccessible::Slider)
    { }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface *>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text type) const override
    {
        if (type == QAccessible::Description)
            return QString::fromStdString(View()->Description());
        return QAccessibleWidget::text(type);
    }
    QVariant currentValue() const override { return View()->PositionSeconds(); }
    void setCurrentValue(const QVariant &value) override
    {
        const double length = View()->LengthSeconds();
        if (length > 0 && View()->onMoved)
            View()->onMoved(std::clamp(value.toDouble() / length, 0.0, 1.0));
    }
    QVariant maximumValue() const override { return View()->LengthSeconds(); }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 0.0; }

private:
    CWaveformView *View() const { return static_cast<CWaveformView *>(widget()); }
};

QAccessibleInterface *MakeInterface(const QString & /*className*/, QObject *object)
{
    auto *view = dynamic_cast<CWaveformView *>(object);
    return view ? new CWaveformAccessible(view) : nullptr;
}

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

QColor Mix(const QColor &a, const QColor &b, int partsOfB, int parts)
{
    auto mix = [&](int x, int y) { return (x * (parts - partsOfB) + y * partsOfB) / parts; };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
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

CWaveformView::CWaveformView(QWidget *parent)
    : QWidget(parent)
{
    static const bool known = (QAccessible::installFactory(&MakeInterface), true);
    (void)known;
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
}

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
            m_drawn = {view, {}, 0, false};
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
    if (wasShown && fraction >= 0) {
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

void CWaveformView::Select(Selection selection)
{
    if (selection == m_selection)
        return;
    m_selection = selection;
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&changed);
    }
    if (onSelected)
        onSelected(selection);
}

void CWaveformView::ExtendTo(uint64_t frame)
{
    Select({std::min(m_anchor, frame), std::max(m_anchor, frame)});
}

uint64_t CWaveformView::FrameAt(double x) const
{
    const WaveformSpan view = View();
    return view.Begin(uint64_t(std::clamp(x - 1, 0.0, double(view.columns))));
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

void CWaveformView::ZoomAround(double x, double factor)
{
    if (m_frames == 0)
        return;
    const double columns = ColumnsInside(), at = std::clamp(x - 1, 0.0, columns);
    const double frame = double(m_first) + at * double(m_span) / columns;
    const double span = std::clamp(std::round(double(m_span) * factor), 1.0, double(m_frames));
    ShowFrames(uint64_t(std::max(0.0, std::round(frame - at * span / columns))), uint64_t(span));
}

void CWaveformView::MoveBarTo(double x)
{
    // The bar is the whole file; the view centres where it is pressed.
    const double columns = ColumnsInside();
    const double centre = std::clamp(x - 1, 0.0, columns) / columns * double(m_frames);
    ScrollTo(uint64_t(std::max(0.0, centre - double(m_span) / 2)));
}

void CWaveformView::KeepInView(uint64_t frame)
{
    if (frame < m_first)
        ScrollTo(frame);
    else if (frame >= m_first + m_span)
        ScrollTo(frame - std::min(frame, m_span - 1));
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
    // waveform in its colour, a band of it along the top and the bottom, and a tint of it
    // behind.
    const QColor mark = SelectionColour();
    int left = 0, right = -1; // the selected columns' pixels, inclusive
    if (!m_selection.Empty() && m_span > 0 && m_selection.first < m_first + m_span
        && m_selection.end > m_first) {
        left = int(std::max(1.0, XOf(m_selection.first)));
        right = int(std::min(
                double(columns),
                std::max({double(left), XOf(m_selection.end - 1), XOf(m_selection.end) - 1})));
        painter.fillRect(left, 1, right - left + 1, bottom - 1, Mix(base, mark, 1, 6));
    }
    for (int lane = 0; lane < lanes; ++lane) {
        const int top = lane * laneHeight, middle = top + laneHeight / 2;
        // A sample's place in its lane: the full 16-bit range spans the lane's height.
        auto y = [&](int16_t v) { return middle - int(v) * (laneHeight / 2 - 1) / 32768; };
        painter.fillRect(1, middle, columns, 1, palette().color(QPalette::Midlight));
        for (int x = 0; x < int(m_drawn.ready) && x < columns; ++x) {
            const OverviewColumn &column = m_drawn.columns[size_t(x)];
            const int high = y(column.max[lane]), low = y(column.min[lane]);
            const bool selected = x + 1 >= left && x + 1 <= right;
            painter.fillRect(x + 1, high, 1, low - high + 1,
                             column.clipped > 0 ? kClipColour
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

void CWaveformView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_playhead < 0)
        return;
    const double x = event->position().x();
    if (Zoomed() && event->position().y() >= BarTop() - 1) {
        m_movingBar = true;
        MoveBarTo(x);
        return;
    }
    m_pressX = int(x);
    m_dragging = false;
    if (event->modifiers() & Qt::ShiftModifier) {
        if (m_selection.Empty())
            m_anchor = PlayFrame();
        m_dragging = true;
        ExtendTo(FrameAt(x));
    } else {
        m_anchor = FrameAt(x);
    }
}

void CWaveformView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    if (m_movingBar) {
        MoveBarTo(event->position().x());
        return;
    }
    const int x = int(event->position().x());
    if (m_pressX < 0 || (!m_dragging && std::abs(x - m_pressX) < kDragPixels))
        return;
    m_dragging = true;
    ExtendTo(FrameAt(x));
}

void CWaveformView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_movingBar = false;
    const bool click = m_pressX >= 0 && !m_dragging;
    m_pressX = -1;
    m_dragging = false;
    if (!click)
        return;
    Select({});
    const uint64_t frame = FrameAt(event->position().x());
    if (onClicked && m_frames > 0)
        onClicked(double(std::min(frame, m_frames - 1)) / double(m_frames));
}

void CWaveformView::wheelEvent(QWheelEvent *event)
{
    event->accept();
    const QPoint notches = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) // a notch away halves what is shown
        ZoomAround(event->position().x(), std::exp2(-notches.y() / 120.0));
    else // a notch down or to the right moves a tenth of the view on
        ScrollTo(uint64_t(std::max(
                0.0, double(m_first) - (notches.x() + notches.y()) / 120.0 * double(m_span) / 10)));
}

bool CWaveformView::event(QEvent *event)
{
    // A touchpad pinch, where the platform reports one: spreading the fingers zooms in.
    if (event->type() == QEvent::NativeGesture) {
        const auto *pinch = static_cast<QNativeGestureEvent *>(event);
        if (pinch->gestureType() == Qt::ZoomNativeGesture && pinch->value() > -1) {
            ZoomAround(pinch->position().x(), 1 / (1 + pinch->value()));
            return true;
        }
    }
    return QWidget::event(event);
}

void CWaveformView::keyPressEvent(QKeyEvent *event)
{
    if (m_playhead < 0 || m_frames == 0 || !onMoved) {
        QWidget::keyPressEvent(event);
        return;
    }
    const uint64_t play = PlayFrame();
    switch (event->key()) { // zoom around the play position, keeping its place if it shows
    case Qt::Key_Plus:
    case Qt::Key_Equal:
    case Qt::Key_Minus: {
        const double x = XOf(play);
        const bool shown = x >= 1 && x <= ColumnsInside();
        ZoomAround(shown ? x : 1 + ColumnsInside() / 2.0, event->key() == Qt::Key_Minus ? 2 : 0.5);
        if (!shown) // brought to the middle
            ScrollTo(play - std::min(play, m_span / 2));
        return;
    }
    default:
        break;
    }
    // With Shift the keys move the selection's free end, else the play position.
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    if (extend && m_selection.Empty())
        m_anchor = play;
    const uint64_t edge = m_selection.Empty() ? m_anchor
            : m_anchor == m_selection.first   ? m_selection.end
                                              : m_selection.first;
    const int64_t from = int64_t(extend ? edge : play);
    const int64_t step = int64_t(std::max<uint64_t>(m_span / 20, 1)), page = int64_t(m_frames / 10);
    int64_t to = from;
    switch (event->key()) {
    case Qt::Key_Left:
        to -= step;
        break;
    case Qt::Key_Right:
        to += step;
        break;
    case Qt::Key_PageUp:
        to -= page;
        break;
    case Qt::Key_PageDown:
        to += page;
        break;
    case Qt::Key_Home:
        to = 0;
        break;
    case Qt::Key_End:
        to = int64_t(m_frames);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    const auto frame = uint64_t(std::clamp<int64_t>(to, 0, int64_t(m_frames)));
    KeepInView(std::min(frame, m_frames - 1));
    if (extend) {
        ExtendTo(frame);
        return;
    }
    onMoved(double(frame) / double(m_frames));
    // Only a move by the user is told to assistive technology, not every step of playing.
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent moved(this, PositionSeconds());
        QAccessible::updateAccessibility(&moved);
    }
}

void CWaveformView::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void CWaveformView::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}
