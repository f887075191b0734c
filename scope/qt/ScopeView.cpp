#include "scope/qt/ScopeView.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "scope/LaneHeader.h"
#include "scope/LaneScale.h"

namespace tqv::scope::qt {

namespace {

const QColor kBackground(16, 20, 24);
const QColor kHeaderBackground(32, 38, 46);
const QColor kGrid(58, 66, 76);
const QColor kAxisText(170, 178, 188);
const QColor kHeaderText(225, 230, 235);
const QColor kTriggerColour(255, 140, 40);
const std::array<QColor, 4> kTraceColours{QColor(255, 214, 10), QColor(64, 220, 255),
                                          QColor(255, 96, 170), QColor(110, 230, 110)};

constexpr qreal kGap = 4.0;
constexpr int kValueDivisions = 4;

QColor traceColour(int lane) {
    return kTraceColours[static_cast<size_t>(lane) % kTraceColours.size()];
}

// A time grid step of 1, 2 or 5 times a power of ten that gives about ten divisions.
double gridStep(double span) {
    const double rough = span / 10.0;
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * decade >= rough) return factor * decade;
    }
    return 10.0 * decade;
}

// Lines one device pixel wide fall on whole device pixels.
qreal snapped(qreal coordinate, qreal ratio) {
    return (std::floor(coordinate * ratio) + 0.5) / ratio;
}

}  // namespace

ScopeView::ScopeView(const ScopeModel& model, int laneCount, QWidget* parent)
    : QWidget(parent), m_model(model), m_lanes(static_cast<size_t>(std::max(laneCount, 1))) {
    setObjectName(QStringLiteral("scopeView"));
    setAccessibleName(tr("Waveforms of the ring"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // Everything is painted, background included.
    setAttribute(Qt::WA_OpaquePaintEvent);
    for (int lane = 0; lane < laneCount; ++lane) rebuildHeader(lane);
}

QSize ScopeView::sizeHint() const { return {760, 120 * laneCount() + 30}; }
QSize ScopeView::minimumSizeHint() const { return {320, 60 * laneCount() + 30}; }

void ScopeView::modelChanged() {
    rebuild();
    update();
}

void ScopeView::setFit(int lane, bool fit) {
    if (lane < 0 || lane >= laneCount() || m_lanes[static_cast<size_t>(lane)].fit == fit) return;
    m_lanes[static_cast<size_t>(lane)].fit = fit;
    rebuild();
    update();
}

bool ScopeView::fit(int lane) const {
    return lane >= 0 && lane < laneCount() && m_lanes[static_cast<size_t>(lane)].fit;
}

QString ScopeView::headerText(int lane) const {
    return lane >= 0 && lane < laneCount() ? m_lanes[static_cast<size_t>(lane)].header : QString();
}

QRectF ScopeView::headerRect(int lane) const {
    const QFontMetricsF metrics(font());
    const qreal left = metrics.horizontalAdvance(QStringLiteral("-32768")) + 2 * kGap;
    const qreal bottom = height() - metrics.height() - 2 * kGap;
    const qreal laneHeight = std::max(bottom - kGap, 0.0) / laneCount();
    return {left, kGap + lane * laneHeight, std::max(width() - left - 2 * kGap, 1.0),
            metrics.height() + kGap};
}

QRectF ScopeView::plotRect(int lane) const {
    const QFontMetricsF metrics(font());
    const QRectF header = headerRect(lane);
    const qreal bottom = height() - metrics.height() - 2 * kGap;
    const qreal laneHeight = std::max(bottom - kGap, 0.0) / laneCount();
    const qreal top = header.bottom();
    return {header.left(), top, header.width(), std::max(laneHeight - header.height() - kGap, 1.0)};
}

void ScopeView::rebuild() {
    const qreal ratio = devicePixelRatioF();
    m_builtForRatio = ratio;
    // One column per device pixel: the trace stays sharp at any pixel ratio.
    const auto columns = static_cast<int>(std::lround(plotRect(0).width() * ratio));
    const int channels = std::min(m_model.channelCount(), laneCount());
    // Grows only when the view does; a refresh reuses it.
    m_columns.resize(static_cast<size_t>(std::max(m_model.channelCount(), 0)) *
                     static_cast<size_t>(std::max(columns, 0)));
    reduceToEnvelopes(m_model.samples(), m_model.channelCount(), m_model.axisScans(), columns,
                      m_columns);
    for (int lane = 0; lane < laneCount(); ++lane) {
        rebuildTrace(lane, lane < channels ? columns : 0);
        rebuildHeader(lane);
    }
}

void ScopeView::rebuildTrace(int lane, int columns) {
    QPainterPath& trace = m_lanes[static_cast<size_t>(lane)].trace;
    // Keeps the path's storage for the next refresh.
    trace.clear();
    if (columns <= 0) return;
    const EnvelopeColumn* envelope =
        m_columns.data() + static_cast<size_t>(lane) * static_cast<size_t>(columns);

    const QRectF plot = plotRect(lane);
    const LaneRange range = laneRange(m_model.statistics(lane), fit(lane));
    const qreal ratio = m_builtForRatio;
    const auto yOf = [&](int16_t code) {
        const double f = std::clamp(fractionOf(range, code), 0.0, 1.0);
        return plot.bottom() - f * plot.height();
    };
    bool started = false;
    for (int x = 0; x < columns; ++x) {
        const EnvelopeColumn& column = envelope[x];
        if (column.empty) break;
        const qreal px = plot.left() + (x + 0.5) / ratio;
        const QPointF high(px, yOf(column.maximum));
        if (started) {
            trace.lineTo(high);
        } else {
            trace.moveTo(high);
            started = true;
        }
        if (column.minimum != column.maximum) trace.lineTo(px, yOf(column.minimum));
    }
}

void ScopeView::rebuildHeader(int lane) {
    m_lanes[static_cast<size_t>(lane)].header = QString::fromStdString(laneHeader(
        lane, m_model.statistics(lane), m_model.measurements(lane), m_model.scanRate()));
}

void ScopeView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    rebuild();
}

void ScopeView::mouseMoveEvent(QMouseEvent* event) {
    m_pointer = event->position();
    update();
}

void ScopeView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    m_pointer.reset();
    update();
}

