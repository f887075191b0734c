#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <filesystem>

#include "app/StandardStreams.h"
#include "card/AdcardBinding.h"
#include "channels/SetupFile.h"
#include "files/AtomicSave.h"
#include "files/qt/QtFileNames.h"

#ifndef TQV_VERSION
#define TQV_VERSION "0"
#endif

namespace tqv::app {

namespace {

void writeLine(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

}  // namespace

CommandLine::CommandLine(QCommandLineParser& parser, Program program)
    : m_parser(parser),
      m_cardLibrary(QStringLiteral("card-library"),
                    QStringLiteral("Use the card library in <file>, and only it (no search)."),
                    QStringLiteral("file")),
      m_help(QStringList{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
             QStringLiteral("Show this help and end.")),
      m_verbose(QStringLiteral("verbose"),
                QStringLiteral("Say on standard error which card library was bound, and whether "
                               "it is the shipped simulated card.")),
      m_channelSetup(
          QStringLiteral("channel-setup"),
          QStringLiteral("Read each channel's name, unit and calibration from <file> (JSON) "
                         "instead of the default channel setup, "
                         "$XDG_CONFIG_HOME/tqv-multibuf/channels.json."),
          QStringLiteral("file")),
      m_resetSettings(QStringLiteral("reset-settings"),
                      QStringLiteral("Start from the default settings, not the ones remembered "
                                     "from the last run.")),
      m_program(program) {
    // "-platform" is one unknown option, not eight unknown letters.
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(m_cardLibrary);
    m_parser.addOption(m_verbose);
    m_parser.addOption(m_channelSetup);
    if (m_program == Program::Window) m_parser.addOption(m_resetSettings);
    // Not Qt's addHelpOption: its --help-all promises Qt's own options, which the
    // programs do not take.
    m_parser.addOption(m_help);
    m_parser.addVersionOption();
}

std::optional<int> CommandLine::parse(const QStringList& arguments) {
    if (QCoreApplication::applicationName().isEmpty() && !arguments.isEmpty()) {
        QCoreApplication::setApplicationName(QFileInfo(arguments.first()).fileName());
    }
    if (QCoreApplication::applicationVersion().isEmpty()) {
        QCoreApplication::setApplicationVersion(QStringLiteral(TQV_VERSION));
    }
    const QString program = QCoreApplication::applicationName();
    if (!m_parser.parse(arguments)) return usageError(m_parser.errorText().toStdString());
    if (m_parser.isSet(m_help)) {
        // The parser names the program by the path it was started from, or by a
        // placeholder before an application object exists: the name is what users type.
        const QString started = QCoreApplication::instance() != nullptr
                                    ? QCoreApplication::arguments().constFirst()
                                    : QStringLiteral("<executable_name>");
        QString help = m_parser.helpText();
        help.replace(QStringLiteral("Usage: ") + started, QStringLiteral("Usage: ") + program);
        std::fputs(help.toLocal8Bit().constData(), stdout);
        return finishStandardOutput(0, FailureStatus);
    }
    if (m_parser.isSet(QStringLiteral("version"))) {
        writeLine(stdout, program + QLatin1Char(' ') + QCoreApplication::applicationVersion());
        return finishStandardOutput(0, FailureStatus);
    }
    if (m_parser.isSet(m_cardLibrary) && m_parser.value(m_cardLibrary).isEmpty()) {
        return usageError("--card-library needs a file name.");
    }
    if (m_parser.isSet(m_channelSetup) && m_parser.value(m_channelSetup).isEmpty()) {
        return usageError("--channel-setup needs a file name.");
    }
    return std::nullopt;
}

std::vector<card::LibraryCandidate> CommandLine::candidates() const {
    if (!m_parser.isSet(m_cardLibrary)) return card::AdcardBinding::defaultPlaces();
    return card::givenFile(files::qt::toPath(m_parser.value(m_cardLibrary)));
}

bool CommandLine::verbose() const { return m_parser.isSet(m_verbose); }

std::optional<std::filesystem::path> CommandLine::channelSetupFile() const {
    if (!m_parser.isSet(m_channelSetup)) return std::nullopt;
    return files::qt::toPath(m_parser.value(m_channelSetup));
}

std::variant<channels::ChannelSetup, std::string> CommandLine::channelSetup() const {
    const auto given = channelSetupFile();
    auto read = given ? channels::readSetup(*given)
                      : channels::readSetupIfSaved(channels::defaultSetupPath());
    if (auto* error = std::get_if<channels::SetupError>(&read)) {
        return "channel setup " + error->message;
    }
    return std::get<channels::ChannelSetup>(read);
}

bool CommandLine::resetSettings() const {
    return m_program == Program::Window && m_parser.isSet(m_resetSettings);
}

bool CommandLine::bind(card::AdcardBinding& binding) const {
    if (const auto error = binding.load()) {
        writeMessage(*error);
        return false;
    }
    reportBound(binding);
    return true;
}

void CommandLine::reportBound(const card::AdcardBinding& binding) const {
    if (!verbose()) return;
    if (const auto bound = binding.loaded()) writeMessage(boundText(*bound));
}

QString CommandLine::searchOrderHelp() {
    return QStringLiteral(
        "The card library is the file given with --card-library, else the first that loads "
        "of: libadcard in the program's own folder, the system's library search "
        "(LD_LIBRARY_PATH, the loader's cache, the standard library folders; on Windows the "
        "system folder and PATH), and the simulated card shipped with the program. The "
        "current directory is never searched.");
}

void CommandLine::writeMessage(const std::string& text) {
    // The text's bytes as they are: a file name in it may be no UTF-8.
    const std::string line =
        QCoreApplication::applicationName().toStdString() + ": " + text + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

int CommandLine::usageError(const std::string& text) {
    writeMessage(text);
    writeLine(stderr, QStringLiteral("Try '%1 --help' for more information.")
                          .arg(QCoreApplication::applicationName()));
    return FailureStatus;
}

namespace {

bool g_qtVerbose = false;

void filterQtMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (!g_qtVerbose && (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg)) return;
    CommandLine::writeMessage("Qt: " + text.toStdString());
}

}  // namespace

void CommandLine::quietenQt() const {
    g_qtVerbose = verbose();
    qInstallMessageHandler(filterQtMessage);
}

namespace {

// A development build puts the simulated card it built beside its programs.
bool builtBesideInThisBuildTree(const card::LibraryCandidate& bound) {
#ifdef TQV_BUILD_BIN_DIR
    if (bound.kind != card::PlaceKind::ProgramFolder) return false;
    std::error_code error;
    const auto folder = std::filesystem::canonical(bound.file, error).parent_path();
    return !error && folder == std::filesystem::canonical(TQV_BUILD_BIN_DIR, error) && !error;
#else
    (void)bound;
    return false;
#endif
}

}  // namespace

std::string CommandLine::boundText(const card::LibraryCandidate& bound) {
    const std::string place(card::describe(bound.kind));
    std::string which = "; not the shipped simulated card";
    if (bound.kind == card::PlaceKind::ShippedSimulator) which.clear();
    if (builtBesideInThisBuildTree(bound)) which = ": the simulated card this build made";
    return "card library: " + files::displayName(bound.file) + " (" + place + which + ")";
}

}  // namespace tqv::app
