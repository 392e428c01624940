// CWaveformView: the waveform overview strip of the importer window. One lane per channel
// for mono and stereo, one combined lane for more; each pixel column a line from the
// smallest to the largest 16-bit sample in its span, drawn in the clip colour where the
// conversion will clip samples. It fills in as columns arrive and shows the play position: where
// the sound is while the file plays, where it will start otherwise. A click asks to play from
// that point; with the keyboard focus, Left and Right (five seconds, or a twentieth of a
// shorter file), Page Up and Page Down (a tenth), Home and End move the play position.
// A drag selects a range of frames, shaded over every lane; Shift with a click or with those
// keys extends it from where it began (or from the play position), and a click without a drag
// clears it. Assistive technology reads the strip as a slider whose value is the play
// position in seconds, described by the file's duration and the selection.
#pragma once

#include "waveform_overview.h"

#include <QColor>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

class CWaveformView final : public QWidget
{
public:
    static constexpr const char *kClassName = "OrvexWaveform";
    // Clipped columns: a red that stands out from both light and dark backgrounds.
    static constexpr QColor kClipColour = QColor(226, 64, 48);

    explicit CWaveformView(QWidget *parent);

    // Empties the strip; no file, no play position.
    void Clear();
    // The file shown: how many frames at what rate, for the play position in words.
    void SetLength(uint64_t frames, uint32_t rate);
    // How many columns fit inside the strip's border: one per pixel.
    uint32_t ColumnsInside() const { return uint32_t(std::max(1, width() - 2)); }
    // Shows the first `ready` of `columns`, in `lanes` lanes.
    void SetColumns(uint32_t lanes, std::vector<OverviewColumn> columns, uint32_t ready);
    // Where the play position stands, 0 to 1.
    void SetPlayhead(double fraction);
    double Playhead() const { return m_playhead; }
    // The selected frames, [first, end); none when end <= first. Setting it tells nobody.
    struct Selection
    {
        uint64_t first = 0, end = 0;
        bool Empty() const { return end <= first; }
        bool operator==(const Selection &) const = default;
    };
    void SetSelection(Selection selection);
    Selection GetSelection() const { return m_selection; }
    // "Duration 3:25.120, play position 1:02.500, selection 0:10.000 to 0:40.000", for
    // assistive technology.
    std::string Description() const;
    double PositionSeconds() const;
    double LengthSeconds() const;

    // Called with the place clicked, 0 to 1.
    std::function<void(double fraction)> onClicked;
    // Called with the place a key moved the play position to, 0 to 1.
    std::function<void(double fraction)> onMoved;
    // Called when the user changed the selection (made, extended or cleared it); a click
    // that clears it calls this before onClicked.
    std::function<void(Selection selection)> onSelected;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    uint64_t FrameAt(double x) const;
    int ColumnOf(uint64_t frame) const;
    // Selects from the anchor to `frame` and tells onSelected.
    void ExtendTo(uint64_t frame);
    void Select(Selection selection);

    uint32_t m_lanes = 1;
    std::vector<OverviewColumn> m_columns;
    uint32_t m_ready = 0;
    double m_playhead = -1; // below 0: no file
    uint64_t m_frames = 0;
    uint32_t m_rate = 0;
    Selection m_selection;
    uint64_t m_anchor = 0; // the frame a selection grows from
    int m_pressX = -1; // where the left button went down, while it is down
    bool m_dragging = false;
};
