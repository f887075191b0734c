#include "scope/qt/ScopeView.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cmath>

#include "scope/ChannelText.h"
#include "scope/LaneHeader.h"

namespace tqv::scope::qt {

namespace {

const QColor kBackground(16, 20, 24);
const QColor kHeaderBackground(32, 38, 46);
const QColor kGrid(58, 66, 76);
const QColor kAxisText(170, 178, 188);
const QColor kHeaderText(225, 230, 235);
const QColor kTriggerColour(255, 140, 40);
const QColor kCursorColour(120, 200, 255);
const std::array<QColor, 4> kTraceColours{QColor(255, 214, 10), QColor(64, 220, 255),
                                          QColor(255, 96, 170), QColor(110, 230, 110)};

constexpr qreal kGap = 4.0;
constexpr int kValueDivisions = 4;
// How close to a cursor a press grabs it, in pixels.
constexpr qreal kGrab = 5.0;
// Samples this many pixels apart or more are marked with a dot.
constexpr qreal kDotSpacing = 4.0;
// One notch of the wheel zooms by this factor.
constexpr double kZoomStep = 1.25;

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

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

bool isTime(CursorId cursor) { return cursor == CursorId::Time1 || cursor == CursorId::Time2; }
int indexOf(CursorId cursor) {
    return cursor == CursorId::Time1 || cursor == CursorId::Level1 ? 0 : 1;
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
    measureLabels();
    for (int lane = 0; lane < laneCount; ++lane) rebuildHeader(lane);
}

QSize ScopeView::sizeHint() const { return {760, 120 * laneCount() + 30}; }
QSize ScopeView::minimumSizeHint() const { return {320, 40 * laneCount() + 30}; }

void ScopeView::modelChanged() {
    if (m_zoom && (!zoomable() || m_zoom->first + m_zoom->count > m_model.axisScans())) {
        zoomToFit();
        return;
    }
    placeCursorsIfNeeded();
    rebuild();
    update();
    if (m_cursors.shown()) emit cursorsChanged();
}

void ScopeView::setChannelSetup(const channels::ChannelSetup& setup) {
    m_setup = setup;
    for (Lane& lane : m_lanes) lane.levelZoom.reset();
    measureLabels();
    rebuild();
    update();
    if (m_cursors.shown()) emit cursorsChanged();
}

void ScopeView::setFit(int lane, bool fit) {
    if (lane < 0 || lane >= laneCount() || m_lanes[static_cast<size_t>(lane)].fit == fit) return;
    m_lanes[static_cast<size_t>(lane)].fit = fit;
    m_lanes[static_cast<size_t>(lane)].levelZoom.reset();
    rebuild();
    update();
}

bool ScopeView::fit(int lane) const {
    return lane >= 0 && lane < laneCount() && m_lanes[static_cast<size_t>(lane)].fit;
}

QString ScopeView::headerText(int lane) const {
    return lane >= 0 && lane < laneCount() ? m_lanes[static_cast<size_t>(lane)].header : QString();
}

LaneRange ScopeView::laneRangeShown(int lane) const {
    if (lane < 0 || lane >= laneCount()) return {};
    const Lane& shown = m_lanes[static_cast<size_t>(lane)];
    if (shown.levelZoom) return *shown.levelZoom;
    return laneRange(m_model.statistics(lane), shown.fit, channel(lane).calibration);
}

void ScopeView::measureLabels() {
    const QFontMetricsF metrics(font());
    m_labelWidth = metrics.horizontalAdvance(QStringLiteral("-32768"));
    for (int lane = 0; lane < laneCount(); ++lane) {
        for (const int code : {-32768, 32767}) {
            // One character more: a fitted lane's margin may reach past the full scale.
            m_labelWidth = std::max(
                m_labelWidth,
                metrics.horizontalAdvance(text(codeText(channel(lane), code)) + QLatin1Char('0')));
        }
    }
}

QRectF ScopeView::headerRect(int lane) const {
    const QFontMetricsF metrics(font());
    const qreal left = m_labelWidth + 2 * kGap;
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

std::optional<int> ScopeView::laneAt(qreal y) const {
    for (int lane = 0; lane < laneCount(); ++lane) {
        const QRectF plot = plotRect(lane);
        if (y >= plot.top() && y < plot.bottom()) return lane;
    }
    return std::nullopt;
}

TimeWindow ScopeView::timeWindow() const {
    return m_zoom ? *m_zoom : wholeAxis(m_model.axisScans());
}

qreal ScopeView::xOfScan(double scan) const {
    const TimeWindow window = timeWindow();
    const QRectF plot = plotRect(0);
    if (window.count <= 0) return plot.left();
    return plot.left() + plot.width() * (scan - static_cast<double>(window.first)) /
                             static_cast<double>(window.count);
}

double ScopeView::scanAtX(qreal x) const {
    const TimeWindow window = timeWindow();
    const QRectF plot = plotRect(0);
    return static_cast<double>(window.first) +
           (x - plot.left()) / plot.width() * static_cast<double>(window.count);
}

qreal ScopeView::yOfValue(int lane, double value) const {
    const QRectF plot = plotRect(lane);
    return plot.bottom() - fractionOf(laneRangeShown(lane), value) * plot.height();
}

double ScopeView::valueAtY(int lane, qreal y) const {
    const QRectF plot = plotRect(lane);
    const LaneRange range = laneRangeShown(lane);
    return range.low + (plot.bottom() - y) / plot.height() * (range.high - range.low);
}

void ScopeView::rebuild() {
    const qreal ratio = devicePixelRatioF();
    m_builtForRatio = ratio;
    // One column per device pixel: the trace stays sharp at any pixel ratio.
    const auto columns = static_cast<int>(std::lround(plotRect(0).width() * ratio));
    const int channels = std::min(m_model.channelCount(), laneCount());
    const TimeWindow window = timeWindow();
    // Grows only when the view does; a refresh reuses it.
    m_columns.resize(static_cast<size_t>(std::max(m_model.channelCount(), 0)) *
                     static_cast<size_t>(std::max(columns, 0)));
    const int64_t shownScans =
        std::clamp<int64_t>(m_model.scanCount() - window.first, 0, window.count);
    if (window.count >= columns) {
        const auto samples =
            m_model.samples().subspan(static_cast<size_t>(window.first) *
                                          static_cast<size_t>(std::max(m_model.channelCount(), 0)),
                                      static_cast<size_t>(shownScans) *
                                          static_cast<size_t>(std::max(m_model.channelCount(), 0)));
        reduceToEnvelopes(samples, m_model.channelCount(), window.count, columns, m_columns);
    }
    for (int lane = 0; lane < laneCount(); ++lane) {
        rebuildTrace(lane, lane < channels ? columns : 0);
        rebuildHeader(lane);
    }
}

void ScopeView::rebuildTrace(int lane, int columns) {
    Lane& shown = m_lanes[static_cast<size_t>(lane)];
    // Keeps the paths' storage for the next refresh.
    shown.trace.clear();
    shown.points.clear();
    shown.joinsSamples = false;
    if (columns <= 0) return;
    const QRectF plot = plotRect(lane);
    const LaneRange range = laneRangeShown(lane);
    const auto& calibration = channel(lane).calibration;
    const auto yOf = [&](int16_t code) {
        const double f = std::clamp(fractionOf(range, calibration.value(code)), -0.01, 1.01);
        return plot.bottom() - f * plot.height();
    };
    const TimeWindow window = timeWindow();
    if (window.count < columns) {
        // Fewer scans than columns: each sample where its time is, joined by lines, and
        // marked with a dot where the dots stand apart.
        const int64_t end = std::min(window.first + window.count + 1, m_model.scanCount());
        const bool dots = plot.width() >= kDotSpacing * static_cast<double>(window.count);
        shown.joinsSamples = true;
        for (int64_t scan = window.first; scan < end; ++scan) {
            const QPointF at(xOfScan(static_cast<double>(scan)), yOf(m_model.sample(scan, lane)));
            if (scan == window.first) {
                shown.trace.moveTo(at);
            } else {
                shown.trace.lineTo(at);
            }
            if (dots) shown.points.append(at);
        }
        return;
    }
    const EnvelopeColumn* envelope =
        m_columns.data() + static_cast<size_t>(lane) * static_cast<size_t>(columns);
    const qreal ratio = m_builtForRatio;
    bool started = false;
    for (int x = 0; x < columns; ++x) {
        const EnvelopeColumn& column = envelope[x];
        if (column.empty) break;
        const qreal px = plot.left() + (x + 0.5) / ratio;
        const QPointF high(px, yOf(column.maximum));
        if (started) {
            shown.trace.lineTo(high);
        } else {
            shown.trace.moveTo(high);
            started = true;
        }
        if (column.minimum != column.maximum) shown.trace.lineTo(px, yOf(column.minimum));
    }
}

void ScopeView::rebuildHeader(int lane) {
    m_lanes[static_cast<size_t>(lane)].header =
        text(laneHeader(lane, channel(lane), m_model.statistics(lane), m_model.measurements(lane),
                        m_model.scanRate()));
}

bool ScopeView::zoomable() const {
    return (m_model.paused() || m_model.holdingSingle()) && m_model.axisScans() > 0;
}

bool ScopeView::zoomed() const {
    if (m_zoom && *m_zoom != wholeAxis(m_model.axisScans())) return true;
    return std::any_of(m_lanes.begin(), m_lanes.end(),
                       [](const Lane& lane) { return lane.levelZoom.has_value(); });
}

void ScopeView::zoomTime(qreal x, double factor) {
    if (!zoomable()) return;
    m_zoom = zoomedWindow(timeWindow(), scanAtX(x), factor, m_model.axisScans());
    rebuild();
    update();
}

void ScopeView::panBy(qreal dx) {
    if (!zoomable()) return;
    const TimeWindow window = timeWindow();
    m_zoom = pannedWindow(window, -dx / plotRect(0).width() * static_cast<double>(window.count),
                          m_model.axisScans());
    rebuild();
    update();
}

void ScopeView::zoomLevels(int lane, qreal y, double factor) {
    if (!zoomable() || lane < 0 || lane >= laneCount()) return;
    m_lanes[static_cast<size_t>(lane)].levelZoom =
        zoomedRange(laneRangeShown(lane), valueAtY(lane, y), factor);
    rebuild();
    update();
}

void ScopeView::zoomToFit() {
    m_zoom.reset();
    for (Lane& lane : m_lanes) lane.levelZoom.reset();
    placeCursorsIfNeeded();
    rebuild();
    update();
    if (m_cursors.shown()) emit cursorsChanged();
}

void ScopeView::placeCursorsIfNeeded() {
    if (m_cursors.axisScans() == m_model.axisScans()) return;
    const auto& calibration = channel(m_cursors.lane()).calibration;
    const LaneRange range = laneRangeShown(m_cursors.lane());
    m_cursors.place(m_model.axisScans(), m_cursors.lane(),
                    calibration.nearestCode(range.low).value_or(-32768),
                    calibration.nearestCode(range.high).value_or(32767));
}

void ScopeView::setCursorsShown(bool shown) {
    if (shown == m_cursors.shown()) return;
    m_cursors.setShown(shown);
    placeCursorsIfNeeded();
    update();
    emit cursorsChanged();
}

QString ScopeView::cursorReadout() const {
    return text(scope::cursorReadout(m_cursors, m_model, channel(m_cursors.lane())));
}

void ScopeView::cursorsMoved() {
    update();
    emit cursorsChanged();
}

std::optional<CursorId> ScopeView::cursorNear(QPointF point) const {
    if (!m_cursors.shown()) return std::nullopt;
    for (const CursorId cursor : {CursorId::Time1, CursorId::Time2}) {
        const qreal x = xOfScan(static_cast<double>(m_cursors.time(indexOf(cursor))));
        if (std::abs(point.x() - x) <= kGrab) return cursor;
    }
    const int lane = m_cursors.lane();
    if (laneAt(point.y()) != lane) return std::nullopt;
    for (const CursorId cursor : {CursorId::Level1, CursorId::Level2}) {
        const double value = channel(lane).calibration.value(m_cursors.level(indexOf(cursor)));
        if (std::abs(point.y() - yOfValue(lane, value)) <= kGrab) return cursor;
    }
    return std::nullopt;
}

void ScopeView::moveCursorTo(CursorId cursor, QPointF point) {
    if (isTime(cursor)) {
        m_cursors.setTime(indexOf(cursor), static_cast<int64_t>(std::floor(scanAtX(point.x()))));
    } else {
        const int lane = m_cursors.lane();
        const auto code = channel(lane).calibration.nearestCode(valueAtY(lane, point.y()));
        if (code) m_cursors.setLevel(indexOf(cursor), *code);
    }
    cursorsMoved();
}

void ScopeView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    rebuild();
}

void ScopeView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragStart = event->position();
    m_dragWindow = timeWindow();
    if (const auto cursor = cursorNear(event->position())) {
        m_cursors.setActive(*cursor);
        m_drag = Drag::Cursor;
        cursorsMoved();
    } else if (zoomable()) {
        m_drag = Drag::Pan;
        setCursor(Qt::ClosedHandCursor);
    }
}

void ScopeView::mouseMoveEvent(QMouseEvent* event) {
    m_pointer = event->position();
    if (m_drag == Drag::Cursor) {
        moveCursorTo(m_cursors.active(), event->position());
    } else if (m_drag == Drag::Pan && zoomable()) {
        const qreal dx = event->position().x() - m_dragStart.x();
        m_zoom = pannedWindow(m_dragWindow,
                              -dx / plotRect(0).width() * static_cast<double>(m_dragWindow.count),
                              m_model.axisScans());
        rebuild();
    }
    update();
}

void ScopeView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_drag == Drag::Pan) unsetCursor();
    m_drag = Drag::None;
    QWidget::mouseReleaseEvent(event);
}

