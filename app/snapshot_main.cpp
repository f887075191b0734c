// tqv-snapshot [options] [OUT.png]: opens the real window off screen with the card
// library chosen as tqv-multibuf chooses it, optionally presses 开始采集, lets it run
// N milliseconds (2000 unless told), saves a picture of the window and prints the
// card identity it shows. --scope SCOPE.png opens the scope too, presses 开始采集 and
// saves the scope's picture; --span, --trigger, --fit and --cursors set the scope's view
// (over the remembered settings, or the defaults with --reset-settings), --scope-csv
// writes what its Save CSV would (in the channels' units, or with --codes in codes).
#include <QApplication>
#include <QBuffer>
#include <QCommandLineParser>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "session/StartParameters.h"
#include "app/CommandLine.h"
#include "app/DisplayCheck.h"
#include "app/PanelApplication.h"
#include "app/StandardStreams.h"
#include "files/AtomicSave.h"
#include "files/qt/QtFileNames.h"
#include "app/ScopeAttachment.h"
#include "scope/ScopeCsv.h"
#include "scope/ViewOptions.h"
#include "scope/qt/ScopeWindow.h"
#include "scope/qt/TriggerBar.h"
#include "window/qt/PanelFonts.h"
#include "window/qt/QtFormWindow.h"

using tqv::app::CommandLine;

namespace {

constexpr int SaveFailedStatus = 3;
constexpr int LongestRunMilliseconds = 3'600'000;

// The widget as a PNG picture, or empty when it could not be encoded.
QByteArray pngOf(QWidget* widget) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!widget->grab().save(&buffer, "PNG")) return {};
    return png;
}

}  // namespace

