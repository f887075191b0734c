// tqv-snapshot [options] [OUT.png]: opens the real window off screen with the card
// library chosen as tqv-multibuf chooses it, optionally presses 开始采集, lets it run
// N milliseconds (2000 unless told), saves a picture of the window and prints the
// card identity it shows. --scope SCOPE.png opens the scope too, presses 开始采集 and
// saves the scope's picture.
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

#include "app/CardLibraryOptions.h"
#include "app/DisplayCheck.h"
#include "app/PanelApplication.h"
#include "app/StandardStreams.h"
#include "files/AtomicSave.h"
#include "files/qt/QtFileNames.h"
#include "app/ScopeAttachment.h"
#include "scope/qt/ScopeWindow.h"
#include "window/qt/PanelFonts.h"
#include "window/qt/QtFormWindow.h"

using tqv::app::CardLibraryOptions;

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
        CardLibraryOptions::searchOrderHelp());
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
    parser.addOption(start);
    parser.addOption(milliseconds);
    parser.addOption(scope);
    CardLibraryOptions cardOptions(parser);
    if (const auto status = cardOptions.parse(arguments)) return *status;

    bool numeric = false;
    const int runMilliseconds = parser.value(milliseconds).toInt(&numeric);
    if (!numeric || runMilliseconds < 0 || runMilliseconds > LongestRunMilliseconds) {
        CardLibraryOptions::writeMessage("--ms needs a whole number of milliseconds, 0 to " +
                                         std::to_string(LongestRunMilliseconds));
        return CardLibraryOptions::FailureStatus;
    }
    const QString scopeOutput = parser.value(scope);
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1 || (positional.isEmpty() && scopeOutput.isEmpty()) ||
        (parser.isSet(scope) && scopeOutput.isEmpty())) {
        CardLibraryOptions::writeMessage(
            "usage: tqv-snapshot [options] [OUT.png] [--scope SCOPE.png] (see --help)");
        return CardLibraryOptions::FailureStatus;
    }
    const QString output = positional.value(0);

    // Before the application exists: the platform is chosen when it is created.
    tqv::app::treatEmptyPlatformAsUnset();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    auto fatalStartup = std::make_unique<tqv::app::FatalStartupMessages>();
    QApplication application(argc, argv);
    fatalStartup.reset();
    QApplication::setFont(tqv::window::qt::panelFont());

    tqv::app::PanelApplication panel(cardOptions.candidates());
    if (!panel.open()) return CardLibraryOptions::FailureStatus;
    cardOptions.reportBound(panel.binding());
    auto* window = panel.window();
    if (!scopeOutput.isEmpty()) panel.openScope();

    if (parser.isSet(start) || !scopeOutput.isEmpty()) {
        if (auto* button = window->findChild<QPushButton*>(QStringLiteral("cmdStart"))) {
            button->click();
        }
    }

    int status = 0;
    const auto save = [&](QWidget* shown, const QString& path) {
        if (path.isEmpty()) return;
        const QByteArray png = pngOf(shown);
        const auto failure =
            png.isEmpty()
                ? std::optional<std::string>("the picture could not be encoded")
                : tqv::files::saveAtomically(tqv::files::qt::toPath(path),
                                             std::string_view(png.constData(), static_cast<size_t>(png.size())));
        if (!failure) return;
        CardLibraryOptions::writeMessage("picture not written: " + *failure);
        status = SaveFailedStatus;
    };
    QTimer::singleShot(runMilliseconds, window, [&] {
        save(window, output);
        if (!scopeOutput.isEmpty()) save(&panel.scope()->scope(), scopeOutput);
        if (auto* identity = window->findChild<QLabel*>(QStringLiteral("lblCardInfo"))) {
            std::printf("%s\n", identity->text().toLocal8Bit().constData());
        }
        QApplication::exit(status);
    });
    const int loopStatus = QApplication::exec();
    return tqv::app::finishStandardOutput(status != 0 ? status : loopStatus, SaveFailedStatus);
}
