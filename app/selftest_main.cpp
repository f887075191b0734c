// tqv-selftest: the headless self-test of a TQV5200-1 card for the bench and the
// production line. Options and the card library here; the checks are in selftest/.
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/CommandLine.h"
#include "app/FleetOptions.h"
#include "app/StandardStreams.h"
#include "app/TerminationRequest.h"
#include "card/AdcardBinding.h"
#include "files/AtomicSave.h"
#include "files/qt/QtFileNames.h"
#include "mqtt/FleetMessages.h"
#include "mqtt/FleetReporter.h"
#include "mqtt/MqttPublisher.h"
#include "selftest/Clock.h"
#include "selftest/JUnitReport.h"
#include "selftest/ReportTable.h"
#include "selftest/SelfTest.h"
#include "session/CardSession.h"

namespace {

using namespace tqv;
using app::CommandLine;

constexpr int kMaximumSeconds = 24 * 3600;

void showProgress(const selftest::AcquisitionProgress& progress) {
    std::fprintf(stderr, "\racquiring: %.1f of %.0f s, %lld blocks ", progress.elapsedSeconds,
                 progress.totalSeconds, progress.blocks);
    std::fflush(stderr);
}

void clearProgress() {
    std::fprintf(stderr, "\r%60s\r", "");
    std::fflush(stderr);
}

// Where the JUnit report goes: a file, or standard output for "-".
struct ReportPlace {
    bool toStandardOutput = false;
    std::filesystem::path file;
};

// Writes the report where it was asked for; false after saying why it could not.
bool writeReport(const ReportPlace& place, const std::vector<selftest::CheckResult>& results,
                 const selftest::RunContext& context) {
    const std::string xml = selftest::junitXml(results, context);
    if (place.toStandardOutput) {
        std::cout << xml;
        return true;
    }
    if (const auto error = files::saveAtomically(place.file, xml)) {
        CommandLine::writeMessage("JUnit report not written: " + *error);
        return false;
    }
    return true;
}

// How long the end of the run waits for the broker to take the result.
constexpr auto kPublishWait = std::chrono::seconds(5);

// The fleet's broker, when there is one: online while the self-test runs, then the
// result and offline. The exit status never depends on the broker.
class FleetReport {
public:
    explicit FleetReport(const std::optional<app::FleetTarget>& target) {
        if (!target) return;
        m_publisher = std::make_unique<mqtt::MqttPublisher>(
            target->broker, target->benchId, mqtt::FleetReporter::offlineStatus(kProgram));
        mqtt::BenchStatus status;
        status.program = kProgram;
        m_publisher->publish(mqtt::Topic::Status, mqtt::statusJson(status, mqtt::utcNow()));
    }

    void publish(const std::vector<selftest::CheckResult>& results, int status) {
        if (!m_publisher) return;
        m_publisher->publish(
            mqtt::Topic::Selftest,
            mqtt::selftestJson(results, status == selftest::ExitPassed, kProgram, mqtt::utcNow()));
        m_publisher->publish(mqtt::Topic::Status, mqtt::FleetReporter::offlineStatus(kProgram));
        if (!m_publisher->flush(kPublishWait)) {
            CommandLine::writeMessage("warning: the result was not published to " +
                                      m_publisher->where() + ": " + m_publisher->problem());
        }
    }

private:
    static constexpr const char* kProgram = "tqv-selftest";
    std::unique_ptr<mqtt::MqttPublisher> m_publisher;
};

}  // namespace

