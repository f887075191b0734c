// tqv-multibuf: the interactive test panel of the TQV5200-1 card.
#include <QApplication>
#include <QCommandLineParser>
#include <QStringList>
#include <memory>

#include "app/CardLibraryOptions.h"
#include "app/DisplayCheck.h"
#include "app/PanelApplication.h"
#include "app/StandardStreams.h"
#include "files/AtomicSave.h"
#include "files/qt/QtFileNames.h"
#include "window/qt/PanelFonts.h"

using tqv::app::CardLibraryOptions;

int main(int argc, char* argv[]) {
    tqv::app::prepareStandardStreams();
    // Before the application: --help and a bad option need no display.
    const QStringList arguments = tqv::files::qt::arguments(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The interactive test panel of the TQV5200-1 data-acquisition card.\n\n") +
        CardLibraryOptions::searchOrderHelp());
    const QCommandLineOption scope(QStringLiteral("scope"),
                                   QStringLiteral("Open the scope beside the panel at start."));
    parser.addOption(scope);
    CardLibraryOptions cardOptions(parser);
    if (const auto status = cardOptions.parse(arguments)) return *status;
    if (!parser.positionalArguments().isEmpty()) {
        CardLibraryOptions::writeMessage(
            "unexpected argument: " +
            tqv::files::displayName(tqv::files::qt::toPath(parser.positionalArguments().first())));
        return CardLibraryOptions::FailureStatus;
    }
    tqv::app::treatEmptyPlatformAsUnset();
    if (const auto missing = tqv::app::missingDisplay(tqv::app::displayEnvironment())) {
        CardLibraryOptions::writeMessage(*missing);
        return CardLibraryOptions::FailureStatus;
    }

    auto fatalStartup = std::make_unique<tqv::app::FatalStartupMessages>();
    QApplication application(argc, argv);
    // Message boxes too need the Chinese glyphs.
    QApplication::setFont(tqv::window::qt::panelFont());

    fatalStartup.reset();

    tqv::app::PanelApplication panel(cardOptions.candidates());
    if (!panel.open()) return CardLibraryOptions::FailureStatus;
    cardOptions.reportBound(panel.binding());
    if (parser.isSet(scope)) panel.openScope();
    return QApplication::exec();
}
