#include "selftest/AcquisitionVerdict.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "session/BlockEvents.h"
#include "session/CardPace.h"
#include "text/TextConversions.h"

namespace tqv::selftest {

namespace {

void addReason(std::string& reasons, const std::string& reason) {
    if (!reasons.empty()) reasons += "; ";
    reasons += reason;
}

std::string channelFigures(int channel, const analysis::ChannelStatistics& statistics) {
    return "channel " + std::to_string(channel) + ": minimum " +
           text::plainDecimal(statistics.minimum) + ", maximum " +
           text::plainDecimal(statistics.maximum) + ", mean " + text::fixedDecimals(statistics.mean, 1) +
           ", RMS " + text::fixedDecimals(statistics.rms, 1) + " (codes)";
}

}  // namespace

void AcquisitionObserver::acquisitionStarted(const session::StartParameters& parameters) {
    m_channelCount = parameters.ChannelCount;
    m_channels = {};
    m_firstLoss.reset();
}

void AcquisitionObserver::blockStored(const session::StoredBlock& block) {
    // Blocks of more channels than the panel's are judged on the panel's first ones.
    if (m_channelCount < Channels) return;
    for (int c = 0; c < Channels; ++c) {
        m_channels[static_cast<std::size_t>(c)].addInterleaved(block.samples, m_channelCount, c);
    }
    if (m_capture != nullptr) m_capture->add(block.samples);
}

void AcquisitionObserver::blocksLost(const session::Loss& loss) {
    if (loss.cause != session::LossCause::NotDelivered && !m_firstLoss) m_firstLoss = loss;
}

CheckResult acquisitionVerdict(const AcquisitionFacts& facts, const AcquisitionObserver& observer) {
    CheckResult result;
    result.name = "acquisition";
    result.outcome = Outcome::Fail;
    const double elapsed = facts.elapsedSeconds;
    const double expected = facts.blockSeconds > 0 ? elapsed / facts.blockSeconds : 0.0;
    const long long delivered = facts.delivered;
    const double deviation =
        expected > 0 ? (static_cast<double>(delivered) - expected) / expected : 0.0;
    const double allowed = std::max(BlockRateTolerance * expected, 1.0);

    std::string reasons;
    if (facts.interrupted) addReason(reasons, "interrupted after " + text::fixedDecimals(elapsed, 2) + " s");
    if (std::abs(static_cast<double>(delivered) - expected) > allowed) {
        // A rate off by a large factor is no drifting clock: a card paced for another scan
        // rate, or a simulated card run faster or slower than real time.
        const std::string pace = session::cardPaceText(delivered, expected);
        addReason(reasons, std::to_string(delivered) + " blocks in " + text::fixedDecimals(elapsed, 2) +
                               " s where the clock allows " + text::fixedDecimals(expected, 1) + " (" +
                               (deviation >= 0 ? "+" : "") + text::fixedDecimals(deviation * 100, 1) +
                               " %, limit 2 %)" + (pace.empty() ? "" : ": " + pace));
    }
    if (facts.adResultFailures > 0) {
        addReason(reasons, std::to_string(facts.adResultFailures) + " ADResult failures");
    }
    if (observer.firstLoss()) {
        addReason(reasons, "blocks lost: " + session::lossText(*observer.firstLoss()));
    }
    if (facts.errorCode != 0) {
        addReason(reasons, "error code " + text::plainDecimal(facts.errorCode) + " after the run");
    }
    for (int c = 0; c < AcquisitionObserver::Channels; ++c) {
        const auto statistics = observer.channels()[static_cast<std::size_t>(c)].result();
        if (statistics.count == 0) continue;
        result.figures.push_back(channelFigures(c, statistics));
        if (statistics.stuck()) {
            addReason(reasons, "channel " + std::to_string(c) + " stuck at " +
                                   text::plainDecimal(statistics.minimum));
        }
    }
    result.figures.push_back("largest queue seen: " + std::to_string(facts.largestQueue) + " of " +
                             std::to_string(facts.queueCapacity) + " blocks");

    if (reasons.empty()) {
        result.outcome = Outcome::Pass;
        result.summary = std::to_string(delivered) + " blocks in " + text::fixedDecimals(elapsed, 2) +
                         " s (clock allows " + text::fixedDecimals(expected, 1) + ", " +
                         (deviation >= 0 ? "+" : "") + text::fixedDecimals(deviation * 100, 1) +
                         " %), no ADResult failure, error code 0";
    } else {
        result.summary = reasons;
    }
    return result;
}

}  // namespace tqv::selftest
