// How much room a label whose caption changes at run time may take, and at which
// font size its caption fits there. Pure arithmetic on pixel boxes so that it can
// be checked without a window; the Qt window supplies the measurements.
#pragma once

#include <functional>
#include <span>

namespace tqv::window::qt {

struct PixelBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    int right() const { return left + width; }
    int bottom() const { return top + height; }
    bool intersects(const PixelBox& other) const;
};

// Width available to a label growing rightwards from `label.left`: up to the right
// edge of its container, or up to the nearest control that starts to its right and
// shares some of its rows, whichever comes first, less `gap` pixels.
int roomToRight(const PixelBox& label, int containerWidth, std::span<const PixelBox> others,
                int gap);

struct TextExtent {
    int width = 0;
    int height = 0;
};

struct LabelFit {
    int pixelSize = 0;  // font size the caption is shown at
    int width = 0;
    int height = 0;
    bool shrunk = false;   // smaller than the label's own font
    bool clipped = false;  // does not fit even at the smallest size
};

struct FitRequest {
    PixelBox stored;  // place and size from the control table
    int containerWidth = 0;
    std::span<const PixelBox> others;  // the other controls in the same container
    int preferredPixelSize = 0;
    int minimumPixelSize = 0;
    int gap = 2;
};

// The label keeps its stored top-left corner and never gets smaller than its
// stored size. It grows to show the whole caption at its own font size; where the
// room is too short, the font steps down one pixel at a time until the caption
// fits, and at the smallest size the label takes the room it has.
LabelFit fitLabel(const FitRequest& request,
                  const std::function<TextExtent(int pixelSize)>& measure);

}  // namespace tqv::window::qt
