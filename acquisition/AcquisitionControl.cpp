#include "acquisition/AcquisitionControl.h"

#include <new>

#include "text/TextConversions.h"

namespace tqv::acquisition {

using window::Control;

namespace {

void showStartError(window::FormContext& ctx) {
    ctx.ui.setCaption(Control::lblBlock, "Error=" + text::plainDecimal(ctx.card.GetLastADError()));
}

// Fresh, zeroed buffers sized from the start parameters. False when the sizes
// overflow 32 bits or the memory cannot be had; the old buffers then stay.
bool recreateBuffers(card::DllDef& dll) {
    const auto n = card::blockLength(dll);
    const auto l = card::ringLength(dll);
    if (!n || !l || *n < 0 || *l < 0 || *n > INT32_MAX - 2) return false;
    try {
        std::vector<int16_t> block(static_cast<size_t>(*n) + 2);
        std::vector<int16_t> ring(static_cast<size_t>(*l) + 1);
        dll.BlockBuf.swap(block);
        dll.RingBuf.swap(ring);
        dll.StoredBlocks = 0;
        ++dll.BufferGeneration;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace

void startAcquisition(window::FormContext& ctx) {
    auto& dll = ctx.dll;
    StartParameters::applyTo(dll);

    ctx.card.StopIntr();
    if (ctx.card.Initial(0, 0, 0, 0) == 0) {
        showStartError(ctx);
        return;
    }
    // A failure here abandons the start quietly, leaving what was done so far.
    if (!recreateBuffers(dll)) return;

    if (ctx.card.StartIntr(dll.QueueBlocks, dll.ScanCount, dll.FirstChannel, dll.ChannelCount,
                           dll.ScanRate, dll.Gain, dll.Mode) == 0) {
        showStartError(ctx);
        return;
    }
    ctx.ui.setEnabled(Control::TimerAD, true);
    ctx.ui.setEnabled(Control::cmdStart, false);
    ctx.ui.setEnabled(Control::cmdStop, true);
}

void stopAcquisition(window::FormContext& ctx) {
    ctx.card.StopIntr();
    if (ctx.blockListener != nullptr) ctx.blockListener->acquisitionStopped(false);
    ctx.ui.setEnabled(Control::cmdStop, false);
    ctx.ui.setEnabled(Control::cmdStart, true);
}

void exitProgram(window::FormContext& ctx) {
    ctx.card.StopIntr();
    ctx.ui.close();
}

void unloadForm(window::FormContext& ctx) {
    ctx.card.StopIntr();
    if (ctx.blockListener != nullptr) ctx.blockListener->acquisitionStopped(true);
}

}  // namespace tqv::acquisition
