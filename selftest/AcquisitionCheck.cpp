#include "selftest/AcquisitionCheck.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "acquisition/AcquisitionControl.h"
#include "analysis/ChannelStatistics.h"
#include "card/DllDef.h"
#include "text/TextConversions.h"

namespace tqv::selftest {

namespace {

using acquisition::StartParameters;
using Seconds = std::chrono::duration<double>;

constexpr Clock::Duration kProgressInterval = std::chrono::milliseconds(250);

// The card is left stopped however the check ends.
class StopOnExit {
public:
    explicit StopOnExit(card::CardLibrary& card) : m_card(card) {}
    ~StopOnExit() { m_card.StopIntr(); }
    StopOnExit(const StopOnExit&) = delete;
    StopOnExit& operator=(const StopOnExit&) = delete;

private:
    card::CardLibrary& m_card;
};

std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

void addReason(std::string& reasons, const std::string& reason) {
    if (!reasons.empty()) reasons += "; ";
    reasons += reason;
}

// A rate off by a large factor is no drifting clock: a card paced for another scan rate,
// or a simulated card run faster or slower than real time.
std::string rateFactorText(long long delivered, double expected) {
    if (expected <= 0 || delivered <= 0) return {};
    const double ratio = static_cast<double>(delivered) / expected;
    if (ratio >= 1.5) {
        return ": the card delivers about " + fixed(ratio, ratio < 10 ? 1 : 0) +
               "\u00d7 the blocks its start parameters ask for";
    }
    if (ratio <= 1 / 1.5) {
        return ": the card delivers about 1/" + fixed(1 / ratio, ratio > 0.1 ? 1 : 0) +
               " of the blocks its start parameters ask for";
    }
    return {};
}

card::DllDef startParameters() {
    card::DllDef dll;
    StartParameters::applyTo(dll);
    return dll;
}

std::string channelFigures(int channel, const analysis::ChannelStatistics& statistics) {
    return "channel " + std::to_string(channel) + ": minimum " +
           text::plainDecimal(statistics.minimum) + ", maximum " +
           text::plainDecimal(statistics.maximum) + ", mean " + fixed(statistics.mean, 1) +
           ", RMS " + fixed(statistics.rms, 1) + " (codes)";
}

}  // namespace

CheckResult checkAcquisition(card::CardLibrary& card, Clock& clock,
                             const AcquisitionSettings& settings) {
    CheckResult result;
    result.name = "acquisition";
    result.outcome = Outcome::Fail;
    const StopOnExit stopOnExit(card);
    card::DllDef dll = startParameters();
    const int32_t n = *card::blockLength(dll);
    // The library writes up to N + 2 elements; the block is at 1..N.
    dll.BlockBuf.assign(static_cast<std::size_t>(n) + 2, 0);

    card.StopIntr();
    if (card.Initial(0, 0, 0, 0) == 0) {
        result.summary = "Initial failed, error code " + text::plainDecimal(card.GetLastADError());
        return result;
    }
    if (card.StartIntr(dll.QueueBlocks, dll.ScanCount, dll.FirstChannel, dll.ChannelCount,
                       dll.ScanRate, dll.Gain, dll.Mode) == 0) {
        result.summary =
            "StartIntr failed, error code " + text::plainDecimal(card.GetLastADError());
        return result;
    }

    const auto start = clock.now();
    const auto runTime = std::chrono::duration_cast<Clock::Duration>(Seconds(settings.seconds));
    auto nextProgress = start;
    std::array<analysis::StatisticsAccumulator, StartParameters::ChannelCount> channels;
    const std::span<const int16_t> samples(dll.BlockBuf.data() + 1, static_cast<std::size_t>(n));
    long long delivered = 0;
    long long adResultFailures = 0;
    int largestQueue = 0;
    bool interrupted = false;

    const auto isInterrupted = [&] {
        return settings.interrupted != nullptr && settings.interrupted->load();
    };
    // Fetches what is waiting, or waits a little when nothing is.
    const auto poll = [&] {
        const int16_t waiting = card.QueryBuf();
        if (waiting <= 0) {
            clock.sleepFor(settings.pollInterval);
            return;
        }
        largestQueue = std::max<int>(largestQueue, waiting);
        for (int16_t k = 0; k < waiting; ++k) {
            if (card.ADResult(dll.BlockBuf.data()) != 1) {
                ++adResultFailures;
                continue;
            }
            ++delivered;
            for (int c = 0; c < dll.ChannelCount; ++c) {
                channels[static_cast<std::size_t>(c)].addInterleaved(samples, dll.ChannelCount, c);
            }
        }
    };

    auto now = start;
    while (now - start < runTime) {
        if (isInterrupted()) {
            interrupted = true;
            break;
        }
        poll();
        now = clock.now();
        if (settings.progress && now >= nextProgress) {
            settings.progress({Seconds(now - start).count(), settings.seconds, delivered});
            nextProgress = now + kProgressInterval;
        }
    }
    const double elapsed = Seconds(now - start).count();
    const double blockSeconds = static_cast<double>(dll.ScanCount) / dll.ScanRate;
    const double expected = elapsed / blockSeconds;

    // A block that fell due just before the end may reach the queue a little late (the
    // card hands it over after its last scan): give it up to one block period, so a
    // short run is not failed for a block in transit. The count expected stays that of
    // the end.
    const auto graceEnd = now + std::chrono::duration_cast<Clock::Duration>(Seconds(blockSeconds));
    while (!interrupted && static_cast<double>(delivered) + 1 <= expected && now < graceEnd &&
           !isInterrupted()) {
        poll();
        now = clock.now();
    }
    const int32_t errorCode = card.GetLastADError();

    const double deviation =
        expected > 0 ? (static_cast<double>(delivered) - expected) / expected : 0.0;
    const double allowed = std::max(BlockRateTolerance * expected, 1.0);

    std::string reasons;
    if (interrupted) addReason(reasons, "interrupted after " + fixed(elapsed, 2) + " s");
    if (std::abs(static_cast<double>(delivered) - expected) > allowed) {
        addReason(reasons, std::to_string(delivered) + " blocks in " + fixed(elapsed, 2) +
                               " s where the clock allows " + fixed(expected, 1) + " (" +
                               (deviation >= 0 ? "+" : "") + fixed(deviation * 100, 1) +
                               " %, limit 2 %)" + rateFactorText(delivered, expected));
    }
    if (adResultFailures > 0) {
        addReason(reasons, std::to_string(adResultFailures) + " ADResult failures");
    }
    if (errorCode != 0) {
        addReason(reasons, "error code " + text::plainDecimal(errorCode) + " after the run");
    }
    for (int c = 0; c < dll.ChannelCount; ++c) {
        const auto statistics = channels[static_cast<std::size_t>(c)].result();
        if (statistics.count == 0) continue;
        result.figures.push_back(channelFigures(c, statistics));
        if (statistics.stuck()) {
            addReason(reasons, "channel " + std::to_string(c) + " stuck at " +
                                   text::plainDecimal(statistics.minimum));
        }
    }
    result.figures.push_back("largest queue seen: " + std::to_string(largestQueue) + " of " +
                             std::to_string(dll.QueueBlocks) + " blocks");

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
