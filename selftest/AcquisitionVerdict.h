// What a run of acquisition showed and the self-test's verdict on it, apart from how the
// run was driven: tqv-selftest drains a run of its own, the network instrument's *TST?
// judges the acquisition that is running.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "analysis/ChannelStatistics.h"
#include "selftest/CheckResult.h"
#include "selftest/SignalCapture.h"
#include "session/BlockListener.h"
#include "session/StartParameters.h"

namespace tqv::selftest {

// Each stored block's figures as the session tells it, and the first loss the card
// showed; everything starts afresh with each start.
class AcquisitionObserver final : public session::BlockListener {
public:
    static constexpr int Channels = session::PanelStart.ChannelCount;

    // When given, `capture` keeps the first scans delivered.
    explicit AcquisitionObserver(SignalCapture* capture = nullptr) : m_capture(capture) {}

    void acquisitionStarted(const session::StartParameters& parameters) override;
    void blockStored(const session::StoredBlock& block) override;
    void blocksLost(const session::Loss& loss) override;

    const std::array<analysis::StatisticsAccumulator, Channels>& channels() const {
        return m_channels;
    }
    // Blocks not delivered have a reason of their own and are not counted here.
    const std::optional<session::Loss>& firstLoss() const { return m_firstLoss; }

private:
    SignalCapture* m_capture;
    int m_channelCount = Channels;
    std::array<analysis::StatisticsAccumulator, Channels> m_channels;
    std::optional<session::Loss> m_firstLoss;
};

// The delivered block count may differ from what the wall clock allows by this share,
// or by one block (the one still being acquired when the run ends), whichever is more.
inline constexpr double BlockRateTolerance = 0.02;

struct AcquisitionFacts {
    // Blocks the card completed in the run, delivered or waiting to be.
    long long delivered = 0;
    double elapsedSeconds = 0;
    // How long one block takes at the run's parameters.
    double blockSeconds = 0;
    long long adResultFailures = 0;
    int largestQueue = 0;
    int queueCapacity = 0;
    int32_t errorCode = 0;
    bool interrupted = false;
};

// Fails on a block count off the wall clock (more than BlockRateTolerance or one block),
// an ADResult failure, a loss the card showed, a nonzero error code, a channel whose
// samples are all equal, or an interrupt; the figures give each channel's statistics.
CheckResult acquisitionVerdict(const AcquisitionFacts& facts, const AcquisitionObserver& observer);

}  // namespace tqv::selftest
