// The fonts of the window. Sizes are in pixels at the same 96 dots per inch the
// control table's twips assume, so that text and geometry scale together and the
// toolkit's device-pixel ratio takes care of high-density screens.
#pragma once

#include <QFont>

#include "window/ControlTable.h"

namespace tqv::window::qt {

// The design size of the window's text: 9 points at 96 dpi.
inline constexpr int PanelPixelSize = 12;
// Below this a caption shrunk to fit its room stops being readable.
inline constexpr int MinimumLabelPixelSize = 8;

int pixelsForPoints(double points);

// A sans-serif face that has the Chinese captions' glyphs.
QFont panelFont();

// The font a control asks for by name, with Chinese-capable faces behind it for
// machines that lack the named one.
QFont requestedFont(const FontSetting& row);

}  // namespace tqv::window::qt
