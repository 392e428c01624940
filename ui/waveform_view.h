// CWaveformView: the waveform strip of the importer window. One lane per channel for mono and
// stereo, one combined lane for more; each pixel column a line from the smallest to the largest
// 16-bit sample of the frames it stands for, drawn in the clip colour where the conversion will
// clip samples. It takes whatever size it is given and fills in as the file is read.
//
// It zooms, down to frames several columns wide: Ctrl with the wheel or a touchpad pinch around
// the pointer, + and - around the play position. The wheel (Shift+wheel, a sideways wheel)
// scrolls along the file, a tenth of the view a notch; a bar along the bottom shows where the
// view lies in the file, and a press or drag there moves the view. Columns come from the
// overview's summary, and, where the view is finer than the summary, from reading the file
// on a job of its own while the summary's coarser shape stands in.
//
// It shows the play position: where the sound is while the file plays (the view follows it),
// where it will start otherwise. A click asks to play from the first frame of the column
// clicked; with the keyboard focus, Left and Right (a twentieth of the view), Page Up and Page
// Down (a tenth of the file), Home and End move the play position, and the view follows. A
// drag of two pixels or more selects the frames from column to column, drawn over the
// waveform; Shift with a click or with those keys extends it from where it began (or from the
// play position), and a click without a drag clears it. Assistive technology reads the strip as
// a slider whose value is the play position in seconds, described by the file's duration and
// the selection.
#pragma once

#include "background_job.h"
#include "waveform_overview.h"

#include <QColor>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CWaveformView final : public QWidget
{
public:
    static constexpr const char *kClassName = "OrvexWaveform";
    // Clipped columns: a red that stands out from both light and dark backgrounds.
    static constexpr QColor kClipColour = QColor(226, 64, 48);
    // A press that moves this many pixels or more is a drag, which selects.
    static constexpr int kDragPixels = 2;
    // The deepest zoom: a frame this many columns wide.
    static constexpr int kMaxColumnsPerFrame = 16;

    explicit CWaveformView(QWidget *parent);
    ~CWaveformView() override;

    // Empties the strip; no file, no play position.
    void Clear();
    // The file shown: how many frames at what rate. Shows it whole.
    void SetLength(uint64_t frames, uint32_t rate);
    // Draws from `summary`, which the overview fills in, and reads `path` where the view is
    // finer than the summary.
    void SetSource(const std::string &path, std::shared_ptr<const CWaveformSummary> summary);
    // The summary has grown: draws what it holds now.
    void Refresh();
    // The level chosen for the import: the columns are drawn times `gain` (the summary and
    // the reads hold the file's samples as they are), and marked clipped where the scaled
    // extremes pass the limits of 16 bits or, while `mayClip`, where the file's own samples
    // clip. Without `mayClip` (a level known to keep the peak within 16 bits) none is.
    void SetLevel(double gain, bool mayClip);
    // Shows the frames [first, first + span), held within the file and the deepest zoom.
    void ShowFrames(uint64_t first, uint64_t span);
    // How many columns fit inside the strip's border: one per pixel.
    uint32_t ColumnsInside() const { return uint32_t(std::max(1, width() - 2)); }
    // The columns drawn: the view they are for, their figures, how many from the first are
    // there yet, and whether they are exact rather than the summary's coarser shape.
    struct Drawn
    {
        WaveformSpan view;
        std::vector<OverviewColumn> columns;
        uint32_t ready = 0;
        bool exact = false;
    };
    const Drawn &Shown() const { return m_drawn; }
    // True while the file is read for the view.
    bool IsReading() const { return m_readJob.IsRunning(); }
    // Where the play position stands, 0 to 1; below 0: no file.
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
    // The selection's colour, over the waveform and the background alike.
    QColor SelectionColour() const;
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
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    struct ReadState;
    WaveformSpan View() const { return {m_first, m_span, ColumnsInside()}; }
    // The first frame of the column at `x`; past the last column, the view's end.
    uint64_t FrameAt(double x) const;
    // Where `frame` begins, in pixels from the strip's left edge.
    double XOf(uint64_t frame) const;
    uint64_t PlayFrame() const;
    bool Zoomed() const { return m_span < m_frames; }
    int BarTop() const;
    // Multiplies the frames shown by `factor`, keeping the frame at `x` where it is.
    void ZoomAround(double x, double factor);
    void ScrollTo(uint64_t first) { ShowFrames(first, m_span); }
    void MoveBarTo(double x);
    void KeepInView(uint64_t frame);
    // Draws the view from the summary, and has the file read where that is not exact.
    void Recompute();
    void ReadNewest();
    // Selects from the anchor to `frame` and tells onSelected.
    void ExtendTo(uint64_t frame);
    void Select(Selection selection);

    std::shared_ptr<const CWaveformSummary> m_summary;
    std::shared_ptr<ReadState> m_read;
    Drawn m_drawn;
    WaveformSpan m_requested; // the newest view the file is read for
    double m_playhead = -1; // below 0: no file
    double m_gain = 1;
    bool m_bMayClip = true;
    uint64_t m_frames = 0;
    uint32_t m_rate = 0;
    uint64_t m_first = 0, m_span = 0; // the frames shown
    Selection m_selection;
    uint64_t m_anchor = 0; // the frame a selection grows from
    std::optional<int> m_pressX; // where the left button went down, while it is down
    bool m_dragging = false;
    bool m_movingBar = false;
    CBackgroundJob m_readJob; // last: abandoned before what it reports to goes
};
