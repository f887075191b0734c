#include "window/qt/LabelFitting.h"

#include <algorithm>

namespace tqv::window::qt {

bool PixelBox::intersects(const PixelBox& other) const {
    return left < other.right() && other.left < right() && top < other.bottom() &&
           other.top < bottom();
}

int roomToRight(const PixelBox& label, int containerWidth, std::span<const PixelBox> others,
                int gap) {
    int limit = containerWidth;
    for (const auto& other : others) {
        if (other.width <= 0 || other.height <= 0) continue;
        // A control starting at or left of the label's own left edge is not in the
        // way of growing; overlaps the table already holds are left as they are.
        if (other.left <= label.left) continue;
        const bool sharesRows = other.top < label.bottom() && label.top < other.bottom();
        if (sharesRows) limit = std::min(limit, other.left);
    }
    return std::max(0, limit - gap - label.left);
}

LabelFit fitLabel(const FitRequest& request,
                  const std::function<TextExtent(int pixelSize)>& measure) {
    const PixelBox& stored = request.stored;
    const int smallest = std::min(request.minimumPixelSize, request.preferredPixelSize);
    LabelFit fit;
    for (int size = request.preferredPixelSize; size >= smallest; --size) {
        const TextExtent extent = measure(size);
        const int height = std::max(stored.height, extent.height);
        const int room = roomToRight({stored.left, stored.top, stored.width, height},
                                     request.containerWidth, request.others, request.gap);
        fit = {size, std::max(stored.width, std::min(extent.width, room)), height,
               size < request.preferredPixelSize, false};
        if (extent.width <= std::max(room, stored.width)) return fit;
    }
    fit.clipped = true;
    return fit;
}

}  // namespace tqv::window::qt