int main(int argc, char* argv[]) {
    app::prepareStandardStreams();
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Checks a TQV5200-1 card without a window: identity, paced acquisition, known signals "
        "on the inputs and, with a loopback plug, the digital outputs.\nExit status: 0 all "
        "checks passed or skipped, 1 a check failed, 2 the card library could not be used, "
        "the options were wrong or the results could not be written.\n\n" +
        CommandLine::searchOrderHelp());
    QCoreApplication::setApplicationName("tqv-selftest");
    QCoreApplication::setApplicationVersion(TQV_VERSION);
    CommandLine commandLine(parser);
    const app::FleetOptions fleetOptions(parser);
    const QCommandLineOption secondsOption(
        "seconds", "Acquire for N seconds (1 to 86400, default 5).", "N", "5");
    const QCommandLineOption loopbackOption(
        "loopback", "A loopback plug joins the 16 digital outputs to the inputs: check them.");
    const QCommandLineOption junitOption(
        "junit",
        "Also write a JUnit XML report to FILE (- for standard output; the table then goes to "
        "standard error). The report is written even when the card library cannot be used.",
        "FILE");
    const QCommandLineOption expectOption(
        "expect",
        "Channel CH carries a known signal of FREQ Hz (and PKPK peak to peak, in the channel's "
        "unit: codes without a channel setup): check it on the acquired samples (FREQ from three "
        "periods in the first 5 s, or in the whole run if shorter, to 4000 Hz). Repeatable, one "
        "check per channel.",
        "CH:FREQ[:PKPK]");
    const QCommandLineOption toleranceOption(
        "tolerance",
        "How far the --expect figures may be off, in percent: one for both, or the frequency's "
        "and the peak-to-peak's (default 0.5:2).",
        "PCT[:PCT]");
    parser.addOptions({secondsOption, loopbackOption, junitOption, expectOption, toleranceOption});

    if (const auto status = commandLine.parse(files::qt::arguments(argc, argv))) return *status;
    commandLine.quietenQt();
    if (!parser.positionalArguments().isEmpty()) {
        return CommandLine::usageError(
            "unexpected argument " +
            files::displayName(files::qt::toPath(parser.positionalArguments().first())));
    }
    bool secondsValid = false;
    const int seconds = parser.value(secondsOption).toInt(&secondsValid);
    if (!secondsValid || seconds < 1 || seconds > kMaximumSeconds) {
        return CommandLine::usageError("--seconds takes a whole number from 1 to 86400, not \"" +
                                       parser.value(secondsOption).toStdString() + "\"");
    }
    const auto channelSetup = commandLine.channelSetup();
    if (const auto* error = std::get_if<std::string>(&channelSetup)) {
        CommandLine::writeMessage(*error);
        return selftest::ExitUnusable;
    }
    const auto& setup = std::get<channels::ChannelSetup>(channelSetup);
    std::vector<std::string> expectTexts;
    for (const QString& text : parser.values(expectOption)) {
        expectTexts.push_back(text.toStdString());
    }
    auto expectations =
        selftest::parseExpectedSignals(expectTexts, selftest::measurableSignals(seconds), setup);
    if (auto* error = std::get_if<std::string>(&expectations)) return CommandLine::usageError(*error);
    selftest::SignalTolerance tolerance;
    if (parser.isSet(toleranceOption)) {
        auto parsed = selftest::parseSignalTolerance(parser.value(toleranceOption).toStdString());
        if (auto* error = std::get_if<std::string>(&parsed)) return CommandLine::usageError(*error);
        tolerance = std::get<selftest::SignalTolerance>(parsed);
    }
    std::optional<ReportPlace> report;
    if (parser.isSet(junitOption)) {
        const QString value = parser.value(junitOption);
        if (value.isEmpty())
            return CommandLine::usageError("--junit needs a file name, or - for standard output");
        report = ReportPlace{value == "-", files::qt::toPath(value)};
        // Before the card is touched: a report with nowhere to go would lose the whole run.
        if (!report->toStandardOutput) {
            if (const auto problem = files::checkWritable(report->file)) {
                CommandLine::writeMessage("cannot write the JUnit report: " + *problem);
                return selftest::ExitUnusable;
            }
        }
    }
    const auto fleet = fleetOptions.read();
    if (const auto* problem = std::get_if<std::string>(&fleet))
        return CommandLine::usageError(*problem);
    std::ostream& table = report && report->toStandardOutput ? std::cerr : std::cout;
    FleetReport fleetReport(std::get<std::optional<app::FleetTarget>>(fleet));

    const selftest::RunContext context = selftest::currentRunContext();
    const auto card = std::make_unique<card::AdcardBinding>(commandLine.candidates());
    if (const auto error = card->load()) {
        CommandLine::writeMessage(*error);
        selftest::CheckResult unusable;
        unusable.name = "card library";
        unusable.outcome = selftest::Outcome::Error;
        unusable.summary = *error;
        if (report) writeReport(*report, {unusable}, context);
        fleetReport.publish({unusable}, selftest::ExitUnusable);
        return app::finishStandardOutput(selftest::ExitUnusable, selftest::ExitUnusable);
    }
    commandLine.reportBound(*card);

    int status = selftest::ExitUnusable;
    try {
        const app::TerminationRequest interrupt;
        selftest::SteadyClock clock;
        session::CardSession session(*card, clock);
        selftest::SelfTestOptions options;
        options.loopback = parser.isSet(loopbackOption);
        options.expectations = std::get<std::vector<selftest::ExpectedSignal>>(expectations);
        options.tolerance = tolerance;
        options.channelSetup = setup;
        options.acquisition.seconds = seconds;
        options.acquisition.interrupted = &interrupt.flag();
        const bool progressShown = app::standardErrorIsTerminal();
        if (progressShown) options.acquisition.progress = showProgress;

        const auto results = selftest::runSelfTest(session, options);
        if (progressShown) clearProgress();
        table << selftest::reportTable(results) << std::flush;
        status = selftest::exitStatus(results);
        if (report && !writeReport(*report, results, context)) status = selftest::ExitUnusable;
        fleetReport.publish(results, status);
    } catch (const std::exception& error) {
        CommandLine::writeMessage(error.what());
        status = selftest::ExitUnusable;
    }
    return app::finishStandardOutput(status, selftest::ExitUnusable);
}
