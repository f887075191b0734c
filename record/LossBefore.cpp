#include "record/LossBefore.h"

namespace tqv::record {

namespace {

unsigned bit(GapCause cause) { return static_cast<unsigned>(cause); }

GapCause gapCause(session::LossCause cause) {
    switch (cause) {
    case session::LossCause::NotDelivered: return GapCause::NotDelivered;
    case session::LossCause::CardQueueFull: return GapCause::CardQueueFull;
    case session::LossCause::CardError: return GapCause::CardError;
    case session::LossCause::BehindClock: return GapCause::BehindClock;
    }
    return GapCause::CardError;
}

}  // namespace

void addLoss(LossBefore& before, const session::Loss& loss) {
    before.causes |= bit(gapCause(loss.cause));
    if (loss.errorCode != 0) before.errorCode = loss.errorCode;
    if (loss.blocks) {
        before.knownBlocks += *loss.blocks;
        return;
    }
    ++before.unknownLosses;
    before.estimatedBlocks += loss.estimatedBlocks.value_or(0);
}

void addOwnQueueLoss(LossBefore& before) {
    before.causes |= bit(GapCause::RecordingQueueFull);
    ++before.knownBlocks;
}

std::string causesText(const LossBefore& before) {
    std::string text;
    const auto add = [&](GapCause cause, const std::string& words) {
        if ((before.causes & bit(cause)) == 0) return;
        if (!text.empty()) text += "; ";
        text += words;
    };
    add(GapCause::RecordingQueueFull, "the recording's queue was full");
    add(GapCause::NotDelivered, "blocks reported complete but not delivered");
    add(GapCause::CardQueueFull, "the card's queue was full");
    add(GapCause::CardError, "card error code " + std::to_string(before.errorCode));
    add(GapCause::BehindClock, "the card delivered fewer blocks than the clock allows");
    return text;
}

}  // namespace tqv::record
