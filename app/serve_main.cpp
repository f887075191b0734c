// tqv-serve: the card as a network instrument without a window. SCPI on TCP for any
// number of clients (PyVISA's TCPIP::host::port::SOCKET), recordings into one folder,
// results and status to an MQTT broker. Options and the card library here; the
// commands are in instrument/, the sockets in network/.
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <exception>
#include <memory>
#include <optional>

#include "app/CommandLine.h"
#include "app/DrainHost.h"
#include "app/FleetAttachment.h"
#include "app/FleetOptions.h"
#include "app/StandardStreams.h"
#include "app/TerminationSignals.h"
#include "card/AdcardBinding.h"
#include "files/AtomicSave.h"
#include "files/qt/QtFileNames.h"
#include "instrument/FolderRecording.h"
#include "instrument/Instrument.h"
#include "instrument/RingScans.h"
#include "network/ScpiServer.h"
#include "session/CardSession.h"

namespace {

using namespace tqv;
using app::CommandLine;

int usageError(const QString& message) { return CommandLine::usageError(message.toStdString()); }

}  // namespace

int main(int argc, char* argv[]) {
    app::prepareStandardStreams();
    const QStringList arguments = files::qt::arguments(argc, argv);
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName("tqv-serve");
    QCoreApplication::setApplicationVersion(TQV_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Serves the TQV5200-1 card as a network instrument without a window: SCPI commands, "
        "one per line, on TCP (PyVISA: TCPIP::127.0.0.1::5025::SOCKET), for several clients "
        "at once.\nExit status: 0 ended by SIGINT, SIGTERM or SIGHUP (the card stopped, "
        "recordings closed), 2 the options, an address it cannot listen on, or the card "
        "library.\n\n" +
        CommandLine::searchOrderHelp());
    CommandLine commandLine(parser);
    const app::FleetOptions fleetOptions(parser);
    const QCommandLineOption listenOption(
        "listen",
        "Listen on ADDR:PORT (default 127.0.0.1:5025, loopback only; port 0: any free "
        "port, named on standard error).",
        "ADDR:PORT", "127.0.0.1:5025");
    const QCommandLineOption recordDirOption(
        "record-dir", "Let clients record (RECord:STARt \"NAME\") into DIR, and nowhere else.",
        "DIR");
    parser.addOptions({listenOption, recordDirOption});

    if (const auto status = commandLine.parse(arguments)) return *status;
    commandLine.quietenQt();
    if (!parser.positionalArguments().isEmpty()) {
        return usageError("unexpected argument " + parser.positionalArguments().first());
    }
    const auto listen = network::parseListenAddress(parser.value(listenOption), false);
    if (const auto* problem = std::get_if<QString>(&listen))
        return usageError("--listen: " + *problem);
    const auto fleet = fleetOptions.read();
    if (const auto* problem = std::get_if<std::string>(&fleet))
        return CommandLine::usageError(*problem);
    const auto& fleetTarget = std::get<std::optional<app::FleetTarget>>(fleet);
    std::optional<std::filesystem::path> recordDir;
    if (parser.isSet(recordDirOption)) {
        const QString folder = parser.value(recordDirOption);
        const QFileInfo info(folder);
        if (folder.isEmpty() || !info.isDir() || !info.isWritable()) {
            return usageError("--record-dir: \"" + folder +
                              "\" is no folder this program may write");
        }
        recordDir = files::qt::toPath(QDir(folder).absolutePath());
    }
    const auto channelSetup = commandLine.channelSetup();
    if (const auto* error = std::get_if<std::string>(&channelSetup)) {
        CommandLine::writeMessage(*error);
        return CommandLine::FailureStatus;
    }
    const auto& setup = std::get<channels::ChannelSetup>(channelSetup);

    const auto card = std::make_unique<card::AdcardBinding>(commandLine.candidates());
    if (!commandLine.bind(*card)) return CommandLine::FailureStatus;

    try {
        // From here on SIGINT, SIGTERM and SIGHUP end the event loop, and the program in order.
        const app::TerminationSignals termination([] { QCoreApplication::quit(); });
        session::SteadyClock clock;
        session::CardSession cardSession(*card, clock);
        cardSession.identify(session::CardSession::Exchange::Checked);
        // The clients fetch from the session's own ring: two seconds at the fastest rate.
        cardSession.blocks().resetRing(instrument::keptRingBlocks(session::HeadlessStart));
        app::DrainHost host(cardSession, session::HeadlessStart);
        std::unique_ptr<instrument::FolderRecording> recording;
        if (recordDir) {
            recording = std::make_unique<instrument::FolderRecording>(
                cardSession, host,
                instrument::FolderRecordingSettings{
                    *recordDir, files::displayName(card->loadedFrom()), "tqv-serve", TQV_VERSION,
                    setup});
        }
        instrument::InstrumentSettings settings;
        settings.version = TQV_VERSION;
        settings.channelSetup = setup;
        instrument::Instrument served(cardSession, host, recording.get(), settings);
        network::ScpiServer server(served, clock);
        if (commandLine.verbose()) {
            server.onClient = [](const QString& peer, bool connected, const QString& reason) {
                CommandLine::writeMessage(
                    (connected
                         ? "client " + peer + " connected"
                         : "client " + peer + (reason.isEmpty() ? " left" : " dropped: " + reason))
                        .toStdString());
            };
        }
        if (const auto refused = server.listen(std::get<network::ListenAddress>(listen))) {
            CommandLine::writeMessage("cannot listen on " +
                                      parser.value(listenOption).toStdString() + ": " +
                                      refused->toStdString());
            return CommandLine::FailureStatus;
        }
        CommandLine::writeMessage("listening on " + server.listening().toStdString());
        std::unique_ptr<app::FleetAttachment> reporting;
        if (fleetTarget) {
            reporting = std::make_unique<app::FleetAttachment>(*fleetTarget, served, "tqv-serve");
        }

        QCoreApplication::exec();
        // The card stopped and every recording closed, as for a program that ends; then
        // the fleet told.
        cardSession.stop(session::StopCause::Closing);
        reporting.reset();
        return CommandLine::SuccessStatus;
    } catch (const std::exception& error) {
        CommandLine::writeMessage(error.what());
        return CommandLine::FailureStatus;
    }
}
