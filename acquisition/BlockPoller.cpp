#include "acquisition/BlockPoller.h"

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

void pollBlocks(window::FormContext& ctx) {
    const int16_t count = ctx.session.queryBuf();
    if (count == 0) return;
    // A count with no buffers to take the blocks (nothing was started) would have the
    // card write into nowhere; such a tick is passed over like an empty one.
    if (!ctx.session.blocks().ready()) return;

    ctx.session.fetch(count);

    ctx.form.BlockCount = advanceBlockCount(ctx.form.BlockCount, count);
    ctx.ui.setCaption(Control::lblBlock, text::numberText(ctx.form.BlockCount));
    ctx.ui.setCaption(Control::lblptr, text::numberText(ctx.session.blocks().RingPos()));

    showChannelValues(ctx);
    showDigitalInputs(ctx);
    showSampleInfo(ctx);
}

}  // namespace tqv::acquisition