QString ScopeView::readoutAt(QPointF point) const {
    const QRectF plot = plotRect(0);
    if (point.x() < plot.left() || point.x() >= plot.right()) return {};
    const auto scan = m_model.scanAt((point.x() - plot.left()) / plot.width());
    if (!scan) return {};
    QString text;
    if (const auto seconds = m_model.scanTime(*scan)) {
        text = QStringLiteral("t = %1 ms").arg(*seconds * 1000.0, 0, 'f', 1);
    } else {
        text = QStringLiteral("scan %1").arg(*scan);
    }
    for (int c = 0; c < m_model.channelCount(); ++c) {
        text += QStringLiteral("   Ch %1: %2").arg(c).arg(m_model.sample(*scan, c));
    }
    return text;
}

void ScopeView::paintEvent(QPaintEvent*) {
    // Moved to a screen of another pixel ratio: the columns no longer match the pixels.
    if (devicePixelRatioF() != m_builtForRatio) rebuild();

    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    for (int lane = 0; lane < laneCount(); ++lane) {
        const QRectF header = headerRect(lane);
        painter.fillRect(header, kHeaderBackground);
        painter.setPen(kHeaderText);
        painter.drawText(header.adjusted(kGap, 0, -kGap, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         m_lanes[static_cast<size_t>(lane)].header);
        paintGrid(painter, lane);

        painter.save();
        painter.setClipRect(plotRect(lane));
        painter.setRenderHint(QPainter::Antialiasing, true);
        QPen pen(traceColour(lane));
        pen.setCosmetic(true);
        pen.setWidthF(1.0);
        painter.setPen(pen);
        painter.drawPath(m_lanes[static_cast<size_t>(lane)].trace);
        painter.restore();
    }
    paintTrigger(painter);
    paintTimeAxis(painter);
    paintReadout(painter);
}

void ScopeView::paintGrid(QPainter& painter, int lane) const {
    const QRectF plot = plotRect(lane);
    const qreal ratio = devicePixelRatioF();
    QPen pen(kGrid);
    pen.setCosmetic(true);
    pen.setWidthF(1.0 / ratio);
    painter.setPen(pen);
    for (int i = 0; i <= kValueDivisions; ++i) {
        const qreal y = snapped(plot.top() + plot.height() * i / kValueDivisions, ratio);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    forEachTimeLine([&](double, qreal x) {
        x = snapped(x, ratio);
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    });
    // The codes at the lane's top and bottom edge.
    const LaneRange range = laneRange(m_model.statistics(lane), fit(lane));
    painter.setPen(kAxisText);
    const QRectF labels(0, plot.top(), plot.left() - kGap, plot.height());
    painter.drawText(labels, Qt::AlignRight | Qt::AlignTop,
                     QString::number(std::lround(range.high)));
    painter.drawText(labels, Qt::AlignRight | Qt::AlignBottom,
                     QString::number(std::lround(range.low)));
}

void ScopeView::paintTimeAxis(QPainter& painter) const {
    const QRectF plot = plotRect(laneCount() - 1);
    const QFontMetricsF metrics(font());
    painter.setPen(kAxisText);
    const auto span = m_model.axisMilliseconds();
    if (!span) {
        painter.drawText(QRectF(plot.left(), plot.bottom() + kGap, plot.width(), metrics.height()),
                         Qt::AlignLeft,
                         m_model.trigger().mode == TriggerMode::Off
                             ? tr("No blocks stored since the last start")
                             : tr("Waiting for a trigger"));
        return;
    }
    forEachTimeLine([&](double t, qreal x) {
        const QString label = QStringLiteral("%1 ms").arg(t, 0, 'g', 6);
        const qreal w = metrics.horizontalAdvance(label);
        const qreal left = std::clamp(x - w / 2, 0.0, std::max(width() - w - kGap, 0.0));
        painter.drawText(QPointF(left, plot.bottom() + kGap + metrics.ascent()), label);
    });
}

void ScopeView::forEachTimeLine(const std::function<void(double, qreal)>& line) const {
    const auto span = m_model.axisMilliseconds();
    const auto start = m_model.axisStartMilliseconds();
    if (!span || !start) return;
    const QRectF plot = plotRect(0);
    const double step = gridStep(*span);
    // Whole steps from the trigger point (time 0), so that it falls on a line.
    for (double k = std::ceil(*start / step - 1e-6); k * step <= *start + *span + step * 1e-6;
         ++k) {
        const double t = k * step;
        line(t == 0.0 ? 0.0 : t, plot.left() + plot.width() * ((t - *start) / *span));
    }
}

void ScopeView::paintTrigger(QPainter& painter) const {
    const auto trigger = m_model.triggerScan();
    const auto level = m_model.triggerLevel();
    if (!trigger || !level || m_model.axisScans() <= 0) return;
    const qreal ratio = devicePixelRatioF();
    const QRectF plot = plotRect(0);
    const qreal x = snapped(plot.left() + plot.width() * static_cast<double>(*trigger) /
                                              static_cast<double>(m_model.axisScans()),
                            ratio);
    QPen marker(kTriggerColour);
    marker.setCosmetic(true);
    marker.setWidthF(1.0);
    marker.setStyle(Qt::DashLine);
    painter.setPen(marker);
    painter.drawLine(QPointF(x, headerRect(0).bottom()),
                     QPointF(x, plotRect(laneCount() - 1).bottom()));
    // A small flag at the top marks the trigger point even where traces cover the line.
    const qreal top = headerRect(0).bottom();
    painter.setBrush(kTriggerColour);
    painter.setPen(Qt::NoPen);
    painter.drawPolygon(QPolygonF({QPointF(x - 5, top), QPointF(x + 5, top), QPointF(x, top + 7)}));
    painter.setBrush(Qt::NoBrush);

    const int source = m_model.trigger().source;
    if (source < 0 || source >= laneCount()) return;
    const QRectF lane = plotRect(source);
    const LaneRange range = laneRange(m_model.statistics(source), fit(source));
    const double f = fractionOf(range, *level);
    if (!(f >= 0.0 && f <= 1.0)) return;
    const qreal y = snapped(lane.bottom() - f * lane.height(), ratio);
    marker.setStyle(Qt::DotLine);
    painter.setPen(marker);
    painter.drawLine(QPointF(lane.left(), y), QPointF(lane.right(), y));
    painter.setPen(kTriggerColour);
    painter.drawText(QRectF(lane.left(), y - QFontMetricsF(font()).height(), lane.width() - kGap,
                            QFontMetricsF(font()).height()),
                     Qt::AlignRight | Qt::AlignBottom, QStringLiteral("T %1").arg(*level));
}

void ScopeView::paintReadout(QPainter& painter) const {
    if (!m_pointer) return;
    const QString text = readoutAt(*m_pointer);
    if (text.isEmpty()) return;
    const qreal ratio = devicePixelRatioF();
    const qreal x = snapped(m_pointer->x(), ratio);
    QPen cursor(QColor(255, 255, 255, 150));
    cursor.setCosmetic(true);
    cursor.setWidthF(1.0 / ratio);
    painter.setPen(cursor);
    painter.drawLine(QPointF(x, headerRect(0).bottom()),
                     QPointF(x, plotRect(laneCount() - 1).bottom()));

    const QFontMetricsF metrics(font());
    const qreal w = metrics.horizontalAdvance(text) + 2 * kGap;
    const qreal h = metrics.height() + kGap;
    const qreal left = std::clamp(x + 8, 0.0, std::max(width() - w, 0.0));
    const qreal top = std::clamp(m_pointer->y() + 12, 0.0, std::max(height() - h, 0.0));
    const QRectF box(left, top, w, h);
    painter.fillRect(box, QColor(0, 0, 0, 210));
    painter.setPen(kHeaderText);
    painter.drawText(box, Qt::AlignCenter, text);
}

}  // namespace tqv::scope::qt
