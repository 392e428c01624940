// How the waveform strip is driven (see waveform_view.h): the mouse, the wheel, a pinch and
// the keys, and how assistive technology reads and moves it.
#include "waveform_view.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>

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

} // namespace

CWaveformView::CWaveformView(QWidget *parent)
    : QWidget(parent)
{
    static const bool known = (QAccessible::installFactory(&MakeInterface), true);
    (void)known;
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
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
    if (!m_pressX || (!m_dragging && std::abs(x - *m_pressX) < kDragPixels))
        return;
    m_dragging = true;
    ExtendTo(FrameAt(x));
}

void CWaveformView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_movingBar = false;
    const bool click = m_pressX.has_value() && !m_dragging;
    m_pressX.reset();
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
        ZoomAround(x, event->key() == Qt::Key_Minus ? 2 : 0.5);
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
