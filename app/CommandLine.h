// What every program's main shares: the options for choosing the card library
// (--card-library PATH, --verbose, --help, --version) and binding the card as they
// say, the channel setup (--channel-setup FILE) and, for the window programs, the
// settings' fresh start (--reset-settings), the one style of messages ("<program>: <text>", and
// after a usage error only, "Try '<program> --help' for more information."), the exit statuses, and
// Qt's own chatter kept out of the output unless --verbose. QtCore only, so headless programs use
// it as well as the window.
#pragma once

#include <QCommandLineOption>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "card/LibrarySearch.h"
#include "channels/ChannelSetup.h"

class QCommandLineParser;

namespace tqv::card {
class AdcardBinding;
}

namespace tqv::app {

class CommandLine {
public:
    // Every program: 0 done, 1 a check, recording or save failed, 2 the options, the
    // card library, or results that could not be written.
    static constexpr int SuccessStatus = 0;
    static constexpr int FailedStatus = 1;
    // Bad options, or a card library that cannot be used: the program ends before
    // any window is made.
    static constexpr int FailureStatus = 2;

    enum class Program {
        // Runs without a window: nothing remembered between runs.
        Headless,
        // Remembers its settings between runs; --reset-settings starts from the defaults.
        Window,
    };

    // Adds the card and channel-setup options and --help and --version (and for a
    // window program --reset-settings) to the parser, which must outlive this object.
    // The program adds its own options and arguments too.
    explicit CommandLine(QCommandLineParser& parser, Program program = Program::Headless);

    // Parses the command line (arguments[0] is the program). Empty: go on. Otherwise
    // the program ends at once with the status returned: 0 after printing the help
    // or the version on standard output; FailureStatus after a message on standard
    // error for an unknown option, a missing or empty value. Works before any
    // QCoreApplication exists, so that --help needs no display.
    std::optional<int> parse(const QStringList& arguments);

    // The files to try: only the one given with --card-library, else the default order.
    std::vector<card::LibraryCandidate> candidates() const;
    bool verbose() const;

    // The file named with --channel-setup, if one was.
    std::optional<std::filesystem::path> channelSetupFile() const;
    // The channel setup: from the file named with --channel-setup, which must be there,
    // else from the default file where one was saved, else every channel's defaults.
    // A file that cannot be read or is refused: why, naming the file, the line and the
    // field (a command-line program ends with FailureStatus).
    std::variant<channels::ChannelSetup, std::string> channelSetup() const;
    // --reset-settings was given (window programs only).
    bool resetSettings() const;

    // Loads and binds the card library: on failure writes why on standard error and
    // returns false; on success, with --verbose, writes the bound line.
    bool bind(card::AdcardBinding& binding) const;
    // With --verbose, the bound line on standard error; nothing otherwise.
    void reportBound(const card::AdcardBinding& binding) const;

    // Where the card library is looked for, for a program's --help description.
    static QString searchOrderHelp();
    // "<program>: <text>" on standard error: every message the programs give there.
    static void writeMessage(const std::string& text);
    // A wrong command line: the message, then how to see the help; FailureStatus.
    static int usageError(const std::string& text);
    // From here on Qt's debug, information and warning messages reach standard error
    // only with --verbose; its critical and fatal ones always do, as one line each.
    void quietenQt() const;
    // "card library: <file> (<the place it was found in>)".
    static std::string boundText(const card::LibraryCandidate& bound);

private:
    QCommandLineParser& m_parser;
    QCommandLineOption m_cardLibrary;
    QCommandLineOption m_help;
    QCommandLineOption m_verbose;
    QCommandLineOption m_channelSetup;
    QCommandLineOption m_resetSettings;
    const Program m_program;
};

}  // namespace tqv::app
