// Starting and stopping the card's continuous acquisition, and leaving the program.
#pragma once

#include "window/FormContext.h"

namespace tqv::acquisition {

// The start parameters: 4 channels in blocks of 300 scans, 10000 scans a second,
// up to 50 completed blocks queued in the card library.
struct StartParameters {
    static constexpr int16_t QueueBlocks = 50;
    static constexpr int32_t ScanCount = 300;
    static constexpr int16_t FirstChannel = 0;
    static constexpr int16_t ChannelCount = 4;
    static constexpr int32_t ScanRate = 10000;
    static constexpr int32_t Gain = 0;
    static constexpr int16_t Mode = 1;

    // Writes them into the module state, where StartIntr's arguments are taken from.
    static void applyTo(card::DllDef& dll) {
        dll.QueueBlocks = QueueBlocks;
        dll.ScanCount = ScanCount;
        dll.FirstChannel = FirstChannel;
        dll.ChannelCount = ChannelCount;
        dll.ScanRate = ScanRate;
        dll.Gain = Gain;
        dll.Mode = Mode;
    }
};

void startAcquisition(window::FormContext& ctx);
void stopAcquisition(window::FormContext& ctx);
// Stops the card and closes the window; its unload stops the card once more.
void exitProgram(window::FormContext& ctx);
void unloadForm(window::FormContext& ctx);

}  // namespace tqv::acquisition
