#include "session/LossWatch.h"

#include <algorithm>

namespace tqv::session {

void LossWatch::started(Clock::Duration blockPeriod, std::optional<int32_t> errorCodeBefore) {
    m_blockPeriod = blockPeriod;
    m_lastErrorCode = errorCodeBefore;
    m_mark = {};
    m_checkpoint = {};
    m_behindSince.reset();
}

int64_t LossWatch::deficit(const FetchFacts& facts) const {
    const int64_t due = std::max<int64_t>((facts.sinceStart - m_mark.at) / m_blockPeriod, 0);
    return due - (facts.accounted - m_mark.accounted);
}

std::optional<Loss> LossWatch::afterFetch(const FetchFacts& facts, int64_t storedBefore) {
    const bool clocked = m_blockPeriod > Clock::Duration{0};
    std::optional<int64_t> missing;
    bool behindClock = false;
    if (clocked) {
        const int64_t due = std::max<int64_t>((facts.sinceStart - m_mark.at) / m_blockPeriod, 0);
        const auto slack =
            ClockSlackBlocks + static_cast<int64_t>(ClockSlackShare * static_cast<double>(due));
        if (const int64_t behind = deficit(facts); behind > slack) {
            missing = behind;
            if (!m_behindSince) m_behindSince = facts.sinceStart;
            behindClock = facts.sinceStart - *m_behindSince >= ClockGrace;
        } else {
            m_behindSince.reset();
        }
    }

    std::optional<LossCause> cause;
    if (facts.queueCapacity > 0 && facts.waiting >= facts.queueCapacity) {
        cause = LossCause::CardQueueFull;
    } else if (facts.errorCode && m_lastErrorCode && *facts.errorCode != 0 &&
               *facts.errorCode != *m_lastErrorCode) {
        cause = LossCause::CardError;
    } else if (behindClock) {
        cause = LossCause::BehindClock;
    }
    m_lastErrorCode = facts.errorCode;

    if (clocked) {
        const Mark now{facts.sinceStart, facts.accounted};
        if (cause || deficit(facts) < 0) {
            // Told once, or the card is ahead: what it delivered so far is the new mark,
            // so nothing is told twice and no surplus hides a later loss.
            m_mark = now;
            m_checkpoint = now;
            m_behindSince.reset();
        } else if (facts.sinceStart - m_checkpoint.at >= ClockWindow) {
            m_mark = m_checkpoint;
            m_checkpoint = now;
        }
    }
    if (!cause) return std::nullopt;

    Loss loss;
    loss.cause = *cause;
    loss.estimatedBlocks = missing;
    loss.storedBefore = storedBefore;
    loss.errorCode = facts.errorCode.value_or(0);
    return loss;
}

}  // namespace tqv::session
