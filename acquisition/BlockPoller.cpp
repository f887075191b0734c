#include "acquisition/BlockPoller.h"

#include <algorithm>
#include <span>

#include "acquisition/ChannelReadout.h"
#include "acquisition/DigitalInputReadout.h"
#include "acquisition/SampleInfo.h"
#include "text/TextConversions.h"

namespace tqv::acquisition {

using window::Control;

namespace {

constexpr int32_t kBlockCountLimit = 32000;

}  // namespace

int16_t advanceBlockCount(int16_t blockCount, int16_t count) {
    const int32_t sum = int32_t{blockCount} + count;
    if (sum > kBlockCountLimit || sum < INT16_MIN) return 0;
    return static_cast<int16_t>(sum);
}

void storeBlock(card::DllDef& dll, int32_t blockLength, int32_t ringLength) {
    const auto first = dll.BlockBuf.begin() + 1;
    std::copy(first, first + blockLength, dll.RingBuf.begin() + dll.RingPos);
    dll.RingPos += blockLength;
    if (dll.RingPos >= ringLength) dll.RingPos = 0;
    ++dll.StoredBlocks;
}

void pollBlocks(window::FormContext& ctx) {
    const int16_t count = ctx.card.QueryBuf();
    if (count == 0) return;

    auto& dll = ctx.dll;
    // A count with no buffers to take the blocks (nothing was started) would have
    // the card write into nowhere; such a tick is passed over like an empty one.
    if (!card::buffersMatchParameters(dll)) return;
    const int32_t n = *card::blockLength(dll);
    const int32_t l = *card::ringLength(dll);
    // A position left by other parameters could not start a whole slot.
    if (dll.RingPos < 0 || dll.RingPos > l - n || dll.RingPos % n != 0) dll.RingPos = 0;

    for (int32_t k = 1; k <= count; ++k) {
        if (ctx.card.ADResult(dll.BlockBuf.data()) != 1) continue;
        storeBlock(dll, n, l);
        if (ctx.blockListener != nullptr) {
            ctx.blockListener->blockStored(
                std::span<const int16_t>(dll.BlockBuf.data() + 1, static_cast<std::size_t>(n)));
        }
    }

    ctx.form.BlockCount = advanceBlockCount(ctx.form.BlockCount, count);
    ctx.ui.setCaption(Control::lblBlock, text::numberText(ctx.form.BlockCount));
    ctx.ui.setCaption(Control::lblptr, text::numberText(dll.RingPos));

    showChannelValues(ctx);
    showDigitalInputs(ctx);
    showSampleInfo(ctx);
}

}  // namespace tqv::acquisition
