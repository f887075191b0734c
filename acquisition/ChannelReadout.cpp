#include "acquisition/ChannelReadout.h"

#include <algorithm>
#include <tuple>

#include "acquisition/AcquisitionControl.h"
#include "text/TextConversions.h"

namespace tqv::acquisition {

namespace {

constexpr int kChannelLabels = 4;

static_assert(StartParameters::ChannelCount <=
                  std::tuple_size_v<decltype(window::FormState::ChanValue)>,
              "every acquired channel needs its ChanValue entry");

}  // namespace

void showChannelValues(window::FormContext& ctx) {
    const auto& dll = ctx.dll;
    if (!card::buffersMatchParameters(dll)) return;
    auto& chanValue = ctx.form.ChanValue;
    // With the buffers matching the parameters, every index below lies in the last
    // scan of the block or of a ring slot.
    const int32_t channels =
        std::clamp<int32_t>(dll.ChannelCount, 0, static_cast<int32_t>(chanValue.size()));
    const int32_t n = dll.ChannelCount * dll.ScanCount;
    const int32_t l = n * dll.RingBlocks;

    const int32_t lastScan = (dll.ScanCount - 1) * dll.ChannelCount + 1;
    for (int32_t c = 0; c < channels; ++c) {
        chanValue[static_cast<size_t>(c)] = channelValue(dll.BlockBuf[static_cast<size_t>(lastScan + c)]);
    }

    for (int c = 0; c < kChannelLabels; ++c) {
        ctx.ui.setCaption(window::Control::lblAD, c, text::hexText(chanValue[static_cast<size_t>(c)]));
    }

    // The newest stored block sits just before RingPos, cyclically.
    const int32_t newestEnd = dll.RingPos != 0 ? dll.RingPos : l;
    for (int32_t c = 0; c < channels; ++c) {
        const int32_t index = newestEnd - dll.ChannelCount + c;
        chanValue[static_cast<size_t>(c)] = channelValue(dll.RingBuf[static_cast<size_t>(index)]);
    }
}

}  // namespace tqv::acquisition