int main(int argc, char* argv[]) {
    tqv::app::prepareStandardStreams();
    const QStringList arguments = tqv::files::qt::arguments(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Saves a picture of the TQV5200-1 test panel, run off screen, and prints "
                       "the card identity it shows.\n\n") +
        CommandLine::searchOrderHelp());
    parser.addPositionalArgument(QStringLiteral("OUT.png"),
                                 QStringLiteral("The picture of the panel to write."),
                                 QStringLiteral("[OUT.png]"));
    const QCommandLineOption start(QStringLiteral("start"),
                                   QStringLiteral("Press 开始采集 (start acquisition) first."));
    const QCommandLineOption milliseconds(
        QStringLiteral("ms"), QStringLiteral("Let the panel run <N> milliseconds (default 2000)."),
        QStringLiteral("N"), QStringLiteral("2000"));
    const QCommandLineOption scope(
        QStringLiteral("scope"),
        QStringLiteral("Open the scope, start acquisition, and write the scope's picture to "
                       "<SCOPE.png>."),
        QStringLiteral("SCOPE.png"));
    const QCommandLineOption span(
        QStringLiteral("span"),
        QStringLiteral("Show <MS> milliseconds in the scope: 1, 2, 5, 10, 20, 50, 100, 200, or 0 "
                       "for the whole ring (the default)."),
        QStringLiteral("MS"));
    const QCommandLineOption trigger(
        QStringLiteral("trigger"),
        QStringLiteral("Trigger the scope (Auto) on channel CH's rising or falling edge through "
                       "LEVEL, in the channel's unit (default: the middle of its samples)."),
        QStringLiteral("CH,rising|falling[,LEVEL]"));
    const QCommandLineOption scopeCsv(
        QStringLiteral("scope-csv"),
        QStringLiteral("Open the scope, start acquisition, and write what the scope's Save CSV "
                       "would write to <FILE>."),
        QStringLiteral("FILE"));
    parser.addOption(start);
    parser.addOption(milliseconds);
    parser.addOption(scope);
    parser.addOption(span);
    parser.addOption(trigger);
    parser.addOption(scopeCsv);
    const QCommandLineOption fit(
        QStringLiteral("fit"),
        QStringLiteral("Fit every lane of the scope to its samples (the default, unless the "
                       "remembered settings say otherwise)."));
    parser.addOption(fit);
    const QCommandLineOption codes(
        QStringLiteral("codes"),
        QStringLiteral("Write --scope-csv in the raw codes, not in the channels' units."));
    parser.addOption(codes);
    const QCommandLineOption cursors(QStringLiteral("cursors"),
                                     QStringLiteral("Show the scope's cursors."));
    parser.addOption(cursors);
    CommandLine commandLine(parser, CommandLine::Program::Window);
    if (const auto status = commandLine.parse(arguments)) return *status;
    commandLine.quietenQt();
    // Checked before any window: a setup that cannot be used ends the run, as in every
    // command-line program.
    const auto channelSetup = commandLine.channelSetup();
    if (const auto* error = std::get_if<std::string>(&channelSetup)) {
        CommandLine::writeMessage(*error);
        return CommandLine::FailureStatus;
    }
    const auto& setup = std::get<tqv::channels::ChannelSetup>(channelSetup);

    bool numeric = false;
    const int runMilliseconds = parser.value(milliseconds).toInt(&numeric);
    if (!numeric || runMilliseconds < 0 || runMilliseconds > LongestRunMilliseconds) {
        return CommandLine::usageError("--ms needs a whole number of milliseconds, 0 to " +
                                       std::to_string(LongestRunMilliseconds));
    }
    const auto spanMs = tqv::scope::parseSpanOption(
        parser.isSet(span) ? parser.value(span).toStdString() : std::string("0"));
    constexpr int channels = tqv::session::PanelStart.ChannelCount;
    const auto triggerSettings =
        parser.isSet(trigger)
            ? tqv::scope::parseTriggerOption(parser.value(trigger).toStdString(), channels, setup)
            : std::variant<tqv::scope::TriggerSettings, std::string>();
    for (const std::string* error : {std::get_if<std::string>(&spanMs),
                                     std::get_if<std::string>(&triggerSettings)}) {
        if (error != nullptr) return CommandLine::usageError(*error);
    }
    const QString csvOutput = parser.value(scopeCsv);
    const QString scopeOutput = parser.value(scope);
    const bool scopeWanted = !scopeOutput.isEmpty() || !csvOutput.isEmpty();
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        return CommandLine::usageError(
            "unexpected argument: " +
            tqv::files::displayName(tqv::files::qt::toPath(positional.at(1))));
    }
    for (const auto& [option, value] : {std::pair{&scopeCsv, csvOutput}, std::pair{&scope, scopeOutput}}) {
        if (parser.isSet(*option) && value.isEmpty()) {
            return CommandLine::usageError("--" + option->names().constFirst().toStdString() +
                                           " needs a file name");
        }
    }
    if (!positional.isEmpty() && positional.first().isEmpty()) {
        return CommandLine::usageError("the picture's name OUT.png is empty");
    }
    const QString output = positional.value(0);

    // Before the application exists: the platform is chosen when it is created.
    tqv::app::treatEmptyPlatformAsUnset();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    auto fatalStartup = std::make_unique<tqv::app::FatalStartupMessages>();
    QApplication application(argc, argv);
    fatalStartup.reset();
    QApplication::setFont(tqv::window::qt::panelFont());

    tqv::app::PanelOptions options;
    // Shows the setup the panel would; writes nothing back.
    options.restoreSettings = !commandLine.resetSettings();
    options.readChannelSetup = true;
    options.channelSetupFile = commandLine.channelSetupFile();
    tqv::app::PanelApplication panel(commandLine.candidates(), options);
    if (!panel.open()) return CommandLine::FailureStatus;
    commandLine.reportBound(panel.binding());
    auto* window = panel.window();
    if (scopeWanted) {
        panel.openScope();
        auto& scopeWindow = panel.scope()->scope();
        // The size it asks for, whatever the off-screen platform's small screen leaves.
        scopeWindow.resize(scopeWindow.sizeHint());
        auto* bar = scopeWindow.triggerBar();
        if (parser.isSet(span)) bar->setSpanMilliseconds(std::get<int>(spanMs));
        if (parser.isSet(trigger)) {
            bar->setSettings(std::get<tqv::scope::TriggerSettings>(triggerSettings));
        }
        if (parser.isSet(fit)) {
            for (int lane = 0; lane < channels; ++lane) scopeWindow.setFit(lane, true);
        }
        if (parser.isSet(cursors)) scopeWindow.setCursorsShown(true);
    }

    if (parser.isSet(start) || scopeWanted) {
        if (auto* button = window->findChild<QPushButton*>(QStringLiteral("cmdStart"))) {
            button->click();
        }
    }

    int status = 0;
    const auto write = [&](const QString& path, std::string_view contents, const char* what) {
        const auto failure =
            contents.empty() ? std::optional<std::string>("it could not be made")
                             : tqv::files::saveAtomically(tqv::files::qt::toPath(path), contents);
        if (!failure) return;
        CommandLine::writeMessage(std::string(what) + " not written: " + *failure);
        status = SaveFailedStatus;
    };
    const auto save = [&](QWidget* shown, const QString& path) {
        if (path.isEmpty()) return;
        const QByteArray png = pngOf(shown);
        write(path, std::string_view(png.constData(), static_cast<size_t>(png.size())), "picture");
    };
    QTimer::singleShot(runMilliseconds, window, [&] {
        save(window, output);
        if (!scopeOutput.isEmpty()) save(&panel.scope()->scope(), scopeOutput);
        if (!csvOutput.isEmpty()) {
            write(csvOutput,
                  panel.scope()->scope().csvText(parser.isSet(codes) ? tqv::text::CsvValues::Codes
                                                                     : tqv::text::CsvValues::Units),
                  "CSV");
        }
        if (auto* identity = window->findChild<QLabel*>(QStringLiteral("lblCardInfo"))) {
            std::printf("%s\n", identity->text().toLocal8Bit().constData());
        }
        QApplication::exit(status);
    });
    const int loopStatus = QApplication::exec();
    return tqv::app::finishStandardOutput(status != 0 ? status : loopStatus, SaveFailedStatus);
}
