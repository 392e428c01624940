// CWaveformView (see waveform_view.h), and how assistive technology reads it.
#include "waveform_view.h"

#include "audio_file_info.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

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

// A one-pixel frame just inside `r`. The strip's own frame leaves the columns between it.
void Frame(QPainter &painter, const QRect &r, const QColor &colour)
{
    painter.fillRect(r.left(), r.top(), r.width(), 1, colour);
    painter.fillRect(r.left(), r.bottom(), r.width(), 1, colour);
    painter.fillRect(r.left(), r.top(), 1, r.height(), colour);
    painter.fillRect(r.right(), r.top(), 1, r.height(), colour);
}

} // namespace

CWaveformView::CWaveformView(QWidget *parent)
    : QWidget(parent)
{
    static const bool known = (QAccessible::installFactory(&MakeInterface), true);
    (void)known;
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
}

void CWaveformView::Clear()
{
    SetSelection({});
    SetLength(0, 0);
    SetColumns(1, {}, 0);
    SetPlayhead(-1);
}

void CWaveformView::SetLength(uint64_t frames, uint32_t rate)
{
    m_frames = frames;
    m_rate = rate;
}

void CWaveformView::SetColumns(uint32_t lanes, std::vector<OverviewColumn> columns, uint32_t ready)
{
    m_lanes = std::clamp<uint32_t>(lanes, 1, 2);
    m_columns = std::move(columns);
    m_ready = std::min<uint32_t>(ready, uint32_t(m_columns.size()));
    update();
}

void CWaveformView::SetPlayhead(double fraction)
{
    if (fraction == m_playhead)
        return;
    m_playhead = fraction;
    update();
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
    const double fraction = width() > 1 ? std::clamp(x / (width() - 1), 0.0, 1.0) : 0.0;
    return uint64_t(fraction * double(m_frames));
}

int CWaveformView::ColumnOf(uint64_t frame) const
{
    return m_frames ? int(double(frame) / double(m_frames) * (width() - 1)) : 0;
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
            + DurationText(uint64_t(std::max(m_playhead, 0.0) * double(m_frames)), m_rate);
    if (!m_selection.Empty())
        text += ", selection " + DurationText(m_selection.first, m_rate) + " to "
                + DurationText(m_selection.end, m_rate);
    return text;
}

// Everything is drawn as solid rectangles: Qt's raster engine fills those on this thread,
// where a long line is split over Qt's global thread pool, and then waits for threads that a
// busy machine may not run for a while.
void CWaveformView::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    Frame(painter, rect(), palette().color(QPalette::Mid));
    const int laneHeight = height() / int(m_lanes);
    const QColor wave = palette().color(QPalette::Highlight);
    if (!m_selection.Empty()) { // a quarter of the way from the background to the wave
        const QColor base = palette().color(QPalette::Base);
        auto mix = [](int b, int w) { return (3 * b + w) / 4; };
        const QColor shade(mix(base.red(), wave.red()), mix(base.green(), wave.green()),
                           mix(base.blue(), wave.blue()));
        const int left = ColumnOf(m_selection.first), right = ColumnOf(m_selection.end);
        painter.fillRect(left, 1, right - left + 1, height() - 2, shade);
    }
    for (uint32_t lane = 0; lane < m_lanes; ++lane) {
        const int top = int(lane) * laneHeight, middle = top + laneHeight / 2;
        // A sample's place in its lane: the full 16-bit range spans the lane's height.
        auto y = [&](int16_t v) { return middle - int(v) * (laneHeight / 2 - 1) / 32768; };
        painter.fillRect(1, middle, width() - 2, 1, palette().color(QPalette::Midlight));
        for (uint32_t x = 0; x < m_ready; ++x) {
            const OverviewColumn &column = m_columns[x];
            const int high = y(column.max[lane]), low = y(column.min[lane]);
            painter.fillRect(int(x) + 1, high, 1, low - high + 1,
                             column.clipped > 0 ? kClipColour : wave);
        }
    }
    if (m_playhead >= 0)
        painter.fillRect(int(m_playhead * (width() - 1)), 0, 1, height(),
                         palette().color(QPalette::Text));
    if (hasFocus()) // the keyboard focus: a frame in the highlight colour, inside the border
        Frame(painter, rect().adjusted(2, 2, -2, -2), palette().color(QPalette::Highlight));
}

void CWaveformView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_playhead < 0)
        return;
    m_pressX = int(event->position().x());
    m_dragging = false;
    if (event->modifiers() & Qt::ShiftModifier) {
        if (m_selection.Empty())
            m_anchor = uint64_t(m_playhead * double(m_frames));
        m_dragging = true;
        ExtendTo(FrameAt(event->position().x()));
    } else {
        m_anchor = FrameAt(event->position().x());
    }
}

void CWaveformView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressX < 0 || !(event->buttons() & Qt::LeftButton))
        return;
    const int x = int(event->position().x());
    if (!m_dragging && std::abs(x - m_pressX) < QApplication::startDragDistance())
        return;
    m_dragging = true;
    ExtendTo(FrameAt(x));
}

void CWaveformView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_pressX < 0)
        return;
    const bool click = !m_dragging;
    m_pressX = -1;
    m_dragging = false;
    if (!click)
        return;
    Select({});
    if (onClicked && m_frames > 0)
        onClicked(double(FrameAt(event->position().x())) / double(m_frames));
}

void CWaveformView::keyPressEvent(QKeyEvent *event)
{
    const double length = LengthSeconds();
    if (m_playhead < 0 || length <= 0 || !onMoved) {
        QWidget::keyPressEvent(event);
        return;
    }
    // With Shift the keys move the selection's free end, else the play position.
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    if (extend && m_selection.Empty())
        m_anchor = uint64_t(m_playhead * double(m_frames));
    const uint64_t edge = m_selection.Empty() ? m_anchor
            : m_anchor == m_selection.first   ? m_selection.end
                                              : m_selection.first;
    const double step = std::min(5.0 / length, 0.05);
    double to = extend ? double(edge) / double(m_frames) : m_playhead;
    switch (event->key()) {
    case Qt::Key_Left:
        to -= step;
        break;
    case Qt::Key_Right:
        to += step;
        break;
    case Qt::Key_PageUp:
        to -= 0.1;
        break;
    case Qt::Key_PageDown:
        to += 0.1;
        break;
    case Qt::Key_Home:
        to = 0;
        break;
    case Qt::Key_End:
        to = 1;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    to = std::clamp(to, 0.0, 1.0);
    if (extend) {
        ExtendTo(uint64_t(to * double(m_frames)));
        return;
    }
    onMoved(to);
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
