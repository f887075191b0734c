#include "session/CardSession.h"

#include <algorithm>
#include <chrono>

#include "session/CardIdentity.h"
#include "text/TextConversions.h"

namespace tqv::session {

namespace {

constexpr std::size_t kByteBufSize = 32001;
// Written over the reply before a checked exchange: no card is named 165 165 of type 165.
constexpr uint8_t kUntouchedPattern = 0xA5;

}  // namespace

std::string startFailureText(const StartFailure& failure) {
    switch (failure.stage) {
    case StartFailure::Stage::Initial:
        return "Initial failed, error code " + text::plainDecimal(failure.errorCode);
    case StartFailure::Stage::Buffers: return "no memory for the block buffers";
    case StartFailure::Stage::StartIntr:
        return "StartIntr failed, error code " + text::plainDecimal(failure.errorCode);
    }
    return "the start failed";
}

CardSession::CardSession(card::CardLibrary& card, Clock& clock)
    : m_card(card), m_clock(clock), m_CmdBuf(kByteBufSize), m_ReplyBuf(kByteBufSize) {}

IdentityAnswer CardSession::identify(Exchange exchange) {
    const bool checked = exchange == Exchange::Checked;
    std::copy(IdentityCommand.begin(), IdentityCommand.end(), m_CmdBuf.begin());
    if (checked) std::fill(m_ReplyBuf.begin(), m_ReplyBuf.end(), kUntouchedPattern);

    IdentityAnswer answer;
    answer.status = m_card.IOCtl(100, m_CmdBuf.data(), 100, m_ReplyBuf.data());
    answer.answered = true;
    if (checked) {
        if (answer.status == 0) answer.errorCode = errorCode();
        answer.answered = std::any_of(IdentityReplyBytes.begin(), IdentityReplyBytes.end(),
                                      [&](std::size_t i) { return m_ReplyBuf[i] != kUntouchedPattern; });
        if (!answer.answered) std::fill(m_ReplyBuf.begin(), m_ReplyBuf.end(), uint8_t{0});
    }
    answer.line = identityLine();
    return answer;
}

std::string CardSession::identityLine() const { return cardInfoCaption(m_ReplyBuf); }

std::array<uint8_t, 3> CardSession::identityBytes() const {
    return {m_ReplyBuf[IdentityReplyBytes[0]], m_ReplyBuf[IdentityReplyBytes[1]],
            m_ReplyBuf[IdentityReplyBytes[2]]};
}

std::optional<StartFailure> CardSession::start(const StartParameters& parameters) {
    m_parameters = parameters;
    stop(StopCause::Stopped);
    if (m_card.Initial(0, 0, 0, 0) == 0) {
        return StartFailure{StartFailure::Stage::Initial, errorCode()};
    }
    // A failure here abandons the start quietly, leaving what was done so far.
    if (!m_blocks.recreate(parameters)) return StartFailure{StartFailure::Stage::Buffers, 0};
    if (m_card.StartIntr(parameters.QueueBlocks, parameters.ScanCount, parameters.FirstChannel,
                         parameters.ChannelCount, parameters.ScanRate, parameters.Gain,
                         parameters.Mode) == 0) {
        return StartFailure{StartFailure::Stage::StartIntr, errorCode()};
    }
    m_running = true;
    m_startedAt = m_clock.now();
    m_counts = {};
    // The code as the start leaves it is where losses are counted from; it is read only
    // where a listener counts them, so that the panel alone makes only its own calls.
    std::optional<int32_t> codeBefore;
    if (m_errorCodeAlwaysRead || m_blocks.anyListenerWantsCardErrorCode()) codeBefore = errorCode();
    const auto period = std::chrono::duration_cast<Clock::Duration>(
        std::chrono::duration<double>(blockSeconds(parameters)));
    m_lossWatch.started(period, codeBefore);
    m_blocks.announceStarted();
    return std::nullopt;
}

void CardSession::stop(StopCause cause) {
    m_card.StopIntr();
    if (!m_running) return;
    m_running = false;
    m_blocks.announceStopped(cause);
}

int16_t CardSession::queryBuf() { return m_card.QueryBuf(); }

CardSession::Fetched CardSession::fetch(int16_t count) {
    Fetched fetched;
    // A count with no buffers to take the blocks would have the card write into nowhere.
    if (count <= 0 || !m_blocks.ready()) return fetched;
    m_counts.largestQueue = std::max<int>(m_counts.largestQueue, count);
    for (int16_t k = 0; k < count; ++k) {
        if (m_card.ADResult(m_blocks.deliveryBuffer()) == 1) {
            ++fetched.delivered;
            ++m_counts.delivered;
            m_blocks.storeDelivered();
            continue;
        }
        ++fetched.notDelivered;
        ++m_counts.notDelivered;
        Loss loss;
        loss.cause = LossCause::NotDelivered;
        loss.blocks = 1;
        loss.storedBefore = m_blocks.storedSinceStart();
        ++m_counts.losses;
        ++m_counts.blocksLost;
        m_blocks.announceLoss(loss);
    }
    if (m_running) {
        FetchFacts facts;
        facts.waiting = count;
        facts.queueCapacity = m_parameters.QueueBlocks;
        if (m_errorCodeAlwaysRead || m_blocks.anyListenerWantsCardErrorCode()) {
            facts.errorCode = errorCode();
        }
        facts.accounted = m_counts.delivered + m_counts.notDelivered;
        facts.sinceStart = sinceStart();
        if (const auto loss = m_lossWatch.afterFetch(facts, m_blocks.storedSinceStart())) {
            ++m_counts.losses;
            m_counts.blocksLost += loss->estimatedBlocks.value_or(0);
            m_blocks.announceLoss(*loss);
        }
    }
    m_blocks.announceFetchEnded();
    return fetched;
}

int32_t CardSession::errorCode() {
    m_lastErrorCode = m_card.GetLastADError();
    return m_lastErrorCode;
}

int16_t CardSession::readInputs(std::span<int16_t> words) {
    if (words.size() < InputBufferWords) return 0;
    return m_card.Tqv_DI(InputWordCount, words.data());
}

void CardSession::writeByte(int16_t port, int16_t value) { m_card.Tqv_DO(port, value); }

void CardSession::writeBit(int16_t bit, int16_t value) { m_card.Tqv_DOBit(bit, value); }

}  // namespace tqv::session
