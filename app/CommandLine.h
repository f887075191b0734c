// What every program's main shares: the options for choosing the card library
// (--card-library PATH, --verbose, --help, --version) and binding the card as they
// say, the one style of messages ("<program>: <text>", and after a usage error only,
// "Try '<program> --help' for more information."), the exit statuses, and Qt's own
// chatter kept out of the output unless --verbose. QtCore only, so headless programs
// use it as well as the window.
#pragma once

#include <QCommandLineOption>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "card/LibrarySearch.h"

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

    // Adds the card options and --help and --version to the parser, which must
    // outlive this object. The program adds its own options and arguments too.
    explicit CommandLine(QCommandLineParser& parser);

    // Parses the command line (arguments[0] is the program). Empty: go on. Otherwise
    // the program ends at once with the status returned: 0 after printing the help
    // or the version on standard output; FailureStatus after a message on standard
    // error for an unknown option, a missing or empty value. Works before any
    // QCoreApplication exists, so that --help needs no display.
    std::optional<int> parse(const QStringList& arguments);

    // The files to try: only the one given with --card-library, else the default order.
    std::vector<card::LibraryCandidate> candidates() const;
    bool verbose() const;

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
};

}  // namespace tqv::app
