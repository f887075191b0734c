#include "acquisition/ChannelReadout.h"

#include <algorithm>
#include <tuple>

#include "text/TextConversions.h"

namespace tqv::acquisition {

namespace {

constexpr int kChannelLabels = 4;

static_assert(session::PanelStart.ChannelCount <=
                  std::tuple_size_v<decltype(window::FormState::ChanValue)>,
              "every acquired channel needs its ChanValue entry");

}  // namespace

void showChannelValues(window::FormContext& ctx) {
    const auto& blocks = ctx.session.blocks();
    if (!blocks.ready()) return;
    const auto& parameters = blocks.parameters();
    const auto blockBuf = blocks.BlockBuf();
    const auto ringBuf = blocks.RingBuf();
    auto& chanValue = ctx.form.ChanValue;
    // With the buffers ready, every index below lies in the last scan of the block or
    // of a ring slot.
    const int32_t channels =
        std::clamp<int32_t>(parameters.ChannelCount, 0, static_cast<int32_t>(chanValue.size()));
    const int32_t n = parameters.ChannelCount * parameters.ScanCount;
    const int32_t l = n * blocks.RingBlocks();

    const int32_t lastScan = (parameters.ScanCount - 1) * parameters.ChannelCount + 1;
    for (int32_t c = 0; c < channels; ++c) {
        chanValue[static_cast<size_t>(c)] = channelValue(blockBuf[static_cast<size_t>(lastScan + c)]);
    }

    for (int c = 0; c < kChannelLabels; ++c) {
        ctx.ui.setCaption(window::Control::lblAD, c, text::hexText(chanValue[static_cast<size_t>(c)]));
    }

    // The newest stored block sits just before RingPos, cyclically.
    const int32_t newestEnd = blocks.RingPos() != 0 ? blocks.RingPos() : l;
    for (int32_t c = 0; c < channels; ++c) {
        const int32_t index = newestEnd - parameters.ChannelCount + c;
        chanValue[static_cast<size_t>(c)] = channelValue(ringBuf[static_cast<size_t>(index)]);
    }
}

}  // namespace tqv::acquisition
