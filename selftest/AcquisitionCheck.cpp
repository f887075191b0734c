#include "selftest/AcquisitionCheck.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "analysis/ChannelStatistics.h"
#include "session/BlockDrain.h"
#include "session/CardPace.h"
#include "text/TextConversions.h"

namespace tqv::selftest {

namespace {

using session::PanelStart;
using Seconds = std::chrono::duration<double>;

constexpr Clock::Duration kProgressInterval = std::chrono::milliseconds(250);

std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

void addReason(std::string& reasons, const std::string& reason) {
    if (!reasons.empty()) reasons += "; ";
    reasons += reason;
}

std::string channelFigures(int channel, const analysis::ChannelStatistics& statistics) {
    return "channel " + std::to_string(channel) + ": minimum " +
           text::plainDecimal(statistics.minimum) + ", maximum " +
           text::plainDecimal(statistics.maximum) + ", mean " + fixed(statistics.mean, 1) +
           ", RMS " + fixed(statistics.rms, 1) + " (codes)";
}

// Each delivered block's figures, as soon as the card reports it, and the first loss.
class BlockJudge final : public session::BlockListener {
public:
    explicit BlockJudge(SignalCapture* capture) : m_capture(capture) {}

    void blockStored(const session::StoredBlock& block) override {
        for (int c = 0; c < PanelStart.ChannelCount; ++c) {
            channels[static_cast<std::size_t>(c)].addInterleaved(block.samples,
                                                                 PanelStart.ChannelCount, c);
        }
        if (m_capture != nullptr) m_capture->add(block.samples);
    }
    void blocksLost(const session::Loss& loss) override {
        // Blocks not delivered have a reason of their own.
        if (loss.cause != session::LossCause::NotDelivered && !firstLoss) firstLoss = loss;
    }

    std::array<analysis::StatisticsAccumulator, PanelStart.ChannelCount> channels;
    std::optional<session::Loss> firstLoss;

private:
    SignalCapture* m_capture;
};

}  // namespace

CheckResult checkAcquisition(session::CardSession& session, const AcquisitionSettings& settings) {
    CheckResult result;
    result.name = "acquisition";
    result.outcome = Outcome::Fail;
    BlockJudge judge(settings.capture);
    const session::ScopedListener listening(session.blocks(), judge);
    session::BlockDrain drain(session, settings.pollInterval);
    if (const auto refused = drain.start(PanelStart)) {
        result.summary = session::startFailureText(*refused);
        return result;
    }

    const auto start = drain.startTime();
    const auto runTime = std::chrono::duration_cast<Clock::Duration>(Seconds(settings.seconds));
    auto nextProgress = start;

    session::DrainLimits limits;
    limits.runTime = runTime;
    limits.interrupted = settings.interrupted;
    limits.afterPoll = [&](Clock::Duration sinceStart) {
        const auto now = start + sinceStart;
        if (settings.progress && now >= nextProgress) {
            settings.progress({Seconds(sinceStart).count(), settings.seconds,
                               session.counts().delivered});
            nextProgress = now + kProgressInterval;
        }
    };
    const bool interrupted = drain.run(limits) == session::DrainEnd::Interrupted;
    const auto isInterrupted = [&] {
        return settings.interrupted != nullptr && settings.interrupted->load();
    };
    auto now = drain.lastPollTime();
    const double elapsed = Seconds(now - start).count();
    const double blockSeconds = session::blockSeconds(PanelStart);
    const double expected = elapsed / blockSeconds;

    // A block that fell due just before the end may reach the queue a little late (the
    // card hands it over after its last scan): give it up to one block period, so a
    // short run is not failed for a block in transit. The count expected stays that of
    // the end.
    const auto graceEnd = now + std::chrono::duration_cast<Clock::Duration>(Seconds(blockSeconds));
    while (!interrupted && static_cast<double>(session.counts().delivered) + 1 <= expected &&
           now < graceEnd && !isInterrupted()) {
        drain.poll();
        now = drain.lastPollTime();
    }
    const long long delivered = session.counts().delivered;
    const long long adResultFailures = session.counts().notDelivered;
    const int largestQueue = session.counts().largestQueue;
    const int32_t errorCode = session.errorCode();

    const double deviation =
        expected > 0 ? (static_cast<double>(delivered) - expected) / expected : 0.0;
    const double allowed = std::max(BlockRateTolerance * expected, 1.0);

    std::string reasons;
    if (interrupted) addReason(reasons, "interrupted after " + fixed(elapsed, 2) + " s");
    if (std::abs(static_cast<double>(delivered) - expected) > allowed) {
        const std::string pace = session::cardPaceText(delivered, expected);
        addReason(reasons, std::to_string(delivered) + " blocks in " + fixed(elapsed, 2) +
                               " s where the clock allows " + fixed(expected, 1) + " (" +
                               (deviation >= 0 ? "+" : "") + fixed(deviation * 100, 1) +
                               " %, limit 2 %)" + (pace.empty() ? "" : ": " + pace));
    }
    if (adResultFailures > 0) {
        addReason(reasons, std::to_string(adResultFailures) + " ADResult failures");
    }
    if (judge.firstLoss) addReason(reasons, "blocks lost: " + session::lossText(*judge.firstLoss));
    if (errorCode != 0) {
        addReason(reasons, "error code " + text::plainDecimal(errorCode) + " after the run");
    }
    for (int c = 0; c < PanelStart.ChannelCount; ++c) {
        const auto statistics = judge.channels[static_cast<std::size_t>(c)].result();
        if (statistics.count == 0) continue;
        result.figures.push_back(channelFigures(c, statistics));
        if (statistics.stuck()) {
            addReason(reasons, "channel " + std::to_string(c) + " stuck at " +
                                   text::plainDecimal(statistics.minimum));
        }
    }
    result.figures.push_back("largest queue seen: " + std::to_string(largestQueue) + " of " +
                             std::to_string(PanelStart.QueueBlocks) + " blocks");

    if (reasons.empty()) {
        result.outcome = Outcome::Pass;
        result.summary = std::to_string(delivered) + " blocks in " + fixed(elapsed, 2) +
                         " s (clock allows " + fixed(expected, 1) + ", " +
                         (deviation >= 0 ? "+" : "") + fixed(deviation * 100, 1) +
                         " %), no ADResult failure, error code 0";
    } else {
        result.summary = reasons;
    }
    return result;
}

}  // namespace tqv::selftest
