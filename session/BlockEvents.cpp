#include "session/BlockEvents.h"

namespace tqv::session {

namespace {

std::string blocksText(int64_t count) {
    return std::to_string(count) + (count == 1 ? " block" : " blocks");
}

}  // namespace

std::string lossText(const Loss& loss) {
    std::string text;
    switch (loss.cause) {
    case LossCause::NotDelivered:
        text = blocksText(loss.blocks.value_or(1)) + " reported complete but not delivered";
        break;
    case LossCause::CardQueueFull: text = "the card's queue was full"; break;
    case LossCause::CardError: text = "card error code " + std::to_string(loss.errorCode); break;
    case LossCause::BehindClock: text = "the card delivered fewer blocks than the clock allows"; break;
    }
    if (loss.cause != LossCause::NotDelivered && loss.estimatedBlocks) {
        text += " (about " + blocksText(*loss.estimatedBlocks) + " missing by the clock)";
    }
    return text;
}

}  // namespace tqv::session