void ScopeView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The level cursors go to the lane double-clicked.
    const auto lane = laneAt(event->position().y());
    if (!m_cursors.shown() || !lane || *lane == m_cursors.lane()) return;
    const LaneRange range = laneRangeShown(*lane);
    const auto& calibration = channel(*lane).calibration;
    m_cursors.setLane(*lane, calibration.nearestCode(range.low).value_or(-32768),
                      calibration.nearestCode(range.high).value_or(32767));
    cursorsMoved();
}

void ScopeView::wheelEvent(QWheelEvent* event) {
    if (!zoomable() || event->angleDelta().y() == 0) {
        event->ignore();
        return;
    }
    const double factor = std::pow(kZoomStep, event->angleDelta().y() / 120.0);
    if (event->modifiers() & Qt::ControlModifier) {
        if (const auto lane = laneAt(event->position().y())) {
            zoomLevels(*lane, event->position().y(), factor);
        }
    } else {
        zoomTime(event->position().x(), factor);
    }
    event->accept();
}

void ScopeView::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool plain = (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0;
    if (event->key() == Qt::Key_0 && plain) {
        zoomToFit();
        return;
    }
    if (m_cursors.shown() && plain) {
        const bool time = isTime(m_cursors.active());
        // Shift moves a hundredth of the axis or of the lane's codes at a time.
        const int64_t timeStep = shift ? std::max<int64_t>(m_model.axisScans() / 100, 1) : 1;
        const LaneRange range = laneRangeShown(m_cursors.lane());
        const double codes =
            std::abs((range.high - range.low) / channel(m_cursors.lane()).calibration.gain());
        const auto levelStep = shift ? std::max<int64_t>(std::llround(codes / 100), 1) : 1;
        switch (event->key()) {
            case Qt::Key_C:
                m_cursors.activateNext();
                cursorsMoved();
                return;
            case Qt::Key_Left:
            case Qt::Key_Right:
                if (!time) break;
                m_cursors.moveActive(event->key() == Qt::Key_Left ? -timeStep : timeStep);
                cursorsMoved();
                return;
            case Qt::Key_Up:
            case Qt::Key_Down:
                if (time) break;
                m_cursors.moveActive(event->key() == Qt::Key_Down ? -levelStep : levelStep);
                cursorsMoved();
                return;
            default:
                break;
        }
    }
    QWidget::keyPressEvent(event);
}

