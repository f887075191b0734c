#include "instrument/Instrument.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <utility>

#include "instrument/RingScans.h"
#include "scpi/Parameters.h"
#include "scpi/ResponseFormat.h"
#include "selftest/IdentityCheck.h"

namespace tqv::instrument {

namespace {

using scpi::Error;
using scpi::ErrorCode;

enum Command : int {
    Identify,
    Reset,
    ClearStatus,
    EventStatusQuery,
    OperationComplete,
    OperationCompleteQuery,
    Wait,
    SelfTestQuery,
    ErrorQuery,
    VersionQuery,
    CardQuery,
    Initiate,
    Abort,
    StateQuery,
    CountQuery,
    RateQuery,
    LostQuery,
    FetchScansQuery,
    FetchLostQuery,
    Format,
    FormatQuery,
    MeasureFrequency,
    MeasurePeriod,
    MeasurePeakToPeak,
    MeasureMinimum,
    MeasureMaximum,
    MeasureMean,
    MeasureRms,
    MeasureDutyCycle,
    OutputByte,
    OutputBit,
    InputQuery,
    RecordStart,
    RecordStop,
    RecordStateQuery,
    RecordGapsQuery,
};

struct CommandEntry {
    std::string_view pattern;
    Command command;
    std::size_t parameters;
};

// Every command, as the manual page lists them, with the parameters it takes.
constexpr CommandEntry kCommands[] = {
    {"*IDN?", Identify, 0},
    {"*RST", Reset, 0},
    {"*CLS", ClearStatus, 0},
    {"*ESR?", EventStatusQuery, 0},
    {"*OPC", OperationComplete, 0},
    {"*OPC?", OperationCompleteQuery, 0},
    {"*WAI", Wait, 0},
    {"*TST?", SelfTestQuery, 0},
    {"SYSTem:ERRor[:NEXT]?", ErrorQuery, 0},
    {"SYSTem:VERSion?", VersionQuery, 0},
    {"SYSTem:CARD?", CardQuery, 0},
    {"INITiate[:IMMediate]", Initiate, 0},
    {"ABORt", Abort, 0},
    {"ACQuire:STATe?", StateQuery, 0},
    {"ACQuire:COUNt?", CountQuery, 0},
    {"ACQuire:SRATe?", RateQuery, 0},
    {"ACQuire:LOST?", LostQuery, 0},
    {"FETCh:SCANs?", FetchScansQuery, 0},
    {"FETCh:LOST?", FetchLostQuery, 0},
    {"FORMat[:DATA]", Format, 2},
    {"FORMat[:DATA]?", FormatQuery, 0},
    {"MEASure:FREQuency?", MeasureFrequency, 1},
    {"MEASure:PERiod?", MeasurePeriod, 1},
    {"MEASure:PTPeak?", MeasurePeakToPeak, 1},
    {"MEASure:MINimum?", MeasureMinimum, 1},
    {"MEASure:MAXimum?", MeasureMaximum, 1},
    {"MEASure:MEAN?", MeasureMean, 1},
    {"MEASure:RMS?", MeasureRms, 1},
    {"MEASure:DCYCle?", MeasureDutyCycle, 1},
    {"DIGital:OUTPut:BYTE", OutputByte, 2},
    {"DIGital:OUTPut:BIT", OutputBit, 2},
    {"DIGital:INPut?", InputQuery, 0},
    {"RECord:STARt", RecordStart, 1},
    {"RECord:STOP", RecordStop, 0},
    {"RECord:STATe?", RecordStateQuery, 0},
    {"RECord:GAPS?", RecordGapsQuery, 0},
};

// The parameters a command takes at most; FORMat's second one may be left out.
std::size_t minimumParameters(Command command, std::size_t most) {
    return command == Format ? 1 : most;
}

template <typename T>
const Error* errorOf(const scpi::Read<T>& read) {
    return std::get_if<Error>(&read);
}

std::string decimal(int64_t value) { return std::to_string(value); }

// Two digits for a one-digit name part, as the panel's identity line pads it.
std::string namePart(uint8_t byte) {
    std::string digits = std::to_string(byte);
    return digits.size() == 1 ? "0" + digits : digits;
}

}  // namespace

Instrument::Instrument(session::CardSession& session, AcquisitionHost& host,
                       RecordingControl* recording, InstrumentSettings settings)
    : m_session(session),
      m_host(host),
      m_recording(recording),
      m_settings(std::move(settings)),
      m_readout(session.blocks()) {
    for (const CommandEntry& entry : kCommands) m_commands.add(entry.pattern, entry.command);
    m_generation = m_session.blocks().generation();
    m_session.blocks().addListener(*this);
    m_session.blocks().addListener(m_observer);
}

Instrument::~Instrument() {
    m_session.blocks().removeListener(m_observer);
    m_session.blocks().removeListener(*this);
}

void Instrument::attach(ClientSession& client) {
    m_clients.push_back(&client);
    // A client's first fetch gives what was stored after it came.
    client.fetch.generation = m_session.blocks().generation();
    client.fetch.nextScan = RingScans(m_session.blocks()).endScan();
    client.fetch.cardLostSeen = m_scansLost;
}

void Instrument::detach(ClientSession& client) {
    std::erase(m_clients, &client);
    std::erase_if(m_waitingFetches, [&](const WaitingFetch& w) { return w.client == &client; });
    if (m_selfTest && m_selfTest->client == &client) {
        // Nobody waits for the answer any more; what it started ends with it.
        m_selfTest.reset();
        m_host.stop();
    }
}

Instrument::Outcome Instrument::execute(ClientSession& client, const scpi::ProgramUnit& unit) {
    const auto found = m_commands.find(unit);
    if (!found) {
        client.fail(Error{ErrorCode::UndefinedHeader, unit.header});
        return Outcome::DiscardLine;
    }
    const auto& entry = *std::find_if(std::begin(kCommands), std::end(kCommands),
                                      [&](const CommandEntry& e) { return e.command == *found; });
    if (unit.parameters.size() > entry.parameters) {
        client.fail(Error{ErrorCode::ParameterNotAllowed, unit.header});
        return Outcome::DiscardLine;
    }
    if (unit.parameters.size() < minimumParameters(entry.command, entry.parameters)) {
        client.fail(Error{ErrorCode::MissingParameter, unit.header});
        return Outcome::DiscardLine;
    }
    const int command = entry.command;
    if (command <= CardQuery) return common(client, command, unit);
    if (command <= FormatQuery) return acquisition(client, command, unit);
    if (command <= MeasureDutyCycle) return measurement(client, command, unit);
    if (command <= InputQuery) return digital(client, command, unit);
    return record(client, command, unit);
}

void Instrument::answer(ClientSession& client, std::string_view text) {
    client.beginAnswer();
    client.write(text);
}

std::string Instrument::identification() const {
    const auto bytes = m_session.identityBytes();
    return "TQV,TQV" + namePart(bytes[0]) + namePart(bytes[1]) + "-" + std::to_string(bytes[2]) +
           ",0," + m_settings.version;
}

void Instrument::reset(ClientSession& client) {
    if (m_session.running()) m_host.stop();
    if (m_recording != nullptr) m_recording->stop();
    client.asciiData = false;
}

Instrument::Outcome Instrument::common(ClientSession& client, int command,
                                       const scpi::ProgramUnit&) {
    switch (command) {
        case Identify:
            answer(client, identification());
            break;
        case Reset:
            reset(client);
            break;
        case ClearStatus:
            client.errors().clear();
            client.takeEventStatus();
            break;
        case EventStatusQuery:
            answer(client, decimal(client.takeEventStatus()));
            break;
        case OperationComplete:
            client.setOperationComplete();
            break;
        // Every command is done when the next line is taken.
        case OperationCompleteQuery:
            answer(client, "1");
            break;
        case Wait:
            break;
        case SelfTestQuery: {
            SelfTestRun run;
            run.client = &client;
            run.identity = selftest::checkIdentity(m_session);
            if (m_session.running()) {
                const auto outcome = judgeSelfTest(run.identity, false);
                if (onSelfTest) onSelfTest(outcome);
                answer(client, outcome.passed ? "0" : "1");
                break;
            }
            if (const auto refused = m_host.start()) {
                auto outcome = judgeSelfTest(run.identity, false);
                selftest::CheckResult failed;
                failed.name = "acquisition";
                failed.outcome = selftest::Outcome::Fail;
                failed.summary = *refused;
                outcome.results.back() = failed;
                outcome.passed = false;
                if (onSelfTest) onSelfTest(outcome);
                answer(client, "1");
                break;
            }
            run.deadline = m_session.clock().now() + m_settings.selfTestRun;
            m_selfTest = std::move(run);
            return Outcome::Waiting;
        }
        case ErrorQuery:
            answer(client, scpi::errorResponse(client.errors().next()));
            break;
        case VersionQuery:
            answer(client, "1999.0");
            break;
        case CardQuery:
            answer(client, scpi::quotedString(m_session.identityLine()));
            break;
        default:
            break;
    }
    return Outcome::Done;
}

Instrument::Outcome Instrument::acquisition(ClientSession& client, int command,
                                            const scpi::ProgramUnit& unit) {
    switch (command) {
        case Initiate:
            if (m_session.running()) {
                client.fail(Error{ErrorCode::InitIgnored, {}});
            } else if (const auto refused = m_host.start()) {
                client.fail(Error{ErrorCode::HardwareError, *refused});
            }
            break;
        case Abort:
            if (m_session.running()) m_host.stop();
            break;
        case StateQuery:
            answer(client, m_session.running() ? "1" : "0");
            break;
        case CountQuery:
            answer(client, decimal(m_session.blocks().storedSinceStart()));
            break;
        case RateQuery: {
            const auto& parameters =
                m_session.running() ? m_session.parameters() : m_host.startParameters();
            answer(client, decimal(parameters.ScanRate));
            break;
        }
        case LostQuery:
            answer(client, decimal(m_blocksLost));
            break;
        case FetchScansQuery:
            if (m_session.running() && !newScansFor(client)) {
                m_waitingFetches.push_back({&client, m_session.clock().now() + FetchWait});
                return Outcome::Waiting;
            }
            fetchScans(client);
            break;
        case FetchLostQuery:
            answer(client, decimal(client.fetch.lastMissed));
            break;
        case Format: {
            const auto kind = scpi::readChoice(unit.parameters[0], {"ASCii", "INTeger"});
            if (const auto* error = errorOf(kind)) {
                client.fail(*error);
                break;
            }
            const bool ascii = std::get<std::size_t>(kind) == 0;
            if (unit.parameters.size() == 2) {
                if (ascii) {
                    client.fail(Error{ErrorCode::ParameterNotAllowed, "ASCii takes no length"});
                    break;
                }
                const auto bits = scpi::readInteger(unit.parameters[1], 16, 16);
                if (const auto* error = errorOf(bits)) {
                    client.fail(Error{error->code, "the codes are 16-bit"});
                    break;
                }
            }
            client.asciiData = ascii;
            break;
        }
        case FormatQuery:
            answer(client, client.asciiData ? "ASC" : "INT,16");
            break;
        default:
            break;
    }
    return Outcome::Done;
}

void Instrument::fetchScans(ClientSession& client) {
    FetchPosition& position = client.fetch;
    const RingScans ring(m_session.blocks());
    if (position.generation != m_session.blocks().generation()) {
        position.generation = m_session.blocks().generation();
        position.nextScan = 0;
    }
    const ScanSpan span = ring.since(position.nextScan);
    position.lastMissed =
        position.carriedMissed + span.overwritten + (m_scansLost - position.cardLostSeen);
    position.carriedMissed = 0;
    position.cardLostSeen = m_scansLost;
    position.nextScan = span.firstScan + span.scans;

    client.beginAnswer();
    if (!client.asciiData) {
        const std::size_t bytes = (span.pieces[0].size() + span.pieces[1].size()) * sizeof(int16_t);
        client.write(scpi::blockHeader(bytes));
        // The ring holds the codes in the machine's order; the block is little-endian.
        for (const auto& piece : span.pieces) {
            if constexpr (std::endian::native == std::endian::little) {
                client.write(std::string_view(reinterpret_cast<const char*>(piece.data()),
                                              piece.size() * sizeof(int16_t)));
            } else {
                m_text.clear();
                for (const int16_t code : piece) {
                    const auto pattern = static_cast<uint16_t>(code);
                    m_text += static_cast<char>(pattern & 0xFFu);
                    m_text += static_cast<char>(pattern >> 8u);
                }
                client.write(m_text);
            }
        }
        return;
    }
    // Text a piece at a time, so that a long fetch needs no copy of its own.
    constexpr std::size_t kPieceBytes = 64 * 1024;
    m_text.clear();
    m_text.reserve(kPieceBytes + 16);
    bool first = true;
    for (const auto& piece : span.pieces) {
        for (const int16_t code : piece) {
            if (!first) m_text += ',';
            first = false;
            char digits[8];
            const auto end = std::to_chars(digits, digits + sizeof digits, code).ptr;
            m_text.append(digits, end);
            if (m_text.size() >= kPieceBytes) {
                client.write(m_text);
                m_text.clear();
            }
        }
    }
    client.write(m_text);
}

Instrument::Outcome Instrument::measurement(ClientSession& client, int command,
                                            const scpi::ProgramUnit& unit) {
    const auto channels = scpi::readChannelList(unit.parameters[0], LastChannel);
    if (const auto* error = errorOf(channels)) {
        client.fail(*error);
        return Outcome::Done;
    }
    const auto& figures = measure();
    std::string text;
    for (const int channel : std::get<std::vector<int>>(channels)) {
        ChannelFigures none;
        const ChannelFigures& of = static_cast<std::size_t>(channel) < figures.size()
                                       ? figures[static_cast<std::size_t>(channel)]
                                       : none;
        std::optional<double> value;
        switch (command) {
            case MeasureFrequency:
                value = of.frequencyHz;
                break;
            case MeasurePeriod:
                value = of.periodSeconds;
                break;
            case MeasurePeakToPeak:
                value = of.peakToPeak;
                break;
            case MeasureMinimum:
                value = of.minimum;
                break;
            case MeasureMaximum:
                value = of.maximum;
                break;
            case MeasureMean:
                value = of.mean;
                break;
            case MeasureRms:
                value = of.rms;
                break;
            case MeasureDutyCycle:
                value = of.dutyPercent;
                break;
            default:
                break;
        }
        if (!text.empty()) text += ',';
        text += scpi::realText(value);
    }
    answer(client, text);
    return Outcome::Done;
}

Instrument::Outcome Instrument::digital(ClientSession& client, int command,
                                        const scpi::ProgramUnit& unit) {
    if (command == InputQuery) {
        m_session.readInputs(m_inputWords);
        std::string text;
        for (int16_t i = 0; i < session::InputWordCount; ++i) {
            if (i > 0) text += ',';
            text += decimal(static_cast<uint16_t>(m_inputWords[static_cast<std::size_t>(i)]));
        }
        answer(client, text);
        return Outcome::Done;
    }
    const bool byte = command == OutputByte;
    const auto where = scpi::readInteger(unit.parameters[0], 0, byte ? 1 : 15);
    const auto value = scpi::readInteger(unit.parameters[1], 0, byte ? 255 : 1);
    // Nothing is sent unless both fit.
    if (const auto* error = errorOf(where)) {
        client.fail(*error);
    } else if (const auto* valueError = errorOf(value)) {
        client.fail(*valueError);
    } else if (byte) {
        m_session.writeByte(static_cast<int16_t>(std::get<int64_t>(where)),
                            static_cast<int16_t>(std::get<int64_t>(value)));
    } else {
        m_session.writeBit(static_cast<int16_t>(std::get<int64_t>(where)),
                           static_cast<int16_t>(std::get<int64_t>(value)));
    }
    return Outcome::Done;
}

Instrument::Outcome Instrument::record(ClientSession& client, int command,
                                       const scpi::ProgramUnit& unit) {
    switch (command) {
        case RecordStart: {
            const auto name = scpi::readString(unit.parameters[0]);
            if (const auto* error = errorOf(name)) {
                client.fail(*error);
                break;
            }
            if (const auto problem = recordingNameProblem(std::get<std::string>(name))) {
                client.fail(Error{ErrorCode::IllegalParameterValue, *problem});
                break;
            }
            if (m_recording == nullptr) {
                client.fail(Error{ErrorCode::SettingsConflict, m_settings.recordingRefused});
                break;
            }
            if (m_recording->state().active) {
                client.fail(Error{ErrorCode::SettingsConflict, "a recording is running"});
                break;
            }
            if (auto refused = m_recording->start(std::get<std::string>(name)))
                client.fail(*refused);
            break;
        }
        case RecordStop:
            if (m_recording != nullptr) m_recording->stop();
            break;
        case RecordStateQuery:
            answer(client, m_recording != nullptr && m_recording->state().active ? "1" : "0");
            break;
        case RecordGapsQuery:
            answer(client, decimal(m_recording != nullptr ? m_recording->state().gaps : 0));
            break;
        default:
            break;
    }
    return Outcome::Done;
}

SelfTestOutcome Instrument::judgeSelfTest(const selftest::CheckResult& identity, bool interrupted) {
    selftest::AcquisitionFacts facts;
    const auto& counts = m_session.counts();
    // Blocks the card completed count, whether or not the program fetched them yet: the
    // panel fetches only at its ticks.
    const int16_t waiting = m_session.running() ? m_session.queryBuf() : int16_t{0};
    facts.delivered = counts.delivered + std::max<int16_t>(waiting, 0);
    facts.elapsedSeconds = std::chrono::duration<double>(m_session.sinceStart()).count();
    facts.blockSeconds = session::blockSeconds(m_session.parameters());
    facts.adResultFailures = counts.notDelivered;
    facts.largestQueue = counts.largestQueue;
    facts.queueCapacity = m_session.parameters().QueueBlocks;
    facts.errorCode = m_session.errorCode();
    facts.interrupted = interrupted;
    SelfTestOutcome outcome;
    outcome.results = {identity, selftest::acquisitionVerdict(facts, m_observer)};
    outcome.passed = std::all_of(outcome.results.begin(), outcome.results.end(), [](const auto& r) {
        return r.outcome == selftest::Outcome::Pass;
    });
    return outcome;
}

void Instrument::finishSelfTest() {
    SelfTestRun run = std::move(*m_selfTest);
    m_selfTest.reset();
    const bool interrupted = run.interrupted || !m_session.running();
    const auto outcome = judgeSelfTest(run.identity, interrupted);
    m_host.stop();
    if (onSelfTest) onSelfTest(outcome);
    run.client->resume(outcome.passed ? "0" : "1");
}

bool Instrument::newScansFor(const ClientSession& client) const {
    const auto& position = client.fetch;
    return position.generation != m_session.blocks().generation() ||
           RingScans(m_session.blocks()).endScan() > position.nextScan;
}

void Instrument::poll() {
    const auto now = m_session.clock().now();
    // Taken out first: answering a fetch lets its client's further lines run.
    std::vector<ClientSession*> answered;
    std::erase_if(m_waitingFetches, [&](const WaitingFetch& w) {
        if (m_session.running() && !newScansFor(*w.client) && now < w.deadline) return false;
        answered.push_back(w.client);
        return true;
    });
    for (ClientSession* client : answered) {
        if (std::find(m_clients.begin(), m_clients.end(), client) == m_clients.end()) continue;
        fetchScans(*client);
        client->resume({});
    }
    if (m_selfTest && m_session.clock().now() >= m_selfTest->deadline) finishSelfTest();
    if (m_recording != nullptr) {
        if (const auto failure = m_recording->takeFailure()) {
            for (ClientSession* client : m_clients) {
                client->fail(Error{ErrorCode::MassStorageError, "recording stopped: " + *failure});
            }
        }
    }
}

void Instrument::acquisitionStarted(const session::StartParameters&) {
    const int64_t generation = m_session.blocks().generation();
    for (ClientSession* client : m_clients) {
        FetchPosition& position = client->fetch;
        // What a client left unfetched of the run before is missed all the same.
        if (position.generation == m_generation) {
            position.carriedMissed += std::max<int64_t>(m_storedScans - position.nextScan, 0);
        }
        position.generation = generation;
        position.nextScan = 0;
    }
    m_generation = generation;
    m_storedScans = 0;
    m_blocksLost = 0;
}

void Instrument::blockStored(const session::StoredBlock& block) {
    const auto channels = m_session.blocks().parameters().ChannelCount;
    if (channels > 0) m_storedScans += static_cast<int64_t>(block.samples.size()) / channels;
}

void Instrument::blocksLost(const session::Loss& loss) {
    const int64_t blocks = loss.blocks.value_or(loss.estimatedBlocks.value_or(1));
    m_blocksLost += blocks;
    m_scansLost += blocks * m_session.blocks().parameters().ScanCount;
}

void Instrument::acquisitionStopped(session::StopCause) {
    if (m_selfTest) m_selfTest->interrupted = true;
}

}  // namespace tqv::instrument
