// The lanes of the scope, one per channel: the trace painted from the model's
// envelope, the lane's statistics in its header, a grid, and a readout of time and
// values under the pointer. Only paints what the model hands it.
#pragma once

#include <QPainterPath>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "scope/Envelope.h"
#include "scope/ScopeModel.h"

namespace tqv::scope::qt {

class ScopeView : public QWidget {
    Q_OBJECT

public:
    ScopeView(const ScopeModel& model, int laneCount, QWidget* parent = nullptr);

    // The model took a new ring: rebuild the traces and repaint.
    void modelChanged();

    // A fitted lane spans its samples' range instead of the full 16-bit scale.
    void setFit(int lane, bool fit);
    bool fit(int lane) const;

    int laneCount() const { return static_cast<int>(m_lanes.size()); }
    // "Ch 0   min … max … mean … RMS … Hz … ms pk-pk …", as the lane's header shows it.
    QString headerText(int lane) const;
    // The time and every channel's value at a point of the view; empty where no
    // stored scan lies under it.
    QString readoutAt(QPointF point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Lane {
        bool fit = false;
        QPainterPath trace;
        QString header;
    };

    QRectF headerRect(int lane) const;
    QRectF plotRect(int lane) const;
    void rebuild();
    void rebuildTrace(int lane, int columns);
    void rebuildHeader(int lane);
    void paintGrid(QPainter& painter, int lane) const;
    void paintTimeAxis(QPainter& painter) const;
    // The trigger point's marker across the lanes and the level on the source's lane.
    void paintTrigger(QPainter& painter) const;
    // Each time grid line: its time in milliseconds and its x.
    void forEachTimeLine(const std::function<void(double, qreal)>& line) const;
    void paintReadout(QPainter& painter) const;

    const ScopeModel& m_model;
    std::vector<Lane> m_lanes;
    // One entry per device pixel across a lane; sized when the view is.
    std::vector<EnvelopeColumn> m_columns;
    qreal m_builtForRatio = 0.0;
    std::optional<QPointF> m_pointer;
};

}  // namespace tqv::scope::qt