void ScopeView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    m_pointer.reset();
    update();
}

QString ScopeView::readoutAt(QPointF point) const {
    const QRectF plot = plotRect(0);
    if (point.x() < plot.left() || point.x() >= plot.right() || !laneAt(point.y())) return {};
    const double at = std::floor(scanAtX(point.x()));
    if (!(at >= 0) || at >= static_cast<double>(m_model.scanCount())) return {};
    const auto scan = static_cast<int64_t>(at);
    QString readout;
    if (const auto seconds = m_model.scanTime(scan)) {
        readout = QStringLiteral("t = %1 ms").arg(*seconds * 1000.0, 0, 'f', 1);
    } else {
        readout = QStringLiteral("scan %1").arg(scan);
    }
    for (int c = 0; c < m_model.channelCount(); ++c) {
        readout += QStringLiteral("   %1: %2")
                       .arg(text(laneTitle(c, channel(c))),
                            text(codeText(channel(c), m_model.sample(scan, c))));
    }
    return readout;
}

QRectF ScopeView::readoutRect(QPointF point) const {
    const QString readout = readoutAt(point);
    if (readout.isEmpty()) return {};
    const QRectF plot = plotRect(*laneAt(point.y()));
    const QFontMetricsF metrics(font());
    const qreal w = metrics.horizontalAdvance(readout) + 2 * kGap;
    const qreal h = metrics.height() + kGap;
    // Beside the pointer, inside the lane's plot: never over a title or its statistics.
    const qreal left =
        std::clamp(point.x() + 8, plot.left(), std::max(plot.right() - w, plot.left()));
    const qreal top =
        std::clamp(point.y() + 12, plot.top(), std::max(plot.bottom() - h, plot.top()));
    return {left, top, w, std::min(h, plot.height())};
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
        // An envelope is a vertical stroke per pixel column, which smoothing would not
        // change but costs most of a live refresh; lines between samples are smoothed.
        painter.setRenderHint(QPainter::Antialiasing,
                              m_lanes[static_cast<size_t>(lane)].joinsSamples);
        QPen pen(traceColour(lane));
        pen.setCosmetic(true);
        pen.setWidthF(1.0);
        painter.setPen(pen);
        painter.drawPath(m_lanes[static_cast<size_t>(lane)].trace);
        if (!m_lanes[static_cast<size_t>(lane)].points.isEmpty()) {
            // Square dots of three pixels, drawn whole: far cheaper than a path of them.
            painter.setRenderHint(QPainter::Antialiasing, false);
            pen.setWidthF(3.0);
            pen.setCapStyle(Qt::SquareCap);
            painter.setPen(pen);
            painter.drawPoints(m_lanes[static_cast<size_t>(lane)].points);
        }
        painter.restore();
    }
    paintTrigger(painter);
    paintCursors(painter);
    paintTimeAxis(painter);
    paintReadout(painter);
}

