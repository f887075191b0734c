#include "instrument/ClientSession.h"

#include "instrument/Instrument.h"

namespace tqv::instrument {

namespace {

// IEEE 488.2's standard event status bits for each class of error.
uint8_t eventBit(scpi::ErrorCode code) {
    const int value = static_cast<int>(code);
    if (value <= -100 && value > -200) return 0x20;  // command error
    if (value <= -200 && value > -300) return 0x10;  // execution error
    if (value <= -300 && value > -400) return 0x08;  // device-dependent error
    if (value <= -400 && value > -500) return 0x04;  // query error
    return 0;
}

}  // namespace

ClientSession::ClientSession(Instrument& instrument, ClientOutput& output)
    : m_instrument(instrument), m_output(output) {
    m_instrument.attach(*this);
}

ClientSession::~ClientSession() { m_instrument.detach(*this); }

void ClientSession::receive(std::string_view bytes) {
    if (m_dropReason) return;
    m_input.append(bytes);
    const std::size_t lastNewline = m_input.rfind('\n');
    const std::size_t unfinished = lastNewline == std::string::npos
                                       ? m_input.size() - m_consumed
                                       : m_input.size() - lastNewline - 1;
    if (unfinished > MaxLine) {
        m_dropReason = "a line longer than 64 KiB";
        m_input.clear();
        m_consumed = 0;
    } else if (m_input.size() - m_consumed > 2 * MaxLine) {
        // The caller reads only while lines are wanted; a client never gets this far ahead.
        m_dropReason = "more commands than it lets the server answer";
        m_input.clear();
        m_consumed = 0;
    }
}

bool ClientSession::wantsInput() const {
    return !m_dropReason && !m_waiting && m_output.pending() <= OutputHigh;
}

void ClientSession::run() {
    while (wantsInput()) {
        const std::size_t newline = m_input.find('\n', m_consumed);
        if (newline == std::string::npos) break;
        std::string_view line(m_input.data() + m_consumed, newline - m_consumed);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        m_consumed = newline + 1;
        runLine(line);
    }
    if (m_consumed == m_input.size()) {
        m_input.clear();
        m_consumed = 0;
    } else if (m_consumed > MaxLine) {
        m_input.erase(0, m_consumed);
        m_consumed = 0;
    }
}

void ClientSession::runLine(std::string_view line) {
    m_message = scpi::parseProgramMessage(line);
    m_nextUnit = 0;
    m_answered = false;
    runUnits();
}

void ClientSession::runUnits() {
    while (m_nextUnit < m_message.units.size()) {
        const auto outcome = m_instrument.execute(*this, m_message.units[m_nextUnit++]);
        if (outcome == Instrument::Outcome::Waiting) {
            m_waiting = true;
            return;
        }
        if (outcome == Instrument::Outcome::DiscardLine) {
            m_message.error.reset();
            break;
        }
    }
    if (m_message.error) fail(*m_message.error);
    endLine();
}

void ClientSession::endLine() {
    if (m_answered) m_output.write("\n");
    m_answered = false;
    m_message = {};
    m_nextUnit = 0;
}

void ClientSession::resume(std::string_view answer) {
    if (!m_waiting) return;
    m_waiting = false;
    if (!answer.empty()) {
        beginAnswer();
        write(answer);
    }
    runUnits();
    if (!m_waiting) run();
}

void ClientSession::beginAnswer() {
    if (m_answered) m_output.write(";");
    m_answered = true;
}

void ClientSession::fail(scpi::Error error) {
    m_eventStatus |= eventBit(error.code);
    m_errors.push(std::move(error));
}

uint8_t ClientSession::takeEventStatus() {
    const uint8_t status = m_eventStatus;
    m_eventStatus = 0;
    return status;
}

std::optional<std::string> ClientSession::dropReason(session::Clock::Duration now) {
    if (m_dropReason) return m_dropReason;
    if (m_output.pending() == 0) {
        m_stalledSince.reset();
        return std::nullopt;
    }
    if (!m_stalledSince) m_stalledSince = now;
    if (now - *m_stalledSince >= StallTimeout) {
        m_dropReason = "its answers were left unread for 10 s";
    }
    return m_dropReason;
}

void ClientSession::outputTaken(session::Clock::Duration now) {
    if (m_output.pending() == 0) {
        m_stalledSince.reset();
    } else {
        m_stalledSince = now;
    }
}

}  // namespace tqv::instrument
