#include "mqtt/FleetReporter.h"

#include <utility>

#include "session/BlockEvents.h"

namespace tqv::mqtt {

FleetReporter::FleetReporter(MqttPublisher& publisher, instrument::Instrument& instrument,
                             std::string program)
    : m_publisher(publisher), m_instrument(instrument), m_program(std::move(program)) {
    m_instrument.session().blocks().addListener(*this);
    m_instrument.onSelfTest = [this](const instrument::SelfTestOutcome& outcome) {
        m_publisher.publish(Topic::Selftest,
                            selftestJson(outcome.results, outcome.passed, m_program, utcNow()));
    };
    if (auto* recording = m_instrument.recording()) {
        recording->onChange = [this](bool started, const instrument::RecordingState& state) {
            BenchEvent event(started ? "recording started" : "recording ended");
            event.file = state.file;
            event.gaps = state.gaps;
            publishEvent(event);
            publishStatus(false);
        };
    }
    publishStatus(true);
}

FleetReporter::~FleetReporter() {
    if (auto* recording = m_instrument.recording()) recording->onChange = nullptr;
    m_instrument.onSelfTest = nullptr;
    m_instrument.session().blocks().removeListener(*this);
    m_publisher.publish(Topic::Status, offlineStatus(m_program));
}

std::string FleetReporter::offlineStatus(const std::string& program) {
    BenchStatus status;
    status.online = false;
    status.program = program;
    return statusJson(status, utcNow());
}

BenchStatus FleetReporter::currentStatus() const {
    auto& session = m_instrument.session();
    BenchStatus status;
    status.program = m_program;
    status.acquiring = session.running();
    status.blocks = session.blocks().storedSinceStart();
    status.blocksLost = m_instrument.blocksLost();
    status.errorCode = session.lastErrorCode();
    if (const auto* recording = m_instrument.recording()) {
        const auto state = recording->state();
        if (state.active) {
            status.recordingFile = state.file;
            status.recordingGaps = state.gaps;
        }
    }
    return status;
}

void FleetReporter::publishStatus(bool evenUnchanged) {
    BenchStatus status = currentStatus();
    // The block count moves with every block; only the periodic status carries it along.
    BenchStatus compared = status;
    compared.blocks = m_published.blocks;
    if (!evenUnchanged && compared == m_published) return;
    m_published = status;
    m_statusSent = m_instrument.session().clock().now();
    m_publisher.publish(Topic::Status, statusJson(status, utcNow()));
}

void FleetReporter::publishEvent(const BenchEvent& event) {
    m_publisher.publish(Topic::Event, eventJson(event, utcNow()));
}

void FleetReporter::tick() {
    const auto now = m_instrument.session().clock().now();
    if (m_instrument.session().running() && now - m_readoutSent >= ReadoutPeriod) {
        m_readoutSent = now;
        m_publisher.publish(Topic::Readout, readoutJson(m_instrument.measure(), utcNow()));
    }
    publishStatus(now - m_statusSent >= StatusPeriod);
}

void FleetReporter::acquisitionStarted(const session::StartParameters&) {
    publishEvent(BenchEvent("start"));
    publishStatus(true);
}

void FleetReporter::blocksLost(const session::Loss& loss) {
    BenchEvent gap("gap");
    gap.cause = session::lossText(loss);
    gap.blocks = loss.blocks;
    publishEvent(gap);
    if (loss.cause == session::LossCause::CardError) {
        BenchEvent error("card error");
        error.errorCode = loss.errorCode;
        publishEvent(error);
    }
}

void FleetReporter::fetchEnded() { publishStatus(false); }

void FleetReporter::acquisitionStopped(session::StopCause) {
    publishEvent(BenchEvent("stop"));
    publishStatus(true);
}

}  // namespace tqv::mqtt
