// The lanes of the scope, one per channel: the trace painted from the model's
// envelope (or, zoomed in past one scan per column, the samples as points joined by
// lines), the lane's statistics in its header, a grid with its values in the channel's
// unit, a readout of time and values under the pointer, and the cursors. On a paused or
// held view the wheel zooms time about the pointer, Ctrl+wheel a lane's values, a drag
// pans, and 0 zooms to fit. Only paints what the model hands it.
#pragma once

#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "channels/ChannelSetup.h"
#include "scope/Cursors.h"
#include "scope/Envelope.h"
#include "scope/LaneScale.h"
#include "scope/ScopeModel.h"
#include "scope/TimeWindow.h"

namespace tqv::scope::qt {

class ScopeView : public QWidget {
    Q_OBJECT

public:
    ScopeView(const ScopeModel& model, int laneCount, QWidget* parent = nullptr);

    // The model took a new ring or its settings changed: rebuild the traces and repaint.
    // A view that can no longer be zoomed (resumed, re-armed) shows the whole axis again.
    void modelChanged();

    // Names, units and calibrations: headers, value labels, readouts and cursors follow.
    void setChannelSetup(const channels::ChannelSetup& setup);
    const channels::ChannelSetup& channelSetup() const { return m_setup; }

    // A fitted lane spans its samples' range instead of the full 16-bit scale.
    void setFit(int lane, bool fit);
    bool fit(int lane) const;

    int laneCount() const { return static_cast<int>(m_lanes.size()); }
    // "Ch 0   min … max … mean … RMS … Hz … ms pk-pk …", as the lane's header shows it.
    QString headerText(int lane) const;
    // The values at a lane's top and bottom edge, as its labels show them.
    LaneRange laneRangeShown(int lane) const;
    // The time and every channel's value at a point of a lane; empty where no stored
    // scan lies under it or the point is on no lane's plot.
    QString readoutAt(QPointF point) const;
    // Where the readout of a pointer at `point` is drawn: within the lane under it, so it
    // never covers a lane's title and statistics. Empty where there is no readout.
    QRectF readoutRect(QPointF point) const;
    // The plot of a lane, without its header.
    QRectF plotRect(int lane) const;

    // Zoom and pan work on a paused view or a held single capture only.
    bool zoomable() const;
    bool zoomed() const;
    TimeWindow timeWindow() const;
    // `factor` times fewer scans across (below 1: more), the time at `x` staying put.
    void zoomTime(qreal x, double factor);
    // The view moved by `dx` pixels: the samples follow the pointer.
    void panBy(qreal dx);
    // A lane's values `factor` times narrower, the value at `y` staying put.
    void zoomLevels(int lane, qreal y, double factor);
    // The whole axis and every lane's range back.
    void zoomToFit();

    void setCursorsShown(bool shown);
    bool cursorsShown() const { return m_cursors.shown(); }
    const Cursors& cursors() const { return m_cursors; }
    // t1, t2, Δt, 1/Δt and v1, v2, ΔV of the level cursors' lane; empty while hidden.
    QString cursorReadout() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A cursor moved, or the cursors were shown or hidden.
    void cursorsChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Lane {
        bool fit = true;
        // Ctrl+wheel's range, until zoomed to fit.
        std::optional<LaneRange> levelZoom;
        QPainterPath trace;
        // The trace joins samples (fewer scans than columns) rather than columns'
        // envelopes: only then is it drawn smoothed.
        bool joinsSamples = false;
        // The samples themselves, where fewer scans than columns are shown; reused.
        QPolygonF points;
        QString header;
    };
    enum class Drag { None, Pan, Cursor };

    QRectF headerRect(int lane) const;
    // The lane whose plot holds `y`, if any.
    std::optional<int> laneAt(qreal y) const;
    // Axis scans and x: the left edge of a scan's place is its time.
    qreal xOfScan(double scan) const;
    double scanAtX(qreal x) const;
    qreal yOfValue(int lane, double value) const;
    double valueAtY(int lane, qreal y) const;
    const channels::Channel& channel(int lane) const { return m_setup.channel(lane); }

    void rebuild();
    void rebuildTrace(int lane, int columns);
    void rebuildHeader(int lane);
    void measureLabels();
    // Cursors on an axis of another length, or never placed, go to their first places.
    void placeCursorsIfNeeded();
    std::optional<CursorId> cursorNear(QPointF point) const;
    void moveCursorTo(CursorId cursor, QPointF point);
    void cursorsMoved();

    void paintGrid(QPainter& painter, int lane) const;
    void paintTimeAxis(QPainter& painter) const;
    // The trigger point's marker across the lanes and the level on the source's lane.
    void paintTrigger(QPainter& painter) const;
    void paintCursors(QPainter& painter) const;
    // Each time grid line: its time in milliseconds and its x.
    void forEachTimeLine(const std::function<void(double, qreal)>& line) const;
    void paintReadout(QPainter& painter) const;

    const ScopeModel& m_model;
    channels::ChannelSetup m_setup;
    std::vector<Lane> m_lanes;
    // One entry per device pixel across a lane; sized when the view is.
    std::vector<EnvelopeColumn> m_columns;
    qreal m_builtForRatio = 0.0;
    // Room for the widest value label at a lane's left.
    qreal m_labelWidth = 0.0;
    std::optional<QPointF> m_pointer;
    // Shown instead of the whole axis while zoomed.
    std::optional<TimeWindow> m_zoom;
    Cursors m_cursors;
    Drag m_drag = Drag::None;
    QPointF m_dragStart;
    TimeWindow m_dragWindow;
};

}  // namespace tqv::scope::qt
