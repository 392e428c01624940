// CWaveformView (see waveform_view.h).
#include "waveform_view.h"

#include <QMouseEvent>
#include <QPainter>

CWaveformView::CWaveformView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
}

void CWaveformView::Clear()
{
    SetColumns(1, {}, 0);
    SetPlayhead(-1);
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
    m_playhead = fraction;
    update();
}

void CWaveformView::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const int laneHeight = height() / int(m_lanes);
    const QColor wave = palette().color(QPalette::Highlight);
    for (uint32_t lane = 0; lane < m_lanes; ++lane) {
        const int top = int(lane) * laneHeight, middle = top + laneHeight / 2;
        // A sample's place in its lane: the full 16-bit range spans the lane's height.
        auto y = [&](int16_t v) { return middle - int(v) * (laneHeight / 2 - 1) / 32768; };
        painter.setPen(palette().color(QPalette::Midlight));
        painter.drawLine(1, middle, width() - 2, middle);
        painter.setPen(wave);
        for (uint32_t x = 0; x < m_ready; ++x)
            painter.drawLine(int(x), y(m_columns[x].max[lane]), int(x), y(m_columns[x].min[lane]));
    }
    if (m_playhead >= 0) {
        painter.setPen(palette().color(QPalette::Text));
        const int x = int(m_playhead * (width() - 1));
        painter.drawLine(x, 0, x, height() - 1);
    }
}

void CWaveformView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && onClicked && width() > 1)
        onClicked(std::clamp(event->position().x() / (width() - 1), 0.0, 1.0));
}
