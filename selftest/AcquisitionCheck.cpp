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

}  // namespace

CheckResult checkAcquisition(session::CardSession& session, const AcquisitionSettings& settings) {
    CheckResult result;
    result.name = "acquisition";
    result.outcome = Outcome::Fail;
    AcquisitionObserver observer(settings.capture);
    const session::ScopedListener listening(session.blocks(), observer);
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
    AcquisitionFacts facts;
    facts.delivered = session.counts().delivered;
    facts.elapsedSeconds = elapsed;
    facts.blockSeconds = blockSeconds;
    facts.adResultFailures = session.counts().notDelivered;
    facts.largestQueue = session.counts().largestQueue;
    facts.queueCapacity = PanelStart.QueueBlocks;
    facts.errorCode = session.errorCode();
    facts.interrupted = interrupted;
    return acquisitionVerdict(facts, observer);
}

}  // namespace tqv::selftest
