// tqv-record: acquisition streamed to a WAV or CSV file without a window, through
// the self-test's drain and the recorder. Options and the card library here.
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <system_error>

#include "app/CommandLine.h"
#include "app/StandardStreams.h"
#include "card/AdcardBinding.h"
#include "files/AtomicSave.h"
#include "files/qt/QtFileNames.h"
#include "record/Recorder.h"
#include "app/TerminationRequest.h"
#include "session/BlockDrain.h"


namespace {

using namespace tqv;

constexpr int ExitRecorded = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUnusable = app::CommandLine::FailureStatus;
constexpr long long kMaximumSeconds = 366LL * 24 * 3600;

// The drain only copies blocks into the recorder's queue, which holds 2 s more than
// the card's own queue (session::HeadlessStart).
constexpr auto kPollInterval = std::chrono::milliseconds(2);
constexpr auto kProgressInterval = std::chrono::milliseconds(250);
// A card that delivers nothing for this long while the program watches has stopped:
// the recording cannot go on. The program's own pauses (Ctrl-Z, a suspended machine)
// are not counted (BlockDrain::LongestCountedWait): the card's blocks wait for it.
constexpr auto kCardStalled = std::chrono::seconds(2);

// Why a recording that cannot go on ended, in its metadata and its last message.
std::string stallText(int32_t errorCode) {
    return "no block for " + std::to_string(kCardStalled.count()) + " s, card error code " +
           std::to_string(errorCode);
}

// The recorder's refusal, with how to replace an existing file here.
std::string refusalText(const record::RecordingRefusal& refusal) {
    if (refusal.kind == record::RecordingRefusal::Kind::Exists) {
        return refusal.text + " (--force replaces it)";
    }
    return refusal.text;
}

int usageError(const QString& message) { return app::CommandLine::usageError(message.toStdString()); }

// "12:34:56" for the free disk space left at this rate.
std::string duration(double seconds) {
    if (seconds > 99 * 3600.0) return ">99 h";
    const auto whole = static_cast<long long>(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    return text;
}

void showProgress(const record::RecordingStatus& status, long long blocks,
                  const std::filesystem::path& folder) {
    std::string diskLeft = "?";
    std::error_code error;
    const auto space = std::filesystem::space(folder, error);
    if (!error && status.elapsedSeconds > 0 && status.bytes > 0) {
        const double rate = static_cast<double>(status.bytes) / status.elapsedSeconds;
        diskLeft = duration(static_cast<double>(space.available) / rate);
    }
    std::fprintf(stderr, "\rrecording: %s, %lld blocks, %.1f MB, %lld gaps, disk full in %s ",
                 duration(status.elapsedSeconds).c_str(), blocks,
                 static_cast<double>(status.bytes) / 1e6, static_cast<long long>(status.gaps),
                 diskLeft.c_str());
    std::fflush(stderr);
}

void clearProgress() {
    std::fprintf(stderr, "\r%78s\r", "");
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char* argv[]) {
    app::prepareStandardStreams();
    const QStringList arguments = files::qt::arguments(argc, argv);
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName("tqv-record");
    QCoreApplication::setApplicationVersion(TQV_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Records the TQV5200-1 card's acquisition to FILE without a window: 16-bit WAV "
        "(RF64 past 4 GiB) of the codes, or CSV in the channels' units when FILE ends in .csv, "
        "with FILE.json beside it (each channel's name, unit and calibration points among "
        "what it holds).\n"
        "Exit status: 0 recorded without a gap, 1 a gap, a card error or a write error, "
        "2 the options, the file's name or the card library.\n\n" +
        app::CommandLine::searchOrderHelp());
    app::CommandLine commandLine(parser);
    const QCommandLineOption secondsOption(
        "seconds", "Record for N seconds (without it: until Ctrl-C or SIGTERM).", "N");
    const QCommandLineOption forceOption("force", "Replace FILE (and FILE.json) if they exist.");
    parser.addOptions({secondsOption, forceOption});
    parser.addPositionalArgument("FILE", "The recording: .wav, or .csv for text.");

    if (const auto status = commandLine.parse(arguments)) return *status;
    commandLine.quietenQt();
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        return usageError(positional.isEmpty() ? "the recording's FILE is missing"
                                               : "unexpected argument " + positional[1]);
    }
    if (positional[0].isEmpty()) return usageError("the recording's FILE is empty");
    std::optional<long long> seconds;
    if (parser.isSet(secondsOption)) {
        bool valid = false;
        const long long value = parser.value(secondsOption).toLongLong(&valid);
        if (!valid || value < 1 || value > kMaximumSeconds) {
            return usageError("--seconds takes a whole number from 1 to 31622400, not \"" +
                              parser.value(secondsOption) + "\"");
        }
        seconds = value;
    }
    const std::filesystem::path file = files::qt::toPath(positional[0]);
    const auto channelSetup = commandLine.channelSetup();
    if (const auto* error = std::get_if<std::string>(&channelSetup)) {
        app::CommandLine::writeMessage(*error);
        return ExitUnusable;
    }

    const auto card = std::make_unique<card::AdcardBinding>(commandLine.candidates());
    if (!commandLine.bind(*card)) return ExitUnusable;

    try {
        const app::TerminationRequest interrupt;
        session::SteadyClock clock;
        session::CardSession cardSession(*card, clock);
        const session::StartParameters parameters = session::HeadlessStart;

        const auto identity = cardSession.identify(session::CardSession::Exchange::Checked);
        record::RecordingSettings settings;
        settings.file = file;
        settings.replace = parser.isSet(forceOption);
        settings.scanRate = parameters.ScanRate;
        settings.firstChannel = parameters.FirstChannel;
        settings.channels = parameters.ChannelCount;
        settings.scansPerBlock = parameters.ScanCount;
        settings.cardIdentity = identity.line;
        settings.cardLibrary = files::displayName(card->loadedFrom());
        settings.channelSetup = std::get<channels::ChannelSetup>(channelSetup);
        settings.program = "tqv-record";
        settings.version = TQV_VERSION;
        auto opened = record::Recorder::open(settings);
        if (auto* refusal = std::get_if<record::RecordingRefusal>(&opened)) {
            app::CommandLine::writeMessage(refusalText(*refusal));
            return ExitUnusable;
        }
        record::Recorder& recorder = *std::get<0>(opened);
        const session::ScopedListener listening(cardSession.blocks(), recorder);
        session::BlockDrain drain(cardSession, kPollInterval);

        if (const auto refused = drain.start(parameters)) {
            recorder.stop(record::StopReason::CardError, session::startFailureText(*refused));
            app::CommandLine::writeMessage("card error: " + session::startFailureText(*refused) +
                                           "; " + files::displayName(file) + " was not written");
            return ExitFailed;
        }

        const bool progressShown = app::standardErrorIsTerminal();
        auto nextProgress = drain.startTime();
        session::DrainLimits limits;
        // The card's own count of blocks, not the wall clock: the last block of the time
        // asked for may still be on its way when the clock says the time is up.
        if (seconds) limits.blocks = session::blocksLasting(*seconds, parameters);
        limits.interrupted = &interrupt.flag();
        limits.stallAfter = kCardStalled;
        limits.afterPoll = [&](session::Clock::Duration sinceStart) {
            if (!progressShown || drain.startTime() + sinceStart < nextProgress) return;
            nextProgress = drain.startTime() + sinceStart + kProgressInterval;
            showProgress(recorder.status(), cardSession.counts().delivered,
                         file.has_parent_path() ? file.parent_path() : ".");
        };
        limits.stopWanted = [&] {
            return recorder.status().state != record::RecordingState::Recording;
        };
        const auto end = drain.run(limits);
        const bool cardFailed = end == session::DrainEnd::CardStalled;
        record::StopReason reason = record::StopReason::StopPressed;
        switch (end) {
        case session::DrainEnd::DurationReached: reason = record::StopReason::DurationReached; break;
        case session::DrainEnd::Interrupted: reason = record::StopReason::Interrupted; break;
        case session::DrainEnd::ConsumerStopped: reason = record::StopReason::WriteError; break;
        case session::DrainEnd::CardStalled: reason = record::StopReason::CardError; break;
        }
        // Read while the card still runs: what it says of why it stopped delivering.
        const std::string cardDetail =
            cardFailed ? stallText(cardSession.errorCode()) : std::string();
        cardSession.stop();
        recorder.stop(reason, cardDetail);
        if (progressShown) clearProgress();

        const auto status = recorder.status();
        const auto& metadata = recorder.metadata();
        if (!status.begun) {
            // No block reached the disk: no file was made, an earlier one is as it was.
            if (status.state == record::RecordingState::Failed) {
                app::CommandLine::writeMessage(status.error);
                return ExitUnusable;
            }
            app::CommandLine::writeMessage(
                "no block recorded (" + record::stopReasonText(reason) + "), so " +
                files::displayName(file) + " was not written" +
                (cardFailed ? ": card error: " + cardDetail : std::string()));
            return ExitFailed;
        }
        std::cerr << "tqv-record: " << metadata.scansWritten << " scans ("
                  << metadata.blocksWritten << " blocks, " << status.bytes << " bytes) in "
                  << files::displayName(file) << ", " << metadata.gaps.size() << " gaps, "
                  << record::stopReasonText(*metadata.stopReason) << "\n";
        int exitStatus = metadata.gaps.empty() ? ExitRecorded : ExitFailed;
        if (status.state == record::RecordingState::Failed) {
            app::CommandLine::writeMessage("write error: " + status.error);
            exitStatus = ExitFailed;
        } else if (cardFailed) {
            app::CommandLine::writeMessage("card error: " + cardDetail);
            exitStatus = ExitFailed;
        }
        if (!recorder.metadataError().empty()) {
            app::CommandLine::writeMessage(
                files::displayName(record::metadataPath(file)) +
                " does not say how the recording ended: " + recorder.metadataError());
            exitStatus = ExitFailed;
        }
        return exitStatus;
    } catch (const std::exception& error) {
        app::CommandLine::writeMessage(error.what());
        return ExitUnusable;
    }
}
