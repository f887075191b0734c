// Where the scope's window goes, as pure arithmetic on rectangles: beside the panel on
// its screen when it fits there, otherwise where it covers none of the panel's buttons;
// and whether a remembered place lies on any screen there is now.
#pragma once

#include <QRect>
#include <QSize>
#include <vector>

namespace tqv::app {

// Space left between the panel and the scope.
inline constexpr int WindowGap = 8;

// Enough of `frame` to grab it by its title lies on one of `screens`: the middle of its
// top edge, 10 pixels down.
bool onSomeScreen(const QRect& frame, const std::vector<QRect>& screens);

// The scope's frame: `size` to the right of the panel, else to its left, below or above
// it, wherever that lies wholly on `screen`. Where none does, the place on `screen`,
// shrunk towards `minimum` as far as it helps, that covers the fewest of `buttons` (the
// panel's, in screen coordinates: none where it can), then the least of the panel, then
// is the largest.
QRect scopePlace(const QRect& panelFrame, const std::vector<QRect>& buttons, const QSize& size,
                 const QSize& minimum, const QRect& screen);

}  // namespace tqv::app
