// CWaveformView: the waveform overview strip of the importer window. One lane per channel
// for mono and stereo, one combined lane for more; each pixel column a line from the
// smallest to the largest 16-bit sample in its span. It fills in as columns arrive, shows
// a playhead while the file plays, and a click asks to play from that point.
#pragma once

#include "waveform_overview.h"

#include <QWidget>

#include <functional>
#include <vector>

class CWaveformView final : public QWidget
{
public:
    static constexpr const char *kClassName = "OrvexWaveform";
    explicit CWaveformView(QWidget *parent);

    // Empties the strip.
    void Clear();
    // Shows the first `ready` of `columns`, in `lanes` lanes.
    void SetColumns(uint32_t lanes, std::vector<OverviewColumn> columns, uint32_t ready);
    // Where the playhead stands, 0 to 1, or below 0 for none.
    void SetPlayhead(double fraction);
    // Called with the place clicked, 0 to 1.
    std::function<void(double fraction)> onClicked;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    uint32_t m_lanes = 1;
    std::vector<OverviewColumn> m_columns;
    uint32_t m_ready = 0;
    double m_playhead = -1;
};
