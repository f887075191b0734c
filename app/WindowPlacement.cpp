#include "app/WindowPlacement.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace tqv::app {

namespace {

// Positions tried on a grid this fine, in pixels.
constexpr int kStep = 8;
// Sizes tried between the wanted one and the minimum.
constexpr int kShrinkSteps = 8;

int64_t area(const QRect& rect) {
    return rect.isEmpty() ? 0 : int64_t{rect.width()} * rect.height();
}

int64_t overlap(const QRect& a, const QRect& b) { return area(a.intersected(b)); }

int64_t buttonsCovered(const QRect& frame, const std::vector<QRect>& buttons) {
    int64_t covered = 0;
    for (const QRect& button : buttons) covered += overlap(frame, button);
    return covered;
}

// The position on the screen's grid for a frame of `size` that covers the least of the
// buttons, then of the panel, then lies nearest the panel's right edge.
QRect bestOnGrid(const QRect& panel, const std::vector<QRect>& buttons, const QSize& size,
                 const QRect& screen, int64_t& coveredButtons) {
    QRect best;
    coveredButtons = std::numeric_limits<int64_t>::max();
    int64_t bestPanel = 0;
    int64_t bestDistance = 0;
    const QPoint beside(panel.right() + 1 + WindowGap, panel.top());
    const int lastX = std::max(screen.right() + 1 - size.width(), screen.left());
    const int lastY = std::max(screen.bottom() + 1 - size.height(), screen.top());
    for (int y = screen.top();; y = std::min(y + kStep, lastY)) {
        for (int x = screen.left();; x = std::min(x + kStep, lastX)) {
            const QRect frame(QPoint(x, y), size);
            const int64_t onButtons = buttonsCovered(frame, buttons);
            const int64_t onPanel = overlap(frame, panel);
            const int64_t distance = int64_t{x - beside.x()} * (x - beside.x()) +
                                     int64_t{y - beside.y()} * (y - beside.y());
            if (onButtons < coveredButtons ||
                (onButtons == coveredButtons &&
                 (onPanel < bestPanel || (onPanel == bestPanel && distance < bestDistance)))) {
                best = frame;
                coveredButtons = onButtons;
                bestPanel = onPanel;
                bestDistance = distance;
            }
            if (x == lastX) break;
        }
        if (y == lastY) break;
    }
    return best;
}

}  // namespace

bool onSomeScreen(const QRect& frame, const std::vector<QRect>& screens) {
    const QPoint titleMiddle(frame.center().x(), frame.top() + 10);
    return std::any_of(screens.begin(), screens.end(),
                       [&](const QRect& screen) { return screen.contains(titleMiddle); });
}

QRect scopePlace(const QRect& panelFrame, const std::vector<QRect>& buttons, const QSize& size,
                 const QSize& minimum, const QRect& screen) {
    const QRect beside[] = {
        QRect(QPoint(panelFrame.right() + 1 + WindowGap, panelFrame.top()), size),
        QRect(QPoint(panelFrame.left() - WindowGap - size.width(), panelFrame.top()), size),
        QRect(QPoint(panelFrame.left(), panelFrame.bottom() + 1 + WindowGap), size),
        QRect(QPoint(panelFrame.left(), panelFrame.top() - WindowGap - size.height()), size),
    };
    for (const QRect& place : beside) {
        if (screen.contains(place)) return place;
    }
    // Every size from the one wanted down to the minimum: the place that covers the
    // fewest buttons, then the least of the panel, then the largest.
    const QSize smallest = minimum.boundedTo(size);
    QRect best;
    int64_t bestButtons = std::numeric_limits<int64_t>::max();
    int64_t bestPanel = std::numeric_limits<int64_t>::max();
    for (int step = 0; step <= kShrinkSteps; ++step) {
        const QSize tried =
            QSize(size.width() - (size.width() - smallest.width()) * step / kShrinkSteps,
                  size.height() - (size.height() - smallest.height()) * step / kShrinkSteps)
                .boundedTo(screen.size())
                .expandedTo(smallest);
        int64_t buttonsCoveredHere = 0;
        const QRect place = bestOnGrid(panelFrame, buttons, tried, screen, buttonsCoveredHere);
        const int64_t panelCovered = overlap(place, panelFrame);
        if (buttonsCoveredHere < bestButtons ||
            (buttonsCoveredHere == bestButtons && panelCovered < bestPanel)) {
            best = place;
            bestButtons = buttonsCoveredHere;
            bestPanel = panelCovered;
        }
    }
    return best;
}

}  // namespace tqv::app