void ScopeView::paintGrid(QPainter& painter, int lane) const {
    const QRectF plot = plotRect(lane);
    const qreal ratio = devicePixelRatioF();
    // Each line one device pixel wide, centred on a pixel: filled as a rectangle, which
    // costs a fraction of a stroked line.
    const qreal pixel = 1.0 / ratio;
    for (int i = 0; i <= kValueDivisions; ++i) {
        const qreal y = snapped(plot.top() + plot.height() * i / kValueDivisions, ratio);
        painter.fillRect(QRectF(plot.left(), y - pixel / 2, plot.width(), pixel), kGrid);
    }
    forEachTimeLine([&](double, qreal x) {
        x = snapped(x, ratio);
        painter.fillRect(QRectF(x - pixel / 2, plot.top(), pixel, plot.height()), kGrid);
    });
    // The values at the lane's top and bottom edge, in its unit.
    const LaneRange range = laneRangeShown(lane);
    painter.setPen(kAxisText);
    const QRectF labels(0, plot.top(), plot.left() - kGap, plot.height());
    painter.drawText(labels, Qt::AlignRight | Qt::AlignTop,
                     text(unitText(channel(lane), range.high)));
    painter.drawText(labels, Qt::AlignRight | Qt::AlignBottom,
                     text(unitText(channel(lane), range.low)));
}

