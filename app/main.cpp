// tqv-multibuf: the interactive test panel of the TQV5200-1 card.
#include <QApplication>
#include <QCommandLineParser>
#include <QPushButton>
#include <QStringList>
#include <memory>

#include "app/CommandLine.h"
#include "app/DisplayCheck.h"
#include "app/PanelApplication.h"
#include "app/ServerAttachment.h"
#include "app/StandardStreams.h"
#include "files/AtomicSave.h"
#include "files/qt/QtFileNames.h"
#include "window/qt/PanelFonts.h"
#include "window/qt/QtFormWindow.h"

using tqv::app::CommandLine;

int main(int argc, char* argv[]) {
    tqv::app::prepareStandardStreams();
    // Before the application: --help and a bad option need no display.
    const QStringList arguments = tqv::files::qt::arguments(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The interactive test panel of the TQV5200-1 data-acquisition card.\n\n") +
        CommandLine::searchOrderHelp());
    const QCommandLineOption scope(QStringLiteral("scope"),
                                   QStringLiteral("Open the scope beside the panel at start."));
    parser.addOption(scope);
    const QCommandLineOption record(
        QStringLiteral("record"),
        QStringLiteral("Record every block from the first start to FILE (.wav for WAV, .csv "
                       "for CSV text), with FILE.json beside it; an existing FILE is left "
                       "alone unless --force."),
        QStringLiteral("FILE"));
    parser.addOption(record);
    const QCommandLineOption force(
        QStringLiteral("force"),
        QStringLiteral("With --record: replace FILE (and FILE.json) if they exist, once the "
                       "new recording has its first block."));
    parser.addOption(force);
    const QCommandLineOption start(
        QStringLiteral("start"),
        QStringLiteral("Press 开始采集 (start acquisition) once the panel is open, as the "
                       "operator would: with --record, a run that needs nobody."));
    parser.addOption(start);
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        QStringLiteral("Serve the card to SCPI clients on [ADDR:]PORT (loopback when ADDR is "
                       "left out; port 0: any free port, named on standard error) while the "
                       "window shows what they do."),
        QStringLiteral("[ADDR:]PORT"));
    parser.addOption(listen);
    CommandLine commandLine(parser, CommandLine::Program::Window);
    const tqv::app::FleetOptions fleetOptions(parser);
    if (const auto status = commandLine.parse(arguments)) return *status;
    commandLine.quietenQt();
    if (!parser.positionalArguments().isEmpty()) {
        return CommandLine::usageError(
            "unexpected argument: " +
            tqv::files::displayName(tqv::files::qt::toPath(parser.positionalArguments().first())));
    }
    if (parser.isSet(force) && !parser.isSet(record)) {
        return CommandLine::usageError("--force replaces a recording: it needs --record FILE");
    }
    const auto fleet = fleetOptions.read();
    if (const auto* problem = std::get_if<std::string>(&fleet))
        return CommandLine::usageError(*problem);
    std::optional<tqv::network::ListenAddress> listenAddress;
    if (parser.isSet(listen)) {
        const auto parsed = tqv::network::parseListenAddress(parser.value(listen), true);
        if (const auto* problem = std::get_if<QString>(&parsed)) {
            return CommandLine::usageError("--listen: " + problem->toStdString());
        }
        listenAddress = std::get<tqv::network::ListenAddress>(parsed);
    }
    tqv::app::treatEmptyPlatformAsUnset();
    if (const auto missing = tqv::app::missingDisplay(tqv::app::displayEnvironment())) {
        CommandLine::writeMessage(*missing);
        return CommandLine::FailureStatus;
    }

    auto fatalStartup = std::make_unique<tqv::app::FatalStartupMessages>();
    QApplication application(argc, argv);
    // Message boxes too need the Chinese glyphs.
    QApplication::setFont(tqv::window::qt::panelFont());

    fatalStartup.reset();

    tqv::app::PanelOptions options;
    options.restoreSettings = !commandLine.resetSettings();
    options.saveSettings = true;
    options.readChannelSetup = true;
    options.channelSetupFile = commandLine.channelSetupFile();
    tqv::app::PanelApplication panel(commandLine.candidates(), options);
    if (!panel.open()) return CommandLine::FailureStatus;
    commandLine.reportBound(panel.binding());
    if (listenAddress) {
        if (const auto refused = panel.serve(*listenAddress)) {
            CommandLine::writeMessage("cannot listen on " + parser.value(listen).toStdString() +
                                      ": " + *refused);
            return CommandLine::FailureStatus;
        }
        CommandLine::writeMessage("listening on " +
                                  panel.server()->server().listening().toStdString());
    }
    if (const auto& target = std::get<std::optional<tqv::app::FleetTarget>>(fleet)) {
        panel.report(*target);
    }
    if (parser.isSet(scope)) panel.openScope();
    if (parser.isSet(record)) {
        if (const auto refusal = panel.startRecording(tqv::files::qt::toPath(parser.value(record)),
                                                      parser.isSet(force))) {
            const bool exists = refusal->kind == tqv::record::RecordingRefusal::Kind::Exists;
            CommandLine::writeMessage("not recording: " + refusal->text +
                                      (exists ? " (--force replaces it)" : ""));
            return CommandLine::FailureStatus;
        }
    }
    if (parser.isSet(start)) {
        if (auto* button = panel.window()->findChild<QPushButton*>(QStringLiteral("cmdStart"))) {
            button->click();
        }
    }
    return QApplication::exec();
}