void ScopeView::paintTimeAxis(QPainter& painter) const {
    const QRectF plot = plotRect(laneCount() - 1);
    const QFontMetricsF metrics(font());
    painter.setPen(kAxisText);
    if (!m_model.axisMilliseconds()) {
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
    const TimeWindow window = timeWindow();
    const auto start = m_model.scanTime(window.first);
    if (!start || window.count <= 0 || m_model.scanRate() <= 0) return;
    const double startMs = *start * 1000.0;
    const double spanMs = static_cast<double>(window.count) * 1000.0 / m_model.scanRate();
    const QRectF plot = plotRect(0);
    const double step = gridStep(spanMs);
    // Whole steps from the trigger point (time 0), so that it falls on a line.
    for (double k = std::ceil(startMs / step - 1e-6); k * step <= startMs + spanMs + step * 1e-6;
         ++k) {
        const double t = k * step;
        line(t == 0.0 ? 0.0 : t, plot.left() + plot.width() * ((t - startMs) / spanMs));
    }
}

void ScopeView::paintTrigger(QPainter& painter) const {
    const auto trigger = m_model.triggerScan();
    const auto level = m_model.triggerLevel();
    if (!trigger || !level || m_model.axisScans() <= 0) return;
    const qreal ratio = devicePixelRatioF();
    const QRectF plot = plotRect(0);
    const qreal x = snapped(xOfScan(static_cast<double>(*trigger)), ratio);
    if (x >= plot.left() && x <= plot.right()) {
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
        painter.drawPolygon(
            QPolygonF({QPointF(x - 5, top), QPointF(x + 5, top), QPointF(x, top + 7)}));
        painter.setBrush(Qt::NoBrush);
    }

    const int source = m_model.trigger().source;
    if (source < 0 || source >= laneCount()) return;
    const QRectF lane = plotRect(source);
    const double value = channel(source).calibration.value(*level);
    const double f = fractionOf(laneRangeShown(source), value);
    if (!(f >= 0.0 && f <= 1.0)) return;
    const qreal y = snapped(lane.bottom() - f * lane.height(), ratio);
    QPen marker(kTriggerColour);
    marker.setCosmetic(true);
    marker.setStyle(Qt::DotLine);
    painter.setPen(marker);
    painter.drawLine(QPointF(lane.left(), y), QPointF(lane.right(), y));
    painter.setPen(kTriggerColour);
    const qreal h = QFontMetricsF(font()).height();
    painter.drawText(QRectF(lane.left(), y - h, lane.width() - kGap, h),
                     Qt::AlignRight | Qt::AlignBottom,
                     QStringLiteral("T %1").arg(text(unitText(channel(source), value))));
}

void ScopeView::paintCursors(QPainter& painter) const {
    if (!m_cursors.shown()) return;
    const qreal ratio = devicePixelRatioF();
    const QRectF top = plotRect(0);
    const qreal bottom = plotRect(laneCount() - 1).bottom();
    const auto pen = [&](CursorId cursor) {
        QPen line(kCursorColour);
        line.setCosmetic(true);
        line.setWidthF(cursor == m_cursors.active() ? 2.0 : 1.0);
        line.setStyle(cursor == m_cursors.active() ? Qt::SolidLine : Qt::DashLine);
        return line;
    };
    const QFontMetricsF metrics(font());
    for (const CursorId cursor : {CursorId::Time1, CursorId::Time2}) {
        const qreal x =
            snapped(xOfScan(static_cast<double>(m_cursors.time(indexOf(cursor)))), ratio);
        if (x < top.left() || x > top.right()) continue;
        painter.setPen(pen(cursor));
        painter.drawLine(QPointF(x, top.top()), QPointF(x, bottom));
        painter.drawText(QPointF(x + 3, top.top() + metrics.ascent()),
                         cursor == CursorId::Time1 ? QStringLiteral("t1") : QStringLiteral("t2"));
    }
    const int lane = m_cursors.lane();
    if (lane < 0 || lane >= laneCount()) return;
    const QRectF plot = plotRect(lane);
    for (const CursorId cursor : {CursorId::Level1, CursorId::Level2}) {
        const double value = channel(lane).calibration.value(m_cursors.level(indexOf(cursor)));
        const qreal y = snapped(yOfValue(lane, value), ratio);
        if (y < plot.top() || y > plot.bottom()) continue;
        painter.setPen(pen(cursor));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.drawText(QPointF(plot.left() + 3, y - 3),
                         cursor == CursorId::Level1 ? QStringLiteral("v1") : QStringLiteral("v2"));
    }
}

void ScopeView::paintReadout(QPainter& painter) const {
    if (!m_pointer || m_drag != Drag::None) return;
    const QRectF box = readoutRect(*m_pointer);
    if (box.isEmpty()) return;
    const qreal ratio = devicePixelRatioF();
    const qreal x = snapped(m_pointer->x(), ratio);
    QPen line(QColor(255, 255, 255, 150));
    line.setCosmetic(true);
    line.setWidthF(1.0 / ratio);
    painter.setPen(line);
    painter.drawLine(QPointF(x, headerRect(0).bottom()),
                     QPointF(x, plotRect(laneCount() - 1).bottom()));
    painter.fillRect(box, QColor(0, 0, 0, 210));
    painter.setPen(kHeaderText);
    painter.drawText(box, Qt::AlignCenter, readoutAt(*m_pointer));
}

}  // namespace tqv::scope::qt
